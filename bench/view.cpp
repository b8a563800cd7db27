// The waveform view of the 60-minute sound: one repaint of 700 visible
// columns at 1 : 1 and at 10 : 1, and at 500 and 1 frames per column (the
// peaks read from the work file as they are drawn); the reload from 10 : 1 to
// 1 : 1 and Zoom to Fit (the reload at the fit level) against one sequential
// read of the work file.
#include <QGuiApplication>

#include <cstdio>
#include <unistd.h>

#include "OpenBench.h"
#include "core/ZoomLadder.h"
#include "document/Overview.h"
#include "document/ReloadBody.h"
#include "view/WaveView.h"

using namespace tw;

namespace {

// Milliseconds of one repaint, the best of many, of the middle of the strip;
// below 1000 frames per column with the peaks read from the work file.
double repaintMs(DocumentState& doc)
{
    std::vector<std::int16_t> left, right;
    const File work = File::openRead(doc.workPath);
    WaveScene scene;
    scene.columnCount = doc.columnCount;
    scene.channels = doc.channels;
    scene.sampleRate = doc.sampleRate;
    scene.durationSeconds = doc.durationSeconds;
    scene.zoom = doc.zoom;
    scene.peakLeft = &doc.peakLeft;
    scene.peakRight = &doc.peakRight;
    scene.selStart = doc.columnCount / 3;
    scene.selFinish = doc.columnCount / 2 + 100;
    scene.finish = {1800, scene.selFinish};
    scene.cursor = {1790, doc.columnCount / 2};
    QImage image(700, kWaveRows, QImage::Format_RGB32);
    const std::uint32_t first = doc.columnCount > 700 ? doc.columnCount / 2 - 350 : 0;
    double best = 1e9;
    for (int i = 0; i < 200; ++i)
        best = std::min(best, bench::secondsOf([&] {
            if (doc.zoom < kFinestOverviewZoom) {
                readPeaks(work, doc.dataOffset, doc.frameCount, {doc.channels, doc.bitsPerSample, doc.frameSize, doc.zoom},
                          first, 700, left, right);
                scene.peakLeft = &left;
                scene.peakRight = &right;
                scene.peakFirst = first;
            }
            drawWaveView(image, first, scene);
        }));
    return best * 1000;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s scratch-dir\n", argv[0]);
        return 2;
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    const std::string dir = std::string(argv[1]) + "/";
    const std::string source = dir + "hour.wav";
    if (!bench::makeHourWave(source))
        return 1;
    DocumentState doc;
    doc.tempDir = dir + "view_";
    doc.sourcePath = source;
    bench::QuietProgress progress;
    bench::PrintingMessenger messages;
    OpenCut cut;
    if (runOpenBody(doc, progress, messages, cut) != OpenResult::Completed)
        return 1;
    std::printf("view_repaint_10to1 %.3f ms\n", repaintMs(doc));

    bench::compareBest(
        "reload_10to1_to_1to1",
        [&] {
            doc.zoom = 1000;
            return bench::secondsOf([&] { runReloadBody(doc, progress, messages); });
        },
        [&] { return bench::secondsOf([&] { bench::run("cat '" + doc.workPath + "' > /dev/null"); }); });
    std::printf("view_repaint_1to1 %.3f ms\n", repaintMs(doc));
    for (const std::uint32_t zoom : {500u, 1u}) {
        doc.zoom = zoom;
        runReloadBody(doc, progress, messages);  // the columns, no arrays
        std::printf("view_repaint_%u_frames %.3f ms\n", zoom, repaintMs(doc));
    }

    bench::compareBest(
        "zoom_fit_hour",
        [&] {
            doc.zoom = 1000;
            runReloadBody(doc, progress, messages);
            doc.zoom = fitZoom(doc.frameCount, 700);
            return bench::secondsOf([&] { runReloadBody(doc, progress, messages); });
        },
        [&] { return bench::secondsOf([&] { bench::run("cat '" + doc.workPath + "' > /dev/null"); }); });
    removeFile(doc.workPath);
    return 0;
}
