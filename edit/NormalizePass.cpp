#include "edit/NormalizePass.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "document/ReloadBody.h"
#include "wav/File.h"
#include "wav/LittleEndian.h"

namespace tw {

namespace {
constexpr std::size_t kBlockBytes = 4 << 20;
}

std::optional<std::uint32_t> rangePeak(const DocumentState& doc, Progress& progress)
{
    const EditRange range = editRange(doc, true);
    File work = File::openRead(doc.workPath);
    if (!work)
        return std::nullopt;
    const bool eightBit = doc.bitsPerSample == 8;
    const std::size_t frameSize = std::max(doc.frameSize, 1u);
    std::vector<std::uint8_t> block(kBlockBytes / frameSize * frameSize);
    std::uint32_t peak = 0;
    for (std::uint64_t done = 0; done < range.bytes();) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), range.bytes() - done));
        if (work.readAt(block.data(), want, range.start + done) != want)
            return std::nullopt;
        if (eightBit) {
            for (std::size_t i = 0; i < want; ++i)
                peak = std::max<std::uint32_t>(peak, static_cast<std::uint32_t>(std::abs(int{block[i]} - 128)));
        } else {
            for (std::size_t i = 0; i + 1 < want; i += 2)
                peak = std::max<std::uint32_t>(
                    peak, static_cast<std::uint32_t>(std::abs(int{static_cast<std::int16_t>(getLe16(&block[i]))})));
        }
        done += want;
        progress.setBar(0, static_cast<int>(static_cast<double>(done) * 100.0 / range.bytes()));
        progress.pump();
    }
    return peak;
}

double normalizeGain(std::uint32_t peak, double levelDb, std::uint32_t bitsPerSample)
{
    const double fullScale = bitsPerSample == 8 ? 127.0 : 32767.0;
    return peak == 0 ? 1.0 : fullScale * std::pow(10.0, levelDb / 20.0) / peak;
}

NormalizeScale normalizeScale(std::uint32_t peak, double levelDb, std::uint32_t bitsPerSample)
{
    const double fullScale = bitsPerSample == 8 ? 127.0 : 32767.0;
    const double target = fullScale * std::pow(10.0, levelDb / 20.0);
    NormalizeScale scale;
    scale.peak = static_cast<int>(std::max(peak, 1u));
    scale.level = static_cast<int>(std::floor(target));
    scale.gain = normalizeGain(peak, levelDb, bitsPerSample);
    scale.exact = target == std::floor(target);
    return scale;
}

EditResult runNormalizeBody(DocumentState& doc, double levelDb, Progress& progress, Messenger& messages,
                            UndoJournal* journal)
{
    if (editRange(doc, true).bytes() == 0) {
        messages.inform(kMsgEmptyRange);
        return EditResult::Refused;
    }
    const auto peak = rangePeak(doc, progress);
    if (!peak) {
        messages.inform(kMsgCannotOpenTemp);
        return EditResult::NotOpened;
    }
    if (*peak == 0) {
        messages.inform(kMsgSilentRange);
        return EditResult::Refused;
    }
    progress.setBar(0, 0);
    EditPass pass = normalizePass(normalizeScale(*peak, levelDb, doc.bitsPerSample));
    pass.toEnd = true;  // the range whose peak was found
    return runEditBody(doc, pass, progress, messages, journal);
}

}  // namespace tw
