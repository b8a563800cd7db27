#include "ui/TEffectForm.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "ui/Captions.h"
#include "ui/FormStyle.h"
#include "ui/ModalResult.h"

namespace tw {

namespace {
constexpr auto kOk = "OK";
constexpr auto kCancel = "Cancel";
constexpr int kWidth = 241;
constexpr int kRow = 32;
}  // namespace

TEffectForm::TEffectForm(QWidget* parent, const Effect& effect)
    : QDialog(parent),
      Bevel1(new QFrame(this)),
      ButtonOk(new QPushButton(this)),
      ButtonCancel(new QPushButton(this)),
      effect_(effect)
{
    setObjectName("EffectForm");
    setWindowCaption(*this, QString::fromUtf8(effect.name).remove(QStringLiteral("...")).trimmed());
    Bevel1->setObjectName("Bevel1");
    ButtonOk->setObjectName("ButtonOk");
    ButtonCancel->setObjectName("ButtonCancel");
    for (std::size_t i = 0; i < effect.params.size(); ++i) {
        const EffectParam& p = effect.params[i];
        auto* label = new QLabel(this);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        QWidget* field = nullptr;
        if (!p.choices.empty()) {
            auto* list = new QComboBox(this);
            for (const EffectChoice& c : p.choices)
                list->addItem(QString::fromUtf8(c.text), c.value);
            list->setEditable(false);
            field = list;
        } else {
            auto* spin = new QDoubleSpinBox(this);
            spin->setDecimals(p.decimals);
            spin->setRange(p.minimum, p.maximum);
            spin->setSingleStep(p.step);
            if (*p.unit)
                spin->setSuffix(QStringLiteral(" ") + QString::fromUtf8(p.unit));
            spin->setKeyboardTracking(false);
            field = spin;
        }
        field->setObjectName(QStringLiteral("Field%1").arg(i + 1));
        label->setBuddy(field);
        setCaption(*label, QString::fromUtf8(p.name));
        Labels.push_back(label);
        Fields.push_back(field);
    }
    std::vector<double> presets;
    for (const EffectParam& p : effect.params)
        presets.push_back(p.preset);
    setValues(presets);
    setCaption(*ButtonOk, kOk);
    setCaption(*ButtonCancel, kCancel);
    setUpDialog(*this, kWidth, 100, true);
    placeOkCancel(*this, *Bevel1, *ButtonOk, *ButtonCancel, 55);
    layOut();
}

void TEffectForm::layOut()
{
    // The rows once; what lies below them again for each added button, so
    // that labels fitted to a language keep their places.
    const int rows = static_cast<int>(Labels.size());
    if (extra_.empty())
        for (int i = 0; i < rows; ++i) {
            place(*Labels[static_cast<std::size_t>(i)], 24, 24 + i * kRow);
            place(*Fields[static_cast<std::size_t>(i)], 80, 21 + i * kRow, 129, 21);
        }
    int y = 55 + std::max(rows - 1, 0) * kRow;
    int wide = kWidth;  // the row of extra buttons may need more
    if (!extra_.empty()) {
        int x = 24;
        for (QPushButton* b : extra_) {
            place(*b, x, y - 8, 75, 25);
            wide = std::max(wide, x + 75 + 24);
            x += 110;
        }
        y += kRow + 4;
    }
    wide = std::max(width(), wide);
    place(*Bevel1, 8, y, wide - 16, 2);
    place(*ButtonOk, 24, y + 9, 75, 25);
    place(*ButtonCancel, 134, y + 9, 75, 25);
    setFixedSize(wide, y + 45);
}

std::vector<double> TEffectForm::values() const
{
    std::vector<double> v;
    for (QWidget* field : Fields) {
        if (auto* spin = qobject_cast<QDoubleSpinBox*>(field))
            v.push_back(spin->value());
        else if (auto* list = qobject_cast<QComboBox*>(field))
            v.push_back(list->currentData().toDouble());
    }
    return v;
}

void TEffectForm::setValues(const std::vector<double>& values)
{
    for (std::size_t i = 0; i < Fields.size() && i < values.size(); ++i) {
        if (auto* spin = qobject_cast<QDoubleSpinBox*>(Fields[i]))
            spin->setValue(values[i]);
        else if (auto* list = qobject_cast<QComboBox*>(Fields[i]))
            list->setCurrentIndex(std::max(list->findData(values[i]), 0));
    }
}

QPushButton* TEffectForm::addButton(const QString& caption, const char* objectName)
{
    auto* button = new QPushButton(this);
    button->setObjectName(objectName);
    setCaption(*button, caption);
    extra_.push_back(button);
    layOut();
    return button;
}

void TEffectForm::reject()
{
    done(mrCancel);
}

}  // namespace tw
