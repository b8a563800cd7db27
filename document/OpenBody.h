// The open: the work file from the source, read back, and its overview; then
// the steps after the progress window has closed.
#pragma once

#include <string>

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "document/OpenResult.h"
#include "document/WaveHeader.h"

namespace tw {

inline constexpr const char* kWorkFileName = "AudioTemp.wav";

// Reads doc.tempDir, doc.sourcePath and doc.zoom; writes doc.workPath, the
// fields the reading rules derive, sourceBitrate, columnCount and the peaks.
// Bar 0 follows the decode or copy, bar 1 the overview. The work file holds at
// most limit bytes; cut tells when sound was left out.
OpenResult runOpenBody(DocumentState& doc, Progress& progress, Messenger& messages, OpenCut& cut,
                       std::uint64_t limit = kMaxWorkFileBytes);

// After a completed open: the playback stream on the work file, the start
// zoom, markers around the whole sound (both 0 for an empty one), loaded.
void finishOpen(DocumentState& doc);

}  // namespace tw
