// The copy path of the open: a .wav source becomes the work file unchanged.
#pragma once

#include "core/DocumentState.h"
#include "core/Progress.h"
#include "document/OpenResult.h"

namespace tw {

// Copies doc.sourcePath to doc.workPath byte for byte, moving bar 0, and sets
// doc.sourceBitrate to 0. Failed, without a message, when the source cannot be
// read or the work file cannot be written. Does not test the stop request.
OpenResult copySource(DocumentState& doc, Progress& progress);

}  // namespace tw
