// The Record command: the close sequence, the Record window, and the
// recording made the document as an open does, new and not saved anywhere.
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>

#include "app/MainFormTexts.h"
#include "app/TMainForm.h"
#include "core/WorkerThread.h"
#include "document/OpenBody.h"
#include "core/StateFile.h"
#include "document/Recording.h"
#include "edit/Recovery.h"
#include "ui/Captions.h"
#include "ui/LabelFit.h"
#include "ui/ModalResult.h"
#include "ui/RunModal.h"
#include "ui/TOpenForm.h"
#include "ui/TRecordForm.h"

#include <ctime>

namespace tw {

void TMainForm::MRecordClick()
{
    // The input first: without one nothing changes, the document included.
    const std::string work = tempDir + kWorkFileName;
    TRecordForm form(this, *this, work, options_.record);
    applyLanguage(form);
    if (!form.openInput() || (loaded && !CloseDocument()))
        return;
    if (onRecordShown)
        onRecordShown(form);
    // What is recorded is offered back after a crash, from the work file.
    form.onStarted = [this](std::uint32_t rate, std::uint32_t channels) {
        recordingUnderWay_ = true;
        writeStateFile(tempDir, recordingStateText(rate, channels, journal_.generation(), std::time(nullptr)));
    };
    const int result = form.exec();
    // A logout ends the window while it records: what was recorded stays
    // for the next start (the form's end stops the writer).
    if (result != mrOk && terminating_ && recordingUnderWay_)
        return;
    recordingUnderWay_ = false;
    if (result != mrOk) {
        forgetRecoveryState();
        return;
    }

    WindowProgress& progress = OpenForm->progress();
    progress.setBar(0, 100);
    progress.setBar(1, 0);
    progress.clearStop();
    bool read = false;
    runModal<TOpenThread>(*OpenForm, [this, &progress, &read] {
        progress.setWorking(true);
        read = readRecording(*this, progress, *this);
        progress.setWorking(false);
        OpenForm->done(read ? mrOk : mrCancel);
    });
    if (!read) {
        forgetRecoveryState();
        removeFile(work);
        workPath.clear();
        return;
    }
    partOpened_ = false;
    showOpenedDocument();
    // New, and saved nowhere yet: Save asks for a name, proposing one in the
    // music folder.
    modified = true;
    proposeRecordingName();
    UpdateControls(kStopped);
}

void TMainForm::proposeRecordingName()
{
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty())
        music = QDir::homePath();
    SaveDialog1.fileName = QDir(music).filePath(QString::fromStdString(recordingFileName())).toStdString();
    SaveDialog1.filterIndex = 2;  // WAV
}

void TMainForm::applyLanguage(TRecordForm& form)
{
    const auto text = [this](const char* key, const char* english) {
        return QString::fromStdString(languageIni.read("RecordForm", key, english));
    };
    using R = TRecordForm;
    form.setFont(font());
    setWindowCaption(form, text("Caption", R::kCaption));
    setCaption(*form.Label1, text("Input", R::kInput));
    setCaption(*form.Label2, text("Rate", R::kRate));
    setCaption(*form.Label3, text("Channels", R::kChannels));
    form.ComboChannels->setItemText(0, text("Mono", R::kMono));
    form.ComboChannels->setItemText(1, text("Stereo", R::kStereo));
    setCaption(*form.Label4, text("Recorded", R::kRecorded));
    setCaption(*form.Label5, text("Left", R::kLeft));
    setCaption(*form.Label6, text("Overruns", R::kOverruns));
    form.SilentNote->setText(text("Silent", R::kSilent));
    setCaption(*form.ButtonRecord, text("Record", R::kRecord));
    setCaption(*form.ButtonPause, text("Pause", R::kPause));
    setCaption(*form.ButtonStop, text("Stop", R::kStop));
    setCaption(*form.ButtonCancel, QString::fromStdString(languageIni.read("Common", "Cancel", R::kCancel)));
    form.discardPrompt = text("Discard", R::kDiscardPrompt);
    fitLabels(form);
    form.widenFields();
}

}  // namespace tw
