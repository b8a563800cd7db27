#include "ui/TSelectRangeForm.h"

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/Captions.h"
#include "ui/FormStyle.h"
#include "ui/ModalResult.h"

namespace tw {

namespace Texts {
constexpr auto kOk = "OK";
constexpr auto kCancel = "Cancel";
}  // namespace Texts

TSelectRangeForm::TSelectRangeForm(QWidget* parent)
    : QDialog(parent),
      Label1(new QLabel(this)),
      EditStart(new QLineEdit(this)),
      Label2(new QLabel(this)),
      EditEnd(new QLineEdit(this)),
      Label3(new QLabel(this)),
      EditLength(new QLineEdit(this)),
      Label4(new QLabel(this)),
      ComboUnit(new QComboBox(this)),
      Bevel1(new QFrame(this)),
      ButtonOk(new QPushButton(this)),
      ButtonCancel(new QPushButton(this))
{
    setObjectName("SelectRangeForm");
    setUpDialog(*this, 241, 160, true);
    setWindowCaption(*this, kCaption);
    const std::pair<QLabel*, QWidget*> rows[] = {
        {Label1, EditStart}, {Label2, EditEnd}, {Label3, EditLength}, {Label4, ComboUnit}};
    const char* names[] = {"EditStart", "EditEnd", "EditLength", "ComboUnit"};
    const char* captions[] = {kStart, kEnd, kLength, kUnit};
    for (int i = 0; i < 4; ++i) {
        rows[i].first->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        rows[i].second->setObjectName(names[i]);
        rows[i].first->setBuddy(rows[i].second);
        setCaption(*rows[i].first, captions[i]);
        placeRow(*rows[i].first, *rows[i].second, 16 + i * 28, 80, 137, 21);
    }
    ComboUnit->addItem(kUnitTime);
    ComboUnit->addItem(kUnitFrames);
    Bevel1->setObjectName("Bevel1");
    ButtonOk->setObjectName("ButtonOk");
    ButtonCancel->setObjectName("ButtonCancel");
    setCaption(*ButtonOk, Texts::kOk);
    setCaption(*ButtonCancel, Texts::kCancel);
    placeOkCancel(*this, *Bevel1, *ButtonOk, *ButtonCancel, 123);

    connect(ComboUnit, &QComboBox::currentIndexChanged, this, [this] { unitChanged(); });
    connect(EditStart, &QLineEdit::textEdited, this, [this] { edited(); });
    connect(EditEnd, &QLineEdit::textEdited, this, [this] {
        lengthLast_ = false;
        edited();
    });
    connect(EditLength, &QLineEdit::textEdited, this, [this] {
        lengthLast_ = true;
        edited();
    });
}

FrameUnit TSelectRangeForm::unit() const
{
    return ComboUnit->currentIndex() == 1 ? FrameUnit::Frames : FrameUnit::Time;
}

void TSelectRangeForm::setRange(std::uint64_t start, std::uint64_t end, std::uint32_t rate, std::uint64_t frameCount)
{
    rate_ = rate;
    frameCount_ = frameCount;
    lengthLast_ = false;
    shown_ = unit();
    showRange(start, end);
}

void TSelectRangeForm::showRange(std::uint64_t start, std::uint64_t end)
{
    EditStart->setText(QString::fromStdString(frameText(start, rate_, shown_)));
    EditEnd->setText(QString::fromStdString(frameText(end, rate_, shown_)));
    EditLength->setText(QString::fromStdString(frameText(end - start, rate_, shown_)));
    edited();
}

void TSelectRangeForm::unitChanged()
{
    // The same range in the other unit, when the fields name one.
    const auto now = range();
    shown_ = unit();
    if (now)
        showRange(now->first, now->second);
}

void TSelectRangeForm::edited()
{
    ButtonOk->setEnabled(range().has_value());
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> TSelectRangeForm::range() const
{
    const auto read = [this](const QLineEdit* edit) { return parseFrameText(edit->text().toStdString(), rate_, shown_); };
    const auto start = read(EditStart);
    const auto end = lengthLast_ ? std::optional<std::uint64_t>() : read(EditEnd);
    const auto length = lengthLast_ ? read(EditLength) : std::optional<std::uint64_t>();
    if (!start || (!end && !length))
        return std::nullopt;
    const std::uint64_t last = end ? *end : *start + *length;
    if (last < *start || last > frameCount_)
        return std::nullopt;
    return std::pair(*start, last);
}

void TSelectRangeForm::reject()
{
    done(mrCancel);
}

}  // namespace tw
