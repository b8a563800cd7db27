// Editing from the window: the drag and the Shift press on the waveform, the
// wheel, the clipboard items and Normalize, Save Selection As, and the path's
// status panel, which never widens the window.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QWheelEvent>

#include "OpenSupport.h"
#include "core/ControlTable.h"
#include "edit/NormalizePass.h"
#include "ui/ElidedLabel.h"
#include "ui/TNormalizeForm.h"

namespace {

class EditingTest : public twtest::OpenTest {
protected:
    // 44100 Hz stereo in a window of the first width, shown at 1 : 1: a
    // column per thousand frames.
    std::unique_ptr<tw::TMainForm> shown(std::uint32_t columns)
    {
        auto form = make();
        form->resize(714, 450);
        form->show();
        choose(*form, makeWav("ten.wav", 44100, 2, columns * 1000));
        form->ButtonOpenClick();
        form->MZoom1->trigger();
        EXPECT_EQ(form->columnCount, columns);
        return form;
    }

    // The mouse on PaintBox1 at column x, in the wave area.
    static void mouse(tw::TMainForm& form, QEvent::Type type, int x, Qt::KeyboardModifiers modifiers = {})
    {
        const QPointF at(x, 40);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, form.PaintBox1->mapToGlobal(at), button, held, modifiers);
        QApplication::sendEvent(form.PaintBox1, &event);
    }
    // A wheel turn over the waveform. The window system's turns reach the
    // scroll box's viewport from the widget under the pointer; a sent one
    // goes there directly.
    static void wheel(tw::TMainForm& form, int delta, Qt::KeyboardModifiers modifiers = {})
    {
        QWidget* viewport = form.ScrollBox1->viewport();
        const QPointF at(50, 40);
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    }
    static std::uint32_t cursor(const tw::TMainForm& form)
    {
        return tw::playColumn(form.columnCount, BASS_ChannelGetPosition(form.stream, BASS_POS_BYTE),
                              form.streamLength);
    }
    static std::pair<std::uint32_t, std::uint32_t> markers(const tw::TMainForm& form)
    {
        return {form.selStart, form.selFinish};
    }
    static void wait(int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
};

using Markers = std::pair<std::uint32_t, std::uint32_t>;

TEST_F(EditingTest, ADragSelectsTheColumnsItCoversAndAPlainPressOnlyMovesTheCursor)
{
    auto form = shown(441);  // every column visible
    form->selStart = 10;
    form->selFinish = 50;
    using T = QEvent::Type;

    // Less than the drag distance: the cursor press, nothing more.
    mouse(*form, T::MouseButtonPress, 100);
    mouse(*form, T::MouseMove, 100 + QApplication::startDragDistance() - 1);
    mouse(*form, T::MouseButtonRelease, 100 + QApplication::startDragDistance() - 1);
    EXPECT_EQ(cursor(*form), 100u);
    EXPECT_EQ(markers(*form), Markers(10, 50));
    EXPECT_EQ(form->playState, tw::kStopped);

    // Right to left, the markers following the pointer; the cursor stays
    // where the press put it, on a marker, which pauses.
    mouse(*form, T::MouseButtonPress, 300);
    mouse(*form, T::MouseMove, 250);
    EXPECT_EQ(markers(*form), Markers(250, 300));
    mouse(*form, T::MouseMove, 120);
    mouse(*form, T::MouseButtonRelease, 120);
    EXPECT_EQ(markers(*form), Markers(120, 300));
    EXPECT_EQ(cursor(*form), 300u);
    EXPECT_EQ(form->playState, tw::kPaused);
    mouse(*form, T::MouseMove, 200);  // after the release
    EXPECT_EQ(markers(*form), Markers(120, 300));

    // Shift: the nearer marker comes to the column, and a drag carries it on.
    mouse(*form, T::MouseButtonPress, 290, Qt::ShiftModifier);
    EXPECT_EQ(markers(*form), Markers(120, 290));
    mouse(*form, T::MouseButtonRelease, 290, Qt::ShiftModifier);
    mouse(*form, T::MouseButtonPress, 130, Qt::ShiftModifier);
    mouse(*form, T::MouseMove, 90, Qt::ShiftModifier);
    mouse(*form, T::MouseButtonRelease, 90, Qt::ShiftModifier);
    EXPECT_EQ(markers(*form), Markers(90, 290));
    // Both markers on one column: the finish comes right, the start left.
    form->selStart = form->selFinish = 200;
    for (const auto& [x, want] : {std::pair(260, Markers(200, 260)), std::pair(150, Markers(150, 260))}) {
        mouse(*form, T::MouseButtonPress, x, Qt::ShiftModifier);
        mouse(*form, T::MouseButtonRelease, x, Qt::ShiftModifier);
        EXPECT_EQ(markers(*form), want) << x;
    }
    form->selStart = form->selFinish = 200;
    mouse(*form, T::MouseButtonPress, 150, Qt::ShiftModifier);
    mouse(*form, T::MouseButtonRelease, 150, Qt::ShiftModifier);
    EXPECT_EQ(markers(*form), Markers(150, 200));

    // Past the end of the strip: its last column.
    mouse(*form, T::MouseButtonPress, 400);
    mouse(*form, T::MouseMove, 2000);
    mouse(*form, T::MouseButtonRelease, 2000);
    EXPECT_EQ(markers(*form), Markers(400, 440));
}

TEST_F(EditingTest, BesideTheVisiblePartADragScrollsUntilTheReleaseAndTheWheelScrollsOrWithCtrlZooms)
{
    auto form = shown(1000);
    QScrollBar* bar = form->ScrollBox1->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 200);
    const int width = form->ScrollBox1->viewport()->width();
    mouse(*form, QEvent::MouseButtonPress, 20);
    mouse(*form, QEvent::MouseMove, width + 29);  // 30 pixels right of the last visible one
    EXPECT_EQ(bar->value(), 30);
    EXPECT_EQ(markers(*form), Markers(20, width + 59));
    wait(200);  // the pointer stays out there
    EXPECT_GT(bar->value(), 30);
    EXPECT_EQ(form->selFinish, std::min<std::uint32_t>(width + 29 + bar->value(), 999));
    mouse(*form, QEvent::MouseButtonRelease, width + 29);
    const int released = bar->value();
    wait(150);
    EXPECT_EQ(bar->value(), released);

    bar->setValue(0);
    wheel(*form, -120);  // towards the user: later sound
    const int later = bar->value();
    EXPECT_GT(later, 0);
    wheel(*form, 60);
    EXPECT_LT(bar->value(), later);
    EXPECT_EQ(form->zoom, 1000u);
    wheel(*form, -120, Qt::ControlModifier);
    EXPECT_EQ(form->zoom, 2000u);
    EXPECT_TRUE(form->MZoom2->isChecked());
    for (int quarter = 0; quarter < 4; ++quarter) {  // a fine wheel: a notch in quarters
        EXPECT_EQ(form->zoom, 2000u);
        wheel(*form, 30, Qt::ControlModifier);
    }
    EXPECT_EQ(form->zoom, 1000u);
    wheel(*form, 120, Qt::ControlModifier);  // past 1 : 1 the wheel goes on to finer levels
    EXPECT_EQ(form->zoom, 500u);
    EXPECT_FALSE(form->MZoom1->isChecked());
    wheel(*form, -120, Qt::ControlModifier);
    EXPECT_EQ(form->zoom, 1000u);
    EXPECT_TRUE(form->MZoom1->isChecked());
}

TEST_F(EditingTest, ClipboardItemsFollowTheRangeAndAClipboardThatOutlivesTheDocument)
{
    auto form = make();
    const auto edit = form->MenuEdit->actions();
    for (QAction* item : {form->MCut, form->MNormalize})
        EXPECT_TRUE(edit.value(edit.indexOf(item) - 1)->isSeparator()) << item->objectName().toStdString();
    EXPECT_EQ(form->MCut->shortcuts(), QKeySequence::keyBindings(QKeySequence::Cut));
    EXPECT_EQ(form->MCopy->shortcuts(), QKeySequence::keyBindings(QKeySequence::Copy));
    EXPECT_EQ(form->MPaste->shortcuts(), QKeySequence::keyBindings(QKeySequence::Paste));
    EXPECT_EQ(form->MRedo->shortcuts(), QKeySequence::keyBindings(QKeySequence::Redo));
    // Cut, Copy, Save Selection As and Normalize, each on its own; Paste.
    const auto enabled = [&] {
        const bool range = form->MCut->isEnabled();
        for (QAction* item : {form->MCopy, form->MSaveSelection, form->MNormalize})
            EXPECT_EQ(item->isEnabled(), range) << item->objectName().toStdString();
        return std::pair(range, form->MPaste->isEnabled());
    };
    EXPECT_EQ(enabled(), std::pair(false, false));

    const std::string path = makeWav("ten.wav", 44100, 2, 441000);  // 45 columns
    choose(*form, path);
    form->ButtonOpenClick();
    EXPECT_EQ(enabled(), std::pair(true, false));
    form->selStart = form->selFinish = 5;
    form->UpdateControls(form->playState);
    EXPECT_EQ(enabled(), std::pair(false, false));
    form->selStart = 30;
    form->selFinish = 40;
    form->UpdateControls(form->playState);
    form->MCopy->trigger();
    EXPECT_EQ(enabled(), std::pair(true, true));
    EXPECT_FALSE(form->modified);

    form->ButtonCloseClick();
    EXPECT_EQ(enabled(), std::pair(false, false));
    choose(*form, path);
    form->ButtonOpenClick();
    EXPECT_EQ(enabled(), std::pair(true, true));

    // Paste goes in at the cursor's column, also when the cursor stopped on a
    // marker (which Stop, before the paste, takes back to the beginning).
    form->selStart = 30;
    form->selFinish = 40;
    const QMouseEvent press(QEvent::MouseButtonPress, QPointF(30, 40), QPointF(30, 40), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier);
    form->PaintBox1MouseDown(press);
    ASSERT_EQ(form->playState, tw::kPaused);
    form->MPaste->trigger();
    EXPECT_EQ(form->columnCount, 55u);
    EXPECT_EQ(markers(*form), Markers(30, 40));
    EXPECT_TRUE(form->modified);
    EXPECT_TRUE(form->MUndo->isEnabled());
    form->MCut->trigger();
    EXPECT_EQ(form->columnCount, 45u);
    EXPECT_TRUE(form->MPaste->isEnabled());

    // Normalize opens on its preset every time; Cancel changes nothing.
    const twtest::Bytes before = twtest::readBytes(form->workPath);
    form->modified = false;
    for (QPushButton* button : {form->NormalizeForm->ButtonCancel, form->NormalizeForm->ButtonOk}) {
        QTimer::singleShot(0, form->NormalizeForm, [&, button] {
            EXPECT_EQ(form->NormalizeForm->ComboBox1->currentIndex(), tw::kNormalizePreset);
            form->NormalizeForm->ComboBox1->setCurrentIndex(0);
            button->click();
        });
        form->MNormalize->trigger();
        EXPECT_EQ(twtest::readBytes(form->workPath) == before, button == form->NormalizeForm->ButtonCancel);
        EXPECT_EQ(form->modified, button == form->NormalizeForm->ButtonOk);
    }
    EXPECT_TRUE(otherMessages().empty());
}

TEST_F(EditingTest, SaveSelectionWritesOnlyTheRangeAndLeavesTheDocumentAsItWas)
{
    auto form = make();
    const std::string dir = sources.path().toStdString() + "/";
    const std::string path = makeWav("ten.wav", 44100, 2, 441000);
    choose(*form, path);
    form->ButtonOpenClick();
    form->selStart = 10;  // frames 100000 to 200000
    form->selFinish = 20;
    form->SaveDialog1.fileName = "proposed";
    form->prompter().setFileHook(
        [&](const tw::FileDialogRequest&) { return std::optional<tw::FileDialogChoice>({dir + "part", 2}); });
    EXPECT_TRUE(form->SaveSelectionAs());

    const twtest::Bytes part = twtest::readBytes(dir + "part.wav");
    const twtest::Bytes source = twtest::readBytes(path);
    constexpr std::size_t kSourceData = 56;  // behind the source's LIST chunk
    ASSERT_EQ(part.size(), 44u + 100000u * 4);
    EXPECT_EQ(twtest::le32(part, 40), 100000u * 4);
    EXPECT_TRUE(std::equal(part.begin() + 44, part.end(), source.begin() + kSourceData + 100000 * 4));
    EXPECT_EQ(form->sourcePath, path);
    EXPECT_FALSE(form->modified);
    EXPECT_EQ(form->SaveDialog1.fileName, "proposed");
    EXPECT_EQ(form->SaveDialog1.filterIndex, 1);

    // Onto the file the document came from: refused, with a word why.
    form->prompter().setFileHook(
        [&](const tw::FileDialogRequest&) { return std::optional<tw::FileDialogChoice>({path, 1}); });
    form->prompter().setMessageHook([this](const tw::MessageRequest& r) {
        messages.push_back(r);
        return tw::MsgResult::Yes;  // overwrite
    });
    EXPECT_FALSE(form->SaveSelectionAs());
    EXPECT_TRUE(twtest::readBytes(path) == source);
    ASSERT_EQ(otherMessages().size(), 2u);  // the overwrite question, then why not
    EXPECT_FALSE(form->modified);
}

}  // namespace

TEST_F(EditingTest, ALongPathIsShortenedInTheMiddleOnItsPanelAndTheWindowNeverWidens)
{
    auto form = make();
    form->resize(714, 450);
    form->show();
    QApplication::processEvents();
    const QSize size = form->size();
    const QString folder = sources.path() + "/" + QString(240, u'd');
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string path = folder.toStdString() + "/long.wav";
    twtest::writeBytes(path, twtest::wav16(44100, 2, 441000));
    choose(*form, path);
    form->ButtonOpenClick();
    ASSERT_TRUE(form->loaded);
    form->MZoom1->trigger();
    form->selStart = 10;
    form->selFinish = 20;
    form->MDelete->trigger();
    ASSERT_TRUE(form->modified);
    QApplication::processEvents();
    EXPECT_EQ(form->size(), size);

    QLabel* panel = form->StatusPanels[2];
    EXPECT_EQ(panel->text().toStdString(), path);
    EXPECT_EQ(panel->toolTip().toStdString(), path);
    EXPECT_LE(panel->geometry().right(), form->StatusBar1->contentsRect().right());
    // Drawn: the path's start, an ellipsis, its end, within the panel.
    const auto* elided = qobject_cast<tw::ElidedLabel*>(panel);
    ASSERT_NE(elided, nullptr);
    const QString shown = elided->shownText();
    const qsizetype cut = shown.indexOf(QChar(0x2026));
    ASSERT_GT(cut, 0) << shown.toStdString();
    EXPECT_TRUE(panel->text().startsWith(shown.left(cut))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("dd/long.wav")) << shown.toStdString();
    EXPECT_TRUE(panel->text().endsWith(shown.mid(cut + 1))) << shown.toStdString();
    EXPECT_LE(panel->fontMetrics().horizontalAdvance(shown), panel->contentsRect().width());
    EXPECT_TRUE(otherMessages().empty());
}
