#include "core/ControlTable.h"

#include <cmath>

namespace tw {

ControlFlags controlFlags(const ControlInputs& in)
{
    ControlFlags f;
    const bool doc = in.state == 1 || in.state == 2 || in.state == 3;
    f.open = in.state == 0;
    f.doc = doc;
    f.save = doc && in.modified;
    f.undo = doc && in.canUndo;
    f.redo = doc && in.canRedo;
    f.zoomIn = doc && !in.zoom1Checked;
    f.zoomOut = doc && !in.zoom10Checked;
    f.play = in.state == 1 || in.state == 3;
    f.pause = in.state == 2;
    f.stop = in.state == 2 || in.state == 3;
    f.setStart = doc && in.p < in.selFinish;
    f.setFinish = doc && in.p > in.selStart;
    return f;
}

std::uint32_t playColumn(std::uint32_t columnCount, QWORD position, std::uint32_t streamLength)
{
    if (streamLength == 0 || columnCount == 0)
        return 0;
    const auto pos = static_cast<std::int32_t>(static_cast<std::uint32_t>(position & 0xFFFFFFFFu));
    // |result| <= columnCount × 2^31, well inside the range of a 64-bit integer.
    const long double column = std::trunc(static_cast<long double>(columnCount) * pos / streamLength);
    return static_cast<std::uint32_t>(static_cast<std::int64_t>(column));
}

std::uint32_t columnBytePosition(std::uint32_t column, std::uint32_t streamLength, std::uint32_t columnCount)
{
    if (columnCount == 0)
        return 0;
    const long double bytes = std::trunc(static_cast<long double>(column) * streamLength / columnCount);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(bytes));
}

}  // namespace tw
