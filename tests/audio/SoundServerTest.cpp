// Playback through a real sound server: a private PulseAudio daemon whose
// null sink's monitor is recorded while a noise work file plays through the
// PortAudio device, with a busy loop on every core and once the device thread
// held longer than the device buffers. Gaps of silence may happen on a starved
// machine; every frame after the start ramp must still be heard, in order.
// Stop and Pause end the sound at once, and a resume loses nothing. Skipped,
// saying why, where no server can start.
#include "audio/Mixer.h"
#include "audio/PlaybackStream.h"
#include "audio/PortAudioDevice.h"
#include "tests/audio/SoundServer.h"
#include "tests/audio/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace tw::audio;
using namespace tw::test;
using namespace std::chrono_literals;

namespace {

constexpr int rate = 44100;
constexpr int rampFrames = 256;    // the stream's fade-in at start
constexpr int tolerance = 2;       // LSB, for the float round trip
constexpr int quietest = 1024;     // no noise sample is closer to silence
constexpr double seconds = 5.0;

using Clock = std::chrono::steady_clock;

// Holds the device thread once, inside its render pass, when asked.
class Stall final : public MixerInput {
public:
    explicit Stall(Mixer& mixer) : mixer_(mixer) { mixer_.attach(this); }
    ~Stall() { mixer_.detach(this); }

    void hold(std::chrono::milliseconds time) { hold_.store(int(time.count())); }
    bool held() const { return held_.load(); }

    void render(float*, int, std::int64_t, bool) noexcept override
    {
        if (const int ms = hold_.exchange(0)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            held_.store(true);
        }
    }
    bool sounding() const noexcept override { return false; }  // it adds nothing

private:
    Mixer& mixer_;
    std::atomic<int> hold_{0};
    std::atomic<bool> held_{false};
};

struct Frame {
    int left = 0;
    int right = 0;
};

std::vector<Frame> framesOf(const std::vector<std::uint8_t>& pcm)
{
    std::vector<Frame> frames(pcm.size() / 4);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        frames[i].left = std::int16_t(pcm[4 * i] | pcm[4 * i + 1] << 8);
        frames[i].right = std::int16_t(pcm[4 * i + 2] | pcm[4 * i + 3] << 8);
    }
    return frames;
}

bool same(const Frame& a, const Frame& b)
{
    return std::abs(a.left - b.left) <= tolerance && std::abs(a.right - b.right) <= tolerance;
}

bool silent(const Frame& f)
{
    return std::abs(f.left) <= tolerance && std::abs(f.right) <= tolerance;
}

// Where in the source the recording's frames from `at` on are, as `match`
// tells a recorded frame from its source frame; -1 when they are nowhere.
long findInSource(const std::vector<Frame>& source, const std::vector<Frame>& rec, std::size_t at,
                  bool (*match)(const Frame&, const Frame&) = same)
{
    constexpr std::size_t window = 16;
    if (at + window > rec.size())
        return -1;
    for (std::size_t k = 0; k + window <= source.size(); ++k) {
        std::size_t n = 0;
        while (n < window && match(rec[at + n], source[k + n]))
            ++n;
        if (n == window)
            return long(k);
    }
    return -1;
}

// Walks the recording along the source from the end of the ramp: silence is
// a gap; anything else must be the next source frame.
struct Walk {
    int gaps = 0;
    std::size_t gapFrames = 0;
    std::size_t longestGap = 0;
    std::size_t longestGapAt = 0;  // the source frame after it
    std::size_t lost = 0;
    std::string faults;  // lost or repeated frames, where
    bool found = false;
};

Walk walk(const std::vector<Frame>& source, const std::vector<Frame>& rec)
{
    Walk w;
    std::size_t j = 0;
    while (j < rec.size() && silent(rec[j]))
        ++j;
    // The ramp's frames are scaled: the first unscaled one is expected
    // rampFrames after the first sound, else it is looked for.
    long k = -1;
    if (j + rampFrames < rec.size() && same(rec[j + rampFrames], source[rampFrames])) {
        j += rampFrames;
        k = rampFrames;
    }
    for (const std::size_t end = std::min(rec.size(), j + 4 * rampFrames); k < 0 && j < end;) {
        k = findInSource(source, rec, j);
        if (k < 0)
            ++j;
    }
    if (k < 0)
        return w;
    w.found = true;
    std::size_t i = std::size_t(k);
    if (i > std::size_t(rampFrames)) {
        w.lost += i - rampFrames;
        w.faults += " lost " + std::to_string(i - rampFrames) + " frames at source frame " +
                    std::to_string(rampFrames) + ";";
    }
    std::size_t gap = 0;
    while (i < source.size() && j < rec.size()) {
        if (same(rec[j], source[i])) {
            if (gap > 0) {
                ++w.gaps;
                w.gapFrames += gap;
                if (gap > w.longestGap) {
                    w.longestGap = gap;
                    w.longestGapAt = i;
                }
                gap = 0;
            }
            ++i;
            ++j;
        } else if (silent(rec[j])) {
            ++gap;
            ++j;
        } else {
            const long next = findInSource(source, rec, j);
            if (next > long(i)) {
                w.lost += std::size_t(next) - i;
                w.faults += " lost " + std::to_string(std::size_t(next) - i) + " frames at source frame " +
                            std::to_string(i) + ";";
            } else {
                w.faults += " at source frame " + std::to_string(i) + " came " +
                            (next < 0 ? std::string("something else") : "source frame " + std::to_string(next)) + ";";
                if (next < 0)
                    return w;
            }
            i = std::size_t(next);
        }
    }
    if (i < source.size()) {
        w.lost += source.size() - i;
        w.faults += " the last " + std::to_string(source.size() - i) + " frames never came;";
    }
    return w;
}

// The sound server, PortAudio's default output on it, a noise work file and
// its stream; `skip` says why not, where they cannot be had.
struct Rig {
    ScratchDir dir;
    std::optional<SoundServer> server;
    std::optional<ScopedVariable> serverVariable;
    std::shared_ptr<PortAudioDevice> device;
    std::vector<std::uint8_t> pcm;
    std::shared_ptr<PlaybackStream> stream;
    std::string skip;

    Rig()
    {
        if (!onPath("pulseaudio") || !onPath("parec") || !onPath("pactl")) {
            skip = "no sound server: pulseaudio and pulseaudio-utils are not installed (scripts/setup installs them)";
            return;
        }
        server.emplace(dir.file(""));
        if (!server->ready()) {
            skip = "the sound server did not start: " + server->lastLogLine();
            return;
        }
        // PortAudio's default output reaches the server through ALSA's pulse
        // plugin, as it does on a desktop.
        serverVariable.emplace("PULSE_SERVER", server->address());
        device = PortAudioDevice::open(-1, rate);
        if (!device) {
            skip = "PortAudio finds no output on the sound server (ALSA's pulse plugin is in libasound2-plugins)";
            return;
        }
        const auto inputs =
            output("timeout 5 pactl --server=" + quoted(server->address()) + " list short sink-inputs 2>/dev/null");
        if (inputs.empty()) {
            skip = "PortAudio's default output is not the sound server";
            return;
        }
        // Noise that is never near silence: every frame is told apart.
        std::mt19937 random(20240517);
        std::uniform_int_distribution<int> magnitude(quietest, 30000);
        pcm = pcm16(std::size_t(rate * seconds), 2, [&](std::size_t, int) {
            const int v = random() % 2 ? magnitude(random) : -magnitude(random);
            return v / 32767.0;
        });
        const std::string work = dir.file("noise.wav");
        writeWav(work, {rate, 2, 16}, pcm);
        stream = PlaybackStream::open(work, device);
    }

    std::string recording() const { return dir.file("monitor.raw"); }
    std::vector<Frame> recorded() const
    {
        std::ifstream in(recording(), std::ios::binary);
        return framesOf({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
    }
};

// parec on the sink's monitor until destruction. Its latency is the sink's
// block: what the sink renders ahead of the clock.
class Recorder {
public:
    explicit Recorder(const Rig& rig, int latencyMs = 20)
        : rig_(rig),
          child_({"parec", "--server=" + rig.server->address(), "--device=tarnwick.monitor", "--raw",
                  "--format=s16le", "--rate=" + std::to_string(rate), "--channels=2",
                  "--latency-msec=" + std::to_string(latencyMs)},
                 rig.server->environment(), rig.recording())
    {
        const auto until = Clock::now() + 5s;
        while (bytes() < std::uintmax_t(rate) && Clock::now() < until)
            std::this_thread::sleep_for(20ms);
    }
    // Running, and a quarter second recorded.
    bool recording() { return child_.running() && bytes() >= std::uintmax_t(rate); }

private:
    std::uintmax_t bytes() const
    {
        std::error_code ignored;
        const auto size = std::filesystem::file_size(rig_.recording(), ignored);
        return ignored ? std::uintmax_t(0) : size;
    }

    const Rig& rig_;
    Child child_;
};

TEST(SoundServer, BusyCoresMayDelaySoundButNeverDropIt)
{
    Rig rig;
    if (!rig.skip.empty())
        GTEST_SKIP() << rig.skip;
    const auto& device = rig.device;
    const auto& stream = rig.stream;
    ASSERT_NE(stream, nullptr);
    Stall stall(device->mixer());

    {
        Recorder recorder(rig);
        ASSERT_TRUE(recorder.recording()) << "the monitor records nothing";

        const BusyCores busy;
        std::this_thread::sleep_for(200ms);
        ASSERT_TRUE(stream->play(true));
        // Once, a starved moment longer than the device's buffering: the
        // device runs dry while the callback holds a buffer.
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds / 2));
        stall.hold(std::chrono::milliseconds(device->latencyFrames() * 1000 / rate + 200));
        const auto end = Clock::now() + std::chrono::duration<double>(seconds) + 10s;
        while (stream->isActive() == BASS_ACTIVE_PLAYING && Clock::now() < end)
            std::this_thread::sleep_for(20ms);
        EXPECT_EQ(stream->isActive(), BASS_ACTIVE_STOPPED) << "the stream did not reach its end";
        std::this_thread::sleep_for(500ms);  // what is still on its way to the monitor
    }
    EXPECT_TRUE(stall.held()) << "the device thread was never held";

    const auto result = walk(framesOf(rig.pcm), rig.recorded());
    ASSERT_TRUE(result.found) << "the recording does not hold the sound";
    std::printf("[ sound    ] %d gaps, %.1f ms of silence in all, the longest %.1f ms before source frame %zu; %zu "
                "frames lost\n",
                result.gaps, result.gapFrames * 1000.0 / rate, result.longestGap * 1000.0 / rate, result.longestGapAt,
                result.lost);
    EXPECT_EQ(result.lost, 0u) << result.faults;
    EXPECT_TRUE(result.faults.empty()) << result.faults;
    EXPECT_GE(result.gaps, 1) << "the held device thread did not show as a gap";
}

// A recorded frame that is the source frame at a gain in (0, 1]: a ramp's.
bool scaled(const Frame& rec, const Frame& src)
{
    const auto near = [](int r, int s) {
        return (r > 0) == (s > 0) && std::abs(r) <= std::abs(s) + tolerance;
    };
    // The two channels at one gain: r.left / s.left == r.right / s.right.
    const long cross = long(rec.left) * src.right - long(rec.right) * src.left;
    return near(rec.left, src.left) && near(rec.right, src.right) &&
           std::abs(cross) <= long(tolerance + 1) * (std::abs(src.left) + std::abs(src.right));
}

// A silence of at least a tenth of a second after sound: where the sound
// ended in the source, and where it went on (-1: it did not).
struct Halt {
    long lastBefore = -1;
    long firstAfter = -1;
};

struct Course {
    std::vector<Halt> halts;
    long lost = 0;
    std::string faults;  // jumps, where
};

// Follows the recording along the source, ramps included: silence is a gap,
// sound is the next source frame, else a jump (frames lost or repeated).
Course follow(const std::vector<Frame>& source, const std::vector<Frame>& rec)
{
    Course c;
    long i = -1;  // the next source frame expected; -1 before any sound
    std::size_t silence = 0;
    for (std::size_t j = 0; j < rec.size(); ++j) {
        if (silent(rec[j])) {
            if (++silence == std::size_t(rate / 10) && i >= 0)
                c.halts.push_back({i - 1, -1});
            continue;
        }
        const bool resumed = silence >= std::size_t(rate / 10) && i >= 0;
        silence = 0;
        if (i >= 0 && i < long(source.size()) && scaled(rec[j], source[std::size_t(i)])) {
            if (resumed)
                c.halts.back().firstAfter = i;
            ++i;
            continue;
        }
        const long next = findInSource(source, rec, j, scaled);
        if (next < 0) {
            c.faults += " something else at recorded frame " + std::to_string(j) + ";";
            return c;
        }
        if (i >= 0) {
            c.lost += std::max(0L, next - i);
            c.faults += " source frame " + std::to_string(next) + " came after " + std::to_string(i - 1) + ";";
        }
        if (resumed)
            c.halts.back().firstAfter = next;
        i = next + 1;
    }
    return c;
}

// Stop and Pause drop what the device holds: the sound ends with the press,
// and a resume goes on from the frame heard last.
TEST(SoundServer, StopAndPauseEndTheSoundWithin30Milliseconds)
{
    Rig rig;
    if (!rig.skip.empty())
        GTEST_SKIP() << rig.skip;
    const auto& stream = rig.stream;
    ASSERT_NE(stream, nullptr);
    // The source frame at the speaker as a command is given; the command.
    const auto press = [&](const std::function<bool()>& command) {
        const long at = long(stream->position() / 4);
        const auto start = Clock::now();
        EXPECT_TRUE(command());
        std::printf("[ sound    ] the command took %.1f ms\n",
                    std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        return at;
    };
    long paused = 0;
    long stopped = 0;
    QWORD pausedPosition = 0;
    {
        Recorder recorder(rig, 5);
        ASSERT_TRUE(recorder.recording()) << "the monitor records nothing";
        const BusyCores busy;
        ASSERT_TRUE(stream->play(true));
        std::this_thread::sleep_for(1200ms);
        paused = press([&] { return stream->pause(); });
        std::this_thread::sleep_for(400ms);
        pausedPosition = stream->position() / 4;
        ASSERT_TRUE(stream->play(false));
        std::this_thread::sleep_for(800ms);
        stopped = press([&] { return stream->stop(); });
        std::this_thread::sleep_for(500ms);  // what is still on its way to the monitor
    }

    const Course course = follow(framesOf(rig.pcm), rig.recorded());
    ASSERT_EQ(course.halts.size(), 2u) << "a pause and a stop;" << course.faults;
    const Halt pause = course.halts[0];
    const Halt stop = course.halts[1];
    const auto ms = [](long frames) { return frames * 1000.0 / rate; };
    std::printf("[ sound    ] heard after Pause %.1f ms, after Stop %.1f ms; resumed %.1f ms from the last frame "
                "heard, at %.1f ms from the position after Pause\n",
                ms(pause.lastBefore - paused), ms(stop.lastBefore - stopped),
                ms(pause.firstAfter - pause.lastBefore - 1), ms(pause.firstAfter - long(pausedPosition)));
    EXPECT_LE(ms(pause.lastBefore - paused), 30.0);
    EXPECT_LE(ms(stop.lastBefore - stopped), 30.0);
    EXPECT_EQ(stop.firstAfter, -1);
    // The resume: nothing lost, little heard twice.
    EXPECT_LE(pause.firstAfter, pause.lastBefore + 1);
    EXPECT_GE(ms(pause.firstAfter - pause.lastBefore - 1), -30.0);
    EXPECT_EQ(course.lost, 0) << course.faults;
}

}  // namespace
