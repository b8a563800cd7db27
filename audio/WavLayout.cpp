#include "audio/WavLayout.h"

#include "wav/WaveRules.h"

namespace tw::audio {

std::optional<WavLayout> readWavLayout(const File& file)
{
    const tw::WaveRulesResult rules = tw::applyWaveRules(
        [&file](std::uint64_t offset, void* buffer, std::size_t size) { return file.readAt(buffer, size, offset); },
        file.size());
    if (!rules.ok())
        return std::nullopt;
    WavLayout layout;
    layout.sampleRate = rules.sampleRate;
    layout.channels = static_cast<std::uint16_t>(rules.channels);
    layout.bitsPerSample = static_cast<std::uint16_t>(rules.bitsPerSample);
    layout.dataOffset = rules.dataOffset;
    layout.dataLength = rules.dataLength;
    if (layout.sampleRate == 0 || layout.channels == 0)
        return std::nullopt;
    return layout;
}

}  // namespace tw::audio
