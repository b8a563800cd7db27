// Saving the 60-minute sound as MP3 at 128 kbit/s, WMA at 96 kbit/s and WAV,
// against lame, ffmpeg and cp doing the same.
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

#include "OpenBench.h"
#include "export/ExportBody.h"

using namespace tw;

int main(int argc, char** argv)
{
    const std::string dir = bench::scratchWithHour(argc, argv);
    DocumentState doc;
    if (dir.empty() || !bench::openHour(dir, "save_", doc))
        return 1;
    const std::string source = dir + "hour.wav";
    bench::QuietProgress progress;
    bench::PrintingMessenger messages;
    doc.sourceBitrate = 128;
    const std::string module = std::string(argv[0]).substr(0, std::string(argv[0]).find_last_of('/') + 1) +
                               "libtarnwick-wma.so";
    const struct {
        const char* name;
        const char* out;
        std::uint32_t bitrate;
        std::string peer;
    } saves[] = {
        {"save_mp3_128", "save.mp3", 128, "lame --quiet -b 128 '" + source + "' '" + dir + "peer.mp3'"},
        {"save_wma_96", "save.wma", 96,
         "ffmpeg -v error -y -i '" + source + "' -c:a wmav2 -b:a 96k '" + dir + "peer.wma'"},
        {"save_wav", "save.wav", 0, "cp '" + source + "' '" + dir + "peer.wav'"},
    };
    // TW_BENCH_ONLY=name runs one of them.
    const char* only = std::getenv("TW_BENCH_ONLY");
    for (const auto& s : saves) {
        if (only && std::string(only) != s.name)
            continue;
        double ours = 1e9, peer = 1e9;
        for (int round = 0; round < 2; ++round) {
            doc.sourceBitrate = s.bitrate;
            ::sync();
            ExportResult result = ExportResult::NotStarted;
            ours = std::min(ours, bench::secondsOf([&] {
                result = runExportBody(doc, dir + s.out, progress, messages, {"libmp3lame.so.0", module});
            }));
            ::sync();
            peer = std::min(peer, bench::secondsOf([&] { bench::run(s.peer); }));
            if (result != ExportResult::Completed) {
                std::fprintf(stderr, "%s: the save did not complete\n", s.name);
                return 1;
            }
        }
        bench::printRatio(s.name, ours, peer);
    }
    removeFile(doc.workPath);
    return 0;
}
