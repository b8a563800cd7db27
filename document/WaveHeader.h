// The 44-byte header the program writes in front of decoded samples, and the
// patch of its two size fields once the samples are in.
#pragma once

#include <array>
#include <cstdint>

#include "wav/File.h"

namespace tw {

constexpr std::uint32_t kWaveHeaderSize = 44;
// The RIFF size (file size - 8) is 32-bit, which bounds the data behind a
// 44-byte header.
constexpr std::uint64_t kMaxWaveDataBytes = 0xFFFFFFFFull - (kWaveHeaderSize - 8);

// Both size fields are 0. The channel field is 1 for one decoded channel and 2
// otherwise; block align and byte rate come from the decoder's own count.
std::array<std::uint8_t, kWaveHeaderSize> makeWaveHeader(std::uint32_t sampleRate,
                                                         std::uint32_t decoderChannels,
                                                         std::uint32_t bitsPerSample);

bool writeWaveHeader(File& file, std::uint32_t sampleRate, std::uint32_t decoderChannels,
                     std::uint32_t bitsPerSample);

// Writes file size - 8 at offset 4 and file size - 44 at offset 40.
bool patchWaveSizes(File& file);

// The largest data size of whole frames that still fits the 32-bit sizes.
std::uint64_t waveDataLimit(std::uint32_t blockAlign);

}  // namespace tw
