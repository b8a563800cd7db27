#include "edit/CutOutPass.h"

#include <unistd.h>

namespace tw {

void cutOutPass(File& work, DocumentState& doc, const EditRange& range, Progress& progress)
{
    // Everything behind the range goes first; the file never grows.
    ::ftruncate(work.fd(), static_cast<off_t>(range.end));
    const std::uint32_t end = moveDown(work, range.start, doc.dataOffset, range.bytes(), progress);
    endDataAt(work, doc, end);
}

}  // namespace tw
