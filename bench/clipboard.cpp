// Copy, Paste and Normalize on the 60-minute sound against sox and cp doing
// the same: Copy of 10 minutes against cp of a file that size, a 10-minute
// clipboard pasted into the middle against sox joining the three parts, and
// Normalize of the whole sound to -1 dB against sox --norm.
#include <cstdio>
#include <unistd.h>

#include "OpenBench.h"
#include "edit/Clipboard.h"
#include "edit/NormalizePass.h"
#include "edit/PastePass.h"

using namespace tw;

int main(int argc, char** argv)
{
    const std::string dir = bench::scratchWithHour(argc, argv);
    DocumentState opened;
    if (dir.empty() || !bench::openHour(dir, "clip_", opened))
        return 1;
    const std::string source = dir + "hour.wav";
    bench::QuietProgress progress;
    bench::PrintingMessenger messages;
    // The peers' parts, made once: 10 minutes, and the two halves.
    const std::string clip = dir + "clip10.wav", first = dir + "first.wav", rest = dir + "rest.wav";
    if (!bench::run("sox '" + source + "' '" + clip + "' trim 0 600") ||
        !bench::run("sox '" + source + "' '" + first + "' trim 0 1800") ||
        !bench::run("sox '" + source + "' '" + rest + "' trim 1800"))
        return 1;
    const std::string peerOut = dir + "clip_peer.wav";

    Clipboard clipboard(opened.tempDir);
    bench::compareBest(
        "copy_10min",
        [&] {
            DocumentState doc = opened;
            doc.zoom = 1000;
            doc.selStart = 0;
            doc.selFinish = 600 * 44100 / 1000;
            return bench::secondsOf([&] { clipboard.copy(doc, progress); });
        },
        [&] {
            const double t = bench::secondsOf([&] { bench::run("cp '" + clip + "' '" + peerOut + "'"); });
            removeFile(peerOut);
            return t;
        });

    bench::compareBest(
        "edit_paste_10min",
        [&] {
            DocumentState doc = bench::freshHour(opened, 1000, 1);
            return bench::secondsOf(
                [&] { runPasteBody(doc, clipboard, 1800 * 44100 / 1000, progress, messages); });
        },
        [&] {
            const double t = bench::secondsOf(
                [&] { bench::run("sox '" + first + "' '" + clip + "' '" + rest + "' '" + peerOut + "'"); });
            removeFile(peerOut);
            return t;
        });

    bench::compareBest(
        "edit_normalize",
        [&] {
            DocumentState doc = bench::freshHour(opened, 10000, 15876);
            return bench::secondsOf([&] { runNormalizeBody(doc, -1, progress, messages); });
        },
        [&] {
            const double t = bench::secondsOf([&] { bench::run("sox --norm=-1 '" + source + "' '" + peerOut + "'"); });
            removeFile(peerOut);
            return t;
        });
    removeFile(opened.workPath);
    return 0;
}
