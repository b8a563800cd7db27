// The waveform view from the window's side: what is visible of the strip,
// the marker stop, the mouse and the wheel, the markers and the zoom commands.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "app/TMainForm.h"
#include "core/ControlTable.h"
#include "core/Markers.h"
#include "core/WorkerThread.h"
#include "core/ZoomLadder.h"
#include "document/Overview.h"
#include "document/ReloadBody.h"
#include "edit/EditBody.h"
#include "ui/ModalResult.h"
#include "ui/RunModal.h"
#include "ui/TReloadForm.h"
#include "view/WaveView.h"
#include "wav/File.h"

namespace tw {

namespace {

// Whole seconds of a stream byte position (-1 when the stream is gone).
std::int64_t secondsAt(HSTREAM stream, std::uint32_t bytes)
{
    return static_cast<std::int64_t>(std::trunc(BASS_ChannelBytes2Seconds(stream, bytes)));
}

}  // namespace

std::uint32_t TMainForm::firstVisibleColumn() const
{
    const auto first = static_cast<std::uint32_t>(std::max(0, ScrollBox1->horizontalScrollBar()->value()));
    return std::min(first, columnCount);
}

std::uint32_t TMainForm::renderWave()
{
    const QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    const std::uint32_t cursor = playColumn(columnCount, position, streamLength);

    // Only the columns the scroll box shows are drawn.
    const std::uint32_t start = firstVisibleColumn();
    const auto width = static_cast<int>(
        std::min<std::uint32_t>(columnCount - start, static_cast<std::uint32_t>(ScrollBox1->viewport()->width())));
    if (waveBitmap.width() != width || waveBitmap.height() != kWaveRows)
        waveBitmap = QImage(std::max(width, 0), kWaveRows, QImage::Format_RGB32);
    waveBitmapColumn = start;

    WaveScene scene;
    scene.columnCount = columnCount;
    scene.channels = channels;
    scene.sampleRate = sampleRate;
    scene.durationSeconds = durationSeconds;
    scene.zoom = zoom;
    scene.peakLeft = &peakLeft;
    scene.peakRight = &peakRight;
    if (zoom < kFinestOverviewZoom) {
        // The finer levels: what is drawn, read from the work file.
        const OverviewFormat format{channels, bitsPerSample, DocumentState::frameSize, zoom};
        if (const File work = File::openRead(workPath))
            readPeaks(work, dataOffset, frameCount, format, start, static_cast<std::uint32_t>(std::max(width, 0)),
                      visibleLeft_, visibleRight_);
        scene.peakLeft = &visibleLeft_;
        scene.peakRight = &visibleRight_;
        scene.peakFirst = start;
    }
    scene.selStart = selStart;
    scene.selFinish = selFinish;
    scene.start = {secondsAt(stream, columnBytePosition(selStart, streamLength, columnCount)), selStart};
    scene.finish = {secondsAt(stream, columnBytePosition(selFinish, streamLength, columnCount)), selFinish};
    scene.cursor = {secondsAt(stream, static_cast<std::uint32_t>(position)), cursor};
    scene.colors.rulerBackground = palette().color(QPalette::ToolTipBase);
    scene.colors.finish = palette().color(QPalette::Light);
    scene.font = PaintBox1->font();
    drawWaveView(waveBitmap, start, scene);
    return cursor;
}

void TMainForm::markerStop(std::uint32_t k)
{
    if (k != 0 && k != columnCount - 1 && (k == selStart || k == selFinish)) {
        BASS_ChannelPause(stream);
        UpdateControls(kPaused);
    }
}

void TMainForm::PaintBox1Paint()
{
    if (!loaded || workPath.empty())
        return;
    const std::uint32_t cursor = renderWave();
    waveBitmapFresh_ = true;
    PaintBox1->update(static_cast<int>(waveBitmapColumn), 0, waveBitmap.width(), kWaveRows);
    markerStop(cursor);
}

std::uint32_t TMainForm::cursorColumn() const
{
    return playColumn(columnCount, BASS_ChannelGetPosition(stream, BASS_POS_BYTE), streamLength);
}

bool TMainForm::moveCursorTo(const QMouseEvent& event, Qt::MouseButton button)
{
    const QPoint at = event.position().toPoint();
    if (stream == 0 || at.y() >= kWaveAreaRows || event.button() != button)
        return false;
    // The cursor shows in the column clicked: its first whole frame.
    const auto column = static_cast<std::uint32_t>(std::max(at.x(), 0));
    BASS_ChannelSetPosition(stream, columnFirstFrame(column, streamLength, columnCount, DocumentState::frameSize), BASS_POS_BYTE);
    UpdateControls(playState);
    PaintBox1Paint();
    return true;
}

std::uint32_t TMainForm::columnAt(QPoint inViewport) const
{
    const int x = PaintBox1->mapFrom(ScrollBox1->viewport(), inViewport).x();
    return columnCount == 0 ? 0 : std::min(static_cast<std::uint32_t>(std::max(x, 0)), columnCount - 1);
}

void TMainForm::PaintBox1MouseDown(const QMouseEvent& event)
{
    drag_ = {};
    dragScroll_->stop();
    drag_.startBefore = startMark;
    drag_.finishBefore = finishMark;
    drag_.selStartBefore = selStart;
    drag_.selFinishBefore = selFinish;
    if (event.button() == Qt::LeftButton && (event.modifiers() & Qt::ShiftModifier) && stream != 0 &&
        event.position().y() < kWaveAreaRows) {
        // Shift: the nearer marker (the start when both are as near, unless
        // the column lies right of the finish) comes to the column; a drag
        // then carries it on.
        const auto column = static_cast<std::uint32_t>(std::max(event.position().toPoint().x(), 0));
        const auto distance = [column](std::uint32_t marker) { return column > marker ? column - marker : marker - column; };
        if (distance(selStart) < distance(selFinish) || (distance(selStart) == distance(selFinish) && column <= selFinish))
            setStartColumn(*this, std::min(column, selFinish));
        else
            setFinishColumn(*this, std::max(column, selStart));
    }
    if (!moveCursorTo(event, Qt::LeftButton))
        return;
    drag_.pressed = true;
    drag_.pressAt = PaintBox1->mapTo(ScrollBox1->viewport(), event.position().toPoint());
    drag_.pointer = drag_.pressAt;
    drag_.anchor = columnAt(drag_.pressAt);
    if (event.modifiers() & Qt::ShiftModifier)
        drag_.anchor = selStart == drag_.anchor ? selFinish : selStart;
}

void TMainForm::PaintBox1MouseMove(const QMouseEvent& event)
{
    if (!drag_.pressed || !loaded || stream == 0)
        return;
    if (!(event.buttons() & Qt::LeftButton)) {
        // The release went elsewhere.
        drag_ = {};
        dragScroll_->stop();
        return;
    }
    drag_.pointer = PaintBox1->mapTo(ScrollBox1->viewport(), event.position().toPoint());
    if (!drag_.dragging && (drag_.pointer - drag_.pressAt).manhattanLength() < QApplication::startDragDistance())
        return;
    drag_.dragging = true;
    dragTo(drag_.pointer);
}

void TMainForm::dragTo(QPoint inViewport)
{
    if (!drag_.dragging || !loaded) {
        dragScroll_->stop();
        return;
    }
    // Beside the visible part the strip scrolls by as far as the pointer is
    // out, now and on every tick of dragScroll_ until it comes back.
    const int width = ScrollBox1->viewport()->width();
    const int outside = inViewport.x() < 0 ? inViewport.x() : std::max(inViewport.x() - width + 1, 0);
    QScrollBar* bar = ScrollBox1->horizontalScrollBar();
    const int before = bar->value();
    bar->setValue(before + outside);  // within the bar's range
    if (bar->value() == before)
        dragScroll_->stop();
    else if (!dragScroll_->isActive())
        dragScroll_->start();
    const std::uint32_t column = columnAt(inViewport);
    setStartColumn(*this, std::min(drag_.anchor, column));
    setFinishColumn(*this, std::max(drag_.anchor, column));
    UpdateControls(playState);
    PaintBox1Paint();
}

void TMainForm::PaintBox1MouseUp(const QMouseEvent& event)
{
    if (event.button() == Qt::LeftButton) {
        drag_ = {};
        dragScroll_->stop();
    }
    if (moveCursorTo(event, Qt::RightButton))
        PopupMenu1->popup(event.globalPosition().toPoint());
}

bool TMainForm::WaveWheel(const QWheelEvent& event)
{
    const QPoint delta = event.angleDelta();
    if (event.modifiers() & Qt::ControlModifier) {
        // A notch is 120 eighths of a degree; finer wheels add up to one.
        const int x = static_cast<int>(event.position().x());
        wheelZoom_ += delta.y();
        for (; wheelZoom_ >= 120; wheelZoom_ -= 120)
            wheelZoomStep(-1, x);
        for (; wheelZoom_ <= -120; wheelZoom_ += 120)
            wheelZoomStep(1, x);
        return true;
    }
    wheelZoom_ = 0;
    // Away from the user, or to the left, shows earlier sound.
    const int turn = delta.y() != 0 ? delta.y() : delta.x();
    QScrollBar* bar = ScrollBox1->horizontalScrollBar();
    bar->setValue(bar->value() - turn * QApplication::wheelScrollLines() * bar->singleStep() / 120);
    return true;
}

void TMainForm::CButtonSetStartClick()
{
    const std::uint32_t k = cursorColumn();
    if (!loaded || k >= selFinish)
        return;
    setStartColumn(*this, k);
    UpdateControls(playState);
    PaintBox1Paint();
}

void TMainForm::CButtonSetFinishClick()
{
    const std::uint32_t k = cursorColumn();
    if (!loaded || k <= selStart)
        return;
    setFinishColumn(*this, k);
    UpdateControls(playState);
    PaintBox1Paint();
}

void TMainForm::MSelectAllClick()
{
    if (!loaded)
        return;
    selectWhole(*this);
    UpdateControls(playState);
    PaintBox1Paint();
}

std::array<std::pair<QAction*, std::uint32_t>, 6> TMainForm::zoomItems() const
{
    return {{{MZoom10, 10000}, {MZoom8, 8000}, {MZoom6, 6000}, {MZoom4, 4000}, {MZoom2, 2000}, {MZoom1, 1000}}};
}

void TMainForm::ButtonZoomInClick()
{
    const auto items = zoomItems();
    if (!ZoomGroup->checkedAction()) {
        // Beyond the six: the nearest finer of them.
        for (const auto& [item, value] : items)
            if (value < zoom)
                return MZoomClick(item);
        return;
    }
    for (std::size_t i = 0; i + 1 < items.size(); ++i) {
        if (items[i].first->isChecked()) {
            MZoomClick(items[i + 1].first);
            return;
        }
    }
}

void TMainForm::ButtonZoomOutClick()
{
    const auto items = zoomItems();
    if (!ZoomGroup->checkedAction()) {
        for (auto it = items.rbegin(); it != items.rend(); ++it)
            if (it->second > zoom)
                return MZoomClick(it->first);
        return;
    }
    for (std::size_t i = items.size() - 1; i > 0; --i) {
        if (items[i].first->isChecked()) {
            MZoomClick(items[i - 1].first);
            return;
        }
    }
}

void TMainForm::MZoomClick(QAction* item)
{
    const auto items = zoomItems();
    const auto chosen = std::find_if(items.begin(), items.end(), [item](const auto& z) { return z.first == item; });
    if (chosen == items.end() || chosen->second == zoom || !loaded) {
        checkZoomItem();
        return;
    }
    if (BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED)
        CButtonStopClick();
    BASS_StreamFree(stream);

    const std::uint32_t oldZoom = zoom;
    zoom = chosen->second;
    item->setChecked(true);  // the group takes the others' marks away

    if (!reloadOverview()) {
        // The overview is still the old zoom's: so are the columns.
        zoom = oldZoom;
        checkZoomItem();
    }

    stream = BASS_StreamCreateFile(FALSE, workPath.c_str(), 0, 0, 0);
    setPaintBoxWidth(static_cast<int>(columnCount));
    selectWhole(*this);
    UpdateControls(kStopped);
    PaintBox1Paint();
}

bool TMainForm::reloadOverview()
{
    WindowProgress& progress = ReloadForm->progress();
    progress.setBar(0, 0);
    bool reloaded = false;
    runModal<TReloadThread>(*ReloadForm, [this, &progress, &reloaded] {
        // After a failure the window closes as well: it has no button.
        reloaded = runReloadBody(*this, progress, *this);
        ReloadForm->done(mrOk);
        update();
    });
    return reloaded;
}

}  // namespace tw
