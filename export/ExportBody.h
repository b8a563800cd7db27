// Saving the work file as WAV, MP3 or WMA, chosen by the target's extension.
// Every branch writes a temporary output beside the target and replaces the
// target only when the output is complete and on disk.
#pragma once

#include <string>

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "export/ExportTexts.h"

namespace tw {

enum class ExportResult {
    Completed,   // the target holds the document
    Stopped,     // the stop request ended the encoding; the target is as it was
    StepFailed,  // writing failed after its message; the target is as it was
    NotStarted,  // the encoder or a file could not be set up: the window waits for Cancel
};

struct ExportLibraries {
    std::string lame;       // LAME's file name
    std::string wmaWriter;  // path of the WMA writer module
};

// "~name.ext.tmp" in the target's folder.
std::string temporaryOutputName(const std::string& target);

// Makes temp the target: its data on disk first, the target's permission bits,
// through a symbolic link to the file it names, then the folder on disk.
bool replaceTarget(const std::string& temp, const std::string& target);

// Exports the document's work file to target (bar 0; the encoders test the
// stop request after each chunk, the WAV copy does not). A zero
// doc.sourceBitrate becomes the branch's default (128 MP3, 96 WMA).
ExportResult runExportBody(DocumentState& doc, const std::string& target, Progress& progress, Messenger& messages,
                           const ExportLibraries& libraries);

// The same for count bytes of sound at file offset start only (Save Selection
// As): a WAV target gets a header of the document's format and those bytes.
// The document is left as it is, its bitrate too.
ExportResult runExportPart(const DocumentState& doc, std::uint32_t start, std::uint32_t count,
                           const std::string& target, Progress& progress, Messenger& messages,
                           const ExportLibraries& libraries);

}  // namespace tw
