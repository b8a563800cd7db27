// The edits on real work files, checked against the arithmetic written out
// here sample by sample.
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "tests/edit/EditFixture.h"
#include "edit/CutOutPass.h"
#include "edit/DeletePass.h"
#include "edit/SamplePasses.h"

namespace tw::test {
namespace {

int clampTo(int v, int low, int high) { return v < low ? low : v > high ? high : v; }

TEST_F(EditTest, FadesStepThroughAHundredGainsAndTruncateTowardZero)
{
    // One column at zoom 1000: 1000 frames, step 10; then the last 1000 frames untouched.
    const int values16[] = {-999, 999, -32768, 32767, 3};
    for (bool in : {true, false}) {
        std::vector<int> v;
        for (int f = 0; f < 2000; ++f)
            v.insert(v.end(), {values16[f % 5], -values16[f % 5] + (f % 5 == 2 ? -1 : 0)});
        open(2, 16, v, 1000, 0, 1);
        ASSERT_TRUE(edit(in ? fadeInPass() : fadeOutPass()));
        const auto out = samples();
        ASSERT_EQ(out.size(), v.size());
        for (std::size_t i = 0; i < v.size(); ++i) {
            const int frame = static_cast<int>(i / 2);
            const int percent = frame >= 1000 ? -1 : in ? frame / 10 : 100 - frame / 10;
            const int want = percent < 0 ? v[i] : clampTo(v[i] * percent / 100, -32767, 32767);
            ASSERT_EQ(out[i], want) << (in ? "in" : "out") << " sample " << i;
        }
        EXPECT_EQ(progress.bars[0], 100);
        EXPECT_EQ(progress.bars[1], 100);
    }
    // 8 bits, and a fade in then out: each with its own truncation.
    std::vector<int> bytes;
    for (int f = 0; f < 1000; ++f)
        bytes.push_back(f % 2 ? 50 : 200);
    open(1, 8, bytes, 1000, 0, 1);
    ASSERT_TRUE(edit(fadeInPass()));
    ASSERT_TRUE(edit(fadeOutPass()));
    const auto out = samples();
    for (int f = 0; f < 1000; ++f) {
        const int once = (bytes[f] - 128) * (f / 10) / 100;
        ASSERT_EQ(out[f], once * (100 - f / 10) / 100 + 128) << f;
    }
    EXPECT_EQ(out[370], (200 - 128) * 37 / 100 * 63 / 100 + 128);
}

TEST_F(EditTest, VolumeFactorsClipAndMute)
{
    const struct {
        int position;
        bool mute;
        std::uint32_t bits;
        std::vector<int> in, out;
    } cases[] = {
        {1, false, 16, {10000, -20000}, {20000, -32767}},
        {1, false, 8, {200, 20}, {255, 0}},
        {4, false, 16, {-3, 3}, {-2, 2}},
        {6, false, 8, {129, 127}, {128, 128}},
        {0, false, 16, {-32768, 100}, {-32767, 250}},
        {5, true, 16, {1234, -1}, {0, 0}},
        {3, true, 8, {7, 250}, {128, 128}},
    };
    for (const auto& c : cases) {
        std::vector<int> v;
        for (int f = 0; f < 2000; ++f)
            v.push_back(c.in[f % 2]);
        open(1, c.bits, v, 1000, 0, 1);  // the first 1000 frames
        ASSERT_TRUE(edit(volumePass(volumeGain(c.position), c.mute)));
        const auto out = samples();
        for (int f = 0; f < 2000; ++f)
            ASSERT_EQ(out[f], f < 1000 ? c.out[f % 2] : v[f]) << "position " << c.position << " frame " << f;
    }
}

TEST_F(EditTest, DeleteAndCutOutMoveTheDataAndEndTheFileWithIt)
{
    // Stereo 16-bit, 10 columns of 1000 frames, a chunk behind the data.
    std::vector<int> v;
    for (int i = 0; i < 2 * 9500; ++i)
        v.push_back(i % 30000);
    Bytes trailer;
    putChunk(trailer, "LIST", Bytes(33, 'x'));
    const struct {
        const char* what;
        EditPass pass;
        std::uint32_t selStart, selFinish;
        std::size_t keepFrom, keepTo, thenFrom, thenTo;  // frames that remain, in order
    } cases[] = {
        {"delete middle", deletePass(), 2, 5, 0, 2000, 5000, 9500},
        {"delete to the end", deletePass(), 7, 10, 0, 7000, 0, 0},
        {"delete empty", deletePass(), 4, 4, 0, 9500, 0, 0},
        {"delete select all", deletePass(), 0, 9, 9000, 9500, 0, 0},
        {"delete backwards", deletePass(), 6, 3, 0, 9500, 0, 0},
        {"cut out middle", cutOutPass(), 3, 6, 3000, 6000, 0, 0},
        {"cut out from the start", cutOutPass(), 0, 2, 0, 2000, 0, 0},
        {"cut out past the data", cutOutPass(), 8, 10, 8000, 9500, 0, 0},
    };
    for (const auto& c : cases) {
        open(2, 16, v, 1000, c.selStart, c.selFinish, trailer);
        ASSERT_TRUE(edit(c.pass)) << c.what;
        std::vector<int> want(v.begin() + 2 * c.keepFrom, v.begin() + 2 * c.keepTo);
        want.insert(want.end(), v.begin() + 2 * c.thenFrom, v.begin() + 2 * c.thenTo);
        EXPECT_EQ(samples(), want) << c.what;
        const Bytes file = readFile(doc.workPath);
        EXPECT_EQ(file.size(), 44 + want.size() * 2) << c.what;
        EXPECT_EQ(le32At(file, 4), file.size() - 8) << c.what;
        EXPECT_EQ(le32At(file, 40), file.size() - 44) << c.what;
        const std::uint32_t frames = static_cast<std::uint32_t>(want.size() / 2);
        EXPECT_EQ(doc.frameCount, frames) << c.what;
        EXPECT_EQ(doc.dataEnd, 44 + frames * 4) << c.what;
        EXPECT_EQ(doc.durationSeconds, frames / 8000) << c.what;
        EXPECT_EQ(doc.columnCount, (frames + 999) / 1000) << c.what;
        EXPECT_EQ(doc.peakLeft.size(), doc.columnCount) << c.what;
    }
    // Cutting out an empty range keeps the document, not nothing of it.
    open(2, 16, v, 1000, 4, 4, trailer);
    const Bytes before = readFile(doc.workPath);
    ASSERT_TRUE(edit(cutOutPass()));
    EXPECT_EQ(readFile(doc.workPath), before);
}

TEST_F(EditTest, AWorkFileThatCannotBeOpenedOrWrittenIsReported)
{
    open(1, 8, std::vector<int>(3000, 200), 1000, 0, 2);
    const Bytes before = readFile(doc.workPath);
    ::chmod(doc.workPath.c_str(), 0400);
    if (::geteuid() == 0)
        ::unlink(doc.workPath.c_str());  // root opens anything: take the file away instead
    EXPECT_FALSE(edit(fadeInPass()));
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Cannot open the temporary file."});
    if (::geteuid() != 0) {
        EXPECT_EQ(readFile(doc.workPath), before);
    }
    // A disk that is always full: the edit stops and says so.
    messages.texts.clear();
    doc.workPath = "/dev/full";
    EXPECT_EQ(runEditBody(doc, fadeInPass(), progress, messages), EditResult::WriteFailed);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Cannot write the temporary file."});
}

}  // namespace
}  // namespace tw::test
