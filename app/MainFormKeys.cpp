// The keyboard: standard keys on the menu items, and keys for the transport,
// the cursor and the zoom that run the commands of their buttons.
#include <QAction>
#include <QKeySequence>
#include <QShortcut>
#include <QToolButton>

#include "app/TMainForm.h"
#include "core/ControlTable.h"

namespace tw {

void TMainForm::moveCursorToColumn(std::uint32_t column)
{
    if (!loaded || stream == 0)
        return;
    BASS_ChannelSetPosition(stream, columnFirstFrame(column, streamLength, columnCount, DocumentState::frameSize), BASS_POS_BYTE);
    UpdateControls(playState);
    PaintBox1Paint();
}

void TMainForm::connectKeys()
{
    // A disabled item ignores its key.
    MOpen->setShortcut(QKeySequence::Open);
    MRecord->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    MClose->setShortcut(QKeySequence::Close);
    MSave->setShortcut(QKeySequence::Save);
    MSaveAs->setShortcut(QKeySequence::SaveAs);
    MExit->setShortcut(QKeySequence::Quit);
    MSelectAll->setShortcut(QKeySequence::SelectAll);
    MDelete->setShortcut(QKeySequence::Delete);
    MUndo->setShortcut(QKeySequence::Undo);
    // Every binding the platform has for these, not only the first.
    MRedo->setShortcuts(QKeySequence::Redo);
    MCut->setShortcuts(QKeySequence::Cut);
    MCopy->setShortcuts(QKeySequence::Copy);
    MPaste->setShortcuts(QKeySequence::Paste);

    auto key = [this](const QKeySequence& sequence, auto&& run) {
        auto* shortcut = new QShortcut(sequence, this);
        connect(shortcut, &QShortcut::activated, this, run);
    };
    // Space plays from the cursor, or pauses while playing.
    key(QKeySequence(Qt::Key_Space), [this] {
        if (CButtonPause->isEnabled())
            CButtonPauseClick();
        else if (CButtonPlayFromHere->isEnabled())
            CButtonPlayFromHereClick();
    });
    key(QKeySequence(Qt::Key_Home), [this] { moveCursorToColumn(0); });
    // After the last frame: a paste there appends.
    key(QKeySequence(Qt::Key_End), [this] { setCursorFrame(frameCount); });
    // The selection keys: Shift moves the finish by a column, with Alt by a frame.
    key(QKeySequence(Qt::SHIFT | Qt::Key_Left), [this] { moveFinishMarker(-1, false); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_Right), [this] { moveFinishMarker(1, false); });
    key(QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_Left), [this] { moveFinishMarker(-1, true); });
    key(QKeySequence(Qt::SHIFT | Qt::ALT | Qt::Key_Right), [this] { moveFinishMarker(1, true); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_Home), [this] { extendSelectionToStart(); });
    key(QKeySequence(Qt::SHIFT | Qt::Key_End), [this] { extendSelectionToEnd(); });
    key(QKeySequence(Qt::Key_Escape), [this] { cancelDrag(); });
    key(QKeySequence::ZoomIn, [this] {
        if (ButtonZoomIn->isEnabled())
            ButtonZoomInClick();
    });
    key(QKeySequence::ZoomOut, [this] {
        if (ButtonZoomOut->isEnabled())
            ButtonZoomOutClick();
    });
}

}  // namespace tw
