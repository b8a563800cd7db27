#include "core/StatusText.h"

#include <cstdio>

#include "core/DocumentState.h"
#include "i18n/LanguageText.h"

namespace tw {

std::string durationText(std::uint32_t seconds)
{
    const std::uint32_t hours = seconds / 3600;
    const std::uint32_t rest = seconds % 3600;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02u:%02u:%02u", hours, rest / 60, rest % 60);
    return buffer;
}

std::string formatText(std::uint32_t sampleRate, std::uint32_t channels, std::uint32_t bitsPerSample,
                       const LanguageText& texts)
{
    const std::string channelWord = texts.read("StatusBar", channels == 1 ? "Mono" : "Stereo", "");
    return std::to_string(sampleRate) + " Hz   " + channelWord + "   " + std::to_string(bitsPerSample) +
           texts.read("StatusBar", "Bits", "");
}

std::array<std::string, 3> statusTexts(const DocumentState& doc, const LanguageText& texts)
{
    return {formatText(doc.sampleRate, doc.channels, doc.bitsPerSample, texts),
            durationText(doc.durationSeconds), doc.sourcePath};
}

}  // namespace tw
