#include "wav/WaveRules.h"

#include <algorithm>
#include <cstring>

#include "wav/LittleEndian.h"

namespace tw {

std::optional<std::uint32_t> waveDurationSeconds(std::uint32_t dataLength, std::uint32_t sampleRate,
                                                 std::uint32_t channels, std::uint32_t bitsPerSample)
{
    // Wrapping unsigned product, read as signed 32-bit.
    const auto product = static_cast<std::int32_t>(sampleRate * channels * bitsPerSample);
    if (product < 8)
        return std::nullopt;
    const auto byteRate = static_cast<std::uint32_t>(product / 8);
    return dataLength / byteRate;
}

std::uint32_t waveFrameSize(std::uint32_t channels, std::uint32_t bitsPerSample)
{
    const std::uint32_t bytes = bitsPerSample == 8 ? 1 : 2;
    return channels == 1 ? bytes : 2 * bytes;
}

WaveRulesResult applyWaveRules(const ReadAt& readAt, std::uint64_t fileSize)
{
    WaveRulesResult r;
    const auto fail = [&r](WaveRuleError error) {
        r.error = error;
        return r;
    };

    // Bytes 0 to 11 (RIFF, size, WAVE) are not looked at; "fmt " must start at 12.
    std::uint8_t fmt[24];
    if (readAt(12, fmt, sizeof fmt) != sizeof fmt || std::memcmp(fmt, "fmt ", 4) != 0)
        return fail(WaveRuleError::NotValidWave);
    if (getLe16(fmt + 8) != 1)
        return fail(WaveRuleError::Compressed);
    r.haveFormat = true;
    r.channels = getLe16(fmt + 10);
    r.sampleRate = getLe32(fmt + 12);
    r.bitsPerSample = getLe16(fmt + 22);

    // Skip the rest of a longer format block, then walk the chunks to "data",
    // each odd-sized chunk with its pad byte.
    const std::uint32_t fmtSize = getLe32(fmt + 4);
    std::uint64_t position = 12 + 24 + (fmtSize > 16 ? fmtSize - 16 : 0);
    std::uint8_t chunk[8];
    for (;;) {
        if (readAt(position, chunk, sizeof chunk) != sizeof chunk)
            return fail(WaveRuleError::NotValidWave);
        position += sizeof chunk;
        const std::uint32_t size = getLe32(chunk + 4);
        if (std::memcmp(chunk, "data", 4) == 0)
            break;
        position += std::uint64_t{size} + (size & 1);
    }
    r.haveData = true;
    r.dataOffset = position;
    r.dataLengthField = getLe32(chunk + 4);
    const std::uint64_t held = fileSize > position ? fileSize - position : 0;
    r.dataLength = static_cast<std::uint32_t>(std::min<std::uint64_t>(r.dataLengthField, held));

    const auto seconds = waveDurationSeconds(r.dataLength, r.sampleRate, r.channels, r.bitsPerSample);
    if (!seconds)
        return fail(WaveRuleError::NotValidWave);
    r.haveDuration = true;
    r.durationSeconds = *seconds;

    if (r.bitsPerSample != 8 && r.bitsPerSample != 16)
        return fail(WaveRuleError::NotPcm);
    return r;
}

}  // namespace tw
