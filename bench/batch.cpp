// The batch program end to end on the 60-minute sound: a fade-in of the first
// 10 s saved as WAV against sox, and the sound saved as MP3 against lame.
#include <cstdio>
#include <string>

#include "OpenBench.h"

using namespace tw;

int main(int argc, char** argv)
{
    const std::string dir = bench::scratchWithHour(argc, argv);
    if (dir.empty())
        return 1;
    const std::string source = dir + "hour.wav";
    const std::string self(argv[0]);
    const std::string batch = self.substr(0, self.find_last_of('/') + 1) + "tarnwick-batch";
    const struct {
        const char* name;
        std::string ours, peer;
    } runs[] = {
        {"batch_fade_in_wav", batch + " --quiet '" + source + "' --select 0 10 --fade-in --save '" + dir + "b.wav'",
         "sox '" + source + "' '" + dir + "p.wav' fade t 10"},
        {"batch_mp3_128", batch + " --quiet '" + source + "' --save '" + dir + "b.mp3'",
         "lame --quiet -b 128 '" + source + "' '" + dir + "p.mp3'"},
    };
    for (const auto& r : runs)
        bench::compareBest(
            r.name, [&] { return bench::secondsOf([&] { bench::run(r.ours); }); },
            [&] { return bench::secondsOf([&] { bench::run(r.peer); }); });
    return 0;
}
