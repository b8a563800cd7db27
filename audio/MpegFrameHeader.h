// The fixed part of an MPEG audio frame: its 4-byte header and, for Layer
// III, where its main data begins in the bit reservoir.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tw::audio {

struct MpegFrameHeader {
    int version = 0;  // 10: MPEG-1, 20: MPEG-2, 25: MPEG-2.5
    int layer = 0;
    int rate = 0;
    int channels = 0;
    int frameBytes = 0;
    // Layer III: bytes of the reservoir before this frame that its main data
    // begins at, and the bytes of main data the frame itself carries. Other
    // layers: 0 and the whole frame.
    int mainDataBegin = 0;
    int mainDataBytes = 0;

    // What must stay the same for a stream to decode alike in any part:
    // version, layer, rate and channel count (0 never occurs).
    std::uint32_t formatKey() const;
};

// The header at the start of bytes; empty when there is none, when its
// bitrate is free format, or when size is too short for its side info.
std::optional<MpegFrameHeader> parseMpegFrameHeader(const std::uint8_t* bytes, std::size_t size);

}  // namespace tw::audio
