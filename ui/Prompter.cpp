#include "ui/Prompter.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace tw {

namespace {

// "*.wav;*.mp3" as Qt reads it: "*.wav *.mp3"; "*.*" and nothing are "*".
QString qtPatterns(QString patterns)
{
    patterns.replace(u';', u' ');
    patterns = patterns.simplified();
    return patterns.isEmpty() || patterns == u"*.*" ? QStringLiteral("*") : patterns;
}

}  // namespace

QStringList qtFilters(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split(u'|');
    QStringList entries;
    if (filter.empty())
        return entries;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString patterns = qtPatterns(i + 1 < parts.size() ? parts[i + 1] : QString());
        const QString& text = parts[i];
        // "WAV Files(*.wav)" names its patterns already: they stand there once.
        const qsizetype open = text.lastIndexOf(u'(');
        if (open >= 0 && text.endsWith(u')') && qtPatterns(text.mid(open + 1, text.size() - open - 2)) == patterns)
            entries << text.left(open + 1) + patterns + u')';
        else
            entries << text + QStringLiteral(" (") + patterns + u')';
    }
    return entries;
}

int filterIndexOf(const std::string& filter, const QString& chosen)
{
    const qsizetype i = qtFilters(filter).indexOf(chosen);
    return i < 0 ? 1 : static_cast<int>(i) + 1;
}

MsgResult Prompter::message(const MessageRequest& request, QWidget* parent) const
{
    if (messageHook_)
        return messageHook_(request);

    QMessageBox box(parent);
    box.setWindowTitle(request.caption.empty() ? title_ : QString::fromStdString(request.caption));
    box.setText(QString::fromStdString(request.text));
    switch (request.icon) {
    case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
    case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
    case MsgIcon::Warning: box.setIcon(QMessageBox::Warning); break;
    case MsgIcon::Error: box.setIcon(QMessageBox::Critical); break;
    case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
    }
    switch (request.buttons) {
    case MsgButtons::Ok: box.setStandardButtons(QMessageBox::Ok); break;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoLater: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    case MsgButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    if (!request.yesText.empty() && box.button(QMessageBox::Yes))
        box.button(QMessageBox::Yes)->setText(QString::fromStdString(request.yesText));
    if (!request.noText.empty() && box.button(QMessageBox::No))
        box.button(QMessageBox::No)->setText(QString::fromStdString(request.noText));
    if (request.buttons == MsgButtons::YesNoLater) {
        // Escape answers neither: a hidden Cancel takes it.
        QAbstractButton* later = box.addButton(QMessageBox::Cancel);
        later->hide();
        box.setEscapeButton(later);
    }
    switch (box.exec()) {
    case QMessageBox::Yes: return MsgResult::Yes;
    case QMessageBox::No: return MsgResult::No;
    case QMessageBox::Cancel: return MsgResult::Cancel;
    default:
        // Escape or the close box on a Yes/No box counts as No there.
        return request.buttons == MsgButtons::Ok ? MsgResult::Ok
               : request.buttons == MsgButtons::YesNo ? MsgResult::No
                                                       : MsgResult::Cancel;
    }
}

std::optional<FileDialogChoice> Prompter::fileDialog(const FileDialogRequest& request, QWidget* parent) const
{
    if (fileHook_)
        return fileHook_(request);

    const QStringList filters = qtFilters(request.filter);
    QFileDialog dialog(parent);
    if (!request.title.empty())
        dialog.setWindowTitle(QString::fromStdString(request.title));
    const bool save = request.mode == FileDialogMode::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // Save As asks about an existing file itself, once the name is completed.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, save);
    if (!filters.isEmpty()) {
        dialog.setNameFilters(filters);
        const int index = request.filterIndex >= 1 && request.filterIndex <= filters.size() ? request.filterIndex : 1;
        dialog.selectNameFilter(filters[index - 1]);
    }
    if (!request.fileName.empty())
        dialog.selectFile(QString::fromStdString(request.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return FileDialogChoice{dialog.selectedFiles().first().toStdString(),
                            filterIndexOf(request.filter, dialog.selectedNameFilter())};
}

}  // namespace tw
