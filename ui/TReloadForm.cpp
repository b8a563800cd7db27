#include "ui/TReloadForm.h"

#include <QProgressBar>

#include "ui/Captions.h"
#include "ui/FormStyle.h"

namespace tw {

namespace Texts {
constexpr auto kCaption = "Reload File";
}

TReloadForm::TReloadForm(QWidget* parent)
    : QDialog(parent), ProgressBar1(new QProgressBar(this)), progress_(ProgressBar1)
{
    setObjectName("ReloadForm");
    setUpDialog(*this, 315, 55, false);
    setWindowCaption(*this, Texts::kCaption);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(Texts::kCaption);
    place(*ProgressBar1, 24, 19, 267, 17);
}

}  // namespace tw
