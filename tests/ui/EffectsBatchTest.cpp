// tarnwick-batch's effect flags, made from the table, and the window's
// Effects menu write the same bytes; --stats prints the window's figures; a
// value outside the table's range is a bad argument.
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/wait.h>

#include "OpenSupport.h"
#include "tests/common/CommandOutput.h"
#include "core/Markers.h"
#include "edit/Effects.h"
#include "ui/TEffectForm.h"
#include "ui/TStatisticsForm.h"

using twtest::OpenTest;

namespace {

std::string presetText(const tw::EffectParam& p)
{
    for (const tw::EffectChoice& c : p.choices)
        if (c.value == p.preset)
            return c.text;
    return std::to_string(p.preset);
}

TEST_F(OpenTest, EffectFlagsWriteTheWindowsBytes)
{
    const std::string in = makeWav("in.wav", 44100, 2, 441000);
    const std::string dir = sources.path().toStdString() + "/";
    auto form = make();
    choose(*form, in);
    form->ButtonOpenClick();
    form->MZoom1->trigger();
    // Every entry in turn, on frames 50000..300000, or at the cursor in column 100.
    form->onEffectFormShown = [](tw::TEffectForm& dialog) {
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.ButtonOk->click(); });
    };
    std::string steps = " --zoom 1000";
    QString figures;
    form->onStatisticsShown = [&figures](tw::TStatisticsForm& dialog) {
        figures = dialog.Memo1->toPlainText();
        QTimer::singleShot(0, &dialog, [&dialog] { dialog.ButtonClose->click(); });
    };
    for (std::size_t i = 0; i < tw::effectTable().size(); ++i) {
        const tw::Effect& e = tw::effectTable()[i];
        tw::setMarkerFrames(*form, 50000, 300000);
        steps += " --select 50000f 300000f";
        if (*e.batchFlag)
            steps += " " + std::string(e.batchFlag);
        if (*e.batchPlace) {
            form->PaintBox1MouseDown(QMouseEvent(QEvent::MouseButtonPress, QPointF(100, 40), QPointF(100, 40),
                                                 Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            steps += " 100000f";
        }
        // An entry without a flag: its first parameter's option makes the step.
        for (const tw::EffectParam& p : e.params) {
            if (p.batchPreset)
                continue;
            steps += *p.batchOption ? " " + std::string(p.batchOption) + " " + presetText(p) : " " + presetText(p);
            if (!*e.batchFlag)
                break;
        }
        if (e.length == tw::EffectLength::Measured)
            break;  // --stats last: it prints the figures of the range as it then is
        form->effectItems[i]->trigger();
    }
    tw::setMarkerFrames(*form, 50000, 300000);
    form->effectItems[tw::effectTable().size() - 1]->trigger();
    ASSERT_FALSE(figures.isEmpty());
    form->prompter().setFileHook([&](const tw::FileDialogRequest&) {
        return std::optional<tw::FileDialogChoice>({dir + "window.wav", 1});
    });
    form->ButtonSaveAsClick();

    const std::string out = dir + "batch.wav";
    const std::string command = std::string(TARNWICK_BATCH) + " --quiet '" + in + "'" + steps + " --save '" + out + "'";
    EXPECT_EQ(tw::test::commandOutput(command), figures.toStdString()) << command;
    const twtest::Bytes ours = twtest::readBytes(out), theirs = twtest::readBytes(dir + "window.wav");
    EXPECT_GT(ours.size(), 1000u);
    EXPECT_TRUE(ours == theirs) << ours.size() << " " << theirs.size() << " first difference at "
                                << std::distance(ours.begin(), std::ranges::mismatch(ours, theirs).in1);

    // Outside the table's range: exit 2, naming the range.
    const std::string bad = std::string(TARNWICK_BATCH) + " --quiet '" + in + "' --insert-silence 0 3601 --save '" +
                            dir + "bad.wav' 2>&1";
    const std::string said = tw::test::commandOutput(bad);
    EXPECT_NE(said.find("0.001 to 3600 s"), std::string::npos) << said;
    EXPECT_EQ(WEXITSTATUS(std::system((bad + " >/dev/null").c_str())), 2);
    EXPECT_TRUE(otherMessages().empty());
}

TEST(EffectsDocumentation, TheGuideAndTheManualPageNameEveryEntry)
{
    const auto text = [](const std::string& path) {
        const twtest::Bytes b = twtest::readBytes(std::string(TARNWICK_LANGUAGE_DIR) + "../" + path);
        return std::string(b.begin(), b.end());
    };
    const std::string guide = text("Help/English.html"), manual = text("packaging/tarnwick-batch.1.in");
    for (const tw::Effect& e : tw::effectTable()) {
        EXPECT_NE(guide.find(std::string("<td>") + e.name + "</td>"), std::string::npos) << e.name;
        std::string flag;
        for (const char* c = e.batchFlag; *c; ++c)
            flag += *c == '-' ? std::string("\\-") : std::string(1, *c);
        EXPECT_NE(manual.find(flag), std::string::npos) << flag;
    }
}

}  // namespace
