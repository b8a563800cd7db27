#include <random>
#include <sys/stat.h>

#include "DocumentTestSupport.h"
#include "core/Progress.h"
#include "wav/File.h"
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
};

Bytes noiseWave(std::size_t frames)
{
    std::mt19937 random(3);
    std::vector<std::int16_t> s(frames * 2);
    for (auto& v : s)
        v = static_cast<std::int16_t>(random());
    Bytes b = simpleWave(2, 44100, 16, samples16(s));
    putChunk(b, "LIST", Bytes(33, 'i'));  // trailing chunk, odd size
    return b;
}

TEST_F(OpenBodyTest, WavSourceIsCopiedByteForByte)
{
    const Bytes bytes = noiseWave(123457);
    source("Take.WAV", bytes);
    doc.sourceBitrate = 77;
    EXPECT_EQ(runOpenBody(doc, progress, messages), OpenResult::Completed);
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

TEST_F(OpenBodyTest, OldWorkFileIsReplaced)
{
    writeFile(doc.tempDir + "AudioTemp.wav", Bytes(5'000'000, 0xAB));
    const Bytes bytes = noiseWave(100);
    source("a.wav", bytes);
    ASSERT_EQ(runOpenBody(doc, progress, messages), OpenResult::Completed);
    EXPECT_EQ(readFile(doc.workPath), bytes);
}

TEST_F(OpenBodyTest, EmptySourceOpensWithNoColumns)
{
    source("empty.wav", simpleWave(2, 44100, 16, {}));
    ASSERT_EQ(runOpenBody(doc, progress, messages), OpenResult::Completed);
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
    ASSERT_EQ(runOpenBody(doc, progress, messages), OpenResult::Completed);
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
    EXPECT_EQ(runOpenBody(doc, stopping, messages), OpenResult::Completed);
    EXPECT_EQ(doc.columnCount, 3u);
    EXPECT_EQ(stopping.bars[1], 100);

    StopOnBar stopInOverview(1);
    EXPECT_EQ(runOpenBody(doc, stopInOverview, messages), OpenResult::Completed);
    EXPECT_EQ(stopInOverview.bars[1], 100);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(OpenBodyTest, MissingWavSourceFailsWithoutMessage)
{
    doc.sourcePath = dir.file("gone.wav");
    EXPECT_EQ(runOpenBody(doc, progress, messages), OpenResult::Failed);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(doc.workPath, doc.tempDir + "AudioTemp.wav");
}

TEST_F(OpenBodyTest, UnwritableTempDirFailsWithoutMessage)
{
    source("a.wav", noiseWave(10));
    doc.tempDir = dir.file("no/such/dir/");
    EXPECT_EQ(runOpenBody(doc, progress, messages), OpenResult::Failed);
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(OpenBodyTest, CopiedFileFailingTheRulesShowsItsMessage)
{
    Bytes b = riffPrefix();
    putChunk(b, "LIST", Bytes(4, 'x'));
    putChunk(b, "fmt ", fmtBody(1, 2, 44100, 16));
    putChunk(b, "data", Bytes(40, 0));
    source("listfirst.wav", b);
    EXPECT_EQ(runOpenBody(doc, progress, messages), OpenResult::Failed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "This is not a valid Wave file.");
    // The copy stays for the next open or the close to delete.
    EXPECT_EQ(readFile(doc.workPath), b);
}

TEST_F(OpenBodyTest, UndecodableMp3ShowsTheDecodeStreamMessage)
{
    const std::string text = "Plain words, not sound.\n";
    source("notes.mp3", Bytes(text.begin(), text.end()));
    EXPECT_EQ(runOpenBody(doc, progress, messages), OpenResult::Failed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Can not creat the decode stream.");
    EXPECT_EQ(messages.buttons[0], MsgButtons::Ok);
    EXPECT_FALSE(fileExists(doc.workPath));
}

TEST_F(OpenBodyTest, UndecodableWmaShowsTheDecodeStreamMessage)
{
    const std::string text = "Plain words, not sound.\n";
    source("notes.WMA", Bytes(text.begin(), text.end()));
    EXPECT_EQ(runOpenBody(doc, progress, messages), OpenResult::Failed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Can not creat the decode stream.");
}

}  // namespace
}  // namespace tw::test
