// Command handlers of the main window. Most are filled in by the modules
// that own the commands; until then they do nothing.
#include <QAction>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QUrl>

#include <utility>

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
    const std::string base = paths.dataDir.empty() ? appDir : paths.dataDir;
    openAddress(QUrl::fromLocalFile(QFile::decodeName((base + helpFile).c_str())).toString());
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
void TMainForm::LoadBanner()
{
    if (adSetting == "0") {
        // Switched off: hidden, and out of the panel's height.
        CppWebBrowser1->setVisible(false);
        CppWebBrowser1->move(CppWebBrowser1->x(), Panel1->y() + 100);
        return;
    }
    CppWebBrowser1->setVisible(true);
    adMoviePath = tempDir + "_TarnwickAd.gif";
    QFile::remove(QFile::decodeName(adMoviePath.c_str()));
    if (!QFile::copy(":/banner.gif", QFile::decodeName(adMoviePath.c_str())))
        return;  // no banner, nothing else missing
    auto* movie = new QMovie(QFile::decodeName(adMoviePath.c_str()), QByteArray(), CppWebBrowser1);
    CppWebBrowser1->setMovie(movie);
    movie->start();
}

bool TMainForm::bannerTakes(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (!CppWebBrowser1->isVisible())
        return false;
    // Strictly inside the banner's rectangle, in the main window's coordinates.
    const QPoint at = mapFromGlobal(mouse->globalPosition().toPoint());
    const QRect banner(CppWebBrowser1->mapTo(this, QPoint(0, 0)), CppWebBrowser1->size());
    const bool inside = at.x() > banner.left() && at.x() < banner.left() + banner.width() && at.y() > banner.top() &&
                        at.y() < banner.top() + banner.height();
    if (mouse->button() == Qt::RightButton)
        return inside && event->type() == QEvent::MouseButtonPress;  // no menu over the banner
    if (watched != CppWebBrowser1 || mouse->button() != Qt::LeftButton)
        return false;
    // A click on it (pressed and released inside) opens the home page.
    if (event->type() == QEvent::MouseButtonPress) {
        bannerPressed_ = inside;
    } else if (std::exchange(bannerPressed_, false) && inside) {
        ButtonUpdateClick();
    }
    return false;
}

}  // namespace tw
