#include "document/WaveHeader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "wav/LittleEndian.h"

namespace tw {

std::array<std::uint8_t, kWaveHeaderSize> makeWaveHeader(std::uint32_t sampleRate,
                                                         std::uint32_t decoderChannels,
                                                         std::uint32_t bitsPerSample)
{
    const std::uint32_t blockAlign = decoderChannels * bitsPerSample / 8;
    std::array<std::uint8_t, kWaveHeaderSize> h{};
    std::memcpy(&h[0], "RIFF", 4);
    putLe32(&h[4], 0);
    std::memcpy(&h[8], "WAVE", 4);
    std::memcpy(&h[12], "fmt ", 4);
    putLe32(&h[16], 16);
    putLe16(&h[20], 1);
    putLe16(&h[22], static_cast<std::uint16_t>(decoderChannels == 1 ? 1 : 2));
    putLe32(&h[24], sampleRate);
    putLe32(&h[28], sampleRate * blockAlign);
    putLe16(&h[32], static_cast<std::uint16_t>(blockAlign));
    putLe16(&h[34], static_cast<std::uint16_t>(bitsPerSample));
    std::memcpy(&h[36], "data", 4);
    putLe32(&h[40], 0);
    return h;
}

bool writeWaveHeader(File& file, std::uint32_t sampleRate, std::uint32_t decoderChannels,
                     std::uint32_t bitsPerSample)
{
    const auto h = makeWaveHeader(sampleRate, decoderChannels, bitsPerSample);
    return file.write(h.data(), h.size());
}

bool patchWaveSizes(File& file)
{
    const std::uint64_t n = file.size();
    std::uint8_t field[4];
    putLe32(field, static_cast<std::uint32_t>(n - 8));
    bool ok = file.writeAt(field, 4, 4);
    putLe32(field, static_cast<std::uint32_t>(n - 44));
    ok = file.writeAt(field, 4, 40) && ok;
    return ok;
}

std::array<std::uint8_t, kWaveHeaderSize> finishedWaveHeader(std::uint32_t sampleRate, std::uint32_t channels,
                                                              std::uint32_t bitsPerSample, std::uint64_t dataBytes)
{
    auto h = makeWaveHeader(sampleRate, channels, bitsPerSample);
    const auto field = [](std::uint64_t v) { return static_cast<std::uint32_t>(std::min<std::uint64_t>(v, UINT32_MAX)); };
    putLe16(&h[22], static_cast<std::uint16_t>(channels));
    putLe32(&h[4], field(kWaveHeaderSize - 8 + dataBytes));
    putLe32(&h[40], field(dataBytes));
    return h;
}

std::uint64_t waveDataLimit(std::uint32_t blockAlign, std::uint64_t fileLimit)
{
    const std::uint64_t unit = blockAlign == 0 ? 1 : blockAlign;
    const std::uint64_t room = std::min(fileLimit, kMaxWorkFileBytes);
    return room <= kWaveHeaderSize ? 0 : (room - kWaveHeaderSize) / unit * unit;
}

}  // namespace tw
