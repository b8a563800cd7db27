// Undo and Redo over real work files: byte for byte, with the document's
// state, through many steps, and when the journal cannot be kept.
#include <fstream>
#include <tuple>
#include <utility>

#include "tests/edit/EditFixture.h"
#include "document/ReloadBody.h"
#include "edit/CutOutPass.h"
#include "edit/DeletePass.h"
#include "edit/SamplePasses.h"
#include "edit/UndoBody.h"

namespace tw::test {
namespace {

class UndoTest : public EditTest {
protected:
    void SetUp() override { journal.reset(dir.file("temp/")); }

    // What Undo and Redo must bring back, besides the bytes.
    auto state() const
    {
        return std::tuple(doc.selStart, doc.selFinish, doc.zoom, doc.dataEnd, doc.dataLength, doc.frameCount,
                          doc.durationSeconds, doc.columnCount, doc.peakLeft, doc.peakRight);
    }
    EditResult journaled(const EditPass& pass) { return runEditBody(doc, pass, progress, messages, &journal); }
    bool undo() { return runUndoBody(doc, journal, progress, messages); }
    EditResult redo() { return runRedoBody(doc, journal, progress, messages); }

    UndoJournal journal;
};

std::vector<int> ramp(std::size_t count, int modulo)
{
    std::vector<int> v;
    for (std::size_t i = 0; i < count; ++i)
        v.push_back(static_cast<int>(i * 7 % static_cast<std::size_t>(modulo)));
    return v;
}

TEST_F(UndoTest, EachEditUndoesToTheBytesBeforeAndRedoesToTheBytesAfter)
{
    Bytes trailer;
    putChunk(trailer, "LIST", Bytes(33, 'x'));
    const struct {
        const char* what;
        std::uint32_t channels, bits;
        Bytes trailer;
        std::optional<std::uint32_t> claimed;  // size fields beyond the file
    } formats[] = {{"16-bit stereo", 2, 16, {}, {}},
                   {"8-bit mono", 1, 8, {}, {}},
                   {"chunk behind the data", 2, 16, trailer, {}},
                   {"streamed", 2, 16, {}, 0xFFFFFFFFu},
                   {"cut mid-frame", 2, 16, {1, 2, 3}, 0xFFFFFFF0u},
                   {"nine channels", 9, 16, {}, {}}};
    const struct {
        const char* what;
        EditPass pass;
        std::uint32_t selStart, selFinish;
    } edits[] = {
        {"fade in", fadeInPass(), 1, 4},          {"fade out to the end", fadeOutPass(), 6, 10},
        {"volume 250", volumePass(2.5f, false), 0, 9}, {"mute", volumePass(1.0f, true), 2, 3},
        {"volume 100", volumePass(1.0f, false), 2, 3}, {"delete middle", deletePass(), 2, 5},
        {"delete to the end", deletePass(), 7, 10},   {"delete empty", deletePass(), 4, 4},
        {"cut out middle", cutOutPass(), 3, 6},       {"cut out empty", cutOutPass(), 5, 5},
    };
    for (const auto& f : formats) {
        for (const auto& e : edits) {
            const std::string what = std::string(f.what) + ", " + e.what;
            open(f.channels, f.bits, ramp(f.channels * 9500, f.bits == 8 ? 256 : 30000), 1000, e.selStart,
                 e.selFinish, f.trailer, f.claimed);
            journal.reset(dir.file("temp/"));
            ASSERT_TRUE(runReloadBody(doc, progress, messages));  // the overview, as every edit leaves it
            const Bytes before = readFile(doc.workPath);
            const auto stateBefore = state();

            ASSERT_EQ(journaled(e.pass), EditResult::Done) << what;
            const Bytes after = readFile(doc.workPath);
            const auto stateAfter = state();
            ASSERT_TRUE(undo()) << what;
            EXPECT_TRUE(readFile(doc.workPath) == before) << what;
            EXPECT_TRUE(state() == stateBefore) << what;
            EXPECT_FALSE(doc.modified) << what;
            ASSERT_EQ(redo(), EditResult::Done) << what;
            EXPECT_TRUE(readFile(doc.workPath) == after) << what;
            EXPECT_TRUE(state() == stateAfter) << what;
            EXPECT_TRUE(doc.modified) << what;
        }
    }
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(UndoTest, ManyStepsWalkBackAndForthAndModifiedFollowsTheSavedStep)
{
    open(2, 16, ramp(2 * 20000, 30000), 1000, 0, 19, {});
    journal.reset(dir.file("temp/"));
    const struct {
        EditPass pass;
        std::uint32_t selStart, selFinish;
    } steps[] = {{fadeInPass(), 0, 5},       {deletePass(), 3, 6},  {volumePass(0.5f, false), 2, 12},
                 {cutOutPass(), 1, 14},      {fadeOutPass(), 4, 9}, {deletePass(), 0, 2}};
    std::vector<Bytes> files{readFile(doc.workPath)};
    for (const auto& s : steps) {
        doc.selStart = s.selStart;
        doc.selFinish = s.selFinish;
        ASSERT_EQ(journaled(s.pass), EditResult::Done);
        files.push_back(readFile(doc.workPath));
        if (files.size() == 3)
            journal.markSaved();  // saved after the second step
    }
    for (std::size_t at = files.size() - 1; at > 0; --at) {
        ASSERT_TRUE(undo());
        EXPECT_TRUE(readFile(doc.workPath) == files[at - 1]) << at;
        EXPECT_EQ(doc.modified, at - 1 != 2) << at;
    }
    EXPECT_FALSE(journal.canUndo());
    for (std::size_t at = 1; at < files.size(); ++at) {
        ASSERT_EQ(redo(), EditResult::Done);
        EXPECT_TRUE(readFile(doc.workPath) == files[at]) << at;
    }
    EXPECT_FALSE(journal.canRedo());

    // Back to the first step, then a new edit: the rest, the saved step with
    // it, can no longer come back.
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(undo());
    ASSERT_EQ(journaled(fadeInPass()), EditResult::Done);
    EXPECT_FALSE(journal.canRedo());
    ASSERT_TRUE(undo());
    EXPECT_TRUE(readFile(doc.workPath) == files[1]);
    ASSERT_TRUE(undo());
    EXPECT_TRUE(doc.modified);  // the saved state is gone for good
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(UndoTest, NoRoomAsksFirstAndFailuresBeforeAnyChangeKeepTheJournal)
{
    std::uint64_t room = 0;
    UndoJournal small([&room](const std::string&) { return room; });
    open(2, 16, ramp(2 * 9500, 30000), 1000, 1, 8, {});
    small.reset(dir.file("temp/"));
    const Bytes before = readFile(doc.workPath);
    const auto run = [&] { return runEditBody(doc, fadeInPass(), progress, messages, &small); };

    // No: nothing happens. Enough room: Undo is kept.
    messages.reply = MsgResult::No;
    EXPECT_EQ(run(), EditResult::Declined);
    EXPECT_TRUE(readFile(doc.workPath) == before);
    ASSERT_EQ(messages.buttons, std::vector<MsgButtons>{MsgButtons::YesNo});
    room = 1 << 30;
    ASSERT_EQ(run(), EditResult::Done);
    EXPECT_TRUE(small.canUndo());

    // Yes: the edit runs, and the journal is emptied.
    room = 0;
    messages.reply = MsgResult::Yes;
    const Bytes once = readFile(doc.workPath);
    EXPECT_EQ(run(), EditResult::Done);
    EXPECT_FALSE(readFile(doc.workPath) == once);
    EXPECT_FALSE(small.canUndo());
    EXPECT_FALSE(small.atSaved());

    // Failures that change nothing keep the journal: an entry that cannot be
    // made keeps the step Redo brings back, and a Redo whose work file cannot
    // be opened keeps the markers and zoom that the view shows.
    room = 1 << 30;
    ASSERT_EQ(run(), EditResult::Done);
    ASSERT_TRUE(runUndoBody(doc, small, progress, messages));
    std::ofstream(dir.file("temp/undo-3.tw")) << "taken";  // the next entry's name
    EXPECT_EQ(run(), EditResult::JournalFailed);
    EXPECT_TRUE(small.canRedo());
    doc.selStart = 7;
    doc.zoom = 2000;
    const std::string workPath = doc.workPath;
    doc.workPath = dir.file("gone.wav");
    EXPECT_EQ(runRedoBody(doc, small, progress, messages), EditResult::NotOpened);
    EXPECT_EQ(std::pair(doc.selStart, doc.zoom), std::pair(7u, 2000u));
    EXPECT_TRUE(small.canRedo());
    doc.workPath = workPath;

    // A journal folder that is gone: the work file is not touched.
    messages.texts.clear();
    journal.reset(dir.file("gone/"));
    const Bytes twice = readFile(doc.workPath);
    EXPECT_EQ(journaled(fadeInPass()), EditResult::JournalFailed);
    EXPECT_TRUE(readFile(doc.workPath) == twice);
    EXPECT_EQ(messages.texts, std::vector<std::string>{kMsgCannotWriteJournal});
    EXPECT_FALSE(journal.canUndo());
}

}  // namespace
}  // namespace tw::test
