// tarnwick-batch and the window, given the same steps, write the same bytes.
#include <QComboBox>
#include <QMouseEvent>
#include <QPushButton>

#include <algorithm>
#include <cstdlib>

#include "OpenSupport.h"
#include "ui/TNormalizeForm.h"
#include "ui/TVolumeForm.h"

using twtest::OpenTest;

namespace {

TEST_F(OpenTest, BatchWritesTheSameFilesAsTheWindow)
{
    const std::string in = makeWav("in.wav", 44100, 2, 441000);
    const std::string dir = sources.path().toStdString() + "/";
    auto form = make();
    choose(*form, in);
    form->ButtonOpenClick();

    // Zoom 1 : 1, Fade In of columns 20..100, Volume 50 % of 150..300,
    // Delete 400..410, Cut Out 5..350, Copy 10..30 and Paste at the cursor in
    // column 100, Cut 200..220, Normalize 50..300 to -6 dB, each on the
    // markers the last step left.
    form->MZoom1->trigger();
    const auto select = [&](std::uint32_t start, std::uint32_t finish) {
        form->selStart = start;
        form->selFinish = finish;
    };
    select(20, 100);
    form->ButtonFadeInClick();
    select(150, 300);
    QTimer::singleShot(0, form->VolumeForm, [&] {
        form->VolumeForm->ComboBox1->setCurrentIndex(5);  // "50%"
        form->VolumeForm->ButtonOk->click();
    });
    form->ButtonVolumeClick();
    select(400, 410);
    form->ButtonDeleteClick();
    select(5, 350);
    form->ButtonCutOutClick();
    select(10, 30);
    form->MCopyClick();
    form->PaintBox1MouseDown(QMouseEvent(QEvent::MouseButtonPress, QPointF(100, 40), QPointF(100, 40),
                                         Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    form->MPasteClick();
    select(200, 220);
    form->MCutClick();
    select(50, 300);
    QTimer::singleShot(0, form->NormalizeForm, [&] {
        form->NormalizeForm->ComboBox1->setCurrentIndex(5);  // -6 dB
        form->NormalizeForm->ButtonOk->click();
    });
    form->MNormalizeClick();

    for (const auto& [name, filter] : {std::pair{std::string("window.wav"), 1}, {std::string("window.mp3"), 3}}) {
        form->prompter().setFileHook([&, name = name, filter = filter](const tw::FileDialogRequest&) {
            return std::optional<tw::FileDialogChoice>({dir + name, filter});
        });
        form->ButtonSaveAsClick();
        ASSERT_EQ(form->sourcePath, dir + name);
    }

    const std::string steps = " --zoom 1000 --select 20000f 100000f --fade-in --select 150000f 300000f --volume 50"
                              " --select 400000f 410000f --delete --select 5000f 350000f --cut-out"
                              " --select 10000f 30000f --copy --paste 100000f --select 200000f 220000f --cut"
                              " --select 50000f 300000f --normalize -6 --save '";
    for (const char* ext : {".wav", ".mp3"}) {
        const std::string out = dir + "batch" + ext;
        ASSERT_EQ(std::system((std::string(TARNWICK_BATCH) + " --quiet '" + in + "'" + steps + out + "'").c_str()), 0);
        const twtest::Bytes ours = twtest::readBytes(out);
        EXPECT_GT(ours.size(), 1000u);
        const twtest::Bytes theirs = twtest::readBytes(dir + "window" + ext);
        EXPECT_TRUE(ours == theirs) << ext << " " << ours.size() << " " << theirs.size() << " first difference at "
                                    << std::distance(ours.begin(), std::ranges::mismatch(ours, theirs).in1);
    }
    EXPECT_TRUE(otherMessages().empty());
}

}  // namespace
