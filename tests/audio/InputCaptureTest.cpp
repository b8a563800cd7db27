// The capture ring as the device callback fills it: what a full ring could
// not take is counted, frames come out whole and in order, and the meter's
// peaks and clip mark are taken whether frames are recorded or not.
#include "audio/InputCapture.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using tw::audio::InputCapture;

namespace {

std::vector<std::int16_t> counter(int first, int frames, int channels)
{
    std::vector<std::int16_t> v(std::size_t(frames * channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            v[std::size_t(i * channels + c)] = std::int16_t((first + i) * (c ? -1 : 1));
    return v;
}

TEST(InputCapture, FullRingCountsWhatItCouldNotTakeAndKeepsOrder)
{
    InputCapture capture(48000, 2, 100);
    const auto first = counter(0, 60, 2);
    capture.deliver(first.data(), 60, false);  // not taking yet: the meter only
    EXPECT_EQ(capture.lostFrames(), 0u);
    EXPECT_EQ(capture.overruns(), 0u);
    std::vector<std::int16_t> out(400);
    EXPECT_EQ(capture.read(out.data(), 200), 0u);

    capture.setTaking(true);
    capture.deliver(first.data(), 60, false);
    const auto second = counter(60, 60, 2);
    capture.deliver(second.data(), 60, true);  // 40 fit; the device's own overflow too
    EXPECT_EQ(capture.lostFrames(), 20u);
    EXPECT_EQ(capture.overruns(), 2u);
    // Read in two parts across the ring's end, after room was made.
    ASSERT_EQ(capture.read(out.data(), 70), 70u);
    const auto third = counter(100, 50, 2);
    capture.deliver(third.data(), 50, false);
    ASSERT_EQ(capture.read(out.data() + 140, 200), 80u);
    const auto expected = [] {
        auto v = counter(0, 100, 2);
        const auto t = counter(100, 50, 2);
        v.insert(v.end(), t.begin(), t.end());
        return v;
    }();
    EXPECT_EQ(std::vector<std::int16_t>(out.begin(), out.begin() + 300), expected);
    EXPECT_EQ(capture.overruns(), 2u);
}

TEST(InputCapture, PeaksPerChannelAndTheClipMark)
{
    const struct {
        int channels;
        std::vector<std::int16_t> samples;
        int left, right;
        bool clipped;
    } cases[] = {
        {2, {100, -200, -300, 50}, 300, 200, false},
        {2, {-32768, 0, 0, 0}, 32768, 0, true},
        {1, {5, -7000, 32767}, 32767, 32767, true},
        {1, {0, 0}, 0, 0, false},
    };
    for (const auto& c : cases) {
        InputCapture capture(44100, c.channels, 16);
        capture.deliver(c.samples.data(), c.samples.size() / std::size_t(c.channels), false);
        const auto p = capture.takePeaks();
        EXPECT_EQ(p.left, c.left);
        EXPECT_EQ(p.right, c.right);
        EXPECT_EQ(p.clipped, c.clipped);
        const auto again = capture.takePeaks();  // taken: back to nothing
        EXPECT_EQ(again.left + again.right, 0);
        EXPECT_FALSE(again.clipped);
    }
}

}  // namespace
