// Hours beyond the work file's limit: a 10-hour 44.1 kHz stereo WAV (size
// fields 0xFFFFFFFF, as a streaming writer leaves them) opened and cut at the
// limit, with its wall time and the program's peak resident memory; then a
// Fade In of the first six hours of the document that results, against sox
// making the same fade.
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

#include "OpenBench.h"
#include "edit/SamplePasses.h"
#include "wav/LittleEndian.h"

using namespace tw;

namespace {

// Ten times the hour's samples behind a header whose sizes say 0xFFFFFFFF.
bool makeTenHours(const std::string& hour, const std::string& path)
{
    if (bench::exists(path))
        return true;
    File in = File::openRead(hour);
    File out = File::create(path + ".part");
    if (!in || !out)
        return false;
    std::uint8_t header[44];
    if (in.readAt(header, 44, 0) != 44)
        return false;
    putLe32(header + 4, 0xFFFFFFFFu);
    putLe32(header + 40, 0xFFFFFFFFu);
    bool ok = out.write(header, 44);
    const std::uint64_t data = in.size() - 44;
    for (int i = 0; ok && i < 10; ++i)
        ok = copyAt(in, 44, out, 44 + i * data, data);
    return ok && out.close() && std::rename((path + ".part").c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string dir = bench::scratchWithHour(argc, argv);
    const std::string ten = dir + "ten.wav";
    if (dir.empty() || !makeTenHours(dir + "hour.wav", ten))
        return 1;
    ::sync();
    DocumentState doc;
    doc.tempDir = dir + "scale_";
    doc.sourcePath = ten;
    bench::QuietProgress progress;
    bench::PrintingMessenger messages;
    OpenCut cut;
    OpenResult result = OpenResult::Failed;
    const double open = bench::secondsOf([&] { result = runOpenBody(doc, progress, messages, cut); });
    if (result != OpenResult::Completed || !cut.cut) {
        std::fprintf(stderr, "open_wav_10h: the open did not complete at the limit\n");
        return 1;
    }
    std::fprintf(stderr, "message: %s\n", openCutMessage(cut.keptSeconds).c_str());
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("open_wav_10h %.3f s\n", open);
    std::printf("open_wav_10h_peak_memory %.1f MB\n", usage.ru_maxrss / 1024.0);
    std::fflush(stdout);

    // The first six hours, at 10 : 1.
    const std::uint32_t columns = 6 * 3600 * 44100 / 10000;
    const std::string peerOut = dir + "scale_peer.wav";
    const std::string kept = dir + "scale_kept.wav";
    bench::run("cp '" + doc.workPath + "' '" + kept + "'");
    bench::compareBest(
        "edit_fade_in_6h",
        [&] {
            bench::run("cp '" + kept + "' '" + doc.workPath + "'");
            DocumentState d = doc;
            d.zoom = 10000;
            d.columnCount = (d.frameCount + d.zoom - 1) / d.zoom;
            d.selStart = 0;
            d.selFinish = columns;
            ::sync();
            return bench::secondsOf([&] { runEditBody(d, fadeInPass(), progress, messages); });
        },
        [&] {
            const double t = bench::secondsOf([&] { bench::run("sox '" + kept + "' '" + peerOut + "' fade t 6:00:00"); });
            removeFile(peerOut);
            return t;
        });
    removeFile(kept);
    removeFile(doc.workPath);
    return 0;
}
