#include "edit/RangeStatistics.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include "wav/File.h"
#include "wav/LittleEndian.h"

namespace tw {

std::optional<RangeStatistics> measureRange(const DocumentState& doc, const EditRange& range, Progress& progress)
{
    File work = File::openRead(doc.workPath);
    if (!work)
        return std::nullopt;
    const std::uint32_t sampleBytes = doc.bitsPerSample == 8 ? 1 : 2;
    const std::uint32_t frameBytes = std::max(doc.channels * sampleBytes, 1u);
    const std::uint64_t first = doc.dataOffset + (std::uint64_t{range.start} - doc.dataOffset + frameBytes - 1) /
                                                     frameBytes * frameBytes;
    RangeStatistics s;
    s.frames = range.end > first ? (range.end - first) / frameBytes : 0;
    s.sampleRate = doc.sampleRate;
    s.fullScale = sampleBytes == 1 ? 128 : 32768;
    s.channels.resize(doc.channels);
    audio::LoudnessMeter meter(doc.sampleRate, doc.channels, doc.bitsPerSample);
    constexpr std::uint64_t kBlockFrames = 1 << 16;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(kBlockFrames * frameBytes));
    for (std::uint64_t done = 0; done < s.frames;) {
        const std::uint64_t n = std::min(kBlockFrames, s.frames - done);
        const auto bytes = static_cast<std::size_t>(n * frameBytes);
        if (work.readAt(block.data(), bytes, first + done * frameBytes) != bytes)
            return std::nullopt;
        const std::uint8_t* p = block.data();
        for (std::uint64_t i = 0; i < n; ++i)
            for (ChannelStatistics& c : s.channels) {
                int v;
                bool full;
                if (sampleBytes == 1) {
                    v = int{p[0]} - 128;
                    full = p[0] == 0 || p[0] == 255;
                } else {
                    v = static_cast<std::int16_t>(getLe16(p));
                    full = v == -32768 || v == 32767;
                }
                p += sampleBytes;
                c.peak = std::max(c.peak, static_cast<std::uint32_t>(std::abs(v)));
                c.sum += v;
                c.sumSquares += static_cast<double>(v) * v;
                c.fullScale += full;
            }
        meter.add(block.data(), static_cast<std::size_t>(n));
        done += n;
        progress.setBar(0, static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(s.frames)));
        progress.pump();
    }
    s.loudness = meter.finish();
    progress.setBar(0, 100);
    return s;
}

std::string dbText(double value, double fullScale, int decimals)
{
    if (value <= 0)
        return "-inf";
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, 20.0 * std::log10(value / fullScale),
                                   std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}

}  // namespace tw
