// A decoding stream on libmpg123 for MPEG audio FFmpeg cannot read, such as
// free-format MP3 (frames without a bitrate index). Same output as
// DecodeStream: 16-bit signed little-endian interleaved PCM at the source
// rate, mono or stereo, with the encoder delay and padding removed.
#pragma once

#include "audio/DecodedChannel.h"

#include <cstdint>
#include <memory>
#include <memory>
#include <string>

struct mpg123_handle_struct;

namespace tw::audio {

class Mpg123Stream final : public DecodedChannel {
public:
    // Null when libmpg123 finds no decodable MPEG audio frame in the file.
    static std::shared_ptr<Mpg123Stream> open(const std::string& path);
    Mpg123Stream() = default;

private:
    struct HandleDeleter {
        void operator()(mpg123_handle_struct* handle) const;
    };

    // Decodes the next block behind what is pending; false at the end of the usable data.
    bool decodeMore() override;

    std::unique_ptr<mpg123_handle_struct, HandleDeleter> handle_;
};

}  // namespace tw::audio
