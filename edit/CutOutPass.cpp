#include "edit/CutOutPass.h"

#include <unistd.h>

namespace tw {

namespace {

bool keepRange(File& work, DocumentState& doc, const EditRange& range, Progress& progress)
{
    // An empty range keeps the document as it is, rather than nothing of it.
    if (range.bytes() == 0)
        return true;
    // A range that reaches the end of the data keeps the bytes of a partial
    // last frame with it.
    const std::uint32_t end = range.reachesEnd ? doc.dataEnd : range.end;
    // Everything behind the range goes first; the file never grows.
    if (::ftruncate(work.fd(), static_cast<off_t>(end)) != 0)
        return false;
    return moveDown(work, range.start, doc.dataOffset, end - range.start, progress) &&
           endDataAt(work, doc, doc.dataOffset + (end - range.start));
}

}  // namespace

EditPass cutOutPass()
{
    return {Footprint::KeepsRange, keepRange, selectWhole};
}

}  // namespace tw
