#include "edit/DeletePass.h"

namespace tw {

void deletePass(File& work, DocumentState& doc, const EditRange& range, Progress& progress)
{
    const std::uint32_t dataEnd = doc.dataOffset + doc.frameCount * doc.frameSize;
    const std::uint32_t end = moveDown(work, range.end, range.start, dataEnd - range.end, progress);
    endDataAt(work, doc, end);
}

}  // namespace tw
