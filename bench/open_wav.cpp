// Opening a 60-minute WAV (copy plus overview) against cp of the same file
// plus one sequential read of the copy.
#include "OpenBench.h"

using namespace tw;

int main(int argc, char** argv)
{
    const std::string dir = bench::scratchWithHour(argc, argv);
    if (dir.empty())
        return 1;
    const std::string source = dir + "hour.wav";
    const std::string peer = dir + "open_wav_peer.wav";
    return bench::compareOpen("open_wav", source, dir,
                              "cp '" + source + "' '" + peer + "' && cat '" + peer + "' > /dev/null")
               ? 0
               : 1;
}
