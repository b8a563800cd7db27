// Copy, Cut, Paste and Normalize on real work files, sample for sample, and
// each undone and redone byte for byte.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "tests/edit/EditFixture.h"
#include "core/Markers.h"
#include "edit/Clipboard.h"
#include "edit/NormalizePass.h"
#include "edit/PastePass.h"
#include "edit/UndoBody.h"

namespace tw::test {
namespace {

class ClipboardTest : public EditTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(::mkdir(dir.file("temp").c_str(), 0755), 0);
        clipboard.setFolder(dir.file("temp/"));
        journal.reset(dir.file("temp/"));
    }
    // The document's samples, as values, from its work file.
    static std::vector<int> values(const std::string& path, std::uint32_t bits)
    {
        const Bytes b = readFile(path);
        std::vector<int> out;
        for (std::size_t at = 44; at + bits / 8 <= b.size(); at += bits / 8)
            out.push_back(bits == 8 ? b[at] : static_cast<std::int16_t>(le16At(b, at)));
        return out;
    }
    // ffmpeg's libswresample at its defaults: the sound of path at rate, as
    // 16-bit values (after the filter, when one is given).
    static std::vector<int> resampled(const std::string& path, std::uint32_t rate, const std::string& filter = {})
    {
        std::vector<int> out;
        const std::string cmd = "ffmpeg -v error -i '" + path + "' " + (filter.empty() ? "" : "-af '" + filter + "' ") +
                                "-ar " + std::to_string(rate) + " -f s16le -";
        if (FILE* p = ::popen(cmd.c_str(), "r")) {
            std::int16_t v;
            while (std::fread(&v, 2, 1, p) == 1)
                out.push_back(v);
            ::pclose(p);
        }
        return out;
    }

    Clipboard clipboard;
    UndoJournal journal;
};

std::vector<int> wave(std::size_t count, int step, int range)
{
    std::vector<int> v;
    for (std::size_t i = 0; i < count; ++i)
        v.push_back(static_cast<int>(i * step % (2 * range)) - range);
    return v;
}

TEST_F(ClipboardTest, CutPasteAndNormalizeGiveTheirSamplesAndUndoAndRedoExactly)
{
    enum Kind { Cut, Paste, Normalize };
    const struct {
        const char* what;
        Kind kind;
        std::uint32_t fromChannels, fromBits, fromRate;  // the clipboard's document
        std::uint32_t channels, bits, rate;              // the edited document
        double level = -1;
    } cases[] = {
        {"cut", Cut, 2, 16, 8000, 2, 16, 8000},
        {"paste, same format", Paste, 2, 16, 8000, 2, 16, 8000},
        {"paste, other rate", Paste, 2, 16, 8000, 2, 16, 11025},
        {"paste, mono into stereo", Paste, 1, 16, 8000, 2, 16, 8000},
        {"paste, stereo into mono", Paste, 2, 16, 8000, 1, 16, 8000},
        {"paste, 16 into 8 bits", Paste, 1, 16, 8000, 1, 8, 8000},
        {"normalize 16-bit stereo to -1 dB", Normalize, 0, 0, 0, 2, 16, 8000, -1},
        {"normalize 8-bit mono to -3 dB", Normalize, 0, 0, 0, 1, 8, 8000, -3},
    };
    for (const auto& c : cases) {
        // The clipboard: columns 1 and 2 (2000 frames) of a document of its own.
        std::vector<int> clip;
        if (c.kind == Paste) {
            const auto source = wave(c.fromChannels * 5000, 37, 9000);
            open(c.fromChannels, c.fromBits, source, 1000, 1, 3, {}, {}, c.fromRate);
            ASSERT_TRUE(clipboard.copy(doc, progress)) << c.what;
            clip.assign(source.begin() + c.fromChannels * 1000, source.begin() + c.fromChannels * 3000);
            EXPECT_EQ(values(clipboard.sound()->path, c.fromBits), clip) << c.what;
        }
        const auto before = c.bits == 8 ? wave(c.channels * 6000, 7, 100) : wave(c.channels * 6000, 41, 12000);
        std::vector<int> inBytes = before;
        if (c.bits == 8)
            for (int& v : inBytes)
                v += 128;
        open(c.channels, c.bits, inBytes, 1000, 2, 4, {}, {}, c.rate);
        journal.reset(dir.file("temp/"));
        const Bytes fileBefore = readFile(doc.workPath);
        const auto selection = std::pair(doc.selStart, doc.selFinish);

        EditResult result = EditResult::NotOpened;
        std::vector<int> want;  // the document's values afterwards
        const std::size_t from = c.channels * 2000, to = c.channels * 4000;
        if (c.kind == Cut) {
            result = runCutBody(doc, clipboard, progress, messages, &journal);
            EXPECT_EQ(values(clipboard.sound()->path, c.bits),
                      std::vector<int>(inBytes.begin() + from, inBytes.begin() + to));
            want.assign(inBytes.begin(), inBytes.begin() + from);
            want.insert(want.end(), inBytes.begin() + to, inBytes.end());
        } else if (c.kind == Paste) {
            result = runPasteBody(doc, clipboard, 2, progress, messages, &journal);
            std::vector<int> pasted;
            if (c.fromRate != c.rate) {
                pasted = resampled(clipboard.sound()->path, c.rate);
            } else {
                for (std::size_t f = 0; f < clip.size() / c.fromChannels; ++f) {
                    const int l = clip[f * c.fromChannels], r = clip[f * c.fromChannels + c.fromChannels - 1];
                    if (c.channels == 2 && c.fromChannels == 1)
                        pasted.insert(pasted.end(), {l, l});
                    else if (c.channels == 1 && c.fromChannels == 2)
                        pasted.push_back((l + r + 1) >> 1);  // the mean, to nearest, halves up
                    else if (c.bits == 8)
                        pasted.push_back((l >> 8) + 128);
                    else
                        pasted.insert(pasted.end(), clip.begin() + f * c.fromChannels,
                                      clip.begin() + (f + 1) * c.fromChannels);
                }
            }
            want.assign(inBytes.begin(), inBytes.begin() + from);
            want.insert(want.end(), pasted.begin(), pasted.end());
            want.insert(want.end(), inBytes.begin() + from, inBytes.end());
            // The pasted sound becomes the selection.
            EXPECT_EQ(doc.selStart, 2u) << c.what;
            EXPECT_EQ(doc.selFinish, 2 + (pasted.size() / c.channels + 999) / 1000) << c.what;
        } else {
            result = runNormalizeBody(doc, c.level, progress, messages, &journal);
            int peak = 0;
            for (std::size_t i = from; i < to; ++i)
                peak = std::max(peak, std::abs(before[i]));
            const double full = c.bits == 8 ? 127 : 32767;
            const double gain = full * std::pow(10.0, c.level / 20) / peak;
            want = inBytes;
            for (std::size_t i = from; i < to; ++i) {
                const int v = static_cast<int>(std::trunc(before[i] * gain));
                want[i] = c.bits == 8 ? std::clamp(v, -128, 127) + 128 : std::clamp(v, -32767, 32767);
            }
        }
        ASSERT_EQ(result, EditResult::Done) << c.what;
        const auto after = values(doc.workPath, c.bits);
        ASSERT_EQ(after.size(), want.size()) << c.what;
        for (std::size_t i = 0; i < want.size(); ++i)
            ASSERT_EQ(after[i], want[i]) << c.what << " at " << i;

        const Bytes fileAfter = readFile(doc.workPath);
        ASSERT_TRUE(runUndoBody(doc, journal, progress, messages)) << c.what;
        EXPECT_TRUE(readFile(doc.workPath) == fileBefore) << c.what;
        EXPECT_EQ(std::pair(doc.selStart, doc.selFinish), selection) << c.what;
        ASSERT_EQ(runRedoBody(doc, journal, progress, messages), EditResult::Done) << c.what;
        EXPECT_TRUE(readFile(doc.workPath) == fileAfter) << c.what;
    }
    EXPECT_TRUE(messages.texts.empty()) << messages.texts[0];
}

TEST_F(ClipboardTest, NothingChangesWhereThereIsNothingToDoOrNoRoom)
{
    open(1, 16, std::vector<int>(4000, 0), 1000, 0, 2);
    const Bytes before = readFile(doc.workPath);
    EXPECT_EQ(runNormalizeBody(doc, -1, progress, messages, &journal), EditResult::Refused);
    EXPECT_EQ(messages.texts, std::vector<std::string>{kMsgSilentRange});
    // A paste that would take the work file past 4 GiB.
    ASSERT_TRUE(clipboard.copy(doc, progress));
    DocumentState huge = doc;
    huge.dataEnd = 0xFFFFFF00u;
    EXPECT_EQ(runPasteBody(huge, clipboard, 0, progress, messages, &journal), EditResult::Refused);
    EXPECT_EQ(messages.texts.back(), kMsgPasteTooLong);
    EXPECT_TRUE(readFile(doc.workPath) == before);
    EXPECT_FALSE(journal.canUndo());
}

TEST_F(ClipboardTest, PasteConvertsBetweenNineChannelsAndStereoBeyondOneConversionBlock)
{
    // 70000 frames of each. A nine-channel document counts 4-byte frames: 4.5
    // of them to a frame of every channel.
    const struct {
        std::uint32_t from, to;
        std::uint32_t clipColumns;       // at zoom 1000
        std::size_t insertedAt;          // samples before the pasted ones, at column 1
        const char* mix;                 // ffmpeg's pan filter for the same mix
    } cases[] = {{9, 2, 315, 2000, "pan=stereo|c0=0.2*c0+0.2*c2+0.2*c4+0.2*c6+0.2*c8|c1=0.25*c1+0.25*c3+0.25*c5+0.25*c7"},
                 {2, 9, 70, 222 * 9, nullptr}};
    for (const auto& c : cases) {
        const auto source = wave(c.from * 80000, 37, 9000);
        open(c.from, 16, source, 1000, 0, c.clipColumns);
        ASSERT_TRUE(clipboard.copy(doc, progress));
        std::vector<int> pasted;
        if (c.mix) {
            pasted = resampled(clipboard.sound()->path, 8000, c.mix);
        } else {
            for (std::size_t f = 0; f < 70000; ++f)
                for (std::uint32_t j = 0; j < c.to; ++j)
                    pasted.push_back(source[f * c.from + j % c.from]);
        }
        ASSERT_EQ(pasted.size(), 70000u * c.to);
        const auto before = wave(c.to * 3000, 41, 12000);
        open(c.to, 16, before, 1000, 0, 1);
        ASSERT_EQ(runPasteBody(doc, clipboard, 1, progress, messages, &journal), EditResult::Done) << c.from;
        std::vector<int> want(before.begin(), before.begin() + c.insertedAt);
        want.insert(want.end(), pasted.begin(), pasted.end());
        want.insert(want.end(), before.begin() + c.insertedAt, before.end());
        EXPECT_TRUE(values(doc.workPath, 16) == want) << c.from;
    }
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(ClipboardTest, AConversionThatFailsLeavesNoFileAndAnEmptyCopyKeepsTheClipboard)
{
    open(2, 16, wave(2 * 5000, 37, 9000), 1000, 1, 3);
    ASSERT_TRUE(clipboard.copy(doc, progress));
    const auto clip = clipboard.sound();
    ASSERT_EQ(::truncate(clip->path.c_str(), 1000), 0);
    DocumentState mono = doc;
    mono.channels = 1;
    const std::string path = dir.file("temp/converted.wav");
    EXPECT_EQ(soundInFormatOf(mono, clip, path, progress), nullptr);
    EXPECT_FALSE(fileExists(path));

    doc.selFinish = doc.selStart;
    EXPECT_FALSE(clipboard.copy(doc, progress));
    EXPECT_EQ(clipboard.sound(), clip);

    // More channels than the converter mixes: refused, saying why, and no
    // file is left behind.
    open(65, 16, wave(65 * 3000, 37, 9000), 1000, 0, 2);
    ASSERT_TRUE(clipboard.copy(doc, progress));
    open(2, 16, wave(2 * 3000, 37, 9000), 1000, 0, 2);
    const Bytes before = readFile(doc.workPath);
    const auto files = std::distance(std::filesystem::directory_iterator(dir.file("temp")), {});
    EXPECT_EQ(runPasteBody(doc, clipboard, 1, progress, messages, &journal), EditResult::Refused);
    EXPECT_EQ(messages.texts, std::vector<std::string>{kMsgPasteChannels});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.file("temp")), {}), files);
    EXPECT_TRUE(readFile(doc.workPath) == before);
}

TEST_F(ClipboardTest, NormalizeTakesThePeakExactlyToTheLevelAndTruncatesTheRest)
{
    const struct {
        std::uint32_t bits;
        int peak;
        double level;
    } cases[] = {{16, 23170, 0}, {16, 32767, 0}, {16, 32768, 0}, {16, 3, 0}, {16, 23170, -3},
                 {8, 23, 0},     {8, 27, 0},     {8, 128, 0},     {8, 100, -6}};
    for (const auto& c : cases) {
        const int full = c.bits == 8 ? 127 : 32767;
        // The level's sample value in long double, apart from the pass's own.
        const auto level = static_cast<long long>(std::floor(full * std::pow(10.0L, c.level / 20.0L)));
        // Every magnitude up to the peak, with both signs.
        std::vector<int> v;
        for (int m = 0; m <= c.peak; ++m)
            v.insert(v.end(), {std::min(m, full), -m});
        std::vector<int> stored = v;
        if (c.bits == 8)
            for (int& x : stored)
                x += 128;
        open(1, c.bits, stored, 1000, 0, static_cast<std::uint32_t>(v.size() / 1000 + 1));
        ASSERT_EQ(runNormalizeBody(doc, c.level, progress, messages), EditResult::Done) << c.peak;
        auto after = values(doc.workPath, c.bits);
        ASSERT_EQ(after.size(), v.size());
        for (std::size_t i = 0; i < v.size(); ++i) {
            const long long in = std::abs(v[i]);
            const long long out = std::abs(after[i] - (c.bits == 8 ? 128 : 0));
            if (in == c.peak) {
                EXPECT_EQ(out, level) << c.bits << " bits, peak " << c.peak << ", " << c.level << " dB";
            } else if (c.level == 0) {
                // Toward zero: out <= in × level / peak < out + 1.
                EXPECT_TRUE(out * c.peak <= in * level && in * level < (out + 1) * c.peak)
                    << c.bits << " bits, peak " << c.peak << ": " << v[i] << " gave " << out;
            }
        }
    }
    EXPECT_TRUE(messages.texts.empty());
}

}  // namespace
}  // namespace tw::test

namespace tw::test {
namespace {

// Copy, Cut, Normalize and Paste on ranges set to the frame, checked against
// the same cuts of the sample vector.
TEST_F(ClipboardTest, FrameExactRangesTakeAndSelectExactlyTheirFrames)
{
    const auto source = wave(10'007, 53, 20000);  // the last column holds 7 frames
    const auto slice = [](const std::vector<int>& v, std::size_t from, std::size_t to) {
        return std::vector<int>(v.begin() + from, v.begin() + to);
    };
    open(1, 16, source, 1000, 0, 0);
    setMarkerFrames(doc, 1234, 5678);
    ASSERT_TRUE(clipboard.copy(doc, progress));
    const auto clip = slice(source, 1234, 5678);
    ASSERT_EQ(values(clipboard.sound()->path, 16), clip);

    // Paste, a second paste where the first left the selection's end, and a
    // paste after the last frame: each selects exactly what it inserted.
    std::vector<int> want = source;
    for (const std::uint64_t at : {777ull, 777ull + clip.size(), 10'007ull + 2 * clip.size()}) {
        ASSERT_EQ(runPasteBodyAtFrame(doc, clipboard, at, progress, messages, &journal), EditResult::Done) << at;
        want.insert(want.begin() + static_cast<std::ptrdiff_t>(at), clip.begin(), clip.end());
        EXPECT_EQ(values(doc.workPath, 16), want) << at;
        EXPECT_EQ(std::pair(startFrame(doc), finishFrame(doc)), std::pair(at, at + clip.size())) << at;
    }

    // Cut of frames that are no whole columns; then Normalize of such a range.
    setMarkerFrames(doc, 101, 2345);
    ASSERT_EQ(runCutBody(doc, clipboard, progress, messages, &journal), EditResult::Done);
    EXPECT_EQ(values(clipboard.sound()->path, 16), slice(want, 101, 2345));
    want.erase(want.begin() + 101, want.begin() + 2345);
    EXPECT_EQ(values(doc.workPath, 16), want);

    setMarkerFrames(doc, 503, 1499);
    ASSERT_EQ(runNormalizeBody(doc, 0.0, progress, messages, &journal), EditResult::Done);
    const auto after = values(doc.workPath, 16);
    EXPECT_EQ(slice(after, 0, 503), slice(want, 0, 503));
    EXPECT_EQ(slice(after, 1499, after.size()), slice(want, 1499, want.size()));
    int peak = 0;
    for (std::size_t i = 503; i < 1499; ++i)
        peak = std::max(peak, std::abs(after[i]));
    EXPECT_GE(peak, 32766);

    // Select All (column markers) takes the last column too.
    selectWhole(doc);
    ASSERT_TRUE(clipboard.copy(doc, progress));
    EXPECT_EQ(values(clipboard.sound()->path, 16), after);
    EXPECT_TRUE(messages.texts.empty());
}

// A paste converted to the document's rate, then Cut of what it selected:
// the original sound is back, nothing of it lost.
TEST_F(ClipboardTest, ConvertedPasteThenCutLeavesTheOriginal)
{
    const auto other = wave(3'001, 31, 9000);
    open(2, 16, other, 1000, 0, 0, {}, {}, 11025);
    setMarkerFrames(doc, 17, 1430);
    ASSERT_TRUE(clipboard.copy(doc, progress));
    const auto source = wave(2 * 9'003, 29, 15000);
    open(2, 16, source, 1000, 0, 0);
    ASSERT_EQ(runPasteBodyAtFrame(doc, clipboard, 4321, progress, messages, &journal), EditResult::Done);
    EXPECT_GT(finishFrame(doc), startFrame(doc));
    ASSERT_EQ(runCutBody(doc, clipboard, progress, messages, &journal), EditResult::Done);
    EXPECT_EQ(values(doc.workPath, 16), source);
}

}  // namespace
}  // namespace tw::test
