#include "edit/DeletePass.h"

namespace tw {

namespace {

bool deleteRange(File& work, DocumentState& doc, const EditRange& range, Progress& progress)
{
    const std::uint32_t dataEnd = doc.dataOffset + doc.frameCount * doc.frameSize;
    const std::uint32_t toMove = dataEnd - range.end;
    return moveDown(work, range.end, range.start, toMove, progress) && endDataAt(work, doc, range.start + toMove);
}

}  // namespace

EditPass deletePass()
{
    return {Footprint::RemovesRange, deleteRange, markersAfterDelete};
}

}  // namespace tw
