// Opening a 3-hour 64 kbit/s WMA (the exact-length pass, the decode and the
// overview) against ffmpeg decoding it to a WAV file.
#include "OpenBench.h"

int main(int argc, char** argv)
{
    using namespace tw::bench;
    return decodedOpenMain(argc, argv, "open_wma_3h", [](const std::string& dir) {
        const std::string wma = dir + "three-hours.wma";
        const bool made = exists(wma) || run("ffmpeg -loglevel error -y -f lavfi -i "
                                             "'sine=frequency=440:duration=10800:sample_rate=44100' "
                                             "-ac 2 -c:a wmav2 -b:a 64k '" + wma + "'");
        return made ? wma : std::string();
    });
}
