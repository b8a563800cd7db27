// Decoding speed: our MP3 decoding stream against the ffmpeg command line on
// the same generated 10-minute file, both writing the PCM to /dev/null.
// Prints "decode_mp3 ours_seconds peer_seconds ratio".
#include "audio/bass.h"
#include "OpenBench.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

double secondsOf(auto&& body)
{
    const auto start = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool shell(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s scratch-dir\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    const std::string mp3 = (dir / "bench-10min.mp3").string();
    // Ten minutes of a changing stereo signal, encoded by LAME at 192 kbit/s.
    if (!shell("ffmpeg -nostdin -y -f lavfi -i 'aevalsrc=0.4*sin(2*PI*(300+200*sin(t))*t)|0.3*sin(2*PI*(500+50*t)*t)"
               ":s=44100:d=600' -c:a libmp3lame -b:a 192k '" + mp3 + "'")) {
        std::fprintf(stderr, "decode_mp3: could not generate %s\n", mp3.c_str());
        return 1;
    }

    QWORD total = 0;
    tw::bench::compareBest(
        "decode_mp3",
        [&] {
            return secondsOf([&] {
                FILE* sink = std::fopen("/dev/null", "wb");
                const HSTREAM h = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, BASS_STREAM_DECODE);
                std::vector<unsigned char> block(10000);
                total = 0;
                while (h && sink && BASS_ChannelIsActive(h)) {
                    const DWORD got = BASS_ChannelGetData(h, block.data(), DWORD(block.size()));
                    if (got == 0 || got == BASS_ERROR_DWORD)
                        break;
                    std::fwrite(block.data(), 1, got, sink);
                    total += got;
                }
                BASS_StreamFree(h);
                if (sink)
                    std::fclose(sink);
            });
        },
        [&] {
            return secondsOf(
                [&] { shell("ffmpeg -nostdin -v quiet -i '" + mp3 + "' -f s16le -acodec pcm_s16le -y /dev/null"); });
        });
    if (total == 0) {
        std::fprintf(stderr, "decode_mp3: our decoder delivered nothing\n");
        return 1;
    }
    return 0;
}
