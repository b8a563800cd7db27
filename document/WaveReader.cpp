#include "document/WaveReader.h"

#include <cstring>
#include <limits>

#include "document/LittleEndian.h"

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

std::optional<File> readWorkFile(DocumentState& doc, Messenger& messages)
{
    File file = File::openRead(doc.workPath);
    if (!file) {
        messages.inform(kMsgCannotOpenFile);
        return std::nullopt;
    }

    // Bytes 0 to 11 (RIFF, size, WAVE) are not looked at.
    std::uint8_t skipped[12];
    file.read(skipped, sizeof skipped);

    std::uint8_t fmt[24];
    if (file.read(fmt, sizeof fmt) != sizeof fmt || std::memcmp(fmt, "fmt ", 4) != 0) {
        messages.inform(kMsgNotValidWave);
        return std::nullopt;
    }
    const std::uint32_t fmtSize = getLe32(fmt + 4);
    if (getLe16(fmt + 8) != 1) {
        messages.inform(kMsgCompressedWave);
        return std::nullopt;
    }
    doc.channels = getLe16(fmt + 10);
    doc.sampleRate = getLe32(fmt + 12);
    doc.bitsPerSample = getLe16(fmt + 22);

    if (fmtSize > 16)
        file.skip(fmtSize - 16);

    std::uint8_t chunk[8];
    for (;;) {
        if (file.read(chunk, sizeof chunk) != sizeof chunk) {
            messages.inform(kMsgNotValidWave);
            return std::nullopt;
        }
        if (std::memcmp(chunk, "data", 4) == 0)
            break;
        const std::uint32_t size = getLe32(chunk + 4);
        file.skip(std::uint64_t{size} + (size & 1));
    }

    const std::uint64_t offset = file.position();
    if (offset > std::numeric_limits<std::uint32_t>::max()) {
        messages.inform(kMsgNotValidWave);
        return std::nullopt;
    }
    doc.dataOffset = static_cast<std::uint32_t>(offset);
    doc.dataLength = getLe32(chunk + 4);
    doc.dataEnd = doc.dataOffset + doc.dataLength;

    const auto seconds = waveDurationSeconds(doc.dataLength, doc.sampleRate, doc.channels, doc.bitsPerSample);
    if (!seconds) {
        messages.inform(kMsgNotValidWave);
        return std::nullopt;
    }
    doc.durationSeconds = *seconds;

    if (doc.bitsPerSample != 8 && doc.bitsPerSample != 16) {
        messages.inform(kMsgNotPcm);
        return std::nullopt;
    }
    doc.frameSize = waveFrameSize(doc.channels, doc.bitsPerSample);
    doc.frameCount = doc.dataLength / doc.frameSize;
    return file;
}

}  // namespace tw
