#include "edit/SamplePasses.h"

#include "edit/PassRecipes.h"

#include <algorithm>
#include <cmath>

#include "wav/LittleEndian.h"

namespace tw {

namespace {

// Applies change(value) to every sample of the range: value is b - 128 for
// 8 bits and the signed sample for 16 bits; frame is the frame's index in the
// range. The result is clamped to -128..127 or -32767..32767.
template <class Change>
bool changeSamples(File& work, const DocumentState& doc, const EditRange& range, Progress& progress, Change change)
{
    const bool eightBit = doc.bitsPerSample == 8;
    const std::size_t sampleBytes = eightBit ? 1 : 2;
    const std::size_t perFrame = doc.frameSize / sampleBytes;
    return forEachBlock(work, doc, range, progress, [&](std::uint8_t* bytes, std::size_t size, std::uint32_t first) {
        const std::size_t frames = size / doc.frameSize;
        for (std::size_t f = 0; f < frames; ++f) {
            const std::uint32_t frame = first + static_cast<std::uint32_t>(f);
            std::uint8_t* p = bytes + f * doc.frameSize;
            for (std::size_t c = 0; c < perFrame; ++c, p += sampleBytes) {
                if (eightBit) {
                    p[0] = static_cast<std::uint8_t>(std::clamp(change(int{p[0]} - 128, frame), -128, 127) + 128);
                } else {
                    const auto s = static_cast<std::int16_t>(getLe16(p));
                    putLe16(p, static_cast<std::uint16_t>(std::clamp(change(int{s}, frame), -32767, 32767)));
                }
            }
        }
    });
}

bool fade(File& work, const DocumentState& doc, const EditRange& range, Progress& progress, bool in)
{
    // 100 flat steps of rangeFrames / 100 frames each.
    const auto step = static_cast<std::uint32_t>(std::max<std::uint64_t>(range.rangeFrames / 100, 1));
    return changeSamples(work, doc, range, progress, [step, in](int value, std::uint32_t frame) {
        const int percent = in ? static_cast<int>(frame / step) : 100 - static_cast<int>(frame / step);
        return value * percent / 100;
    });
}

}  // namespace

EditPass fadeInPass()
{
    EditPass pass{Footprint::InPlace, [](File& work, DocumentState& doc, const EditRange& range, Progress& progress, std::uint64_t&) {
                return fade(work, doc, range, progress, true);
            }};
    pass.recipe = "fadein";
    return pass;
}

EditPass fadeOutPass()
{
    EditPass pass{Footprint::InPlace, [](File& work, DocumentState& doc, const EditRange& range, Progress& progress, std::uint64_t&) {
                return fade(work, doc, range, progress, false);
            }};
    pass.recipe = "fadeout";
    return pass;
}

float volumeGain(int position)
{
    constexpr float kGains[] = {2.5f, 2.0f, 1.5f, 1.0f, 0.75f, 0.5f};
    return position >= 0 && position < 6 ? kGains[position] : 0.25f;
}

EditPass volumePass(float gain, bool mute)
{
    EditPass pass{Footprint::Unchanged, {}};
    if (gain != 1.0f || mute)
        pass = {Footprint::InPlace, [gain, mute](File& work, DocumentState& doc, const EditRange& range, Progress& progress,
                                        std::uint64_t&) {
                return changeSamples(work, doc, range, progress, [gain, mute](int value, std::uint32_t) {
                    return mute ? 0 : static_cast<int>(std::trunc(static_cast<float>(value) * gain));
                });
            }};
    pass.recipe = recipeText({"volume", exactText(gain), mute ? "1" : "0"});
    return pass;
}

int NormalizeScale::operator()(int value) const
{
    if (value == peak || value == -peak)
        return value < 0 ? -level : level;
    // |value| < peak <= 32768 and level <= 32767: the product fits in 32 bits.
    return exact ? value * level / peak : static_cast<int>(std::trunc(static_cast<double>(value) * gain));
}

EditPass normalizePass(const NormalizeScale& scale)
{
    EditPass pass{Footprint::InPlace, [scale](File& work, DocumentState& doc, const EditRange& range, Progress& progress,
                                        std::uint64_t&) {
                return changeSamples(work, doc, range, progress,
                                     [&scale](int value, std::uint32_t) { return scale(value); });
            }};
    pass.recipe = recipeText({"normalize", std::to_string(scale.peak), std::to_string(scale.level),
                              exactText(scale.gain), scale.exact ? "1" : "0"});
    return pass;
}

}  // namespace tw
