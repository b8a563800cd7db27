// The exact number of sample frames a decoder delivers for a file, with the
// encoder delay and padding removed as FFmpeg reports them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

namespace tw::audio {

// MPEG audio: a packet scan (no decoding) that sums packet durations and
// subtracts the skip/discard amounts the demuxer attaches. Other codecs: a
// counting decode pass. Empty when the file cannot be read, or when
// keepGoing, asked after every packet or frame, says to stop.
using KeepGoing = std::function<bool()>;
std::optional<std::int64_t> decodedFrameCount(const char* path, int streamIndex, const KeepGoing& keepGoing = {});

}  // namespace tw::audio
