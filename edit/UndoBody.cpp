#include "edit/UndoBody.h"

#include <tuple>
#include <utility>

#include "document/Overview.h"
#include "document/ReloadBody.h"

namespace tw {

bool runUndoBody(DocumentState& doc, UndoJournal& journal, Progress& progress, Messenger& messages)
{
    if (!journal.canUndo())
        return false;
    File work = File::openReadWrite(doc.workPath);
    if (!work) {
        messages.inform(kMsgCannotOpenTemp);
        return false;
    }
    const bool undone = journal.undo(work, doc, progress);
    if (!undone)
        messages.inform(kMsgCannotWriteTemp);
    doc.modified = !journal.atSaved();
    work.seek(doc.dataOffset);
    rebuildViewOverview(work, doc, progress, {1, ColumnPercent::Fraction});
    return undone;
}

EditResult runRedoBody(DocumentState& doc, UndoJournal& journal, Progress& progress, Messenger& messages)
{
    if (!journal.canRedo())
        return EditResult::NotOpened;
    const auto keepView = [&doc, selStart = doc.selStart, selFinish = doc.selFinish, zoom = doc.zoom,
                           startMark = doc.startMark, finishMark = doc.finishMark] {
        // Nothing changed: the view still shows the markers and zoom of before.
        doc.selStart = selStart;
        doc.selFinish = selFinish;
        doc.zoom = zoom;
        doc.startMark = startMark;
        doc.finishMark = finishMark;
    };
    const auto redo = journal.stepToRedo(doc);
    if (!redo) {
        messages.inform(kMsgCannotWriteJournal);
        keepView();
        return EditResult::JournalFailed;
    }
    const EditPass& pass = *redo;
    File work;
    if (pass.footprint != Footprint::Unchanged) {
        work = File::openReadWrite(doc.workPath);
        if (!work) {
            messages.inform(kMsgCannotOpenTemp);
            journal.cancel();  // nothing ran: the step stays to redo
            keepView();
            return EditResult::NotOpened;
        }
    }
    const EditResult result = runJournaledPass(doc, pass, work, passRange(doc, pass), progress, messages, &journal);
    if (result == EditResult::RolledBack)
        keepView();
    doc.modified = !journal.atSaved() || result == EditResult::WriteFailed;
    return result;
}

}  // namespace tw
