// Fits a dialog's labels to their texts once its texts and font are set.
#pragma once

class QDialog;

namespace tw {

// Each label takes its text's size at its place. A label that would reach
// the control to its right on its row (a bar, a list, a link) moves that
// control right, together with the controls made in line with it, and the
// dialog widens to keep its right margin: its bevels widen with it, its push
// buttons keep their place from the middle. Where every text fits,
// everything stands where it was made. Starts from the layout the dialog had
// at the first call each time, so it may be called again after a change.
void fitLabels(QDialog& dialog);

}  // namespace tw
