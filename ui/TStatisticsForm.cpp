#include "ui/TStatisticsForm.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ui/Captions.h"
#include "ui/FormStyle.h"
#include "ui/ModalResult.h"

namespace tw {

TStatisticsForm::TStatisticsForm(QWidget* parent)
    : QDialog(parent), Memo1(new QPlainTextEdit(this)), ButtonCopy(new QPushButton(this)), ButtonClose(new QPushButton(this))
{
    setObjectName("StatisticsForm");
    setUpDialog(*this, 421, 321, true);
    setWindowCaption(*this, kCaption);
    Memo1->setObjectName("Memo1");
    ButtonCopy->setObjectName("ButtonCopy");
    ButtonClose->setObjectName("ButtonClose");
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    setCaption(*ButtonCopy, kCopy);
    setCaption(*ButtonClose, kClose);
    ButtonClose->setDefault(true);
    place(*Memo1, 8, 8, 405, 265);
    place(*ButtonCopy, 8, 285, 75, 25);
    place(*ButtonClose, 338, 285, 75, 25);
    connect(ButtonCopy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(Memo1->toPlainText()); });
    connect(ButtonClose, &QPushButton::clicked, this, [this] { done(mrOk); });
}

void TStatisticsForm::setText(const QString& text)
{
    Memo1->setPlainText(text);
}

}  // namespace tw
