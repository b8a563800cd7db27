// The application object: an exception that escapes an event handler is
// shown in a message box and the program goes on.
#pragma once

#include <QApplication>

#include <functional>
#include <string>

namespace tw {

class Application final : public QApplication {
    Q_OBJECT
public:
    using QApplication::QApplication;

    // Shows an exception's message (empty for objects that are no exception).
    std::function<void(const std::string&)> showException;

    bool notify(QObject* receiver, QEvent* event) override;
    void report(const std::string& message) const;
};

}  // namespace tw
