// The command line of tarnwick-batch: IN [STEP...] --save OUT [--bitrate KBPS].
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace tw {
struct Effect;
}

namespace tw::batch {

// A time on the command line: seconds (SS, MM:SS, HH:MM:SS, optional .mmm) or
// sample frames (a number with a trailing f); "end" only as a selection's end.
struct Time {
    enum class Kind { Seconds, Frames, End } kind = Kind::Seconds;
    std::uint64_t milliseconds = 0;
    std::uint64_t frames = 0;
    // The frame it stands for at sampleRate (a time: the frame it lies in).
    std::uint64_t frameAt(std::uint32_t sampleRate) const;
    // The same, a time to the nearest frame.
    std::uint64_t nearestFrameAt(std::uint32_t sampleRate) const;
};

struct Select {
    Time start, end;
};
struct Zoom {
    std::uint32_t framesPerColumn;
};
enum class Edit { Delete, CutOut, FadeIn, FadeOut };
struct Volume {
    int position;  // in the window's list: 0 for 250 % ... 6 for 25 %
    bool mute;
};
enum class Clip { Copy, Cut };
struct Paste {
    Time at;  // the frame the sound goes in before; "end" for the end of the sound
};
struct Normalize {
    double level;  // dB: 0, -0.1, -0.5, -1, -3 or -6
};
// An entry of the effect table with its place (Inserted effects) and values.
struct EffectStep {
    const Effect* effect = nullptr;
    Time at;
    std::vector<double> values;
};
using Step = std::variant<Select, Zoom, Edit, Volume, Clip, Paste, Normalize, EffectStep>;

struct Arguments {
    std::string in;
    std::vector<Step> steps;
    std::string out;  // may be left out when a step only measures (--stats)
    std::optional<std::uint32_t> bitrate;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

std::optional<Time> parseTime(const std::string& text, bool endAllowed);

// The arguments, or an error text for the usage message.
std::variant<Arguments, std::string> parseArguments(const std::vector<std::string>& args);

// The --help text: the fixed lines and one per effect of the table.
std::string usage();

}  // namespace tw::batch
