// Work that outlives the run: after every step the state file in the private
// folder, at the start the question about documents that runs which died (or
// were ended by a logout) left with unsaved changes, and on a logout the
// folder kept.
#include <QDateTime>

#include <unistd.h>

#include <cstdio>
#include <ctime>

#include "app/MainFormTexts.h"
#include "app/TMainForm.h"
#include "core/StateFile.h"
#include "core/WorkerThread.h"
#include "edit/EditBody.h"
#include "edit/Recovery.h"
#include "ui/TProcessForm.h"

namespace tw {

namespace {

std::string replaced(std::string text, const std::string& mark, const std::string& by)
{
    if (const auto at = text.find(mark); at != std::string::npos)
        text.replace(at, mark.size(), by);
    return text;
}

std::string lengthText(std::uint64_t frames, std::uint32_t rate)
{
    const std::uint64_t seconds = rate == 0 ? 0 : frames / rate;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02llu:%02llu:%02llu", static_cast<unsigned long long>(seconds / 3600),
                  static_cast<unsigned long long>(seconds / 60 % 60), static_cast<unsigned long long>(seconds % 60));
    return buffer;
}

}  // namespace

void TMainForm::setUpRecovery()
{
    stepLog_ = std::make_unique<StepLog>(tempDir);
    stepLog = stepLog_.get();
    journal_.setStepLog(stepLog_.get());
    journal_.setBeforeStep([this] { writeRecoveryState(); });
}

void TMainForm::writeRecoveryState()
{
    if (!stepLog_ || journal_.stepUnderWay() || recordingUnderWay_)
        return;
    if (!loaded || workPath.empty()) {
        forgetRecoveryState();
        return;
    }
    const DocumentNames names{SaveDialog1.fileName, partOpened_};
    std::string text = documentStateText(*this, journal_, names, 0);
    if (text == lastState_)
        return;
    if (writeStateFile(tempDir, documentStateText(*this, journal_, names, std::time(nullptr))))
        lastState_ = std::move(text);
}

void TMainForm::forgetRecoveryState()
{
    if (tempDir.empty())
        return;
    removeFile(tempDir + kStateFileName);
    lastState_.clear();
}

bool TMainForm::offerLeftDocuments()
{
    namespace T = MainFormTexts;
    if (leftDocumentsAsked_)
        return false;
    leftDocumentsAsked_ = true;
    const auto text = [this](const char* key, const char* english) {
        return languageIni.read("Recovery", key, english);
    };
    for (const std::string& folder : unsavedLeftoverDirs(options_.tempBase.empty() ? userTempBase() : options_.tempBase)) {
        if (folder == tempDir)
            continue;
        const FolderLock lock(folder);
        const auto left = lock.held() ? leftDocument(folder) : std::nullopt;
        if (!left)
            continue;
        const std::string name = left->sourcePath.empty() ? text("Untitled", T::kUntitled)
                                                           : QString::fromLocal8Bit(left->sourcePath.c_str()).toStdString();
        const std::string when = QDateTime::fromSecsSinceEpoch(left->time).toString("yyyy-MM-dd hh:mm:ss").toStdString();
        const std::string question = text("Intro", T::kRecoverIntro) + "\n\n" + name + "\n" +
                                     text("Changed", T::kRecoverChanged) + " " + when + "\n" +
                                     text("Length", T::kRecoverLength) + " " +
                                     lengthText(left->frames, left->sampleRate) + "\n\n" + text("Ask", T::kRecoverAsk);
        const MsgResult answer = show({question, {}, MsgIcon::Question, MsgButtons::YesNoLater,
                                       text("Recover", T::kRecover), text("Discard", T::kDiscard)});
        if (answer == MsgResult::Yes) {
            if (recoverLeftDocument(folder)) {
                // The recovered state is written in this run's folder first.
                removeTempDir(folder);
                return true;
            }
            show({replaced(text("Failed", T::kRecoverFailed), "%1", folder), {}, MsgIcon::Warning, MsgButtons::Ok});
        } else if (answer == MsgResult::No) {
            removeTempDir(folder);
        }
    }
    return false;
}

bool TMainForm::recoverLeftDocument(const std::string& folder)
{
    DocumentNames names;
    bool recovered = false;
    runUnderProcessForm<TRecoverThread>([&](WindowProgress& progress) {
        recovered = recoverDocument(folder, *this, journal_, names, progress, *this);
    });
    if (!recovered)
        return false;
    SaveDialog1.fileName = names.saveAsName;
    partOpened_ = names.partOpened;
    if (names.recording)
        proposeRecordingName();
    if (!reloadOverview()) {
        journal_.reset(tempDir);
        removeFile(workPath);
        workPath.clear();
        sourcePath.clear();
        return false;
    }
    loaded = true;
    modified = true;
    if (names.recording)
        selectWhole(*this);  // as a recording that stopped
    afterEdit();
    return true;
}

bool TMainForm::keepUnsavedWork()
{
    if (recordingUnderWay_ && privateTemp_) {
        privateTemp_->keep();  // its state file was written when it began
        return true;
    }
    if (!loaded || !modified || !privateTemp_ || journal_.stepUnderWay())
        return false;
    lastState_.clear();
    writeRecoveryState();
    if (lastState_.empty())
        return false;  // not written: the folder would be offered back without it
    privateTemp_->keep();
    return true;
}

void TMainForm::endRunOnLogout(const TerminationSignals& termination)
{
    if (!termination.endsSession() || !keepUnsavedWork())
        return;
    BASS_Free();
    std::fflush(nullptr);
    ::_exit(0);
}

}  // namespace tw
