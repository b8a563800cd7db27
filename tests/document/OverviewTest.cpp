#include <cstdlib>
#include <fstream>
#include <random>
#include <unistd.h>

#include "DocumentTestSupport.h"
#include "core/Progress.h"
#include "document/Overview.h"
#include "document/WaveReader.h"

namespace tw::test {
namespace {

class RecordingProgress : public SilentProgress {
public:
    void setBar(int bar, int value) override
    {
        SilentProgress::setBar(bar, value);
        calls.emplace_back(bar, value);
    }
    std::vector<std::pair<int, int>> calls;
};

class OverviewTest : public ::testing::Test {
protected:
    // Writes bytes as the work file, reads it back and builds the overview.
    void open(const Bytes& bytes, std::uint32_t zoom = kStartZoom)
    {
        doc.workPath = dir.file("AudioTemp.wav");
        writeFile(doc.workPath, bytes);
        build(zoom);
    }
    void build(std::uint32_t zoom)
    {
        doc.zoom = zoom;
        RecordingMessenger messages;
        auto file = readWorkFile(doc, messages);
        ASSERT_TRUE(file) << (messages.texts.empty() ? "" : messages.texts[0]);
        rebuildOverview(*file, doc, progress, {1, ColumnPercent::Fraction});
    }

    ScratchDir dir;
    DocumentState doc;
    RecordingProgress progress;
};

std::vector<std::int16_t> stereoFrames(std::size_t frames) { return std::vector<std::int16_t>(frames * 2, 0); }

TEST(OverviewColumns, RoundsUp)
{
    EXPECT_EQ(overviewColumnCount(7938000, 10000), 794u);
    EXPECT_EQ(overviewColumnCount(10000, 10000), 1u);
    EXPECT_EQ(overviewColumnCount(10001, 10000), 2u);
    EXPECT_EQ(overviewColumnCount(0, 10000), 0u);
    EXPECT_EQ(overviewColumnCount(441000, 1000), 441u);
    EXPECT_EQ(overviewColumnCount(441000, 10000), 45u);
    EXPECT_EQ(overviewColumnCount(0xFFFFFFFFu, 1000), 4294968u);
}

TEST_F(OverviewTest, ThreeMinutesOfStereoGive794Columns)
{
    // A sparse file: header, then 7938000 silent frames that take no disk.
    doc.workPath = dir.file("AudioTemp.wav");
    Bytes header = simpleWave(2, 44100, 16, {});
    const std::uint32_t dataBytes = 7938000u * 4;
    header[40] = dataBytes & 0xFF;
    header[41] = (dataBytes >> 8) & 0xFF;
    header[42] = (dataBytes >> 16) & 0xFF;
    header[43] = dataBytes >> 24;
    writeFile(doc.workPath, header);
    ASSERT_EQ(::truncate(doc.workPath.c_str(), 44 + dataBytes), 0);
    build(kStartZoom);
    EXPECT_EQ(doc.frameCount, 7938000u);
    EXPECT_EQ(doc.durationSeconds, 180u);
    EXPECT_EQ(doc.columnCount, 794u);
    EXPECT_EQ(doc.peakLeft.size(), 794u);
    EXPECT_EQ(doc.peakRight.size(), 794u);
    EXPECT_EQ(progress.bars[1], 100);
    EXPECT_EQ(progress.bars[0], 0);
}

TEST_F(OverviewTest, ExactlyOneColumnAndOneFrameMore)
{
    open(simpleWave(2, 44100, 16, samples16(stereoFrames(10000))));
    EXPECT_EQ(doc.columnCount, 1u);
    open(simpleWave(2, 44100, 16, samples16(stereoFrames(10001))));
    EXPECT_EQ(doc.columnCount, 2u);
}

TEST_F(OverviewTest, LooksAtEveryHundredthFrameOnly)
{
    for (std::size_t frame : {0u, 100u, 4200u, 9900u, 1u, 99u, 150u, 9901u, 9999u}) {
        auto s = stereoFrames(10000);
        s[frame * 2] = 16384;
        s[frame * 2 + 1] = -20000;
        open(simpleWave(2, 44100, 16, samples16(s)));
        const bool seen = frame % 100 == 0;
        EXPECT_EQ(doc.peakLeft[0], seen ? 50 : 0) << frame;
        EXPECT_EQ(doc.peakRight[0], seen ? 61 : 0) << frame;
    }
}

TEST_F(OverviewTest, PositionsRunOnFromColumnToColumn)
{
    // Zoom 150: one frame looked at per column, 100 frames apart, so column
    // c looks at frame 100 * c and not at 150 * c.
    auto s = stereoFrames(600);
    s[300 * 2] = 32767;  // column 3 sees it; column 2 would start at frame 300 if reset
    open(simpleWave(2, 44100, 16, samples16(s)), 150);
    ASSERT_EQ(doc.columnCount, 4u);
    EXPECT_EQ(doc.peakLeft, (std::vector<std::int16_t>{0, 0, 0, 99}));
}

TEST_F(OverviewTest, SixteenBitScaleAndTheMinimumSample)
{
    auto s = stereoFrames(20000);
    s[0] = 32767;        // column 0 left
    s[1] = -32767;       // column 0 right
    s[10000 * 2] = -32768;      // column 1: the only non-zero samples
    s[10000 * 2 + 1] = -32768;
    open(simpleWave(2, 44100, 16, samples16(s)));
    ASSERT_EQ(doc.columnCount, 2u);
    EXPECT_EQ(doc.peakLeft[0], 99);
    EXPECT_EQ(doc.peakRight[0], 99);
    EXPECT_EQ(doc.peakLeft[1], 0);
    EXPECT_EQ(doc.peakRight[1], 0);
}

TEST_F(OverviewTest, MinimumSampleDoesNotHideALouderOne)
{
    auto s = stereoFrames(10000);
    s[100 * 2] = -32768;
    s[200 * 2] = 1000;
    open(simpleWave(2, 44100, 16, samples16(s)));
    EXPECT_EQ(doc.peakLeft[0], 3);
}

TEST_F(OverviewTest, EightBitScale)
{
    Bytes loud(2 * 20000, 128);
    loud[0] = 0;                 // column 0 left: 128 -> 100
    loud[1] = 200;               // column 0 right: 72 -> 56
    for (std::size_t i = 2 * 10000; i < loud.size(); ++i)
        loud[i] = 255;           // column 1: 127 -> 99
    open(simpleWave(2, 8000, 8, loud));
    ASSERT_EQ(doc.columnCount, 2u);
    EXPECT_EQ(doc.peakLeft, (std::vector<std::int16_t>{100, 99}));
    EXPECT_EQ(doc.peakRight, (std::vector<std::int16_t>{56, 99}));
}

TEST_F(OverviewTest, MonoFillsBothArraysAlike)
{
    std::mt19937 random(7);
    std::vector<std::int16_t> s(25000);
    for (auto& v : s)
        v = static_cast<std::int16_t>(random());
    open(simpleWave(1, 22050, 16, samples16(s)), 1000);
    ASSERT_EQ(doc.columnCount, 25u);
    EXPECT_EQ(doc.peakLeft, doc.peakRight);
    EXPECT_GT(doc.peakLeft[0], 0);

    Bytes eight(25000);
    for (auto& v : eight)
        v = static_cast<std::uint8_t>(random());
    open(simpleWave(1, 22050, 8, eight), 1000);
    EXPECT_EQ(doc.peakLeft, doc.peakRight);
    EXPECT_GT(doc.peakLeft[0], 0);
}

TEST_F(OverviewTest, PastTheEndBothChannelsKeepTheLastSampleRead)
{
    // 250 frames at zoom 200: column 1 looks at frames 200 and 300; frame 300
    // is past the end and repeats the last sample read, frame 200's right one.
    auto s = stereoFrames(250);
    s[200 * 2] = 1000;
    s[200 * 2 + 1] = 20000;
    open(simpleWave(2, 44100, 16, samples16(s)), 200);
    ASSERT_EQ(doc.columnCount, 2u);
    EXPECT_EQ(doc.peakLeft, (std::vector<std::int16_t>{0, 61}));
    EXPECT_EQ(doc.peakRight, (std::vector<std::int16_t>{0, 61}));
}

TEST_F(OverviewTest, ShortReadReplacesOnlyTheLowByte)
{
    // 300 frames and one byte (0x00) of frame 300, which column 1 looks at.
    auto s = stereoFrames(300);
    s[200 * 2 + 1] = 0x1234;
    Bytes data = samples16(s);
    data.push_back(0);
    open(simpleWave(2, 44100, 16, data), 200);
    ASSERT_EQ(doc.columnCount, 2u);
    // 0x1200 = 4608 -> 14 for both channels of column 1.
    EXPECT_EQ(doc.peakLeft[1], 14);
    EXPECT_EQ(doc.peakRight[1], 14);
}

TEST_F(OverviewTest, ReadsOnPastTheDataChunkIntoWhatFollows)
{
    // 100 silent frames, then a trailing chunk that the one column reads on
    // into: frame 100 is the chunk header ("LI", "ST"), frame 200 lies at
    // byte 392 of its body.
    Bytes b = simpleWave(2, 44100, 16, samples16(stereoFrames(100)));
    Bytes tail(4000, 0);
    tail[392] = 0xFF;
    tail[393] = 0x7F;
    putChunk(b, "LIST", tail);
    open(b);
    ASSERT_EQ(doc.columnCount, 1u);
    EXPECT_EQ(doc.peakLeft[0], 99);                  // 0x7FFF at frame 200
    EXPECT_EQ(doc.peakRight[0], 0x5453 * 100 / 32768);  // "ST"
}

TEST_F(OverviewTest, EmptyDataGivesNoColumns)
{
    open(simpleWave(2, 44100, 16, {}));
    EXPECT_EQ(doc.columnCount, 0u);
    EXPECT_TRUE(doc.peakLeft.empty());
    EXPECT_TRUE(progress.calls.empty());
}

TEST_F(OverviewTest, ProgressAfterEachColumnWithPumps)
{
    open(simpleWave(2, 44100, 16, samples16(stereoFrames(3000))), 1000);
    ASSERT_EQ(doc.columnCount, 3u);
    EXPECT_EQ(progress.calls, (std::vector<std::pair<int, int>>{{1, 33}, {1, 66}, {1, 100}}));
    // One pump per frame looked at and one per column.
    EXPECT_EQ(progress.pumps, 3 * 10 + 3);
}

TEST_F(OverviewTest, ReloadStyleUsesItsBarAndNoColumnPump)
{
    open(simpleWave(2, 44100, 16, samples16(stereoFrames(7000))), 1000);
    RecordingMessenger messages;
    auto file = readWorkFile(doc, messages);
    ASSERT_TRUE(file);
    RecordingProgress reload;
    rebuildOverview(*file, doc, reload, {0, ColumnPercent::Reload});
    ASSERT_EQ(doc.columnCount, 7u);
    ASSERT_EQ(reload.calls.size(), 7u);
    EXPECT_EQ(reload.calls[0], (std::pair<int, int>{0, 14}));
    EXPECT_EQ(reload.calls[6], (std::pair<int, int>{0, 100}));
    EXPECT_EQ(reload.pumps, 7 * 10);
}

// Straightforward reference: a seek and a tiny read per sample, one variable.
std::pair<std::vector<std::int16_t>, std::vector<std::int16_t>> seekingOverview(const std::string& path,
                                                                              const DocumentState& d)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<std::int16_t> left(d.columnCount), right(d.columnCount);
    std::uint16_t value = 0;
    std::uint64_t pos = d.dataOffset;
    for (std::uint32_t c = 0; c < d.columnCount; ++c) {
        std::int16_t maxL = 0, maxR = 0;
        for (std::uint32_t i = 0; i < d.zoom / 100; ++i, pos += 400) {
            for (int ch = 0; ch < 2; ++ch) {
                in.clear();
                in.seekg(static_cast<std::streamoff>(pos + 2 * ch));
                char bytes[2];
                in.read(bytes, 2);
                const auto n = in.gcount();
                if (n >= 1)
                    value = static_cast<std::uint16_t>((value & 0xFF00) | static_cast<std::uint8_t>(bytes[0]));
                if (n == 2)
                    value = static_cast<std::uint16_t>((value & 0x00FF) | (static_cast<std::uint8_t>(bytes[1]) << 8));
                const auto mag = static_cast<std::int16_t>(std::abs(static_cast<int>(static_cast<std::int16_t>(value))));
                auto& m = ch == 0 ? maxL : maxR;
                if (mag > m)
                    m = mag;
            }
        }
        left[c] = static_cast<std::int16_t>(maxL * 100 / 32768);
        right[c] = static_cast<std::int16_t>(maxR * 100 / 32768);
    }
    return {left, right};
}

TEST_F(OverviewTest, BlockReadsMatchSeekingFramePerFrame)
{
    // Several megabytes of noise with sparse loud spikes, ending mid-sample
    // while the header claims more: crosses the reader's buffer boundaries.
    std::mt19937 random(42);
    std::vector<std::int16_t> s(2 * 1'300'003);
    for (auto& v : s)
        v = static_cast<std::int16_t>(static_cast<int>(random() % 2001) - 1000);
    for (int k = 0; k < 3000; ++k)
        s[random() % s.size()] = static_cast<std::int16_t>(random());
    Bytes b = simpleWave(2, 44100, 16, samples16(s));
    b.push_back(0x55);
    const std::uint32_t claimed = 1'400'000u * 4;
    for (int i = 0; i < 4; ++i)
        b[40 + i] = static_cast<std::uint8_t>(claimed >> (8 * i));
    for (std::uint32_t zoom : {10000u, 1000u}) {
        open(b, zoom);
        const auto [left, right] = seekingOverview(doc.workPath, doc);
        EXPECT_EQ(doc.peakLeft, left) << zoom;
        EXPECT_EQ(doc.peakRight, right) << zoom;
    }
}

}  // namespace
}  // namespace tw::test

namespace tw::test {
namespace {

// The finer levels' peaks: every frame of a column, against the samples.
TEST_F(OverviewTest, ReadPeaksTakesEveryFrameOfTheVisibleColumns)
{
    std::vector<int> left, right;
    Bytes data;
    for (int i = 0; i < 1000; ++i) {
        left.push_back((i * 7919) % 65536 - 32768);
        right.push_back(((i * 104729) % 60000) - 30000);
        put16(data, static_cast<std::uint16_t>(left.back()));
        put16(data, static_cast<std::uint16_t>(right.back()));
    }
    open(simpleWave(2, 8000, 16, data));
    const File file = File::openRead(doc.workPath);
    for (const std::uint32_t zoom : {1u, 7u, 500u}) {
        const std::uint64_t first = 3;
        const std::uint32_t count = 200;
        std::vector<std::int16_t> peakLeft, peakRight;
        readPeaks(file, doc.dataOffset, doc.frameCount, {2, 16, 4, zoom}, first, count, peakLeft, peakRight);
        ASSERT_EQ(peakLeft.size(), count);
        for (std::uint32_t c = 0; c < count; ++c) {
            int l = 0, r = 0;
            for (std::uint64_t f = (first + c) * zoom; f < std::min<std::uint64_t>((first + c + 1) * zoom, 1000); ++f) {
                if (left[f] != -32768)  // as the overview takes it: -32768 counts as nothing
                    l = std::max(l, std::abs(left[f]));
                r = std::max(r, std::abs(right[f]));
            }
            ASSERT_EQ(peakLeft[c], l * 100 / 32768) << zoom << " " << c;
            ASSERT_EQ(peakRight[c], r * 100 / 32768) << zoom << " " << c;
        }
    }
}

}  // namespace
}  // namespace tw::test
