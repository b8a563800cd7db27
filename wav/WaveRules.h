// The reading rules of a work file, without messages: where the format block
// and the data chunk are and what they say. Shared by the document's reader
// and the player.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

namespace tw {

enum class WaveRuleError {
    None,
    NotValidWave,   // no "fmt " at byte 12, no "data" chunk, or a byte rate below one
    Compressed,     // format tag other than 1
    NotPcm,         // neither 8 nor 16 bits
};

struct WaveRulesResult {
    WaveRuleError error = WaveRuleError::None;

    // Set once the format block was accepted.
    bool haveFormat = false;
    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t bitsPerSample = 0;

    // Set once the data chunk was found.
    bool haveData = false;
    std::uint64_t dataOffset = 0;
    std::uint32_t dataLength = 0;       // what the file holds of the data chunk
    std::uint32_t dataLengthField = 0;  // what its size field claims

    // Set once the byte rate was found usable.
    bool haveDuration = false;
    std::uint32_t durationSeconds = 0;

    bool ok() const { return error == WaveRuleError::None; }
};

// Reads up to size bytes at offset; returns the count (0 past the end).
using ReadAt = std::function<std::size_t(std::uint64_t offset, void* buffer, std::size_t size)>;

// Applies the rules in their order and stops at the first that fails. The
// data length is the smaller of the size field and what the file of fileSize
// bytes holds after the data header (streaming writers claim 0xFFFFFFFF).
WaveRulesResult applyWaveRules(const ReadAt& readAt, std::uint64_t fileSize);

// Seconds of sound: dataLength / (rate * channels * bits / 8), the product in
// signed 32 bits, its division by 8 truncated, the outer division unsigned.
// Empty when the byte rate would be below one.
std::optional<std::uint32_t> waveDurationSeconds(std::uint32_t dataLength, std::uint32_t sampleRate,
                                                 std::uint32_t channels, std::uint32_t bitsPerSample);

// 1 or 2 for 8-bit, 2 or 4 for 16-bit: any channel count but 1 counts as two.
std::uint32_t waveFrameSize(std::uint32_t channels, std::uint32_t bitsPerSample);

}  // namespace tw
