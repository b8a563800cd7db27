// Paste: the clipboard's sound, in the document's format, goes in at the
// start of a column; what followed moves up, and the pasted sound becomes the
// selection.
#pragma once

#include <cstdint>
#include <memory>

#include "core/Messages.h"
#include "edit/Clipboard.h"
#include "edit/EditBody.h"

namespace tw {

inline constexpr const char* kMsgPasteTooLong =
    "With the pasted sound the document would be longer than Tarnwick can edit. Nothing was pasted.";

// The clipboard's sound at doc's rate, channel count and sample size: the
// clipboard's own file when they match, else a new file at path, converted by
// libswresample at its default quality (mono from stereo is the mean of the
// two channels, stereo from mono repeats the channel at full level). Bar 0
// shows the conversion. Null when the file could not be written.
std::shared_ptr<const ClipSound> soundInFormatOf(const DocumentState& doc, std::shared_ptr<const ClipSound> clip,
                                                 const std::string& path, Progress& progress);

// Inserts sound at the start of column (or at the end of the data).
EditPass pastePass(const DocumentState& doc, std::shared_ptr<const ClipSound> sound, std::uint32_t column);

class UndoJournal;

// Paste as the commands run it: the sound converted, refused with a message
// when the work file would pass its limit, then the paste pass as an edit.
EditResult runPasteBody(DocumentState& doc, Clipboard& clipboard, std::uint32_t column, Progress& progress,
                        Messenger& messages, UndoJournal* journal = nullptr);

}  // namespace tw
