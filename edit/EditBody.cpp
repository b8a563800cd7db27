#include "edit/EditBody.h"

#include <algorithm>
#include <unistd.h>
#include <vector>

#include "core/Markers.h"
#include "document/Overview.h"
#include "document/ReloadBody.h"
#include "edit/UndoJournal.h"
#include "wav/LittleEndian.h"
#include "wav/WaveRules.h"

namespace tw {

namespace {
constexpr std::size_t kBlockBytes = 4 << 20;
}

EditRange editRange(const DocumentState& doc, bool toEnd)
{
    EditRange r;
    const std::uint64_t first = startFrame(doc);
    const std::uint64_t last = toEnd ? finishFrameToEnd(doc) : finishFrame(doc);
    r.rangeStart = doc.dataOffset + first * doc.frameSize;
    r.rangeEnd = doc.dataOffset + last * doc.frameSize;
    if (last < first || doc.frameSize == 0) {
        r.start = r.end = static_cast<std::uint32_t>(std::min<std::uint64_t>(r.rangeStart, doc.dataEnd));
        return r;
    }
    r.rangeFrames = last - first;
    // The range may reach past the data, not wrap around it.
    const std::uint64_t dataEnd = doc.dataOffset + std::uint64_t{doc.frameCount} * doc.frameSize;
    r.start = static_cast<std::uint32_t>(std::min(r.rangeStart, dataEnd));
    r.end = static_cast<std::uint32_t>(std::min(r.rangeEnd, dataEnd));
    r.reachesEnd = r.rangeEnd >= dataEnd;
    return r;
}

EditRange wholeBlocks(const DocumentState& doc, EditRange range)
{
    const std::uint32_t block = doc.channels * (doc.bitsPerSample / 8);
    if (block <= doc.frameSize)
        return range;  // one or two channels: a block is a frame
    const auto down = [&](std::uint32_t at) { return doc.dataOffset + (at - doc.dataOffset) / block * block; };
    range.start = down(range.start);
    range.end = down(range.end);
    return range;
}

EditRange passRange(const DocumentState& doc, const EditPass& pass)
{
    const bool moves = pass.footprint != Footprint::Unchanged && pass.footprint != Footprint::InPlace;
    const EditRange range = editRange(doc, pass.toEnd);
    return moves ? wholeBlocks(doc, range) : range;
}

EditResult runEditBody(DocumentState& doc, const EditPass& pass, Progress& progress, Messenger& messages,
                       UndoJournal* journal)
{
    // A pass that changes no byte (Volume at 100 %) does not open the work
    // file: it is an edit all the same, and a step of the journal.
    File work;
    if (pass.footprint != Footprint::Unchanged) {
        work = File::openReadWrite(doc.workPath);
        if (!work) {
            messages.inform(kMsgCannotOpenTemp);
            return EditResult::NotOpened;
        }
    }
    const EditRange range = passRange(doc, pass);
    if (journal) {
        switch (journal->keep(work, doc, pass, range, progress)) {
        case UndoJournal::Kept::Yes:
            break;
        case UndoJournal::Kept::NoRoom:
            if (messages.show({kMsgNoRoomForUndo, {}, MsgIcon::Question, MsgButtons::YesNo}) != MsgResult::Yes)
                return EditResult::Declined;
            journal->clear();
            break;
        case UndoJournal::Kept::Failed:
            messages.inform(kMsgCannotWriteJournal);
            return EditResult::JournalFailed;
        }
    }
    return runJournaledPass(doc, pass, work, range, progress, messages, journal);
}

EditResult runJournaledPass(DocumentState& doc, const EditPass& pass, File& work, const EditRange& range,
                            Progress& progress, Messenger& messages, UndoJournal* journal)
{
    if (pass.footprint == Footprint::Unchanged) {
        if (journal)
            journal->finished();
        return EditResult::Done;
    }
    std::uint64_t shifted = 0;
    const bool written = pass.run(work, doc, range, progress, shifted);
    if (!written) {
        messages.inform(kMsgCannotWriteTemp);
        // The file, the lengths and the markers as before the step; the
        // overview still shows that file.
        if (journal && journal->rollBack(work, doc, shifted, progress))
            return EditResult::RolledBack;
    } else if (journal) {
        journal->finished();
    }
    // The overview shows the file as it now is, also after a failure.
    work.seek(doc.dataOffset);
    rebuildViewOverview(work, doc, progress, {1, ColumnPercent::Fraction});
    if (pass.markersAfter)
        pass.markersAfter(doc);  // within the new columns
    return written ? EditResult::Done : EditResult::WriteFailed;
}

void markersAfterDelete(DocumentState& doc)
{
    std::uint32_t start = doc.selStart;
    std::uint32_t finish = start + 1;
    if (doc.columnCount == 0)
        start = finish = 0;
    else if (finish > doc.columnCount - 1)
        finish = doc.columnCount - 1;
    setStartColumn(doc, start);
    setFinishColumn(doc, finish);
}

void selectWhole(DocumentState& doc)
{
    setStartColumn(doc, 0);
    setFinishColumn(doc, doc.columnCount == 0 ? 0 : doc.columnCount - 1);
}

bool endDataAt(File& work, DocumentState& doc, std::uint32_t end)
{
    const std::uint32_t length = end - doc.dataOffset;
    std::uint8_t field[4];
    putLe32(field, length);
    bool ok = work.writeAt(field, 4, doc.dataOffset - 4);
    putLe32(field, end - 8);
    ok = work.writeAt(field, 4, 4) && ok;
    ok = ::ftruncate(work.fd(), static_cast<off_t>(end)) == 0 && ok;
    doc.dataEnd = end;
    doc.dataLength = length;
    doc.durationSeconds = waveDurationSeconds(length, doc.sampleRate, doc.channels, doc.bitsPerSample).value_or(0);
    doc.frameCount = doc.frameSize == 0 ? 0 : length / doc.frameSize;
    return ok;
}

namespace {

// Logs the block under way: how far the move has come and the bytes of its
// own source that its write overwrites (from buffer at `from` on).
bool logBlock(const MoveLogging& logging, std::uint64_t src, std::uint64_t dst, std::uint64_t count,
              std::uint64_t done, std::uint64_t overlapAt, const std::uint8_t* from, std::size_t overlap)
{
    if (!logging.log)
        return true;
    StepLog::Move m;
    m.record = logging.log->recordNumber();
    m.phase = logging.phase;
    m.src = src;
    m.dst = dst;
    m.count = count;
    m.done = done;
    m.overlapAt = overlapAt;
    if (overlap > 0)
        m.overlap.assign(from, from + overlap);
    return logging.log->beforeBlock(m);
}

// A logged move's blocks stop short of their own source where the distance
// allows, so that there is nothing of it to save.
std::size_t moveBlock(const MoveLogging& logging, std::uint64_t distance, std::uint64_t count)
{
    constexpr std::uint64_t kLeastBlock = 256 << 10;
    std::uint64_t block = kBlockBytes;
    if (logging.log && distance >= kLeastBlock)
        block = std::min(block, distance);
    return static_cast<std::size_t>(std::min(block, std::max<std::uint64_t>(count, 1)));
}

}  // namespace

bool moveDown(File& work, std::uint64_t src, std::uint64_t dst, std::uint64_t count, Progress& progress,
              std::uint64_t* moved, const MoveLogging& logging)
{
    const std::uint64_t from = std::min(logging.from, count);
    if (moved)
        *moved = from;
    if (src == dst) {
        // Nothing to move: the bytes already stand where they belong.
        if (count > 0)
            progress.setBar(0, 100);
        if (moved)
            *moved = count;
        return true;
    }
    const std::uint64_t distance = src - dst;
    std::vector<std::uint8_t> block(moveBlock(logging, distance, count));
    for (std::uint64_t done = from; done < count;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(count - done, block.size()));
        // A block longer than the distance writes over the start of its own source.
        const std::size_t overlap = want > distance ? static_cast<std::size_t>(want - distance) : 0;
        if (work.readAt(block.data(), want, src + done) != want ||
            !logBlock(logging, src, dst, count, done, src + done, block.data(), overlap) ||
            !work.writeAt(block.data(), want, dst + done))
            return false;
        done += want;
        if (moved)
            *moved = done;
        progress.setBar(0, static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(count)));
        progress.pump();
    }
    // The whole move in place: a walk back must take every byte back.
    return logBlock(logging, src, dst, count, count, 0, nullptr, 0);
}

bool moveUp(File& work, std::uint64_t src, std::uint64_t dst, std::uint64_t count, Progress& progress,
            std::uint64_t* moved, const MoveLogging& logging)
{
    const std::uint64_t from = std::min(logging.from, count);
    if (moved)
        *moved = src == dst ? count : from;
    if (src == dst)
        return true;
    const std::uint64_t distance = dst - src;
    std::vector<std::uint8_t> block(moveBlock(logging, distance, count));
    for (std::uint64_t left = count - from; left > 0;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, block.size()));
        left -= want;
        // A block longer than the distance writes over the end of its own source.
        const std::size_t overlap = want > distance ? static_cast<std::size_t>(want - distance) : 0;
        if (work.readAt(block.data(), want, src + left) != want ||
            !logBlock(logging, src, dst, count, count - left - want, dst + left,
                      block.data() + (want - overlap), overlap) ||
            !work.writeAt(block.data(), want, dst + left))
            return false;
        if (moved)
            *moved = count - left;
        progress.pump();
    }
    return logBlock(logging, src, dst, count, count, 0, nullptr, 0);
}

bool forEachBlock(File& work, const DocumentState& doc, const EditRange& range, Progress& progress,
                  const std::function<void(std::uint8_t* bytes, std::size_t size, std::uint32_t firstFrame)>& fn)
{
    const std::size_t frameSize = doc.frameSize;
    const std::size_t blockFrames = std::max<std::size_t>(kBlockBytes / frameSize, 1);
    std::vector<std::uint8_t> block(blockFrames * frameSize);
    const std::uint32_t inData = range.bytes() / doc.frameSize;
    const double total = range.rangeFrames;
    for (std::uint32_t done = 0; done < inData;) {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(blockFrames, inData - done));
        const std::uint64_t at = range.start + std::uint64_t{done} * frameSize;
        if (work.readAt(block.data(), n * frameSize, at) != n * frameSize)
            return false;
        fn(block.data(), n * frameSize, done);
        if (!work.writeAt(block.data(), n * frameSize, at))
            return false;
        done += n;
        progress.setBar(0, static_cast<int>(static_cast<double>(done) * 100.0 / total));
        progress.pump();
    }
    // Frames of the range past the data are counted, not touched.
    if (range.rangeFrames > 0)
        progress.setBar(0, 100);
    return true;
}

}  // namespace tw
