// A step that fails leaves the work file, the document's state and every
// Undo and Redo step as they were: refused before it changes anything, or
// walked back from its own journal entry once it has.
#include <sys/resource.h>

#include <csignal>
#include <tuple>

#include "tests/edit/EditFixture.h"
#include "document/ReloadBody.h"
#include "edit/Clipboard.h"
#include "edit/DeletePass.h"
#include "edit/NormalizePass.h"
#include "edit/PastePass.h"
#include "edit/SamplePasses.h"
#include "edit/UndoBody.h"

namespace tw::test {
namespace {

// Once armed, the first pump after the pass has changed a byte (bar 0 moved
// or the work file grew) makes every later write fail, as a full or failing
// disk does; the failure's message lifts it again for the walk back.
class FailingDisk : public SilentProgress {
public:
    explicit FailingDisk(const std::string& work) : work_(work)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &limit_);
    }
    ~FailingDisk() override { lift(); }
    void arm()
    {
        armed_ = true;
        bars = {};
        size_ = File::openRead(work_).size();
    }
    void pump() override
    {
        SilentProgress::pump();
        if (armed_ && (bars[0] > 0 || File::openRead(work_).size() != size_)) {
            armed_ = false;
            const rlimit none{0, limit_.rlim_max};
            ::setrlimit(RLIMIT_FSIZE, &none);
        }
    }
    void lift() const { ::setrlimit(RLIMIT_FSIZE, &limit_); }

private:
    std::string work_;
    rlimit limit_{};
    bool armed_ = false;
    std::uint64_t size_ = 0;
};

class LiftingMessenger : public RecordingMessenger {
public:
    explicit LiftingMessenger(const FailingDisk& disk) : disk_(disk) {}
    MsgResult show(const MessageRequest& request) override
    {
        disk_.lift();
        return RecordingMessenger::show(request);
    }

private:
    const FailingDisk& disk_;
};

class FailedStepTest : public EditTest {
protected:
    void SetUp() override
    {
        ASSERT_EQ(::mkdir(dir.file("temp").c_str(), 0755), 0);
        clipboard.setFolder(dir.file("temp/"));
    }
    // What a failed step must leave as it was, besides the bytes.
    auto state() const
    {
        return std::tuple(doc.selStart, doc.selFinish, doc.zoom, doc.dataEnd, doc.dataLength, doc.frameCount,
                          doc.durationSeconds, doc.columnCount, doc.peakLeft, doc.peakRight, journal.canUndo(),
                          journal.canRedo(), journal.atSaved());
    }
    // A history of two steps, the second undone: one to undo, one to redo.
    void history()
    {
        journal.reset(dir.file("temp/"));
        ASSERT_TRUE(runReloadBody(doc, progress, messages));
        const auto marks = std::pair(doc.selStart, doc.selFinish);
        ASSERT_EQ(runEditBody(doc, fadeInPass(), progress, messages, &journal), EditResult::Done);
        ASSERT_EQ(runEditBody(doc, volumePass(0.5f, false), progress, messages, &journal), EditResult::Done);
        ASSERT_TRUE(runUndoBody(doc, journal, progress, messages));
        std::tie(doc.selStart, doc.selFinish) = marks;
    }

    Clipboard clipboard;
    UndoJournal journal;
};

// Samples that never repeat a stretch, so that a byte out of place shows.
std::vector<int> noise(std::size_t count)
{
    std::vector<int> v(count);
    std::uint32_t x = 12345;
    for (int& s : v) {
        x = x * 1664525u + 1013904223u;
        s = static_cast<int>(x >> 16) % 20000 - 10000;
    }
    return v;
}

TEST_F(FailedStepTest, APasteFromAClipboardFileGoneOrCutShortChangesNothing)
{
    for (const bool gone : {true, false}) {
        open(2, 16, noise(2 * 6000), 1000, 1, 3);
        ASSERT_TRUE(clipboard.copy(doc, progress));
        history();
        const std::string clip = clipboard.sound()->path;
        if (gone)
            ASSERT_TRUE(removeFile(clip));
        else
            ASSERT_EQ(::truncate(clip.c_str(), static_cast<off_t>(File::openRead(clip).size() - 3)), 0);
        const Bytes before = readFile(doc.workPath);
        const auto stateBefore = state();
        messages.texts.clear();

        EXPECT_EQ(runPasteBody(doc, clipboard, 2, progress, messages, &journal), EditResult::Refused) << gone;
        EXPECT_EQ(messages.texts, std::vector<std::string>{kMsgCannotOpenTemp}) << gone;
        EXPECT_TRUE(readFile(doc.workPath) == before) << gone;
        EXPECT_TRUE(state() == stateBefore) << gone;
        EXPECT_EQ(runRedoBody(doc, journal, progress, messages), EditResult::Done) << gone;
    }
}

TEST_F(FailedStepTest, AStepThatFailsPartWayIsWalkedBackAlsoWhenRedone)
{
    // More than one 4 MiB block in every pass, so that each stops part way.
    Bytes trailer;
    putChunk(trailer, "LIST", Bytes(33, 'x'));
    const struct {
        const char* what;
        Bytes trailer;
        std::optional<std::uint32_t> claimed;
    } formats[] = {{"16-bit stereo", trailer, {}}, {"streamed", {}, 0xFFFFFFFFu}, {"cut mid-frame", {1, 2, 3}, 0xFFFFFFF0u}};
    enum Kind { Paste, Cut, Normalize };
    for (const auto& f : formats) {
        for (const Kind kind : {Paste, Cut, Normalize}) {
            for (const bool redo : {false, true}) {
                const std::string what = std::string(f.what) + (kind == Paste ? ", paste" : kind == Cut ? ", cut" : ", normalize") +
                                         (redo ? ", redone" : "");
                open(2, 16, noise(2 * 1'300'000), 100000, 1, 3, f.trailer, f.claimed);
                ASSERT_TRUE(clipboard.copy(doc, progress));  // 200000 frames
                doc.selStart = kind == Normalize ? 0 : 1;
                doc.selFinish = kind == Normalize ? 13 : 2;
                history();
                FailingDisk disk(doc.workPath);
                LiftingMessenger lifting(disk);
                const EditPass pass = kind == Paste ? pastePass(doc, clipboard.sound(), 1)
                                      : kind == Cut ? deletePass()
                                                    : normalizePass(normalizeScale(9999, 0.0, 16));
                if (redo) {
                    // The step runs, is undone, and its Redo fails.
                    ASSERT_EQ(runEditBody(doc, pass, progress, messages, &journal), EditResult::Done) << what;
                    ASSERT_TRUE(runUndoBody(doc, journal, progress, messages)) << what;
                }
                const Bytes before = readFile(doc.workPath);
                const auto stateBefore = state();
                disk.arm();
                const EditResult result = redo ? runRedoBody(doc, journal, disk, lifting)
                                               : runEditBody(doc, pass, disk, lifting, &journal);
                disk.lift();
                EXPECT_EQ(result, EditResult::RolledBack) << what;
                EXPECT_EQ(lifting.texts, std::vector<std::string>{kMsgCannotWriteTemp}) << what;
                EXPECT_TRUE(readFile(doc.workPath) == before) << what;
                EXPECT_TRUE(state() == stateBefore) << what;
                // The history still walks both ways.
                ASSERT_EQ(runRedoBody(doc, journal, progress, messages), EditResult::Done) << what;
                ASSERT_TRUE(runUndoBody(doc, journal, progress, messages)) << what;
                EXPECT_TRUE(readFile(doc.workPath) == before) << what;
            }
        }
    }
}

}  // namespace
}  // namespace tw::test
