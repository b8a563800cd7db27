// The undo journal on the 60-minute sound: Undo of an edit against the edit
// itself, and an edit that keeps its journal against the same edit without.
#include <cstdio>
#include <unistd.h>

#include "OpenBench.h"
#include "edit/DeletePass.h"
#include "edit/SamplePasses.h"
#include "edit/UndoBody.h"

using namespace tw;

int main(int argc, char** argv)
{
    const std::string dir = bench::scratchWithHour(argc, argv);
    DocumentState opened;
    if (dir.empty() || !bench::openHour(dir, "undo_", opened))
        return 1;
    bench::QuietProgress progress;
    bench::PrintingMessenger messages;

    const struct {
        const char* name;
        EditPass pass;
        std::uint32_t zoom;
        std::uint32_t selFinish;  // from column 0
    } edits[] = {
        {"fade_in", fadeInPass(), 10000, 15876},  // the whole sound
        {"delete_10s", deletePass(), 1000, 441},  // everything behind it moves
    };
    for (const auto& e : edits) {
        double plain = 1e9, kept = 1e9, undone = 1e9;
        for (int round = 0; round < 3; ++round) {
            for (const bool journaled : {false, true}) {
                DocumentState doc = bench::freshHour(opened, e.zoom, e.selFinish);
                UndoJournal journal;
                journal.reset(doc.tempDir);
                const double edit = bench::secondsOf(
                    [&] { runEditBody(doc, e.pass, progress, messages, journaled ? &journal : nullptr); });
                (journaled ? kept : plain) = std::min(journaled ? kept : plain, edit);
                if (journaled) {
                    ::sync();
                    undone = std::min(undone,
                                      bench::secondsOf([&] { runUndoBody(doc, journal, progress, messages); }));
                }
            }
        }
        bench::printRatio((std::string("undo_") + e.name).c_str(), undone, plain);
        bench::printRatio((std::string("journal_") + e.name).c_str(), kept, plain);
    }
    removeFile(opened.workPath);
    return 0;
}
