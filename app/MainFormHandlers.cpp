// Command handlers of the main window. Most are filled in by the modules
// that own the commands; until then they do nothing.
#include <QAction>

#include "app/TMainForm.h"
#include "ui/TAboutForm.h"

namespace tw {





// Help, home page, about.
void TMainForm::ButtonHelpClick() {}
void TMainForm::ButtonUpdateClick() {}
void TMainForm::MAboutClick()
{
    AboutForm->exec();
}

// Language and settings (i18n/), banner.
void TMainForm::LoadBanner() {}

}  // namespace tw
