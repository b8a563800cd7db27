// The decode path of the open: an MP3 or WMA source through the audio layer
// into the work file behind a 44-byte header.
#pragma once

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "document/OpenResult.h"
#include "document/SourceKind.h"
#include "document/WaveHeader.h"

namespace tw {

inline constexpr const char* kMsgDecodeStream = "Can not creat the decode stream.";
inline constexpr const char* kMsgMp3TempFile = "Can not creat the temporary file.";
inline constexpr const char* kMsgWmaTempFile = "Cannot creat the temporary file.";

// Decodes doc.sourcePath (kind Mp3 or Wma) into doc.workPath and sets
// doc.sourceBitrate. Tests the stop request while the decoder finds the
// length and before each block, and moves bar 0. A cancelled decode keeps its
// work file with sizes that match; a failed write removes it. The work file
// stops at limit bytes; sound beyond is cut off, and cut tells how much was
// kept. MPEG audio that can be split is decoded in one part per thread
// (threads 0: as decodeThreads chooses, 1: no parts), byte for byte as on one
// thread.
OpenResult decodeSource(DocumentState& doc, SourceKind kind, Progress& progress, Messenger& messages, OpenCut& cut,
                        std::uint64_t limit = kMaxWorkFileBytes, int threads = 0);

}  // namespace tw
