// Playback: the transport commands, the timer that moves the cursor and feeds
// the spectrum and the level meter, and the close.
#include <QAction>
#include <QPainter>
#include <QTimer>

#include "app/MainFormTexts.h"
#include "app/TMainForm.h"
#include "core/Markers.h"
#include "core/ControlTable.h"
#include "wav/File.h"

namespace tw {

void TMainForm::CreateMeters()
{
    spectrum = std::make_unique<TSpectrum>(PaintBox2->width(), PaintBox2->height());
    levelMeter = std::make_unique<TVolume>(PaintBox3->width(), PaintBox3->height());
    PaintBox2->onPaint = [this](QPainter& painter) { painter.drawImage(0, 0, spectrum->image()); };
    PaintBox3->onPaint = [this](QPainter& painter) { painter.drawImage(0, 0, levelMeter->image()); };
}

void TMainForm::CButtonPlayClick()
{
    if (!loaded)
        return;
    BASS_ChannelPlay(stream, TRUE);  // always from the beginning
    UpdateControls(kPlaying);
}

void TMainForm::CButtonPlayFromHereClick()
{
    if (!loaded)
        return;
    const QWORD position = BASS_ChannelGetPosition(stream, BASS_POS_BYTE);
    if (playState == kStopped) {
        // From the start, begin in the column after the start marker: at its
        // first whole frame, or the player's frame would still be the marker's.
        auto p = static_cast<std::uint32_t>(position);
        if (p == 0)
            p = columnFirstFrame(selStart + 1, streamLength, columnCount, DocumentState::frameSize);
        BASS_ChannelSetPosition(stream, p, BASS_POS_BYTE);
    } else {
        // Paused on a marker: step off it, or the next paint pauses again.
        const std::uint32_t k = playColumn(columnCount, position, streamLength);
        if (k == selStart || k == selFinish)
            BASS_ChannelSetPosition(stream, columnBytePosition(k + 3, streamLength, columnCount), BASS_POS_BYTE);
    }
    BASS_ChannelPlay(stream, FALSE);
    UpdateControls(kPlaying);
}

void TMainForm::CButtonPauseClick()
{
    if (!loaded)
        return;
    BASS_ChannelPause(stream);
    UpdateControls(kPaused);
}

void TMainForm::CButtonStopClick()
{
    if (!loaded)
        return;
    BASS_ChannelStop(stream);
    BASS_ChannelSetPosition(stream, 0, BASS_POS_BYTE);
    UpdateControls(kStopped);
    PaintBox1Paint();
}

void TMainForm::Timer1Timer()
{
    const DWORD active = BASS_ChannelIsActive(stream);
    if (active != BASS_ACTIVE_STOPPED && playState == kPlaying)
        PaintBox1Paint();  // the cursor moves; a marker column pauses
    if (active == BASS_ACTIVE_STOPPED && playState == kPlaying)
        CButtonStopClick();  // played to the end

    // Stopped or without a document the displays are black: drawn once, not every tick.
    const bool idle = playState != kPlaying && playState != kPaused;
    if (idle && metersBlank_)
        return;
    metersBlank_ = idle;

    BASS_ChannelGetData(stream, fftBuffer.data(), BASS_DATA_FFT1024);
    spectrum->Draw(fftBuffer.data(), playState);
    PaintBox2->update();

    const DWORD level = BASS_ChannelGetLevel(stream);
    levelMeter->Draw(static_cast<std::int32_t>((level & 0xFFFF) * 100 / 32768),
                     static_cast<std::int32_t>((level >> 16) * 100 / 32768), playState);
    PaintBox3->update();
}

bool TMainForm::CloseDocument()
{
    if (BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED)
        CButtonStopClick();
    if (modified) {
        switch (show({MainFormTexts::kSavePrompt, {}, MsgIcon::Question, MsgButtons::YesNoCancel})) {
        case MsgResult::Yes:
            // The work file goes only after a save that completed.
            if (!SaveDocument())
                return false;
            break;
        case MsgResult::No:
            break;
        default:
            return false;
        }
    }
    BASS_StreamFree(stream);
    stream = 0;
    forgetRecoveryState();  // before the work file it names goes
    if (!workPath.empty() && fileExists(workPath))
        removeFile(workPath);
    loaded = false;
    partOpened_ = false;
    journal_.reset(tempDir);
    workPath.clear();
    sourcePath.clear();
    zoom = kStartZoom;
    MZoom10->setChecked(true);  // the group takes the others' marks away
    modified = false;
    setMarkerFrames(*this, 0, 0);
    setPaintBoxWidth(10);
    waveBitmap = QImage(10, 221, QImage::Format_RGB32);
    waveBitmap.fill(Qt::black);
    waveBitmapColumn = 0;
    UpdateControls(kNoDocument);
    PaintBox1->update();
    return true;
}

void TMainForm::ButtonCloseClick()
{
    CloseDocument();
}

}  // namespace tw
