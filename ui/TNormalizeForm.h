// Asks for the level the Normalize edit takes the range's peak to.
#pragma once

#include <QDialog>

class QComboBox;
class QFrame;
class QLabel;
class QPushButton;

namespace tw {

class TNormalizeForm final : public QDialog {
    Q_OBJECT
public:
    explicit TNormalizeForm(QWidget* parent);

    // Its own texts, shown where a language file has none.
    static constexpr auto kCaption = "Normalize";
    static constexpr auto kLevel = "Level:";

    QLabel* Label1;
    QComboBox* ComboBox1;  // one entry per kNormalizeLevels, in that order
    QFrame* Bevel1;
    QPushButton* ButtonOk;
    QPushButton* ButtonCancel;

    // The level chosen, in dB below full scale.
    double level() const;

    // The close box counts as Cancel.
    void reject() override;
};

}  // namespace tw
