// A document taken up again after its run died: the state file the window
// keeps in the private folder, and the recovery from it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "edit/UndoJournal.h"

namespace tw {

// What the window knows of a document besides its state.
struct DocumentNames {
    std::string saveAsName;   // what the next Save As proposes
    bool partOpened = false;  // only the start of the source was opened
    bool recording = false;   // a recording that had not become a document yet
};

// The state file's text for an open document, at time (seconds since 1970).
std::string documentStateText(const DocumentState& doc, const UndoJournal& journal, const DocumentNames& names,
                              std::int64_t time);

// The state file's text while a recording is being written into the work
// file: what the recording has is read from the work file itself.
std::string recordingStateText(std::uint32_t sampleRate, std::uint32_t channels, std::uint64_t generation,
                               std::int64_t time);

// What the question about a left folder names.
struct LeftDocument {
    std::string sourcePath;  // empty: never saved
    std::int64_t time = 0;   // of the last change
    std::uint64_t frames = 0;
    std::uint32_t sampleRate = 0;
};
std::optional<LeftDocument> leftDocument(const std::string& folder);

// Takes the document in folder `from` (locked by the caller) into
// doc.tempDir, which the journal then uses: the work file, the steps and
// the names as they were after the last step that completed, a step cut
// short walked back (or an Undo finished and its step run again) in place,
// through the step log of `from`. Leaves `from` as it is otherwise; on
// failure removes what it put into doc.tempDir and returns false.
bool recoverDocument(const std::string& from, DocumentState& doc, UndoJournal& journal, DocumentNames& names,
                     Progress& progress, Messenger& messages);

}  // namespace tw
