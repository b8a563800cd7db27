// Which commands are enabled in which transport state, and the play-position
// column that the marker commands are compared with.
#pragma once

#include <cstdint>

#include "audio/bass.h"

namespace tw {

struct ControlInputs {
    std::int32_t state = 0;     // playState: 0 no document, 1 stopped, 2 playing, 3 paused
    bool modified = false;
    bool zoom1Checked = false;  // MZoom1 carries the check mark
    bool zoom10Checked = false; // MZoom10 carries the check mark
    std::uint32_t p = 0;        // play-position column
    std::uint32_t selStart = 0;
    std::uint32_t selFinish = 0;
    bool canUndo = false;       // the journal has a step to undo
    bool canRedo = false;       // ... or to redo
    bool rangeHoldsSound = false;  // the markers hold at least one whole frame between them
    bool clipboardHoldsSound = false;
};

// One flag per row of the command table.
struct ControlFlags {
    bool open = false;      // MOpen, ButtonOpen
    bool doc = false;       // close, save as, select all, the edits, the zoom menu items
    bool save = false;      // MSave, ButtonSave
    bool zoomIn = false;    // ButtonZoomIn
    bool zoomOut = false;   // ButtonZoomOut
    bool play = false;      // MPlay, CButtonPlay, MPlayFromHere, CButtonPlayFromHere, MPopPlayFromHere
    bool pause = false;     // MPause, CButtonPause
    bool stop = false;      // MStop, CButtonStop
    bool setStart = false;  // MSetStart, CButtonSetStart, MPopSetStart
    bool setFinish = false; // MSetFinish, CButtonSetFinish, MPopSetFinish
    bool undo = false;      // MUndo
    bool redo = false;      // MRedo
    bool range = false;     // MCut, MCopy, MSaveSelection, MNormalize
    bool paste = false;     // MPaste

    bool operator==(const ControlFlags&) const = default;
};

ControlFlags controlFlags(const ControlInputs& in);

// columnCount × position / streamLength, truncated toward zero. Only the low
// 32 bits of position count, as an unsigned value: work files reach 4 GiB.
// 0 when streamLength or columnCount is 0, or for the error value.
std::uint32_t playColumn(std::uint32_t columnCount, QWORD position, std::uint32_t streamLength);

// The stream byte position of column c: c × streamLength / columnCount,
// truncated toward zero (not rounded to a whole frame). 0 when columnCount
// is 0.
std::uint32_t columnBytePosition(std::uint32_t column, std::uint32_t streamLength, std::uint32_t columnCount);

// The first whole frame that lies in column c: its byte position, which the
// player takes as it is, so that the cursor then shows in column c. No
// further than streamLength.
std::uint32_t columnFirstFrame(std::uint32_t column, std::uint32_t streamLength, std::uint32_t columnCount,
                               std::uint32_t frameSize);

}  // namespace tw
