#include "edit/UndoJournal.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <numeric>
#include <sstream>

#include "edit/PassRecipes.h"

namespace tw {

namespace {

constexpr std::uint64_t kCopyBlock = 16 << 20;
// Room left over for the file system's own bookkeeping.
constexpr std::uint64_t kSlack = 1 << 20;

// What a step keeps of the document besides bytes; Redo sets the first three.
constexpr std::uint32_t DocumentState::* kKeptState[] = {
    &DocumentState::selStart,  &DocumentState::selFinish,  &DocumentState::zoom,           &DocumentState::dataEnd,
    &DocumentState::dataLength, &DocumentState::frameCount, &DocumentState::durationSeconds};
constexpr std::size_t kMarksAndZoom = 3;

std::optional<std::uint64_t> fileSystemFree(const std::string& dir)
{
    struct statvfs st {};
    if (::statvfs(dir.c_str(), &st) != 0)
        return std::nullopt;
    return std::uint64_t{st.f_bavail} * st.f_frsize;
}

// Copies in blocks so that the window stays alive; bar 0 when bar is set.
bool copyPumped(const File& from, std::uint64_t fromAt, File& to, std::uint64_t toAt, std::uint64_t count,
                Progress& progress, std::uint64_t& done, std::uint64_t total, bool bar)
{
    for (std::uint64_t copied = 0; copied < count;) {
        const std::uint64_t n = std::min(kCopyBlock, count - copied);
        if (!copyAt(from, fromAt + copied, to, toAt + copied, n))
            return false;
        copied += n;
        done += n;
        if (bar)
            progress.setBar(0, static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(total)));
        progress.pump();
    }
    return true;
}

}  // namespace

UndoJournal::UndoJournal(FreeSpace freeSpace) : freeSpace_(freeSpace ? std::move(freeSpace) : fileSystemFree) {}

UndoJournal::~UndoJournal()
{
    dropPending();
    dropFrom(0);
    purge();
}

void UndoJournal::reset(const std::string& dir)
{
    dropPending();
    redoing_ = false;
    dropFrom(0);
    purge();
    if (log_)
        log_->clearRecord();
    dir_ = dir;
    position_ = 0;
    saved_ = 0;
}

void UndoJournal::clear()
{
    dropPending();
    redoing_ = false;
    dropFrom(0);
    purge();
    position_ = 0;
    saved_ = kNever;
    // The file now matches no step: until the next step completes, there is
    // nothing to walk back to.
    if (log_)
        log_->writeRecord("broken " + std::to_string(generation_) + "\n");
}

void UndoJournal::dropFrom(std::size_t index)
{
    // Their entries go once the next step begins, when the state that no
    // longer lists them has been written.
    for (std::size_t i = index; i < steps_.size(); ++i)
        dropped_.push_back(std::move(steps_[i]));
    steps_.resize(std::min(index, steps_.size()));
    if (saved_ != kNever && saved_ > index)
        saved_ = kNever;
}

void UndoJournal::purge()
{
    for (const Step& step : dropped_)
        removeFile(step.path);
    dropped_.clear();
}

void UndoJournal::begin()
{
    if (beforeStep_)
        beforeStep_();
    purge();
}

void UndoJournal::dropPending()
{
    if (pending_)
        removeFile(pending_->path);
    pending_.reset();
}

void UndoJournal::plan(Step& step, const DocumentState& doc, const EditRange& range, std::uint64_t fileSize)
{
    const std::uint64_t framesEnd = doc.dataOffset + std::uint64_t{doc.frameCount} * doc.frameSize;
    const auto restFrom = [fileSize](std::uint64_t at) { return fileSize > at ? fileSize - at : 0; };
    switch (step.pass.footprint) {
    case Footprint::Unchanged:
        break;
    case Footprint::InPlace:
        // A data chunk may claim more than the file holds: the pass says so.
        step.regions = {{range.start, std::min<std::uint64_t>(range.bytes(), restFrom(range.start))}};
        break;
    case Footprint::RemovesRange:
        // The header's size fields change and the file ends with the data.
        step.regions = {{0, doc.dataOffset}, {range.start, range.bytes()}, {framesEnd, restFrom(framesEnd)}};
        step.shift = {range.end, range.start, framesEnd - range.end};
        break;
    case Footprint::KeepsRange:
        if (range.bytes() == 0)
            break;  // the pass leaves the document as it is
        step.regions = {{0, doc.dataOffset}, {doc.dataOffset, range.start - doc.dataOffset},
                        {range.end, restFrom(range.end)}};
        step.shift = {range.start, doc.dataOffset, range.bytes()};
        break;
    case Footprint::Inserts:
        // The header's size fields change, and what stood behind the data goes.
        step.regions = {{0, doc.dataOffset}, {doc.dataEnd, restFrom(doc.dataEnd)}};
        step.shift = {step.pass.insertAt, step.pass.insertAt + step.pass.insertBytes,
                      doc.dataEnd - std::uint64_t{step.pass.insertAt}};
        break;
    case Footprint::Replaces:
        // The header, the range's own bytes and what stood behind the data.
        step.regions = {{0, doc.dataOffset}, {range.start, range.bytes()}, {doc.dataEnd, restFrom(doc.dataEnd)}};
        step.shift = {range.end, range.start + step.pass.insertBytes, doc.dataEnd - std::uint64_t{range.end}};
        break;
    }
}

UndoJournal::Kept UndoJournal::keep(const File& work, const DocumentState& doc, const EditPass& pass,
                                    const EditRange& range, Progress& progress)
{
    dropPending();
    redoing_ = false;
    begin();
    Step step;
    step.pass = pass;
    step.fileSize = work.size();
    static_assert(std::size(kKeptState) == std::tuple_size_v<decltype(step.state)>);
    for (std::size_t i = 0; i < step.state.size(); ++i)
        step.state[i] = doc.*kKeptState[i];
    step.startMark = doc.startMark;
    step.finishMark = doc.finishMark;
    plan(step, doc, range, step.fileSize);

    const std::uint64_t need = std::accumulate(step.regions.begin(), step.regions.end(), std::uint64_t{0},
                                               [](std::uint64_t sum, const Region& r) { return sum + r.length; });
    if (need > 0) {
        // The steps a new edit drops make room as well; they go first only
        // when the room is needed, and otherwise once the entry is written.
        std::uint64_t freed = 0;
        for (std::size_t i = position_; i < steps_.size(); ++i)
            for (const Region& r : steps_[i].regions)
                freed += r.length;
        const auto free = freeSpace_(dir_);
        if (free && *free + freed < need + kSlack)
            return Kept::NoRoom;
        if (free && *free < need + kSlack) {
            dropFrom(position_);
            purge();
        }
    }

    step.path = dir_ + "undo-" + std::to_string(++serial_) + ".tw";
    File entry = File::createNew(step.path);
    // All of the room at once: a full disk shows before a byte is copied.
    bool written = entry && (need == 0 || ::posix_fallocate(entry.fd(), 0, static_cast<off_t>(need)) == 0);
    std::uint64_t stored = 0;  // also where the next region goes in the entry
    for (const Region& r : step.regions) {
        if (!written)
            break;
        written = copyPumped(work, r.at, entry, stored, r.length, progress, stored, need, false);
    }
    if (!written || !entry.close() ||
        (log_ && !log_->writeRecord("edit " + std::to_string(generation_) + "\n" + describe(step)))) {
        removeFile(step.path);
        return Kept::Failed;
    }
    pending_ = std::move(step);
    return Kept::Yes;
}

void UndoJournal::finished()
{
    // The record stays: the state written next counts this step, which
    // tells a restart that nothing was under way.
    ++generation_;
    if (pending_) {
        dropFrom(position_);
        steps_.push_back(std::move(*pending_));
        pending_.reset();
        ++position_;
    } else if (redoing_) {
        ++position_;
    }
    redoing_ = false;
}

void UndoJournal::cancel()
{
    dropPending();
    redoing_ = false;
    if (log_)
        log_->clearRecord();
}

bool UndoJournal::rollBack(File& work, DocumentState& doc, std::uint64_t shifted, Progress& progress,
                           std::uint64_t resumeFrom)
{
    const Step* step = pending_ ? &*pending_ : redoing_ ? &steps_[position_] : nullptr;
    bool changed = false;
    // The walk back is a step of its own: a run that dies in it carries it
    // on at the next start.
    if (step && log_)
        log_->writeRecord("rollback " + std::to_string(generation_) + " " + std::to_string(shifted) + "\n" +
                          describe(*step));
    const bool restored = step && restore(*step, work, shifted, progress, changed, resumeFrom);
    if (restored)
        restoreState(*step, doc);
    dropPending();
    redoing_ = false;
    if (!restored)
        clear();  // the file matches no step any more
    else if (log_)
        log_->clearRecord();
    return restored;
}

bool UndoJournal::undo(File& work, DocumentState& doc, Progress& progress)
{
    if (!canUndo())
        return false;
    begin();
    if (log_ && !log_->writeRecord("undo " + std::to_string(generation_) + " " + std::to_string(position_ - 1) + "\n"))
        return false;
    return undoStep(work, doc, progress, 0);
}

bool UndoJournal::undoStep(File& work, DocumentState& doc, Progress& progress, std::uint64_t resumeFrom)
{
    const Step& step = steps_[position_ - 1];
    bool changed = false;
    undoing_ = true;
    const bool restored = restore(step, work, step.shift.count, progress, changed, resumeFrom);
    undoing_ = false;
    if (!restored) {
        if (changed)
            clear();  // part moved: the steps no longer fit the file
        else if (log_)
            log_->clearRecord();
        return false;
    }
    restoreState(step, doc);
    --position_;
    ++generation_;
    if (!step.pass.run && step.pass.footprint != Footprint::Unchanged)
        dropFrom(position_);  // a step taken up after a restart that cannot be made again
    return true;
}

bool UndoJournal::restore(const Step& step, File& work, std::uint64_t shifted, Progress& progress, bool& changed,
                          std::uint64_t resumeFrom) const
{
    changed = false;
    const std::uint64_t kept = std::accumulate(step.regions.begin(), step.regions.end(), std::uint64_t{0},
                                               [](std::uint64_t sum, const Region& r) { return sum + r.length; });
    shifted = std::min(shifted, step.shift.count);
    const std::uint64_t total = shifted + kept;
    if (total == 0)
        return true;  // the step changed no byte of the file
    const std::uint64_t size = work.size();
    // The whole entry and the room come first: until a byte moves, a failure
    // changes nothing.
    File entry = File::openRead(step.path);
    if (!entry || entry.size() < kept)
        return false;
    if (size < step.fileSize && ::posix_fallocate(work.fd(), static_cast<off_t>(size),
                                                  static_cast<off_t>(step.fileSize - size)) != 0) {
        // A file left longer than it was no longer fits the steps.
        changed = ::ftruncate(work.fd(), static_cast<off_t>(size)) != 0 && work.size() != size;
        return false;
    }
    changed = true;
    // Bytes a step moved down go back up, bytes it moved up come back down;
    // a file that grew is cut back only once they have. A move that stopped
    // part way had moved its first bytes down, or its last bytes up.
    bool ok = true;
    std::uint64_t done = 0;
    if (shifted > 0) {
        const Shift& s = step.shift;
        const MoveLogging logging{log_, 2, resumeFrom};
        ok = s.to < s.from ? moveUp(work, s.to, s.from, shifted, progress, nullptr, logging)
                           : moveDown(work, s.to + s.count - shifted, s.from + s.count - shifted, shifted, progress,
                                      nullptr, logging);
        done = shifted;
        progress.setBar(0, static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(total)));
    }
    ok = ok && (size <= step.fileSize || ::ftruncate(work.fd(), static_cast<off_t>(step.fileSize)) == 0);
    std::uint64_t at = 0;
    for (const Region& r : step.regions) {
        if (!ok)
            break;
        ok = copyPumped(entry, at, work, r.at, r.length, progress, done, total, true);
        at += r.length;
    }
    if (ok)
        progress.setBar(0, 100);
    return ok;
}

void UndoJournal::restoreState(const Step& step, DocumentState& doc)
{
    for (std::size_t i = 0; i < step.state.size(); ++i)
        doc.*kKeptState[i] = step.state[i];
    doc.startMark = step.startMark;
    doc.finishMark = step.finishMark;
}

std::optional<EditPass> UndoJournal::stepToRedo(DocumentState& doc)
{
    dropPending();
    begin();
    const Step& step = steps_[position_];
    if (!step.pass.run && step.pass.footprint != Footprint::Unchanged)
        return std::nullopt;
    if (log_ && !log_->writeRecord("redo " + std::to_string(generation_) + " " + std::to_string(position_) + "\n"))
        return std::nullopt;
    redoing_ = true;
    for (std::size_t i = 0; i < kMarksAndZoom; ++i)
        doc.*kKeptState[i] = step.state[i];
    doc.startMark = step.startMark;
    doc.finishMark = step.finishMark;
    return step.pass;
}

std::string UndoJournal::describe(const Step& step)
{
    std::ostringstream out;
    const auto slash = step.path.rfind('/');
    out << fileWord(step.path.substr(slash == std::string::npos ? 0 : slash + 1)) << ' ' << step.fileSize << ' '
        << step.shift.from << ' ' << step.shift.to << ' ' << step.shift.count;
    for (const std::uint32_t v : step.state)
        out << ' ' << v;
    for (const FrameMark& m : {step.startMark, step.finishMark})
        out << ' ' << m.frame << ' ' << m.column << ' ' << m.zoom << ' ' << m.exact;
    out << ' ' << static_cast<int>(step.pass.footprint) << ' ' << step.pass.insertAt << ' ' << step.pass.insertBytes
        << ' ' << step.pass.toEnd << ' ' << step.regions.size();
    for (const Region& r : step.regions)
        out << ' ' << r.at << ' ' << r.length;
    out << " | " << step.pass.recipe;
    return out.str();
}

std::optional<UndoJournal::Step> UndoJournal::parse(const std::string& line, const std::string& from,
                                                    const Adopt& adopt)
{
    const auto bar = line.find(" | ");
    if (bar == std::string::npos)
        return std::nullopt;
    std::istringstream in(line.substr(0, bar));
    Step step;
    std::string name;
    int footprint = 0;
    std::size_t regions = 0;
    in >> name >> step.fileSize >> step.shift.from >> step.shift.to >> step.shift.count;
    for (std::uint32_t& v : step.state)
        in >> v;
    for (FrameMark* m : {&step.startMark, &step.finishMark})
        in >> m->frame >> m->column >> m->zoom >> m->exact;
    in >> footprint >> step.pass.insertAt >> step.pass.insertBytes >> step.pass.toEnd >> regions;
    if (!in || footprint < 0 || footprint > static_cast<int>(Footprint::Replaces) || regions > 3)
        return std::nullopt;
    step.regions.resize(regions);
    for (Region& r : step.regions)
        in >> r.at >> r.length;
    std::string rest;
    if (!in || (in >> rest))
        return std::nullopt;
    step.pass.footprint = static_cast<Footprint>(footprint);
    const std::string recipe = line.substr(bar + 3);
    if (!recipe.empty()) {
        // A pass that cannot be made again can still be undone.
        if (auto pass = passFromRecipe(recipe, adopt)) {
            step.pass.run = std::move(pass->run);
            step.pass.markersAfter = std::move(pass->markersAfter);
            step.pass.recipe = recipe;
        }
    }
    // The entry's bytes, taken over into this folder.
    std::string file;
    for (std::size_t i = 0; i + 1 < name.size(); i += 2)
        file += static_cast<char>(std::stoi(name.substr(i, 2), nullptr, 16));
    if (file.empty() || file.find('/') != std::string::npos)
        return std::nullopt;
    step.path = adopt(from + file);
    if (step.path.empty())
        return std::nullopt;
    return step;
}

std::string UndoJournal::index() const
{
    std::string text = "journal " + std::to_string(position_) + ' ' +
                       (saved_ == kNever ? std::string("-") : std::to_string(saved_)) + ' ' +
                       std::to_string(steps_.size()) + '\n';
    for (const Step& step : steps_)
        text += describe(step) + '\n';
    return text;
}

bool UndoJournal::loadIndex(const std::string& text, const std::string& from, const Adopt& adopt,
                            std::uint64_t generation)
{
    std::istringstream in(text);
    std::string head, saved;
    std::size_t position = 0, count = 0;
    in >> head >> position >> saved >> count;
    in.ignore(1);
    if (!in || head != "journal" || position > count)
        return false;
    dropPending();
    redoing_ = false;
    dropFrom(0);
    purge();
    std::vector<Step> steps;
    for (std::string line; steps.size() < count && std::getline(in, line);) {
        auto step = parse(line, from, adopt);
        if (!step)
            break;
        steps.push_back(std::move(*step));
    }
    // Undo needs every step up to the position; the steps to redo may stop short.
    if (steps.size() < position)
        return false;
    steps_ = std::move(steps);
    for (std::size_t i = position; i < steps_.size(); ++i)
        if (!steps_[i].pass.run && steps_[i].pass.footprint != Footprint::Unchanged) {
            dropFrom(i);
            purge();
            break;
        }
    position_ = position;
    saved_ = saved == "-" ? kNever : std::stoul(saved);
    if (saved_ != kNever && saved_ > steps_.size())
        saved_ = kNever;
    generation_ = generation;
    return true;
}

bool UndoJournal::recover(File& work, DocumentState& doc, const std::string& record,
                          const std::optional<StepLog::Move>& move, std::uint64_t recordNumber,
                          const std::string& from, const Adopt& adopt, Progress& progress, Messenger& messages)
{
    const auto firstLine = record.find('\n');
    std::istringstream head(record.substr(0, firstLine));
    std::string kind;
    std::uint64_t generation = 0, value = 0;
    head >> kind >> generation;
    if (!head)
        return false;
    if (generation != generation_)
        return true;  // a record of a step that completed
    head >> value;
    // The block under way of the record's own move.
    const auto ownMove = [&](std::uint32_t phase) -> std::optional<StepLog::Move> {
        if (move && move->record == recordNumber && move->phase == phase)
            return move;
        return std::nullopt;
    };
    const auto stepInRecord = [&]() -> std::optional<Step> {
        if (firstLine == std::string::npos)
            return std::nullopt;
        auto line = record.substr(firstLine + 1);
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        return parse(line, from, adopt);
    };
    const std::size_t position = position_;
    if (kind == "edit" || kind == "redo") {
        // Walked back from what its move had done.
        if (kind == "edit") {
            auto step = stepInRecord();
            if (!step)
                return false;
            pending_ = std::move(step);
        } else {
            if (value != position_ && value + 1 != position_)
                return false;
            position_ = value;
            redoing_ = true;
        }
        std::uint64_t shifted = 0;
        if (const auto m = ownMove(1)) {
            if (!repairMove(work, *m))
                return false;
            shifted = m->done;
        }
        if (!rollBack(work, doc, shifted, progress))
            return false;
    } else if (kind == "rollback") {
        auto step = stepInRecord();
        if (!step)
            return false;
        pending_ = std::move(step);
        std::uint64_t resume = 0;
        if (const auto m = ownMove(2)) {
            if (!repairMove(work, *m))
                return false;
            resume = m->done;
        }
        if (!rollBack(work, doc, value, progress, resume))
            return false;
    } else if (kind == "undo") {
        // Carried on to its end, then the step made again.
        if (value + 1 != position_)
            return false;
        std::uint64_t resume = 0;
        if (const auto m = ownMove(2)) {
            if (!repairMove(work, *m))
                return false;
            resume = m->done;
        }
        if (log_)
            log_->writeRecord("undo " + std::to_string(generation_) + " " + std::to_string(position_ - 1) + "\n");
        if (!undoStep(work, doc, progress, resume))
            return false;
        --generation_;  // the state still counts the step as done
    } else {
        return false;  // a step without an entry, or an unknown one
    }
    // An Undo or a Redo of an Undo left the step before the state's: run it again.
    if (position_ + 1 == position) {
        const auto pass = stepToRedo(doc);
        if (!pass)
            return false;
        const EditResult result = runJournaledPass(doc, *pass, work, passRange(doc, *pass), progress, messages, this);
        if (result != EditResult::Done)
            return false;
        --generation_;
    }
    if (log_)
        log_->clearRecord();
    return position_ == position;
}

}  // namespace tw
