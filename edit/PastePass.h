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

inline constexpr const char* kMsgPasteChannels =
    "The clipboard's sound cannot be converted to the channels of this document: up to 64 channels can be "
    "converted. Nothing was pasted.";

// Channel counts a converted paste can have: any two from 1 to 64.
bool canConvertChannels(std::uint32_t from, std::uint32_t to);
// The clipboard's sound goes in as it is.
bool sameFormat(const ClipSound& clip, const DocumentState& doc);

// The clipboard's sound at doc's rate, channel count and sample size: the
// clipboard's own file when they match, else a new file at path, converted as
// audio::PcmConverter converts. Bar 0
// shows the conversion. Null, with nothing left at path, when the sound could
// not be read or converted or the file could not be written.
std::shared_ptr<const ClipSound> soundInFormatOf(const DocumentState& doc, std::shared_ptr<const ClipSound> clip,
                                                 const std::string& path, Progress& progress);

// Inserts sound at the start of column (or at the end of the data).
EditPass pastePass(const DocumentState& doc, std::shared_ptr<const ClipSound> sound, std::uint32_t column);
// Inserts sound before frame (at the end of the data from frameCount on); the
// markers then stand on the inserted frames exactly.
EditPass pastePassAtFrame(const DocumentState& doc, std::shared_ptr<const ClipSound> sound, std::uint64_t frame);
// Inserts sound at file offset at, the markers then on frames first to first
// + frames.
EditPass pastePassAt(std::uint32_t at, std::uint64_t first, std::uint64_t frames, std::shared_ptr<const ClipSound> sound);

class UndoJournal;

// Paste as the commands run it: the sound converted, refused with a message
// when the work file would pass its limit, then the paste pass as an edit.
EditResult runPasteBody(DocumentState& doc, Clipboard& clipboard, std::uint32_t column, Progress& progress,
                        Messenger& messages, UndoJournal* journal = nullptr);
// The same before a frame.
EditResult runPasteBodyAtFrame(DocumentState& doc, Clipboard& clipboard, std::uint64_t frame, Progress& progress,
                               Messenger& messages, UndoJournal* journal = nullptr);

}  // namespace tw
