// The clipboard: sound copied from a document, kept as a WAV file in the
// private temporary folder, so that it holds any length and outlives the
// document it came from. Each copy is a file of its own; a paste that an
// Undo step may redo keeps the file it used alive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "edit/EditBody.h"

namespace tw {

// PCM sound in a file: a 44-byte header, then the samples.
struct ClipSound {
    ClipSound(std::string path, std::uint32_t channels, std::uint32_t sampleRate, std::uint32_t bitsPerSample,
              std::uint64_t bytes);
    ~ClipSound();  // removes the file
    ClipSound(const ClipSound&) = delete;
    ClipSound& operator=(const ClipSound&) = delete;

    std::uint32_t frameBytes() const { return channels * (bitsPerSample / 8); }
    std::uint64_t frames() const { return frameBytes() == 0 ? 0 : bytes / frameBytes(); }

    const std::string path;
    const std::uint32_t channels;
    const std::uint32_t sampleRate;
    const std::uint32_t bitsPerSample;
    const std::uint64_t bytes;  // of samples, behind the header
};

inline constexpr std::uint64_t kClipDataOffset = 44;

class Clipboard {
public:
    // dir: the private temporary folder, ending in the path separator.
    explicit Clipboard(std::string dir = {}) : dir_(std::move(dir)) {}
    void setFolder(const std::string& dir) { dir_ = dir; }

    // Copies the range between doc's markers (whole frames of every channel)
    // into a new clipboard file, bar 0 showing the bytes copied. False, with
    // the clipboard as it was, for an empty range or when it could not be
    // written.
    bool copy(const DocumentState& doc, Progress& progress);

    bool holdsSound() const { return sound_ && sound_->bytes > 0; }
    std::shared_ptr<const ClipSound> sound() const { return sound_; }

    // A new file name in the clipboard's folder.
    std::string newFile(const char* stem);

private:
    std::string dir_;
    std::shared_ptr<const ClipSound> sound_;
    std::uint64_t serial_ = 0;
};

// The bytes Copy takes: the edit range cut at whole frames of every channel.
EditRange copyRange(const DocumentState& doc);

class UndoJournal;

// Cut: Copy, then Delete of the same range as one edit. A clipboard that
// cannot be written stops it before anything changes.
EditResult runCutBody(DocumentState& doc, Clipboard& clipboard, Progress& progress, Messenger& messages,
                      UndoJournal* journal = nullptr);

}  // namespace tw
