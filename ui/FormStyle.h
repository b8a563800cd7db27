// Shared set-up of the program's dialogs.
#pragma once

#include <QRect>

class QDialog;
class QLabel;
class QWidget;

namespace tw {

// A fixed dialog of the given client size; without close box and system menu
// when closable is false.
void setUpDialog(QDialog& dialog, int clientWidth, int clientHeight, bool closable);
// Places a child at a fixed rectangle of its parent's client area.
void place(QWidget& widget, int left, int top, int width = -1, int height = -1);
// A label at (16, top + 1) and the control it names at (left, top); when the
// label's text is wider than the gap, the control gives way on its left and
// keeps its right edge.
void placeRow(QLabel& label, QWidget& control, int top, int left, int width, int height);

}  // namespace tw
