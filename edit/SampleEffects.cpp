// Reverse, Invert, Swap Channels and Remove DC Offset: in place, over the
// whole frames of every channel that lie in the range.
#include <algorithm>
#include <cstring>
#include <vector>

#include "edit/EffectPasses.h"
#include "wav/LittleEndian.h"

namespace tw {

namespace {

constexpr std::size_t kBlockBytes = 4 << 20;

struct Frames {
    std::uint64_t start = 0;  // file offset of the first whole frame
    std::uint64_t count = 0;
    std::uint32_t size = 1;   // bytes of a frame of every channel
    std::uint32_t sampleBytes = 2;
};

// The range's whole frames of every channel, within the bytes the journal
// keeps for an in-place pass.
Frames wholeFrames(const DocumentState& doc, const EditRange& range)
{
    Frames f;
    f.sampleBytes = doc.bitsPerSample == 8 ? 1 : 2;
    f.size = std::max(doc.channels * f.sampleBytes, 1u);
    const std::uint64_t into = range.start - doc.dataOffset;
    f.start = doc.dataOffset + (into + f.size - 1) / f.size * f.size;
    f.count = range.end > f.start ? (range.end - f.start) / f.size : 0;
    return f;
}

// fn(bytes, frames) over the frames in blocks, read and written in place;
// bar 0 from 0 to 100 over them, or from `from` to 100.
template <class Fn>
bool eachBlock(File& work, const Frames& f, Progress& progress, Fn fn, int from = 0)
{
    const std::uint64_t perBlock = std::max<std::uint64_t>(kBlockBytes / f.size, 1);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min(perBlock, std::max<std::uint64_t>(f.count, 1)) * f.size));
    for (std::uint64_t done = 0; done < f.count;) {
        const std::uint64_t n = std::min(perBlock, f.count - done);
        const std::uint64_t at = f.start + done * f.size;
        const auto bytes = static_cast<std::size_t>(n * f.size);
        if (work.readAt(block.data(), bytes, at) != bytes)
            return false;
        fn(block.data(), static_cast<std::size_t>(n));
        if (!work.writeAt(block.data(), bytes, at))
            return false;
        done += n;
        progress.setBar(0, from + static_cast<int>(static_cast<double>(done) * (100 - from) / static_cast<double>(f.count)));
        progress.pump();
    }
    progress.setBar(0, 100);
    return true;
}

bool reverse(File& work, DocumentState& doc, const EditRange& range, Progress& progress)
{
    const Frames f = wholeFrames(doc, range);
    const std::uint64_t perBlock = std::max<std::uint64_t>(kBlockBytes / 2 / f.size, 1);
    std::vector<std::uint8_t> low(static_cast<std::size_t>(perBlock * f.size)), high(low.size());
    const auto turn = [&f](std::uint8_t* p, std::uint64_t n) {
        for (std::uint64_t i = 0, j = n - 1; i < j; ++i, --j)
            std::swap_ranges(p + i * f.size, p + (i + 1) * f.size, p + j * f.size);
    };
    // Blocks from both ends change places, each turned round.
    std::uint64_t i = 0, j = f.count;
    while (j - i >= 2) {
        const std::uint64_t n = std::min(perBlock, (j - i) / 2);
        const auto bytes = static_cast<std::size_t>(n * f.size);
        const std::uint64_t lowAt = f.start + i * f.size, highAt = f.start + (j - n) * f.size;
        if (work.readAt(low.data(), bytes, lowAt) != bytes || work.readAt(high.data(), bytes, highAt) != bytes)
            return false;
        turn(low.data(), n);
        turn(high.data(), n);
        if (!work.writeAt(high.data(), bytes, lowAt) || !work.writeAt(low.data(), bytes, highAt))
            return false;
        i += n;
        j -= n;
        progress.setBar(0, static_cast<int>(static_cast<double>(2 * i) * 100.0 / static_cast<double>(f.count)));
        progress.pump();
    }
    progress.setBar(0, 100);
    return true;
}

bool invert(File& work, DocumentState& doc, const EditRange& range, Progress& progress)
{
    const Frames f = wholeFrames(doc, range);
    return eachBlock(work, f, progress, [&f](std::uint8_t* p, std::size_t n) {
        const std::size_t samples = n * f.size / f.sampleBytes;
        if (f.sampleBytes == 1) {
            for (std::size_t s = 0; s < samples; ++s)
                p[s] = p[s] == 0 ? 255 : static_cast<std::uint8_t>(256 - p[s]);
        } else {
            for (std::size_t s = 0; s < samples; ++s) {
                const auto v = static_cast<std::int16_t>(getLe16(p + 2 * s));
                putLe16(p + 2 * s, static_cast<std::uint16_t>(v == -32768 ? 32767 : -v));
            }
        }
    });
}

bool swapChannels(File& work, DocumentState& doc, const EditRange& range, Progress& progress)
{
    const Frames f = wholeFrames(doc, range);
    if (doc.channels < 2)
        return true;
    return eachBlock(work, f, progress, [&f](std::uint8_t* p, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i, p += f.size)
            std::swap_ranges(p, p + f.sampleBytes, p + f.sampleBytes);
    });
}

int centred(const std::uint8_t* p, std::uint32_t sampleBytes)
{
    return sampleBytes == 1 ? int{p[0]} - 128 : int{static_cast<std::int16_t>(getLe16(p))};
}

bool removeDc(File& work, DocumentState& doc, const EditRange& range, Progress& progress)
{
    const Frames f = wholeFrames(doc, range);
    if (f.count == 0)
        return true;
    const std::uint32_t channels = f.size / f.sampleBytes;
    // First the sums (bar 0 to 50), read only.
    std::vector<std::int64_t> sum(channels, 0);
    const std::uint64_t perBlock = std::max<std::uint64_t>(kBlockBytes / f.size, 1);
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min(perBlock, f.count) * f.size));
    for (std::uint64_t done = 0; done < f.count;) {
        const std::uint64_t n = std::min(perBlock, f.count - done);
        const auto bytes = static_cast<std::size_t>(n * f.size);
        if (work.readAt(block.data(), bytes, f.start + done * f.size) != bytes)
            return false;
        const std::uint8_t* p = block.data();
        for (std::uint64_t i = 0; i < n; ++i)
            for (std::uint32_t c = 0; c < channels; ++c, p += f.sampleBytes)
                sum[c] += centred(p, f.sampleBytes);
        done += n;
        progress.setBar(0, static_cast<int>(static_cast<double>(done) * 50.0 / static_cast<double>(f.count)));
        progress.pump();
    }
    std::vector<int> mean(channels);
    const auto count = static_cast<std::int64_t>(f.count);
    for (std::uint32_t c = 0; c < channels; ++c) {
        // The nearest integer, halves away from zero.
        const std::int64_t twice = 2 * sum[c] + (sum[c] < 0 ? -count : count);
        mean[c] = static_cast<int>(twice / (2 * count));
    }
    const int low = f.sampleBytes == 1 ? -128 : -32767, high = f.sampleBytes == 1 ? 127 : 32767;
    return eachBlock(
        work, f, progress,
        [&](std::uint8_t* p, std::size_t n) {
            for (std::size_t i = 0; i < n; ++i)
                for (std::uint32_t c = 0; c < channels; ++c, p += f.sampleBytes) {
                    const int v = std::clamp(centred(p, f.sampleBytes) - mean[c], low, high);
                    if (f.sampleBytes == 1)
                        p[0] = static_cast<std::uint8_t>(v + 128);
                    else
                        putLe16(p, static_cast<std::uint16_t>(v));
                }
        },
        50);
}

EditPass inPlace(bool (*fn)(File&, DocumentState&, const EditRange&, Progress&))
{
    return {Footprint::InPlace, [fn](File& work, DocumentState& doc, const EditRange& range, Progress& progress,
                                     std::uint64_t&) { return fn(work, doc, range, progress); }};
}

}  // namespace

EditPass reversePass()
{
    return inPlace(reverse);
}

EditPass invertPass()
{
    return inPlace(invert);
}

EditPass swapChannelsPass()
{
    return inPlace(swapChannels);
}

EditPass removeDcPass()
{
    return inPlace(removeDc);
}

}  // namespace tw
