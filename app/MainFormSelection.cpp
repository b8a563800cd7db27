// The cursor and the markers to the frame: the cursor's frame, and the keys
// that move the cursor and the markers.
#include <QLabel>
#include <QTimer>

#include <algorithm>

#include "app/TMainForm.h"
#include "core/ControlTable.h"
#include "core/FrameText.h"
#include "core/Markers.h"
#include "ui/TSelectRangeForm.h"

namespace tw {

std::uint64_t TMainForm::cursorFrame() const
{
    const QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    if (stream == cursorStream_ && position != BASS_ERROR_QWORD && position == cursorBytes_)
        return cursorFrame_;
    return std::min<std::uint64_t>(std::uint64_t{cursorColumn()} * zoom, frameCount);
}

void TMainForm::setCursorFrame(std::uint64_t frame)
{
    if (!loaded || stream == 0)
        return;
    frame = std::min<std::uint64_t>(frame, frameCount);
    const std::uint64_t bytes = frame * DocumentState::frameSize;
    // After the last frame the player stands where End has always put it: in
    // the last column.
    const std::uint32_t last = columnCount == 0 ? 0 : columnCount - 1;
    const QWORD position = bytes < streamLength ? bytes : columnFirstFrame(last, streamLength, columnCount, DocumentState::frameSize);
    BASS_ChannelSetPosition(stream, position, BASS_POS_BYTE);
    cursorBytes_ = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    cursorStream_ = stream;
    cursorFrame_ = frame;
    UpdateControls(playState);
    PaintBox1Paint();
}

void TMainForm::markersMoved()
{
    UpdateControls(playState);
    PaintBox1Paint();
}

void TMainForm::moveFinishMarker(int direction, bool oneFrame)
{
    if (!loaded)
        return;
    const std::uint64_t start = startFrame(*this);
    const std::uint64_t finish = finishFrame(*this);
    if (oneFrame) {
        if (direction < 0 && finish > start)
            setFinishFrame(*this, finish - 1);
        else if (direction > 0 && finish < frameCount)
            setFinishFrame(*this, finish + 1);
        return markersMoved();
    }
    // To the column boundary before or after the finish.
    const std::uint64_t z = std::max(zoom, 1u);
    const std::uint64_t column = direction < 0 ? (finish + z - 1) / z - (finish >= z ? 1 : 0) : finish / z + 1;
    const std::uint64_t target = std::min<std::uint64_t>(column * z, std::max<std::uint64_t>(frameCount, finish));
    if (target < start || target == finish)
        return;
    if (target % z == 0)
        setFinishColumn(*this, static_cast<std::uint32_t>(target / z));
    else
        setFinishFrame(*this, target);  // the end of the sound, inside the last column
    markersMoved();
}

void TMainForm::extendSelectionToStart()
{
    if (!loaded)
        return;
    setStartColumn(*this, 0);
    markersMoved();
}

void TMainForm::extendSelectionToEnd()
{
    if (!loaded)
        return;
    setFinishFrame(*this, frameCount);
    markersMoved();
}

void TMainForm::showSelection()
{
    if (!loaded) {
        StatusSelection->clear();
        StatusSelection->setMaximumWidth(0);
        return;
    }
    const std::uint64_t start = startFrame(*this);
    const std::uint64_t end = std::max(start, std::min<std::uint64_t>(finishFrame(*this), frameCount));
    // Under an hour without the hours, so that more of it shows.
    const bool hours = frameCount >= std::uint64_t{sampleRate} * 3600;
    const auto time = [this, hours](std::uint64_t frame) {
        const std::string text = frameText(frame, sampleRate, FrameUnit::Time);
        return hours ? text : text.substr(3);
    };
    const std::string text = time(start) + " - " + time(end) + " (" + time(end - start) + ")";
    StatusSelection->setText(QString::fromStdString(text));
    StatusSelection->setToolTip(StatusSelection->text());
    // Whole where the window has the room; what is left goes to the path.
    const QMargins frame = StatusSelection->contentsMargins();
    StatusSelection->setMaximumWidth(StatusSelection->fontMetrics().horizontalAdvance(StatusSelection->text()) +
                                     frame.left() + frame.right() + 2 * StatusSelection->margin() + 8);
}

void TMainForm::MSelectRangeClick()
{
    if (!loaded)
        return;
    const std::uint64_t start = startFrame(*this);
    const std::uint64_t end = std::max(start, std::min<std::uint64_t>(finishFrame(*this), frameCount));
    TSelectRangeForm form(this);
    applyLanguage(form);
    form.setRange(start, end, sampleRate, frameCount);
    if (onSelectRangeShown)
        onSelectRangeShown(form);
    if (form.exec() != QDialog::Accepted)
        return;
    if (const auto range = form.range()) {
        setMarkerFrames(*this, range->first, range->second);
        markersMoved();
    }
}

void TMainForm::cancelDrag()
{
    if (!drag_.pressed)
        return;
    startMark = drag_.startBefore;
    finishMark = drag_.finishBefore;
    selStart = drag_.selStartBefore;
    selFinish = drag_.selFinishBefore;
    drag_ = {};
    dragScroll_->stop();
    markersMoved();
}

}  // namespace tw
