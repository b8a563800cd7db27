#include "document/Overview.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <future>
#include <limits>
#include <memory>
#include <system_error>

#include "core/ZoomLadder.h"

namespace tw {

namespace {

// Serves the few bytes of one frame at increasing offsets. The frames looked
// at lie 100 frames apart, so every page of the file is wanted: it is read in
// large sequential blocks into one buffer, at the speed of a plain read and
// without holding the file's pages in the program's memory.
class FrameReader {
public:
    explicit FrameReader(const File& file)
        : file_(file), size_(static_cast<std::size_t>(std::min<std::uint64_t>(kBufferSize, std::max<std::uint64_t>(file.size(), 2)))),
          buffer_(std::make_unique_for_overwrite<std::uint8_t[]>(size_))
    {
    }

    // Copies up to size bytes at offset into out; returns how many exist.
    std::size_t fetch(std::uint64_t offset, std::uint8_t* out, std::size_t size)
    {
        if (offset >= end_)
            return 0;
        if (offset < start_ || offset + size > start_ + length_) {
            start_ = offset;
            length_ = file_.readAt(buffer_.get(), size_, offset);
            if (length_ < size_)
                end_ = offset + length_;
        }
        const std::size_t n = std::min<std::uint64_t>(size, start_ + length_ - offset);
        std::memcpy(out, buffer_.get() + (offset - start_), n);
        return n;
    }

private:
    static constexpr std::size_t kBufferSize = 4 << 20;
    const File& file_;
    const std::size_t size_;  // of the buffer: no larger than the file
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::uint64_t start_ = 0;
    std::size_t length_ = 0;
    std::uint64_t end_ = std::numeric_limits<std::uint64_t>::max();
};

// One variable receives every sample read; a short read replaces only its
// low bytes and a read at the end of the file leaves it as it was.
class SampleSource {
public:
    SampleSource(FrameReader& reader, std::uint32_t bits) : reader_(reader), eightBit_(bits == 8)
    {
        value_ = eightBit_ ? 128 : 0;  // the zero line until something was read
    }

    // Magnitude of the next sample at offset; returns the bytes read.
    std::size_t read(std::uint64_t offset, std::int16_t& magnitude)
    {
        std::uint8_t bytes[2];
        const std::size_t size = eightBit_ ? 1 : 2;
        const std::size_t n = reader_.fetch(offset, bytes, size);
        if (eightBit_) {
            if (n == 1)
                value_ = bytes[0];
            magnitude = static_cast<std::int16_t>(std::abs(static_cast<int>(value_) - 128));
        } else {
            if (n >= 1)
                value_ = static_cast<std::uint16_t>((value_ & 0xFF00u) | bytes[0]);
            if (n == 2)
                value_ = static_cast<std::uint16_t>((value_ & 0x00FFu) | (bytes[1] << 8));
            const auto sample = static_cast<std::int16_t>(value_);
            // |sample| in 32 bits cut to 16: -32768 stays negative.
            magnitude = static_cast<std::int16_t>(std::abs(static_cast<std::int32_t>(sample)));
        }
        return n;
    }

private:
    FrameReader& reader_;
    bool eightBit_;
    std::uint16_t value_;
};

int columnPercent(ColumnPercent percent, std::uint32_t c, std::uint32_t columnCount)
{
    if (percent == ColumnPercent::Reload)
        return static_cast<int>((c * 100u + 100u) / columnCount);
    return static_cast<int>(static_cast<double>(c + 1) * 100.0 / static_cast<double>(columnCount));
}

}  // namespace

std::uint32_t overviewColumnCount(std::uint32_t frameCount, std::uint32_t zoom)
{
    if (zoom == 0)
        return 0;
    return frameCount / zoom + (frameCount % zoom != 0 ? 1 : 0);
}

namespace {

// The columns first to last - 1, each looking at its step frames 100 apart
// from its own first frame. pumpFrame runs after every frame looked at,
// columnDone after every column; false from it ends the scan.
template <class PumpFrame, class ColumnDone>
void scanColumns(const File& file, std::uint64_t start, const OverviewFormat& format, std::uint32_t first,
                 std::uint32_t last, std::vector<std::int16_t>& peakLeft, std::vector<std::int16_t>& peakRight,
                 PumpFrame pumpFrame, ColumnDone columnDone)
{
    FrameReader reader(file);
    SampleSource source(reader, format.bitsPerSample);
    const bool mono = format.channels == 1;
    const int fullScale = format.bitsPerSample == 8 ? 128 : 32768;
    const std::uint32_t step = format.zoom / 100;
    const std::uint64_t stride = std::uint64_t{format.frameSize} * 100;
    std::uint64_t position = start + std::uint64_t{first} * step * stride;

    for (std::uint32_t c = first; c < last; ++c) {
        std::int16_t maxL = 0;
        std::int16_t maxR = 0;
        for (std::uint32_t i = 0; i < step; ++i) {
            std::int16_t magnitude = 0;
            const std::size_t got = source.read(position, magnitude);
            if (mono) {
                if (magnitude > maxL)
                    maxL = maxR = magnitude;
            } else {
                if (magnitude > maxL)
                    maxL = magnitude;
                source.read(position + got, magnitude);
                if (magnitude > maxR)
                    maxR = magnitude;
            }
            // Reading moved on by got bytes, the seek by stride - got: the
            // frames looked at are 100 frames apart, also past the end.
            position += stride;
            pumpFrame();
        }
        peakLeft[c] = static_cast<std::int16_t>(maxL * 100 / fullScale);
        peakRight[c] = static_cast<std::int16_t>(maxR * 100 / fullScale);
        if (!columnDone(c))
            return;
    }
}

// Below this many columns one thread does it all.
constexpr std::uint32_t kSplitColumns = 256;

}  // namespace

void computeOverview(const File& file, std::uint64_t start, const OverviewFormat& format,
                     std::uint32_t columnCount, std::vector<std::int16_t>& peakLeft,
                     std::vector<std::int16_t>& peakRight, Progress& progress, OverviewReport report)
{
    peakLeft.assign(columnCount, 0);
    peakRight.assign(columnCount, 0);

    // The columns are independent (only the last one can look past the end
    // of the file), so a second thread looks at the second half meanwhile;
    // the bar and the pumping go through every column in order all the same.
    std::uint32_t split = columnCount >= kSplitColumns ? columnCount / 2 : columnCount;
    std::atomic<bool> quit{false};
    std::future<void> second;
    try {
        if (split < columnCount)
            second = std::async(std::launch::async, [&] {
                scanColumns(
                    file, start, format, split, columnCount, peakLeft, peakRight, [] {},
                    [&quit](std::uint32_t) { return !quit.load(std::memory_order_relaxed); });
            });
    } catch (const std::system_error&) {
        split = columnCount;  // no thread to be had: this one does it all
    }
    const auto columnDone = [&](std::uint32_t c) {
        progress.setBar(report.bar, columnPercent(report.percent, c, columnCount));
        if (report.percent == ColumnPercent::Fraction)
            progress.pump();
        if (!progress.quitting())
            return true;
        quit = true;  // the program is ending; the peaks are not needed
        return false;
    };
    bool finished = true;
    scanColumns(file, start, format, 0, split, peakLeft, peakRight, [&progress] { progress.pump(); },
                [&](std::uint32_t c) { return finished = columnDone(c); });
    if (!second.valid())
        return;
    second.wait();
    const std::uint32_t step = format.zoom / 100;
    for (std::uint32_t c = split; finished && c < columnCount; ++c) {
        for (std::uint32_t i = 0; i < step; ++i)
            progress.pump();
        finished = columnDone(c);
    }
}

void readPeaks(const File& file, std::uint64_t dataOffset, std::uint64_t frameCount, const OverviewFormat& format,
               std::uint64_t first, std::uint32_t count, std::vector<std::int16_t>& peakLeft,
               std::vector<std::int16_t>& peakRight)
{
    peakLeft.assign(count, 0);
    peakRight.assign(count, 0);
    const std::uint64_t zoom = std::max(format.zoom, 1u);
    const std::uint64_t firstFrame = std::min(first * zoom, frameCount);
    const std::uint64_t endFrame = std::min((first + count) * zoom, frameCount);
    if (format.frameSize == 0 || endFrame <= firstFrame)
        return;
    const bool eightBit = format.bitsPerSample == 8;
    const std::size_t sampleBytes = eightBit ? 1 : 2;
    const bool mono = format.channels == 1;
    const int fullScale = eightBit ? 128 : 32768;
    const auto magnitude = [eightBit](const std::uint8_t* at) {
        if (eightBit)
            return static_cast<std::int16_t>(std::abs(static_cast<int>(at[0]) - 128));
        const auto sample = static_cast<std::int16_t>(at[0] | (at[1] << 8));
        return static_cast<std::int16_t>(std::abs(static_cast<std::int32_t>(sample)));  // -32768 stays negative
    };
    std::vector<std::int16_t> maxL(count, 0), maxR(count, 0);
    constexpr std::uint64_t kBlockFrames = 1 << 16;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(kBlockFrames * format.frameSize));
    for (std::uint64_t frame = firstFrame; frame < endFrame;) {
        const std::uint64_t n = std::min(kBlockFrames, endFrame - frame);
        const std::size_t got = file.readAt(block.data(), static_cast<std::size_t>(n * format.frameSize),
                                            dataOffset + frame * format.frameSize);
        const std::uint64_t frames = got / format.frameSize;
        for (std::uint64_t i = 0; i < frames; ++i) {
            const std::uint8_t* at = block.data() + i * format.frameSize;
            const auto c = static_cast<std::size_t>((frame + i) / zoom - first);
            const std::int16_t l = magnitude(at);
            maxL[c] = std::max(maxL[c], l);
            maxR[c] = std::max(maxR[c], mono ? l : magnitude(at + sampleBytes));
        }
        if (frames < n)
            break;
        frame += n;
    }
    for (std::uint32_t c = 0; c < count; ++c) {
        peakLeft[c] = static_cast<std::int16_t>(maxL[c] * 100 / fullScale);
        peakRight[c] = static_cast<std::int16_t>(maxR[c] * 100 / fullScale);
    }
}

void rebuildViewOverview(const File& file, DocumentState& doc, Progress& progress, OverviewReport report)
{
    if (doc.zoom >= kFinestOverviewZoom)
        return rebuildOverview(file, doc, progress, report);
    // The view reads these levels from the work file as it draws them.
    doc.columnCount = overviewColumnCount(doc.frameCount, doc.zoom);
    doc.peakLeft = {};
    doc.peakRight = {};
    progress.setBar(report.bar, 100);
}

void rebuildOverview(const File& file, DocumentState& doc, Progress& progress, OverviewReport report)
{
    doc.columnCount = overviewColumnCount(doc.frameCount, doc.zoom);
    const OverviewFormat format{doc.channels, doc.bitsPerSample, doc.frameSize, doc.zoom};
    computeOverview(file, file.position(), format, doc.columnCount, doc.peakLeft, doc.peakRight, progress,
                    report);
}

}  // namespace tw
