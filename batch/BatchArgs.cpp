#include "batch/BatchArgs.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>

#include "edit/Effects.h"

namespace tw::batch {

namespace {

const char* const kUsageHead =
    "Usage: tarnwick-batch IN [STEP...] --save OUT [--bitrate KBPS] [--quiet]\n"
    "       tarnwick-batch --record SECONDS [--device NAME] [--rate 44100|48000] [--channels 1|2]\n"
    "                      [STEP...] --save OUT\n"
    "Opens IN (.wav, .mp3 or .wma), applies the steps in order and saves OUT as .wav, .mp3 or .wma.\n"
    "--record records the sound input (the default one, or NAME) for that time, as SS, MM:SS or\n"
    "HH:MM:SS with optional .mmm, in 16 bits, instead of opening a file; it prints the overruns.\n"
    "Steps:\n"
    "  --select START END   the range; times as SS, MM:SS or HH:MM:SS with optional .mmm,\n"
    "                       or sample frames as a number with a trailing f; END may be 'end';\n"
    "                       --copy, --cut and --normalize take exactly its frames (a time to the\n"
    "                       nearest), the other edits its columns at the zoom, as the window does\n"
    "  --zoom N             frames per column: 1000, 2000, 4000, 6000, 8000 or 10000 (default 10000)\n"
    "  --delete  --cut-out  --fade-in  --fade-out\n"
    "  --volume V           25, 50, 75, 100, 150, 200, 250 or mute\n"
    "  --normalize DB       the range's peak to 0, -0.1, -0.5, -1, -3 or -6 dB\n"
    "  --copy  --cut        the range to the clipboard (--cut then deletes it)\n"
    "  --paste AT           the clipboard in at the frame of the time AT, within the sound (or 'end')\n";
const char* const kUsageTail =
    "Without --select the whole sound is selected, as Select All does.\n"
    "Exit status: 0 done, 1 a step failed or a recorded frame was lost, 2 bad arguments (also a --paste time past the end),\n"
    "128 + N when stopped by signal N.\n"
    "--save may be left out when the steps only measure (--stats).\n";

// The effect of a flag: its own, or for an effect without one, the option of
// one of its parameters (which param then tells).
const Effect* effectOfFlag(const std::string& arg, const EffectParam** param = nullptr)
{
    for (const Effect& e : effectTable()) {
        if (*e.batchFlag && arg == e.batchFlag)
            return &e;
        if (!*e.batchFlag)
            for (const EffectParam& p : e.params)
                if (*p.batchOption && arg == p.batchOption) {
                    if (param)
                        *param = &p;
                    return &e;
                }
    }
    return nullptr;
}

std::optional<std::uint64_t> number(const std::string& text)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

}  // namespace

std::string usage()
{
    std::string text = kUsageHead;
    for (const Effect& e : effectTable()) {
        std::string flag;
        if (*e.batchFlag) {
            flag = std::string("  ") + e.batchFlag;
            if (*e.batchPlace)
                flag += std::string(" ") + e.batchPlace;
        }
        for (const EffectParam& p : e.params) {
            if (p.batchPreset)
                continue;
            const std::string value = *p.batchOption ? std::string(p.batchOption) + " " + p.batchName : p.batchName;
            if (!*e.batchFlag)
                flag += std::string(flag.empty() ? "  " : "  ") + value;
            else
                flag += p.batchOptional ? " [" + value + "]" : " " + value;
        }
        if (flag.empty())
            continue;
        std::string line = flag.size() < 23 ? flag + std::string(23 - flag.size(), ' ') : flag + "\n" + std::string(23, ' ');
        line += e.hint;
        for (const EffectParam& p : e.params)
            if (!p.batchPreset)
                line += std::string("; ") + p.batchName + " " + p.rangeText() +
                        (p.batchOptional && *e.batchFlag ? " (left out: preset)" : "");
        text += line + "\n";
    }
    return text + kUsageTail;
}

std::uint64_t Time::frameAt(std::uint32_t sampleRate) const
{
    if (kind == Kind::Frames)
        return frames;
    // Past every sound rather than wrapped round to an early frame.
    const unsigned __int128 frame = static_cast<unsigned __int128>(milliseconds) * sampleRate / 1000;
    return frame > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(frame);
}

std::uint64_t Time::nearestFrameAt(std::uint32_t sampleRate) const
{
    if (kind == Kind::Frames)
        return frames;
    const unsigned __int128 frame = (static_cast<unsigned __int128>(milliseconds) * sampleRate + 500) / 1000;
    return frame > UINT64_MAX ? UINT64_MAX : static_cast<std::uint64_t>(frame);
}

std::optional<Time> parseTime(const std::string& text, bool endAllowed)
{
    Time t;
    if (text == "end") {
        if (!endAllowed)
            return std::nullopt;
        t.kind = Time::Kind::End;
        return t;
    }
    if (!text.empty() && text.back() == 'f') {
        const auto frames = number(text.substr(0, text.size() - 1));
        if (!frames)
            return std::nullopt;
        t.kind = Time::Kind::Frames;
        t.frames = *frames;
        return t;
    }
    std::string whole = text;
    std::uint64_t millis = 0;
    if (const auto dot = text.find('.'); dot != std::string::npos) {
        const std::string fraction = text.substr(dot + 1);
        const auto digits = number(fraction);
        if (!digits || fraction.size() > 3)
            return std::nullopt;
        millis = *digits * (fraction.size() == 1 ? 100 : fraction.size() == 2 ? 10 : 1);
        whole = text.substr(0, dot);
    }
    std::uint64_t seconds = 0;
    std::size_t parts = 0;
    std::size_t start = 0;
    for (;;) {
        const auto colon = whole.find(':', start);
        const auto part = number(whole.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
        if (!part || ++parts > 3 || (parts > 1 && *part >= 60))
            return std::nullopt;
        // A time too large to count in milliseconds is no time.
        if (__builtin_mul_overflow(seconds, std::uint64_t{60}, &seconds) ||
            __builtin_add_overflow(seconds, *part, &seconds))
            return std::nullopt;
        if (colon == std::string::npos)
            break;
        start = colon + 1;
    }
    if (__builtin_mul_overflow(seconds, std::uint64_t{1000}, &t.milliseconds) ||
        __builtin_add_overflow(t.milliseconds, millis, &t.milliseconds))
        return std::nullopt;
    return t;
}

std::variant<Arguments, std::string> parseArguments(const std::vector<std::string>& args)
{
    Arguments a;
    std::vector<std::string> positional;
    Record record;
    bool recording = false;
    bool recordOption = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const auto value = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            (void)what;
            return args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            a.help = true;
        } else if (arg == "--version") {
            a.version = true;
        } else if (arg == "--quiet") {
            a.quiet = true;
        } else if (arg == "--select") {
            const auto start = value("START");
            const auto end = value("END");
            const auto s = start ? parseTime(*start, false) : std::nullopt;
            const auto e = end ? parseTime(*end, true) : std::nullopt;
            if (!s || !e)
                return std::string("--select needs START and END times");
            a.steps.emplace_back(Select{*s, *e});
        } else if (arg == "--zoom") {
            const auto v = value("N");
            const auto n = v ? number(*v) : std::nullopt;
            if (!n || (*n != 1000 && *n != 2000 && *n != 4000 && *n != 6000 && *n != 8000 && *n != 10000))
                return std::string("--zoom takes 1000, 2000, 4000, 6000, 8000 or 10000");
            a.steps.emplace_back(Zoom{static_cast<std::uint32_t>(*n)});
        } else if (arg == "--delete") {
            a.steps.emplace_back(Edit::Delete);
        } else if (arg == "--cut-out") {
            a.steps.emplace_back(Edit::CutOut);
        } else if (arg == "--fade-in") {
            a.steps.emplace_back(Edit::FadeIn);
        } else if (arg == "--fade-out") {
            a.steps.emplace_back(Edit::FadeOut);
        } else if (arg == "--volume") {
            const auto v = value("V");
            const std::pair<const char*, int> levels[] = {{"250", 0}, {"200", 1}, {"150", 2}, {"100", 3},
                                                         {"75", 4},  {"50", 5},  {"25", 6}};
            if (v && *v == "mute") {
                a.steps.emplace_back(Volume{3, true});
                continue;
            }
            bool found = false;
            for (const auto& [text, position] : levels)
                if (v && *v == text) {
                    a.steps.emplace_back(Volume{position, false});
                    found = true;
                }
            if (!found)
                return std::string("--volume takes 25, 50, 75, 100, 150, 200, 250 or mute");
        } else if (arg == "--copy") {
            a.steps.emplace_back(Clip::Copy);
        } else if (arg == "--cut") {
            a.steps.emplace_back(Clip::Cut);
        } else if (arg == "--paste") {
            const auto v = value("AT");
            const auto at = v ? parseTime(*v, true) : std::nullopt;
            if (!at)
                return std::string("--paste needs a time");
            a.steps.emplace_back(Paste{*at});
        } else if (arg == "--normalize") {
            const auto v = value("DB");
            const std::pair<const char*, double> levels[] = {{"0", 0.0},   {"-0.1", -0.1}, {"-0.5", -0.5},
                                                            {"-1", -1.0}, {"-3", -3.0},   {"-6", -6.0}};
            const auto level = std::find_if(std::begin(levels), std::end(levels),
                                            [&v](const auto& l) { return v && *v == l.first; });
            if (level == std::end(levels))
                return std::string("--normalize takes 0, -0.1, -0.5, -1, -3 or -6");
            a.steps.emplace_back(Normalize{level->second});
        } else if (arg == "--record") {
            const auto v = value("SECONDS");
            const auto t = v ? parseTime(*v, false) : std::nullopt;
            if (!t || t->kind != Time::Kind::Seconds || t->milliseconds == 0)
                return std::string("--record needs a time above 0");
            record.milliseconds = t->milliseconds;
            recording = true;
        } else if (arg == "--device") {
            const auto v = value("NAME");
            if (!v || v->empty())
                return std::string("--device needs an input's name");
            record.device = *v;
            recordOption = true;
        } else if (arg == "--rate") {
            const auto v = value("HZ");
            if (!v || (*v != "44100" && *v != "48000"))
                return std::string("--rate takes 44100 or 48000");
            record.rate = static_cast<std::uint32_t>(*number(*v));
            recordOption = true;
        } else if (arg == "--channels") {
            const auto v = value("N");
            if (!v || (*v != "1" && *v != "2"))
                return std::string("--channels takes 1 or 2");
            record.channels = static_cast<std::uint32_t>(*number(*v));
            recordOption = true;
        } else if (arg == "--save") {
            const auto v = value("OUT");
            if (!v || v->empty())
                return std::string("--save needs a file name");
            a.out = *v;
        } else if (arg == "--bitrate") {
            const auto v = value("KBPS");
            const auto n = v ? number(*v) : std::nullopt;
            if (!n || *n == 0 || *n > 320)
                return std::string("--bitrate takes kbit/s from 1 to 320");
            a.bitrate = static_cast<std::uint32_t>(*n);
        } else if (const EffectParam* only = nullptr; const Effect* effect = effectOfFlag(arg, &only)) {
            EffectStep step{effect, {}, {}};
            const std::string flag = arg;
            if (*effect->batchPlace) {
                const auto v = value("AT");
                const auto at = v ? parseTime(*v, true) : std::nullopt;
                if (!at)
                    return flag + " needs " + effect->batchPlace + " as --paste takes it";
                step.at = *at;
            }
            for (const EffectParam& p : effect->params) {
                std::optional<double> v;
                if (p.batchPreset || (only && &p != only)) {
                    v = p.preset;
                } else if (*p.batchOption && &p != only) {
                    // "OPTION VALUE" after the flag's values, or the preset.
                    if (i + 1 < args.size() && args[i + 1] == p.batchOption) {
                        i += 2;
                        v = i < args.size() ? p.parse(args[i]) : std::nullopt;
                        if (!v)
                            return std::string(p.batchOption) + " needs " + p.batchName + ": " + p.rangeText();
                    } else {
                        v = p.preset;
                    }
                } else if (p.batchOptional && &p != only) {
                    v = i + 1 < args.size() ? p.parse(args[i + 1]) : std::nullopt;
                    if (v)
                        ++i;
                    else
                        v = p.preset;
                } else {
                    const auto text = value(p.batchName);
                    v = text ? p.parse(*text) : std::nullopt;
                    if (!v)
                        return flag + " needs " + p.batchName + ": " + p.rangeText();
                }
                if (!p.holds(*v))
                    return flag + " " + p.batchName + " must be " + p.rangeText();
                step.values.push_back(*v);
            }
            a.steps.emplace_back(std::move(step));
        } else if (arg.rfind("--", 0) == 0) {
            return "unknown step " + arg;
        } else {
            positional.push_back(arg);
        }
    }
    if (a.help || a.version)
        return a;
    if (recordOption && !recording)
        return std::string("--device, --rate and --channels go with --record");
    if (recording) {
        if (!positional.empty())
            return std::string("--record takes the place of the file to open");
        a.record = record;
    } else if (positional.size() != 1) {
        return std::string("name one file to open");
    }
    // A run that only measures needs no output.
    const bool onlyMeasures = std::any_of(a.steps.begin(), a.steps.end(), [](const Step& s) {
        const auto* e = std::get_if<EffectStep>(&s);
        return e && e->effect->length == EffectLength::Measured;
    }) && std::none_of(a.steps.begin(), a.steps.end(), [](const Step& s) {
        const auto* e = std::get_if<EffectStep>(&s);
        return !std::holds_alternative<Select>(s) && !std::holds_alternative<Zoom>(s) &&
               !(e && e->effect->length == EffectLength::Measured);
    });
    if (a.out.empty() && !onlyMeasures)
        return std::string("--save OUT is missing");
    if (!recording)
        a.in = positional[0];
    return a;
}

}  // namespace tw::batch
