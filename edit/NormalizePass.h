// Normalize: the range scaled (normalizePass) so that its largest sample magnitude reaches a
// level below full scale, with Volume's rules (truncation toward zero, the
// -32767 and -128 clamps); one gain for every channel.
#pragma once

#include <cstdint>
#include <optional>

#include "core/Messages.h"
#include "edit/EditBody.h"
#include "edit/SamplePasses.h"

namespace tw {

inline constexpr const char* kMsgSilentRange = "The range is silent: there is nothing to normalize.";

// The levels offered, in dB below full scale; -1 is the preset.
inline constexpr double kNormalizeLevels[] = {0.0, -0.1, -0.5, -1.0, -3.0, -6.0};
inline constexpr int kNormalizePreset = 3;

// The largest sample magnitude in the range (|b - 128| for 8 bits), bar 0
// showing the frames looked at; nothing when the work file cannot be read.
std::optional<std::uint32_t> rangePeak(const DocumentState& doc, Progress& progress);

// The gain that takes peak to level dB: full scale (32767 or 127) times
// 10^(dB / 20), divided by peak.
double normalizeGain(std::uint32_t peak, double levelDb, std::uint32_t bitsPerSample);
// Normalize's scale for a peak (1 or more): the level's sample value is full
// scale times 10^(dB / 20), truncated, where the peak lands.
NormalizeScale normalizeScale(std::uint32_t peak, double levelDb, std::uint32_t bitsPerSample);

class UndoJournal;

// Normalize as the commands run it: the peak, a message for a silent range,
// then the pass as an edit.
EditResult runNormalizeBody(DocumentState& doc, double levelDb, Progress& progress, Messenger& messages,
                            UndoJournal* journal = nullptr);

}  // namespace tw
