// Every caption and hint is set through these, so that a control's accessible
// name follows the texts the user sees (also after a language change).
#pragma once

#include <QString>

class QAbstractButton;
class QAction;
class QLabel;
class QMenu;
class QWidget;

namespace tw {

// Text without its accelerator marks ("&File" -> "File").
QString plainText(const QString& caption);

void setCaption(QAbstractButton& button, const QString& caption);  // its text; names it
void setCaption(QLabel& label, const QString& caption);          // names its buddy too
void setCaption(QAction& action, const QString& caption);
void setCaption(QMenu& menu, const QString& caption);              // its title in the menu bar
void setWindowCaption(QWidget& window, const QString& caption);
// The tool tip; names the control when it has no caption of its own.
void setHint(QWidget& widget, const QString& hint);

}  // namespace tw
