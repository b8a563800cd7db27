// The five edits from the window: each runs its pass in the edit body under
// ProcessForm; Delete and Cut Out also change the length and the markers.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>

#include "app/TMainForm.h"
#include "core/WorkerThread.h"
#include "edit/CutOutPass.h"
#include "edit/DeletePass.h"
#include "edit/SamplePasses.h"
#include "ui/ModalResult.h"
#include "ui/RunModal.h"
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
bool TMainForm::runEdit(const EditPass& pass1)
{
    WindowProgress& progress = ProcessForm->progress();
    progress.setBar(0, 0);
    progress.setBar(1, 0);
    bool ran = false;
    runModal<Thread>(*ProcessForm, [this, &pass1, &progress, &ran] {
        // After a failure the window closes as well: it has no button.
        // A failed write still changed the file part way: it counts as an edit.
        ran = runEditBody(*this, pass1, progress, *this) != EditResult::NotOpened;
        ProcessForm->done(mrOk);
        update();
    });
    return ran;
}

void TMainForm::afterEdit(bool ran, bool shortened)
{
    stream = BASS_StreamCreateFile(FALSE, workPath.c_str(), 0, 0, 0);
    if (shortened) {
        const QWORD length = BASS_ChannelGetLength(stream, BASS_POS_BYTE);
        streamLength = length == BASS_ERROR_QWORD ? 0 : static_cast<std::uint32_t>(length);
        setPaintBoxWidth(static_cast<int>(columnCount));
    }
    if (ran)
        modified = true;  // a work file that could not be opened was not changed
}

void TMainForm::ButtonDeleteClick()
{
    if (!loaded)
        return;
    stopAndRelease();
    afterEdit(runEdit<TDelThread>(deletePass), true);
    markersAfterDelete(*this);
    PaintBox1Paint();
    UpdateControls(kStopped);
}

void TMainForm::ButtonCutOutClick()
{
    if (!loaded)
        return;
    stopAndRelease();
    afterEdit(runEdit<TCutOutThread>(cutOutPass), true);
    selectWhole(*this);
    PaintBox1Paint();
    UpdateControls(kStopped);
}

void TMainForm::ButtonFadeInClick()
{
    if (!loaded)
        return;
    stopAndRelease();
    afterEdit(runEdit<TFadeInThread>(fadeInPass), false);
    PaintBox1Paint();
    UpdateControls(kStopped);
}

void TMainForm::ButtonFadeOutClick()
{
    if (!loaded)
        return;
    stopAndRelease();
    afterEdit(runEdit<TFadeOutThread>(fadeOutPass), false);
    PaintBox1Paint();
    UpdateControls(kStopped);
}

void TMainForm::ButtonVolumeClick()
{
    if (!loaded)
        return;
    stopAndRelease();
    VolumeForm->ComboBox1->setCurrentIndex(3);  // "100%", every time
    VolumeForm->CheckBoxMute->setChecked(false);
    bool ran = false;
    if (VolumeForm->exec() == QDialog::Accepted) {
        const float gain = volumeGain(VolumeForm->ComboBox1->currentIndex());
        const bool mute = VolumeForm->CheckBoxMute->isChecked();
        // 100 % without Mute changes nothing, but counts as an edit.
        ran = (gain == 1.0f && !mute) || runEdit<TSetVolumeThread>(volumePass(gain, mute));
    }
    afterEdit(ran, false);
    PaintBox1Paint();
    UpdateControls(kStopped);
}

}  // namespace tw
