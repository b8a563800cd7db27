// A decoding stream on libmpg123 for MPEG audio FFmpeg cannot read, such as
// free-format MP3 (frames without a bitrate index). Same output as
// DecodeStream: 16-bit signed little-endian interleaved PCM at the source
// rate, mono or stereo, with the encoder delay and padding removed.
#pragma once

#include "app/audio/Channel.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct mpg123_handle_struct;

namespace tw::audio {

class Mpg123Stream final : public Channel {
public:
    // Null when libmpg123 finds no decodable MPEG audio frame in the file.
    static std::shared_ptr<Mpg123Stream> open(const std::string& path);
    Mpg123Stream() = default;

    void info(BASS_CHANNELINFO& out) const override;
    QWORD length() const override { return length_; }
    double bytesPerSecond() const override { return double(rate_) * frameBytes(); }
    QWORD filePosition(DWORD mode) const override;
    QWORD position() override;
    DWORD isActive() override;
    DWORD getData(void* buffer, DWORD length) override;

private:
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* handle) const;
    };

    DWORD frameBytes() const { return channels_ * 2; }
    // Decodes the next block into pending_; false at the end of the usable data.
    bool decodeMore();

    std::string path_;
    std::unique_ptr<mpg123_handle_struct, HandleDeleter> handle_;
    long rate_ = 0;
    DWORD channels_ = 0;
    QWORD length_ = 0;
    QWORD fileSize_ = 0;

    std::mutex mutex_;
    QWORD delivered_ = 0;
    std::vector<std::uint8_t> pending_;
    std::size_t pendingPos_ = 0;
    bool sourceEnded_ = false;
};

}  // namespace tw::audio
