#include <random>
#include <sys/stat.h>
#include <unistd.h>

#include "DocumentTestSupport.h"
#include "core/Progress.h"
#include "wav/File.h"
#include "document/CopySource.h"
#include "document/OpenBody.h"

namespace tw::test {
namespace {

// Raises the stop request as soon as a given bar moves.
class StopOnBar : public SilentProgress {
public:
    explicit StopOnBar(int bar) : bar_(bar) {}
    void setBar(int bar, int value) override
    {
        SilentProgress::setBar(bar, value);
        if (bar == bar_)
            stop = true;
    }

private:
    int bar_;
};

class OpenBodyTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(::mkdir(dir.file("temp").c_str(), 0755), 0);
        doc.tempDir = dir.file("temp/");
    }
    std::string source(const std::string& name, const Bytes& bytes)
    {
        const std::string path = dir.file(name);
        writeFile(path, bytes);
        doc.sourcePath = path;
        return path;
    }

    ScratchDir dir;
    DocumentState doc;
    SilentProgress progress;
    RecordingMessenger messages;
    OpenCut cut;
};

Bytes noiseWave(std::size_t frames, std::uint32_t rate = 44100)
{
    std::mt19937 random(3);
    std::vector<std::int16_t> s(frames * 2);
    for (auto& v : s)
        v = static_cast<std::int16_t>(random());
    Bytes b = simpleWave(2, rate, 16, samples16(s));
    putChunk(b, "LIST", Bytes(33, 'i'));  // trailing chunk, odd size
    return b;
}

TEST_F(OpenBodyTest, WavSourceIsCopiedByteForByte)
{
    const Bytes bytes = noiseWave(123457);
    source("Take.WAV", bytes);
    doc.sourceBitrate = 77;
    EXPECT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Completed);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(doc.workPath, doc.tempDir + "AudioTemp.wav");
    EXPECT_EQ(readFile(doc.workPath), bytes);
    EXPECT_EQ(doc.sourceBitrate, 0u);
    EXPECT_EQ(doc.frameCount, 123457u);
    EXPECT_EQ(doc.columnCount, 13u);
    EXPECT_EQ(doc.peakLeft.size(), 13u);
    EXPECT_GT(doc.peakLeft[0], 90);
    EXPECT_EQ(progress.bars[0], 100);
    EXPECT_EQ(progress.bars[1], 100);
}

TEST_F(OpenBodyTest, CopiedHeadersGetTheBlockAlignAndByteRateTheirFormatGives)
{
    const struct {
        std::uint32_t channels, bits, blockAlign, byteRate;
    } headers[] = {{2, 16, 0, 176400}, {2, 16, 3, 176400}, {2, 16, 4, 0}, {1, 8, 1, 44100}, {9, 16, 18, 793800}, {3, 8, 2, 88200}};
    for (const auto& h : headers) {
        Bytes bytes = simpleWave(h.channels, 44100, h.bits, Bytes(h.channels * h.bits / 8 * 500 + 3, 3));
        Bytes fields;
        put32(fields, h.byteRate);
        put16(fields, h.blockAlign);
        std::copy(fields.begin(), fields.end(), bytes.begin() + 28);
        source("in.wav", bytes);
        ASSERT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Completed) << h.channels;
        const Bytes work = readFile(doc.workPath);
        const std::uint32_t block = h.channels * h.bits / 8;
        EXPECT_EQ(le32At(work, 28), 44100 * block) << h.channels << " " << h.blockAlign;
        EXPECT_EQ(le16At(work, 32), block) << h.channels << " " << h.blockAlign;
        // Nothing else changes.
        std::copy(work.begin() + 28, work.begin() + 34, bytes.begin() + 28);
        EXPECT_TRUE(work == bytes) << h.channels << " " << h.blockAlign;
    }
}

TEST_F(OpenBodyTest, OldWorkFileIsReplaced)
{
    writeFile(doc.tempDir + "AudioTemp.wav", Bytes(5'000'000, 0xAB));
    const Bytes bytes = noiseWave(100);
    source("a.wav", bytes);
    ASSERT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Completed);
    EXPECT_EQ(readFile(doc.workPath), bytes);
}

TEST_F(OpenBodyTest, EmptySourceOpensWithNoColumns)
{
    source("empty.wav", simpleWave(2, 44100, 16, {}));
    ASSERT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Completed);
    EXPECT_EQ(doc.frameCount, 0u);
    EXPECT_EQ(doc.columnCount, 0u);
    EXPECT_TRUE(doc.peakLeft.empty());
    finishOpen(doc);
    EXPECT_EQ(doc.selStart, 0u);
    EXPECT_EQ(doc.selFinish, 0u);
    EXPECT_TRUE(doc.loaded);
}

TEST_F(OpenBodyTest, FinishSetsMarkersAroundTheSound)
{
    source("a.wav", noiseWave(25000));
    ASSERT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Completed);
    doc.zoom = 2000;
    doc.modified = true;
    finishOpen(doc);
    EXPECT_EQ(doc.zoom, 10000u);
    EXPECT_FALSE(doc.modified);
    EXPECT_EQ(doc.selStart, 0u);
    EXPECT_EQ(doc.selFinish, 2u);
    EXPECT_TRUE(doc.loaded);
}

TEST_F(OpenBodyTest, CancelDuringCopyAndOverviewDoesNotStopTheOpen)
{
    source("a.wav", noiseWave(30000));
    StopOnBar stopping(0);
    stopping.stop = true;
    EXPECT_EQ(runOpenBody(doc, stopping, messages, cut), OpenResult::Completed);
    EXPECT_EQ(doc.columnCount, 3u);
    EXPECT_EQ(stopping.bars[1], 100);

    StopOnBar stopInOverview(1);
    EXPECT_EQ(runOpenBody(doc, stopInOverview, messages, cut), OpenResult::Completed);
    EXPECT_EQ(stopInOverview.bars[1], 100);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(OpenBodyTest, CopyFailuresSayWhyAndLeaveNoWorkFile)
{
    const Bytes bytes = noiseWave(1000);
    const struct {
        const char* what;
        std::string source;
        std::string tempDir;
        const char* message;
    } cases[] = {
        {"missing source", dir.file("gone.wav"), doc.tempDir, "Can not open the file."},
        // A regular file whose reading fails after it opened.
        {"read error", "/proc/self/mem", doc.tempDir, "Can not open the file."},
        {"work file not made", source("a.wav", bytes), dir.file("no/such/dir/"), "Can not creat the temporary file."},
        // The work file's name leads to a device that is always full.
        {"disk full", source("b.wav", bytes), dir.file("full/"), "Can not creat the temporary file."},
    };
    ASSERT_EQ(::mkdir(dir.file("full").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("/dev/full", dir.file("full/AudioTemp.wav").c_str()), 0);
    for (const auto& c : cases) {
        doc.sourcePath = c.source;
        doc.tempDir = c.tempDir;
        doc.workPath = c.tempDir + "AudioTemp.wav";
        messages.texts.clear();
        EXPECT_EQ(copySource(doc, progress, messages, cut), OpenResult::Failed) << c.what;
        EXPECT_EQ(messages.texts, std::vector<std::string>{c.message}) << c.what;
        struct stat st {};
        EXPECT_NE(::lstat(doc.workPath.c_str(), &st), 0) << c.what << ": the work file is left behind";
    }
    if (::geteuid() != 0) {
        const std::string locked = source("locked.wav", bytes);
        ::chmod(locked.c_str(), 0);
        messages.texts.clear();
        EXPECT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Failed);
        EXPECT_EQ(messages.texts, std::vector<std::string>{"Can not open the file."});
    }
}

TEST_F(OpenBodyTest, CopyMovesTheBarInStepsOfAtMostOnePercent)
{
    const Bytes bytes = noiseWave(6'000'000);  // 24 MB
    source("long.wav", bytes);
    BarSteps steps;
    ASSERT_EQ(runOpenBody(doc, steps, messages, cut), OpenResult::Completed);
    ASSERT_FALSE(steps.values.empty());
    EXPECT_EQ(steps.values.back(), 100);
    for (std::size_t i = 1; i < steps.values.size(); ++i)
        EXPECT_LE(steps.values[i] - steps.values[i - 1], 1) << "at " << steps.values[i];
    EXPECT_GE(steps.pumps, 100);
    EXPECT_EQ(readFile(doc.workPath), bytes);
}

TEST_F(OpenBodyTest, CopyStopsAtTheWorkFileLimitAndSaysHowMuchWasKept)
{
    // 3 s of 16-bit stereo at 8000 Hz (32000 bytes a second), a trailing chunk.
    const Bytes bytes = noiseWave(24000, 8000);
    const std::uint32_t dataOffset = 44;
    struct {
        std::uint64_t limit;
        bool cut;
        std::uint32_t keptSeconds;
        std::uint64_t size;
    } cases[] = {
        {dataOffset + 30'003, true, 0, dataOffset + 30'000},  // under a second, cut at a whole frame
        {dataOffset + 64'002, true, 2, dataOffset + 64'000},
        {bytes.size() - 10, false, 0, bytes.size() - 10},   // only the trailing chunk is cut
        {bytes.size(), false, 0, bytes.size()},
    };
    source("long.wav", bytes);
    for (const auto& c : cases) {
        cut = {};
        messages.texts.clear();
        ASSERT_EQ(runOpenBody(doc, progress, messages, cut, c.limit), OpenResult::Completed) << c.limit;
        EXPECT_TRUE(messages.texts.empty());
        EXPECT_EQ(cut.cut, c.cut) << c.limit;
        EXPECT_EQ(cut.keptSeconds, c.keptSeconds) << c.limit;
        const Bytes work = readFile(doc.workPath);
        ASSERT_EQ(work.size(), c.size) << c.limit;
        EXPECT_TRUE(std::equal(work.begin() + 44, work.end(), bytes.begin() + 44));
        if (c.cut) {
            EXPECT_EQ(le32At(work, 4), work.size() - 8);
            EXPECT_EQ(le32At(work, 40), work.size() - 44);
            EXPECT_EQ(doc.frameCount, (c.size - 44) / 4);
        } else {
            EXPECT_EQ(doc.frameCount, 24000u);
        }
    }
}

TEST(OpenCutMessage, HoursMinutesSeconds)
{
    EXPECT_EQ(openCutMessage(6 * 3600 + 46 * 60 + 19),
              "The file is longer than Tarnwick can edit. Only the first 6:46:19 were opened.");
    EXPECT_EQ(openCutMessage(65), "The file is longer than Tarnwick can edit. Only the first 0:01:05 were opened.");
    EXPECT_EQ(openCutMessage(100 * 3600), "The file is longer than Tarnwick can edit. Only the first 100:00:00 were opened.");
}

TEST_F(OpenBodyTest, CopiedFileFailingTheRulesShowsItsMessage)
{
    Bytes b = riffPrefix();
    putChunk(b, "LIST", Bytes(4, 'x'));
    putChunk(b, "fmt ", fmtBody(1, 2, 44100, 16));
    putChunk(b, "data", Bytes(40, 0));
    source("listfirst.wav", b);
    EXPECT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Failed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "This is not a valid Wave file.");
    // The copy stays for the next open or the close to delete.
    EXPECT_EQ(readFile(doc.workPath), b);
}

TEST_F(OpenBodyTest, UndecodableMp3ShowsTheDecodeStreamMessage)
{
    const std::string text = "Plain words, not sound.\n";
    source("notes.mp3", Bytes(text.begin(), text.end()));
    EXPECT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Failed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Can not creat the decode stream.");
    EXPECT_EQ(messages.buttons[0], MsgButtons::Ok);
    EXPECT_FALSE(fileExists(doc.workPath));
}

TEST_F(OpenBodyTest, UndecodableWmaShowsTheDecodeStreamMessage)
{
    const std::string text = "Plain words, not sound.\n";
    source("notes.WMA", Bytes(text.begin(), text.end()));
    EXPECT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Failed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Can not creat the decode stream.");
}

}  // namespace
}  // namespace tw::test
