// Language files: the start-up step (settings, automatic choice, the
// Language menu), the menu's click, and applying a file's texts and fonts to
// the eight windows (the dialogs' labels fitted to them).
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFontDatabase>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

#include <cstdlib>
#include <sys/stat.h>

#include "app/MainFormTexts.h"
#include "app/TMainForm.h"
#include "ui/Captions.h"
#include "ui/LabelFit.h"
#include "ui/TAboutForm.h"
#include "ui/TNormalizeForm.h"
#include "ui/TOpenForm.h"
#include "ui/TProcessForm.h"
#include "ui/TReloadForm.h"
#include "ui/TSaveForm.h"
#include "ui/TSelectRangeForm.h"
#include "ui/TVolumeForm.h"

namespace tw {

namespace {

bool sameIgnoringCase(const std::string& a, const std::string& b)
{
    return QString::fromStdString(a).compare(QString::fromStdString(b), Qt::CaseInsensitive) == 0;
}

int numberOr(const std::string& text, int fallback)
{
    bool ok = false;
    const int n = QString::fromStdString(text).trimmed().toInt(&ok);
    return ok ? n : fallback;
}

// The font of a language: its face when this system has it, else a face of
// the same kind; glyphs a face lacks (Chinese, Cyrillic) come from others.
QFont languageFont(const std::string& name, int size)
{
    QFont font;
    const QString family = QString::fromStdString(name);
    if (QFontDatabase::hasFamily(family)) {
        font.setFamily(family);
    } else {
        font.setFamilies({"DejaVu Sans", "Liberation Sans"});
        font.setStretch(QFont::SemiCondensed);
    }
    font.setPointSize(size > 0 ? size : 8);
    return font;
}

}  // namespace

void TMainForm::ReadSettings()
{
    if (options_.dataPaths) {
        paths = *options_.dataPaths;
    } else {
        const char* config = std::getenv("XDG_CONFIG_HOME");
        const char* home = std::getenv("HOME");
        struct stat st {};
        const bool portable = ::stat((appDir + "TWLanguage").c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        paths = dataPaths(appDir, portable, config ? config : "", home ? home : "");
    }
    SettingsFile settings(paths.settingsFile);
    adSetting = settings.read("Ad");
    languageFile = trimmedSetting(settings.read("Language"));
    if (languageFile.empty()) {
        const std::string locale = options_.locale.empty() ? QLocale::system().name().toStdString() : options_.locale;
        languageFile = automaticLanguageFile(locale);
        settings.write("Language", languageFile);  // whether that file exists is not asked
    }
}

void TMainForm::BuildLanguageMenu()
{
    const auto files = languageFiles(paths.languageDir);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string name = IniText::load(paths.languageDir + files[i]).read("LanguageProperty", "Name", "");
        auto* item = new QAction(QString::fromStdString(name), MenuLanguage);
        item->setObjectName(QStringLiteral("MLanguage%1").arg(i));
        item->setCheckable(true);
        item->setChecked(sameIgnoringCase(files[i], languageFile));
        MenuLanguage->addAction(item);
        connect(item, &QAction::triggered, this, [this, item] { LanguageClick(item); });
    }
}

void TMainForm::LanguageClick(QAction* item)
{
    const QString caption = item->text();
    for (QAction* other : MenuLanguage->actions())
        other->setChecked(other->text() == caption);
    for (const std::string& file : languageFiles(paths.languageDir)) {
        const std::string name = IniText::load(paths.languageDir + file).read("LanguageProperty", "Name", "");
        if (QString::fromStdString(name).compare(caption, Qt::CaseInsensitive) == 0) {
            languageFile = file;
            SettingsFile(paths.settingsFile).write("Language", languageFile);
            break;
        }
    }
    ApplyLanguage();
    UpdateControls(playState);  // the status bar's words too
}

void TMainForm::ApplyLanguage()
{
    languageIni.open(paths.languageDir + languageFile);
    const auto text = [this](const char* section, const char* key) {
        return QString::fromStdString(languageIni.read(section, key, ""));
    };

    // Fonts of the eight windows.
    const QFont font = languageFont(languageIni.read("LanguageProperty", "FontName", "Tahoma"),
                                    numberOr(languageIni.read("LanguageProperty", "FontSize", "8"), 8));
    for (QWidget* window : std::initializer_list<QWidget*>{this, OpenForm, ReloadForm, SaveForm, AboutForm,
                                                           ProcessForm, VolumeForm, NormalizeForm})
        window->setFont(font);
    setToolbarFont();

    // The menus, in menu order.
    const std::pair<QMenu*, const char*> menus[] = {{MenuFile, "File"},       {MenuEdit, "Edit"},
                                                    {MenuZoom, "Zoom"},       {MenuControl, "Control"},
                                                    {MenuLanguage, "Language"}, {MenuHelp, "Help"}};
    const std::pair<QAction*, const char*> items[] = {
        {MOpen, "Open"},        {MClose, "Close"},         {MSave, "Save"},         {MSaveAs, "SaveAs"},
        {MExit, "Exit"},        {MSelectAll, "SelectAll"}, {MDelete, "Delete"},     {MCutOut, "CutOut"},
        {MVolume, "Volume"},    {MFadeIn, "FadeIn"},       {MFadeOut, "FadeOut"},   {MZoom10, "Zoom10"},
        {MZoom8, "Zoom8"},      {MZoom6, "Zoom6"},         {MZoom4, "Zoom4"},       {MZoom2, "Zoom2"},
        {MZoom1, "Zoom1"},      {MPlay, "Play"},           {MPlayFromHere, "PlayFrom"}, {MPause, "Pause"},
        {MStop, "Stop"},        {MSetStart, "SetStart"},   {MSetFinish, "SetFinish"}, {MHelp, "HelpDocument"},
        {MHome, "HomePage"},    {MAbout, "About"}};
    for (const auto& [menu, key] : menus)
        setCaption(*menu, text("Menu", key));
    for (const auto& [item, key] : items)
        setCaption(*item, text("Menu", key));
    // Later additions: a language file without them shows the English words.
    const auto later = [this](const char* section, const char* key, const char* english) {
        return QString::fromStdString(languageIni.read(section, key, english));
    };
    const std::pair<QAction*, std::pair<const char*, const char*>> laterItems[] = {
        {MUndo, {"Undo", MainFormTexts::kMUndo}},
        {MRedo, {"Redo", MainFormTexts::kMRedo}},
        {MCut, {"Cut", MainFormTexts::kMCut}},
        {MCopy, {"Copy", MainFormTexts::kMCopy}},
        {MPaste, {"Paste", MainFormTexts::kMPaste}},
        {MNormalize, {"Normalize", MainFormTexts::kMNormalize}},
        {MSaveSelection, {"SaveSelection", MainFormTexts::kMSaveSelection}},
        {MSelectRange, {"SelectRange", MainFormTexts::kMSelectRange}},
        {MZoomFit, {"ZoomFit", MainFormTexts::kMZoomFit}},
        {MZoomSelection, {"ZoomSelection", MainFormTexts::kMZoomSelection}}};
    for (const auto& [item, key] : laterItems)
        setCaption(*item, later("Menu", key.first, key.second));
    applyEffectsLanguage();
    helpFile = languageIni.read("LanguageProperty", "HelpFile", "");

    const std::pair<QToolButton*, const char*> buttons[] = {
        {ButtonOpen, "Open"},     {ButtonClose, "Close"},   {ButtonSave, "Save"},       {ButtonSaveAs, "SaveAs"},
        {ButtonDelete, "Delete"}, {ButtonCutOut, "CutOut"}, {ButtonVolume, "Volume"},   {ButtonFadeIn, "FadeIn"},
        {ButtonFadeOut, "FadeOut"}, {ButtonZoomIn, "ZoomIn"}, {ButtonZoomOut, "ZoomOut"}, {ButtonHelp, "Help"},
        {ButtonUpdate, "Update"}};
    for (const auto& [button, key] : buttons)
        setCaption(*button, text("ToolBar", key));

    // One key serves the pop-up item and the transport hint.
    setCaption(*MPopSetStart, text("Control", "SetStart"));
    setCaption(*MPopSetFinish, text("Control", "SetFinish"));
    setCaption(*MPopPlayFromHere, text("Control", "PlayFrom"));
    setCaption(*MPopSelectAll, text("Control", "SelectAll"));
    setHint(*CButtonSetStart, text("Control", "SetStart"));
    setHint(*CButtonSetFinish, text("Control", "SetFinish"));
    setHint(*CButtonPlayFromHere, text("Control", "PlayFrom"));
    setHint(*CButtonPlay, text("Control", "Play"));
    setHint(*CButtonPause, text("Control", "Pause"));
    setHint(*CButtonStop, text("Control", "Stop"));

    OpenDialog1.filter = languageIni.read("OpenDialog", "Filter", "");
    SaveDialog1.filter = languageIni.read("SaveDialog", "Filter", "");

    setWindowCaption(*AboutForm, text("AboutForm", "Caption"));
    setCaption(*AboutForm->Label2, text("AboutForm", "Version"));
    setCaption(*AboutForm->Label4, text("AboutForm", "HomePage"));
    AboutForm->copyrightWord = text("AboutForm", "Copyright");
    AboutForm->reservedText = text("AboutForm", "Reserved");
    setCaption(*AboutForm->ButtonOk, text("Common", "Ok"));
    setWindowCaption(*OpenForm, text("OpenForm", "Caption"));
    setCaption(*OpenForm->Label1, text("OpenForm", "Decoding"));
    setCaption(*OpenForm->Label2, text("OpenForm", "Loading"));
    setCaption(*OpenForm->ButtonCancel, text("Common", "Cancel"));
    setWindowCaption(*ReloadForm, text("ReloadForm", "Caption"));
    setWindowCaption(*SaveForm, text("SaveForm", "Caption"));
    setCaption(*SaveForm->ButtonCancel, text("Common", "Cancel"));
    setWindowCaption(*ProcessForm, text("ProcessForm", "Caption"));
    setCaption(*ProcessForm->Label1, text("ProcessForm", "Processing"));
    setCaption(*ProcessForm->Label2, text("ProcessForm", "Reloading"));
    setWindowCaption(*VolumeForm, text("VolumeForm", "Caption"));
    setCaption(*VolumeForm->Label1, text("VolumeForm", "Volume"));
    setCaption(*VolumeForm->CheckBoxMute, text("VolumeForm", "Mute"));
    setCaption(*VolumeForm->ButtonOk, text("Common", "Ok"));
    setCaption(*VolumeForm->ButtonCancel, text("Common", "Cancel"));
    setWindowCaption(*NormalizeForm, later("NormalizeForm", "Caption", TNormalizeForm::kCaption));
    setCaption(*NormalizeForm->Label1, later("NormalizeForm", "Level", TNormalizeForm::kLevel));
    setCaption(*NormalizeForm->ButtonOk, text("Common", "Ok"));
    setCaption(*NormalizeForm->ButtonCancel, text("Common", "Cancel"));

    for (QDialog* dialog : std::initializer_list<QDialog*>{OpenForm, ReloadForm, SaveForm, AboutForm, ProcessForm,
                                                           VolumeForm, NormalizeForm})
        fitLabels(*dialog);
}

void TMainForm::applyLanguage(TSelectRangeForm& form)
{
    const auto text = [this](const char* key, const char* english) {
        return QString::fromStdString(languageIni.read("SelectRangeForm", key, english));
    };
    using R = TSelectRangeForm;
    form.setFont(font());
    setWindowCaption(form, text("Caption", R::kCaption));
    setCaption(*form.Label1, text("Start", R::kStart));
    setCaption(*form.Label2, text("End", R::kEnd));
    setCaption(*form.Label3, text("Length", R::kLength));
    setCaption(*form.Label4, text("Unit", R::kUnit));
    form.ComboUnit->setItemText(0, text("UnitTime", R::kUnitTime));
    form.ComboUnit->setItemText(1, text("UnitFrames", R::kUnitFrames));
    setCaption(*form.ButtonOk, QString::fromStdString(languageIni.read("Common", "Ok", "")));
    setCaption(*form.ButtonCancel, QString::fromStdString(languageIni.read("Common", "Cancel", "")));
    fitLabels(form);
}

}  // namespace tw
