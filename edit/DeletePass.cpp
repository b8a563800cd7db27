#include "edit/DeletePass.h"

namespace tw {

namespace {

bool deleteRange(File& work, DocumentState& doc, const EditRange& range, Progress& progress, std::uint64_t& shifted)
{
    // Up to the end of the data: the bytes of a partial last frame stay in it.
    const std::uint32_t toMove = doc.dataEnd - range.end;
    return moveDown(work, range.end, range.start, toMove, progress, &shifted, passMove(doc)) && endDataAt(work, doc, range.start + toMove);
}

}  // namespace

EditPass deletePass()
{
    EditPass pass{Footprint::RemovesRange, deleteRange, markersAfterDelete};
    pass.recipe = "delete";
    return pass;
}

}  // namespace tw
