// Opening a 60-minute WAV (copy plus overview) against cp of the same file
// plus one sequential read of the copy.
#include <algorithm>
#include <cstdio>
#include <unistd.h>

#include "OpenBench.h"
#include "document/OpenBody.h"

using namespace tw;

int main(int argc, char** argv)
{
    const std::string dir = bench::scratchWithHour(argc, argv);
    if (dir.empty())
        return 1;
    const std::string source = dir + "hour.wav";
    const std::string oursDir = dir + "open_wav_ours/";
    const std::string peerCopy = dir + "open_wav_peer.wav";
    if (!bench::run("mkdir -p '" + oursDir + "'"))
        return 1;

    bool completed = true;
    bench::compareBest(
        "open_wav",
        [&] {
            removeFile(oursDir + kWorkFileName);
            ::sync();
            DocumentState doc;
            doc.tempDir = oursDir;
            doc.sourcePath = source;
            bench::QuietProgress progress;
            bench::PrintingMessenger messages;
            tw::OpenCut cut;
            OpenResult result = OpenResult::Failed;
            const double t = bench::secondsOf([&] { result = runOpenBody(doc, progress, messages, cut); });
            completed = completed && result == OpenResult::Completed && doc.columnCount == 15876;
            return t;
        },
        [&] {
            removeFile(peerCopy);
            ::sync();
            const double t = bench::secondsOf([&] {
                bench::run("cp '" + source + "' '" + peerCopy + "' && cat '" + peerCopy + "' > /dev/null");
            });
            removeFile(peerCopy);
            return t;
        });
    if (!completed) {
        std::fprintf(stderr, "open_wav: the open did not complete\n");
        return 1;
    }
    removeFile(oursDir + kWorkFileName);
    return 0;
}
