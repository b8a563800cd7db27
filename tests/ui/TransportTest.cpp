// Playback on the silent device, which plays in real time: the transport
// commands, the timer's cursor, marker stops and end of stream, the displays
// fed from a playing stream, and the close.
#include <QAction>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMouseEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>

#include <cmath>
#include <filesystem>

#include "OpenSupport.h"
#include "core/ControlTable.h"
#include "ui/TSaveForm.h"

using twtest::OpenTest;

namespace {

constexpr std::uint32_t kColumnFrames = 10000;  // "10 : 1"

class TransportTest : public OpenTest {
protected:
    // A stereo 44100 Hz document of the given columns: a 1 kHz tone.
    std::unique_ptr<tw::TMainForm> opened(std::uint32_t columns)
    {
        auto form = make();
        const std::uint32_t frames = columns * kColumnFrames;
        twtest::Bytes b;
        twtest::put(b, 0x46464952, 4);  // "RIFF"
        twtest::put(b, 36 + frames * 4, 4);
        for (std::uint32_t v : {0x45564157u, 0x20746d66u, 16u})  // "WAVE", "fmt ", 16
            twtest::put(b, v, 4);
        twtest::put(b, 1, 2);
        twtest::put(b, 2, 2);
        twtest::put(b, 44100, 4);
        twtest::put(b, 44100 * 4, 4);
        twtest::put(b, 4, 2);
        twtest::put(b, 16, 2);
        twtest::put(b, 0x61746164, 4);  // "data"
        twtest::put(b, frames * 4, 4);
        for (std::uint32_t f = 0; f < frames; ++f) {
            const auto v = static_cast<std::int16_t>(std::lround(12000 * std::sin(2 * M_PI * 1000.0 * f / 44100)));
            twtest::put(b, static_cast<std::uint16_t>(v), 2);
            twtest::put(b, static_cast<std::uint16_t>(v), 2);
        }
        const std::string path = source("tone.wav");
        twtest::writeBytes(path, b);
        choose(*form, path);
        form->ButtonOpenClick();
        EXPECT_EQ(form->columnCount, columns);
        return form;
    }

    // Lets the timer run until done() holds or the seconds pass.
    template <class Done>
    static bool until(Done done, double seconds = 10)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done()) {
            if (clock.elapsed() > seconds * 1000)
                return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return true;
    }

    static std::uint32_t cursor(const tw::TMainForm& form)
    {
        return tw::playColumn(form.columnCount, BASS_ChannelGetPosition(form.stream, BASS_POS_BYTE),
                              form.streamLength);
    }
    static QWORD byteOf(const tw::TMainForm& form, std::uint32_t column)
    {
        return tw::columnBytePosition(column, form.streamLength, form.columnCount);
    }
    static void markers(tw::TMainForm& form, std::uint32_t start, std::uint32_t finish)
    {
        form.selStart = start;
        form.selFinish = finish;
        form.UpdateControls(form.playState);
    }
};

TEST_F(TransportTest, PlayStopsAtMarkersThenRunsToTheEndAndRewinds)
{
    auto form = opened(14);
    markers(*form, 3, 6);
    form->CButtonPlayClick();
    EXPECT_EQ(form->playState, tw::kPlaying);
    ASSERT_TRUE(until([&] { return form->playState == tw::kPaused; }));
    EXPECT_EQ(cursor(*form), 3u);

    form->MPlayFromHere->trigger();  // three columns on, off the marker
    EXPECT_EQ(form->playState, tw::kPlaying);
    EXPECT_GE(cursor(*form), 6u);
    ASSERT_TRUE(until([&] { return form->playState == tw::kPaused; }));
    EXPECT_EQ(cursor(*form), 6u);

    form->CButtonPlayFromHereClick();
    EXPECT_GE(cursor(*form), 9u);
    ASSERT_TRUE(until([&] { return form->playState == tw::kStopped; }));
    EXPECT_EQ(BASS_ChannelGetPosition(form->stream, BASS_POS_BYTE), 0u);
    EXPECT_FALSE(form->CButtonStop->isEnabled());
}

TEST_F(TransportTest, WhereEachCommandStartsAndStops)
{
    auto form = opened(6);
    // Stopped at 0: Play From Here starts in the column after the start marker.
    markers(*form, 2, 5);
    form->CButtonPlayFromHereClick();
    EXPECT_GE(BASS_ChannelGetPosition(form->stream, BASS_POS_BYTE), byteOf(*form, 3));
    EXPECT_LT(BASS_ChannelGetPosition(form->stream, BASS_POS_BYTE), byteOf(*form, 4));
    form->MStop->trigger();
    EXPECT_EQ(form->playState, tw::kStopped);
    EXPECT_EQ(BASS_ChannelGetPosition(form->stream, BASS_POS_BYTE), 0u);

    // A click while stopped, then Play From Here: from the click.
    form->PaintBox1MouseDown(QMouseEvent(QEvent::MouseButtonPress, QPointF(4, 50), QPointF(4, 50), Qt::LeftButton,
                                         Qt::LeftButton, Qt::NoModifier));
    form->CButtonPlayFromHereClick();
    EXPECT_EQ(cursor(*form), 4u);

    // Pause, then Play: from the beginning again.
    form->CButtonPauseClick();
    EXPECT_EQ(form->playState, tw::kPaused);
    form->MPlay->trigger();
    EXPECT_EQ(cursor(*form), 0u);

    // A marker set while playing pauses at once.
    ASSERT_TRUE(until([&] { return cursor(*form) >= 1; }));
    form->CButtonSetStartClick();
    EXPECT_EQ(form->playState, tw::kPaused);
    form->CButtonStopClick();

    // Markers on the first and last columns: Play runs to the end.
    form->MSelectAll->trigger();
    form->CButtonPlayClick();
    bool paused = false;
    ASSERT_TRUE(until([&] {
        paused = paused || form->playState == tw::kPaused;
        return form->playState == tw::kStopped;
    }));
    EXPECT_FALSE(paused);
}

TEST_F(TransportTest, ThePlayingToneFeedsTheSpectrumAndTheMeter)
{
    auto form = opened(10);
    form->CButtonPlayClick();
    ASSERT_TRUE(until([&] { return form->levelMeter->leftLevel > 0; }, 5));
    ASSERT_TRUE(until([&] { return cursor(*form) >= 2; }, 5));
    // 1 kHz in a 1024-point FFT at 44100 Hz is bin 23, shown as bar 18.
    const auto& bars = form->spectrum->bars;
    const auto loudest = std::max_element(bars.begin(), bars.end()) - bars.begin();
    EXPECT_NEAR(loudest, 18, 1);
    // A peak of 12000 of 32768 is level 36: 57 of the meter's 161 columns.
    EXPECT_NEAR(form->levelMeter->leftLevel, 12000 * 100 / 32768 * 161 / 100, 1);

    form->CButtonStopClick();
    form->Timer1Timer();
    EXPECT_EQ(form->spectrum->image().pixelColor(18, 48), QColor(Qt::black));
}

TEST_F(TransportTest, CloseAsksOnlyForEditsAndKeepsTheDocumentOnCancel)
{
    auto form = opened(4);
    const std::string work = form->workPath;
    form->MZoom1->trigger();
    form->CButtonPlayClick();

    // Modified: Cancel keeps it, stopped at 0; Yes with a save that does not
    // complete (its folder is gone; Cancel in the save window) keeps it as well.
    form->modified = true;
    form->sourcePath = sources.path().toStdString() + "/gone/tone.wav";
    for (tw::MsgResult answer : {tw::MsgResult::Cancel, tw::MsgResult::Yes}) {
        messages.clear();
        // The hook outlives the loop (the window's close below asks it too).
        form->prompter().setMessageHook([&, answer](const tw::MessageRequest& r) {
            messages.push_back(r);
            if (r.text == "Can not create the file.")
                QTimer::singleShot(0, form->SaveForm, [&] { form->SaveForm->ButtonCancelClick(); });
            return answer;
        });
        form->ButtonCloseClick();
        ASSERT_GE(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, "File has been modified.\nDo you want to save the changes?");
        EXPECT_EQ(messages[0].buttons, tw::MsgButtons::YesNoCancel);
        EXPECT_EQ(form->playState, tw::kStopped);
        EXPECT_TRUE(form->loaded);
        EXPECT_TRUE(form->modified);
        EXPECT_TRUE(std::filesystem::exists(work));
    }
    // Closing the window: Cancel keeps the window and the document.
    form->show();
    EXPECT_FALSE(form->close());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->loaded);

    // No: the work file goes, and the next document starts at "10 : 1".
    form->prompter().setMessageHook([](const tw::MessageRequest&) { return tw::MsgResult::No; });
    form->MClose->trigger();
    EXPECT_EQ(form->playState, tw::kNoDocument);
    EXPECT_FALSE(std::filesystem::exists(work));
    EXPECT_TRUE(form->StatusPanels[1]->text().isEmpty());
    EXPECT_TRUE(form->MZoom10->isChecked());
    EXPECT_EQ(form->zoom, 10000u);
    EXPECT_TRUE(form->ButtonOpen->isEnabled());

    // Unmodified: no question; a failed open's begun work file goes with the window.
    messages.clear();
    form->prompter().setMessageHook([&](const tw::MessageRequest& r) {
        messages.push_back(r);
        return tw::MsgResult::Ok;
    });
    choose(*form, makeWav("cut.wav", 44100, 2, 100));
    std::filesystem::resize_file(source("cut.wav"), 30);  // no "data" chunk any more
    QTimer::singleShot(200, form->OpenForm, [&] { form->OpenForm->ButtonCancelClick(); });
    form->ButtonOpenClick();
    ASSERT_TRUE(std::filesystem::exists(form->workPath));
    const std::string begun = form->workPath;
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(std::filesystem::exists(begun));
    EXPECT_EQ(otherMessages().size(), 1u);  // only the open's own message
}

TEST_F(TransportTest, KeysRunTheirCommandsOnlyWhenEnabled)
{
    auto form = opened(6);
    auto key = [&](Qt::Key k) {
        for (QShortcut* s : form->findChildren<QShortcut*>())
            if (s->key() == QKeySequence(k))
                emit s->activated();
    };
    key(Qt::Key_End);
    EXPECT_EQ(cursor(*form), 5u);
    key(Qt::Key_Home);
    EXPECT_EQ(cursor(*form), 0u);
    key(Qt::Key_Space);  // stopped: play from here
    EXPECT_EQ(form->playState, tw::kPlaying);
    key(Qt::Key_Space);  // playing: pause
    EXPECT_EQ(form->playState, tw::kPaused);
    EXPECT_EQ(form->MSelectAll->shortcut(), QKeySequence(QKeySequence::SelectAll));
    EXPECT_EQ(form->MDelete->shortcut(), QKeySequence(QKeySequence::Delete));

    form->prompter().setMessageHook([](const tw::MessageRequest&) { return tw::MsgResult::No; });
    form->ButtonCloseClick();
    key(Qt::Key_Space);  // no document: nothing
    key(Qt::Key_End);
    EXPECT_EQ(form->playState, tw::kNoDocument);
}

}  // namespace
