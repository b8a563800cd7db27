// Help, Home Page, Update and About open their documents through the one
// seam for addresses; the About window's ownership line follows the language.
#include <QAction>
#include <QLabel>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <fstream>

#include "MainFormFixture.h"
#include "ui/TAboutForm.h"

namespace {

using twtest::MainFormTest;

TEST_F(MainFormTest, HelpHomePageUpdateAndAboutOpenTheirAddresses)
{
    const std::string dir = scratch.path().toStdString() + "/";
    std::ofstream(dir + "Mine.ini") << "[LanguageProperty]\nHelpFile=Help/Mine.html\n[AboutForm]\nCopyright=Copyleft\n"
                                       "Reserved=Some rights\n";
    tw::TMainFormOptions options = optionsFor({"tarnwick"});
    options.dataPaths = tw::DataPaths{dir, dir + "Tarnwick.ini"};
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

}  // namespace
