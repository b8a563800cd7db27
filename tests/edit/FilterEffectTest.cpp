// The filter effects on generated signals: each meets its numeric rule,
// leaves the sound outside the range byte for byte, stops on Cancel with
// nothing changed, and undoes and redoes byte for byte. Levels and
// frequencies are measured here from the samples, loudness by ffmpeg.
#include <cmath>
#include <cstdio>
#include <functional>

#include "tests/edit/EditFixture.h"
#include "edit/FilterEffects.h"
#include "edit/UndoBody.h"
#include "edit/UndoJournal.h"

namespace tw::test {
namespace {

constexpr std::uint32_t kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// Stops once it has pumped `after` times.
class StoppingProgress : public SilentProgress {
public:
    explicit StoppingProgress(long long after) : after_(after) {}
    bool stopRequested() const override { return pumps >= after_; }

private:
    long long after_;
};

std::vector<double> tone(double hz, double seconds, double amplitude)
{
    std::vector<double> v(static_cast<std::size_t>(seconds * kRate));
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = amplitude * std::sin(2 * kPi * hz * static_cast<double>(i) / kRate);
    return v;
}

std::vector<double> join(std::vector<double> a, const std::vector<double>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// White noise of the given RMS level, the same every run.
std::vector<double> noise(std::size_t count, double rms, std::uint32_t seed)
{
    std::vector<double> v(count);
    for (double& x : v) {
        seed = seed * 1664525u + 1013904223u;
        x = (static_cast<double>(seed) / 4294967296.0 * 2 - 1) * rms * std::sqrt(3.0);
    }
    return v;
}

double rmsDb(const std::vector<int>& s, std::size_t from, std::size_t to)
{
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(s[i]) * s[i];
    return 10 * std::log10(sum / double(to - from) + 1e-9);
}

// The frequency from the rising zero crossings of the middle half.
double frequency(const std::vector<int>& s)
{
    const std::size_t from = s.size() / 4, to = s.size() * 3 / 4;
    std::size_t first = 0, last = 0, count = 0;
    for (std::size_t i = from + 1; i < to; ++i)
        if (s[i - 1] < 0 && s[i] >= 0) {
            if (count++ == 0)
                first = i;
            last = i;
        }
    return count < 2 ? 0 : double(count - 1) * kRate / double(last - first);
}

// ffmpeg's ebur128 figures for a file: integrated loudness and true peak.
std::pair<double, double> ebur128(const std::string& path)
{
    const std::string cmd = "ffmpeg -hide_banner -nostats -i '" + path + "' -af ebur128=peak=true -f null - 2>&1";
    double integrated = 0, peak = 99;
    if (FILE* p = ::popen(cmd.c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, p)) {
            std::sscanf(line, " I: %lf LUFS", &integrated);
            std::sscanf(line, " Peak: %lf dBFS", &peak);  // the true peak comes last
        }
        ::pclose(p);
    }
    return {integrated, peak};
}

class FilterEffectTest : public EditTest {
protected:
    // A document of 0.25 s lead, the signal, 0.25 s tail; the signal is the
    // range (10 ms columns).
    void openAround(const std::vector<double>& signal, std::uint32_t channels, std::uint32_t bits)
    {
        const std::size_t side = kRate / 4;
        std::vector<int> values;
        const auto put = [&](double x) {
            const int v = static_cast<int>(std::lround(std::clamp(x, -32767.0, 32767.0)));
            for (std::uint32_t c = 0; c < channels; ++c)
                values.push_back(bits == 8 ? (v >> 8) + 128 : v);
        };
        for (std::size_t i = 0; i < side; ++i)
            put(double(i % 200) * 50 - 5000);
        for (double x : signal)
            put(x);
        for (std::size_t i = 0; i < side; ++i)
            put(3000 - double(i % 300) * 20);
        open(channels, bits, values, kRate / 100, 25, 25 + static_cast<std::uint32_t>(signal.size() / (kRate / 100)),
             {}, {}, kRate);
        journal.reset(doc.tempDir);
    }
    // Channel 0 of the frames from..to, as 16-bit values.
    std::vector<int> channel0(std::size_t from, std::size_t to) const
    {
        const std::vector<int> all = samples();
        std::vector<int> out;
        for (std::size_t f = from; f < to; ++f) {
            const int v = all[f * doc.channels];
            out.push_back(doc.bitsPerSample == 8 ? (v - 128) * 256 : v);
        }
        return out;
    }

    UndoJournal journal;
};

TEST_F(FilterEffectTest, EachEffectMeetsItsRuleKeepsTheRestAndCancelsUndoesAndRedoesExactly)
{
    using Check = std::function<void(const std::vector<int>& before, const std::vector<int>& after)>;
    const auto level = [](const std::vector<int>& s, double fromSec, double toSec) {
        return rmsDb(s, std::size_t(fromSec * kRate), std::size_t(toSec * kRate));
    };
    // Tone bursts: 0.5 s of tone, 0.5 s gap, twice.
    const auto bursts = [](double hz, double amplitude, const std::vector<double>& under) {
        std::vector<double> s = join(join(tone(hz, 0.5, amplitude), tone(hz, 0.5, 0)),
                                     join(tone(hz, 0.5, amplitude), tone(hz, 0.5, 0)));
        for (std::size_t i = 0; i < s.size(); ++i)
            s[i] += under[i];
        return s;
    };
    const double noise45 = 32768 * std::pow(10.0, -45.0 / 20);
    const auto effect = [&](const FilterEffect& e) {
        return [&, e](Progress& p) { return runFilterEffectBody(doc, e, p, messages, &journal); };
    };
    const struct {
        const char* what;
        std::vector<double> signal;
        std::function<EditResult(Progress&)> run;
        std::uint32_t channels, bits;
        double speed;
        Check check;
    } cases[] = {
        {"tempo +25 %", tone(440, 2, 8000), effect(tempoEffect(25)), 1, 16, 1.25,
         [](auto&, auto& after) { EXPECT_NEAR(frequency(after), 440, 4.4); }},
        {"pitch +12", tone(440, 2, 8000), effect(pitchEffect(12)), 2, 16, 1.0,
         [](auto&, auto& after) { EXPECT_NEAR(frequency(after), 880, 8.8); }},
        {"speed +25 %", tone(440, 2, 8000), effect(speedEffect(25, kRate)), 1, 16, 1.25,
         [](auto&, auto& after) { EXPECT_NEAR(frequency(after), 550, 2.75); }},
        {"speed -50 %, 8-bit", tone(440, 1, 8000), effect(speedEffect(-50, kRate)), 1, 8, 0.5,
         [](auto&, auto& after) { EXPECT_NEAR(frequency(after), 220, 1.1); }},
        {"bass +6 dB at 60 Hz", tone(60, 1, 8000), effect(bassTrebleEffect(6, 0)), 2, 16, 1.0,
         [&](auto& before, auto& after) { EXPECT_NEAR(level(after, .3, .9) - level(before, .3, .9), 6, 1.5); }},
        {"bass +6 dB at 5 kHz", tone(5000, 1, 8000), effect(bassTrebleEffect(6, 0)), 1, 16, 1.0,
         [&](auto& before, auto& after) { EXPECT_LT(std::abs(level(after, .3, .9) - level(before, .3, .9)), 1); }},
        {"high-pass 200 Hz at 50 Hz", tone(50, 1, 8000), effect(highpassEffect(200, 24)), 1, 16, 1.0,
         [&](auto& before, auto& after) { EXPECT_LE(level(after, .3, .9) - level(before, .3, .9), -20); }},
        {"high-pass 200 Hz at 2 kHz, 8-bit", tone(2000, 1, 8000), effect(highpassEffect(200, 24)), 1, 8, 1.0,
         [&](auto& before, auto& after) { EXPECT_LT(std::abs(level(after, .3, .9) - level(before, .3, .9)), 1); }},
        {"low-pass 1 kHz at 8 kHz", tone(8000, 1, 8000), effect(lowpassEffect(1000, 12)), 1, 16, 1.0,
         [&](auto& before, auto& after) { EXPECT_LE(level(after, .3, .9) - level(before, .3, .9), -30); }},
        {"compressor", join(tone(1000, 1, 20000), tone(1000, 1, 1000)), effect(compressorEffect(-30, 4, 20, 250, 0)), 1, 16,
         1.0,
         [&](auto& before, auto& after) {
             const double in = level(before, .4, .9) - level(before, 1.4, 1.9);
             const double out = level(after, .4, .9) - level(after, 1.4, 1.9);
             EXPECT_LT(out, in - 3);
         }},
        {"noise reduction", bursts(1000, 8000, noise(2 * kRate, noise45, 7)), 
         [&](Progress& p) { return runDenoiseBody(doc, 12, -50, p, messages, &journal); }, 1, 16, 1.0,
         [&](auto& before, auto& after) {
             // The second gap and burst, once the noise is tracked.
             EXPECT_LE(level(after, 1.6, 1.9) - level(before, 1.6, 1.9), -10);
             EXPECT_LT(std::abs(level(after, 1.1, 1.4) - level(before, 1.1, 1.4)), 1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        openAround(c.signal, c.channels, c.bits);
        const Bytes original = readFile(doc.workPath);
        const std::size_t side = kRate / 4, n = c.signal.size();
        const std::vector<int> before = channel0(side, side + n);

        StoppingProgress stopping(2);
        EXPECT_EQ(c.run(stopping), EditResult::Cancelled);
        EXPECT_EQ(readFile(doc.workPath), original);
        EXPECT_FALSE(journal.canUndo());

        ASSERT_EQ(c.run(progress), EditResult::Done);
        const auto m = static_cast<std::size_t>(std::llround(double(n) / c.speed));
        ASSERT_EQ(doc.frameCount, 2 * side + m);
        EXPECT_NEAR(double(m), double(n) / c.speed, double(n) / c.speed * 0.001);
        const Bytes done = readFile(doc.workPath);
        const std::size_t frameBytes = c.channels * c.bits / 8;
        // Outside the range: the same bytes (the header's sizes may change).
        EXPECT_TRUE(std::equal(original.begin() + 44, original.begin() + 44 + side * frameBytes, done.begin() + 44));
        EXPECT_TRUE(std::equal(original.end() - side * frameBytes, original.end(), done.end() - side * frameBytes));
        c.check(before, channel0(side, side + m));
        if (m != n) {
            EXPECT_EQ(doc.startMark.frame, side);
            EXPECT_EQ(doc.finishMark.frame, side + m);
        }

        ASSERT_TRUE(runUndoBody(doc, journal, progress, messages));
        EXPECT_EQ(readFile(doc.workPath), original);
        ASSERT_EQ(runRedoBody(doc, journal, progress, messages), EditResult::Done);
        EXPECT_EQ(readFile(doc.workPath), done);
    }
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(FilterEffectTest, PreviewMakesAtMostItsSecondsAndLeavesTheDocument)
{
    openAround(tone(440, 2, 8000), 2, 16);
    const Bytes original = readFile(doc.workPath);
    const auto sound = previewSound(doc, tempoEffect(25), 1.0, progress);
    ASSERT_TRUE(sound);
    EXPECT_EQ(sound->frames(), 35280u);  // 1 s at 44.1 kHz, 25 % faster
    EXPECT_EQ(readFile(doc.workPath), original);
    EXPECT_FALSE(journal.canUndo());
    StoppingProgress stopping(0);
    EXPECT_FALSE(previewSound(doc, tempoEffect(25), 1.0, stopping));

    // Insert Silence's: the silence, then the sound from the place on.
    const auto inserted = previewInsertedSilence(doc, 1000, 0.25, 1.0);
    ASSERT_TRUE(inserted);
    const Bytes heard = readFile(inserted->path);
    ASSERT_EQ(heard.size(), 44u + 44100 * 4);
    const std::size_t quiet = 11025 * 4;
    EXPECT_TRUE(std::all_of(heard.begin() + 44, heard.begin() + 44 + quiet, [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(heard.begin() + 44 + quiet, heard.end(), original.begin() + 44 + 1000 * 4));
}

// Speech: noisy syllables and pauses, quiet and with high peaks, so the
// limiter has work; music: a chord under a slow swell, loud.
TEST_F(FilterEffectTest, LoudnessReachesItsTargetUnderTheCeiling)
{
    std::vector<double> speech, music;
    const std::vector<double> hiss = noise(6 * kRate, 1, 11);
    for (std::size_t i = 0; i < 6 * kRate; ++i) {
        const double t = double(i) / kRate;
        const double syllable = std::fmod(t, 0.35) < 0.22 ? std::sin(kPi * std::fmod(t, 0.35) / 0.22) : 0;
        const double voice = 0.6 * std::sin(2 * kPi * 180 * t) + 0.3 * std::sin(2 * kPi * 720 * t) + 0.4 * hiss[i];
        speech.push_back(1500 * syllable * syllable * voice * (std::fmod(t, 1.5) < 0.05 ? 6 : 1));
        music.push_back(9000 * (0.6 + 0.4 * std::sin(kPi * t / 3)) *
                        (std::sin(2 * kPi * 220 * t) + std::sin(2 * kPi * 277.2 * t) + std::sin(2 * kPi * 329.6 * t)) /
                        2);
    }
    const struct {
        const char* what;
        const std::vector<double>* signal;
        double target, ceiling;
    } cases[] = {
        {"speech, -16 / -1", &speech, -16, -1},
        {"speech, -14 / -2", &speech, -14, -2},
        {"music, -16 / -1", &music, -16, -1},
        {"music, -23 / -1", &music, -23, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        openAround(*c.signal, 2, 16);
        // The whole sound.
        doc.selStart = 0;
        doc.selFinish = doc.columnCount - 1;
        const Bytes original = readFile(doc.workPath);
        ASSERT_EQ(runLoudnessBody(doc, c.target, c.ceiling, progress, messages, &journal), EditResult::Done);
        const auto [integrated, peak] = ebur128(doc.workPath);
        EXPECT_NEAR(integrated, c.target, 0.5);
        EXPECT_LE(peak, c.ceiling + 0.1);
        const Bytes done = readFile(doc.workPath);
        ASSERT_TRUE(runUndoBody(doc, journal, progress, messages));
        EXPECT_EQ(readFile(doc.workPath), original);
        ASSERT_EQ(runRedoBody(doc, journal, progress, messages), EditResult::Done);
        EXPECT_EQ(readFile(doc.workPath), done);
    }
    // Silence has no loudness to reach.
    openAround(std::vector<double>(kRate, 0.0), 1, 16);
    const Bytes original = readFile(doc.workPath);
    EXPECT_EQ(runLoudnessBody(doc, -16, -1, progress, messages, &journal), EditResult::Refused);
    EXPECT_EQ(messages.texts.back(), kMsgTooQuietToMeasure);
    EXPECT_EQ(readFile(doc.workPath), original);
}

}  // namespace
}  // namespace tw::test
