// The frame every edit runs in: the range between the markers, pass 1 (the
// edit's own work on the work file), pass 2 (the overview of the whole file).
#pragma once

#include <cstdint>
#include <functional>

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "core/StepLog.h"
#include "wav/File.h"

namespace tw {

// The frames from the start marker up to, not including, the finish marker
// (selStart × zoom and selFinish × zoom for the column commands), reckoned in
// 64 bits: markers near the end of a 4 GiB file do not wrap.
struct EditRange {
    std::uint64_t rangeStart = 0;   // file offset of the first byte
    std::uint64_t rangeEnd = 0;     // file offset just past the range
    std::uint64_t rangeFrames = 0;  // frames in the range

    // What of the range lies in the data: no edit reads or writes at or past
    // dataEnd, and a finish marker below the start marker is an empty range.
    std::uint32_t start = 0;
    std::uint32_t end = 0;
    bool reachesEnd = false;  // end is the end of the data's whole frames
    std::uint32_t bytes() const { return end - start; }
};

// toEnd: a finish marker on the last column means the end of the sound (the
// frame-exact commands: Copy, Cut, Normalize, Save Selection As).
EditRange editRange(const DocumentState& doc, bool toEnd = false);
// The range for a pass that moves bytes: start and end rounded down to whole
// blocks of the file's own frame (every channel of it), so that a file of
// more than two channels keeps its channels in their places.
EditRange wholeBlocks(const DocumentState& doc, EditRange range);

// What a pass does to the work file, which tells the undo journal what to keep.
enum class Footprint {
    Unchanged,     // no byte (Volume at 100 %)
    InPlace,       // the bytes of the range, rewritten in place
    RemovesRange,  // the range goes and what follows moves down
    KeepsRange,    // only the range stays, moved to the start of the data
    Inserts,       // new bytes go in at a place and what follows moves up
    Replaces,      // the range gives way to insertBytes new bytes; what follows moves to their end
};

// Pass 1 of an edit: reads and writes the open work file, moves bar 0 and
// pumps; Delete and Cut Out also set the document's new data end. False when
// the work file could not be read or written; shifted then tells how many
// bytes of its move (in the move's own order) had reached their place, so
// that the journal can walk it back. markersAfter, when set, moves the
// markers once the edit has run.
struct EditPass {
    Footprint footprint = Footprint::InPlace;
    std::function<bool(File& work, DocumentState& doc, const EditRange& range, Progress& progress,
                       std::uint64_t& shifted)>
        run;
    std::function<void(DocumentState& doc)> markersAfter = nullptr;
    // Inserts: the file offset where insertBytes new bytes go; Replaces: how
    // many bytes take the range's place.
    std::uint32_t insertAt = 0;
    std::uint64_t insertBytes = 0;
    // The range reaches the end of the sound when the finish marker stands on
    // the last column (editRange's toEnd).
    bool toEnd = false;
    // How to make the pass again after a restart (edit/PassRecipes.h);
    // empty for a pass that cannot be made again.
    std::string recipe = {};
};

enum class EditResult {
    Done,
    NotOpened,      // "Cannot open the temporary file.": nothing changed
    WriteFailed,    // "Cannot write the temporary file.": the edit stopped part way
    RolledBack,     // "Cannot write the temporary file.": the edit stopped and was walked back: nothing changed
    Declined,       // no room for Undo, and the user kept the document as it is
    JournalFailed,  // the undo journal could not be written: nothing changed
    Refused,        // the edit said why it could not be made: nothing changed
    Cancelled,      // the user stopped it before anything changed
};

inline constexpr const char* kMsgCannotWriteTemp = "Cannot write the temporary file.";
inline constexpr const char* kMsgEmptyRange = "The range is empty: there is no sound between the markers.";
inline constexpr const char* kMsgNoRoomForUndo =
    "There is not enough free space in the temporary folder to keep this edit for Undo.\n"
    "Edit without Undo? Earlier edits can then no longer be undone either.";
inline constexpr const char* kMsgCannotWriteJournal =
    "Cannot write the undo journal in the temporary folder. The edit was not made.";

class UndoJournal;

// Opens the work file, keeps what the pass will change in the journal (when
// one is given), runs pass 1, moves the markers, and runs pass 2 (bar 1). A
// pass that fails is walked back from the journal's entry when there is one.
EditResult runEditBody(DocumentState& doc, const EditPass& pass, Progress& progress, Messenger& messages,
                       UndoJournal* journal = nullptr);
// The range a pass works on: whole blocks for a pass that moves bytes.
EditRange passRange(const DocumentState& doc, const EditPass& pass);
// Pass 1 and 2 of the journal's step under way (kept or redone) on the open
// work file: the step is finished, or walked back when the pass fails.
EditResult runJournaledPass(DocumentState& doc, const EditPass& pass, File& work, const EditRange& range,
                            Progress& progress, Messenger& messages, UndoJournal* journal);

// The markers after Delete: one column from the old start, within what is
// left; both 0 when nothing is left.
void markersAfterDelete(DocumentState& doc);
// The whole sound, as Select All gives it (both 0 for an empty one).
void selectWhole(DocumentState& doc);

// Ends the data (and the file) at end: both size fields of the header, and
// dataEnd, dataLength, durationSeconds and frameCount of the document.
bool endDataAt(File& work, DocumentState& doc, std::uint32_t end);

// Where a move tells the step log how far it has come: every block is
// logged before it is written. from: the bytes already in place (a move
// carried on after a restart).
struct MoveLogging {
    StepLog* log = nullptr;
    std::uint32_t phase = 1;
    std::uint64_t from = 0;
};
// A pass's own move: logged when the document keeps a step log.
inline MoveLogging passMove(const DocumentState& doc) { return {doc.stepLog, 1, 0}; }

// Moves count bytes from src down to dst (dst <= src) in large blocks; bar 0
// shows trunc(moved × 100 / count). False when a read or write failed; moved,
// when given, counts the bytes from the first that reached their place.
bool moveDown(File& work, std::uint64_t src, std::uint64_t dst, std::uint64_t count, Progress& progress,
              std::uint64_t* moved = nullptr, const MoveLogging& logging = {});
// The same upwards (dst >= src), last block first (moved counts from the
// last byte); pumps, leaves the bars.
bool moveUp(File& work, std::uint64_t src, std::uint64_t dst, std::uint64_t count, Progress& progress,
            std::uint64_t* moved = nullptr, const MoveLogging& logging = {});

// Runs fn over the frames of the range that lie in the data, in large blocks
// read and written in place: fn(samples, bytes, firstFrameIndex). Bar 0 shows
// trunc((i + 1) × 100 / rangeFrames) for the last frame i of each block and
// ends at 100 for a non-empty range.
bool forEachBlock(File& work, const DocumentState& doc, const EditRange& range, Progress& progress,
                  const std::function<void(std::uint8_t* bytes, std::size_t size, std::uint32_t firstFrame)>& fn);

}  // namespace tw
