// The 44-byte header the program writes in front of decoded samples, and the
// patch of its two size fields once the samples are in.
#pragma once

#include <array>
#include <cstdint>

#include "wav/File.h"

namespace tw {

constexpr std::uint32_t kWaveHeaderSize = 44;
// Offsets into the work file are 32-bit: its samples must end within the
// first 4 GiB, so that the end of the data is a 32-bit value too.
constexpr std::uint64_t kMaxWorkFileBytes = 0xFFFFFFFFull;
constexpr std::uint64_t kMaxWaveDataBytes = kMaxWorkFileBytes - kWaveHeaderSize;

// Both size fields are 0. The channel field is 1 for one decoded channel and 2
// otherwise; block align and byte rate come from the decoder's own count.
std::array<std::uint8_t, kWaveHeaderSize> makeWaveHeader(std::uint32_t sampleRate,
                                                         std::uint32_t decoderChannels,
                                                         std::uint32_t bitsPerSample);

bool writeWaveHeader(File& file, std::uint32_t sampleRate, std::uint32_t decoderChannels,
                     std::uint32_t bitsPerSample);

// Writes file size - 8 at offset 4 and file size - 44 at offset 40.
bool patchWaveSizes(File& file);

// The largest data size of whole frames behind a 44-byte header within
// fileLimit bytes.
// The 44-byte header of a finished file of dataBytes samples in that format:
// its own channel count, both size fields set (clipboards, parts of a
// document).
std::array<std::uint8_t, kWaveHeaderSize> finishedWaveHeader(std::uint32_t sampleRate, std::uint32_t channels,
                                                              std::uint32_t bitsPerSample, std::uint64_t dataBytes);

std::uint64_t waveDataLimit(std::uint32_t blockAlign, std::uint64_t fileLimit = kMaxWorkFileBytes);

}  // namespace tw
