// The frame every edit runs in: the range between the markers, pass 1 (the
// edit's own work on the work file), pass 2 (the overview of the whole file).
#pragma once

#include <cstdint>
#include <functional>

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "wav/File.h"

namespace tw {

// The frames selStart × zoom up to, not including, selFinish × zoom, in the
// unsigned 32-bit arithmetic of the document.
struct EditRange {
    std::uint32_t rangeStart = 0;   // file offset of the first byte
    std::uint32_t rangeEnd = 0;     // file offset just past the range
    std::uint32_t rangeFrames = 0;  // frames in the range

    // What of the range lies in the data: no edit reads or writes at or past
    // dataEnd, and a finish marker below the start marker is an empty range.
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    std::uint32_t bytes() const { return end - start; }
};

EditRange editRange(const DocumentState& doc);

// Pass 1 of an edit: reads and writes the open work file, moves bar 0 and
// pumps; Delete and Cut Out also set the document's new data end. False when
// the work file could not be read or written.
using EditPass = std::function<bool(File& work, DocumentState& doc, const EditRange& range, Progress& progress)>;

enum class EditResult {
    Done,
    NotOpened,    // "Cannot open the temporary file.": nothing changed
    WriteFailed,  // "Cannot write the temporary file.": the edit stopped part way
};

inline constexpr const char* kMsgCannotWriteTemp = "Cannot write the temporary file.";

// Opens the work file, runs pass 1 and pass 2 (bar 1).
EditResult runEditBody(DocumentState& doc, const EditPass& pass1, Progress& progress, Messenger& messages);

// The markers after Delete: one column from the old start, within what is
// left; both 0 when nothing is left.
void markersAfterDelete(DocumentState& doc);
// The whole sound, as Select All gives it (both 0 for an empty one).
void selectWhole(DocumentState& doc);

// Ends the data (and the file) at end: both size fields of the header, and
// dataEnd, dataLength, durationSeconds and frameCount of the document.
bool endDataAt(File& work, DocumentState& doc, std::uint32_t end);

// Runs fn over the frames of the range that lie in the data, in large blocks
// read and written in place: fn(samples, bytes, firstFrameIndex). Bar 0 shows
// trunc((i + 1) × 100 / rangeFrames) for the last frame i of each block and
// ends at 100 for a non-empty range.
// Moves count bytes from src down to dst (dst <= src) in large blocks; bar 0
// shows trunc(moved × 100 / count). False when a read or write failed.
bool moveDown(File& work, std::uint32_t src, std::uint32_t dst, std::uint32_t count, Progress& progress);

bool forEachBlock(File& work, const DocumentState& doc, const EditRange& range, Progress& progress,
                  const std::function<void(std::uint8_t* bytes, std::size_t size, std::uint32_t firstFrame)>& fn);

}  // namespace tw
