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

    double ours = 1e9, peer = 1e9;
    for (int round = 0; round < 2; ++round) {
        ::sync();  // earlier writes must not be flushed on either side's clock
        removeFile(peerCopy);
        peer = std::min(peer, bench::secondsOf([&] {
            bench::run("cp '" + source + "' '" + peerCopy + "' && cat '" + peerCopy + "' > /dev/null");
        }));
        removeFile(peerCopy);

        removeFile(oursDir + kWorkFileName);
        ::sync();
        DocumentState doc;
        doc.tempDir = oursDir;
        doc.sourcePath = source;
        bench::QuietProgress progress;
        bench::PrintingMessenger messages;
        tw::OpenCut cut;
        OpenResult result = OpenResult::Failed;
        ours = std::min(ours, bench::secondsOf([&] { result = runOpenBody(doc, progress, messages, cut); }));
        if (result != OpenResult::Completed || doc.columnCount != 15876) {
            std::fprintf(stderr, "open_wav: the open did not complete (%u columns)\n", doc.columnCount);
            return 1;
        }
    }
    removeFile(oursDir + kWorkFileName);
    bench::printRatio("open_wav", ours, peer);
    return 0;
}
