#include "ui/TOpenForm.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "ui/Captions.h"
#include "ui/FormStyle.h"
#include "ui/ModalResult.h"

namespace tw {

namespace Texts {
constexpr auto kCaption = "Open File";
constexpr auto kDecoding = "Decoding:";
constexpr auto kLoading = "Loading:";
constexpr auto kCancel = "Cancel";
}  // namespace Texts

TOpenForm::TOpenForm(QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel(this)),
      ProgressBar1(new QProgressBar(this)),
      Label2(new QLabel(this)),
      ProgressBar2(new QProgressBar(this)),
      ButtonCancel(new QPushButton(this)),
      progress_(ProgressBar1, ProgressBar2)
{
    setObjectName("OpenForm");
    setUpDialog(*this, 354, 124, false);
    setWindowCaption(*this, Texts::kCaption);
    Label1->setObjectName("Label1");
    Label2->setObjectName("Label2");
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar2->setObjectName("ProgressBar2");
    ButtonCancel->setObjectName("ButtonCancel");
    Label1->setBuddy(ProgressBar1);
    Label2->setBuddy(ProgressBar2);
    setCaption(*Label1, Texts::kDecoding);
    setCaption(*Label2, Texts::kLoading);
    setCaption(*ButtonCancel, Texts::kCancel);
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
    }
    placeRow(*Label1, *ProgressBar1, 16, 77, 267, 17);
    placeRow(*Label2, *ProgressBar2, 48, 77, 267, 17);
    place(*ButtonCancel, 139, 86, 75, 25);
    connect(ButtonCancel, &QPushButton::clicked, this, &TOpenForm::ButtonCancelClick);
}

void TOpenForm::ButtonCancelClick()
{
    progress_.requestStop();
    if (!progress_.working())
        done(mrCancel);
}

}  // namespace tw
