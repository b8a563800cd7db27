// The effects that run through FFmpeg's filters: each is a filter chain and
// what it does to the length. The result of the range is made in a file of
// the private folder first, so that Cancel leaves the document as it was and
// Redo puts back the same bytes; then one edit puts it in the range's place.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "core/Messages.h"
#include "edit/Clipboard.h"
#include "edit/EditBody.h"
#include "edit/Effects.h"

namespace tw {

inline constexpr const char* kMsgResultTooLong =
    "With the effect's result the document would be longer than Tarnwick can edit. Nothing was changed.";
inline constexpr const char* kMsgEffectFailed = "The effect could not be applied. Nothing was changed.";
inline constexpr const char* kMsgTooQuietToMeasure =
    "The range is too short or too quiet to measure its loudness. Nothing was changed.";

struct FilterEffect {
    std::string chain;   // the filters between abuffer and abuffersink
    double speed = 1.0;  // the result has round(frames / speed) frames
};

FilterEffect denoiseEffect(double reductionDb, double floorDb);
FilterEffect tempoEffect(double percent);
FilterEffect pitchEffect(double semitones);
FilterEffect speedEffect(double percent, std::uint32_t sampleRate);
FilterEffect bassTrebleEffect(double bassDb, double trebleDb);
// slope: 12 or 24 dB per octave.
FilterEffect highpassEffect(double hz, int slope);
FilterEffect lowpassEffect(double hz, int slope);
FilterEffect compressorEffect(double thresholdDb, double ratio, double attackMs, double releaseMs, double makeupDb);

// The range's loudness by EBU R128, as ebur128 measures it.
struct Loudness {
    double integrated = 0;  // LUFS
    double range = 0;       // LU
    double truePeak = 0;    // dBTP
};
// Loudness Normalize's second pass: a plain gain, or where the ceiling does
// not allow it, the gain with a limiter working at four times the rate, so
// that it holds the true peak below the ceiling.
FilterEffect gainEffect(double db);
FilterEffect limitedGainEffect(double db, double ceilingDb, std::uint32_t sampleRate);

// Measures the range (bar 0). Nothing when stopped, when the work file could
// not be read, or when the range has no measurable loudness (stopped says which).
std::optional<Loudness> measureLoudness(const DocumentState& doc, Progress& progress, bool& stopped);

// The edit that puts sound in the range's place (kept for Redo); the markers
// then stand on the new frames when the length changed.
EditPass replacePass(const DocumentState& doc, std::shared_ptr<const ClipSound> sound);

// Preview's sound: up to seconds of the range from its start through the
// effect, in a new file of the private folder; the document stays as it is.
// Null when stopped or when it could not be made.
std::shared_ptr<const ClipSound> previewSound(const DocumentState& doc, const FilterEffect& effect, double seconds,
                                              Progress& progress);

// Insert Silence's Preview: up to `silence` seconds of silence, then the
// sound from frame on, seconds in all.
std::shared_ptr<const ClipSound> previewInsertedSilence(const DocumentState& doc, std::uint64_t frame, double silence,
                                                        double seconds);

// The effect as the commands run it: the result made (bar 0; Cancel stops it
// and gives Cancelled with nothing changed), the room checked, then the edit.
EditResult runFilterEffectBody(DocumentState& doc, const FilterEffect& effect, Progress& progress,
                               Messenger& messages, UndoJournal* journal = nullptr);
// Noise Reduction: the floor is raised to the level of the range's quiet
// parts (plus 3 dB) where they lie above it, then the effect.
EditResult runDenoiseBody(DocumentState& doc, double reductionDb, double floorDb, Progress& progress,
                          Messenger& messages, UndoJournal* journal = nullptr);
// Loudness Normalize: the measuring pass, then the effect.
EditResult runLoudnessBody(DocumentState& doc, double targetLufs, double ceilingDb, Progress& progress,
                           Messenger& messages, UndoJournal* journal = nullptr);

// The filter effects' entries of the effect table, in menu order.
void addFilterEffects(std::vector<Effect>& table);

}  // namespace tw
