// The effects on the whole 60-minute sound, pass 2 included, against sox
// making the same change; Insert Silence of 10 minutes into the middle against
// sox joining the halves around a silence; Statistics against ffmpeg's ebur128
// and astats.
#include <cstdio>

#include "OpenBench.h"
#include "edit/Effects.h"

using namespace tw;

int main(int argc, char** argv)
{
    const std::string dir = bench::scratchWithHour(argc, argv);
    DocumentState opened;
    if (dir.empty() || !bench::openHour(dir, "effect_", opened))
        return 1;
    const std::string source = dir + "hour.wav";
    bench::QuietProgress progress;
    bench::PrintingMessenger messages;
    const std::string peerOut = dir + "effect_peer.wav";
    const auto peer = [&](const std::string& command) {
        return [&, command] {
            const double t = bench::secondsOf([&] { bench::run(command); });
            removeFile(peerOut);
            return t;
        };
    };
    const auto whole = [&] {
        DocumentState doc = bench::freshHour(opened, 10000, 0);
        selectWhole(doc);
        return doc;
    };

    const struct {
        const char* name;
        const char* id;
        const char* sox;
    } kept[] = {{"effect_reverse", "reverse", "reverse"},
                {"effect_invert", "invert", "vol -1"},
                {"effect_swap", "swap-channels", "remix 2 1"},
                {"effect_dc", "remove-dc", "dcshift 0.01"}};
    for (const auto& k : kept) {
        const Effect& effect = *findEffect(k.id);
        bench::compareBest(
            k.name,
            [&] {
                DocumentState doc = whole();
                return bench::secondsOf([&] { runEffectBody(doc, effect, {}, progress, messages); });
            },
            peer("sox '" + source + "' '" + peerOut + "' " + k.sox));
    }

    const std::string first = dir + "effect_first.wav", rest = dir + "effect_rest.wav",
                      silence = dir + "effect_silence.wav";
    bench::run("sox '" + source + "' '" + first + "' trim 0 1800 && sox '" + source + "' '" + rest +
               "' trim 1800 && sox -n -r 44100 -c 2 -b 16 '" + silence + "' trim 0 600");
    const Effect& insert = *findEffect("insert-silence");
    bench::compareBest(
        "insert_silence_10min",
        [&] {
            DocumentState doc = whole();
            const EffectInput input{{600.0}, doc.frameCount / 2};
            return bench::secondsOf([&] { runEffectBody(doc, insert, input, progress, messages); });
        },
        peer("sox '" + first + "' '" + silence + "' '" + rest + "' '" + peerOut + "'"));
    for (const std::string& f : {first, rest, silence})
        removeFile(f);

    const Effect& statistics = *findEffect("statistics");
    bench::compareBest(
        "stats_hour",
        [&] {
            DocumentState doc = whole();
            return bench::secondsOf([&] { statistics.measure(doc, progress); });
        },
        peer("ffmpeg -nostdin -loglevel error -i '" + source + "' -af ebur128=peak=true,astats -f null -"));
    removeFile(opened.workPath);
    return 0;
}
