// Edits of the 60-minute sound, pass 2 included, against sox making the same
// edit: Fade In over the whole sound, Volume 50 %, Delete of the first 10 s.
#include <cstdio>
#include <unistd.h>

#include "OpenBench.h"
#include "edit/DeletePass.h"
#include "edit/SamplePasses.h"

using namespace tw;

int main(int argc, char** argv)
{
    const std::string dir = bench::scratchWithHour(argc, argv);
    DocumentState opened;
    if (dir.empty() || !bench::openHour(dir, "edit_", opened))
        return 1;
    const std::string source = dir + "hour.wav";
    bench::QuietProgress progress;
    bench::PrintingMessenger messages;

    const struct {
        const char* name;
        EditPass pass;
        std::uint32_t zoom;
        std::uint32_t selFinish;  // from column 0
        const char* sox;
    } edits[] = {
        {"edit_fade_in", fadeInPass(), 10000, 15876, "fade t 3600"},
        {"edit_volume_50", volumePass(0.5f, false), 10000, 15876, "vol 0.5"},
        {"edit_delete_10s", deletePass(), 1000, 441, "trim 10"},
    };
    const std::string peerOut = dir + "edit_peer.wav";
    for (const auto& e : edits) {
        bench::compareBest(
            e.name,
            [&] {
                DocumentState doc = bench::freshHour(opened, e.zoom, e.selFinish);
                return bench::secondsOf([&] { runEditBody(doc, e.pass, progress, messages); });
            },
            [&] {
                const double t = bench::secondsOf([&] { bench::run("sox '" + source + "' '" + peerOut + "' " + e.sox); });
                removeFile(peerOut);
                return t;
            });
    }
    removeFile(opened.workPath);
    return 0;
}
