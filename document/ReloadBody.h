// The overview rebuilt from the unchanged work file at a new zoom.
#pragma once

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"

namespace tw {

inline constexpr const char* kMsgCannotOpenTemp = "Cannot open the temporary file.";

// Reads workPath from dataOffset with the document's format and zoom (the
// header is not read again) and writes columnCount and the peaks; bar 0 moves
// per column. False, after "Cannot open the temporary file.", when the work
// file cannot be opened: the overview then stays as it was.
bool runReloadBody(DocumentState& doc, Progress& progress, Messenger& messages);

}  // namespace tw
