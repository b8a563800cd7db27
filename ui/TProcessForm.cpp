#include "ui/TProcessForm.h"

#include <QLabel>
#include <QProgressBar>

#include "ui/Captions.h"
#include "ui/FormStyle.h"

namespace tw {

namespace Texts {
constexpr auto kCaption = "Process";
constexpr auto kProcessing = "Processing:";
constexpr auto kReloading = "Reloading:";
}  // namespace Texts

TProcessForm::TProcessForm(QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel(this)),
      ProgressBar1(new QProgressBar(this)),
      Label2(new QLabel(this)),
      ProgressBar2(new QProgressBar(this)),
      progress_(ProgressBar1, ProgressBar2)
{
    setObjectName("ProcessForm");
    setUpDialog(*this, 354, 85, false);
    setWindowCaption(*this, Texts::kCaption);
    Label1->setObjectName("Label1");
    Label2->setObjectName("Label2");
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar2->setObjectName("ProgressBar2");
    for (QProgressBar* bar : {ProgressBar1, ProgressBar2}) {
        bar->setRange(0, 100);
        bar->setValue(0);
        bar->setTextVisible(false);
    }
    Label1->setBuddy(ProgressBar1);
    Label2->setBuddy(ProgressBar2);
    setCaption(*Label1, Texts::kProcessing);
    setCaption(*Label2, Texts::kReloading);
    placeRow(*Label1, *ProgressBar1, 16, 77, 260, 17);
    placeRow(*Label2, *ProgressBar2, 48, 77, 260, 17);
}

}  // namespace tw
