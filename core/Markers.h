// The start and finish markers as frame positions. selStart and selFinish
// stay the markers' columns for whatever reads columns; a column written on
// its own puts its marker at column × zoom.
#pragma once

#include <cstdint>

#include "core/DocumentState.h"

namespace tw {

// The marker frames: a mark counts while the column and zoom it was set with
// still stand, else the column's first frame does.
std::uint64_t startFrame(const DocumentState& doc);
std::uint64_t finishFrame(const DocumentState& doc);

// A marker at a frame: the start's column is the one the frame lies in, the
// finish's the one the range reaches into (up to the last column).
void setStartFrame(DocumentState& doc, std::uint64_t frame);
void setFinishFrame(DocumentState& doc, std::uint64_t frame);
void setMarkerFrames(DocumentState& doc, std::uint64_t start, std::uint64_t finish);
// A marker at a column's first frame.
void setStartColumn(DocumentState& doc, std::uint32_t column);
void setFinishColumn(DocumentState& doc, std::uint32_t column);

// The end of the range the frame-exact commands take: a finish marker that a
// column command put on the last column, right of the start, means the end of
// the sound.
std::uint64_t finishFrameToEnd(const DocumentState& doc);

}  // namespace tw
