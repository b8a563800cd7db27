// The open command: the file dialog, the open body under OpenForm, and
// making the new document current.
#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QProgressBar>
#include <QTimer>
#include <QUrl>

#include "app/TMainForm.h"
#include "core/WorkerThread.h"
#include "document/OpenBody.h"
#include "document/SourceKind.h"
#include "ui/ModalResult.h"
#include "ui/RunModal.h"
#include "ui/TOpenForm.h"
#include "ui/TProcessForm.h"
#include "ui/TReloadForm.h"
#include "ui/TSaveForm.h"

namespace tw {

void TMainForm::ButtonOpenClick()
{
    // Only with no document: the work file is about to be replaced.
    if (loaded)
        return;
    FileDialogRequest request;
    request.mode = FileDialogMode::Open;
    request.filter = OpenDialog1.filter;
    request.filterIndex = OpenDialog1.filterIndex;
    const auto choice = fileDialog(request);
    if (!choice)
        return;
    OpenDialog1.filterIndex = choice->filterIndex;
    sourcePath = choice->path;
    OpenSourceFile();
}

void TMainForm::OpenSourceFile()
{
    if (!acceptSource(sourcePath, *this))
        return;

    WindowProgress& progress = OpenForm->progress();
    progress.setBar(0, 0);
    progress.setBar(1, 0);
    progress.clearStop();

    // The body runs here, on the UI thread, inside OpenForm's modal loop. A
    // completed body closes the window as completed, which replaces a Cancel
    // pressed during the copy or the overview; otherwise the window stays
    // until Cancel.
    bool completed = false;
    OpenCut cut;
    runModal<TOpenThread>(*OpenForm, [this, &progress, &completed, &cut] {
        progress.setWorking(true);
        const OpenResult result = runOpenBody(*this, progress, *this, cut, options_.workFileLimit);
        progress.setWorking(false);
        switch (result) {
        case OpenResult::Completed:
            completed = true;
            OpenForm->done(mrOk);
            update();
            break;
        case OpenResult::Cancelled:
            OpenForm->done(mrCancel);
            break;
        case OpenResult::Failed:
            // The window waits for Cancel, unless it was pressed meanwhile.
            if (progress.stopRequested())
                OpenForm->done(mrCancel);
            break;
        }
    });
    if (!completed)
        return;
    partOpened_ = cut.cut;
    if (cut.cut)
        show({openCutMessage(cut.keptSeconds), {}, MsgIcon::Information, MsgButtons::Ok});
    showOpenedDocument();
}

void TMainForm::abandonLongSteps()
{
    terminating_ = true;
    for (WindowProgress* progress : {&OpenForm->progress(), &ReloadForm->progress(), &ProcessForm->progress(),
                                     &SaveForm->progress()})
        progress->requestQuit();
}

void TMainForm::OpenDroppedFile(const std::string& path)
{
    if ((loaded || !sourcePath.empty()) && !CloseDocument())
        return;
    sourcePath = path;
    OpenSourceFile();
}

namespace {

// The one local file a drag carries, as the file system names it.
std::optional<std::string> droppedFile(const QMimeData* data)
{
    if (!data || !data->hasUrls() || data->urls().size() != 1 || !data->urls().first().isLocalFile())
        return std::nullopt;
    const std::string path = QFile::encodeName(data->urls().first().toLocalFile()).toStdString();
    return sourceKindOf(path) == SourceKind::Unsupported ? std::nullopt : std::optional<std::string>(path);
}

}  // namespace

void TMainForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (droppedFile(event->mimeData()))
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event)
{
    const auto path = droppedFile(event->mimeData());
    if (!path)
        return;
    event->acceptProposedAction();
    // Opened once the drop is over, not inside the drag's own loop.
    QTimer::singleShot(0, this, [this, file = *path] { OpenDroppedFile(file); });
}

void TMainForm::showOpenedDocument()
{
    finishOpen(*this);
    journal_.reset(tempDir);
    // The paint box is as wide as the strip (0 for an empty document); the
    // image only as wide as what the scroll box shows of it.
    setPaintBoxWidth(static_cast<int>(columnCount));
    MZoom10->setChecked(true);  // the group takes the others' marks away
    PaintBox1Paint();
    UpdateControls(kStopped);
}

}  // namespace tw
