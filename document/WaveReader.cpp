#include "document/WaveReader.h"

#include <limits>

namespace tw {

std::optional<File> readWorkFile(DocumentState& doc, Messenger& messages)
{
    File file = File::openRead(doc.workPath);
    if (!file) {
        messages.inform(kMsgCannotOpenFile);
        return std::nullopt;
    }

    const WaveRulesResult rules = applyWaveRules(
        [&file](std::uint64_t offset, void* buffer, std::size_t size) { return file.readAt(buffer, size, offset); },
        file.size());

    // The fields a rule had set before one failed stay set.
    if (rules.haveFormat) {
        doc.channels = rules.channels;
        doc.sampleRate = rules.sampleRate;
        doc.bitsPerSample = rules.bitsPerSample;
    }
    // The data must end within 32-bit offsets, as every field of the document.
    const bool offsetFits =
        rules.dataOffset + rules.dataLength <= std::numeric_limits<std::uint32_t>::max();
    if (rules.haveData && offsetFits) {
        doc.dataOffset = static_cast<std::uint32_t>(rules.dataOffset);
        doc.dataLength = rules.dataLength;
        doc.dataEnd = doc.dataOffset + doc.dataLength;
    }
    if (rules.haveDuration)
        doc.durationSeconds = rules.durationSeconds;

    WaveRuleError error = rules.error;
    if (rules.haveData && !offsetFits)
        error = WaveRuleError::NotValidWave;
    switch (error) {
    case WaveRuleError::None:
        break;
    case WaveRuleError::NotValidWave:
        messages.inform(kMsgNotValidWave);
        return std::nullopt;
    case WaveRuleError::Compressed:
        messages.inform(kMsgCompressedWave);
        return std::nullopt;
    case WaveRuleError::NotPcm:
        messages.inform(kMsgNotPcm);
        return std::nullopt;
    }

    doc.frameSize = waveFrameSize(doc.channels, doc.bitsPerSample);
    doc.frameCount = doc.dataLength / doc.frameSize;
    file.seek(doc.dataOffset);
    return file;
}

}  // namespace tw
