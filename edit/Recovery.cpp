#include "edit/Recovery.h"

#include <unistd.h>

#include <cstring>
#include <sstream>
#include <vector>

#include "core/StateFile.h"
#include "core/StepLog.h"
#include "document/OpenBody.h"
#include "edit/PassRecipes.h"
#include "wav/LittleEndian.h"

namespace tw {

namespace {

std::string markText(const FrameMark& m)
{
    std::ostringstream out;
    out << m.frame << ' ' << m.column << ' ' << m.zoom << ' ' << m.exact;
    return out.str();
}

bool readMark(const StateText& state, const char* key, FrameMark& m)
{
    std::istringstream in(state.get(key).value_or(""));
    return static_cast<bool>(in >> m.frame >> m.column >> m.zoom >> m.exact);
}

std::optional<std::string> fromWord(const std::optional<std::string>& word)
{
    if (!word || word->size() % 2 != 0 || word->find_first_not_of("0123456789abcdef") != std::string::npos)
        return std::nullopt;
    std::string text;
    for (std::size_t i = 0; i < word->size(); i += 2)
        text += static_cast<char>(std::stoi(word->substr(i, 2), nullptr, 16));
    return text;
}

// The document's fields of the state: the format, the lengths, the view.
constexpr std::pair<const char*, std::uint32_t DocumentState::*> kFields[] = {
    {"channels", &DocumentState::channels},      {"rate", &DocumentState::sampleRate},
    {"bits", &DocumentState::bitsPerSample},     {"data-offset", &DocumentState::dataOffset},
    {"data-length", &DocumentState::dataLength}, {"data-end", &DocumentState::dataEnd},
    {"frame-size", &DocumentState::frameSize},   {"frames", &DocumentState::frameCount},
    {"seconds", &DocumentState::durationSeconds}, {"bitrate", &DocumentState::sourceBitrate},
    {"zoom", &DocumentState::zoom},              {"sel-start", &DocumentState::selStart},
    {"sel-finish", &DocumentState::selFinish}};

// A hard link, so that the left folder stays whole until the recovered one
// is written; a copy where links cannot be made.
bool linkOrCopy(const std::string& path, const std::string& target)
{
    removeFile(target);
    if (::link(path.c_str(), target.c_str()) == 0)
        return true;
    File in = File::openRegular(path);
    File out = File::createNew(target);
    if (in && out && copyAt(in, 0, out, 0, in.size()) && out.close())
        return true;
    removeFile(target);
    return false;
}

// Puts path into folder `to` under a new name.
class Adopter {
public:
    explicit Adopter(std::string to) : to_(std::move(to)) {}
    std::string operator()(const std::string& path)
    {
        const auto slash = path.rfind('/');
        return take(path, to_ + "rec" + std::to_string(++count_) + '-' + path.substr(slash + 1));
    }
    std::string take(const std::string& path, const std::string& target)
    {
        if (!linkOrCopy(path, target))
            return {};
        made_.push_back(target);
        return target;
    }
    void undo()
    {
        for (const std::string& path : made_)
            removeFile(path);
    }

private:
    std::string to_;
    std::uint64_t count_ = 0;
    std::vector<std::string> made_;
};

}  // namespace

std::string documentStateText(const DocumentState& doc, const UndoJournal& journal, const DocumentNames& names,
                              std::int64_t time)
{
    StateText state;
    state.set("generation", journal.generation());
    state.set("time", std::to_string(time));
    state.set("modified", doc.modified ? "1" : "0");
    state.set("source", fileWord(doc.sourcePath));
    state.set("save-as", fileWord(names.saveAsName));
    state.set("part-opened", names.partOpened ? "1" : "0");
    for (const auto& [key, field] : kFields)
        state.set(key, doc.*field);
    state.set("start-mark", markText(doc.startMark));
    state.set("finish-mark", markText(doc.finishMark));
    state.rest = journal.index();
    return state.text();
}

std::string recordingStateText(std::uint32_t sampleRate, std::uint32_t channels, std::uint64_t generation,
                               std::int64_t time)
{
    StateText state;
    state.set("generation", generation);
    state.set("time", std::to_string(time));
    state.set("modified", "1");
    state.set("recording", "1");
    state.set("source", "");
    state.set("save-as", "");
    state.set("rate", sampleRate);
    state.set("channels", channels);
    state.rest = "journal 0 - 0\n";
    return state.text();
}

namespace {

// Where a recording's samples begin, and how many whole frames it holds.
std::optional<std::pair<std::uint32_t, std::uint64_t>> recordedFrames(const File& work, std::uint32_t frameSize)
{
    std::uint8_t head[12];
    if (frameSize == 0 || work.readAt(head, 12, 0) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0)
        return std::nullopt;
    // The chunks before the samples; the data chunk's own size may lag behind.
    for (std::uint64_t at = 12; at + 8 <= 4096;) {
        std::uint8_t chunk[8];
        if (work.readAt(chunk, 8, at) != 8)
            return std::nullopt;
        if (std::memcmp(chunk, "data", 4) == 0) {
            const std::uint64_t start = at + 8;
            const std::uint64_t size = work.size();
            return std::pair(static_cast<std::uint32_t>(start), size > start ? (size - start) / frameSize : 0);
        }
        at += 8 + getLe32(chunk + 4) + (getLe32(chunk + 4) & 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<LeftDocument> leftDocument(const std::string& folder)
{
    const auto state = readStateFile(folder);
    if (!state)
        return std::nullopt;
    const auto source = fromWord(state->get("source"));
    const auto time = state->number("time");
    auto frames = state->number("frames");
    const auto rate = state->number("rate");
    if (state->get("recording") == "1") {
        const auto recorded = recordedFrames(File::openRead(folder + kWorkFileName),
                                             static_cast<std::uint32_t>(state->number("channels").value_or(0) * 2));
        if (!recorded)
            return std::nullopt;
        frames = recorded->second;
    }
    if (!source || !time || !frames || !rate)
        return std::nullopt;
    return LeftDocument{*source, static_cast<std::int64_t>(*time), *frames, static_cast<std::uint32_t>(*rate)};
}

namespace {

// A recording cut short: every whole frame the work file holds, its sizes
// made to say so.
bool recoverRecording(const std::string& from, const StateText& state, DocumentState& doc, UndoJournal& journal,
                      DocumentNames& names)
{
    const auto rate = state.number("rate");
    const auto channels = state.number("channels");
    if (!rate || !channels || *channels == 0 || *channels > 2 || *rate == 0 || *rate > 384000)
        return false;
    DocumentState recovered;
    recovered.channels = static_cast<std::uint32_t>(*channels);
    recovered.sampleRate = static_cast<std::uint32_t>(*rate);
    recovered.bitsPerSample = 16;
    recovered.frameSize = recovered.channels * 2;
    const std::string work = doc.tempDir + kWorkFileName;
    if (!linkOrCopy(from + kWorkFileName, work))
        return false;
    File file = File::openReadWrite(work);
    const auto recorded = recordedFrames(file, recovered.frameSize);
    const std::uint64_t end = recorded ? recorded->first + recorded->second * recovered.frameSize : 0;
    if (recorded)
        recovered.dataOffset = recorded->first;
    if (!recorded || end > kMaxWorkFileBytes || !endDataAt(file, recovered, static_cast<std::uint32_t>(end))) {
        removeFile(work);
        return false;
    }
    journal.reset(doc.tempDir);
    recovered.workPath = work;
    recovered.tempDir = doc.tempDir;
    recovered.appDir = doc.appDir;
    recovered.playState = doc.playState;
    recovered.openOnShow = doc.openOnShow;
    recovered.stepLog = doc.stepLog;
    recovered.modified = true;
    doc = std::move(recovered);
    names = {};
    names.recording = true;
    return true;
}

}  // namespace

bool recoverDocument(const std::string& from, DocumentState& doc, UndoJournal& journal, DocumentNames& names,
                     Progress& progress, Messenger& messages)
{
    const auto state = readStateFile(from);
    if (!state || state->get("modified") != "1")
        return false;
    const auto generation = state->number("generation");
    const auto source = fromWord(state->get("source"));
    const auto saveAs = fromWord(state->get("save-as"));
    if (!generation || !source || !saveAs)
        return false;
    if (state->get("recording") == "1")
        return recoverRecording(from, *state, doc, journal, names);
    DocumentState recovered;
    for (const auto& [key, field] : kFields) {
        const auto v = state->number(key);
        if (!v || *v > 0xffffffffu)
            return false;
        recovered.*field = static_cast<std::uint32_t>(*v);
    }
    if (!readMark(*state, "start-mark", recovered.startMark) || !readMark(*state, "finish-mark", recovered.finishMark))
        return false;

    const std::string to = doc.tempDir;
    Adopter adopt(to);
    const std::string work = to + kWorkFileName;
    if (adopt.take(from + kWorkFileName, work).empty())
        return false;
    const auto fail = [&] {
        journal.reset(to);
        adopt.undo();
        return false;
    };
    journal.reset(to);
    const UndoJournal::Adopt adoptFile = [&adopt](const std::string& path) { return adopt(path); };
    if (!journal.loadIndex(state->rest, from, adoptFile, *generation))
        return fail();

    recovered.sourcePath = *source;
    recovered.workPath = work;
    recovered.tempDir = to;
    recovered.appDir = doc.appDir;
    recovered.modified = true;
    File file = File::openReadWrite(work);
    if (!file)
        return fail();
    // A step under way is walked back through the left folder's own log, so
    // that a run that dies in here finds it there again.
    StepLog log(from);
    if (const auto record = log.readRecord()) {
        StepLog* const own = journal.stepLog();
        const auto hook = journal.beforeStep();
        recovered.stepLog = &log;
        journal.setStepLog(&log);
        journal.setBeforeStep({});
        const bool ok = journal.recover(file, recovered, record->text, log.readMove(), record->number, from,
                                        adoptFile, progress, messages);
        journal.setStepLog(own);
        journal.setBeforeStep(hook);
        recovered.stepLog = nullptr;
        if (!ok)
            return fail();
    }
    // The work file must hold what the state says.
    if (file.size() < recovered.dataEnd || recovered.dataEnd < recovered.dataOffset)
        return fail();
    const auto keep = [&recovered, &doc](auto field) { recovered.*field = doc.*field; };
    keep(&DocumentState::playState);
    keep(&DocumentState::openOnShow);
    keep(&DocumentState::stepLog);
    static_cast<DocumentState&>(doc) = std::move(recovered);
    doc.modified = true;
    names.saveAsName = *saveAs;
    names.partOpened = state->get("part-opened") == "1";
    return true;
}

}  // namespace tw
