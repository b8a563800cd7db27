#include <fcntl.h>

#include <algorithm>
#include <vector>

#include "core/Markers.h"
#include "edit/EffectPasses.h"

namespace tw {

EditPass insertSilencePass(const DocumentState& doc, std::uint64_t before, std::uint64_t frames)
{
    // At a whole frame of every channel, within the data.
    const std::uint32_t block = std::max(doc.channels * (doc.bitsPerSample / 8), 1u);
    const std::uint64_t frame = std::min<std::uint64_t>(before, doc.frameCount);
    const std::uint64_t offset =
        std::min<std::uint64_t>(frame * doc.frameSize / block * block, doc.dataLength / block * block);
    EditPass pass;
    pass.footprint = Footprint::Inserts;
    pass.insertAt = doc.dataOffset + static_cast<std::uint32_t>(offset);
    pass.insertBytes = frames * block;
    const std::uint32_t at = pass.insertAt;
    const std::uint64_t bytes = pass.insertBytes;
    const std::uint8_t zero = doc.bitsPerSample == 8 ? 128 : 0;
    pass.run = [at, bytes, zero](File& work, DocumentState& doc, const EditRange&, Progress& progress,
                                 std::uint64_t& shifted) {
        const std::uint64_t tail = doc.dataEnd - at;
        if (::posix_fallocate(work.fd(), 0, static_cast<off_t>(doc.dataEnd + bytes)) != 0)
            return false;
        if (!moveUp(work, at, at + bytes, tail, progress, &shifted))
            return false;
        const std::vector<std::uint8_t> silence(static_cast<std::size_t>(std::min<std::uint64_t>(bytes, 4 << 20)), zero);
        for (std::uint64_t written = 0; written < bytes;) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(silence.size(), bytes - written));
            if (!work.writeAt(silence.data(), n, at + written))
                return false;
            written += n;
            progress.setBar(0, static_cast<int>(static_cast<double>(tail + written) * 100.0 / (tail + bytes)));
            progress.pump();
        }
        progress.setBar(0, 100);
        return endDataAt(work, doc, static_cast<std::uint32_t>(doc.dataEnd + bytes));
    };
    const std::uint64_t first = offset / std::max(doc.frameSize, 1u);
    const std::uint64_t count = bytes / std::max(doc.frameSize, 1u);
    pass.markersAfter = [first, count](DocumentState& doc) { setMarkerFrames(doc, first, first + count); };
    return pass;
}

}  // namespace tw
