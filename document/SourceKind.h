// Which way a source file is turned into the work file, by its extension.
#pragma once

#include <string>
#include <string_view>

#include "core/Messages.h"

namespace tw {

enum class SourceKind { Mp3, Wma, Wav, Unsupported };

inline constexpr const char* kMsgCannotOpenSource = "Can not open the file.";

// ".mp3", ".wma" or ".wav", ignoring case.
SourceKind sourceKindOf(std::string_view path);

// The check before an open starts: false (after "Can not open the file.")
// for any other extension, and for anything but a regular file (after
// following links): a FIFO, a device or a directory.
bool acceptSource(const std::string& path, Messenger& messages);

}  // namespace tw
