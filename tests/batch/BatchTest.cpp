// tarnwick-batch: its command line, and the program's exit codes and files.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <cstring>
#include <fstream>

#include "batch/BatchArgs.h"
#include "edit/Effects.h"

namespace tw::batch {
namespace {

TEST(BatchArgs, TimesAndSteps)
{
    const struct {
        const char* text;
        bool end;
        std::optional<std::uint64_t> millis;
    } times[] = {{"5", false, 5000},          {"1:05", false, 65000},  {"1:02:03.5", false, 3723500},
                 {"0.125", false, 125},       {"1:60", false, {}},     {"abc", false, {}},
                 {"1.2345", false, {}},       {"1:2:3:4", false, {}},  {"", false, {}},
                 {"end", false, {}},          {"18446744073709552", false, {}},
                 {"5124095576030432:00:00", false, {}}, {"18446744073709551.999", false, {}}};
    for (const auto& t : times) {
        const auto parsed = parseTime(t.text, t.end);
        EXPECT_EQ(parsed.has_value(), t.millis.has_value()) << t.text;
        if (parsed && t.millis) {
            EXPECT_EQ(parsed->milliseconds, *t.millis) << t.text;
        }
    }
    EXPECT_EQ(parseTime("44100f", false)->frameAt(8000), 44100u);
    EXPECT_EQ(parseTime("2.5", false)->frameAt(44100), 110250u);
    EXPECT_EQ(parseTime("end", true)->kind, Time::Kind::End);
    // Too far to count in frames: past every sound, not wrapped to an early frame.
    EXPECT_EQ(parseTime("18446744073709551", false)->frameAt(44100), UINT64_MAX);

    const auto good = parseArguments({"in.wav", "--zoom", "1000", "--select", "1", "end", "--volume", "mute",
                                      "--fade-out", "--cut", "--paste", "end", "--normalize", "-0.5", "--save",
                                      "out.mp3", "--bitrate", "96"});
    ASSERT_TRUE(std::holds_alternative<Arguments>(good));
    const auto& a = std::get<Arguments>(good);
    EXPECT_EQ(a.in, "in.wav");
    EXPECT_EQ(a.out, "out.mp3");
    EXPECT_EQ(a.steps.size(), 7u);
    EXPECT_TRUE(std::get<Volume>(a.steps[2]).mute);
    EXPECT_EQ(std::get<Paste>(a.steps[5]).at.kind, Time::Kind::End);
    EXPECT_EQ(std::get<Normalize>(a.steps[6]).level, -0.5);
    EXPECT_EQ(a.bitrate, 96u);
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"in.wav"}, {"in.wav", "--save"}, {"in.wav", "--twirl", "--save", "o.wav"},
          {"in.wav", "--zoom", "3000", "--save", "o.wav"}, {"in.wav", "--volume", "60", "--save", "o.wav"},
          {"in.wav", "--select", "end", "5", "--save", "o.wav"}, {"a.wav", "b.wav", "--save", "o.wav"},
          {"in.wav", "--bitrate", "0", "--save", "o.wav"}, {"in.wav", "--normalize", "-2", "--save", "o.wav"},
          {"in.wav", "--save", "o.wav", "--paste"}})
        EXPECT_TRUE(std::holds_alternative<std::string>(parseArguments(bad))) << bad.size();
}

TEST(BatchArgs, RecordTakesThePlaceOfTheFileWithItsOwnOptions)
{
    const auto good = parseArguments({"--record", "1:30.5", "--device", "USB mic", "--rate", "48000", "--channels",
                                      "1", "--fade-in", "--save", "o.mp3"});
    ASSERT_TRUE(std::holds_alternative<Arguments>(good));
    const auto& a = std::get<Arguments>(good);
    ASSERT_TRUE(a.record.has_value());
    EXPECT_EQ(a.record->milliseconds, 90500u);
    EXPECT_EQ(a.record->device, "USB mic");
    EXPECT_EQ(a.record->rate, 48000u);
    EXPECT_EQ(a.record->channels, 1u);
    EXPECT_TRUE(a.in.empty());
    EXPECT_EQ(a.steps.size(), 1u);
    const auto plain = std::get<Arguments>(parseArguments({"--record", "5", "--save", "o.wav"}));
    EXPECT_EQ(plain.record->rate, 44100u);
    EXPECT_EQ(plain.record->channels, 2u);
    EXPECT_TRUE(plain.record->device.empty());
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--record", "5"}, {"--record", "0", "--save", "o.wav"},
          {"--record", "100f", "--save", "o.wav"}, {"in.wav", "--record", "5", "--save", "o.wav"},
          {"--record", "5", "--rate", "22050", "--save", "o.wav"}, {"--record", "5", "--channels", "3", "--save", "o.wav"},
          {"in.wav", "--rate", "48000", "--save", "o.wav"}, {"--record", "5", "--device", "", "--save", "o.wav"}})
        EXPECT_TRUE(std::holds_alternative<std::string>(parseArguments(bad))) << bad[0] << " " << bad[1];
}

// The filter effects' flags: values after their own option, presets for
// what the flag leaves out, a flag per parameter for an effect without one.
TEST(BatchArgs, EffectOptionsAndPresets)
{
    const struct {
        std::vector<std::string> args;
        const char* id;
        std::vector<double> values;
    } cases[] = {
        {{"--loudness", "-23"}, "loudness", {-23, -1}},
        {{"--loudness", "-14", "--true-peak", "-2.5"}, "loudness", {-14, -2.5}},
        {{"--denoise", "20"}, "denoise", {20, -50}},
        {{"--bass", "6"}, "bass-treble", {6, 0}},
        {{"--treble", "-3"}, "bass-treble", {0, -3}},
        {{"--highpass", "200"}, "highpass", {200, 24}},
        {{"--compress", "-30", "3"}, "compressor", {-30, 3, 20, 250, 0}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"in.wav"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.insert(args.end(), {"--save", "o.wav"});
        const auto parsed = parseArguments(args);
        ASSERT_TRUE(std::holds_alternative<Arguments>(parsed)) << c.args[0] << ": " << std::get<std::string>(parsed);
        const auto& steps = std::get<Arguments>(parsed).steps;
        ASSERT_EQ(steps.size(), 1u) << c.args[0];
        const auto& step = std::get<EffectStep>(steps[0]);
        EXPECT_STREQ(step.effect->id, c.id);
        EXPECT_EQ(step.values, c.values) << c.args[0];
    }
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--loudness", "-4"}, {"--loudness", "-16", "--true-peak"},
          {"--loudness", "-16", "--true-peak", "1"}, {"--tempo", "201"}, {"--pitch", "x"}, {"--compress", "-20"},
          {"--bass", "16"}}) {
        std::vector<std::string> args = {"in.wav"};
        args.insert(args.end(), bad.begin(), bad.end());
        args.insert(args.end(), {"--save", "o.wav"});
        EXPECT_TRUE(std::holds_alternative<std::string>(parseArguments(args))) << bad[0] << " " << bad[1];
    }
}

TEST(BatchProgram, ExitCodesAndAnOutputReplacedOnlyWhenComplete)
{
    QTemporaryDir scratch;
    const std::string dir = scratch.path().toStdString() + "/";
    ASSERT_EQ(std::system(("sox -n -r 8000 -c 1 -b 16 '" + dir + "in.wav' synth 3 sine 440 vol 0.5").c_str()), 0);
    const auto run = [&](const std::string& args) {
        const int status = std::system((std::string(TARNWICK_BATCH) + " " + args + " 2>/dev/null").c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::ofstream(dir + "keep.wav") << "old";
    EXPECT_EQ(run("--help >/dev/null"), 0);
    EXPECT_EQ(run("'" + dir + "in.wav'"), 2);
    EXPECT_EQ(run("'" + dir + "missing.wav' --save '" + dir + "o.wav'"), 1);
    EXPECT_EQ(run("'" + dir + "' --save '" + dir + "o.wav'"), 1);  // a directory
    EXPECT_EQ(run("'" + dir + "in.wav' --select 0 9 --fade-in --save '" + dir + "keep.wav'"), 1);
    EXPECT_EQ(run("'" + dir + "in.wav' --save '" + dir + "gone/o.wav'"), 1);
    // No input device: said, nothing saved.
    EXPECT_EQ(run("--record 1 --save '" + dir + "rec.wav'"), 1);
    EXPECT_FALSE(std::filesystem::exists(dir + "rec.wav"));
    std::ifstream kept(dir + "keep.wav");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "old");

    // A paste time past the end, or too large to count, is a bad argument;
    // 'end' appends.
    const std::string copied = "'" + dir + "in.wav' --zoom 1000 --select 0 1 --copy ";
    EXPECT_EQ(run(copied + "--paste 3.5 --save '" + dir + "o.wav'"), 2);
    EXPECT_EQ(run(copied + "--paste 18446744073709552 --save '" + dir + "o.wav'"), 2);
    EXPECT_EQ(run(copied + "--paste end --save '" + dir + "o.wav'"), 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "o.wav"), 44u + 4u * 8000u * 2u);

    // A sound shorter than a column has an empty range: Copy, Cut and
    // Normalize say so.
    ASSERT_EQ(std::system(("sox -n -r 8000 -c 1 -b 16 '" + dir + "short.wav' synth 0.5 sine 440").c_str()), 0);
    for (const char* step : {"--copy", "--cut", "--normalize 0"}) {
        const std::string cmd = std::string(TARNWICK_BATCH) + " '" + dir + "short.wav' " + step + " --save '" + dir +
                                "o.wav' 2>&1 >/dev/null";
        std::string said;
        FILE* p = ::popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        for (int ch; (ch = std::fgetc(p)) != EOF;)
            said += static_cast<char>(ch);
        const int status = ::pclose(p);
        EXPECT_EQ(WEXITSTATUS(status), 1) << step;
        EXPECT_NE(said.find("The range is empty"), std::string::npos) << step << ": " << said;
    }

    // OUT may name IN: replaced once the new file is complete.
    EXPECT_EQ(run("'" + dir + "in.wav' --zoom 1000 --select 1 2 --delete --save '" + dir + "in.wav'"), 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "in.wav"), 44u + 2u * 8000u * 2u);
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

}  // namespace
}  // namespace tw::batch

namespace tw::batch {
namespace {

std::string contents(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(BatchProgram, ASaveKilledAtAnyMomentLeavesTheOldTargetOrTheWholeNewOne)
{
    QTemporaryDir scratch;
    const std::string dir = scratch.path().toStdString() + "/";
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 '" + dir + "in.wav' synth 8 sine 440 vol 0.5").c_str()), 0);
    const std::string out = dir + "out.mp3";
    const std::string args = "'" + dir + "in.wav' --fade-in --save '" + out + "'";
    ASSERT_EQ(std::system((std::string(TARNWICK_BATCH) + " " + args + " 2>/dev/null").c_str()), 0);
    const std::string complete = contents(out);
    const std::string old = "an older file";
    std::srand(7);
    for (int run = 0; run < 12; ++run) {
        std::ofstream(out, std::ios::binary | std::ios::trunc) << old;
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl("/bin/sh", "sh", "-c", ("exec " + std::string(TARNWICK_BATCH) + " " + args + " 2>/dev/null").c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::usleep(static_cast<useconds_t>(std::rand() % 400) * 1000);
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        const std::string now = contents(out);
        EXPECT_TRUE(now == old || now == complete) << "run " << run << ": " << now.size() << " bytes";
        if (now == complete) {
            EXPECT_FALSE(std::filesystem::exists(dir + "~out.mp3.tmp")) << "run " << run;
        }
    }
}

}  // namespace
}  // namespace tw::batch

namespace tw::batch {
namespace {

TEST(BatchProgram, ASignalDuringASaveLeavesTheOldTargetAndNoFiles)
{
    QTemporaryDir scratch;
    const std::string dir = scratch.path().toStdString() + "/";
    const std::string tmp = dir + "tmp/";
    std::filesystem::create_directory(tmp);
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 '" + dir + "in.wav' synth 600 sine 440 vol 0.5").c_str()), 0);
    const std::string out = dir + "out.mp3";
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        std::ofstream(out, std::ios::binary | std::ios::trunc) << "an older file";
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("TMPDIR", tmp.c_str(), 1);
            ::freopen("/dev/null", "w", stderr);
            ::execl(TARNWICK_BATCH, TARNWICK_BATCH, (dir + "in.wav").c_str(), "--save", out.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        // Once the encoder writes its output, the save is under way.
        for (int i = 0; i < 3000 && !std::filesystem::exists(dir + "~out.mp3.tmp"); ++i)
            ::usleep(10000);
        ::usleep(200000);
        ::kill(pid, sig);
        int status = 0;
        for (int i = 0; i < 1000 && ::waitpid(pid, &status, WNOHANG) == 0; ++i)
            ::usleep(10000);
        if (!WIFEXITED(status) && !WIFSIGNALED(status)) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            ADD_FAILURE() << "signal " << sig << " did not end the program";
        }
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + sig) << "signal " << sig << ": " << status;
        EXPECT_EQ(contents(out), "an older file") << sig;
        EXPECT_FALSE(std::filesystem::exists(dir + "~out.mp3.tmp")) << sig;
        EXPECT_TRUE(std::filesystem::is_empty(tmp)) << sig;
    }
}

}  // namespace
}  // namespace tw::batch

namespace tw::batch {
namespace {

// The samples of a 16-bit WAV file written by sox or the batch (44-byte header).
std::vector<std::int16_t> samplesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::int16_t> out((bytes.size() - 44) / 2);
    std::memcpy(out.data(), bytes.data() + 44, out.size() * 2);
    return out;
}

// --select gives Copy, Cut and Normalize exactly its frames (a time to the
// nearest), --paste goes in at exactly its frame.
TEST(BatchProgram, FrameExactSelectionsForCopyCutNormalizeAndPaste)
{
    QTemporaryDir scratch;
    const std::string dir = scratch.path().toStdString() + "/";
    ASSERT_EQ(std::system(("sox -n -r 44100 -c 1 -b 16 '" + dir + "in.wav' synth 1 sine 440 vol 0.3").c_str()), 0);
    const auto source = samplesOf(dir + "in.wav");
    ASSERT_EQ(source.size(), 44100u);
    const auto run = [&](const std::string& steps) {
        const std::string cmd = std::string(TARNWICK_BATCH) + " '" + dir + "in.wav' " + steps + " --save '" + dir +
                                "o.wav' 2>/dev/null";
        return std::system(cmd.c_str()) == 0 ? samplesOf(dir + "o.wav") : std::vector<std::int16_t>{};
    };
    const auto part = [&](std::size_t from, std::size_t to) {
        return std::vector<std::int16_t>(source.begin() + from, source.begin() + to);
    };

    // Copy 1234f..5679f, paste at 777f, then at 0.005 s (220.5: frame 221),
    // cut 0.011 s (485.1: frame 485) to 1000f.
    std::vector<std::int16_t> want = source;
    const auto clip = part(1234, 5679);
    want.insert(want.begin() + 777, clip.begin(), clip.end());
    want.insert(want.begin() + 221, clip.begin(), clip.end());
    want.erase(want.begin() + 485, want.begin() + 1000);
    EXPECT_EQ(run("--select 1234f 5679f --copy --paste 777f --paste 0.005 --select 0.011 1000f --cut"), want);

    // Normalize of 101f..2003f changes only those frames.
    const auto normalized = run("--select 101f 2003f --normalize 0");
    ASSERT_EQ(normalized.size(), source.size());
    EXPECT_EQ(std::vector<std::int16_t>(normalized.begin(), normalized.begin() + 101), part(0, 101));
    EXPECT_EQ(std::vector<std::int16_t>(normalized.begin() + 2003, normalized.end()), part(2003, source.size()));
    // The peak lands on full scale on whichever side it lies (sox dithers the source).
    const auto peak = std::max_element(normalized.begin() + 101, normalized.begin() + 2003,
                                       [](int a, int b) { return std::abs(a) < std::abs(b); });
    EXPECT_GE(std::abs(int{*peak}), 32766);
}

}  // namespace
}  // namespace tw::batch
