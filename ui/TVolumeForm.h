// Asks for the factor of the Volume edit.
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace tw {

class TVolumeForm final : public QDialog {
    Q_OBJECT
public:
    explicit TVolumeForm(QWidget* parent);

    QLabel* Label1;
    QComboBox* ComboBox1;
    QCheckBox* CheckBoxMute;
    QFrame* Bevel1;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

    // The close box counts as Cancel.
    void reject() override;
};

}  // namespace tw
