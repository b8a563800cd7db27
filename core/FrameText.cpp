#include "core/FrameText.h"

#include <cctype>
#include <cstdio>
#include <vector>

namespace tw {

namespace {

constexpr std::uint64_t kMaxFrames = std::uint64_t{1} << 40;

std::optional<std::uint64_t> digits(const std::string& text)
{
    if (text.empty() || text.size() > 12)
        return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

}  // namespace

std::string frameText(std::uint64_t frame, std::uint32_t rate, FrameUnit unit)
{
    if (unit == FrameUnit::Frames || rate == 0)
        return std::to_string(frame);
    const std::uint64_t ms = (frame * 1000 + rate / 2) / rate;
    char text[48];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu.%03llu", static_cast<unsigned long long>(ms / 3'600'000),
                  static_cast<unsigned long long>(ms / 60'000 % 60), static_cast<unsigned long long>(ms / 1000 % 60),
                  static_cast<unsigned long long>(ms % 1000));
    return text;
}

std::optional<std::uint64_t> parseFrameText(const std::string& input, std::uint32_t rate, FrameUnit unit)
{
    const std::string text = trimmed(input);
    if (unit == FrameUnit::Frames) {
        const auto frames = digits(text);
        return frames && *frames <= kMaxFrames ? frames : std::nullopt;
    }
    if (rate == 0)
        return std::nullopt;
    std::string whole = text, fraction;
    if (const auto dot = text.find('.'); dot != std::string::npos) {
        whole = text.substr(0, dot);
        fraction = text.substr(dot + 1);
        if (fraction.empty() || fraction.size() > 3 || !digits(fraction))
            return std::nullopt;
    }
    std::vector<std::uint64_t> parts;
    for (std::size_t from = 0;;) {
        const auto colon = whole.find(':', from);
        const auto part = digits(whole.substr(from, colon == std::string::npos ? std::string::npos : colon - from));
        if (!part)
            return std::nullopt;
        parts.push_back(*part);
        if (colon == std::string::npos)
            break;
        from = colon + 1;
    }
    if (parts.size() > 3 || (parts.size() > 1 && parts.back() >= 60) || (parts.size() > 2 && parts[1] >= 60))
        return std::nullopt;
    std::uint64_t seconds = 0;
    for (const std::uint64_t p : parts)
        seconds = seconds * 60 + p;
    while (fraction.size() < 3)
        fraction += '0';
    const std::uint64_t ms = seconds * 1000 + *digits(fraction);
    if (ms > kMaxFrames)
        return std::nullopt;
    const std::uint64_t frames = (ms * rate + 500) / 1000;  // the nearest frame
    return frames <= kMaxFrames ? std::optional(frames) : std::nullopt;
}

}  // namespace tw
