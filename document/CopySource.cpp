#include "document/CopySource.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <unistd.h>
#include <vector>

#include "document/DecodeSource.h"
#include "document/SourceKind.h"
#include "wav/File.h"
#include "wav/LittleEndian.h"
#include "wav/WaveRules.h"

namespace tw {

namespace {

int copyPercent(std::uint64_t total, std::uint64_t size)
{
    if (total >= size)
        return 100;  // also a source that grew while being copied
    return static_cast<int>(static_cast<double>(total) * 100.0 / static_cast<double>(size));
}

// Block sizes that keep each block near 10 ms of work, so the window is
// pumped often on a slow disk, and at most 1 % of the file, so the bar moves
// in fine steps.
class BlockPacer {
public:
    explicit BlockPacer(std::uint64_t size)
        : largest_(std::clamp<std::uint64_t>(size / 100, kSmallest, kLargest)), block_(std::min(kStart, largest_))
    {
    }
    std::size_t next() const { return static_cast<std::size_t>(block_); }
    void took(std::chrono::steady_clock::duration time)
    {
        using namespace std::chrono_literals;
        if (time < 5ms)
            block_ = std::min(block_ * 2, largest_);
        else if (time > 20ms)
            block_ = std::max(block_ / 2, kSmallest);
    }

private:
    static constexpr std::uint64_t kSmallest = 64 << 10;
    static constexpr std::uint64_t kStart = 1 << 20;
    static constexpr std::uint64_t kLargest = 8 << 20;
    std::uint64_t largest_;
    std::uint64_t block_;
};

enum class Moved { Some, End, ReadFailed, WriteFailed };

struct Step {
    Moved what;
    std::size_t bytes;
};

// In-kernel copy of the next block; nothing when the file systems cannot do it.
std::optional<Step> copyInKernel(const File& from, const File& to, std::size_t size)
{
    ssize_t n;
    do {
        n = ::copy_file_range(from.fd(), nullptr, to.fd(), nullptr, size, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return std::nullopt;
    return Step{n == 0 ? Moved::End : Moved::Some, static_cast<std::size_t>(n)};
}

Step copyThroughBuffer(File& from, File& to, std::vector<std::uint8_t>& buffer, std::size_t size)
{
    buffer.resize(std::max(buffer.size(), size));
    ssize_t n;
    do {
        n = ::read(from.fd(), buffer.data(), size);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return {Moved::ReadFailed, 0};
    if (n == 0)
        return {Moved::End, 0};
    if (!to.write(buffer.data(), static_cast<std::size_t>(n)))
        return {Moved::WriteFailed, 0};
    return {Moved::Some, static_cast<std::size_t>(n)};
}

// Block align and byte rate as the channels, bits and rate give them, where
// the copied header says otherwise (0, or a frame cut in pieces).
bool fitFormatFields(File& work, const WaveRulesResult& rules)
{
    const std::uint64_t block = std::uint64_t{rules.channels} * (rules.bitsPerSample / 8);
    const std::uint64_t rate = block * rules.sampleRate;
    std::uint8_t fields[6];
    if (block > 0xFFFF || rate > 0xFFFFFFFF || work.readAt(fields, sizeof fields, 28) != sizeof fields)
        return true;
    if (getLe32(fields) == rate && getLe16(fields + 4) == block)
        return true;
    putLe32(fields, static_cast<std::uint32_t>(rate));
    putLe16(fields + 4, static_cast<std::uint16_t>(block));
    return work.writeAt(fields, sizeof fields, 28);
}

// Makes the copied header tell the sound the work file really holds. A copy
// stopped at the limit while sound ran on ends with the last whole frame that
// fits (cut then tells the seconds kept); a data size beyond the end of the
// file (a streaming writer's 0xFFFFFFFF, a download cut short) becomes what
// is there, partial frame included. False when a write failed.
bool fitHeader(File& work, bool soundRanOn, OpenCut& cut)
{
    const WaveRulesResult rules = applyWaveRules(
        [&work](std::uint64_t offset, void* buffer, std::size_t size) { return work.readAt(buffer, size, offset); },
        work.size());
    if (!rules.ok())
        return true;  // reading the work file back tells what is wrong with it
    bool written = fitFormatFields(work, rules);
    const std::uint64_t size = work.size();
    std::uint64_t length = rules.dataLength;
    if (soundRanOn && rules.dataOffset + rules.dataLengthField > size) {
        // A whole frame of every channel the file has.
        const std::uint64_t frame = std::max<std::uint64_t>(waveFrameSize(rules.channels, rules.bitsPerSample),
                                                            std::uint64_t{rules.channels} * (rules.bitsPerSample / 8));
        length = length / frame * frame;
        cut = {true, waveDurationSeconds(static_cast<std::uint32_t>(length), rules.sampleRate, rules.channels,
                                         rules.bitsPerSample)
                         .value_or(0)};
    } else if (rules.dataLengthField == rules.dataLength) {
        return written;
    }
    const std::uint64_t end = rules.dataOffset + length;
    std::uint8_t field[4];
    putLe32(field, static_cast<std::uint32_t>(length));
    written = work.writeAt(field, 4, rules.dataOffset - 4) && written;
    putLe32(field, static_cast<std::uint32_t>(end - 8));
    written = work.writeAt(field, 4, 4) && written;
    if (end < size)
        written = ::ftruncate(work.fd(), static_cast<off_t>(end)) == 0 && written;
    return written;
}

}  // namespace

OpenResult copySource(DocumentState& doc, Progress& progress, Messenger& messages, OpenCut& cut,
                      std::uint64_t limit)
{
    File source = File::openRegular(doc.sourcePath);
    if (!source) {
        messages.inform(kMsgCannotOpenSource);
        return OpenResult::Failed;
    }
    File work = File::create(doc.workPath);
    const auto writeFailed = [&] {
        work.close();
        removeFile(doc.workPath);  // do not keep a disk full of a broken copy
        messages.inform(kMsgMp3TempFile);
        return OpenResult::Failed;
    };
    if (!work)
        return writeFailed();

    const std::uint64_t size = std::min(source.size(), limit);
    BlockPacer pacer(size);
    std::vector<std::uint8_t> buffer;
    std::uint64_t total = 0;
    bool inKernel = true;
    while (total < limit) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(pacer.next(), limit - total));
        const auto start = std::chrono::steady_clock::now();
        std::optional<Step> step = inKernel ? copyInKernel(source, work, want) : std::nullopt;
        if (!step) {
            // Either side may have failed: the buffered copy tells which.
            inKernel = false;
            step = copyThroughBuffer(source, work, buffer, want);
        }
        if (step->what == Moved::ReadFailed) {
            work.close();
            removeFile(doc.workPath);
            messages.inform(kMsgCannotOpenSource);
            return OpenResult::Failed;
        }
        if (step->what == Moved::WriteFailed)
            return writeFailed();
        if (step->what == Moved::End)
            break;
        pacer.took(std::chrono::steady_clock::now() - start);
        total += step->bytes;
        progress.setBar(0, copyPercent(total, size));
        progress.pump();
        if (progress.quitting())
            return OpenResult::Cancelled;
    }
    const bool written = fitHeader(work, total >= limit && source.size() > total, cut);
    source.close();
    if (!work.close() || !written)
        return writeFailed();
    doc.sourceBitrate = 0;
    return OpenResult::Completed;
}

}  // namespace tw
