#include "ui/TVolumeForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "ui/Captions.h"
#include "ui/FormStyle.h"
#include "ui/ModalResult.h"

namespace tw {

namespace Texts {
constexpr auto kCaption = "Volume";
constexpr auto kVolume = "Volume:";
constexpr auto kMute = "Mute";
constexpr auto kOk = "OK";
constexpr auto kCancel = "Cancel";
// Not translated; the gain comes from the position.
constexpr const char* kGains[] = {"250%", "200%", "150%", "100%", "75%", "50%", "25%"};
}  // namespace Texts

TVolumeForm::TVolumeForm(QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel(this)),
      ComboBox1(new QComboBox(this)),
      CheckBoxMute(new QCheckBox(this)),
      Bevel1(new QFrame(this)),
      ButtonOk(new QPushButton(this)),
      ButtonCancel(new QPushButton(this))
{
    setObjectName("VolumeForm");
    setUpDialog(*this, 241, 132, true);
    setWindowCaption(*this, Texts::kCaption);
    Label1->setObjectName("Label1");
    ComboBox1->setObjectName("ComboBox1");
    CheckBoxMute->setObjectName("CheckBoxMute");
    Bevel1->setObjectName("Bevel1");
    ButtonOk->setObjectName("ButtonOk");
    ButtonCancel->setObjectName("ButtonCancel");

    for (const char* gain : Texts::kGains)
        ComboBox1->addItem(gain);
    ComboBox1->setEditable(false);
    ComboBox1->setCurrentIndex(3);
    Label1->setBuddy(ComboBox1);
    setCaption(*Label1, Texts::kVolume);
    setCaption(*CheckBoxMute, Texts::kMute);
    setCaption(*ButtonOk, Texts::kOk);
    setCaption(*ButtonCancel, Texts::kCancel);

    place(*Label1, 24, 24);
    place(*ComboBox1, 80, 21, 129, 21);
    place(*CheckBoxMute, 80, 56, 129, 17);
    placeOkCancel(*this, *Bevel1, *ButtonOk, *ButtonCancel, 87);
}

void TVolumeForm::reject()
{
    done(mrCancel);
}

}  // namespace tw
