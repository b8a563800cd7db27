// A run killed at any moment of any step comes back, from its private folder,
// exactly as after its last completed step, with every Undo step.
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <random>

#include "tests/edit/EditFixture.h"
#include "core/Markers.h"
#include "core/StateFile.h"
#include "core/StepLog.h"
#include "document/ReloadBody.h"
#include "edit/Clipboard.h"
#include "edit/CutOutPass.h"
#include "edit/DeletePass.h"
#include "edit/Effects.h"
#include "edit/NormalizePass.h"
#include "edit/PastePass.h"
#include "edit/Recovery.h"
#include "edit/SamplePasses.h"
#include "edit/UndoBody.h"

namespace tw::test {
namespace {

// Dies at its nth pump, as a killed process does.
class DyingProgress : public SilentProgress {
public:
    explicit DyingProgress(long long at) : at_(at) {}
    void pump() override
    {
        if (++pumps == at_)
            ::kill(::getpid(), SIGKILL);
    }

private:
    long long at_;
};

// The sound: 200 s of 8 kHz stereo noise, so that every move and every pass
// runs over more than one block.
std::vector<int> noise(std::size_t count)
{
    std::vector<int> v(count);
    std::mt19937 random(7);
    for (int& s : v)
        s = static_cast<int>(random() % 40000) - 20000;
    return v;
}

struct Snapshot {
    Bytes work;
    FrameMark start, finish;
};

class RecoveryTest : public EditTest {
protected:
    static constexpr int kSteps = 8;  // open, Fade In, Paste, Delete, Undo, Redo, Normalize, Cut

    // Recovers the left folder into a fresh folder "into/" of the test's own.
    bool recoverInto(const std::string& left, DocumentState& back, UndoJournal& journal, DocumentNames& names)
    {
        back.tempDir = dir.file("into/");
        return ::mkdir(back.tempDir.c_str(), 0700) == 0 &&
               recoverDocument(left, back, journal, names, progress, messages);
    }

    // Runs the steps in folder dir, writing the state after each as the
    // window does and telling `report` (when >= 0) before and after each
    // write. after(k) is called once step k completed.
    void script(const std::string& folder, Progress& p, int report, const std::function<void(int)>& after,
                const std::function<void()>& beforeStep = [] {})
    {
        doc = DocumentState{};
        doc.tempDir = folder;
        doc.sourcePath = dir.file("source.wav");
        StepLog log(folder);
        doc.stepLog = &log;
        UndoJournal journal;
        journal.setStepLog(&log);
        Clipboard clipboard(folder);
        DocumentNames names;
        const auto save = [&](int k) {
            char mark = static_cast<char>('a' + k);
            if (report >= 0)
                (void)!::write(report, &mark, 1);
            writeStateFile(folder, documentStateText(doc, journal, names, std::time(nullptr)));
            mark = static_cast<char>('A' + k);
            if (report >= 0)
                (void)!::write(report, &mark, 1);
            after(k);
        };
        journal.setBeforeStep([&] {
            writeStateFile(folder, documentStateText(doc, journal, names, 0));
            beforeStep();
        });
        OpenCut cut;
        ASSERT_EQ(runOpenBody(doc, p, messages, cut), OpenResult::Completed);
        finishOpen(doc);
        journal.reset(folder);
        save(0);
        const auto frames = [&](std::uint64_t a, std::uint64_t b) { setMarkerFrames(doc, a, b); };
        frames(1000, 700000);
        ASSERT_EQ(runEditBody(doc, fadeInPass(), p, messages, &journal), EditResult::Done);
        doc.modified = true;
        save(1);
        frames(20000, 36000);  // a paste shorter than its blocks: their sources overlap
        ASSERT_TRUE(clipboard.copy(doc, p));
        ASSERT_EQ(runPasteBodyAtFrame(doc, clipboard, 900000, p, messages, &journal), EditResult::Done);
        save(2);
        frames(5000, 85000);  // a move longer than its blocks: nothing of its source to save
        ASSERT_EQ(runEditBody(doc, deletePass(), p, messages, &journal), EditResult::Done);
        save(3);
        ASSERT_TRUE(runUndoBody(doc, journal, p, messages));
        save(4);
        ASSERT_EQ(runRedoBody(doc, journal, p, messages), EditResult::Done);
        save(5);
        frames(100000, 1500000);
        ASSERT_EQ(runNormalizeBody(doc, -1.0, p, messages, &journal), EditResult::Done);
        save(6);
        frames(1000000, 1030000);
        ASSERT_EQ(runCutBody(doc, clipboard, p, messages, &journal), EditResult::Done);
        save(7);
        doc.stepLog = nullptr;
    }
};

TEST_F(RecoveryTest, AKillAtAnyMomentComesBackAsAfterTheLastCompletedStep)
{
    writeFile(dir.file("source.wav"), simpleWave(2, 8000, 16, [] {
                  Bytes data;
                  for (int v : noise(2 * 8000 * 200))
                      put16(data, static_cast<std::uint16_t>(v));
                  return data;
              }()));
    // What each step leaves, and the pumps up to its end.
    std::vector<Snapshot> after(kSteps);
    std::vector<long long> pumpsAt(kSteps);
    // The markers the next step starts from, which the state has once it begins.
    std::vector<std::pair<std::uint64_t, std::uint64_t>> marksBefore(kSteps + 1);
    SilentProgress counting;
    ASSERT_EQ(::mkdir(dir.file("ref").c_str(), 0700), 0);
    const auto started = std::chrono::steady_clock::now();
    int completed = 0;
    script(
        dir.file("ref/"), counting, -1,
        [&](int k) {
            after[k] = {readFile(doc.workPath), doc.startMark, doc.finishMark};
            pumpsAt[k] = counting.pumps;
            completed = k + 1;
            marksBefore[completed] = {startFrame(doc), finishFrame(doc)};
        },
        [&] { marksBefore[completed] = {startFrame(doc), finishFrame(doc)}; });
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    // The bytes at each journal position: open, Fade In, Paste, Delete, Normalize, Cut.
    const std::vector<int> atPosition = {0, 1, 2, 3, 6, 7};
    const std::vector<std::size_t> positionAfter = {0, 1, 2, 3, 2, 3, 4, 5};

    // 25 kills spread over each step, and 40 at random times.
    std::vector<std::pair<long long, int>> kills;  // pump, or -microseconds
    for (int k = 0; k < kSteps; ++k) {
        const long long from = k == 0 ? 1 : pumpsAt[k - 1] + 1;
        for (int i = 0; i < 25; ++i)
            kills.emplace_back(from + (pumpsAt[k] - from) * i / 25, 0);
    }
    std::mt19937 random(11);
    for (int i = 0; i < 40; ++i)
        kills.emplace_back(0, 1 + static_cast<int>(random() % took.count()));

    int recovered = 0;
    int killed = 0;
    for (std::size_t n = 0; n < kills.size(); ++n) {
        const std::string run = dir.file("run" + std::to_string(n) + "/");
        ASSERT_EQ(::mkdir(run.c_str(), 0700), 0);
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeFds[0]);
            DyingProgress dying(kills[n].first);
            // Out at the end without a destructor: as a kill right after it.
            script(run, dying, pipeFds[1], [](int k) {
                if (k == kSteps - 1)
                    ::_exit(0);
            });
            ::_exit(0);
        }
        ::close(pipeFds[1]);
        if (kills[n].second > 0) {
            ::usleep(static_cast<useconds_t>(kills[n].second));
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFSIGNALED(status)) {
            ::close(pipeFds[0]);
            continue;  // it ran to its end before the kill came
        }
        ++killed;
        std::string marks;
        char buffer[64];
        for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
            marks.append(buffer, static_cast<std::size_t>(got));
        ::close(pipeFds[0]);
        // The last completed step; one whose state was being written may count.
        int last = -1;
        int maybe = -1;
        if (!marks.empty()) {
            const char c = marks.back();
            last = c >= 'A' && c <= 'Z' ? c - 'A' : c - 'a' - 1;
            maybe = c >= 'a' ? c - 'a' : last;
        }
        SCOPED_TRACE("kill " + std::to_string(n) + " after step " + std::to_string(last));

        const std::string into = dir.file("into" + std::to_string(n) + "/");
        ASSERT_EQ(::mkdir(into.c_str(), 0700), 0);
        DocumentState back;
        back.tempDir = into;
        UndoJournal journal;
        DocumentNames names;
        SilentProgress quiet;
        const bool ok = recoverDocument(run, back, journal, names, quiet, messages);
        const auto stateK = readStateFile(run);
        int got = -1;
        if (ok) {
            // Which step it matches, by bytes and markers.
            const Bytes work = readFile(back.workPath);
            for (int k = std::max(last, 0); k <= std::max(maybe, 0); ++k)
                if (after[k].work == work &&
                    ((back.startMark.frame == after[k].start.frame && back.finishMark.frame == after[k].finish.frame) ||
                     std::pair(startFrame(back), finishFrame(back)) == marksBefore[k + 1]))
                    got = k;
            ASSERT_NE(got, -1) << "the recovered document is no completed step";
            ++recovered;
            // Undo from there gives every earlier position byte for byte.
            for (std::size_t p = positionAfter[got]; p > 0; --p) {
                ASSERT_TRUE(runUndoBody(back, journal, quiet, messages));
                ASSERT_TRUE(readFile(back.workPath) == after[atPosition[p - 1]].work) << "undo to " << p - 1;
            }
            ASSERT_FALSE(journal.canUndo());
        } else {
            // Only a document without changes is not offered back.
            EXPECT_LE(last, 0);
        }
        ::system(("rm -rf '" + run + "' '" + into + "'").c_str());
    }
    EXPECT_GE(killed, 200);
    // Until Fade In completes the document has no unsaved change to offer.
    EXPECT_GE(recovered, 150);
}

// Every kind of step, undone before the run died, can be redone after the
// restart and gives the same bytes as when it first ran.
TEST_F(RecoveryTest, EveryKindOfStepIsRedoneAfterARestartAsItFirstRan)
{
    struct Kind {
        std::string name;
        std::function<EditResult(UndoJournal&, Clipboard&)> run;
    };
    std::vector<Kind> kinds = {
        {"fade in", [&](UndoJournal& j, Clipboard&) { return runEditBody(doc, fadeInPass(), progress, messages, &j); }},
        {"fade out", [&](UndoJournal& j, Clipboard&) { return runEditBody(doc, fadeOutPass(), progress, messages, &j); }},
        {"volume", [&](UndoJournal& j, Clipboard&) { return runEditBody(doc, volumePass(1.5f, false), progress, messages, &j); }},
        {"mute", [&](UndoJournal& j, Clipboard&) { return runEditBody(doc, volumePass(1.0f, true), progress, messages, &j); }},
        {"normalize", [&](UndoJournal& j, Clipboard&) { return runNormalizeBody(doc, -3.0, progress, messages, &j); }},
        {"delete", [&](UndoJournal& j, Clipboard&) { return runEditBody(doc, deletePass(), progress, messages, &j); }},
        {"cut out", [&](UndoJournal& j, Clipboard&) { return runEditBody(doc, cutOutPass(), progress, messages, &j); }},
        {"cut", [&](UndoJournal& j, Clipboard& c) { return runCutBody(doc, c, progress, messages, &j); }},
        {"paste", [&](UndoJournal& j, Clipboard& c) {
             return c.copy(doc, progress) ? runPasteBodyAtFrame(doc, c, 3, progress, messages, &j) : EditResult::Refused;
         }},
    };
    for (const Effect& e : effectTable()) {
        if (e.length == EffectLength::Measured)
            continue;
        kinds.push_back({e.id, [&, effect = &e](UndoJournal& j, Clipboard&) {
                             EffectInput input{{}, 5};
                             for (const EffectParam& p : effect->params)
                                 input.values.push_back(p.preset);
                             return runEffectBody(doc, *effect, input, progress, messages, &j);
                         }});
    }
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        open(2, 16, noise(2 * 32000), 1, 0, 0, {}, {}, 8000);
        setMarkerFrames(doc, 1000, 20000);
        StepLog log(doc.tempDir);
        doc.stepLog = &log;
        UndoJournal journal;
        journal.setStepLog(&log);
        journal.reset(doc.tempDir);
        Clipboard clipboard(doc.tempDir);
        ASSERT_EQ(kind.run(journal, clipboard), EditResult::Done);
        const Bytes done = readFile(doc.workPath);
        ASSERT_TRUE(runUndoBody(doc, journal, progress, messages));
        doc.modified = true;
        ASSERT_TRUE(writeStateFile(doc.tempDir, documentStateText(doc, journal, {}, 0)));

        DocumentState back;
        UndoJournal again;
        DocumentNames names;
        ASSERT_TRUE(recoverInto(doc.tempDir, back, again, names));
        ASSERT_TRUE(again.canRedo());
        ASSERT_EQ(runRedoBody(back, again, progress, messages), EditResult::Done);
        EXPECT_TRUE(readFile(back.workPath) == done);
        doc.stepLog = nullptr;
        ::system(("rm -rf '" + back.tempDir + "' '" + doc.tempDir + "'").c_str());
    }
}

// A recording cut short comes back as Untitled with every whole frame its
// work file holds, whatever its header's sizes said.
TEST_F(RecoveryTest, ARecordingCutShortComesBackWithEveryWholeFrame)
{
    const std::string left = dir.file("left/");
    ASSERT_EQ(::mkdir(left.c_str(), 0700), 0);
    const std::vector<int> samples = noise(2 * 8000);
    Bytes data;
    for (const int v : samples)
        put16(data, static_cast<std::uint16_t>(v));
    Bytes file = simpleWave(2, 48000, 16, Bytes(data.begin(), data.begin() + 4000));  // sizes from 2 s ago
    file.insert(file.end(), data.begin() + 4000, data.end());
    file.insert(file.end(), {1, 2, 3});  // part of a frame
    writeFile(left + "AudioTemp.wav", file);
    ASSERT_TRUE(writeStateFile(left, recordingStateText(48000, 2, 0, 1234)));

    const auto offered = leftDocument(left);
    ASSERT_TRUE(offered.has_value());
    EXPECT_TRUE(offered->sourcePath.empty());
    EXPECT_EQ(offered->frames, 8000u);
    EXPECT_EQ(offered->time, 1234);

    DocumentState back;
    UndoJournal journal;
    DocumentNames names;
    ASSERT_TRUE(recoverInto(left, back, journal, names));
    EXPECT_TRUE(names.recording);
    EXPECT_TRUE(back.modified);
    EXPECT_TRUE(back.sourcePath.empty());
    EXPECT_EQ(back.frameCount, 8000u);
    EXPECT_EQ(back.sampleRate, 48000u);
    EXPECT_EQ(back.channels, 2u);
    const Bytes recovered = readFile(back.workPath);
    ASSERT_EQ(recovered.size(), 44 + data.size());
    EXPECT_TRUE(Bytes(recovered.begin() + 44, recovered.end()) == data);
    EXPECT_EQ(le32At(recovered, 40), data.size());
    EXPECT_EQ(le32At(recovered, 4), recovered.size() - 8);
    EXPECT_FALSE(journal.canUndo());
}

}  // namespace
}  // namespace tw::test
