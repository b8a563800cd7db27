#include "ui/TSaveForm.h"

#include <QProgressBar>
#include <QPushButton>

#include "ui/Captions.h"
#include "ui/FormStyle.h"
#include "ui/ModalResult.h"

namespace tw {

namespace Texts {
constexpr auto kCaption = "Save File";
constexpr auto kCancel = "Cancel";
constexpr auto kProgress = "Progress";
}  // namespace Texts

TSaveForm::TSaveForm(QWidget* parent)
    : QDialog(parent),
      ProgressBar1(new QProgressBar(this)),
      ButtonCancel(new QPushButton(this)),
      progress_(ProgressBar1)
{
    setObjectName("SaveForm");
    setUpDialog(*this, 315, 93, false);
    setWindowCaption(*this, Texts::kCaption);
    ProgressBar1->setObjectName("ProgressBar1");
    ButtonCancel->setObjectName("ButtonCancel");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(Texts::kProgress);
    setCaption(*ButtonCancel, Texts::kCancel);
    place(*ProgressBar1, 24, 20, 267, 17);
    place(*ButtonCancel, 120, 54, 75, 25);
    connect(ButtonCancel, &QPushButton::clicked, this, &TSaveForm::ButtonCancelClick);
}

void TSaveForm::ButtonCancelClick()
{
    progress_.requestStop();
    if (!progress_.working())
        done(mrAbort);
}

}  // namespace tw
