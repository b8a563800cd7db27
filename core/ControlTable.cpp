#include "core/ControlTable.h"

#include <algorithm>

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
    f.range = doc && in.rangeHoldsSound;
    f.paste = doc && in.clipboardHoldsSound;
    f.zoomIn = doc && !in.zoom1Checked;
    f.zoomOut = doc && !in.zoom10Checked;
    f.play = in.state == 1 || in.state == 3;
    f.pause = in.state == 2;
    f.stop = in.state == 2 || in.state == 3;
    f.setStart = doc && in.p < in.selFinish;
    f.setFinish = doc && in.p > in.selStart;
    return f;
}

// The products below stay under 2^64, so the integer results are exact.

std::uint32_t playColumn(std::uint32_t columnCount, QWORD position, std::uint32_t streamLength)
{
    // The error value of a freed stream is no position.
    if (streamLength == 0 || columnCount == 0 || position == BASS_ERROR_QWORD)
        return 0;
    const std::uint64_t pos = position & 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(std::uint64_t{columnCount} * pos / streamLength);
}

std::uint32_t columnBytePosition(std::uint32_t column, std::uint32_t streamLength, std::uint32_t columnCount)
{
    if (columnCount == 0)
        return 0;
    return static_cast<std::uint32_t>(std::uint64_t{column} * streamLength / columnCount);
}

std::uint32_t columnFirstFrame(std::uint32_t column, std::uint32_t streamLength, std::uint32_t columnCount,
                               std::uint32_t frameSize)
{
    if (columnCount == 0)
        return 0;
    // The smallest byte b with b × columnCount >= column × streamLength, then
    // up to a frame boundary.
    const std::uint64_t first = (std::uint64_t{column} * streamLength + columnCount - 1) / columnCount;
    const std::uint64_t frame = frameSize == 0 ? 1 : frameSize;
    const std::uint64_t aligned = (first + frame - 1) / frame * frame;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(aligned, streamLength));
}

}  // namespace tw
