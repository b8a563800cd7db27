// Opening a 3-hour 64 kbit/s WMA (the exact-length pass, the decode and the
// overview) against ffmpeg decoding it to a WAV file.
#include <cstdio>
#include <cstdlib>

#include "OpenBench.h"
#include "audio/bass.h"

using namespace tw;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s scratch-dir\n", argv[0]);
        return 2;
    }
    ::setenv("TARNWICK_AUDIO", "none", 0);
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "open_wma: skipped, the audio layer does not start\n");
        return 0;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const std::string wma = dir + "three-hours.wma";
    const bool made = bench::exists(wma) ||
                      bench::run("ffmpeg -loglevel error -y -f lavfi -i "
                                 "'sine=frequency=440:duration=10800:sample_rate=44100' "
                                 "-ac 2 -c:a wmav2 -b:a 64k '" + wma + "'");
    const bool ok = made && bench::compareOpen("open_wma_3h", wma, dir);
    BASS_Free();
    return ok ? 0 : 1;
}
