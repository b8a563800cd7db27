// The zoom beyond the six menu levels: the ladder on Ctrl+wheel, Zoom to Fit
// and Zoom to Selection. These keep the markers and the cursor in time.
#include <QAction>
#include <QActionGroup>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

#include "app/TMainForm.h"
#include "core/Markers.h"
#include "core/ZoomLadder.h"

namespace tw {

void TMainForm::checkZoomItem()
{
    // Beyond the six levels none carries it.
    for (const auto& [item, value] : zoomItems())
        item->setChecked(value == zoom);
}

std::vector<std::uint32_t> TMainForm::ladder() const
{
    return zoomLadder(frameCount, static_cast<std::uint32_t>(std::max(ScrollBox1->viewport()->width(), 1)));
}

void TMainForm::wheelZoomStep(int direction, int x)
{
    if (!loaded)
        return;
    const std::uint32_t level = ladderStep(ladder(), zoom, direction);
    const int first = ScrollBox1->horizontalScrollBar()->value();
    zoomTo(level, (std::uint64_t(std::max(first + x, 0))) * zoom, x);
}

void TMainForm::zoomTo(std::uint32_t level, std::uint64_t anchorFrame, int anchorX)
{
    if (!loaded || level == 0 || level == zoom)
        return;
    const QWORD cursor = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    const HSTREAM before = stream;
    // The markers in time; a finish that stands for the end of the sound stays there.
    const std::uint64_t start = startFrame(*this);
    const std::uint64_t finish = finishFrameToEnd(*this);
    if (BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED)
        CButtonStopClick();
    BASS_StreamFree(stream);

    const std::uint32_t oldZoom = zoom;
    zoom = level;
    if (!reloadOverview())
        zoom = oldZoom;  // the overview is still the old zoom's
    checkZoomItem();

    stream = BASS_StreamCreateFile(FALSE, workPath.c_str(), 0, 0, 0);
    if (cursor != BASS_ERROR_QWORD)
        BASS_ChannelSetPosition(stream, cursor, BASS_POS_BYTE);
    if (cursorStream_ == before)
        cursorStream_ = stream;  // the same sound: the cursor's frame stands
    setPaintBoxWidth(static_cast<int>(columnCount));
    setMarkerFrames(*this, start, finish);
    const auto column = static_cast<std::int64_t>(anchorFrame / std::max(zoom, 1u));
    ScrollBox1->horizontalScrollBar()->setValue(static_cast<int>(std::clamp<std::int64_t>(column - anchorX, 0, INT32_MAX)));
    UpdateControls(kStopped);
    PaintBox1Paint();
}

void TMainForm::MZoomFitClick()
{
    if (!loaded)
        return;
    const auto width = static_cast<std::uint32_t>(std::max(ScrollBox1->viewport()->width(), 1));
    zoomTo(fitZoom(frameCount, width), 0, 0);
}

void TMainForm::MZoomSelectionClick()
{
    if (!loaded)
        return;
    // The finest level of the ladder that shows the whole selection.
    const std::uint64_t start = startFrame(*this);
    const std::uint64_t finish = std::min<std::uint64_t>(finishFrameToEnd(*this), frameCount);
    const int width = std::max(ScrollBox1->viewport()->width(), 1);
    const std::uint64_t frames = std::max<std::uint64_t>(finish > start ? finish - start : 1, 1);
    const auto levels = ladder();
    std::uint32_t level = levels.empty() ? zoom : levels.back();
    for (const std::uint32_t z : levels)
        if ((frames + z - 1) / z + 2 <= static_cast<std::uint64_t>(width)) {
            level = z;
            break;
        }
    // The selection's start a column in from the left edge.
    if (level == zoom)
        ScrollBox1->horizontalScrollBar()->setValue(static_cast<int>(std::min<std::uint64_t>(start / zoom, INT32_MAX)));
    else
        zoomTo(level, start, 1);
}

}  // namespace tw
