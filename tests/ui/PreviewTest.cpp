// Preview in an effect's dialog: it plays without changing the document, and
// a second press, a changed value, OK and Cancel each stop it.
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "OpenSupport.h"
#include "edit/Effects.h"
#include "ui/TEffectForm.h"

using twtest::OpenTest;

namespace {

TEST_F(OpenTest, PreviewPlaysWithoutChangingTheDocumentAndEveryDialogActionStopsIt)
{
    auto form = make();
    choose(*form, makeWav("ten.wav", 44100, 2, 441000));
    form->ButtonOpenClick();
    form->selStart = 2;
    form->selFinish = 30;
    const auto work = [&] { return twtest::readBytes(form->workPath); };
    const twtest::Bytes before = work();
    const tw::Effect& pitch = *tw::findEffect("pitch");

    enum class Close { Cancel, Ok };
    std::function<void(tw::TEffectForm&)> run;
    for (const Close close : {Close::Cancel, Close::Ok}) {
        form->onEffectFormShown = [&](tw::TEffectForm& shown) {
            QTimer::singleShot(0, &shown, [&] { run(shown); });
        };
        run = [&](tw::TEffectForm& dialog) {
            auto* preview = dialog.findChild<QPushButton*>("ButtonPreview");
            ASSERT_NE(preview, nullptr);
            preview->click();
            EXPECT_TRUE(form->previewPlaying());
            preview->click();  // again: stops
            EXPECT_FALSE(form->previewPlaying());
            preview->click();
            EXPECT_TRUE(form->previewPlaying());
            qobject_cast<QDoubleSpinBox*>(dialog.Fields.at(0))->setValue(3);  // a value: stops
            EXPECT_FALSE(form->previewPlaying());
            preview->click();
            EXPECT_TRUE(form->previewPlaying());
            EXPECT_EQ(work(), before);
            (close == Close::Ok ? dialog.ButtonOk : dialog.ButtonCancel)->click();
        };
        form->MEffectClick(pitch);
        EXPECT_FALSE(form->previewPlaying());
        EXPECT_EQ(work() == before, close == Close::Cancel);
        EXPECT_EQ(form->modified, close == Close::Ok);
    }
}

}  // namespace
