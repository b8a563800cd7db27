// Opening a 128 kbit/s MP3 of the 60-minute sound (decode plus overview)
// against ffmpeg decoding it to a WAV file.
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
        std::fprintf(stderr, "open_mp3: skipped, the audio layer does not start\n");
        return 0;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const std::string wav = dir + "hour.wav";
    const std::string mp3 = dir + "hour.mp3";
    const bool made = bench::makeHourWave(wav) &&
                      (bench::exists(mp3) ||
                       bench::run("ffmpeg -loglevel error -y -i '" + wav + "' -c:a libmp3lame -b:a 128k '" + mp3 + "'"));
    const bool ok = made && bench::compareOpen("open_mp3", mp3, dir);
    BASS_Free();
    return ok ? 0 : 1;
}
