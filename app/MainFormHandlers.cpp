// Command handlers of the main window. Most are filled in by the modules
// that own the commands; until then they do nothing.
#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QUrl>

#include "app/MainFormTexts.h"

#include "app/TMainForm.h"
#include "ui/TAboutForm.h"

namespace tw {





// Help, home page, about: the desktop opens them; nothing is reported.
void TMainForm::openAddress(const QString& address)
{
    if (options_.openAddress)
        options_.openAddress(address);
    else
        QDesktopServices::openUrl(QUrl::fromUserInput(address));
}

void TMainForm::ButtonHelpClick()
{
    // Without a help file this is the program's folder.
    openAddress(QUrl::fromLocalFile(QFile::decodeName((appDir + helpFile).c_str())).toString());
}

void TMainForm::ButtonUpdateClick()
{
    openAddress(MainFormTexts::kHomePageAddress);
}

void TMainForm::MAboutClick()
{
    AboutForm->homePage = MainFormTexts::kHomePageAddress;
    AboutForm->openAddress = [this](const QString& address) { openAddress(address); };
    AboutForm->exec();
}

// Language and settings (i18n/), banner.
void TMainForm::LoadBanner() {}

}  // namespace tw
