// Demuxes and decodes the best audio stream of a file, frame by frame.
#pragma once

#include "audio/FfmpegHandles.h"

namespace tw::audio {

class FrameSource {
public:
    FrameSource() = default;
    // Null when the file cannot be opened or has no decodable audio stream.
    static std::unique_ptr<FrameSource> open(const char* path);

    // The next decoded frame (valid until the next call), or null at the end:
    // end of file, a read error, or a run of undecodable data. Corrupt
    // packets on the way are skipped.
    const AVFrame* next();

    int streamIndex() const { return streamIndex_; }
    const AVCodecContext& decoder() const { return *decoder_; }
    const AVStream& stream() const { return *input_->streams[streamIndex_]; }
    std::int64_t fileSize() const;
    // Packets of the stream handed to the decoder so far (a frame comes from
    // the last of them for decoders without delay, such as MPEG audio's).
    std::size_t packetsSent() const { return packetsSent_; }

private:
    // Sends packet_ in a copy whose padding is zero.
    bool sendPadded();

    InputPtr input_;
    CodecPtr decoder_;
    PacketPtr packet_;
    PacketPtr padded_;
    FramePtr frame_;
    int streamIndex_ = -1;
    std::size_t packetsSent_ = 0;
    bool flushed_ = false;
    bool finished_ = false;
};

}  // namespace tw::audio
