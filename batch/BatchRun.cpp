#include "batch/BatchRun.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <utility>

#include "audio/bass.h"
#include "core/Markers.h"
#include "core/PendingTermination.h"
#include "core/PrivateTempDir.h"
#include "core/Progress.h"
#include "document/OpenBody.h"
#include "document/ReloadBody.h"
#include "document/SourceKind.h"
#include "edit/Clipboard.h"
#include "edit/CutOutPass.h"
#include "edit/DeletePass.h"
#include "edit/Effects.h"
#include "edit/NormalizePass.h"
#include "edit/PastePass.h"
#include "edit/SamplePasses.h"
#include "export/ExportBody.h"
#include "export/WavToMp3.h"
#include "export/WavToWma.h"
#include "i18n/Settings.h"

namespace tw::batch {

namespace {

// What the window shows in message boxes, on standard error with its caption.
class StderrMessenger final : public Messenger {
public:
    MsgResult show(const MessageRequest& request) override
    {
        std::fprintf(stderr, "%s: %s\n", request.caption.empty() ? "Tarnwick" : request.caption.c_str(),
                     request.text.c_str());
        return MsgResult::Ok;
    }
};

// A bar on standard error when it is a terminal. A termination signal stops
// the step under way.
class TerminalProgress final : public ThrottledProgress {
public:
    TerminalProgress(bool shown, const PendingTermination& signals) : shown_(shown), signals_(signals) {}
    bool stopRequested() const override { return quitting(); }
    bool quitting() const override { return signals_.received() != 0; }
    void stage(const char* name)
    {
        finishLine();
        stage_ = name;
    }
    void finishLine()
    {
        if (shown_ && drawn_)
            std::fputc('\n', stderr);
        drawn_ = false;
    }

protected:
    void showBar(int, int value) override
    {
        if (!shown_)
            return;
        const int filled = value * 30 / 100;
        std::fprintf(stderr, "\r%-10s [%.*s%*s] %3d%%", stage_, filled, "##############################",
                     30 - filled, "", value);
        std::fflush(stderr);
        drawn_ = true;
    }
    void pumpNow() override {}

private:
    bool shown_;
    const PendingTermination& signals_;
    bool drawn_ = false;
    const char* stage_ = "";
};

std::string wmaModule(const std::string& programDir)
{
    struct stat st {};
    const std::string beside = programDir + kWmaModule;
    return ::stat(beside.c_str(), &st) == 0 ? beside : installedModuleDir(programDir) + kWmaModule;
}

bool edited(EditResult result)
{
    return result == EditResult::Done;
}

bool edit(DocumentState& doc, const EditPass& pass, TerminalProgress& progress, Messenger& messages)
{
    progress.stage("Editing");
    return edited(runEditBody(doc, pass, progress, messages));
}

}  // namespace

int run(const Arguments& a, const std::string& programDir)
{
    StderrMessenger messages;
    const PendingTermination signals;
    TerminalProgress progress(!a.quiet && ::isatty(STDERR_FILENO), signals);
    // After a signal the step under way has stopped and removed what it began;
    // the private folder goes with temp.
    const auto ended = [&signals] { return signals.received() != 0; };
    const auto signalStatus = [&signals] {
        std::fprintf(stderr, "tarnwick-batch: stopped by signal %d; nothing was saved.\n", signals.received());
        return 128 + signals.received();
    };
    if (!acceptSource(a.in, messages))
        return 1;
    std::unique_ptr<PrivateTempDir> temp;
    try {
        temp = std::make_unique<PrivateTempDir>();
    } catch (const std::exception& e) {
        messages.inform(e.what());
        return 1;
    }
    BASS_Init(0, 44100, 0, nullptr, nullptr);  // decoding only: the silent device

    DocumentState doc;
    doc.tempDir = temp->path();
    doc.sourcePath = a.in;
    OpenCut cut;
    progress.stage("Opening");
    const OpenResult opened = runOpenBody(doc, progress, messages, cut);
    progress.finishLine();
    if (ended())
        return signalStatus();
    if (opened != OpenResult::Completed)
        return 1;
    if (cut.cut)
        messages.inform(openCutMessage(cut.keptSeconds));
    doc.zoom = kStartZoom;
    selectWhole(doc);
    Clipboard clipboard(doc.tempDir);

    // The frames the last --select named, until a step has run on them.
    std::optional<std::pair<std::uint64_t, std::uint64_t>> exactRange;
    const auto takeExactRange = [&doc, &exactRange] {
        if (exactRange)
            setMarkerFrames(doc, exactRange->first, exactRange->second);
    };
    for (const Step& step : a.steps) {
        bool ok = true;
        if (const auto* select = std::get_if<Select>(&step)) {
            const std::uint64_t start = select->start.frameAt(doc.sampleRate) / doc.zoom;
            const std::uint64_t end = select->end.kind == Time::Kind::End
                                          ? (doc.columnCount == 0 ? 0 : doc.columnCount - 1)
                                          : select->end.frameAt(doc.sampleRate) / doc.zoom;
            // The frame-exact steps take the frames named (a time to the nearest).
            const auto exact = [&doc](const Time& t) {
                return t.kind == Time::Kind::End ? std::uint64_t{doc.frameCount} : t.nearestFrameAt(doc.sampleRate);
            };
            const std::uint64_t first = exact(select->start), last = exact(select->end);
            const bool columnsHold = start < doc.columnCount && end < doc.columnCount && start < end;
            const bool framesHold = first < std::min<std::uint64_t>(last, doc.frameCount) && last <= doc.frameCount;
            if (!columnsHold && !framesHold) {
                messages.inform("The range is outside the sound or empty.");
                return 1;
            }
            // The column steps take the columns, as the window gives them.
            const std::uint64_t lastColumn = doc.columnCount == 0 ? 0 : doc.columnCount - 1;
            setStartColumn(doc, static_cast<std::uint32_t>(std::min(start, lastColumn)));
            setFinishColumn(doc, static_cast<std::uint32_t>(std::min(end, lastColumn)));
            exactRange = std::pair(first, std::min<std::uint64_t>(last, doc.frameCount));
        } else if (const auto* zoom = std::get_if<Zoom>(&step)) {
            doc.zoom = zoom->framesPerColumn;
            progress.stage("Reloading");
            ok = runReloadBody(doc, progress, messages);
            selectWhole(doc);
        } else if (const auto* e = std::get_if<Edit>(&step)) {
            switch (*e) {
            case Edit::Delete: ok = edit(doc, deletePass(), progress, messages); break;
            case Edit::CutOut: ok = edit(doc, cutOutPass(), progress, messages); break;
            case Edit::FadeIn: ok = edit(doc, fadeInPass(), progress, messages); break;
            case Edit::FadeOut: ok = edit(doc, fadeOutPass(), progress, messages); break;
            }
        } else if (const auto* v = std::get_if<Volume>(&step)) {
            ok = edit(doc, volumePass(volumeGain(v->position), v->mute), progress, messages);
        } else if (const auto* c = std::get_if<Clip>(&step)) {
            progress.stage(*c == Clip::Copy ? "Copying" : "Cutting");
            takeExactRange();
            if (copyRange(doc).bytes() == 0) {
                messages.inform(kMsgEmptyRange);
                ok = false;
            } else if (*c == Clip::Copy) {
                ok = clipboard.copy(doc, progress);
                if (!ok)
                    messages.inform(kMsgCannotWriteTemp);
            } else {
                ok = edited(runCutBody(doc, clipboard, progress, messages));
            }
        } else if (const auto* p = std::get_if<Paste>(&step)) {
            progress.stage("Pasting");
            // A time past the end is a bad argument, as it is for --select.
            if (p->at.kind != Time::Kind::End && p->at.frameAt(doc.sampleRate) > doc.frameCount) {
                progress.finishLine();
                messages.inform("The paste time is past the end of the sound; 'end' pastes there.");
                return 2;
            }
            const std::uint64_t frame = p->at.kind == Time::Kind::End ? doc.frameCount
                                                                       : p->at.nearestFrameAt(doc.sampleRate);
            ok = clipboard.holdsSound();
            if (!ok)
                messages.inform("The clipboard holds no sound.");
            else
                ok = edited(runPasteBodyAtFrame(doc, clipboard, std::min<std::uint64_t>(frame, doc.frameCount),
                                                progress, messages));
        } else if (const auto* fx = std::get_if<EffectStep>(&step)) {
            const Effect& effect = *fx->effect;
            takeExactRange();
            if (effect.length == EffectLength::Measured) {
                progress.stage("Measuring");
                const auto figures = effect.measure(doc, progress);
                progress.finishLine();
                ok = figures.has_value();
                if (!ok)
                    messages.inform(kMsgCannotOpenTemp);
                for (const EffectFigure& f : figures.value_or(std::vector<EffectFigure>{}))
                    std::printf("%s%s: %s\n", f.name, f.channel.empty() ? "" : (" (channel " + f.channel + ")").c_str(),
                                f.value.c_str());
                std::fflush(stdout);
            } else {
                EffectInput input{fx->values, 0};
                if (*effect.batchPlace) {
                    // A place past the end is a bad argument, as it is for --paste.
                    if (fx->at.kind != Time::Kind::End && fx->at.frameAt(doc.sampleRate) > doc.frameCount) {
                        progress.finishLine();
                        messages.inform(std::string("The time of ") + effect.batchFlag +
                                        " is past the end of the sound; 'end' is the end.");
                        return 2;
                    }
                    input.at = fx->at.kind == Time::Kind::End
                                   ? doc.frameCount
                                   : std::min<std::uint64_t>(fx->at.nearestFrameAt(doc.sampleRate), doc.frameCount);
                }
                progress.stage("Editing");
                ok = edited(runEffectBody(doc, effect, input, progress, messages));
            }
        } else if (const auto* n = std::get_if<Normalize>(&step)) {
            progress.stage("Editing");
            takeExactRange();
            ok = edited(runNormalizeBody(doc, n->level, progress, messages));
        }
        if (!std::holds_alternative<Select>(step))
            exactRange.reset();  // the markers are what the step left
        progress.finishLine();
        if (ended())
            return signalStatus();
        if (!ok)
            return 1;
    }

    if (a.out.empty()) {
        BASS_Free();
        return 0;  // the steps only measured
    }
    if (a.bitrate)
        doc.sourceBitrate = *a.bitrate;
    progress.stage("Saving");
    const ExportResult saved = runExportBody(doc, a.out, progress, messages, {kLameLibrary, wmaModule(programDir)});
    progress.finishLine();
    BASS_Free();
    if (ended() && saved != ExportResult::Completed)
        return signalStatus();
    return saved == ExportResult::Completed ? 0 : 1;
}

}  // namespace tw::batch
