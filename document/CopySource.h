// The copy path of the open: a .wav source becomes the work file, its sound
// bytes unchanged.
#pragma once

#include <cstdint>

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "document/OpenResult.h"
#include "document/WaveHeader.h"

namespace tw {

// Copies doc.sourcePath to doc.workPath byte for byte, moving bar 0, and sets
// doc.sourceBitrate to 0. Does not test the stop request. Header fields that
// disagree with the file are set right in the copy: a data size beyond the end
// of the file, and block align and byte rate that the format does not give.
//
// A source that cannot be read gives "Can not open the file.", a work file
// that cannot be created or written "Can not creat the temporary file." (and
// is removed at once); both end Failed. The copy stops at limit bytes; when
// sound lay beyond, the work file ends with the last whole frame that fits,
// its sizes say so and cut tells how much was kept.
OpenResult copySource(DocumentState& doc, Progress& progress, Messenger& messages, OpenCut& cut,
                      std::uint64_t limit = kMaxWorkFileBytes);

}  // namespace tw
