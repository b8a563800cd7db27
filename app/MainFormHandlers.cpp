// Command handlers of the main window. Most are filled in by the modules
// that own the commands; until then they do nothing.
#include <QAction>

#include "app/TMainForm.h"
#include "ui/TAboutForm.h"

namespace tw {

// Close (document/).
void TMainForm::ButtonCloseClick() {}

// Save (export/).
void TMainForm::ButtonSaveClick() {}
void TMainForm::ButtonSaveAsClick() {}

// Edits (edit/).
void TMainForm::ButtonDeleteClick() {}
void TMainForm::ButtonCutOutClick() {}
void TMainForm::ButtonVolumeClick() {}
void TMainForm::ButtonFadeInClick() {}
void TMainForm::ButtonFadeOutClick() {}

// Transport (view/).
void TMainForm::CButtonPlayClick() {}
void TMainForm::CButtonPlayFromHereClick() {}
void TMainForm::CButtonPauseClick() {}
void TMainForm::CButtonStopClick() {}
void TMainForm::Timer1Timer() {}
void TMainForm::CreateMeters() {}

// Help, home page, about.
void TMainForm::ButtonHelpClick() {}
void TMainForm::ButtonUpdateClick() {}
void TMainForm::MAboutClick()
{
    AboutForm->exec();
}

// Language and settings (i18n/), banner.
void TMainForm::ApplyLanguage() {}
void TMainForm::ReadSettings() {}
void TMainForm::BuildLanguageMenu() {}
void TMainForm::LoadBanner() {}

}  // namespace tw
