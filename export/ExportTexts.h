// The message every save shows when its output file cannot be created or
// written, whatever the format.
#pragma once

namespace tw {

inline constexpr const char* kMsgCannotCreateFile = "Can not create the file.";

}  // namespace tw
