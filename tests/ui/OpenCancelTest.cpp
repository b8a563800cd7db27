// Cancel and failures during the open: what stops it, what does not, and
// what is left behind.
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <filesystem>

#include "OpenSupport.h"
#include "ui/TOpenForm.h"

using twtest::Bytes;
using twtest::OpenTest;
using twtest::le32;
using twtest::readBytes;

namespace {

// Presses OpenForm's Cancel once, the first time the bar's value satisfies when.
template <class When>
void cancelOnBar(tw::TMainForm& form, QProgressBar* bar, When when, int& presses)
{
    QObject::connect(bar, &QProgressBar::valueChanged, form.OpenForm, [&form, when, &presses](int value) {
        if (presses == 0 && when(value)) {
            ++presses;
            form.OpenForm->ButtonCancel->click();
        }
    });
}

void expectNothingOpen(const tw::TMainForm& form)
{
    EXPECT_EQ(form.playState, tw::kNoDocument);
    EXPECT_FALSE(form.loaded);
    EXPECT_FALSE(form.OpenForm->isVisible());
    EXPECT_TRUE(form.ButtonOpen->isEnabled());
    EXPECT_FALSE(form.ButtonClose->isEnabled());
    EXPECT_EQ(form.stream, 0u);
}

}  // namespace

TEST_F(OpenTest, CancelDuringDecodingLeavesAConsistentPartialWorkFile)
{
    if (!haveFfmpeg())
        GTEST_SKIP() << "ffmpeg is not installed";
    auto form = make();
    // 2 min of 44.1 kHz stereo: 21168000 decoded bytes, long enough for
    // decoding on every core to be well under way when Cancel is pressed.
    const std::string path = encode("long.mp3", "-ac 2 -ar 44100 -c:a libmp3lame -b:a 128k", 120);
    int presses = 0;
    // A tenth done: some sound from the start is decoded however the parts were scheduled.
    cancelOnBar(*form, form->OpenForm->ProgressBar1, [](int v) { return v >= 10; }, presses);
    choose(*form, path);
    form->ButtonOpenClick();

    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(texts().empty());
    expectNothingOpen(*form);
    EXPECT_EQ(form->sourcePath, path);
    ASSERT_EQ(form->workPath, form->tempDir + "AudioTemp.wav");
    const Bytes work = readBytes(form->workPath);
    ASSERT_GE(work.size(), 44u);
    EXPECT_EQ(std::string(work.begin(), work.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(work.begin() + 36, work.begin() + 40), "data");
    EXPECT_EQ(le32(work, 4), work.size() - 8);
    EXPECT_EQ(le32(work, 40), work.size() - 44);
    EXPECT_GT(work.size(), 44u);
    EXPECT_LT(work.size() - 44, 21168000u / 2);  // stopped early
    EXPECT_EQ((work.size() - 44) % 4, 0u);
    // Nothing was read back: no overview.
    EXPECT_EQ(form->columnCount, 0u);

    // The next open starts without the old stop request and replaces the
    // partial work file.
    const std::string next = encode("next.mp3", "-ac 1 -ar 8000 -c:a libmp3lame -b:a 16k", 2);
    choose(*form, next);
    form->ButtonOpenClick();
    EXPECT_EQ(form->playState, tw::kStopped);
    const Bytes again = readBytes(form->workPath);
    ASSERT_GE(again.size(), 44u);
    EXPECT_EQ(Bytes(again.begin() + 44, again.end()), ffmpegSamples(next));
}

TEST_F(OpenTest, CancelDuringTheOverviewDoesNotStopTheOpen)
{
    auto form = make();
    // 20 columns: the overview bar moves before the last one.
    const std::string path = makeWav("overview.wav", 44100, 2, 200000);
    int presses = 0;
    cancelOnBar(*form, form->OpenForm->ProgressBar2, [](int v) { return v > 0 && v < 100; }, presses);
    choose(*form, path);
    form->ButtonOpenClick();

    EXPECT_EQ(presses, 1);
    EXPECT_EQ(form->columnCount, 20u);
    EXPECT_EQ(form->playState, tw::kStopped);
    EXPECT_TRUE(form->loaded);
    EXPECT_FALSE(form->OpenForm->isVisible());
    EXPECT_EQ(form->OpenForm->result(), 1);  // completed
    EXPECT_FALSE(form->ButtonOpen->isEnabled());
}

TEST_F(OpenTest, CancelDuringTheCopyDoesNotStopTheOpen)
{
    auto form = make();
    const std::string path = makeWav("copy.wav", 44100, 2, 50000);
    int presses = 0;
    cancelOnBar(*form, form->OpenForm->ProgressBar1, [](int v) { return v > 0; }, presses);
    // The window stays up while the body runs, so the main window takes no input.
    bool upAfterCancel = false;
    QObject::connect(form->OpenForm->ProgressBar2, &QProgressBar::valueChanged, form->OpenForm,
                     [&] { upAfterCancel = upAfterCancel || (presses == 1 && form->OpenForm->isVisible()); });
    choose(*form, path);
    form->ButtonOpenClick();
    EXPECT_EQ(presses, 1);
    EXPECT_TRUE(upAfterCancel);
    EXPECT_EQ(form->playState, tw::kStopped);
    EXPECT_TRUE(form->loaded);
}

TEST_F(OpenTest, FailureKeepsTheProgressWindowUpUntilCancel)
{
    auto form = make();
    const std::string path = source("broken.mp3");
    twtest::writeBytes(path, Bytes(5000, 0x5a));
    bool upAtMessage = false;
    bool upAfterMessage = false;
    form->prompter().setMessageHook([&](const tw::MessageRequest& r) {
        messages.push_back(r);
        upAtMessage = form->OpenForm->isVisible();
        // The user looks again a little later, then presses Cancel.
        QTimer::singleShot(20, form.get(), [&] {
            upAfterMessage = form->OpenForm->isVisible();
            form->OpenForm->ButtonCancel->click();
        });
        return tw::MsgResult::Ok;
    });
    choose(*form, path);
    form->ButtonOpenClick();

    EXPECT_EQ(texts(), std::vector<std::string>{"Can not creat the decode stream."});
    EXPECT_TRUE(upAtMessage);
    EXPECT_TRUE(upAfterMessage);
    expectNothingOpen(*form);
    EXPECT_EQ(form->sourcePath, path);
    EXPECT_EQ(form->workPath, form->tempDir + "AudioTemp.wav");
}

TEST_F(OpenTest, InvalidWavGivesItsMessageAndOpensNothing)
{
    auto form = make();
    const std::string path = source("noise.wav");
    twtest::writeBytes(path, Bytes(3000, 0x11));
    form->prompter().setMessageHook([&](const tw::MessageRequest& r) {
        messages.push_back(r);
        QTimer::singleShot(0, form.get(), [&] { form->OpenForm->ButtonCancel->click(); });
        return tw::MsgResult::Ok;
    });
    choose(*form, path);
    form->ButtonOpenClick();
    ASSERT_EQ(texts().size(), 1u);
    expectNothingOpen(*form);
    // The work file stays where it is until the next open or close.
    EXPECT_TRUE(std::filesystem::exists(form->workPath));
    EXPECT_EQ(readBytes(form->workPath), readBytes(path));
}

TEST_F(OpenTest, ProgressBarsStartFromZeroOnEachOpen)
{
    auto form = make();
    form->OpenForm->progress().setBar(0, 100);
    form->OpenForm->progress().setBar(1, 100);
    form->OpenForm->progress().requestStop();  // left over from an earlier open
    std::vector<int> firstValues;
    for (QProgressBar* bar : {form->OpenForm->ProgressBar1, form->OpenForm->ProgressBar2})
        QObject::connect(bar, &QProgressBar::valueChanged, form.get(), [&firstValues](int v) {
            if (firstValues.size() < 2)
                firstValues.push_back(v);
        });
    choose(*form, makeWav("again.wav", 44100, 2, 30000));
    form->ButtonOpenClick();
    EXPECT_EQ(firstValues, (std::vector<int>{0, 0}));
    EXPECT_EQ(form->playState, tw::kStopped);
}
