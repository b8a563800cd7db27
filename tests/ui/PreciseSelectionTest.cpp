// Selecting to the frame from the window: the selection keys, a drag undone,
// End and Paste, the zoom beyond the six levels and Select Range.
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QWheelEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>

#include "OpenSupport.h"
#include "core/Markers.h"
#include "ui/TSelectRangeForm.h"

using twtest::OpenTest;

namespace {

using Frames = std::pair<std::uint64_t, std::uint64_t>;

class PreciseSelectionTest : public OpenTest {
protected:
    // 441000 frames of 44100 Hz stereo: 45 columns at 10 : 1.
    std::unique_ptr<tw::TMainForm> opened(std::uint32_t frames = 441000)
    {
        auto form = make();
        choose(*form, makeWav("ten.wav", 44100, 2, frames));
        form->ButtonOpenClick();
        EXPECT_EQ(form->playState, tw::kStopped);
        return form;
    }
    static void key(tw::TMainForm& form, const QKeySequence& sequence)
    {
        for (QShortcut* s : form.findChildren<QShortcut*>())
            if (s->key() == sequence)
                emit s->activated();
    }
    static Frames frames(const tw::TMainForm& form)
    {
        return {tw::startFrame(form), tw::finishFrame(form)};
    }
};

TEST_F(PreciseSelectionTest, SelectionKeysMoveTheFinishByAColumnOrAFrame)
{
    auto form = opened(441'007);  // 45 columns, the last of 1007 frames
    tw::setMarkerFrames(*form, 20'000, 30'000);
    struct Step {
        QKeySequence key;
        Frames want;
    };
    const Step steps[] = {
        {QKeySequence(Qt::SHIFT | Qt::Key_Right), {20'000, 40'000}},
        {QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_Right), {20'000, 40'001}},
        {QKeySequence(Qt::SHIFT | Qt::Key_Right), {20'000, 50'000}},
        {QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_Left), {20'000, 49'999}},
        {QKeySequence(Qt::SHIFT | Qt::Key_Left), {20'000, 40'000}},
        {QKeySequence(Qt::SHIFT | Qt::Key_Left), {20'000, 30'000}},
        {QKeySequence(Qt::SHIFT | Qt::Key_Left), {20'000, 20'000}},
        {QKeySequence(Qt::SHIFT | Qt::Key_Left), {20'000, 20'000}},  // never left of the start
        {QKeySequence(Qt::SHIFT | Qt::Key_End), {20'000, 441'007}},
        {QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_Right), {20'000, 441'007}},  // nor past the end
        {QKeySequence(Qt::SHIFT | Qt::Key_Home), {0, 441'007}},
    };
    for (const Step& s : steps) {
        key(*form, s.key);
        EXPECT_EQ(frames(*form), s.want) << s.key.toString().toStdString();
        EXPECT_EQ(form->selFinish, std::min<std::uint64_t>((s.want.second + 9'999) / 10'000, 44));
    }
}

TEST_F(PreciseSelectionTest, EscapeDuringADragPutsTheMarkersBack)
{
    auto form = opened();
    tw::setMarkerFrames(*form, 12'345, 123'456);
    const auto press = [&](QEvent::Type type, int x, Qt::MouseButtons buttons) {
        return QMouseEvent(type, QPointF(x, 40), QPointF(x, 40), Qt::LeftButton, buttons, Qt::NoModifier);
    };
    form->PaintBox1MouseDown(press(QEvent::MouseButtonPress, 5, Qt::LeftButton));
    form->PaintBox1MouseMove(press(QEvent::MouseMove, 30, Qt::LeftButton));
    EXPECT_EQ(std::pair(form->selStart, form->selFinish), std::pair(5u, 30u));
    key(*form, QKeySequence(Qt::Key_Escape));
    EXPECT_EQ(frames(*form), Frames(12'345, 123'456));
    form->PaintBox1MouseMove(press(QEvent::MouseMove, 35, Qt::LeftButton));  // the drag is over
    EXPECT_EQ(frames(*form), Frames(12'345, 123'456));
}

TEST_F(PreciseSelectionTest, PasteAtEndAppendsAndASecondPasteFollowsTheFirst)
{
    auto form = opened();
    tw::setMarkerFrames(*form, 1'000, 1'500);
    form->MCopyClick();
    key(*form, QKeySequence(Qt::Key_End));
    form->MPasteClick();
    EXPECT_EQ(form->frameCount, 441'500u);
    EXPECT_EQ(frames(*form), Frames(441'000, 441'500));
    form->MPasteClick();
    EXPECT_EQ(form->frameCount, 442'000u);
    EXPECT_EQ(frames(*form), Frames(441'500, 442'000));
}

}  // namespace

namespace {

TEST_F(PreciseSelectionTest, SelectRangeSetsTheFramesTypedAndTheStatusShowsThem)
{
    auto form = opened();
    tw::setMarkerFrames(*form, 44'100, 88'200);
    form->UpdateControls(form->playState);
    EXPECT_EQ(form->StatusSelection->text().toStdString(), "00:01.000 - 00:02.000 (00:01.000)");
    struct Case {
        int unit;  // 0 time, 1 frames
        const char* start;
        const char* end;     // typed into End, or nullptr
        const char* length;  // typed into Length instead
        Frames want;
    };
    const Case cases[] = {
        {1, "12345", "23456", nullptr, {12'345, 23'456}},
        {0, "00:00:00.500", "1.25", nullptr, {22'050, 55'125}},
        {0, "2", nullptr, "0:00:00.001", {88'200, 88'244}},  // the nearest frame
        {1, "0", nullptr, "441000", {0, 441'000}},
        {1, "10", "9", nullptr, {0, 441'000}},  // no range: OK stays off, nothing changes
    };
    for (const Case& c : cases) {
        bool okEnabled = false;
        form->onSelectRangeShown = [&](tw::TSelectRangeForm& dialog) {
            QTimer::singleShot(0, &dialog, [&] {
                dialog.ComboUnit->setCurrentIndex(c.unit);
                dialog.EditStart->setText(c.start);
                emit dialog.EditStart->textEdited(c.start);
                QLineEdit* edit = c.end ? dialog.EditEnd : dialog.EditLength;
                edit->setText(c.end ? c.end : c.length);
                emit edit->textEdited(edit->text());
                okEnabled = dialog.ButtonOk->isEnabled();
                okEnabled ? dialog.ButtonOk->click() : dialog.ButtonCancel->click();
            });
        };
        form->MSelectRangeClick();
        EXPECT_EQ(okEnabled, c.end == nullptr || std::string(c.end) != "9") << c.start;
        EXPECT_EQ(frames(*form), c.want) << c.start;
    }
}

}  // namespace

namespace {

TEST_F(PreciseSelectionTest, ZoomToFitShowsAnHourAndZoomToSelectionTheSelection)
{
    // An hour at 8000 Hz mono.
    auto form = make();
    form->resize(714, 450);
    form->show();
    choose(*form, makeWav("hour.wav", 8000, 1, 3600 * 8000));
    form->ButtonOpenClick();
    ASSERT_TRUE(form->loaded);
    const int width = form->ScrollBox1->viewport()->width();
    form->MZoomFitClick();
    EXPECT_LE(form->columnCount, static_cast<std::uint32_t>(width));
    EXPECT_GT(form->columnCount, static_cast<std::uint32_t>(width) * 9 / 10);
    EXPECT_LE(form->PaintBox1->width(), width);
    EXPECT_EQ(form->ZoomGroup->checkedAction(), nullptr);
    // Beyond the six: Zoom In goes to the nearest of them, Zoom Out has none.
    EXPECT_TRUE(form->ButtonZoomIn->isEnabled());
    EXPECT_FALSE(form->ButtonZoomOut->isEnabled());

    form->ButtonZoomInClick();
    EXPECT_EQ(form->zoom, 10000u);
    EXPECT_TRUE(form->MZoom10->isChecked());
    tw::setMarkerFrames(*form, 123'457, 234'568);
    // Zoom to Selection: the finest level that shows it, its start in view.
    form->MZoomSelectionClick();
    EXPECT_EQ(form->zoom, 200u);
    const int first = form->ScrollBox1->horizontalScrollBar()->value();
    EXPECT_LE(static_cast<std::uint32_t>(first), form->selStart);
    EXPECT_GE(static_cast<std::uint32_t>(first + width), form->selFinish);
}

}  // namespace

namespace {

TEST_F(PreciseSelectionTest, CtrlWheelGoesToOneFramePerColumnAndBackKeepingTheSelection)
{
    auto form = opened();
    tw::setMarkerFrames(*form, 12'345, 23'456);
    QWidget* viewport = form->ScrollBox1->viewport();
    const auto wheel = [&](int delta) {
        QWheelEvent event(QPointF(50, 40), viewport->mapToGlobal(QPointF(50, 40)), QPoint(), QPoint(0, delta),
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    };
    // Through the six levels and on to one frame per column, where it stops.
    std::vector<std::uint32_t> seen;
    for (int notch = 0; notch < 16; ++notch) {
        wheel(120);
        seen.push_back(form->zoom);
    }
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{8000, 6000, 4000, 2000, 1000, 500, 200, 100, 50, 20, 10, 5, 2, 1, 1, 1}));
    EXPECT_EQ(frames(*form), Frames(12'345, 23'456));
    EXPECT_EQ(std::pair(form->selStart, form->selFinish), std::pair(12'345u, 23'456u));
    EXPECT_EQ(form->columnCount, 441'000u);
    EXPECT_TRUE(form->peakLeft.empty());  // read from the work file as it is drawn
    for (int notch = 0; notch < 14; ++notch)
        wheel(-120);
    EXPECT_EQ(form->zoom, 10000u);
    EXPECT_TRUE(form->MZoom10->isChecked());
    EXPECT_EQ(frames(*form), Frames(12'345, 23'456));
}

}  // namespace
