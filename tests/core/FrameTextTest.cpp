// Frame positions as HH:MM:SS.mmm or frames, both ways.
#include <gtest/gtest.h>

#include "core/FrameText.h"

namespace {

TEST(FrameText, TimesAndFramesBothWays)
{
    using tw::FrameUnit;
    struct Case {
        const char* text;
        FrameUnit unit;
        std::uint32_t rate;
        std::optional<std::uint64_t> frame;
    };
    const Case cases[] = {
        {"01:02:05.250", FrameUnit::Time, 44100, 3725ull * 44100 + 11025},
        {"5.5", FrameUnit::Time, 8000, 44000},
        {"1:00", FrameUnit::Time, 48000, 2'880'000},
        {"0.001", FrameUnit::Time, 44100, 44},  // 44.1 to the nearest
        {"0.0005", FrameUnit::Time, 44100, std::nullopt},
        {"00:60:00", FrameUnit::Time, 44100, std::nullopt},
        {"1:2:3:4", FrameUnit::Time, 44100, std::nullopt},
        {"abc", FrameUnit::Time, 44100, std::nullopt},
        {" 123456 ", FrameUnit::Frames, 44100, 123456},
        {"12.5", FrameUnit::Frames, 44100, std::nullopt},
        {"", FrameUnit::Frames, 44100, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(tw::parseFrameText(c.text, c.rate, c.unit), c.frame) << c.text;

    EXPECT_EQ(tw::frameText(3725ull * 44100 + 11025, 44100, FrameUnit::Time), "01:02:05.250");
    EXPECT_EQ(tw::frameText(360'000ull * 8000, 8000, FrameUnit::Time), "100:00:00.000");
    EXPECT_EQ(tw::frameText(22, 44100, FrameUnit::Time), "00:00:00.000");  // 0.4988 ms
    EXPECT_EQ(tw::frameText(23, 44100, FrameUnit::Time), "00:00:00.001");
    EXPECT_EQ(tw::frameText(987654, 44100, FrameUnit::Frames), "987654");
}

}  // namespace
