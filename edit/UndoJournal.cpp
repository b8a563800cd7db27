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
    dropFrom(0);
}

void UndoJournal::reset(const std::string& dir)
{
    dropFrom(0);
    dir_ = dir;
    position_ = 0;
    saved_ = 0;
}

void UndoJournal::clear()
{
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
    }
}

UndoJournal::Kept UndoJournal::keep(const File& work, const DocumentState& doc, const EditPass& pass,
                                    const EditRange& range, Progress& progress)
{
    Step step;
    step.pass = pass;
    step.fileSize = work.size();
    static_assert(std::size(kKeptState) == std::tuple_size_v<decltype(step.state)>);
    for (std::size_t i = 0; i < step.state.size(); ++i)
        step.state[i] = doc.*kKeptState[i];
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
    dropFrom(position_);
    steps_.push_back(std::move(step));
    ++position_;
    return Kept::Yes;
}

void UndoJournal::passFailed()
{
    // A move that stopped part way cannot be walked back; bytes rewritten in
    // place can.
    if (canUndo() && steps_[position_ - 1].shift.count > 0)
        clear();
}

bool UndoJournal::undo(File& work, DocumentState& doc, Progress& progress)
{
    if (!canUndo())
        return false;
    const Step& step = steps_[position_ - 1];
    const std::uint64_t total =
        step.shift.count + std::accumulate(step.regions.begin(), step.regions.end(), std::uint64_t{0},
                                           [](std::uint64_t sum, const Region& r) { return sum + r.length; });
    if (total == 0) {
        // The step changed no byte of the file: only the state goes back.
        restoreState(step, doc);
        --position_;
        return true;
    }
    // The room comes first: until a byte moves, a failure changes nothing.
    const std::uint64_t size = work.size();
    File entry = File::openRead(step.path);
    if (!entry)
        return false;
    if (size < step.fileSize && ::posix_fallocate(work.fd(), static_cast<off_t>(size),
                                                  static_cast<off_t>(step.fileSize - size)) != 0) {
        (void)::ftruncate(work.fd(), static_cast<off_t>(size));
        return false;
    }
    // Bytes a step moved down go back up, bytes it moved up come back down;
    // a file that grew is cut back only once they have.
    bool ok = true;
    std::uint64_t done = 0;
    if (step.shift.count > 0) {
        ok = step.shift.to < step.shift.from
                 ? moveUp(work, step.shift.to, step.shift.from, step.shift.count, progress)
                 : moveDown(work, static_cast<std::uint32_t>(step.shift.to), static_cast<std::uint32_t>(step.shift.from),
                            static_cast<std::uint32_t>(step.shift.count), progress);
        done = step.shift.count;
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
    if (!ok) {
        clear();  // part moved: the steps no longer fit the file
        return false;
    }
    progress.setBar(0, 100);
    restoreState(step, doc);
    --position_;
    return true;
}

void UndoJournal::restoreState(const Step& step, DocumentState& doc)
{
    for (std::size_t i = 0; i < step.state.size(); ++i)
        doc.*kKeptState[i] = step.state[i];
}

const EditPass& UndoJournal::stepToRedo(DocumentState& doc) const
{
    const Step& step = steps_[position_];
    for (std::size_t i = 0; i < kMarksAndZoom; ++i)
        doc.*kKeptState[i] = step.state[i];
    return step.pass;
}

}  // namespace tw
