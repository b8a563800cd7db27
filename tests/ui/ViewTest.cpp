// The waveform view from the window: zoom commands, the cursor under the
// mouse, the marker commands and the marker stop.
#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include "OpenSupport.h"
#include "core/ControlTable.h"
#include "ui/TReloadForm.h"

using twtest::OpenTest;

namespace {

class ViewTest : public OpenTest {
protected:
    // 441000 frames of 44100 Hz stereo: 45 columns at 10 : 1, 441 at 1 : 1.
    std::unique_ptr<tw::TMainForm> opened()
    {
        auto form = make();
        choose(*form, makeWav("ten.wav", 44100, 2, 441000));
        form->ButtonOpenClick();
        EXPECT_EQ(form->playState, tw::kStopped);
        return form;
    }

    static void mouse(tw::TMainForm& form, QEvent::Type type, int x, int y, Qt::MouseButton button)
    {
        const QMouseEvent event(type, QPointF(x, y), QPointF(x, y), button, button, Qt::NoModifier);
        if (type == QEvent::MouseButtonPress)
            form.PaintBox1MouseDown(event);
        else
            form.PaintBox1MouseUp(event);
    }
    static QWORD position(const tw::TMainForm& form) { return BASS_ChannelGetPosition(form.stream, BASS_POS_BYTE); }
    static std::uint32_t cursor(const tw::TMainForm& form)
    {
        return tw::playColumn(form.columnCount, position(form), form.streamLength);
    }
};

// Counts how often the reload window is shown.
struct ShowCount final : QObject {
    explicit ShowCount(QWidget* w) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override
    {
        shows += e->type() == QEvent::Show;
        return false;
    }
    int shows = 0;
};

TEST_F(ViewTest, ZoomStepsThroughTheSixLevelsAndResetsTheSelection)
{
    auto form = opened();
    ShowCount reloads(form->ReloadForm);
    QAction* items[] = {form->MZoom10, form->MZoom8, form->MZoom6, form->MZoom4, form->MZoom2, form->MZoom1};
    const std::uint32_t zooms[] = {10000, 8000, 6000, 4000, 2000, 1000};
    auto expectLevel = [&](int level) {
        EXPECT_EQ(form->zoom, zooms[level]);
        for (int i = 0; i < 6; ++i)
            EXPECT_EQ(items[i]->isChecked(), i == level) << i;
        EXPECT_EQ(form->columnCount, (441000 + zooms[level] - 1) / zooms[level]);
        EXPECT_EQ(form->selStart, 0u);
        EXPECT_EQ(form->selFinish, form->columnCount - 1);
        EXPECT_EQ(form->PaintBox1->width(), static_cast<int>(form->columnCount));
        EXPECT_EQ(form->playState, tw::kStopped);
        EXPECT_NE(form->stream, 0u);
        EXPECT_EQ(form->ButtonZoomIn->isEnabled(), level != 5);
        EXPECT_EQ(form->ButtonZoomOut->isEnabled(), level != 0);
    };
    for (int level = 1; level < 6; ++level) {
        form->selStart = 3;  // every change selects the whole strip again
        form->ButtonZoomInClick();
        expectLevel(level);
    }
    EXPECT_EQ(reloads.shows, 5);
    EXPECT_EQ(form->ReloadForm->ProgressBar1->value(), 100);

    // No-ops: Zoom In at 1 : 1, the item already checked; the selection stays.
    form->selStart = 7;
    form->ButtonZoomInClick();
    form->MZoom1->trigger();
    EXPECT_EQ(reloads.shows, 5);
    EXPECT_EQ(form->selStart, 7u);

    for (int level = 4; level >= 0; --level) {
        form->ButtonZoomOutClick();
        expectLevel(level);
    }
    form->ButtonZoomOutClick();
    EXPECT_EQ(reloads.shows, 10);
    form->MZoom4->trigger();
    expectLevel(3);
}

TEST_F(ViewTest, MarkersFollowTheCursorAndTheUnsignedComparisons)
{
    auto form = opened();
    form->MZoom1->trigger();
    ASSERT_EQ(form->columnCount, 441u);
    form->selStart = 10;
    form->selFinish = 50;

    mouse(*form, QEvent::MouseButtonPress, 60, 40, Qt::LeftButton);
    EXPECT_EQ(cursor(*form), 60u);
    EXPECT_TRUE(form->CButtonSetFinish->isEnabled());
    EXPECT_FALSE(form->CButtonSetStart->isEnabled());
    form->CButtonSetStartClick();  // not left of the finish: nothing
    EXPECT_EQ(form->selStart, 10u);
    form->CButtonSetFinishClick();
    EXPECT_EQ(form->selFinish, 60u);

    mouse(*form, QEvent::MouseButtonPress, 50, 40, Qt::LeftButton);
    form->MSetStart->trigger();
    EXPECT_EQ(form->selStart, 50u);
    form->MPopSetFinish->trigger();  // on the start column: nothing
    EXPECT_EQ(form->selFinish, 60u);

    form->MPopSelectAll->trigger();
    EXPECT_EQ(form->selStart, 0u);
    EXPECT_EQ(form->selFinish, 440u);
}

TEST_F(ViewTest, OnlyLeftPressesAndRightReleasesInTheWaveAreaMoveTheCursor)
{
    auto form = opened();
    form->MZoom6->trigger();  // 74 columns: a column is no whole number of bytes
    mouse(*form, QEvent::MouseButtonPress, 1, 40, Qt::LeftButton);
    // The cursor shows in the column pressed, at a whole frame.
    ASSERT_NE(QWORD{1} * form->streamLength / form->columnCount % 4, 0u);
    EXPECT_EQ(cursor(*form), 1u);
    EXPECT_EQ(position(*form) % 4, 0u);

    const QWORD before = position(*form);
    mouse(*form, QEvent::MouseButtonPress, 30, 201, Qt::LeftButton);   // the ruler
    mouse(*form, QEvent::MouseButtonPress, 30, 40, Qt::MiddleButton);
    mouse(*form, QEvent::MouseButtonRelease, 30, 40, Qt::LeftButton);
    mouse(*form, QEvent::MouseButtonPress, 30, 40, Qt::RightButton);
    EXPECT_EQ(position(*form), before);
    EXPECT_FALSE(form->PopupMenu1->isVisible());

    mouse(*form, QEvent::MouseButtonRelease, 30, 200, Qt::RightButton);
    EXPECT_EQ(cursor(*form), 30u);
    EXPECT_TRUE(form->PopupMenu1->isVisible());
    form->PopupMenu1->hide();
}

TEST_F(ViewTest, ACursorOnAMarkerColumnPausesButNotOnTheFirstOrLastColumn)
{
    auto form = opened();
    form->MZoom1->trigger();
    const struct {
        std::uint32_t selStart, selFinish, column;
        std::int32_t state;
    } cases[] = {
        {10, 50, 10, tw::kPaused}, {10, 50, 50, tw::kPaused}, {10, 50, 30, tw::kStopped},
        {0, 50, 0, tw::kStopped},  {10, 440, 440, tw::kStopped},
    };
    for (const auto& c : cases) {
        form->UpdateControls(tw::kStopped);
        form->selStart = c.selStart;
        form->selFinish = c.selFinish;
        mouse(*form, QEvent::MouseButtonPress, static_cast<int>(c.column), 40, Qt::LeftButton);
        EXPECT_EQ(form->playState, c.state) << c.column;
    }
}

}  // namespace
