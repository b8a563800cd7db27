// The exact number of sample frames a decoder delivers for a file, with the
// encoder delay and padding removed as FFmpeg reports them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tw::audio {

// MPEG audio: a packet scan (no decoding) that sums packet durations and
// subtracts the skip/discard amounts the demuxer attaches. Other codecs: a
// counting decode pass. Empty when the file cannot be read, or when
// keepGoing, asked after every packet or frame, says to stop.
using KeepGoing = std::function<bool()>;

// One packet of MPEG audio as the scan found it: where its bytes are, the
// skip/discard side data the demuxer gave it, and the frames it decodes to.
struct PacketEntry {
    std::int64_t pos = 0;
    int size = 0;
    std::int64_t frames = 0;
    bool hasSkip = false;
    std::array<std::uint8_t, 10> skip{};
};

// index, when given, receives every packet of an MPEG audio scan (and stays
// empty for other codecs).
std::optional<std::int64_t> decodedFrameCount(const char* path, int streamIndex, const KeepGoing& keepGoing = {},
                                              std::vector<PacketEntry>* index = nullptr);

}  // namespace tw::audio
