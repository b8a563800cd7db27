// Languages in the window: the texts and fonts a file gives, the start-up
// choice and the Language menu with its click.
#include <QAction>
#include <QEvent>
#include <QLabel>
#include <QMenu>
#include <QToolButton>

#include <filesystem>
#include <fstream>

#include "MainFormFixture.h"
#include "OpenSupport.h"
#include "core/StatusText.h"
#include "i18n/IniText.h"
#include "ui/TOpenForm.h"
#include "ui/TNormalizeForm.h"
#include "ui/TVolumeForm.h"

namespace {

class LanguageTest : public twtest::MainFormTest {
protected:
    void SetUp() override { std::filesystem::create_directory(dir()); }
    std::string dir() const { return scratch.path().toStdString() + "/TWLanguage/"; }
    std::string settings() const { return scratch.path().toStdString() + "/Tarnwick.ini"; }
    void file(const std::string& name, const std::string& text) { std::ofstream(dir() + name) << text; }
    std::unique_ptr<tw::TMainForm> start(const std::string& locale = "en_US")
    {
        tw::TMainFormOptions options = optionsFor({"tarnwick"});
        options.dataPaths = tw::DataPaths{dir(), settings(), "", ""};
        options.locale = locale;
        return std::make_unique<tw::TMainForm>(std::move(options));
    }
    std::string stored() const
    {
        std::ifstream in(settings());
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return all;
    }
    static std::vector<std::string> menu(const tw::TMainForm& form)
    {
        std::vector<std::string> items;
        for (QAction* a : form.MenuLanguage->actions())
            items.push_back(a->objectName().toStdString() + "=" + a->text().toStdString() + (a->isChecked() ? "*" : ""));
        return items;
    }
};

TEST_F(LanguageTest, AFileGivesItsTextsAndFontsAndAMissingKeyAnEmptyText)
{
    file("Mine.ini",
         "[LanguageProperty]\nName=Mine\nFontSize=abc\n[Menu]\nDelete=Remove\n[ToolBar]\nDelete=Cut away\n"
         "[StatusBar]\nStereo=Both\nBits=b\n");
    std::ofstream(settings()) << "[General]\nLanguage=  Mine.ini \n";
    auto form = start();
    form->FormActivate();
    EXPECT_EQ(form->MDelete->text(), "Remove");
    EXPECT_EQ(form->ButtonDelete->text(), "Cut away");
    EXPECT_EQ(form->MOpen->text(), "");
    EXPECT_EQ(form->MUndo->text(), "Undo");  // keys added later fall back to English
    EXPECT_EQ(form->MPaste->text(), "Paste");
    EXPECT_EQ(form->NormalizeForm->Label1->text(), "Level:");
    EXPECT_EQ(form->CButtonPlay->toolTip(), "");
    EXPECT_EQ(form->OpenDialog1.filter, "");
    EXPECT_EQ(form->VolumeForm->Label1->text(), "");
    EXPECT_EQ(form->font().pointSize(), 8);
    EXPECT_EQ(form->VolumeForm->font(), form->font());
    EXPECT_EQ(tw::formatText(44100, 2, 16, form->languageIni), "44100 Hz   Both   16b");

    // A missing file: every text empty, the default font.
    form->languageFile = "Gone.ini";
    form->ApplyLanguage();
    EXPECT_EQ(form->MDelete->text(), "");
    EXPECT_EQ(form->font().pointSize(), 8);
}

TEST_F(LanguageTest, TheToolbarCaptionsFollowTheLanguageFont)
{
    const std::pair<const char*, int> fonts[] = {{"No Such Face", 14}, {"DejaVu Serif", 9}};
    for (const auto& [face, size] : fonts) {
        file("Mine.ini", "[LanguageProperty]\nName=Mine\nFontName=" + std::string(face) + "\nFontSize=" +
                             std::to_string(size) + "\n");
        std::ofstream(settings()) << "[General]\nLanguage=Mine.ini\n";
        auto form = start();
        form->ApplyLanguage();
        const auto buttons = form->Panel1->findChildren<QToolButton*>();
        ASSERT_FALSE(buttons.isEmpty());
        for (const QToolButton* b : buttons) {
            EXPECT_EQ(b->font().pointSize(), size) << face;
            EXPECT_EQ(b->font().family().toStdString(), form->font().family().toStdString()) << face;
        }
    }
}

TEST_F(LanguageTest, StartUpChoosesStoresAndBuildsTheMenu)
{
    for (const char* name : {"b.ini", "A.ini", "c.INI"})
        file(name, std::string("[LanguageProperty]\nName=") + name + "\n");
    std::filesystem::create_directory(dir() + "x.ini");
    auto form = start("zh_HK");
    // No stored choice: the user's locale decides, and is stored even though the file is absent.
    EXPECT_EQ(form->languageFile, "ChineseBig5.ini");
    EXPECT_NE(stored().find("Language=ChineseBig5.ini"), std::string::npos) << stored();
    EXPECT_EQ(menu(*form), (std::vector<std::string>{"MLanguage0=A.ini", "MLanguage1=b.ini", "MLanguage2=c.INI"}));
}

TEST_F(LanguageTest, ClickingALanguageSelectsTheFirstFileOfThatName)
{
    file("One.ini", "[LanguageProperty]\nName=Twin\n[Menu]\nOpen=First\n");
    file("Two.ini", "[LanguageProperty]\nName=Twin\n[Menu]\nOpen=Second\n");
    file("Zed.ini", "[LanguageProperty]\nName=Zed\n[Menu]\nOpen=Zed open\n");
    std::ofstream(settings()) << "[General]\nLanguage=Zed.ini\n";
    auto form = start();
    form->MenuLanguage->actions()[1]->trigger();  // the second "Twin"
    EXPECT_EQ(menu(*form), (std::vector<std::string>{"MLanguage0=Twin*", "MLanguage1=Twin*", "MLanguage2=Zed"}));
    EXPECT_EQ(form->languageFile, "One.ini");
    EXPECT_EQ(form->MOpen->text(), "First");
    EXPECT_NE(stored().find("One.ini"), std::string::npos);

    // A file deleted after start-up: the mark moves, the selection and texts stay.
    std::filesystem::remove(dir() + "Zed.ini");
    form->MenuLanguage->actions()[2]->trigger();
    EXPECT_EQ(menu(*form), (std::vector<std::string>{"MLanguage0=Twin", "MLanguage1=Twin", "MLanguage2=Zed*"}));
    EXPECT_EQ(form->languageFile, "One.ini");
    EXPECT_EQ(form->MOpen->text(), "First");
}

// Swallows the window's activations, as where the window system never gives
// them (a bare X server, focus-stealing prevention).
struct NoActivation final : QObject {
    bool eventFilter(QObject*, QEvent* e) override
    {
        return e->type() == QEvent::ActivationChange || e->type() == QEvent::WindowActivate;
    }
};

// Records the texts a window shows as it comes up.
struct TextsOnShow final : QObject {
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        if (e->type() == QEvent::Show) {
            const auto& open = static_cast<const tw::TOpenForm&>(*watched);
            texts = {open.windowTitle().toStdString(), open.Label1->text().toStdString()};
        }
        return false;
    }
    std::vector<std::string> texts;
};

TEST_F(LanguageTest, TheLanguageIsOnWhenTheWindowFirstShowsWithoutBeingActivated)
{
    const std::string source = scratch.path().toStdString() + "/a.wav";
    twtest::writeBytes(source, twtest::wav16(44100, 2, 20000));
    tw::TMainFormOptions options = optionsFor({"tarnwick", source});
    options.locale = "ru_RU";
    auto form = std::make_unique<tw::TMainForm>(std::move(options));
    NoActivation noActivation;
    TextsOnShow openForm;
    form->installEventFilter(&noActivation);
    form->OpenForm->installEventFilter(&openForm);
    form->show();  // opens the file named on the command line

    const auto russian = tw::IniText::load(std::string(TARNWICK_LANGUAGE_DIR) + "Russian.ini");
    const auto text = [&](const char* section, const char* key) { return russian.read(section, key, ""); };
    EXPECT_EQ(form->MOpen->text().toStdString(), text("Menu", "Open"));
    EXPECT_EQ(form->helpFile, text("LanguageProperty", "HelpFile"));
    EXPECT_EQ(openForm.texts, (std::vector<std::string>{text("OpenForm", "Caption"), text("OpenForm", "Decoding")}));
    ASSERT_EQ(form->playState, tw::kStopped);
    EXPECT_NE(form->StatusPanels[0]->text().toStdString().find(text("StatusBar", "Stereo")), std::string::npos)
        << form->StatusPanels[0]->text().toStdString();
}

}  // namespace
