// The Effects menu: its place, its items from the table and their enabling,
// the dialog made from an entry, an effect applied and undone, Statistics.
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>

#include "OpenSupport.h"
#include "core/Markers.h"
#include "edit/Effects.h"
#include "ui/TEffectForm.h"
#include "ui/TStatisticsForm.h"

using twtest::OpenTest;

namespace {

TEST_F(OpenTest, EffectsMenuComesFromTheTableAndItsEffectsAreEdits)
{
    auto form = make();
    // Between Edit and Zoom, an item per entry, all disabled without a document.
    const QList<QAction*> menus = form->menuBar()->actions();
    const auto at = [&](QMenu* m) { return menus.indexOf(m->menuAction()); };
    EXPECT_EQ(at(form->MenuEffects), at(form->MenuEdit) + 1);
    EXPECT_EQ(at(form->MenuZoom), at(form->MenuEffects) + 1);
    const auto& table = tw::effectTable();
    ASSERT_EQ(form->effectItems.size(), table.size());
    for (QAction* item : form->effectItems)
        EXPECT_FALSE(item->isEnabled());
    const auto item = [&](const char* id) {
        for (std::size_t i = 0; i < table.size(); ++i)
            if (std::string(table[i].id) == id)
                return form->effectItems[i];
        return static_cast<QAction*>(nullptr);
    };

    choose(*form, makeWav("stereo.wav", 44100, 2, 441000));
    form->ButtonOpenClick();
    for (QAction* i : form->effectItems)
        EXPECT_TRUE(i->isEnabled());

    // Insert Silence while playing: stopped, the dialog from the table, 0.5 s in.
    const auto before = twtest::readBytes(form->workPath);
    const tw::Effect& insert = *tw::findEffect("insert-silence");
    form->CButtonPlayClick();
    form->onEffectFormShown = [&](tw::TEffectForm& dialog) {
        ASSERT_EQ(dialog.Fields.size(), insert.params.size());
        auto* spin = qobject_cast<QDoubleSpinBox*>(dialog.Fields[0]);
        ASSERT_NE(spin, nullptr);
        EXPECT_EQ(spin->minimum(), insert.params[0].minimum);
        EXPECT_EQ(spin->maximum(), insert.params[0].maximum);
        EXPECT_EQ(spin->value(), insert.params[0].preset);
        EXPECT_EQ(spin->decimals(), insert.params[0].decimals);
        EXPECT_EQ(dialog.Labels[0]->text().toStdString(), insert.params[0].name);
        spin->setValue(0.5);
        // Preview's row stands between the parameter rows and OK and Cancel.
        QPushButton* more = dialog.findChild<QPushButton*>("ButtonPreview");
        ASSERT_NE(more, nullptr);
        EXPECT_GT(more->y(), spin->y() + spin->height());
        EXPECT_GT(dialog.ButtonOk->y(), more->y() + more->height());
        EXPECT_GE(dialog.width(), more->x() + more->width());
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.ButtonOk->click(); });
    };
    item("insert-silence")->trigger();
    EXPECT_EQ(form->playState, tw::kStopped);
    EXPECT_EQ(form->frameCount, 441000u + 22050u);
    EXPECT_EQ(tw::finishFrame(*form) - tw::startFrame(*form), 22050u);
    EXPECT_TRUE(form->modified);
    form->MUndo->trigger();
    EXPECT_EQ(twtest::readBytes(form->workPath), before);
    EXPECT_FALSE(form->modified);

    // Statistics: a window of figures; Copy puts them on the clipboard; no edit.
    form->MSelectAllClick();
    QString shown;
    form->onStatisticsShown = [&](tw::TStatisticsForm& dialog) {
        shown = dialog.Memo1->toPlainText();
        QTimer::singleShot(0, &dialog, [&dialog] {
            dialog.ButtonCopy->click();
            dialog.ButtonClose->click();
        });
    };
    item("statistics")->trigger();
    EXPECT_TRUE(shown.contains("Integrated loudness: ")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("Peak (channel 2): ")) << shown.toStdString();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), shown);
    EXPECT_FALSE(form->MUndo->isEnabled());
    EXPECT_EQ(twtest::readBytes(form->workPath), before);

    // Mono: Swap Channels alone stays off; an empty range leaves only Insert Silence.
    form = make();
    choose(*form, makeWav("mono.wav", 44100, 1, 44100));
    form->ButtonOpenClick();
    EXPECT_FALSE(item("swap-channels")->isEnabled());
    EXPECT_TRUE(item("reverse")->isEnabled());
    tw::setMarkerFrames(*form, 100, 100);
    form->UpdateControls(form->playState);
    EXPECT_FALSE(item("reverse")->isEnabled());
    EXPECT_FALSE(item("statistics")->isEnabled());
    EXPECT_TRUE(item("insert-silence")->isEnabled());
}

}  // namespace
