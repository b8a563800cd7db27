#include "edit/UndoJournal.h"

#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <numeric>

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
}

void UndoJournal::reset(const std::string& dir)
{
    dropPending();
    redoing_ = false;
    dropFrom(0);
    dir_ = dir;
    position_ = 0;
    saved_ = 0;
}

void UndoJournal::clear()
{
    dropPending();
    redoing_ = false;
    dropFrom(0);
    position_ = 0;
    saved_ = kNever;
}

void UndoJournal::dropFrom(std::size_t index)
{
    for (std::size_t i = index; i < steps_.size(); ++i)
        removeFile(steps_[i].path);
    steps_.resize(std::min(index, steps_.size()));
    if (saved_ != kNever && saved_ > index)
        saved_ = kNever;
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
        if (free && *free < need + kSlack)
            dropFrom(position_);
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
    if (!written || !entry.close()) {
        removeFile(step.path);
        return Kept::Failed;
    }
    pending_ = std::move(step);
    return Kept::Yes;
}

void UndoJournal::finished()
{
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
}

bool UndoJournal::rollBack(File& work, DocumentState& doc, std::uint64_t shifted, Progress& progress)
{
    const Step* step = pending_ ? &*pending_ : redoing_ ? &steps_[position_] : nullptr;
    bool changed = false;
    const bool restored = step && restore(*step, work, shifted, progress, changed);
    if (restored)
        restoreState(*step, doc);
    dropPending();
    redoing_ = false;
    if (!restored)
        clear();  // the file matches no step any more
    return restored;
}

bool UndoJournal::undo(File& work, DocumentState& doc, Progress& progress)
{
    if (!canUndo())
        return false;
    const Step& step = steps_[position_ - 1];
    bool changed = false;
    if (!restore(step, work, step.shift.count, progress, changed)) {
        if (changed)
            clear();  // part moved: the steps no longer fit the file
        return false;
    }
    restoreState(step, doc);
    --position_;
    return true;
}

bool UndoJournal::restore(const Step& step, File& work, std::uint64_t shifted, Progress& progress, bool& changed)
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
        ok = s.to < s.from ? moveUp(work, s.to, s.from, shifted, progress)
                           : moveDown(work, s.to + s.count - shifted, s.from + s.count - shifted, shifted, progress);
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

const EditPass& UndoJournal::stepToRedo(DocumentState& doc)
{
    dropPending();
    redoing_ = true;
    const Step& step = steps_[position_];
    for (std::size_t i = 0; i < kMarksAndZoom; ++i)
        doc.*kKeptState[i] = step.state[i];
    doc.startMark = step.startMark;
    doc.finishMark = step.finishMark;
    return step.pass;
}

}  // namespace tw
