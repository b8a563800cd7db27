#include "document/CopySource.h"

#include <cerrno>
#include <unistd.h>
#include <vector>

#include "wav/File.h"

namespace tw {

namespace {

constexpr std::size_t kCopyBlock = 8 << 20;

int copyPercent(std::uint64_t total, std::uint64_t size)
{
    if (total >= size)
        return 100;  // also a source that grew while being copied
    return static_cast<int>(static_cast<double>(total) * 100.0 / static_cast<double>(size));
}

// In-kernel copy of the next block; -1 when the file systems cannot do it.
ssize_t copyInKernel(const File& from, const File& to, std::size_t size)
{
    ssize_t n;
    do {
        n = ::copy_file_range(from.fd(), nullptr, to.fd(), nullptr, size, 0);
    } while (n < 0 && errno == EINTR);
    return n;
}

}  // namespace

OpenResult copySource(DocumentState& doc, Progress& progress)
{
    File source = File::openRead(doc.sourcePath);
    if (!source)
        return OpenResult::Failed;
    File work = File::create(doc.workPath);
    if (!work)
        return OpenResult::Failed;

    const std::uint64_t size = source.size();
    std::uint64_t total = 0;
    bool inKernel = true;
    std::vector<std::uint8_t> buffer;
    for (;;) {
        std::size_t n = 0;
        if (inKernel) {
            const ssize_t copied = copyInKernel(source, work, kCopyBlock);
            if (copied < 0 && total == 0) {
                inKernel = false;
                continue;
            }
            if (copied < 0)
                return OpenResult::Failed;
            n = static_cast<std::size_t>(copied);
        } else {
            buffer.resize(kCopyBlock);
            n = source.read(buffer.data(), buffer.size());
            if (n > 0 && !work.write(buffer.data(), n))
                return OpenResult::Failed;
        }
        if (n == 0)
            break;
        total += n;
        progress.setBar(0, copyPercent(total, size));
        progress.pump();
    }
    source.close();
    if (!work.close())
        return OpenResult::Failed;
    doc.sourceBitrate = 0;
    return OpenResult::Completed;
}

}  // namespace tw
