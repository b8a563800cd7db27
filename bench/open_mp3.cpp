// Opening a 128 kbit/s MP3 of the 60-minute sound (decode plus overview)
// against ffmpeg decoding it to a WAV file.
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <cstdlib>

#include "OpenBench.h"
#include "audio/bass.h"
#include "document/OpenBody.h"

using namespace tw;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s scratch-dir\n", argv[0]);
        return 2;
    }
    ::setenv("TARNWICK_AUDIO", "none", 0);
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "open_mp3: skipped, the audio layer does not start\n");
        return 0;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const std::string wav = dir + "hour.wav";
    const std::string mp3 = dir + "hour.mp3";
    if (!bench::makeHourWave(wav))
        return 1;
    if (!bench::exists(mp3) &&
        !bench::run("ffmpeg -loglevel error -y -i '" + wav + "' -c:a libmp3lame -b:a 128k '" + mp3 + "'"))
        return 1;
    const std::string oursDir = dir + "open_mp3_ours/";
    const std::string peerOut = dir + "open_mp3_peer.wav";
    if (!bench::run("mkdir -p '" + oursDir + "'"))
        return 1;

    double ours = 1e9, peer = 1e9;
    for (int round = 0; round < 2; ++round) {
        ::sync();  // earlier writes must not be flushed on either side's clock
        removeFile(peerOut);
        peer = std::min(peer, bench::secondsOf([&] {
            bench::run("ffmpeg -loglevel error -y -i '" + mp3 + "' '" + peerOut + "'");
        }));
        removeFile(peerOut);

        removeFile(oursDir + kWorkFileName);
        ::sync();
        DocumentState doc;
        doc.tempDir = oursDir;
        doc.sourcePath = mp3;
        bench::QuietProgress progress;
        bench::PrintingMessenger messages;
        tw::OpenCut cut;
        OpenResult result = OpenResult::Failed;
        ours = std::min(ours, bench::secondsOf([&] { result = runOpenBody(doc, progress, messages, cut); }));
        if (result != OpenResult::Completed) {
            std::fprintf(stderr, "open_mp3: the open did not complete\n");
            BASS_Free();
            return 1;
        }
    }
    removeFile(oursDir + kWorkFileName);
    BASS_Free();
    bench::printRatio("open_mp3", ours, peer);
    return 0;
}
