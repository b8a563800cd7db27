// Where the samples of a PCM .wav work file are and how they are laid out,
// found by the work file's reading rules.
#pragma once

#include "wav/File.h"

#include <cstdint>
#include <optional>

namespace tw::audio {

struct WavLayout {
    std::uint32_t sampleRate = 0;
    std::uint16_t channels = 0;     // as in the header
    std::uint16_t bitsPerSample = 0;  // 8 or 16
    std::uint64_t dataOffset = 0;
    std::uint32_t dataLength = 0;   // what the file holds of the data chunk

    // Every channel count other than 1 is read as 2.
    int playChannels() const { return channels == 1 ? 1 : 2; }
    int frameBytes() const { return playChannels() * bitsPerSample / 8; }
};

// Empty when the reading rules refuse the file or it ends before a "data" chunk.
std::optional<WavLayout> readWavLayout(const File& file);

}  // namespace tw::audio
