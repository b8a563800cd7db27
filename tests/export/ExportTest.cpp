// Saving: round trips through the encoders and the audio layer, the
// temporary output, the replaced target, the encoders' messages.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "audio/bass.h"
#include "core/Progress.h"
#include "document/OpenBody.h"
#include "export/ExportBody.h"
#include "export/WavToMp3.h"
#include "export/WavToWma.h"
#include "tests/document/DocumentTestSupport.h"
#include "tests/common/CommandOutput.h"

namespace tw::test {
namespace {

namespace fs = std::filesystem;

std::string probe(const std::string& path, const char* entry)
{
    const std::string cmd = "ffprobe -v error -select_streams a:0 -show_entries stream=" + std::string(entry) +
                            " -of default=nw=1:nk=1 '" + path + "'";
    std::string out = commandOutput(cmd);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
        out.pop_back();
    return out;
}

// The largest magnitude of each channel, as ffmpeg decodes the file.
std::vector<int> peaks(const std::string& path)
{
    const std::string channels = probe(path, "channels");
    std::vector<int> peak(channels.empty() ? 0 : std::stoul(channels), 0);
    const std::string cmd = "ffmpeg -v error -i '" + path + "' -f s16le -";
    if (FILE* p = ::popen(cmd.c_str(), "r"); p && !peak.empty()) {
        std::int16_t frame[2];
        while (std::fread(frame, 2, peak.size(), p) == peak.size())
            for (std::size_t c = 0; c < peak.size(); ++c)
                peak[c] = std::max(peak[c], std::abs(int{frame[c]}));
        ::pclose(p);
    }
    return peak;
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("TARNWICK_AUDIO", "none", 0);
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
        ASSERT_EQ(::mkdir(dir.file("temp").c_str(), 0755), 0);
    }
    void TearDown() override { BASS_Free(); }

    // A document of a 440 Hz tone.
    void open(std::uint32_t channels, std::uint32_t bits, std::uint32_t rate, std::uint32_t frames)
    {
        doc = DocumentState{};
        doc.tempDir = dir.file("temp/");
        doc.sourcePath = dir.file("tone.wav");
        Bytes data;
        for (std::uint32_t f = 0; f < frames; ++f) {
            const double v = 0.5 * std::sin(2 * M_PI * 440.0 * f / rate);
            for (std::uint32_t c = 0; c < channels; ++c)
                bits == 8 ? data.push_back(static_cast<std::uint8_t>(128 + std::lround(v * 127)))
                          : put16(data, static_cast<std::uint16_t>(std::lround(v * 32767)));
        }
        writeFile(doc.sourcePath, simpleWave(channels, rate, bits, data));
        OpenCut cut;
        ASSERT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Completed);
    }
    ExportResult save(const std::string& target)
    {
        return runExportBody(doc, target, progress, messages, {kLameLibrary, TARNWICK_WMA_MODULE});
    }
    // Frames the audio layer decodes from path.
    static QWORD decodedFrames(const std::string& path)
    {
        const HSTREAM s = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        BASS_CHANNELINFO info{};
        BASS_ChannelGetInfo(s, &info);
        const QWORD bytes = BASS_ChannelGetLength(s, BASS_POS_BYTE);
        BASS_StreamFree(s);
        return info.chans == 0 ? 0 : bytes / (2 * info.chans);
    }

    ScratchDir dir;
    DocumentState doc;
    SilentProgress progress;
    RecordingMessenger messages;
};

TEST_F(ExportTest, RoundTripsKeepTheSoundItsRateAndLength)
{
    const struct {
        std::uint32_t channels, bits, rate;
    } documents[] = {{1, 8, 8000}, {2, 16, 22050}, {2, 16, 44100}, {1, 16, 44100}};
    for (const auto& d : documents) {
        open(d.channels, d.bits, d.rate, d.rate * 3 / 2);
        const std::string where = std::to_string(d.channels) + "ch " + std::to_string(d.bits) + "bit " +
                                  std::to_string(d.rate);
        ASSERT_EQ(save(dir.file("out.wav")), ExportResult::Completed) << where;
        EXPECT_EQ(readFile(dir.file("out.wav")), readFile(doc.workPath)) << where;

        ASSERT_EQ(save(dir.file("out.mp3")), ExportResult::Completed) << where;
        EXPECT_EQ(probe(dir.file("out.mp3"), "sample_rate"), std::to_string(d.rate)) << where;
        EXPECT_EQ(probe(dir.file("out.mp3"), "channels"), std::to_string(d.channels)) << where;
        EXPECT_EQ(decodedFrames(dir.file("out.mp3")), doc.frameCount) << where;

        ASSERT_EQ(save(dir.file("out.wma")), ExportResult::Completed) << where;
        EXPECT_EQ(probe(dir.file("out.wma"), "sample_rate"), "44100") << where;
        EXPECT_EQ(probe(dir.file("out.wma"), "channels"), "2") << where;
        EXPECT_EQ(probe(dir.file("out.wma"), "codec_name"), "wmav2") << where;
        // A tone at half of full scale stays there in every channel, lossy as the codecs are.
        for (const char* name : {"out.mp3", "out.wma"})
            for (int peak : peaks(dir.file(name)))
                EXPECT_NEAR(peak, 16384, 1600) << where << " " << name;
        // No sound is lost at the end (a little silence may follow).
        EXPECT_GE(decodedFrames(dir.file("out.wma")), QWORD{doc.frameCount} * 44100 / d.rate) << where;
        for (const char* name : {"~out.wav.tmp", "~out.mp3.tmp", "~out.wma.tmp"})
            EXPECT_FALSE(fs::exists(dir.file(name))) << name;
        EXPECT_TRUE(messages.texts.empty()) << messages.texts[0];
    }
}

TEST_F(ExportTest, BitratesDefaultsAndTheLowRateLimit)
{
    EXPECT_EQ(mp3Bitrate(70), 80);
    EXPECT_EQ(mp3Bitrate(66), 64);
    EXPECT_EQ(mp3Bitrate(67), 64);
    EXPECT_EQ(mp3Bitrate(68), 80);
    EXPECT_EQ(mp3Bitrate(1000), 320);
    open(2, 16, 8000, 16000);
    ASSERT_EQ(doc.sourceBitrate, 0u);
    ASSERT_EQ(save(dir.file("low.mp3")), ExportResult::Completed);
    EXPECT_EQ(doc.sourceBitrate, 128u);  // the default stays; this export used 64
    EXPECT_EQ(probe(dir.file("low.mp3"), "bit_rate"), "64000");
    ASSERT_EQ(save(dir.file("a.wma")), ExportResult::Completed);
    EXPECT_EQ(doc.sourceBitrate, 128u);
    EXPECT_NEAR(std::stod(probe(dir.file("a.wma"), "bit_rate")), 128000, 8000);
    // A rate the encoder refuses at 44100 Hz stereo: the nearest one it takes.
    doc.sourceBitrate = 16;
    ASSERT_EQ(save(dir.file("b.wma")), ExportResult::Completed);
    EXPECT_NEAR(std::stod(probe(dir.file("b.wma"), "bit_rate")), 24000, 8000);
}

TEST_F(ExportTest, AStoppedOrFailedSaveLeavesTheTargetAsItWas)
{
    open(2, 16, 44100, 441000);
    const std::string target = dir.file("keep.mp3");
    writeFile(target, Bytes{'o', 'l', 'd'});
    progress.stop = true;
    EXPECT_EQ(save(target), ExportResult::Stopped);
    EXPECT_EQ(readFile(target), (Bytes{'o', 'l', 'd'}));
    EXPECT_FALSE(fs::exists(dir.file("~keep.mp3.tmp")));

    // A missing encoder: its message, nothing started, nothing written.
    progress.stop = false;
    EXPECT_EQ(runExportBody(doc, target, progress, messages, {"/nonexistent/libmp3lame.so.0", ""}),
              ExportResult::NotStarted);
    EXPECT_EQ(readFile(target), (Bytes{'o', 'l', 'd'}));
}

TEST_F(ExportTest, AnOutputThatCannotBeMadeOrWrittenSaysSoInEveryFormat)
{
    open(2, 16, 44100, 441000);  // 1.7 MB of sound
    ::mkdir(dir.file("folder.wav").c_str(), 0755);
    ::mkdir(dir.file("folder.mp3").c_str(), 0755);
    ::mkdir(dir.file("folder.wma").c_str(), 0755);
    for (const char* ext : {".wav", ".mp3", ".wma"})
        ::mkfifo((dir.file("pipe") + ext).c_str(), 0644);
    struct rlimit unlimited {};
    ::getrlimit(RLIMIT_FSIZE, &unlimited);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    for (const char* ext : {".wav", ".mp3", ".wma"}) {
        for (const char* where : {"missing folder", "folder as target", "pipe as target", "disk full"}) {
            const std::string w = std::string(where) + " " + ext;
            const std::string target = where[0] == 'm' ? dir.file("gone/out") + ext
                                       : where[0] == 'f' ? dir.file("folder") + ext
                                       : where[0] == 'p' ? dir.file("pipe") + ext
                                                         : dir.file("out") + ext;
            messages.texts.clear();
            messages.captions.clear();
            progress.bars = {0, 0};
            if (where[0] == 'd') {
                // Files may grow to 64 KiB, as if the disk then were full.
                struct rlimit small = unlimited;
                small.rlim_cur = 64 << 10;
                ::setrlimit(RLIMIT_FSIZE, &small);
            }
            const ExportResult result = save(target);
            ::setrlimit(RLIMIT_FSIZE, &unlimited);
            EXPECT_NE(result, ExportResult::Completed) << w;
            EXPECT_EQ(messages.texts, std::vector<std::string>{"Can not create the file."}) << w;
            // The encoder names itself only where it creates the file itself.
            const bool lameCreates = where[0] == 'm' && std::string(ext) == ".mp3";
            EXPECT_EQ(messages.captions, std::vector<std::string>{lameCreates ? "Lame Encoder" : ""}) << w;
            if (where[0] == 'f' || where[0] == 'p') {
                EXPECT_EQ(progress.bars[0], 0) << w << ": work started";
            }
            for (const auto& entry : fs::directory_iterator(dir.path()))
                EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << w;
            EXPECT_FALSE(fs::exists(dir.file("out") + ext)) << w;
        }
    }
    std::signal(SIGXFSZ, oldHandler);
}

TEST_F(ExportTest, TheReplacedTargetKeepsItsModeAndItsLink)
{
    open(1, 16, 8000, 8000);
    const std::string real = dir.file("real.wav");
    writeFile(real, Bytes{1, 2, 3});
    ::chmod(real.c_str(), 0640);
    ASSERT_EQ(::symlink(real.c_str(), dir.file("link.wav").c_str()), 0);
    ASSERT_EQ(save(dir.file("link.wav")), ExportResult::Completed);
    EXPECT_TRUE(fs::is_symlink(dir.file("link.wav")));
    EXPECT_EQ(readFile(real), readFile(doc.workPath));
    struct stat st {};
    ::stat(real.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(Encoders, MissingLibrariesAndEntryPointsAreNamed)
{
    const struct {
        std::function<void(Messenger&)> make;
        const char* text;
        const char* caption;
    } cases[] = {
        {[](Messenger& m) { WavToMp3 e(m, "/nowhere/libmp3lame.so.0"); }, "Could not load /nowhere/libmp3lame.so.0 file",
         "Lame Encoder"},
        {[](Messenger& m) { WavToMp3 e(m, "libm.so.6"); }, "Could not found lame_init library function",
         "Lame Encoder"},
        {[](Messenger& m) { WavToWma e(m, "/nowhere/libtarnwick-wma.so"); }, "Could not load libtarnwick-wma.so file",
         "WMA Audio SDK"},
        {[](Messenger& m) { WavToWma e(m, "libm.so.6"); }, "Could not found WMAudioCreateWriter library function",
         "WMA Audio SDK"},
    };
    for (const auto& c : cases) {
        struct : Messenger {
            MsgResult show(const MessageRequest& r) override
            {
                shown.push_back(r);
                return MsgResult::Ok;
            }
            std::vector<MessageRequest> shown;
        } messages;
        c.make(messages);
        ASSERT_EQ(messages.shown.size(), 1u) << c.text;
        EXPECT_EQ(messages.shown[0].text, c.text);
        EXPECT_EQ(messages.shown[0].caption, c.caption);
    }
}

}  // namespace
}  // namespace tw::test
