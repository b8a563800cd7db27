// Help, Home Page, Update and About open their documents through the one
// seam for addresses; the About window's ownership line follows the language.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <fstream>

#include "MainFormFixture.h"
#include "i18n/IniText.h"
#include "i18n/Settings.h"
#include "ui/TAboutForm.h"

namespace {

using twtest::MainFormTest;

TEST_F(MainFormTest, HelpHomePageUpdateAndAboutOpenTheirAddresses)
{
    const std::string dir = scratch.path().toStdString() + "/";
    std::ofstream(dir + "Mine.ini") << "[LanguageProperty]\nHelpFile=Help/Mine.html\n[AboutForm]\nCopyright=Copyleft\n"
                                       "Reserved=Some rights\n";
    tw::TMainFormOptions options = optionsFor({"tarnwick"});
    options.dataPaths = tw::DataPaths{dir, dir + "Tarnwick.ini", "", ""};
    std::ofstream(dir + "Tarnwick.ini") << "[General]\nLanguage=Mine.ini\n";
    std::vector<QString> opened;
    options.openAddress = [&opened](const QString& address) { opened.push_back(address); };
    auto form = std::make_unique<tw::TMainForm>(std::move(options));
    form->ApplyLanguage();

    form->MHelp->trigger();
    form->languageFile = "None.ini";  // no HelpFile: the program's folder
    form->ApplyLanguage();
    form->ButtonHelp->click();
    form->MHome->trigger();
    form->ButtonUpdate->click();
    ASSERT_EQ(opened.size(), 4u);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString(form->appDir + "Help/Mine.html")).toString());
    EXPECT_EQ(opened[1], QUrl::fromLocalFile(QString::fromStdString(form->appDir)).toString());
    EXPECT_EQ(opened[2], opened[3]);
    EXPECT_TRUE(opened[2].startsWith("https://"));

    // About: the ownership line from the language's words, and its link opens the same page.
    form->languageFile = "Mine.ini";
    form->ApplyLanguage();
    QTimer::singleShot(0, form->AboutForm, [&] {
        EXPECT_TRUE(form->AboutForm->Label6->text().startsWith("Copyleft "));
        EXPECT_EQ(form->AboutForm->Label7->text(), "Some rights");
        form->AboutForm->Label5Click();
        form->AboutForm->accept();
    });
    form->MAbout->trigger();
    ASSERT_EQ(opened.size(), 5u);
    EXPECT_EQ(opened[4], opened[2]);
}

TEST_F(MainFormTest, TheBannerOpensTheHomePageOncePerClickInsideIt)
{
    tw::TMainFormOptions options = optionsFor({"tarnwick"});
    int opened = 0;
    options.openAddress = [&opened](const QString&) { ++opened; };
    auto form = std::make_unique<tw::TMainForm>(std::move(options));
    form->resize(1000, 450);
    form->show();
    QWidget* banner = form->CppWebBrowser1;
    ASSERT_TRUE(banner->isVisible());
    const QPoint in(10, 10), out(-30, 10);  // out: on the toolbar beside it
    // The banner has the mouse from a press on it until the release, wherever that is.
    auto send = [&](QEvent::Type type, QPoint at) {
        QMouseEvent e(type, at, banner->mapToGlobal(at), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(banner, &e);
    };
    using T = QEvent::Type;
    const struct {
        const char* what;
        std::vector<std::pair<T, QPoint>> events;
        int opens;
    } cases[] = {
        {"click", {{T::MouseButtonPress, in}, {T::MouseButtonRelease, in}}, 1},
        {"double-click",
         {{T::MouseButtonPress, in}, {T::MouseButtonRelease, in}, {T::MouseButtonDblClick, in},
          {T::MouseButtonRelease, in}},
         1},
        {"dragged off", {{T::MouseButtonPress, in}, {T::MouseButtonRelease, out}}, 0},
        {"release alone", {{T::MouseButtonRelease, in}}, 0},
    };
    for (const auto& c : cases) {
        opened = 0;
        for (const auto& [type, at] : c.events)
            send(type, at);
        EXPECT_EQ(opened, c.opens) << c.what;
    }
}

TEST(About, TheOwnershipLineHasOneCopyrightSignWhateverTheLanguageCallsIt)
{
    std::vector<std::string> words{"Copyleft", ""};
    for (const std::string& file : tw::languageFiles(TARNWICK_LANGUAGE_DIR))
        words.push_back(tw::IniText::load(TARNWICK_LANGUAGE_DIR + file).read("AboutForm", "Copyright", ""));
    for (const std::string& word : words) {
        const QString line = tw::ownershipLine(QString::fromStdString(word));
        EXPECT_EQ(line.count(QChar(0xA9)), 1) << line.toStdString();
        EXPECT_TRUE(line.startsWith(QString::fromStdString(word))) << line.toStdString();
        EXPECT_EQ(line.toStdString(), line.simplified().toStdString());
    }
}

}  // namespace

namespace {

// Counts the right presses that reach it (installed before the window's own filter).
struct RightPresses final : QObject {
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonPress && static_cast<QMouseEvent*>(e)->button() == Qt::RightButton)
            ++seen;
        return false;
    }
    int seen = 0;
};

TEST_F(MainFormTest, TheBannerIsWrittenShownAndRemovedUnlessSwitchedOff)
{
    for (const char* ad : {"", "1", "0"}) {
        tw::TMainFormOptions options = optionsFor({"tarnwick"});
        const std::string settings = scratch.path().toStdString() + "/ad.ini";
        std::ofstream(settings) << "[General]\nLanguage=English.ini\nAd=" << ad << "\n";
        options.dataPaths = tw::DataPaths{TARNWICK_LANGUAGE_DIR, settings, "", ""};
        RightPresses presses;
        qApp->installEventFilter(&presses);
        auto form = std::make_unique<tw::TMainForm>(std::move(options));
        form->resize(1000, 450);
        form->show();
        const std::string movie = form->tempDir + "_TarnwickAd.gif";
        const bool on = std::string(ad) != "0";
        EXPECT_EQ(QFile::exists(QString::fromStdString(movie)), on) << "Ad=" << ad;
        EXPECT_EQ(form->CppWebBrowser1->isVisible(), on) << "Ad=" << ad;
        if (on) {
            // A right press inside the banner is swallowed; one on the waveform is not.
            auto press = [&](QWidget* w, QPoint at) {
                QMouseEvent e(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::RightButton, Qt::RightButton,
                              Qt::NoModifier);
                QApplication::sendEvent(w, &e);
            };
            press(form->CppWebBrowser1, QPoint(10, 10));
            EXPECT_EQ(presses.seen, 0);
            press(form->PaintBox1, QPoint(5, 5));
            EXPECT_EQ(presses.seen, 1);
        }
        form.reset();
        EXPECT_FALSE(QFile::exists(QString::fromStdString(movie)));
    }
}

}  // namespace
