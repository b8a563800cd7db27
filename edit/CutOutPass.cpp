#include "edit/CutOutPass.h"

namespace tw {

namespace {

bool keepRange(File& work, DocumentState& doc, const EditRange& range, Progress& progress, std::uint64_t& shifted)
{
    // An empty range keeps the document as it is, rather than nothing of it.
    if (range.bytes() == 0)
        return true;
    // A range that reaches the end of the data keeps the bytes of a partial
    // last frame with it.
    const std::uint32_t end = range.reachesEnd ? doc.dataEnd : range.end;
    // The file is cut only once the range stands at the start of the data.
    return moveDown(work, range.start, doc.dataOffset, end - range.start, progress, &shifted, passMove(doc)) &&
           endDataAt(work, doc, doc.dataOffset + (end - range.start));
}

}  // namespace

EditPass cutOutPass()
{
    EditPass pass{Footprint::KeepsRange, keepRange, selectWhole};
    pass.recipe = "cutout";
    return pass;
}

}  // namespace tw
