// A decoding stream: any audio FFmpeg decodes, delivered as 16-bit signed
// little-endian interleaved PCM at the rate of its first frame, mono or
// stereo; frames at another rate are converted to it.
#pragma once

#include "audio/DecodedChannel.h"
#include "audio/DecodedLength.h"
#include "audio/FrameSource.h"

#include <memory>
#include <string>
#include <vector>

namespace tw::audio {

class DecodeStream final : public DecodedChannel {
public:
    // Null when the file is not decodable audio, or keepGoing (asked while
    // the exact length is found) said to stop.
    static std::shared_ptr<DecodeStream> open(const std::string& path, const KeepGoing& keepGoing = {});
    DecodeStream() = default;
    ~DecodeStream() override;

    // MPEG audio: every packet, from the scan that found the length (empty
    // for other codecs); the decoded stream; the output format.
    const std::vector<PacketEntry>& packets() const { return packets_; }
    const AVStream& stream() const;
    // The decoder the stream decodes with (chosen when it was opened: the
    // stream's codec id may change as it is read).
    const AVCodec* codec() const;
    int rate() const { return rate_; }
    DWORD channels() const { return channels_; }
    const std::string& path() const { return path_; }

private:
    // Decodes and converts the next frame behind what is pending; false at the end.
    bool decodeMore() override;
    bool configureResampler(const AVFrame& frame);
    // Appends what the resampler still holds; true when it held something.
    bool drainResampler();
    // Packets before packet that gave no frame were lost: their frames
    // become silence where they were, so that what follows keeps its time.
    bool silenceLostPackets(std::size_t packet);

    std::unique_ptr<FrameSource> source_;
    std::vector<PacketEntry> packets_;
    std::size_t nextPacket_ = 0;  // the first packet whose frames are not yet out
    ResamplerPtr resampler_;
    AVChannelLayout resamplerInLayout_{};
    int resamplerInFormat_ = -1;
    int resamplerInRate_ = 0;
};

}  // namespace tw::audio
