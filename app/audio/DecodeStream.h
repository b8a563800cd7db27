// A decoding stream: any audio FFmpeg decodes, delivered as 16-bit signed
// little-endian interleaved PCM at the source rate, mono or stereo.
#pragma once

#include "app/audio/Channel.h"
#include "app/audio/FrameSource.h"

#include <mutex>
#include <string>
#include <vector>

namespace tw::audio {

class DecodeStream final : public Channel {
public:
    // Null when the file is not decodable audio.
    static std::shared_ptr<DecodeStream> open(const std::string& path);
    DecodeStream() = default;
    ~DecodeStream() override;

    void info(BASS_CHANNELINFO& out) const override;
    QWORD length() const override { return length_; }
    double bytesPerSecond() const override { return double(rate_) * frameBytes(); }
    QWORD filePosition(DWORD mode) const override;
    QWORD position() override;
    DWORD isActive() override;
    DWORD getData(void* buffer, DWORD length) override;

private:
    DWORD frameBytes() const { return channels_ * 2; }
    // Decodes and converts the next frame into pending_; false at the end.
    bool decodeMore();
    bool configureResampler(const AVFrame& frame);

    std::string path_;
    std::unique_ptr<FrameSource> source_;
    ResamplerPtr resampler_;
    AVChannelLayout resamplerInLayout_{};
    int resamplerInFormat_ = -1;
    int resamplerInRate_ = 0;
    int rate_ = 0;
    DWORD channels_ = 0;
    DWORD sourceBits_ = 0;
    QWORD length_ = 0;
    QWORD fileSize_ = 0;

    std::mutex mutex_;
    QWORD delivered_ = 0;
    std::vector<std::uint8_t> pending_;
    std::size_t pendingPos_ = 0;
    bool sourceEnded_ = false;
};

}  // namespace tw::audio
