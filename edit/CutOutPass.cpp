#include "edit/CutOutPass.h"

#include <unistd.h>

namespace tw {

namespace {

bool keepRange(File& work, DocumentState& doc, const EditRange& range, Progress& progress)
{
    // An empty range keeps the document as it is, rather than nothing of it.
    if (range.bytes() == 0)
        return true;
    // Everything behind the range goes first; the file never grows.
    if (::ftruncate(work.fd(), static_cast<off_t>(range.end)) != 0)
        return false;
    return moveDown(work, range.start, doc.dataOffset, range.bytes(), progress) &&
           endDataAt(work, doc, doc.dataOffset + range.bytes());
}

}  // namespace

EditPass cutOutPass()
{
    return {Footprint::KeepsRange, keepRange, selectWhole};
}

}  // namespace tw
