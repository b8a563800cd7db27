// The edits from the window, Undo and Redo, and the clipboard: each runs its
// body under ProcessForm with playback stopped (Copy, which changes nothing,
// lets it play on); Delete, Cut Out, Cut and Paste also change the length,
// every one of them the markers or the view.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>

#include "app/TMainForm.h"
#include "core/Markers.h"
#include "core/WorkerThread.h"
#include "edit/CutOutPass.h"
#include "edit/DeletePass.h"
#include "edit/NormalizePass.h"
#include "edit/PastePass.h"
#include "edit/SamplePasses.h"
#include "edit/UndoBody.h"
#include "ui/ModalResult.h"
#include "ui/RunModal.h"
#include "ui/TNormalizeForm.h"
#include "ui/TProcessForm.h"
#include "ui/TVolumeForm.h"

namespace tw {

void TMainForm::stopAndRelease()
{
    if (BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED)
        CButtonStopClick();
    BASS_StreamFree(stream);
}

template <class Thread>
void TMainForm::runUnderProcessForm(const std::function<void(WindowProgress&)>& body)
{
    WindowProgress& progress = ProcessForm->progress();
    progress.setBar(0, 0);
    progress.setBar(1, 0);
    runModal<Thread>(*ProcessForm, [this, &body, &progress] {
        // After a failure the window closes as well: it has no button.
        body(progress);
        ProcessForm->done(mrOk);
        update();
    });
}

template <class Thread>
void TMainForm::runEdit(const std::function<EditResult(WindowProgress&)>& body)
{
    EditResult result = EditResult::NotOpened;
    runUnderProcessForm<Thread>([&](WindowProgress& progress) { result = body(progress); });
    // A failed write that could not be walked back changed the file part
    // way: it counts as an edit.
    if (result == EditResult::Done || result == EditResult::WriteFailed)
        modified = true;
}

template <class Thread>
void TMainForm::runEdit(const EditPass& pass)
{
    // A pass that changes no byte only flashes the window.
    runEdit<Thread>([&](WindowProgress& progress) { return runEditBody(*this, pass, progress, *this, &journal_); });
}

void TMainForm::afterEdit()
{
    stream = BASS_StreamCreateFile(FALSE, workPath.c_str(), 0, 0, 0);
    const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
    streamLength = length == BASS_ERROR_QWORD ? 0 : static_cast<std::uint32_t>(length);
    setPaintBoxWidth(static_cast<int>(columnCount));
    checkZoomItem();  // Undo and Redo bring back the zoom of their step
    PaintBox1Paint();
    UpdateControls(kStopped);
}

void TMainForm::ButtonDeleteClick()
{
    if (!loaded)
        return;
    stopAndRelease();
    runEdit<TDelThread>(deletePass());
    afterEdit();
}

void TMainForm::ButtonCutOutClick()
{
    if (!loaded)
        return;
    stopAndRelease();
    runEdit<TCutOutThread>(cutOutPass());
    afterEdit();
}

void TMainForm::ButtonFadeInClick()
{
    if (!loaded)
        return;
    stopAndRelease();
    runEdit<TFadeInThread>(fadeInPass());
    afterEdit();
}

void TMainForm::ButtonFadeOutClick()
{
    if (!loaded)
        return;
    stopAndRelease();
    runEdit<TFadeOutThread>(fadeOutPass());
    afterEdit();
}

void TMainForm::ButtonVolumeClick()
{
    if (!loaded)
        return;
    stopAndRelease();
    VolumeForm->ComboBox1->setCurrentIndex(3);  // "100%", every time
    VolumeForm->CheckBoxMute->setChecked(false);
    if (VolumeForm->exec() == QDialog::Accepted)
        runEdit<TSetVolumeThread>(
            volumePass(volumeGain(VolumeForm->ComboBox1->currentIndex()), VolumeForm->CheckBoxMute->isChecked()));
    afterEdit();
}

void TMainForm::MUndoClick()
{
    if (!loaded || !journal_.canUndo())
        return;
    stopAndRelease();
    runUnderProcessForm<TUndoThread>([this](WindowProgress& progress) { runUndoBody(*this, journal_, progress, *this); });
    afterEdit();
}

void TMainForm::MRedoClick()
{
    if (!loaded || !journal_.canRedo())
        return;
    stopAndRelease();
    runUnderProcessForm<TRedoThread>([this](WindowProgress& progress) { runRedoBody(*this, journal_, progress, *this); });
    afterEdit();
}

void TMainForm::MNormalizeClick()
{
    if (!loaded || copyRange(*this).bytes() == 0)
        return;
    stopAndRelease();
    NormalizeForm->ComboBox1->setCurrentIndex(kNormalizePreset);  // every time
    if (NormalizeForm->exec() == QDialog::Accepted) {
        const double level = NormalizeForm->level();
        runEdit<TNormalizeThread>([this, level](WindowProgress& progress) {
            return runNormalizeBody(*this, level, progress, *this, &journal_);
        });
    }
    afterEdit();
}

void TMainForm::MCopyClick()
{
    // Reads the work file only: playback goes on.
    if (!loaded || copyRange(*this).bytes() == 0)
        return;
    bool copied = false;
    runUnderProcessForm<TCopyThread>([this, &copied](WindowProgress& progress) {
        copied = clipboard_.copy(*this, progress);
        if (!copied)
            inform(kMsgCannotWriteTemp);
    });
    UpdateControls(playState);
}

void TMainForm::MCutClick()
{
    if (!loaded || copyRange(*this).bytes() == 0)
        return;
    stopAndRelease();
    runEdit<TCutThread>(
        [this](WindowProgress& progress) { return runCutBody(*this, clipboard_, progress, *this, &journal_); });
    afterEdit();
}

void TMainForm::MPasteClick()
{
    if (!loaded || !clipboard_.holdsSound())
        return;
    // At the cursor's frame, as it was before Stop took it to the beginning.
    const std::uint64_t at = cursorFrame();
    stopAndRelease();
    EditResult result = EditResult::NotOpened;
    runEdit<TPasteThread>([this, at, &result](WindowProgress& progress) {
        result = runPasteBodyAtFrame(*this, clipboard_, at, progress, *this, &journal_);
        return result;
    });
    afterEdit();
    if (result == EditResult::Done)
        setCursorFrame(finishFrame(*this));  // right after the pasted sound: a second paste follows it
}

// The effects' commands use the same frame.
template void TMainForm::runEdit<TEffectThread>(const std::function<EditResult(WindowProgress&)>& body);
template void TMainForm::runUnderProcessForm<TStatisticsThread>(const std::function<void(WindowProgress&)>& body);

}  // namespace tw
