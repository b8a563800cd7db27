// Reads a work file back: checks its format block, finds its data chunk and
// derives the document's sample format, data position and sizes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/core/DocumentState.h"
#include "app/core/Messages.h"
#include "document/File.h"

namespace tw {

inline constexpr const char* kMsgCannotOpenFile = "Cannot open the file.";
inline constexpr const char* kMsgNotValidWave = "This is not a valid Wave file.";
inline constexpr const char* kMsgCompressedWave = "Cannot handle compressed Wave file.";
inline constexpr const char* kMsgNotPcm = "Not PCM formats!";

// Seconds of sound: dataLength / (rate * channels * bits / 8), the product in
// signed 32 bits, its division by 8 truncated, the outer division unsigned.
// Empty when the byte rate would be below one.
std::optional<std::uint32_t> waveDurationSeconds(std::uint32_t dataLength, std::uint32_t sampleRate,
                                                 std::uint32_t channels, std::uint32_t bitsPerSample);

// 1 or 2 for 8-bit, 2 or 4 for 16-bit: any channel count but 1 counts as two.
std::uint32_t waveFrameSize(std::uint32_t channels, std::uint32_t bitsPerSample);

// Opens doc.workPath and applies the reading rules, setting the derived fields
// of doc as it goes. On success the file is returned positioned at dataOffset;
// on failure the rule's message has been shown and the fields set so far stay.
std::optional<File> readWorkFile(DocumentState& doc, Messenger& messages);

}  // namespace tw
