// The filter effects on the whole 60-minute sound, pass 2 included, against
// ffmpeg running the same filters with the same parameters (Loudness: its
// measuring run and its applying run).
#include <cstdio>

#include "OpenBench.h"
#include "edit/FilterEffects.h"

using namespace tw;

int main(int argc, char** argv)
{
    const std::string dir = bench::scratchWithHour(argc, argv);
    DocumentState opened;
    if (dir.empty() || !bench::openHour(dir, "filters_", opened))
        return 1;
    const std::string source = dir + "hour.wav";
    const std::string peerOut = dir + "filters_peer.wav";
    bench::QuietProgress progress;
    bench::PrintingMessenger messages;
    const auto ffmpeg = [&](const std::string& filters) {
        bench::run("ffmpeg -v error -y -i '" + source + "' -af '" + filters + "' '" + peerOut + "'");
    };

    const struct {
        const char* name;
        FilterEffect effect;
    } effects[] = {
        {"effect_denoise", denoiseEffect(12, -50)},
        {"effect_tempo", tempoEffect(10)},
        {"effect_pitch", pitchEffect(1)},
        {"effect_speed", speedEffect(25, 44100)},
        {"effect_bass_treble", bassTrebleEffect(6, -3)},
        {"effect_highpass", highpassEffect(200, 24)},
        {"effect_lowpass", lowpassEffect(5000, 24)},
        {"effect_compressor", compressorEffect(-20, 4, 20, 250, 0)},
    };
    const auto whole = [&] { return bench::freshHour(opened, 10000, 15876); };
    // A second argument runs only the figures whose names hold it.
    const std::string only = argc > 2 ? argv[2] : "";
    const auto chosen = [&only](const char* name) { return std::string(name).find(only) != std::string::npos; };
    for (const auto& e : effects) {
        if (!chosen(e.name))
            continue;
        bench::compareBest(
            e.name,
            [&] {
                DocumentState doc = whole();
                return bench::secondsOf([&] { runFilterEffectBody(doc, e.effect, progress, messages); });
            },
            [&] {
                const double t = bench::secondsOf([&] { ffmpeg(e.effect.chain); });
                removeFile(peerOut);
                return t;
            });
    }
    if (chosen("effect_loudness")) {
        bench::compareBest(
            "effect_loudness",
            [&] {
                DocumentState doc = whole();
                return bench::secondsOf([&] { runLoudnessBody(doc, -16, -1, progress, messages); });
            },
            [&] {
                const double t = bench::secondsOf([&] {
                    bench::run("ffmpeg -v error -i '" + source + "' -af loudnorm=I=-16:TP=-1:print_format=json -f null - 2>/dev/null");
                    ffmpeg("loudnorm=I=-16:TP=-1:LRA=20:linear=true");
                });
                removeFile(peerOut);
                return t;
            });
    }
    removeFile(opened.workPath);
    return 0;
}
