#include "app/audio/WavLayout.h"

#include <algorithm>
#include <cstring>

namespace tarnwick::audio {

namespace {

std::uint32_t le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint16_t le16(const std::uint8_t* p)
{
    return std::uint16_t(p[0] | p[1] << 8);
}

}  // namespace

std::optional<WavLayout> readWavLayout(const PcmFile& file)
{
    // Bytes 0..11 (RIFF, size, WAVE) are not examined; "fmt " must be at 12.
    std::uint8_t fmt[24];
    if (!file.readAt(12, fmt, sizeof fmt))
        return std::nullopt;
    if (std::memcmp(fmt, "fmt ", 4) != 0 || le16(fmt + 8) != 1)
        return std::nullopt;
    WavLayout layout;
    const std::uint32_t fmtSize = le32(fmt + 4);
    layout.channels = le16(fmt + 10);
    layout.sampleRate = le32(fmt + 12);
    layout.bitsPerSample = le16(fmt + 22);
    if (layout.bitsPerSample != 8 && layout.bitsPerSample != 16)
        return std::nullopt;
    if (layout.sampleRate == 0 || layout.channels == 0)
        return std::nullopt;

    std::uint64_t pos = 12 + 8 + std::uint64_t(std::max<std::uint32_t>(fmtSize, 16));
    const std::uint64_t size = file.size();
    for (;;) {
        std::uint8_t header[8];
        if (pos + 8 > size || !file.readAt(pos, header, sizeof header))
            return std::nullopt;
        const std::uint32_t chunkSize = le32(header + 4);
        pos += 8;
        if (std::memcmp(header, "data", 4) == 0) {
            layout.dataOffset = pos;
            layout.dataLength = chunkSize;
            return layout;
        }
        pos += chunkSize + (chunkSize & 1u);
    }
}

}  // namespace tarnwick::audio
