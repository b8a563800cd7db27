// Opens real MP3 and WMA files through the audio layer; skipped while the
// layer cannot start.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sched.h>
#include <unistd.h>
#include <sys/stat.h>

#include "DocumentTestSupport.h"
#include "audio/bass.h"
#include "core/Progress.h"
#include "document/DecodeSource.h"
#include "document/DecodeThreads.h"
#include "document/OpenBody.h"
#include "wav/File.h"

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
    OpenCut cut;
    bool started_ = false;
};

TEST_F(DecodeTest, Mp3BecomesAWorkFileOfExactlyTheDecodedSamples)
{
    doc.sourcePath = make("Song.MP3", "-ac 2 -ar 44100 -c:a libmp3lame -b:a 128k");
    ASSERT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Completed)
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
    ASSERT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Completed);
    const Bytes work = readFile(doc.workPath);
    EXPECT_EQ(le16At(work, 22), 1u);
    EXPECT_EQ(le16At(work, 32), 2u);
    EXPECT_EQ(doc.frameSize, 2u);
    EXPECT_EQ(Bytes(work.begin() + 44, work.end()), ffmpegSamples(doc.sourcePath, 1));
    EXPECT_EQ(doc.peakLeft, doc.peakRight);
}

TEST_F(DecodeTest, WmaBitrateIsWhatTheFileSizeAndLengthGive)
{
    doc.sourcePath = make("talk.wma", "-ac 2 -ar 44100 -c:a wmav2 -b:a 96k", 4);
    ASSERT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Completed)
        << (messages.texts.empty() ? "" : messages.texts[0]);
    // kbit/s from the bytes and the whole seconds ffmpeg decodes, made even.
    const auto seconds = ffmpegSamples(doc.sourcePath, 2).size() / (44100 * 4);
    const auto expected = static_cast<std::uint32_t>(std::filesystem::file_size(doc.sourcePath) / (seconds * 125)) & ~1u;
    EXPECT_EQ(doc.sourceBitrate, expected);
    EXPECT_GT(expected, 80u);
    EXPECT_EQ(doc.sampleRate, 44100u);
}

// Raises the stop request at the first chance to pump.
class StopOnFirstPump : public SilentProgress {
public:
    void pump() override
    {
        SilentProgress::pump();
        stop = true;
    }
};

TEST_F(DecodeTest, WmaLengthPassPumpsAndHonoursCancel)
{
    doc.sourcePath = make("long.wma", "-ac 2 -ar 44100 -c:a wmav2 -b:a 64k", 30);
    doc.workPath = doc.tempDir + "AudioTemp.wav";
    StopOnFirstPump stopping;
    EXPECT_EQ(decodeSource(doc, SourceKind::Wma, stopping, messages, cut), OpenResult::Cancelled);
    EXPECT_GE(stopping.pumps, 1);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_FALSE(fileExists(doc.workPath));
}

TEST_F(DecodeTest, DecodeStopsAtTheWorkFileLimitAndSaysHowMuchWasKept)
{
    // 3 s of mono 16-bit at 22050 Hz: 44100 bytes a second.
    doc.sourcePath = make("three.mp3", "-ac 1 -ar 22050 -c:a libmp3lame -b:a 64k", 3);
    doc.workPath = doc.tempDir + "AudioTemp.wav";
    const Bytes all = ffmpegSamples(doc.sourcePath, 1);
    const struct {
        std::uint64_t limit;
        bool cut;
        std::uint32_t keptSeconds;
        std::size_t kept;
    } cases[] = {
        {44 + 2 * 44100 + 1, true, 2, 2 * 44100},  // a whole frame less than asked
        {44 + 500, true, 0, 500},
        {44 + all.size(), false, 0, all.size()},  // exactly full: nothing left out
    };
    for (const auto& c : cases) {
        cut = {};
        ASSERT_EQ(decodeSource(doc, SourceKind::Mp3, progress, messages, cut, c.limit), OpenResult::Completed);
        EXPECT_EQ(cut.cut, c.cut) << c.limit;
        EXPECT_EQ(cut.keptSeconds, c.keptSeconds) << c.limit;
        const Bytes work = readFile(doc.workPath);
        ASSERT_EQ(work.size(), 44 + c.kept) << c.limit;
        EXPECT_EQ(le32At(work, 4), work.size() - 8);
        EXPECT_EQ(le32At(work, 40), c.kept);
        EXPECT_TRUE(std::equal(work.begin() + 44, work.end(), all.begin()));
    }
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(DecodeTest, CancelLeavesAConsistentPartialWorkFile)
{
    // On one thread after three blocks; in parts at the first look at them.
    doc.sourcePath = make("long.mp3", "-ac 2 -ar 44100 -c:a libmp3lame -b:a 128k", 60);
    doc.workPath = doc.tempDir + kWorkFileName;
    const Bytes all = ffmpegSamples(doc.sourcePath, 2);
    for (const int threads : {1, 2}) {
        StopAfterBlocks stopping(threads == 1 ? 3 : 1);
        EXPECT_EQ(decodeSource(doc, SourceKind::Mp3, stopping, messages, cut, kMaxWorkFileBytes, threads),
                  OpenResult::Cancelled);
        EXPECT_TRUE(messages.texts.empty());
        const Bytes work = readFile(doc.workPath);
        ASSERT_GE(work.size(), 44u);
        EXPECT_EQ(le32At(work, 4), work.size() - 8);
        EXPECT_EQ(le32At(work, 40), work.size() - 44);
        if (threads == 1) {
            EXPECT_LE(work.size() - 44, 3u * 10000u);
        }
        // What was kept is the start of the sound, without a gap.
        ASSERT_LT(work.size() - 44, all.size()) << threads;
        EXPECT_TRUE(std::equal(work.begin() + 44, work.end(), all.begin())) << threads;
    }
    // Nothing was read back.
    EXPECT_EQ(doc.frameCount, 0u);
    EXPECT_EQ(doc.columnCount, 0u);
}

TEST_F(DecodeTest, PartsThatHandOverToOneThreadKeepTheBarMovingForward)
{
    // A frame that does not decode near the end: the parts give up there.
    doc.sourcePath = make("late.mp3", "-ac 2 -ar 44100 -c:a libmp3lame -b:a 128k", 40);
    doc.workPath = doc.tempDir + kWorkFileName;
    Bytes mp3 = readFile(doc.sourcePath);
    const auto isHeader = [&](std::size_t i) { return i + 1 < mp3.size() && mp3[i] == 0xFF && (mp3[i + 1] & 0xFE) == 0xFA; };
    std::size_t at = mp3.size() * 95 / 100;
    while (!(isHeader(at) && (isHeader(at + 417) || isHeader(at + 418))))
        ++at;
    std::fill_n(mp3.begin() + std::ptrdiff_t(at) + 4, 32, 0xFF);  // more values than a granule holds
    {
        std::ofstream out(doc.sourcePath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(mp3.data()), std::streamsize(mp3.size()));
    }
    ASSERT_EQ(decodeSource(doc, SourceKind::Mp3, progress, messages, cut, kMaxWorkFileBytes, 1), OpenResult::Completed);
    const Bytes oneThread = readFile(doc.workPath);

    BarSteps bar;
    ASSERT_EQ(decodeSource(doc, SourceKind::Mp3, bar, messages, cut, kMaxWorkFileBytes, 2), OpenResult::Completed);
    EXPECT_TRUE(readFile(doc.workPath) == oneThread);
    ASSERT_FALSE(bar.values.empty());
    EXPECT_TRUE(std::is_sorted(bar.values.begin(), bar.values.end()));
    EXPECT_EQ(bar.values.back(), 100);
    EXPECT_TRUE(messages.texts.empty());
}

TEST(DecodeThreads, ComeFromTheCallerTheEnvironmentOrTheCpusTheProcessMayUse)
{
    cpu_set_t all;
    ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
    int cpu = 0;
    while (!CPU_ISSET(cpu, &all))
        ++cpu;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    const char* saved = std::getenv("TARNWICK_THREADS");
    const std::string kept = saved ? saved : "";
    const unsigned usable = static_cast<unsigned>(CPU_COUNT(&all));
    const struct {
        int requested;
        const char* variable;
        bool oneCpu;
        unsigned threads;
    } cases[] = {
        {3, nullptr, false, 3},    {2, "1", false, 2},     {0, "1", false, 1},       {0, "5", true, 5},
        {0, nullptr, true, 1},     {0, nullptr, false, usable}, {0, "0", true, 1},   {0, "2x", true, 1},
        {0, "", true, 1},          {0, "999", true, 1},
    };
    for (const auto& c : cases) {
        if (c.variable)
            ::setenv("TARNWICK_THREADS", c.variable, 1);
        else
            ::unsetenv("TARNWICK_THREADS");
        ASSERT_EQ(::sched_setaffinity(0, sizeof(cpu_set_t), c.oneCpu ? &one : &all), 0);
        EXPECT_EQ(decodeThreads(c.requested), c.threads) << c.requested << " " << (c.variable ? c.variable : "-");
    }
    ::sched_setaffinity(0, sizeof all, &all);
    if (saved)
        ::setenv("TARNWICK_THREADS", kept.c_str(), 1);
    else
        ::unsetenv("TARNWICK_THREADS");
}

TEST_F(DecodeTest, WorkFileFailuresNameTheDecoderAndLeaveNoFile)
{
    // The work file cannot be made, or its disk is full (a device that always is).
    ASSERT_EQ(::mkdir(dir.file("full").c_str(), 0755), 0);
    const struct {
        const char* source;
        const char* args;
        std::string tempDir;
        const char* message;
    } cases[] = {
        {"a.mp3", "-ac 2 -c:a libmp3lame", dir.file("missing/"), "Can not creat the temporary file."},
        {"a.wma", "-ac 2 -c:a wmav2", dir.file("missing/"), "Cannot creat the temporary file."},
        {"b.mp3", "-ac 2 -c:a libmp3lame", dir.file("full/"), "Can not creat the temporary file."},
        {"b.wma", "-ac 2 -c:a wmav2", dir.file("full/"), "Cannot creat the temporary file."},
    };
    for (const auto& c : cases) {
        doc.sourcePath = make(c.source, c.args, 1);
        doc.workPath = c.tempDir + "AudioTemp.wav";
        ::symlink("/dev/full", dir.file("full/AudioTemp.wav").c_str());
        messages.texts.clear();
        const SourceKind kind = sourceKindOf(doc.sourcePath);
        EXPECT_EQ(decodeSource(doc, kind, progress, messages, cut), OpenResult::Failed) << c.source;
        EXPECT_EQ(messages.texts, std::vector<std::string>{c.message}) << c.source;
        struct stat st {};
        EXPECT_NE(::lstat(doc.workPath.c_str(), &st), 0) << c.source << ": the work file is left behind";
    }
}

}  // namespace
}  // namespace tw::test
