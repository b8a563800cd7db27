// Reads a work file back: checks its format block, finds its data chunk and
// derives the document's sample format, data position and sizes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "wav/File.h"
#include "wav/WaveRules.h"

namespace tw {

inline constexpr const char* kMsgCannotOpenFile = "Cannot open the file.";
inline constexpr const char* kMsgNotValidWave = "This is not a valid Wave file.";
inline constexpr const char* kMsgCompressedWave = "Cannot handle compressed Wave file.";
inline constexpr const char* kMsgNotPcm = "Not PCM formats!";

// Opens doc.workPath and applies the reading rules, setting the derived fields
// of doc as it goes. On success the file is returned positioned at dataOffset;
// on failure the rule's message has been shown and the fields set so far stay.
std::optional<File> readWorkFile(DocumentState& doc, Messenger& messages);

}  // namespace tw
