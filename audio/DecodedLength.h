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
// subtracts the skip/discard amounts the demuxer attaches; where the rate
// changes, the durations count at the first packet's rate, as the decode
// converts them. Other codecs: a
// counting decode pass. Empty when the file cannot be read, or when
// keepGoing, asked after every packet or frame, says to stop.
using KeepGoing = std::function<bool()>;

// One packet of MPEG audio as the scan found it: where its bytes are, the
// skip/discard side data the demuxer gave it, the frames it decodes to at
// the rate of the first packet, and what its frame header says (format 0:
// no valid header at its start).
struct PacketEntry {
    std::int64_t pos = 0;
    int size = 0;
    std::int64_t frames = 0;
    bool hasSkip = false;
    std::array<std::uint8_t, 10> skip{};
    std::uint32_t format = 0;
    int mainDataBegin = 0;
    int mainDataBytes = 0;
};

// index, when given, receives every packet of an MPEG audio scan (and stays
// empty for other codecs).
std::optional<std::int64_t> decodedFrameCount(const char* path, int streamIndex, const KeepGoing& keepGoing = {},
                                              std::vector<PacketEntry>* index = nullptr);

}  // namespace tw::audio
