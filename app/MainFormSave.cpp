// Save, Save As and Save Selection As: the name, the overwrite question and
// the export under SaveForm. The document counts as saved, and takes the new
// name, only when the export of all of it completed.
#include <QAction>
#include <QProgressBar>

#include <sys/stat.h>

#include <cctype>

#include "app/MainFormTexts.h"
#include "app/TMainForm.h"
#include "core/WorkerThread.h"
#include "document/SourceKind.h"
#include "edit/Clipboard.h"
#include "export/ExportBody.h"
#include "export/WavToWma.h"
#include "ui/ModalResult.h"
#include "ui/RunModal.h"
#include "ui/TSaveForm.h"
#include "wav/File.h"

namespace tw {

namespace {

// The name with an extension the filter entry asks for, appended (never
// replacing) when it has none of ".wav", ".mp3", ".wma".
std::string completedName(const std::string& name, int filterIndex, const std::string& sourcePath)
{
    if (sourceKindOf(name) != SourceKind::Unsupported)
        return name;
    switch (filterIndex) {
    case 2: return name + ".wav";
    case 3: return name + ".mp3";
    case 4: return name + ".wma";
    default: {
        const auto slash = sourcePath.find_last_of('/');
        const auto dot = sourcePath.rfind('.');
        const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
        return name + (hasExtension ? sourcePath.substr(dot) : std::string());
    }
    }
}

// Both names lead to one existing file (through links, or written differently).
bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

}  // namespace

bool TMainForm::exportTo(const std::string& target, const char* caption, const EditRange* part)
{
    BASS_StreamFree(stream);
    SaveForm->setWindowTitle(caption);
    WindowProgress& progress = SaveForm->progress();
    progress.setBar(0, 0);
    progress.clearStop();
    const std::string moduleDir = paths.moduleDir.empty() ? appDir : paths.moduleDir;
    const ExportLibraries libraries{options_.lameLibrary,
                                    options_.wmaWriter.empty() ? moduleDir + kWmaModule : options_.wmaWriter};
    ExportResult result = ExportResult::NotStarted;
    runModal<TSaveThread>(*SaveForm, [this, &target, &progress, &libraries, &result, part] {
        progress.setWorking(true);
        result = part ? runExportPart(*this, part->start, part->bytes(), target, progress, *this, libraries)
                      : runExportBody(*this, target, progress, *this, libraries);
        progress.setWorking(false);
        // A body that could not start leaves the window to Cancel, unless it
        // was pressed meanwhile.
        if (result != ExportResult::NotStarted)
            SaveForm->done(mrOk);
        else if (progress.stopRequested())
            SaveForm->done(mrAbort);
        update();
    });
    stream = BASS_StreamCreateFile(FALSE, workPath.c_str(), 0, 0, 0);
    return result == ExportResult::Completed;
}

bool TMainForm::SaveDocument()
{
    if (!loaded)
        return false;
    // A part of a file, or a recording, has no file of its own to go back to.
    if (partOpened_ || sourcePath.empty())
        return SaveDocumentAs();
    if (BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED)
        CButtonStopClick();
    const bool saved = exportTo(sourcePath, MainFormTexts::kSaveCaption);
    if (saved) {
        modified = false;
        journal_.markSaved();
    }
    UpdateControls(playState);
    return saved;
}

void TMainForm::ButtonSaveClick()
{
    SaveDocument();
}

void TMainForm::ButtonSaveAsClick()
{
    SaveDocumentAs();
}

std::optional<std::string> TMainForm::chooseSaveTarget(bool remember)
{
    namespace T = MainFormTexts;
    FileDialogRequest request;
    request.mode = FileDialogMode::Save;
    request.filter = SaveDialog1.filter;
    request.filterIndex = SaveDialog1.filterIndex;
    request.fileName = SaveDialog1.fileName;
    for (;;) {
        const auto choice = fileDialog(request);
        if (!choice)
            return std::nullopt;
        std::string target = completedName(choice->path, choice->filterIndex, sourcePath);
        request.filterIndex = choice->filterIndex;
        request.fileName = target;
        if (remember) {
            SaveDialog1.filterIndex = choice->filterIndex;
            SaveDialog1.fileName = target;  // proposed by the next Save As
        }
        if (!fileExists(target))
            return target;
        const MsgResult answer = show({T::kOverwritePrompt, T::kOverwriteCaption, MsgIcon::Question,
                                       MsgButtons::YesNoCancel});
        if (answer == MsgResult::Yes)
            return target;
        if (answer != MsgResult::No)
            return std::nullopt;
    }
}

bool TMainForm::SaveDocumentAs()
{
    namespace T = MainFormTexts;
    if (!loaded)
        return false;
    if (BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED)
        CButtonStopClick();
    const auto chosen = chooseSaveTarget(true);
    if (!chosen)
        return false;
    const std::string& target = *chosen;
    const bool saved = exportTo(target, T::kSaveAsCaption);
    if (saved) {
        sourcePath = target;
        modified = false;
        journal_.markSaved();
        partOpened_ = false;  // the new file holds the whole document
    }
    UpdateControls(playState);
    return saved;
}

bool TMainForm::SaveSelectionAs()
{
    namespace T = MainFormTexts;
    const EditRange range = copyRange(*this);
    if (!loaded || range.bytes() == 0)
        return false;
    if (BASS_ChannelIsActive(stream) != BASS_ACTIVE_STOPPED)
        CButtonStopClick();
    const auto target = chooseSaveTarget(false);
    if (!target)
        return false;
    // The document's own file would then hold only a part of it, while the
    // document still counted as saved there.
    if (sameFile(*target, sourcePath)) {
        show({T::kSelectionOntoSource, T::kOverwriteCaption, MsgIcon::Information, MsgButtons::Ok});
        return false;
    }
    const bool saved = exportTo(*target, T::kSaveSelectionCaption, &range);
    UpdateControls(playState);
    return saved;
}

void TMainForm::MSaveSelectionClick()
{
    SaveSelectionAs();
}

}  // namespace tw
