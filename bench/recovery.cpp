// What keeping work for a restart costs on the 60-minute sound: writing the
// state file of a document with 200 Undo steps, and a Delete of 10 s near the
// start whose move logs every block against the same Delete without the log.
#include <cstdio>
#include <ctime>
#include <unistd.h>

#include "OpenBench.h"
#include "core/StateFile.h"
#include "core/StepLog.h"
#include "edit/DeletePass.h"
#include "edit/Recovery.h"
#include "edit/SamplePasses.h"

using namespace tw;

int main(int argc, char** argv)
{
    const std::string dir = bench::scratchWithHour(argc, argv);
    DocumentState opened;
    if (dir.empty() || !bench::openHour(dir, "recovery_", opened))
        return 1;
    bench::QuietProgress progress;
    bench::PrintingMessenger messages;

    {
        // A journal of 200 small steps.
        DocumentState doc = bench::freshHour(opened, 1000, 1);
        UndoJournal journal;
        journal.reset(doc.tempDir);
        for (int i = 0; i < 200; ++i)
            runEditBody(doc, volumePass(1.5f, false), progress, messages, &journal);
        double best = 1e9;
        for (int round = 0; round < 3; ++round)
            best = std::min(best, bench::secondsOf([&] {
                                writeStateFile(doc.tempDir, documentStateText(doc, journal, {}, std::time(nullptr)));
                            }));
        std::printf("state_write_200_steps %.3f ms\n", best * 1000);
        removeFile(doc.tempDir + kStateFileName);
    }

    double logged = 1e9, plain = 1e9;
    for (int round = 0; round < 3; ++round) {
        for (const bool withLog : {true, false}) {
            DocumentState doc = bench::freshHour(opened, 1000, 441);
            StepLog log(doc.tempDir);
            if (withLog)
                doc.stepLog = &log;
            UndoJournal journal;
            journal.setStepLog(withLog ? &log : nullptr);
            journal.reset(doc.tempDir);
            ::sync();
            const double t = bench::secondsOf([&] { runEditBody(doc, deletePass(), progress, messages, &journal); });
            (withLog ? logged : plain) = std::min(withLog ? logged : plain, t);
            log.clearRecord();
        }
    }
    bench::printRatio("delete_10s_logged", logged, plain);
    removeFile(opened.workPath);
    return 0;
}
