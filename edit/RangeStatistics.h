// Statistics of the range: its length, per channel the peak, RMS level, DC
// offset and samples at full scale (counted here), and for the whole range the
// EBU R128 figures (libavfilter's ebur128, through the audio layer).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "audio/Loudness.h"
#include "edit/EditBody.h"

namespace tw {

struct ChannelStatistics {
    std::uint32_t peak = 0;       // largest |v| (v centred for 8 bits): up to 32768 or 128
    double sumSquares = 0;        // of the centred values
    std::int64_t sum = 0;
    std::uint64_t fullScale = 0;  // samples at the format's lowest or highest value
};

struct RangeStatistics {
    std::uint64_t frames = 0;
    std::uint32_t sampleRate = 0;
    double fullScale = 32768;     // 32768 or 128: the scale of dBFS and %
    std::vector<ChannelStatistics> channels;
    std::optional<audio::Loudness> loudness;  // nothing for less than 100 ms
};

// The whole frames of every channel in the range; nothing when the work file
// cannot be read. Bar 0 shows the frames looked at.
std::optional<RangeStatistics> measureRange(const DocumentState& doc, const EditRange& range, Progress& progress);

// 20 log10(value / fullScale), or "-inf" as text when value is 0.
std::string dbText(double value, double fullScale, int decimals);

}  // namespace tw
