// Saving the 60-minute sound as MP3 at 128 kbit/s, WMA at 96 kbit/s and WAV,
// against lame, ffmpeg and cp doing the same. Our saves end with fsync, so
// each peer ends with sync.
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
        {"save_mp3_128", "save.mp3", 128, "lame --quiet -b 128 '" + source + "' '" + dir + "peer.mp3' && sync"},
        {"save_wma_96", "save.wma", 96,
         "ffmpeg -v error -y -i '" + source + "' -c:a wmav2 -b:a 96k '" + dir + "peer.wma' && sync"},
        {"save_wav", "save.wav", 0, "cp '" + doc.workPath + "' '" + dir + "peer.wav' && sync"},
    };
    // TW_BENCH_ONLY=name runs one of them.
    const char* only = std::getenv("TW_BENCH_ONLY");
    for (const auto& s : saves) {
        if (only && std::string(only) != s.name)
            continue;
        bool completed = true;
        bench::compareBest(
            s.name,
            [&] {
                doc.sourceBitrate = s.bitrate;
                ExportResult result = ExportResult::NotStarted;
                const double t = bench::secondsOf([&] {
                    result = runExportBody(doc, dir + s.out, progress, messages, {"libmp3lame.so.0", module});
                });
                completed = completed && result == ExportResult::Completed;
                return t;
            },
            [&] { return bench::secondsOf([&] { bench::run(s.peer); }); });
        if (!completed) {
            std::fprintf(stderr, "%s: the save did not complete\n", s.name);
            return 1;
        }
    }
    removeFile(doc.workPath);
    return 0;
}
