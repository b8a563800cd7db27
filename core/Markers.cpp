#include "core/Markers.h"

#include <algorithm>
#include <limits>

namespace tw {

namespace {

bool stands(const FrameMark& mark, std::uint32_t column, std::uint32_t zoom)
{
    return mark.zoom == zoom && mark.column == column;
}

std::uint64_t frameOf(const FrameMark& mark, std::uint32_t column, std::uint32_t zoom)
{
    return stands(mark, column, zoom) ? mark.frame : std::uint64_t{column} * zoom;
}

std::uint32_t columnOf(std::uint64_t frame, std::uint32_t zoom)
{
    const std::uint64_t column = frame / std::max(zoom, 1u);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(column, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

std::uint64_t startFrame(const DocumentState& doc)
{
    return frameOf(doc.startMark, doc.selStart, doc.zoom);
}

std::uint64_t finishFrame(const DocumentState& doc)
{
    return frameOf(doc.finishMark, doc.selFinish, doc.zoom);
}

void setStartFrame(DocumentState& doc, std::uint64_t frame)
{
    doc.selStart = columnOf(frame, doc.zoom);
    doc.startMark = {frame, doc.selStart, doc.zoom, true};
}

void setFinishFrame(DocumentState& doc, std::uint64_t frame)
{
    // The column the range reaches into, so that the selection band covers
    // every frame of it; not past the last column.
    const std::uint32_t zoom = std::max(doc.zoom, 1u);
    const std::uint32_t last = doc.columnCount == 0 ? 0 : doc.columnCount - 1;
    doc.selFinish = std::max(columnOf(frame, zoom), std::min(columnOf(frame + zoom - 1, zoom), last));
    doc.finishMark = {frame, doc.selFinish, doc.zoom, true};
}

void setMarkerFrames(DocumentState& doc, std::uint64_t start, std::uint64_t finish)
{
    setStartFrame(doc, start);
    setFinishFrame(doc, finish);
}

void setStartColumn(DocumentState& doc, std::uint32_t column)
{
    doc.selStart = column;
    doc.startMark = {std::uint64_t{column} * doc.zoom, column, doc.zoom, false};
}

void setFinishColumn(DocumentState& doc, std::uint32_t column)
{
    doc.selFinish = column;
    doc.finishMark = {std::uint64_t{column} * doc.zoom, column, doc.zoom, false};
}

std::uint64_t finishFrameToEnd(const DocumentState& doc)
{
    const std::uint64_t finish = finishFrame(doc);
    const bool exact = stands(doc.finishMark, doc.selFinish, doc.zoom) && doc.finishMark.exact;
    if (!exact && doc.columnCount > 0 && doc.selFinish == doc.columnCount - 1 && finish > startFrame(doc))
        return std::max<std::uint64_t>(finish, doc.frameCount);
    return finish;
}

}  // namespace tw
