// Opens real MP3 and WMA files through the audio layer; skipped while the
// layer cannot start.
#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>

#include "DocumentTestSupport.h"
#include "audio/bass.h"
#include "core/Progress.h"
#include "document/OpenBody.h"

namespace tw::test {
namespace {

class StopAfterBlocks : public SilentProgress {
public:
    explicit StopAfterBlocks(int blocks) : left_(blocks) {}
    void setBar(int bar, int value) override
    {
        SilentProgress::setBar(bar, value);
        if (bar == 0 && --left_ <= 0)
            stop = true;
    }

private:
    int left_;
};

class DecodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("TARNWICK_AUDIO", "none", 0);
        if (!BASS_Init(-1, 44100, 0, nullptr, nullptr))
            GTEST_SKIP() << "the audio layer does not start";
        started_ = true;
        if (std::system("ffmpeg -version >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ffmpeg is not installed";
        ASSERT_EQ(::mkdir(dir.file("temp").c_str(), 0755), 0);
        doc.tempDir = dir.file("temp/");
    }
    void TearDown() override
    {
        if (started_)
            BASS_Free();
    }

    // An encoded tone; args choose codec, channels and rate.
    std::string make(const std::string& name, const std::string& args, double seconds = 5)
    {
        const std::string path = dir.file(name);
        const std::string cmd = "ffmpeg -loglevel error -y -f lavfi -i 'sine=frequency=440:duration=" +
                                std::to_string(seconds) + "' -af 'volume=0.8' " + args + " '" + path + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return path;
    }
    // What ffmpeg itself decodes from path, as 16-bit interleaved samples.
    Bytes ffmpegSamples(const std::string& path, int channels)
    {
        const std::string raw = path + ".raw";
        const std::string cmd = "ffmpeg -loglevel error -y -i '" + path + "' -f s16le -ac " +
                                std::to_string(channels) + " '" + raw + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return readFile(raw);
    }

    ScratchDir dir;
    DocumentState doc;
    SilentProgress progress;
    RecordingMessenger messages;
    bool started_ = false;
};

TEST_F(DecodeTest, Mp3BecomesAWorkFileOfExactlyTheDecodedSamples)
{
    doc.sourcePath = make("Song.MP3", "-ac 2 -ar 44100 -c:a libmp3lame -b:a 128k");
    ASSERT_EQ(runOpenBody(doc, progress, messages), OpenResult::Completed)
        << (messages.texts.empty() ? "" : messages.texts[0]);
    const Bytes work = readFile(doc.workPath);
    ASSERT_GE(work.size(), 44u);
    EXPECT_EQ(std::string(work.begin(), work.begin() + 4), "RIFF");
    EXPECT_EQ(le32At(work, 4), work.size() - 8);
    EXPECT_EQ(le32At(work, 24), 44100u);
    EXPECT_EQ(le32At(work, 28), 176400u);
    EXPECT_EQ(le32At(work, 40), work.size() - 44);
    EXPECT_EQ(Bytes(work.begin() + 44, work.end()), ffmpegSamples(doc.sourcePath, 2));

    EXPECT_EQ(doc.channels, 2u);
    EXPECT_EQ(doc.dataOffset, 44u);
    EXPECT_EQ(doc.durationSeconds, 5u);
    EXPECT_EQ(doc.columnCount, doc.frameCount / 10000 + 1);
    EXPECT_GE(doc.sourceBitrate, 120u);
    EXPECT_LE(doc.sourceBitrate, 140u);
    EXPECT_EQ(progress.bars[0], 100);
    EXPECT_EQ(progress.bars[1], 100);
    // The tone is at a tenth of full scale.
    EXPECT_LE(*std::max_element(doc.peakLeft.begin(), doc.peakLeft.end()), 10);
    EXPECT_GT(*std::max_element(doc.peakLeft.begin(), doc.peakLeft.end()), 0);
}

TEST_F(DecodeTest, MonoMp3GivesAMonoWorkFile)
{
    doc.sourcePath = make("mono.mp3", "-ac 1 -ar 22050 -c:a libmp3lame -b:a 64k", 2);
    ASSERT_EQ(runOpenBody(doc, progress, messages), OpenResult::Completed);
    const Bytes work = readFile(doc.workPath);
    EXPECT_EQ(le16At(work, 22), 1u);
    EXPECT_EQ(le16At(work, 32), 2u);
    EXPECT_EQ(doc.frameSize, 2u);
    EXPECT_EQ(Bytes(work.begin() + 44, work.end()), ffmpegSamples(doc.sourcePath, 1));
    EXPECT_EQ(doc.peakLeft, doc.peakRight);
}

TEST_F(DecodeTest, WmaBitrateIsEven)
{
    doc.sourcePath = make("talk.wma", "-ac 2 -ar 44100 -c:a wmav2 -b:a 96k", 4);
    ASSERT_EQ(runOpenBody(doc, progress, messages), OpenResult::Completed)
        << (messages.texts.empty() ? "" : messages.texts[0]);
    EXPECT_EQ(doc.sourceBitrate % 2, 0u);
    EXPECT_GT(doc.sourceBitrate, 0u);
    EXPECT_EQ(doc.sampleRate, 44100u);
}

TEST_F(DecodeTest, CancelLeavesAConsistentPartialWorkFile)
{
    doc.sourcePath = make("long.mp3", "-ac 2 -ar 44100 -c:a libmp3lame -b:a 128k", 20);
    StopAfterBlocks stopping(3);
    EXPECT_EQ(runOpenBody(doc, stopping, messages), OpenResult::Cancelled);
    EXPECT_TRUE(messages.texts.empty());
    const Bytes work = readFile(doc.workPath);
    ASSERT_GT(work.size(), 44u);
    EXPECT_EQ(le32At(work, 4), work.size() - 8);
    EXPECT_EQ(le32At(work, 40), work.size() - 44);
    EXPECT_LE(work.size() - 44, 3u * 10000u);
    const Bytes all = ffmpegSamples(doc.sourcePath, 2);
    ASSERT_LT(work.size() - 44, all.size());
    EXPECT_TRUE(std::equal(work.begin() + 44, work.end(), all.begin()));
    // Nothing was read back.
    EXPECT_EQ(doc.frameCount, 0u);
    EXPECT_EQ(doc.columnCount, 0u);
    EXPECT_EQ(stopping.bars[1], 0);
}

TEST_F(DecodeTest, TempFileThatCannotBeCreatedNamesTheDecoder)
{
    doc.sourcePath = make("a.mp3", "-ac 2 -c:a libmp3lame", 1);
    doc.tempDir = dir.file("missing/");
    EXPECT_EQ(runOpenBody(doc, progress, messages), OpenResult::Failed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Can not creat the temporary file.");

    messages.texts.clear();
    doc.sourcePath = make("a.wma", "-ac 2 -c:a wmav2", 1);
    EXPECT_EQ(runOpenBody(doc, progress, messages), OpenResult::Failed);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Cannot creat the temporary file.");
}

}  // namespace
}  // namespace tw::test
