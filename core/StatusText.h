// The three status bar panels of an open document.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tw {

class LanguageText;
struct DocumentState;

// HH:MM:SS, each at least two digits; hours of three or more digits in full.
std::string durationText(std::uint32_t seconds);

// "44100 Hz   Stereo   16Bits": rate, " Hz   ", channel word, "   ", bits, bits word.
std::string formatText(std::uint32_t sampleRate, std::uint32_t channels, std::uint32_t bitsPerSample,
                       const LanguageText& texts);

// Panel 0: format, panel 1: duration, panel 2: the source path.
std::array<std::string, 3> statusTexts(const DocumentState& doc, const LanguageText& texts);

}  // namespace tw
