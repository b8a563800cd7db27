#include "edit/Effects.h"

#include "edit/PassRecipes.h"

#include <fcntl.h>

#include <algorithm>
#include <charconv>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "core/FrameText.h"
#include "document/WaveHeader.h"
#include "edit/Clipboard.h"
#include "edit/EffectPasses.h"
#include "edit/FilterEffects.h"
#include "edit/RangeStatistics.h"
#include "wav/File.h"

namespace tw {

namespace {

// Numbers with a point whatever the locale.
std::string fixed(double value, int decimals)
{
    char text[64];
    const auto end = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals).ptr;
    return std::string(text, end);
}

std::vector<EffectFigure> statisticsFigures(const RangeStatistics& s)
{
    std::vector<EffectFigure> figures;
    figures.push_back({"Length", "Length", "",
                       frameText(s.frames, s.sampleRate, FrameUnit::Time) + " (" + std::to_string(s.frames) +
                           " frames)"});
    for (std::size_t i = 0; i < s.channels.size(); ++i) {
        const ChannelStatistics& c = s.channels[i];
        const std::string channel = std::to_string(i + 1);
        const double n = static_cast<double>(std::max<std::uint64_t>(s.frames, 1));
        figures.push_back({"Peak", "Peak", channel,
                           std::to_string(c.peak) + " (" + dbText(c.peak, s.fullScale, 2) + " dBFS)"});
        figures.push_back({"RMS level", "Rms", channel, dbText(std::sqrt(c.sumSquares / n), s.fullScale, 2) + " dBFS"});
        figures.push_back({"DC offset", "DcOffset", channel,
                           fixed(static_cast<double>(c.sum) / n / s.fullScale * 100.0, 3) + " %"});
        figures.push_back({"Samples at full scale", "FullScale", channel, std::to_string(c.fullScale)});
    }
    if (s.loudness) {
        figures.push_back({"Integrated loudness", "Integrated", "", fixed(s.loudness->integrated, 1) + " LUFS"});
        figures.push_back({"Loudness range", "LoudnessRange", "", fixed(s.loudness->range, 1) + " LU"});
        figures.push_back({"True peak", "TruePeak", "", dbText(s.loudness->truePeak, 1.0, 1) + " dBTP"});
    } else {
        for (const auto& [name, key] : {std::pair{"Integrated loudness", "Integrated"},
                                        std::pair{"Loudness range", "LoudnessRange"},
                                        std::pair{"True peak", "TruePeak"}})
            figures.push_back({name, key, "", "-"});
    }
    return figures;
}

std::vector<Effect> makeTable()
{
    std::vector<Effect> t;
    {
        Effect e;
        e.id = "insert-silence";
        e.name = "Insert Silence...";
        e.key = "InsertSilence";
        e.hint = "SECONDS of silence in at the frame of the time AT (as --paste takes it)";
        e.params = {{.name = "Length:",
                     .key = "InsertSilenceLength",
                     .batchName = "SECONDS",
                     .unit = "s",
                     .minimum = 0.001,
                     .maximum = 3600,
                     .preset = 1,
                     .step = 0.1,
                     .decimals = 3,
                     .choices = {},
                     .batchOptional = false,
                     .batchOption = "",
                     .batchPreset = false,
                     .offered = {}}};
        e.length = EffectLength::Inserted;
        e.needsRange = false;
        e.batchFlag = "--insert-silence";
        e.batchPlace = "AT";
        e.pass = [](const DocumentState& doc, const EffectInput& in) {
            const auto frames = static_cast<std::uint64_t>(std::llround(in.values.at(0) * doc.sampleRate));
            return insertSilencePass(doc, in.at, std::max<std::uint64_t>(frames, 1));
        };
        e.preview = [](const DocumentState& doc, const EffectInput& in, double seconds, Progress&) {
            return previewInsertedSilence(doc, in.at, in.values.at(0), seconds);
        };
        t.push_back(std::move(e));
    }
    const auto kept = [&t](const char* id, const char* name, const char* key, const char* hint, const char* flag,
                           EditPass (*pass)(), bool stereo) {
        Effect e;
        e.id = id;
        e.name = name;
        e.key = key;
        e.hint = hint;
        e.needsStereo = stereo;
        e.batchFlag = flag;
        e.pass = [pass](const DocumentState&, const EffectInput&) { return pass(); };
        t.push_back(std::move(e));
    };
    kept("reverse", "Reverse", "Reverse", "the frames of the range in reverse order", "--reverse", reversePass, false);
    kept("invert", "Invert", "Invert", "every sample of the range negated", "--invert", invertPass, false);
    kept("swap-channels", "Swap Channels", "SwapChannels", "left and right exchanged (stereo only)",
         "--swap-channels", swapChannelsPass, true);
    kept("remove-dc", "Remove DC Offset", "RemoveDc", "each channel's mean over the range taken away", "--remove-dc",
         removeDcPass, false);
    addFilterEffects(t);
    {
        Effect e;
        e.id = "statistics";
        e.name = "Statistics...";
        e.key = "Statistics";
        e.hint = "prints the range's statistics (peaks, RMS, DC offset, EBU R128 loudness); changes nothing";
        e.length = EffectLength::Measured;
        e.separatorBefore = true;
        e.batchFlag = "--stats";
        e.measure = [](const DocumentState& doc, Progress& progress) -> std::optional<std::vector<EffectFigure>> {
            const auto s = measureRange(doc, effectRange(doc), progress);
            if (!s)
                return std::nullopt;
            return statisticsFigures(*s);
        };
        t.push_back(std::move(e));
    }
    return t;
}

}  // namespace

bool EffectParam::holds(double value) const
{
    if (!choices.empty())
        return std::any_of(choices.begin(), choices.end(), [value](const EffectChoice& c) { return c.value == value; });
    // A typed value counts to the parameter's decimals.
    const double slack = 0.5 * std::pow(10.0, -decimals - 3);
    return std::isfinite(value) && value >= minimum - slack && value <= maximum + slack;
}

std::string EffectParam::rangeText() const
{
    std::string text;
    if (!choices.empty()) {
        for (std::size_t i = 0; i < choices.size(); ++i)
            text += (i == 0 ? "" : i + 1 == choices.size() ? " or " : ", ") + std::string(choices[i].text);
        return text;
    }
    const auto number = [this](double v) {
        std::string s = fixed(v, decimals);
        if (s.find('.') != std::string::npos) {
            s.erase(s.find_last_not_of('0') + 1);
            if (s.back() == '.')
                s.pop_back();
        }
        return s;
    };
    return number(minimum) + " to " + number(maximum) + (*unit ? std::string(" ") + unit : "");
}

std::optional<double> EffectParam::parse(const std::string& text) const
{
    if (!choices.empty()) {
        for (const EffectChoice& c : choices)
            if (text == c.text)
                return c.value;
        return std::nullopt;
    }
    if (text.empty())
        return std::nullopt;
    double value = 0;
    const char* first = text.c_str() + (text[0] == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(first, text.c_str() + text.size(), value);
    if (error != std::errc() || end != text.c_str() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

const std::vector<Effect>& effectTable()
{
    static const std::vector<Effect> table = makeTable();
    return table;
}

const Effect* findEffect(const std::string& id)
{
    for (const Effect& e : effectTable())
        if (id == e.id)
            return &e;
    return nullptr;
}

EditRange effectRange(const DocumentState& doc)
{
    return copyRange(doc);
}

bool effectEnabled(const Effect& effect, const DocumentState& doc)
{
    if (effect.needsStereo && doc.channels < 2)
        return false;
    return !effect.needsRange || effectRange(doc).bytes() > 0;
}

std::string effectRecipe(const Effect& effect, const EffectInput& input)
{
    std::string recipe = std::string("effect ") + effect.id + ' ' + std::to_string(input.at);
    for (const double v : input.values)
        recipe += ' ' + exactText(v);
    return recipe;
}

EditResult runEffectBody(DocumentState& doc, const Effect& effect, const EffectInput& input, Progress& progress,
                         Messenger& messages, UndoJournal* journal)
{
    // Everything the effect needs is checked before anything changes.
    if ((!effect.pass && !effect.body) || input.values.size() != effect.params.size())
        return EditResult::Refused;
    for (std::size_t i = 0; i < effect.params.size(); ++i)
        if (!effect.params[i].holds(input.values[i])) {
            messages.inform(std::string(effect.params[i].name) + " " + effect.params[i].rangeText());
            return EditResult::Refused;
        }
    if (effect.needsStereo && doc.channels < 2)
        return EditResult::Refused;
    if (effect.needsRange && effectRange(doc).bytes() == 0) {
        messages.inform(kMsgEmptyRange);
        return EditResult::Refused;
    }
    if (effect.body)
        return effect.body(doc, input, progress, messages, journal);
    EditPass pass = effect.pass(doc, input);
    pass.toEnd = true;
    pass.recipe = effectRecipe(effect, input);
    if (pass.footprint == Footprint::Inserts) {
        if (doc.dataEnd + pass.insertBytes > kMaxWorkFileBytes) {
            messages.inform(kMsgEffectTooLong);
            return EditResult::Refused;
        }
        // The room on the disk first, as Paste asks for it.
        if (File work = File::openReadWrite(doc.workPath);
            work &&
            ::fallocate(work.fd(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(doc.dataEnd + pass.insertBytes)) != 0 &&
            errno == ENOSPC) {
            messages.inform(kMsgCannotWriteTemp);
            return EditResult::Refused;
        }
    }
    progress.setBar(0, 0);
    return runEditBody(doc, pass, progress, messages, journal);
}

}  // namespace tw
