// Frame positions as text: HH:MM:SS.mmm or a count of frames.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tw {

enum class FrameUnit { Time, Frames };

// The time of frame at rate, to the millisecond (nearest), or the frame count.
std::string frameText(std::uint64_t frame, std::uint32_t rate, FrameUnit unit);

// A frame from HH:MM:SS.mmm (hours and minutes may be left out, the fraction
// has up to three digits; the nearest frame) or from a plain count; nothing
// for anything else.
std::optional<std::uint64_t> parseFrameText(const std::string& text, std::uint32_t rate, FrameUnit unit);

}  // namespace tw
