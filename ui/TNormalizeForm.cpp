#include "ui/TNormalizeForm.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <iterator>

#include "edit/NormalizePass.h"
#include "ui/Captions.h"
#include "ui/FormStyle.h"
#include "ui/ModalResult.h"

namespace tw {

namespace Texts {
constexpr auto kOk = "OK";
constexpr auto kCancel = "Cancel";
}  // namespace Texts

namespace {

// "0 dB", "−0.1 dB": not translated, with a true minus sign.
QString levelText(double db)
{
    return QString::number(db).replace(QLatin1Char('-'), QChar(0x2212)) + QStringLiteral(" dB");
}

}  // namespace

TNormalizeForm::TNormalizeForm(QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel(this)),
      ComboBox1(new QComboBox(this)),
      Bevel1(new QFrame(this)),
      ButtonOk(new QPushButton(this)),
      ButtonCancel(new QPushButton(this))
{
    setObjectName("NormalizeForm");
    setUpDialog(*this, 241, 100, true);
    setWindowCaption(*this, kCaption);
    Label1->setObjectName("Label1");
    ComboBox1->setObjectName("ComboBox1");
    Bevel1->setObjectName("Bevel1");
    ButtonOk->setObjectName("ButtonOk");
    ButtonCancel->setObjectName("ButtonCancel");

    for (const double db : kNormalizeLevels)
        ComboBox1->addItem(levelText(db));
    ComboBox1->setEditable(false);
    ComboBox1->setCurrentIndex(kNormalizePreset);
    Label1->setBuddy(ComboBox1);
    setCaption(*Label1, kLevel);
    setCaption(*ButtonOk, Texts::kOk);
    setCaption(*ButtonCancel, Texts::kCancel);

    place(*Label1, 24, 24);
    place(*ComboBox1, 80, 21, 129, 21);
    placeOkCancel(*this, *Bevel1, *ButtonOk, *ButtonCancel, 55);
}

double TNormalizeForm::level() const
{
    const int i = ComboBox1->currentIndex();
    return i >= 0 && i < static_cast<int>(std::size(kNormalizeLevels)) ? kNormalizeLevels[i]
                                                                        : kNormalizeLevels[kNormalizePreset];
}

void TNormalizeForm::reject()
{
    done(mrCancel);
}

}  // namespace tw
