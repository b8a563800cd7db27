// The one place where message boxes and the open and save file dialogs are
// shown. Tests install hooks that answer instead of the user.
#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

#include "core/Messages.h"

class QWidget;

namespace tw {

enum class FileDialogMode { Open, Save };

struct FileDialogRequest {
    FileDialogMode mode = FileDialogMode::Open;
    std::string filter;       // "Text|pattern|Text|pattern|..."
    int filterIndex = 1;      // 1-based entry chosen at start
    std::string fileName;     // proposed name or path
    std::string title;        // empty: the dialog's own title
};

struct FileDialogChoice {
    std::string path;
    int filterIndex = 1;      // 1-based entry the user chose
};

// The filter entries of "Text|pattern|..." in Qt's form, one per entry: the
// text followed by the patterns in parentheses, blank-separated; a text that
// ends in its own patterns ("WAV Files(*.wav)") has them there, once. A text
// without a pattern (a trailing odd part) gets "*".
QStringList qtFilters(const std::string& filter);
// 1-based index of a Qt filter entry among qtFilters(filter); 1 when unknown.
int filterIndexOf(const std::string& filter, const QString& chosen);

class Prompter {
public:
    using MessageHook = std::function<MsgResult(const MessageRequest&)>;
    using FileHook = std::function<std::optional<FileDialogChoice>(const FileDialogRequest&)>;

    explicit Prompter(QString title) : title_(std::move(title)) {}

    // Message box with the program's title when the request names none.
    MsgResult message(const MessageRequest& request, QWidget* parent = nullptr) const;
    // Nothing when the user cancels.
    std::optional<FileDialogChoice> fileDialog(const FileDialogRequest& request, QWidget* parent = nullptr) const;

    void setMessageHook(MessageHook hook) { messageHook_ = std::move(hook); }
    void setFileHook(FileHook hook) { fileHook_ = std::move(hook); }

private:
    QString title_;
    MessageHook messageHook_;
    FileHook fileHook_;
};

}  // namespace tw
