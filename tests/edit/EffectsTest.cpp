// The effect table: every entry that changes the sound on 16-bit stereo,
// 16-bit mono and 8-bit mono documents, sample for sample against the rules
// worked out here, then undone and redone byte for byte; Statistics against
// ffmpeg's ebur128 and astats.
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <regex>

#include "tests/edit/EditFixture.h"
#include "tests/common/CommandOutput.h"
#include "core/Markers.h"
#include "edit/Effects.h"
#include "edit/RangeStatistics.h"
#include "edit/UndoBody.h"
#include "edit/UndoJournal.h"

namespace tw::test {
namespace {

struct Format {
    const char* what;
    std::uint32_t channels, bits;
    std::size_t frames;
};

// Samples across the whole scale, with an offset, and both extremes early on.
std::vector<int> noise(const Format& f)
{
    std::vector<int> v;
    std::uint32_t seed = 12345;
    for (std::size_t i = 0; i < f.frames * f.channels; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const int r = static_cast<int>(seed >> 16);
        v.push_back(f.bits == 8 ? (r % 200) + 40 : (r % 60000) - 29000);
    }
    const int lowest = f.bits == 8 ? 0 : -32768, highest = f.bits == 8 ? 255 : 32767;
    for (std::size_t i = 0; i < 4 * f.channels; ++i)
        v[2000 * f.channels + i] = i % 2 ? lowest : highest;
    return v;
}

// The centred value of a sample and back.
int centred(int v, std::uint32_t bits) { return bits == 8 ? v - 128 : v; }
int stored(int c, std::uint32_t bits) { return bits == 8 ? c + 128 : c; }

using Samples = std::vector<int>;
using Rule = std::function<Samples(const Samples&, const Format&, std::size_t first, std::size_t last)>;

// Each entry's rule, from its description.
const std::map<std::string, Rule>& rules()
{
    static const std::map<std::string, Rule> r = {
        {"reverse",
         [](Samples s, const Format& f, std::size_t a, std::size_t b) {
             const Samples old = s;
             for (std::size_t i = a; i < b; ++i)
                 for (std::uint32_t c = 0; c < f.channels; ++c)
                     s[i * f.channels + c] = old[(a + b - 1 - i) * f.channels + c];
             return s;
         }},
        {"invert",
         [](Samples s, const Format& f, std::size_t a, std::size_t b) {
             for (std::size_t i = a * f.channels; i < b * f.channels; ++i)
                 s[i] = f.bits == 8 ? (s[i] == 0 ? 255 : 256 - s[i]) : (s[i] == -32768 ? 32767 : -s[i]);
             return s;
         }},
        {"swap-channels",
         [](Samples s, const Format& f, std::size_t a, std::size_t b) {
             for (std::size_t i = a; i < b; ++i)
                 std::swap(s[i * f.channels], s[i * f.channels + 1]);
             return s;
         }},
        {"remove-dc",
         [](Samples s, const Format& f, std::size_t a, std::size_t b) {
             for (std::uint32_t c = 0; c < f.channels; ++c) {
                 double sum = 0;
                 for (std::size_t i = a; i < b; ++i)
                     sum += centred(s[i * f.channels + c], f.bits);
                 const int mean = static_cast<int>(std::round(sum / static_cast<double>(b - a)));
                 for (std::size_t i = a; i < b; ++i) {
                     int& v = s[i * f.channels + c];
                     v = stored(std::clamp(centred(v, f.bits) - mean, f.bits == 8 ? -128 : -32767,
                                           f.bits == 8 ? 127 : 32767),
                                f.bits);
                 }
             }
             return s;
         }},
    };
    return r;
}

class EffectsTest : public EditTest {
protected:
    UndoJournal journal;
};

TEST_F(EffectsTest, EveryEntryFollowsItsRuleAndUndoesAndRedoesByteForByte)
{
    const Format formats[] = {{"16-bit stereo", 2, 16, 9500},
                              {"16-bit mono", 1, 16, 9500},
                              {"8-bit mono", 1, 8, 9500},
                              // more than two of the passes' 4 MiB blocks
                              {"16-bit mono, long", 1, 16, 4'500'000}};
    for (const Format& f : formats) {
        const std::size_t first = 1234, last = f.frames - 1723;  // an odd count: reverse's middle frame stays
        for (const Effect& e : effectTable()) {
            // The filter effects have their rules in FilterEffectTest.
            if (e.length == EffectLength::Measured || e.body)
                continue;
            const std::string what = std::string(f.what) + ", " + e.id;
            const Samples source = noise(f);
            open(f.channels, f.bits, source, 1000, 0, 0);
            setMarkerFrames(doc, first, last);
            journal.reset(dir.file("temp/"));
            const Bytes before = readFile(doc.workPath);
            EffectInput input;
            for (const EffectParam& p : e.params)
                input.values.push_back(p.maximum > 0.25 ? 0.25 : p.preset);
            input.at = 3001;

            if (e.needsStereo && f.channels < 2) {
                EXPECT_FALSE(effectEnabled(e, doc)) << what;
                EXPECT_EQ(runEffectBody(doc, e, input, progress, messages, &journal), EditResult::Refused) << what;
                EXPECT_TRUE(readFile(doc.workPath) == before) << what;
                continue;
            }
            EXPECT_TRUE(effectEnabled(e, doc)) << what;
            ASSERT_EQ(runEffectBody(doc, e, input, progress, messages, &journal), EditResult::Done) << what;
            Samples expected;
            if (e.length == EffectLength::Inserted) {
                // 0.25 s of silence before frame 3001; the markers on it.
                const std::size_t n = doc.sampleRate / 4;
                expected = source;
                expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(3001 * f.channels), n * f.channels,
                                f.bits == 8 ? 128 : 0);
                EXPECT_EQ(startFrame(doc), 3001u) << what;
                EXPECT_EQ(finishFrame(doc), 3001u + n) << what;
            } else {
                ASSERT_TRUE(rules().count(e.id)) << "no rule for " << e.id;
                expected = rules().at(e.id)(source, f, first, last);
            }
            EXPECT_TRUE(samples() == expected) << what;
            const Bytes after = readFile(doc.workPath);
            ASSERT_TRUE(runUndoBody(doc, journal, progress, messages)) << what;
            EXPECT_TRUE(readFile(doc.workPath) == before) << what;
            ASSERT_EQ(runRedoBody(doc, journal, progress, messages), EditResult::Done) << what;
            EXPECT_TRUE(readFile(doc.workPath) == after) << what;
        }
    }
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(EffectsTest, WhatAnEffectNeedsIsCheckedBeforeAnythingChanges)
{
    open(2, 16, noise({"", 2, 16, 9500}), 1000, 0, 0);
    journal.reset(dir.file("temp/"));
    const Bytes before = readFile(doc.workPath);
    const Effect& insert = *findEffect("insert-silence");
    const Effect& reverse = *findEffect("reverse");
    // Outside the table's range, an empty range, past the work file's limit.
    EXPECT_EQ(runEffectBody(doc, insert, {{0.0}, 10}, progress, messages, &journal), EditResult::Refused);
    EXPECT_EQ(runEffectBody(doc, insert, {{3600.5}, 10}, progress, messages, &journal), EditResult::Refused);
    setMarkerFrames(doc, 500, 500);
    EXPECT_FALSE(effectEnabled(reverse, doc));
    EXPECT_TRUE(effectEnabled(insert, doc));
    EXPECT_EQ(runEffectBody(doc, reverse, {}, progress, messages, &journal), EditResult::Refused);
    doc.sampleRate = 400'000'000;  // an hour of it passes 4 GiB
    EXPECT_EQ(runEffectBody(doc, insert, {{3600}, 10}, progress, messages, &journal), EditResult::Refused);
    EXPECT_EQ(messages.texts.back(), kMsgEffectTooLong);
    EXPECT_EQ(messages.texts.size(), 4u);
    EXPECT_TRUE(readFile(doc.workPath) == before);
    EXPECT_FALSE(journal.canUndo());
}

// ffmpeg's report of a filter on a file: "key: value" lines.
std::string ffmpegReport(const std::string& path, const std::string& filter)
{
    return test::commandOutput("ffmpeg -hide_banner -nostats -i '" + path + "' -af " + filter + " -f null - 2>&1");
}

std::vector<double> numbersAfter(const std::string& text, const std::string& label)
{
    std::vector<double> v;
    const std::regex re(label + R"(\s*(-?[0-9.]+|-inf))");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        v.push_back((*it)[1] == "-inf" ? -INFINITY : std::stod((*it)[1]));
    return v;
}

TEST_F(EffectsTest, StatisticsAgreeWithFfmpegsEbur128AndAstats)
{
    for (const Format& f : {Format{"16-bit stereo", 2, 16, 0}, Format{"8-bit mono", 1, 8, 0}}) {
        // 12 s of a tone whose level swells, an offset, one full-scale sample.
        const std::uint32_t rate = 44100;
        Samples s;
        for (std::size_t i = 0; i < 12 * rate; ++i)
            for (std::uint32_t c = 0; c < f.channels; ++c) {
                const double level = 0.05 + 0.6 * (i / double(12 * rate)) * (c ? 0.5 : 1.0);
                const double x = level * std::sin(2 * M_PI * (440 + 200 * c) * i / rate) + 0.01;
                s.push_back(stored(static_cast<int>(std::lround(x * (f.bits == 8 ? 127 : 32767))), f.bits));
            }
        s[rate * f.channels] = f.bits == 8 ? 255 : 32767;
        open(f.channels, f.bits, s, 1000, 0, 0, {}, {}, rate);
        const std::size_t first = rate / 2, last = 11 * rate;
        setMarkerFrames(doc, first, last);
        const auto stats = measureRange(doc, effectRange(doc), progress);
        ASSERT_TRUE(stats && stats->loudness) << f.what;
        EXPECT_EQ(stats->frames, last - first);

        // The same frames as a file of their own, for ffmpeg.
        Bytes data;
        for (std::size_t i = first * f.channels; i < last * f.channels; ++i)
            f.bits == 8 ? data.push_back(static_cast<std::uint8_t>(s[i])) : put16(data, static_cast<std::uint16_t>(s[i]));
        const std::string range = dir.file("range.wav");
        writeFile(range, simpleWave(f.channels, rate, f.bits, data));
        const std::string r128 = ffmpegReport(range, "ebur128=peak=true:framelog=verbose");
        const std::string astats = ffmpegReport(range, "astats");
        ASSERT_EQ(numbersAfter(r128, "I:").size(), 1u) << r128;
        EXPECT_NEAR(stats->loudness->integrated, numbersAfter(r128, "I:")[0], 0.1) << f.what;
        EXPECT_NEAR(stats->loudness->range, numbersAfter(r128, "LRA:")[0], 0.1) << f.what;
        EXPECT_NEAR(20 * std::log10(stats->loudness->truePeak), numbersAfter(r128, "Peak:").back(), 0.1) << f.what;

        const auto maxLevel = numbersAfter(astats, "Max level:"), minLevel = numbersAfter(astats, "Min level:");
        const auto rms = numbersAfter(astats, "RMS level dB:"), dc = numbersAfter(astats, "DC offset:");
        ASSERT_EQ(maxLevel.size(), f.channels + 1) << astats;
        for (std::uint32_t c = 0; c < f.channels; ++c) {
            const ChannelStatistics& ch = stats->channels[c];
            const double scale = stats->fullScale;
            // astats gives 16-bit levels as sample values (8-bit ones as 16-bit samples).
            const double peak = std::max(maxLevel[c], -minLevel[c]) / (f.bits == 8 ? 256 : 1);
            EXPECT_EQ(ch.peak, static_cast<std::uint32_t>(std::lround(peak))) << f.what << c;
            EXPECT_NEAR(20 * std::log10(std::sqrt(ch.sumSquares / stats->frames) / scale), rms[c], 1e-3) << f.what << c;
            EXPECT_NEAR(static_cast<double>(ch.sum) / stats->frames / scale, dc[c], 1e-6) << f.what << c;
            EXPECT_EQ(ch.fullScale, c == 0 ? 1u : 0u) << f.what << c;
        }
    }
}

}  // namespace
}  // namespace tw::test
