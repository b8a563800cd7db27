#include "document/OpenBody.h"

#include "audio/bass.h"
#include "core/Markers.h"
#include "document/CopySource.h"
#include "document/DecodeSource.h"
#include "wav/File.h"
#include "document/Overview.h"
#include "document/SourceKind.h"
#include "document/WaveReader.h"

namespace tw {

std::string openCutMessage(std::uint32_t keptSeconds)
{
    const std::uint32_t minutes = keptSeconds / 60 % 60;
    const std::uint32_t seconds = keptSeconds % 60;
    return "The file is longer than Tarnwick can edit. Only the first " + std::to_string(keptSeconds / 3600) +
           (minutes < 10 ? ":0" : ":") + std::to_string(minutes) + (seconds < 10 ? ":0" : ":") +
           std::to_string(seconds) + " were opened.";
}

OpenResult runOpenBody(DocumentState& doc, Progress& progress, Messenger& messages, OpenCut& cut,
                       std::uint64_t limit)
{
    doc.workPath = doc.tempDir + kWorkFileName;
    removeFile(doc.workPath);

    const SourceKind kind = sourceKindOf(doc.sourcePath);
    const OpenResult made = (kind == SourceKind::Mp3 || kind == SourceKind::Wma)
                                ? decodeSource(doc, kind, progress, messages, cut, limit)
                                : copySource(doc, progress, messages, cut, limit);
    if (made != OpenResult::Completed)
        return made;

    auto work = readWorkFile(doc, messages);
    if (!work)
        return OpenResult::Failed;
    // The overview does not test the stop request: once here the open completes.
    rebuildOverview(*work, doc, progress, {1, ColumnPercent::Fraction});
    return progress.quitting() ? OpenResult::Cancelled : OpenResult::Completed;
}

void finishOpen(DocumentState& doc)
{
    doc.stream = BASS_StreamCreateFile(FALSE, doc.workPath.c_str(), 0, 0, 0);
    const QWORD length = BASS_ChannelGetLength(doc.stream, BASS_POS_BYTE);
    doc.streamLength = length == BASS_ERROR_QWORD ? 0 : static_cast<std::uint32_t>(length);
    doc.zoom = kStartZoom;
    doc.modified = false;
    setStartColumn(doc, 0);
    setFinishColumn(doc, doc.columnCount == 0 ? 0 : doc.columnCount - 1);
    doc.loaded = true;
}

}  // namespace tw
