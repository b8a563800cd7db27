// The one parameter dialog of the effects: a row per parameter of the
// table's entry (a label and a spin box with its unit, range, step and
// preset, or a list for a parameter of choices), then OK and Cancel. Made for
// each question. Buttons added with addButton stand in a row above OK and
// Cancel.
#pragma once

#include <QDialog>

#include <vector>

#include "edit/Effects.h"

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace tw {

class TEffectForm final : public QDialog {
    Q_OBJECT
public:
    TEffectForm(QWidget* parent, const Effect& effect);

    const Effect& effect() const { return effect_; }

    std::vector<QLabel*> Labels;   // one per parameter, in the table's order
    std::vector<QWidget*> Fields;  // a QDoubleSpinBox, or a QComboBox for choices
    QFrame* Bevel1;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

    // The values shown, one per parameter.
    std::vector<double> values() const;
    void setValues(const std::vector<double>& values);
    // A button in the row above OK and Cancel (Preview); the dialog grows
    // by the row; the parameter rows keep their places (also once fitted to
    // a language).
    QPushButton* addButton(const QString& caption, const char* objectName);

    // The close box counts as Cancel.
    void reject() override;

private:
    void layOut();

    const Effect& effect_;
    std::vector<QPushButton*> extra_;
};

}  // namespace tw
