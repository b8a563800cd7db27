// The effects: one table, from which the Effects menu, its parameter dialog,
// the batch program's flags and their help lines are made. A new effect is one
// entry here and its pass.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "edit/Clipboard.h"
#include "edit/EditBody.h"

namespace tw {

// One value a parameter may take from a list (a slope of 12 or 24 dB): the
// dialog shows a list and the batch flag takes the text.
struct EffectChoice {
    double value = 0;
    const char* text = "";  // English, and what the batch flag takes
    const char* key = "";   // language key in [Effects]; empty: the text is not translated
};

// A parameter: a spin box with its unit, or a list when choices is not empty.
struct EffectParam {
    const char* name = "";  // English label, with its colon
    const char* key = "";   // language key in [Effects]
    const char* batchName = "VALUE";  // the batch flag's argument in --help
    const char* unit = "";  // after the value ("s", "Hz", "dB"), not translated
    double minimum = 0;
    double maximum = 0;
    double preset = 0;      // the value the dialog starts with, and a left-out batch value
    double step = 1;
    int decimals = 0;
    std::vector<EffectChoice> choices;
    bool batchOptional = false;  // the batch flag may leave it out (only after the required ones)
    // The batch program takes it as "OPTION VALUE" after the flag's values
    // (left out: preset); for an effect without a flag, OPTION alone makes the
    // step, its other parameters at their presets.
    const char* batchOption = "";
    bool batchPreset = false;      // the batch program always takes the preset
    std::vector<double> offered;   // values the dialog offers on buttons of their own

    bool holds(double value) const;
    // "0.001 to 3600 s", or the choices' texts.
    std::string rangeText() const;
    // A value of the batch command line, or nothing when it is no value of
    // this parameter (outside the range is still a value: holds says).
    std::optional<double> parse(const std::string& text) const;
};

// What an effect does to the length of the sound.
enum class EffectLength {
    Kept,      // the range changes in place
    Inserted,  // new frames go in at a place
    Measured,  // nothing changes: the range is measured (no Undo step)
};

// The values of one run: one per parameter, in the table's order; at is the
// frame an Inserted effect goes in before.
struct EffectInput {
    std::vector<double> values;
    std::uint64_t at = 0;
};

// A figure of a Measured effect: the English name (what the batch program
// prints), its language key in [Statistics] and the value with its unit.
class UndoJournal;

struct EffectFigure {
    const char* name = "";
    const char* key = "";
    std::string channel;  // "" for the range as a whole, else "1", "2", ...
    std::string value;
};

struct Effect {
    const char* id = "";       // stable name: object names, settings
    const char* name = "";     // English menu text ("..." when it asks or shows a window)
    const char* key = "";      // language key in [Effects]
    const char* hint = "";     // English help line (batch --help, the guide)
    std::vector<EffectParam> params;
    EffectLength length = EffectLength::Kept;
    bool needsRange = true;    // false: a document is enough
    bool needsStereo = false;  // disabled for a mono document
    bool separatorBefore = false;
    const char* batchFlag = "";   // "--reverse"; empty: not in the batch program
    const char* batchPlace = "";  // for Inserted: the place's argument name ("AT"), before the parameters
    // The pass (Kept and Inserted).
    std::function<EditPass(const DocumentState& doc, const EffectInput& input)> pass;
    // An effect whose result is made before the edit (the filter effects):
    // runs in place of pass once the values and the range are checked.
    std::function<EditResult(DocumentState& doc, const EffectInput& input, Progress& progress, Messenger& messages,
                             UndoJournal* journal)>
        body;
    // Preview's sound: up to seconds from the range's start with the effect
    // applied; the document stays as it is. Null when stopped or failed.
    std::function<std::shared_ptr<const ClipSound>(const DocumentState& doc, const EffectInput& input,
                                                   double seconds, Progress& progress)>
        preview;
    // The figures (Measured); nothing when the work file could not be read or
    // the measurement failed.
    std::function<std::optional<std::vector<EffectFigure>>(const DocumentState& doc, Progress& progress)> measure;
};

// Every effect, in menu order.
const std::vector<Effect>& effectTable();
const Effect* findEffect(const std::string& id);

// The range the effects work on: the frame-exact range of Copy and Normalize.
EditRange effectRange(const DocumentState& doc);

// Whether the effect can run on the open document: a range that holds sound
// when it needs one, two channels when it needs them.
bool effectEnabled(const Effect& effect, const DocumentState& doc);

inline constexpr const char* kMsgEffectTooLong =
    "With the inserted sound the document would be longer than Tarnwick can edit. Nothing was changed.";

// How the effect's pass is made again after a restart (edit/PassRecipes.h).
std::string effectRecipe(const Effect& effect, const EffectInput& input);

class UndoJournal;

// An effect that changes the sound as the commands run it: the values checked
// against the table, the range and the room checked, then its pass as an edit.
EditResult runEffectBody(DocumentState& doc, const Effect& effect, const EffectInput& input, Progress& progress,
                         Messenger& messages, UndoJournal* journal = nullptr);

}  // namespace tw
