// The edits from the window: playback stops first, the markers afterwards,
// the Volume dialog's Cancel and its 100 % shortcut.
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include "OpenSupport.h"
#include "ui/TVolumeForm.h"

using twtest::OpenTest;

namespace {

TEST_F(OpenTest, EditCommandsStopPlaybackAndSetTheMarkers)
{
    auto form = make();
    choose(*form, makeWav("ten.wav", 44100, 2, 441000));  // 45 columns
    form->ButtonOpenClick();
    const auto work = [&] { return twtest::readBytes(form->workPath); };

    // Volume: Cancel changes nothing; "100%" changes no byte but is an edit.
    const twtest::Bytes before = work();
    form->CButtonPlayClick();
    QTimer::singleShot(0, form->VolumeForm, [&] { form->VolumeForm->ButtonCancel->click(); });
    form->ButtonVolumeClick();
    EXPECT_EQ(form->playState, tw::kStopped);
    EXPECT_FALSE(form->modified);
    QTimer::singleShot(0, form->VolumeForm, [&] { form->VolumeForm->ButtonOk->click(); });
    form->MVolume->trigger();
    EXPECT_TRUE(form->modified);
    EXPECT_TRUE(form->ButtonSave->isEnabled());
    EXPECT_EQ(work(), before);
    // The dialog opens on "100%" and no Mute whatever was chosen before.
    QTimer::singleShot(0, form->VolumeForm, [&] {
        EXPECT_EQ(form->VolumeForm->ComboBox1->currentIndex(), 3);
        form->VolumeForm->CheckBoxMute->setChecked(true);
        form->VolumeForm->ButtonOk->click();
    });
    form->selStart = 1;
    form->selFinish = 2;
    form->ButtonVolumeClick();
    EXPECT_EQ(work()[56 + 10000 * 4], 0);  // the first frame of column 1 is silent
    QTimer::singleShot(0, form->VolumeForm, [&] {
        EXPECT_FALSE(form->VolumeForm->CheckBoxMute->isChecked());
        form->VolumeForm->ButtonCancel->click();
    });
    form->ButtonVolumeClick();

    // Delete while playing: stopped first; one column from the old start.
    form->selStart = 40;
    form->selFinish = 44;
    form->CButtonPlayClick();
    form->MDelete->trigger();
    EXPECT_EQ(form->playState, tw::kStopped);
    EXPECT_EQ(form->columnCount, 41u);
    EXPECT_EQ(form->selStart, 40u);
    EXPECT_EQ(form->selFinish, 40u);  // the last column is the new end
    EXPECT_EQ(form->streamLength, (441000u - 40000u) * 4);
    EXPECT_EQ(form->PaintBox1->width(), 41);

    // Cut Out: the rest, all selected.
    form->selStart = 10;
    form->selFinish = 20;
    form->ButtonCutOutClick();
    EXPECT_EQ(form->columnCount, 10u);
    EXPECT_EQ(form->selStart, 0u);
    EXPECT_EQ(form->selFinish, 9u);
    EXPECT_EQ(form->durationSeconds, 2u);  // 100000 frames of 44100 Hz
}

}  // namespace
