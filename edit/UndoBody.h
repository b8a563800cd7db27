// Undo and Redo, run as an edit runs: the work file under the process
// window, then the overview (bar 1).
#pragma once

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "edit/UndoJournal.h"

namespace tw {

// Puts the last step back: the work file as it was before it, and the
// markers, zoom, lengths and modified state. False when nothing was undone
// or the work file failed (with a message; the journal is then empty).
bool runUndoBody(DocumentState& doc, UndoJournal& journal, Progress& progress, Messenger& messages);

// Runs the next step again, as it first ran.
EditResult runRedoBody(DocumentState& doc, UndoJournal& journal, Progress& progress, Messenger& messages);

}  // namespace tw
