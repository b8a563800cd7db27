#include <QAbstractButton>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>

#include "MainFormFixture.h"
#include "ui/Captions.h"

using twtest::MainFormTest;

namespace {

struct Named {
    const char* name;
    const char* text;
};

}  // namespace

TEST_F(MainFormTest, ToolbarButtonsCarryCaptionGlyphAndName)
{
    auto form = make();
    const Named buttons[] = {
        {"ButtonOpen", "Open"},       {"ButtonClose", "Close"},     {"ButtonSave", "Save"},
        {"ButtonSaveAs", "Save As"},  {"ButtonDelete", "Delete"},   {"ButtonCutOut", "Cut Out"},
        {"ButtonVolume", "Volume"},   {"ButtonFadeIn", "Fade In"},  {"ButtonFadeOut", "Fade Out"},
        {"ButtonZoomIn", "Zoom In"},  {"ButtonZoomOut", "Zoom Out"}, {"ButtonHelp", "Help"},
        {"ButtonUpdate", "Update"}};
    for (const auto& [name, text] : buttons) {
        auto* b = form->findChild<QToolButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text(), text);
        EXPECT_EQ(b->accessibleName(), text);
        EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
        EXPECT_FALSE(b->icon().pixmap(24, 24).isNull()) << name;
        EXPECT_TRUE(b->autoRaise());
    }
}

TEST_F(MainFormTest, TransportButtonsAreNamedByTheirHints)
{
    auto form = make();
    const Named buttons[] = {{"CButtonPlay", "Play"},
                             {"CButtonPlayFromHere", "Play From Here"},
                             {"CButtonPause", "Pause"},
                             {"CButtonStop", "Stop"},
                             {"CButtonSetStart", "Set Start Marker"},
                             {"CButtonSetFinish", "Set Finish Marker"}};
    for (const auto& [name, hint] : buttons) {
        auto* b = form->findChild<QToolButton*>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_TRUE(b->text().isEmpty());
        EXPECT_EQ(b->toolTip(), hint);
        EXPECT_EQ(b->accessibleName(), hint);
        EXPECT_FALSE(b->icon().pixmap(16, 16).isNull()) << name;
    }
}

TEST_F(MainFormTest, MenusInOrderWithTheirCaptions)
{
    auto form = make();
    const std::pair<const char*, std::vector<Named>> menus[] = {
        {"MenuFile",
         {{"MOpen", "Open ..."},
          {"MClose", "Close"},
          {"MSave", "Save"},
          {"MSaveAs", "Save As ..."},
          {"MSaveSelection", "Save Selection As ..."},
          {"MExit", "Exit"}}},
        {"MenuEdit",
         {{"MSelectAll", "Select All"},
          {"MSelectRange", "Select Range ..."},
          {"MDelete", "Delete"},
          {"MCutOut", "Cut Out"},
          {"MVolume", "Volume"},
          {"MFadeIn", "Fade In"},
          {"MFadeOut", "Fade Out"},
          {"MUndo", "Undo"},
          {"MRedo", "Redo"},
          {"MCut", "Cut"},
          {"MCopy", "Copy"},
          {"MPaste", "Paste"},
          {"MNormalize", "Normalize"}}},
        {"MenuZoom",
         {{"MZoom10", "10 : 1"},
          {"MZoom8", "8 : 1"},
          {"MZoom6", "6 : 1"},
          {"MZoom4", "4 : 1"},
          {"MZoom2", "2 : 1"},
          {"MZoom1", "1 : 1"},
          {"MZoomFit", "Zoom to Fit"},
          {"MZoomSelection", "Zoom to Selection"}}},
        {"MenuControl",
         {{"MPlay", "Play"},
          {"MPlayFromHere", "Play From Here"},
          {"MPause", "Pause"},
          {"MStop", "Stop"},
          {"MSetStart", "Set Start Marker"},
          {"MSetFinish", "Set Finish Marker"}}},
        {"MenuHelp", {{"MHelp", "Help"}, {"MHome", "Home Page"}, {"MAbout", "About"}}}};
    QStringList barOrder;
    for (QAction* a : form->menuBar()->actions())
        if (a->menu())
            barOrder << a->menu()->objectName();
    EXPECT_EQ(barOrder,
              (QStringList{"MenuFile", "MenuEdit", "MenuEffects", "MenuZoom", "MenuControl", "MenuLanguage", "MenuHelp"}));
    for (const auto& [menuName, items] : menus) {
        auto* menu = form->findChild<QMenu*>(menuName);
        ASSERT_NE(menu, nullptr) << menuName;
        EXPECT_FALSE(menu->accessibleName().isEmpty()) << menuName;
        std::vector<std::pair<std::string, std::string>> seen;
        for (QAction* a : menu->actions())
            if (!a->isSeparator())
                seen.emplace_back(a->objectName().toStdString(), a->text().toStdString());
        std::vector<std::pair<std::string, std::string>> expected;
        for (const auto& [n, t] : items)
            expected.emplace_back(n, t);
        EXPECT_EQ(seen, expected) << menuName;
    }
    EXPECT_EQ(form->MenuFile->title(), "&File");
    EXPECT_EQ(form->MenuFile->accessibleName(), "File");
}

TEST_F(MainFormTest, EveryControlHasANameForAssistiveTools)
{
    auto form = make();
    for (const char* name :
         {"Panel1", "ScrollBox1", "PaintBox1", "CoolBar1", "PaintBox2", "PaintBox3", "CppWebBrowser1"}) {
        auto* w = form->findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name;
        EXPECT_FALSE(w->accessibleName().isEmpty()) << name;
    }
    EXPECT_NE(form->findChild<QWidget*>("ControlBar1"), nullptr);
    EXPECT_NE(form->findChild<QWidget*>("StatusBar1"), nullptr);
    EXPECT_EQ(form->CppWebBrowser1->maximumSize(), QSize(257, 65));
}

TEST(Captions, NameFollowsTheCaption)
{
    QToolButton button;
    tw::setCaption(button, "&Open");
    EXPECT_EQ(button.accessibleName(), "Open");
    tw::setCaption(button, "Öffnen");
    EXPECT_EQ(button.accessibleName(), "Öffnen");

    QToolButton glyphOnly;
    tw::setHint(glyphOnly, "Play");
    EXPECT_EQ(glyphOnly.accessibleName(), "Play");
    tw::setHint(glyphOnly, "Abspielen");
    EXPECT_EQ(glyphOnly.accessibleName(), "Abspielen");

    // A hint does not rename a button that has a caption.
    tw::setHint(button, "Opens a file");
    EXPECT_EQ(button.accessibleName(), "Öffnen");

    QWidget field;
    QLabel label;
    label.setBuddy(&field);
    tw::setCaption(label, "&Volume:");
    EXPECT_EQ(label.accessibleName(), "Volume:");
    EXPECT_EQ(field.accessibleName(), "Volume:");

    EXPECT_EQ(tw::plainText("Fish && &Chips"), "Fish & Chips");
}
