#include "ui/TAboutForm.h"

#include <QEvent>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

#include "ui/Captions.h"
#include "ui/FormStyle.h"
#include "ui/LabelFit.h"
#include "ui/ModalResult.h"

namespace tw {

namespace Texts {
constexpr auto kCaption = "About";
constexpr auto kTitle = "Tarnwick";
constexpr auto kVersion = "Version:";
constexpr auto kVersionNumber = "3.2";
constexpr auto kHomePage = "Home page:";
constexpr auto kOk = "OK";
constexpr auto kIcon = "Tarnwick icon";
// Follows the language's word for copyright.
constexpr auto kSign = "\u00A9";
constexpr auto kOwnership = "2026 The Tarnwick developers";
}  // namespace Texts

QString ownershipLine(const QString& copyrightWord)
{
    QStringList words{copyrightWord.trimmed()};
    if (!words.front().contains(QString::fromUtf8(Texts::kSign)))
        words << QString::fromUtf8(Texts::kSign);
    words << Texts::kOwnership;
    words.removeAll(QString());
    return words.join(u' ');
}

TAboutForm::TAboutForm(QWidget* parent)
    : QDialog(parent),
      Bevel1(new QFrame(this)),
      Label1(new QLabel(this)),
      Image1(new QLabel(this)),
      Label2(new QLabel(this)),
      Label3(new QLabel(this)),
      Label4(new QLabel(this)),
      Label5(new QLabel(this)),
      Label6(new QLabel(this)),
      Label7(new QLabel(this)),
      Bevel2(new QFrame(this)),
      ButtonOk(new QPushButton(this))
{
    setObjectName("AboutForm");
    setUpDialog(*this, 337, 224, true);
    setWindowCaption(*this, Texts::kCaption);
    const std::pair<QWidget*, const char*> names[] = {
        {Bevel1, "Bevel1"}, {Label1, "Label1"}, {Image1, "Image1"}, {Label2, "Label2"},
        {Label3, "Label3"}, {Label4, "Label4"}, {Label5, "Label5"}, {Label6, "Label6"},
        {Label7, "Label7"}, {Bevel2, "Bevel2"}, {ButtonOk, "ButtonOk"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(name);

    Bevel1->setFrameShape(QFrame::Box);
    Bevel1->setFrameShadow(QFrame::Sunken);
    Bevel2->setFrameShape(QFrame::HLine);
    Bevel2->setFrameShadow(QFrame::Sunken);

    QFont titleFont = font();
    titleFont.setPixelSize(13);
    titleFont.setBold(true);
    Label1->setFont(titleFont);
    Label1->setStyleSheet("color: #800000;");
    setCaption(*Label1, Texts::kTitle);
    Image1->setPixmap(QIcon(":/icons/tarnwick.svg").pixmap(64, 64));
    Image1->setAccessibleName(Texts::kIcon);
    setCaption(*Label2, Texts::kVersion);
    setCaption(*Label3, Texts::kVersionNumber);
    setCaption(*Label4, Texts::kHomePage);
    // Underlined and blue; face and size follow the window's, as the language sets them.
    QFont linkFont;
    linkFont.setUnderline(true);
    Label5->setFont(linkFont);
    QPalette linkColour = Label5->palette();
    linkColour.setColor(QPalette::WindowText, Qt::blue);
    Label5->setPalette(linkColour);
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->installEventFilter(this);
    setCaption(*ButtonOk, Texts::kOk);
    ButtonOk->setDefault(true);

    place(*Bevel1, 8, 8, 321, 161);
    place(*Label1, 24, 24, 200, 18);
    place(*Image1, 240, 32, 64, 64);
    place(*Label2, 24, 54);
    place(*Label3, 96, 54, 130, 15);
    place(*Label4, 24, 73);
    place(*Label5, 96, 73, 220, 15);
    place(*Label6, 24, 104, 290, 15);
    place(*Label7, 24, 124, 290, 15);
    place(*Bevel2, 8, 180, 321, 2);
    place(*ButtonOk, 120, 188, 75, 25);
    connect(ButtonOk, &QPushButton::clicked, this, [this] { done(mrOk); });
}

void TAboutForm::reject()
{
    done(mrCancel);
}

void TAboutForm::setVisible(bool visible)
{
    if (visible) {
        // The link shows the address without its scheme, so that it clears the icon.
        QString shown = homePage;
        shown.remove(QRegularExpression("^[a-z]+://")).remove(QRegularExpression("/$"));
        setCaption(*Label5, shown);
        Label6->setText(ownershipLine(copyrightWord));
        Label7->setText(reservedText);
        fitLabels(*this);  // before the window is placed over its owner
    }
    QDialog::setVisible(visible);
}

void TAboutForm::Label5Click()
{
    if (openAddress)
        openAddress(homePage);
}

bool TAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label5 && event->type() == QEvent::MouseButtonRelease)
        Label5Click();
    return QDialog::eventFilter(watched, event);
}

}  // namespace tw
