// Opening a 128 kbit/s MP3 of the 60-minute sound (decode plus overview)
// against ffmpeg decoding it to a WAV file.
#include "OpenBench.h"

int main(int argc, char** argv)
{
    using namespace tw::bench;
    return decodedOpenMain(argc, argv, "open_mp3", [](const std::string& dir) {
        const std::string wav = dir + "hour.wav";
        const std::string mp3 = dir + "hour.mp3";
        const bool made = makeHourWave(wav) &&
                          (exists(mp3) ||
                           run("ffmpeg -loglevel error -y -i '" + wav + "' -c:a libmp3lame -b:a 128k '" + mp3 + "'"));
        return made ? mp3 : std::string();
    });
}
