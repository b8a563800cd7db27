#include "audio/MpegFrameHeader.h"

namespace tw::audio {

namespace {

// kbit/s by [MPEG-1 or not][layer - 1][index].
constexpr int kBitrates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};
constexpr int kRates[3] = {44100, 48000, 32000};

}  // namespace

std::uint32_t MpegFrameHeader::formatKey() const
{
    return std::uint32_t(version) << 24 | std::uint32_t(layer) << 20 | std::uint32_t(channels) << 18 |
           std::uint32_t(rate);
}

std::optional<MpegFrameHeader> parseMpegFrameHeader(const std::uint8_t* bytes, std::size_t size)
{
    if (size < 4)
        return std::nullopt;
    const std::uint32_t h = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
                            std::uint32_t(bytes[2]) << 8 | bytes[3];
    if ((h >> 21) != 0x7FF)
        return std::nullopt;
    const unsigned versionBits = (h >> 19) & 3;
    const unsigned layerBits = (h >> 17) & 3;
    const unsigned bitrateIndex = (h >> 12) & 15;
    const unsigned rateIndex = (h >> 10) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    MpegFrameHeader f;
    f.version = versionBits == 3 ? 10 : versionBits == 2 ? 20 : 25;
    f.layer = 4 - int(layerBits);
    f.rate = kRates[rateIndex] >> (f.version == 10 ? 0 : f.version == 20 ? 1 : 2);
    f.channels = ((h >> 6) & 3) == 3 ? 1 : 2;
    const bool mpeg1 = f.version == 10;
    const int kbps = kBitrates[mpeg1 ? 0 : 1][f.layer - 1][bitrateIndex];
    const int padding = int((h >> 9) & 1);
    if (f.layer == 1)
        f.frameBytes = (12000 * kbps / f.rate + padding) * 4;
    else
        f.frameBytes = (f.layer == 3 && !mpeg1 ? 72000 : 144000) * kbps / f.rate + padding;
    const int crcBytes = (h >> 16) & 1 ? 0 : 2;
    if (f.layer != 3) {
        f.mainDataBytes = f.frameBytes;
        return f;
    }
    const int sideInfo = mpeg1 ? (f.channels == 1 ? 17 : 32) : (f.channels == 1 ? 9 : 17);
    const std::size_t side = std::size_t(4 + crcBytes);
    if (size < side + 2 || f.frameBytes < int(side) + sideInfo)
        return std::nullopt;
    const unsigned first = unsigned(bytes[side]) << 8 | bytes[side + 1];
    f.mainDataBegin = int(mpeg1 ? first >> 7 : first >> 8);
    f.mainDataBytes = f.frameBytes - int(side) - sideInfo;
    return f;
}

}  // namespace tw::audio
