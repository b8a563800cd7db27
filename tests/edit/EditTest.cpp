// The edits on real work files, checked against the arithmetic written out
// here sample by sample.
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "tests/edit/EditFixture.h"
#include "edit/CutOutPass.h"
#include "edit/DeletePass.h"
#include "edit/PastePass.h"
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

TEST_F(EditTest, EditsKeepToTheSoundTheFileReallyHolds)
{
    // 2500 stereo frames at zoom 1000 (3 columns), behind size fields that
    // claim more: a streaming writer's, and a download cut mid-frame.
    std::vector<int> v;
    for (int i = 0; i < 2 * 2500; ++i)
        v.push_back(i * 37 % 20000 - 10000);
    const struct {
        const char* what;
        Bytes partial;  // bytes of a last frame cut short
        std::uint32_t claimed;
    } sources[] = {{"streamed", {}, 0xFFFFFFFFu}, {"cut mid-frame", {0x11, 0x22, 0x33}, 4000 * 4}};
    enum Kind { Delete, CutOut, FadeIn, Double, Mute };
    const struct {
        const char* what;
        Kind kind;
        std::uint32_t selStart, selFinish;
    } edits[] = {{"delete middle", Delete, 1, 2},  {"delete to the end", Delete, 1, 3},
                 {"cut out to the end", CutOut, 1, 3}, {"cut out the start", CutOut, 0, 1},
                 {"fade in to the end", FadeIn, 1, 3}, {"volume 200 to the end", Double, 0, 3},
                 {"mute to the end", Mute, 2, 3}};
    for (const auto& src : sources) {
        for (const auto& e : edits) {
            const std::string what = std::string(src.what) + ", " + e.what;
            open(2, 16, v, 1000, e.selStart, e.selFinish, src.partial, src.claimed);
            const std::size_t sourceSize = readFile(doc.sourcePath).size();
            const std::size_t held = 2500 * 4 + src.partial.size();
            ASSERT_EQ(doc.dataLength, held) << what;
            ASSERT_EQ(doc.frameCount, 2500u) << what;
            ASSERT_EQ(le32At(readFile(doc.workPath), 40), held) << what;

            const EditPass pass = e.kind == Delete   ? deletePass()
                                  : e.kind == CutOut ? cutOutPass()
                                  : e.kind == FadeIn ? fadeInPass()
                                                     : volumePass(e.kind == Double ? 2.0f : 1.0f, e.kind == Mute);
            ASSERT_TRUE(edit(pass)) << what;

            // The frames that remain, in order, then the partial frame's bytes.
            const int first = static_cast<int>(e.selStart * 1000);
            const int last = std::min(static_cast<int>(e.selFinish * 1000), 2500);
            const int rangeFrames = static_cast<int>((e.selFinish - e.selStart) * 1000);
            std::vector<int> want;
            bool partialStays = true;
            for (int f = 0; f < 2500; ++f) {
                const bool in = f >= first && f < last;
                for (int c = 0; c < 2; ++c) {
                    const int x = v[2 * f + c];
                    if (e.kind == Delete && !in)
                        want.push_back(x);
                    else if (e.kind == CutOut && in)
                        want.push_back(x);
                    else if (e.kind == FadeIn)
                        want.push_back(in ? x * ((f - first) / (rangeFrames / 100)) / 100 : x);
                    else if (e.kind == Double || e.kind == Mute)
                        want.push_back(!in ? x : e.kind == Mute ? 0 : clampTo(x * 2, -32767, 32767));
                }
            }
            if (e.kind == CutOut && e.selFinish * 1000 < 2500)
                partialStays = false;
            Bytes wantBytes;
            for (int x : want)
                put16(wantBytes, static_cast<std::uint16_t>(x));
            if (partialStays)
                wantBytes.insert(wantBytes.end(), src.partial.begin(), src.partial.end());

            const Bytes file = readFile(doc.workPath);
            EXPECT_TRUE(Bytes(file.begin() + 44, file.end()) == wantBytes) << what;
            EXPECT_EQ(le32At(file, 4), file.size() - 8) << what;
            EXPECT_EQ(le32At(file, 40), file.size() - 44) << what;
            EXPECT_LE(file.size(), sourceSize) << what;
            EXPECT_EQ(doc.dataEnd, file.size()) << what;
            EXPECT_EQ(doc.frameCount, want.size() / 2) << what;
        }
    }
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(EditTest, DeleteAndCutOutKeepEveryChannelOfAManyChannelFileInPlace)
{
    // 1000 frames of 9 channels, read as 4-byte frames: 4500 of them, 5 columns.
    std::vector<int> v;
    for (int b = 0; b < 1000; ++b)
        for (int c = 0; c < 9; ++c)
            v.push_back(c * 1000 + b);
    for (const bool del : {true, false}) {
        open(9, 16, v, 1000, 1, 3);
        ASSERT_TRUE(edit(del ? deletePass() : cutOutPass()));
        const auto out = samples();
        ASSERT_EQ(out.size() % 9, 0u) << del;
        std::vector<int> blocks;
        for (std::size_t at = 0; at < out.size(); at += 9) {
            for (int c = 0; c < 9; ++c)
                ASSERT_EQ(out[at + c] / 1000, c) << (del ? "delete" : "cut out") << " at " << at;
            blocks.push_back(out[at] % 1000);
        }
        // The range's bytes 4000 and 12000 fall inside frames 222 and 666.
        std::vector<int> want;
        for (int b = 0; b < 1000; ++b)
            if ((b >= 222 && b < 666) != del)
                want.push_back(b);
        EXPECT_EQ(blocks, want) << del;
    }
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
    // Volume at 100 % changes no byte, so it does not even open the file.
    messages.texts.clear();
    EXPECT_TRUE(edit(volumePass(1.0f, false)));
    EXPECT_TRUE(messages.texts.empty());
    // A disk that is always full: the edit stops and says so.
    messages.texts.clear();
    doc.workPath = "/dev/full";
    EXPECT_EQ(runEditBody(doc, fadeInPass(), progress, messages), EditResult::WriteFailed);
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Cannot write the temporary file."});
}

TEST_F(EditTest, MarkersAtTheEndOfANearly4GiBFileNeitherWrapNorPassTheLastColumn)
{
    // 8-bit mono whose samples end just below 4 GiB, in a sparse work file;
    // its last 17000 bytes count up.
    doc = DocumentState{};
    doc.workPath = dir.file("big.wav");
    doc.channels = 1;
    doc.bitsPerSample = 8;
    doc.sampleRate = 8000;
    doc.frameSize = 1;
    doc.dataOffset = 44;
    doc.frameCount = doc.dataLength = 4'294'967'000u;
    doc.dataEnd = 44 + doc.frameCount;
    doc.zoom = 10000;
    doc.columnCount = 429'497;  // the last one holds 7000 frames
    const std::uint64_t start = 4'294'950'000;  // column 429495
    Bytes tail(17000);
    for (std::size_t i = 0; i < tail.size(); ++i)
        tail[i] = static_cast<std::uint8_t>(i * 7 / 5);

    // A paste at the end selects up to the last column, not the one after it.
    auto sound = std::make_shared<const ClipSound>(dir.file("clip.wav"), 1, 8000, 8, 200);
    const EditPass paste = pastePass(doc, sound, doc.columnCount);
    DocumentState pasted = doc;
    pasted.columnCount = 429'497;  // 4 294 967 200 frames
    paste.markersAfter(pasted);
    EXPECT_EQ(std::pair(pasted.selStart, pasted.selFinish), std::pair(429'496u, 429'496u));

    // Cut Out from column 429495 to the last column, and to the one after it
    // (as that paste used to leave it): the range's bytes stay.
    for (const std::uint32_t finish : {429'496u, 429'497u}) {
        const std::uint64_t end = finish == 429'496u ? 4'294'960'000 : doc.frameCount;
        writeFile(doc.workPath, simpleWave(1, 8000, 8, {}));
        File work = File::openReadWrite(doc.workPath);
        ASSERT_EQ(::ftruncate(work.fd(), static_cast<off_t>(doc.dataEnd)), 0);
        ASSERT_TRUE(work.writeAt(tail.data(), tail.size(), 44 + start));
        DocumentState cut = doc;
        cut.selStart = 429'495;
        cut.selFinish = finish;
        ASSERT_EQ(runEditBody(cut, cutOutPass(), progress, messages), EditResult::Done) << finish;
        const Bytes after = readFile(doc.workPath);
        ASSERT_EQ(after.size(), 44 + (end - start)) << finish;
        EXPECT_TRUE(std::equal(after.begin() + 44, after.end(), tail.begin())) << finish;
        EXPECT_EQ(cut.frameCount, end - start) << finish;
    }
}

}  // namespace
}  // namespace tw::test
