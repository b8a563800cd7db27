#include "app/Application.h"

#include <QMessageBox>

#include <exception>

namespace tw {

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        report(e.what());
    } catch (...) {
        report({});
    }
    return false;
}

void Application::report(const std::string& message) const
{
    if (showException)
        showException(message);
    else
        QMessageBox::critical(nullptr, applicationName(), QString::fromStdString(message));
}

}  // namespace tw
