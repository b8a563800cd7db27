#include <QAction>
#include <QLabel>
#include <QToolButton>

#include "MainFormFixture.h"

using twtest::MainFormTest;

namespace {

bool on(tw::TMainForm& form, const char* name)
{
    if (auto* w = form.findChild<QWidget*>(name))
        return w->isEnabled();
    if (auto* a = form.findChild<QAction*>(name))
        return a->isEnabled();
    ADD_FAILURE() << "no control " << name;
    return false;
}

void expectRow(tw::TMainForm& form, std::initializer_list<const char*> names, bool expected)
{
    for (const char* n : names)
        EXPECT_EQ(on(form, n), expected) << n;
}

void openDocument(tw::TMainForm& form)
{
    form.sampleRate = 44100;
    form.channels = 2;
    form.bitsPerSample = 16;
    form.durationSeconds = 3725;
    form.sourcePath = "/music/some song.wav";
    form.columnCount = 100;
    form.selStart = 0;
    form.selFinish = 99;
}

const std::initializer_list<const char*> kDoc = {
    "MClose", "ButtonClose", "MSaveAs", "ButtonSaveAs", "MSelectAll", "MPopSelectAll", "MDelete", "ButtonDelete",
    "MCutOut", "ButtonCutOut", "MVolume", "ButtonVolume", "MFadeIn", "ButtonFadeIn", "MFadeOut", "ButtonFadeOut",
    "MZoom10", "MZoom8", "MZoom6", "MZoom4", "MZoom2", "MZoom1"};
const std::initializer_list<const char*> kPlay = {"MPlay", "CButtonPlay", "MPlayFromHere", "CButtonPlayFromHere",
                                                  "MPopPlayFromHere"};

}  // namespace

TEST_F(MainFormTest, StateTableRows)
{
    auto form = make();
    openDocument(*form);
    struct Row {
        int state;
        bool play, pause, stop;
    };
    for (const Row r : {Row{1, true, false, false}, Row{2, false, true, true}, Row{3, true, false, true},
                        Row{0, false, false, false}}) {
        SCOPED_TRACE(r.state);
        form->UpdateControls(r.state);
        EXPECT_EQ(form->playState, r.state);
        expectRow(*form, {"MOpen", "ButtonOpen"}, r.state == 0);
        expectRow(*form, kDoc, r.state != 0);
        expectRow(*form, kPlay, r.play);
        expectRow(*form, {"MPause", "CButtonPause"}, r.pause);
        expectRow(*form, {"MStop", "CButtonStop"}, r.stop);
        expectRow(*form, {"ButtonHelp", "ButtonUpdate", "MHelp", "MHome", "MAbout", "MExit"}, true);
    }
}

TEST_F(MainFormTest, SaveRowFollowsModified)
{
    auto form = make();
    openDocument(*form);
    for (int state = 1; state <= 3; ++state) {
        form->modified = false;
        form->UpdateControls(state);
        expectRow(*form, {"MSave", "ButtonSave"}, false);
        form->modified = true;
        form->UpdateControls(state);
        expectRow(*form, {"MSave", "ButtonSave"}, true);
    }
    form->UpdateControls(0);
    expectRow(*form, {"MSave", "ButtonSave"}, false);
}

TEST_F(MainFormTest, ZoomButtonsFollowTheZoomMenu)
{
    auto form = make();
    openDocument(*form);
    form->UpdateControls(1);
    EXPECT_TRUE(on(*form, "ButtonZoomIn"));
    EXPECT_FALSE(on(*form, "ButtonZoomOut"));  // MZoom10 is checked at start
    form->MZoom1->setChecked(true);
    form->UpdateControls(2);
    EXPECT_FALSE(on(*form, "ButtonZoomIn"));
    EXPECT_TRUE(on(*form, "ButtonZoomOut"));
    form->MZoom4->setChecked(true);
    form->UpdateControls(3);
    EXPECT_TRUE(on(*form, "ButtonZoomIn"));
    EXPECT_TRUE(on(*form, "ButtonZoomOut"));
}

TEST_F(MainFormTest, MarkerRowsCompareWithThePlayColumn)
{
    // No stream: the play position reads as column 0.
    auto form = make();
    openDocument(*form);
    form->selStart = 0;
    form->selFinish = 5;
    form->UpdateControls(1);
    expectRow(*form, {"MSetStart", "CButtonSetStart", "MPopSetStart"}, true);
    expectRow(*form, {"MSetFinish", "CButtonSetFinish", "MPopSetFinish"}, false);
    form->selFinish = 0;  // the cursor is in the finish marker's column
    form->UpdateControls(1);
    expectRow(*form, {"MSetStart", "CButtonSetStart", "MPopSetStart"}, false);
    form->UpdateControls(0);
    expectRow(*form, {"MSetStart", "CButtonSetStart", "MPopSetStart", "MSetFinish", "CButtonSetFinish",
                      "MPopSetFinish"},
              false);
}

TEST_F(MainFormTest, StatusBarIsFilledWhenStoppedKeptWhilePlayingAndClearedWithoutDocument)
{
    auto form = make();
    openDocument(*form);
    form->UpdateControls(1);
    EXPECT_EQ(form->StatusPanels[0]->text(), "44100 Hz   Stereo   16Bits");
    EXPECT_EQ(form->StatusPanels[1]->text(), "01:02:05");
    EXPECT_EQ(form->StatusPanels[2]->text(), "/music/some song.wav");
    EXPECT_EQ(form->StatusPanels[1]->accessibleName(), "01:02:05");

    form->durationSeconds = 360000;
    form->channels = 1;
    form->UpdateControls(2);
    EXPECT_EQ(form->StatusPanels[1]->text(), "01:02:05");
    form->UpdateControls(3);
    EXPECT_EQ(form->StatusPanels[0]->text(), "44100 Hz   Stereo   16Bits");
    form->UpdateControls(1);
    EXPECT_EQ(form->StatusPanels[0]->text(), "44100 Hz   Mono   16Bits");
    EXPECT_EQ(form->StatusPanels[1]->text(), "100:00:00");

    form->UpdateControls(0);
    for (QLabel* panel : form->StatusPanels)
        EXPECT_TRUE(panel->text().isEmpty());
}

TEST_F(MainFormTest, ActivationRefreshesTheControlsForTheCurrentState)
{
    auto form = make();
    openDocument(*form);
    form->playState = 3;  // as left by a command
    form->FormActivate();
    EXPECT_EQ(form->playState, 3);
    EXPECT_TRUE(on(*form, "CButtonStop"));
    EXPECT_FALSE(on(*form, "CButtonPause"));
}
