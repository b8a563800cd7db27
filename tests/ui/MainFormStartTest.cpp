#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScrollArea>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <fstream>

#include "MainFormFixture.h"
#include "OpenSupport.h"
#include "core/Layout.h"

namespace fs = std::filesystem;
using twtest::MainFormTest;

namespace {

template <class T>
T* child(QObject& parent, const char* name)
{
    auto* found = parent.findChild<T*>(name);
    EXPECT_NE(found, nullptr) << name;
    return found;
}

bool enabled(QObject& form, const char* name)
{
    if (auto* w = form.findChild<QWidget*>(name))
        return w->isEnabled();
    if (auto* a = form.findChild<QAction*>(name))
        return a->isEnabled();
    ADD_FAILURE() << "no control " << name;
    return false;
}

const char* const kCommandControls[] = {
    "MOpen", "ButtonOpen", "MClose", "ButtonClose", "MSaveAs", "ButtonSaveAs", "MSelectAll", "MPopSelectAll",
    "MDelete", "ButtonDelete", "MCutOut", "ButtonCutOut", "MVolume", "ButtonVolume", "MFadeIn", "ButtonFadeIn",
    "MFadeOut", "ButtonFadeOut", "MZoom10", "MZoom8", "MZoom6", "MZoom4", "MZoom2", "MZoom1", "MSave",
    "ButtonSave", "ButtonZoomIn", "ButtonZoomOut", "MPlay", "CButtonPlay", "MPlayFromHere",
    "CButtonPlayFromHere", "MPopPlayFromHere", "MPause", "CButtonPause", "MStop", "CButtonStop", "MSetStart",
    "CButtonSetStart", "MPopSetStart", "MSetFinish", "CButtonSetFinish", "MPopSetFinish"};

}  // namespace

TEST_F(MainFormTest, StartsWithOnlyOpenEnabled)
{
    auto form = make();
    form->show();
    QApplication::processEvents();
    for (const char* name : kCommandControls) {
        const bool isOpen = std::string(name) == "MOpen" || std::string(name) == "ButtonOpen";
        EXPECT_EQ(enabled(*form, name), isOpen) << name;
    }
    for (const char* name : {"ButtonHelp", "ButtonUpdate", "MHelp", "MHome", "MAbout", "MExit"})
        EXPECT_TRUE(enabled(*form, name)) << name;
    EXPECT_EQ(form->playState, tw::kNoDocument);
    for (QLabel* panel : form->StatusPanels)
        EXPECT_TRUE(panel->text().isEmpty());
    EXPECT_TRUE(otherMessages().empty());
}

TEST_F(MainFormTest, StartValues)
{
    auto form = make();
    EXPECT_EQ(form->zoom, 10000u);
    EXPECT_TRUE(form->MZoom10->isChecked());
    EXPECT_FALSE(form->MZoom1->isChecked());
    EXPECT_FALSE(form->modified);
    EXPECT_FALSE(form->loaded);
    EXPECT_FALSE(form->openOnShow);
    EXPECT_TRUE(form->sourcePath.empty());
    EXPECT_TRUE(form->workPath.empty());
    EXPECT_EQ(form->PaintBox1->geometry(), QRect(0, 0, 10, 221));
    EXPECT_EQ(form->waveBitmap.size(), QSize(10, 221));
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 100);
    ASSERT_FALSE(form->appDir.empty());
    EXPECT_EQ(form->appDir.back(), '/');
    EXPECT_TRUE(fs::is_directory(form->appDir));
}

TEST_F(MainFormTest, AudioFailureAtStartIsReportedAndStartUpGoesOnSilently)
{
    const struct {
        const char* what;
        DWORD version;
        bool defaultDeviceStarts;
        tw::MessageRequest message;
    } cases[] = {
        {"wrong version", 0x02030000, true,
         {"An incorrect version of BASS.DLL was loaded", {}, tw::MsgIcon::Information, tw::MsgButtons::Ok}},
        {"no device", BASSVERSION << 16, false,
         {twtest::kDeviceMessage, "Error", tw::MsgIcon::Error, tw::MsgButtons::Ok}},
    };
    for (const auto& c : cases) {
        messages.clear();
        std::vector<int> devices;
        tw::TMainFormOptions options = optionsFor({"tarnwick"});
        options.audioVersion = [&c] { return c.version; };
        options.audioInit = [&c, &devices](int device) {
            devices.push_back(device);
            return device == 0 || c.defaultDeviceStarts ? BASS_Init(0, 44100, 0, nullptr, nullptr) : FALSE;
        };
        auto form = std::make_unique<tw::TMainForm>(std::move(options));
        ASSERT_EQ(messages.size(), 1u) << c.what;
        EXPECT_EQ(messages[0].text, c.message.text) << c.what;
        EXPECT_EQ(messages[0].caption, c.message.caption) << c.what;
        EXPECT_EQ(messages[0].icon, c.message.icon) << c.what;
        EXPECT_EQ(messages[0].buttons, c.message.buttons) << c.what;
        // The silent device stands in, and the window is built to the end.
        ASSERT_FALSE(devices.empty());
        EXPECT_EQ(devices.back(), 0) << c.what;
        EXPECT_FALSE(form->tempDir.empty());
        EXPECT_NE(form->VolumeForm, nullptr);
        EXPECT_TRUE(form->Timer1->isActive());
        EXPECT_EQ(form->playState, tw::kNoDocument);
    }
}

TEST_F(MainFormTest, PrivateTemporaryDirectoryLivesWithTheWindow)
{
    auto form = make();
    const std::string dir = form->tempDir;
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_EQ(dir.rfind(scratch.path().toStdString() + "/", 0), 0u) << dir;
    struct stat st {};
    ASSERT_EQ(::stat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    std::ofstream(dir + "AudioTemp.wav") << "RIFF";
    form.reset();
    EXPECT_FALSE(fs::exists(dir));
}

TEST_F(MainFormTest, CommandLineWithBlanksIsOpenedWhenShown)
{
    const fs::path folder = fs::path(scratch.path().toStdString()) / "My Music";
    fs::create_directories(folder);
    const fs::path file = folder / "a b.wav";
    twtest::writeBytes(file.string(), twtest::wav16(44100, 2, 20000));
    auto form = make({"tarnwick", scratch.path().toStdString() + "/My", "Music/a", "b.wav"});
    EXPECT_EQ(form->sourcePath, file.string());
    EXPECT_TRUE(form->openOnShow);
    form->show();
    EXPECT_FALSE(form->openOnShow);
    EXPECT_EQ(form->playState, tw::kStopped);
    EXPECT_EQ(form->sourcePath, file.string());
}

TEST_F(MainFormTest, MissingCommandLineFileIsIgnoredSilently)
{
    auto form = make({"tarnwick", scratch.path().toStdString() + "/no such", "file.wav"});
    form->show();
    QApplication::processEvents();
    EXPECT_TRUE(form->sourcePath.empty());
    EXPECT_FALSE(form->openOnShow);
    EXPECT_EQ(form->playState, tw::kNoDocument);
    EXPECT_TRUE(otherMessages().empty());
}

TEST_F(MainFormTest, WaveformIsPlacedByTheScrollBoxHeight)
{
    auto form = make();
    form->show();
    QApplication::processEvents();
    auto scrollTo = [&](int height) {
        form->resize(form->width(), form->height() + height - form->ScrollBox1->height());
        QApplication::processEvents();
        EXPECT_EQ(form->ScrollBox1->height(), height);
    };
    scrollTo(351);
    EXPECT_EQ(form->PaintBox1->y(), 50);
    scrollTo(400);
    EXPECT_EQ(form->PaintBox1->y(), tw::paintBoxTop(400));
    scrollTo(251);
    EXPECT_EQ(form->PaintBox1->y(), 0);
    scrollTo(200);
    EXPECT_EQ(form->PaintBox1->y(), 0);
    // The box keeps its size and the left edge.
    EXPECT_EQ(form->PaintBox1->x(), 0);
    EXPECT_EQ(form->PaintBox1->size(), QSize(10, 221));
}

TEST_F(MainFormTest, StartSizeAndLayout)
{
    auto form = make();
    form->show();
    QApplication::processEvents();
    EXPECT_EQ(form->centralWidget()->width() , 714);
    EXPECT_EQ(form->Panel1->height(), 65);
    EXPECT_EQ(form->ControlBar1->height(), 71);
    EXPECT_EQ(form->PaintBox2->size(), QSize(97, 49));
    EXPECT_EQ(form->PaintBox3->size(), QSize(161, 17));
    EXPECT_EQ(form->ButtonOpen->size(), QSize(49, 59));
    EXPECT_EQ(form->CButtonPlay->size(), QSize(23, 22));
    EXPECT_EQ(form->StatusPanels[0]->width(), 250);
    EXPECT_EQ(form->StatusPanels[1]->width(), 200);
    // Client area: the window below the menu bar.
    EXPECT_EQ(form->height() - form->menuBar()->height(), 421);
    // Toolbar buttons stay in one row, left to right, none hidden by another.
    int right = 0;
    for (QToolButton* b : {form->ButtonOpen, form->ButtonClose, form->ButtonSave, form->ButtonSaveAs,
                           form->ButtonDelete, form->ButtonCutOut, form->ButtonVolume, form->ButtonFadeIn,
                           form->ButtonFadeOut, form->ButtonZoomIn, form->ButtonZoomOut, form->ButtonHelp,
                           form->ButtonUpdate}) {
        EXPECT_GE(b->x(), right) << b->objectName().toStdString();
        right = b->x() + b->width();
    }
    EXPECT_LE(right, form->Panel1->width());
}

TEST_F(MainFormTest, DialogsAreCreatedAfterTheWindowInOrderAndOwnedByIt)
{
    auto form = make();
    QStringList order;
    for (QObject* c : form->children())
        if (auto* d = qobject_cast<QDialog*>(c))
            order << d->objectName();
    EXPECT_EQ(order, (QStringList{"OpenForm", "ReloadForm", "SaveForm", "AboutForm", "ProcessForm", "VolumeForm",
                                  "NormalizeForm"}));
    QPointer<QDialog> open = form->findChild<QDialog*>("OpenForm");
    form.reset();
    EXPECT_TRUE(open.isNull());
}

TEST_F(MainFormTest, PopupMenuHoldsTheMarkerCommands)
{
    auto form = make();
    QStringList names;
    for (QAction* a : form->PopupMenu1->actions())
        names << a->objectName();
    EXPECT_EQ(names, (QStringList{"MPopSetStart", "MPopSetFinish", "MPopPlayFromHere", "MPopSelectAll"}));
}

TEST_F(MainFormTest, ExitClosesTheWindow)
{
    auto form = make();
    form->show();
    QApplication::processEvents();
    form->MExit->trigger();
    EXPECT_FALSE(form->isVisible());
}
