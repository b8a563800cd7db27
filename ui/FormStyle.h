// Shared set-up of the program's dialogs.
#pragma once

#include <QRect>

class QDialog;
class QFrame;
class QPushButton;
class QLabel;
class QWidget;

namespace tw {

// A fixed dialog of the given client size in its owner's font; without close
// box and system menu when closable is false.
void setUpDialog(QDialog& dialog, int clientWidth, int clientHeight, bool closable);
// Places a child at a fixed rectangle of its parent's client area.
void place(QWidget& widget, int left, int top, int width = -1, int height = -1);
// A label at x 16, centred on the row, and the control it names at (left,
// top); fitLabels moves the control when the label's text reaches it.
void placeRow(QLabel& label, QWidget& control, int top, int left, int width, int height);

// The bevel line across a 241-pixel dialog at y, and below it OK (the
// default) and Cancel, which close the dialog with their results.
void placeOkCancel(QDialog& dialog, QFrame& bevel, QPushButton& ok, QPushButton& cancel, int y);

}  // namespace tw
