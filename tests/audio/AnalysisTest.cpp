// Level and FFT data of what is being played.
#include "audio/bass.h"
#include "tests/audio/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

using namespace tw::test;
using namespace std::chrono_literals;

namespace {

class Analysis : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)); }
    void TearDown() override { BASS_Free(); }

    HSTREAM play(const WavFormat& wavFormat, const std::vector<std::uint8_t>& pcm)
    {
        const std::string path = dir_.file("a.wav");
        writeWav(path, wavFormat, pcm);
        const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        if (h)
            BASS_ChannelPlay(h, TRUE);
        std::this_thread::sleep_for(300ms);
        return h;
    }

    ScratchDir dir_;
};

TEST_F(Analysis, FullScaleSquareReachesFullLevel)
{
    // Left full scale, right at half.
    const auto pcm = pcm16(44100 * 3, 2, [](std::size_t i, int c) {
        const double v = (i / 50) % 2 ? 1.0 : -1.0;
        return c == 0 ? v : v / 2;
    });
    const HSTREAM h = play({44100, 2, 16}, pcm);
    ASSERT_NE(h, 0u);
    const DWORD level = BASS_ChannelGetLevel(h);
    EXPECT_GE(level & 0xFFFF, 32700u);
    EXPECT_LE(level & 0xFFFF, 32768u);
    EXPECT_NEAR(double(level >> 16), 16384.0, 200.0);

    BASS_ChannelPause(h);
    EXPECT_EQ(BASS_ChannelGetLevel(h), 0u);
    BASS_ChannelStop(h);
    EXPECT_EQ(BASS_ChannelGetLevel(h), 0u);
}

TEST_F(Analysis, SilenceHasNoLevel)
{
    const HSTREAM h = play({44100, 2, 16}, std::vector<std::uint8_t>(44100 * 4 * 3, 0));
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    EXPECT_EQ(BASS_ChannelGetLevel(h), 0u);
}

TEST_F(Analysis, EightBitMonoIsScaledAndInBothWords)
{
    std::vector<std::uint8_t> pcm(22050 * 3);
    for (std::size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = (i / 30) % 2 ? 255 : 0;
    const HSTREAM h = play({22050, 1, 8}, pcm);
    ASSERT_NE(h, 0u);
    const DWORD level = BASS_ChannelGetLevel(h);
    EXPECT_EQ(level & 0xFFFF, 32768u);
    EXPECT_EQ(level >> 16, 32768u);
}

TEST_F(Analysis, SineOnABinPeaksThereAtAboutOne)
{
    constexpr int bin = 64;
    const double freq = bin * 44100.0 / 1024;
    const auto pcm = pcm16(44100 * 3, 2, [&](std::size_t i, int) {
        return std::sin(2 * std::numbers::pi * freq * double(i) / 44100);
    });
    const HSTREAM h = play({44100, 2, 16}, pcm);
    ASSERT_NE(h, 0u);
    std::vector<float> fft(512, -1.0f);
    EXPECT_EQ(BASS_ChannelGetData(h, fft.data(), BASS_DATA_FFT1024), 512u * sizeof(float));
    const auto peak = std::max_element(fft.begin(), fft.end());
    EXPECT_EQ(peak - fft.begin(), bin);
    EXPECT_NEAR(*peak, 1.0, 0.05);
    EXPECT_LT(fft[bin + 5], 0.01f);
    EXPECT_LT(fft[bin - 5], 0.01f);
}

TEST_F(Analysis, SpectrumOfAnotherRateUsesItsOwnBins)
{
    // 8 kHz source: bin k is k * 8000 / 1024 Hz.
    constexpr int bin = 100;
    const double freq = bin * 8000.0 / 1024;
    const auto pcm = pcm16(8000 * 3, 1, [&](std::size_t i, int) {
        return 0.5 * std::sin(2 * std::numbers::pi * freq * double(i) / 8000);
    });
    const HSTREAM h = play({8000, 1, 16}, pcm);
    ASSERT_NE(h, 0u);
    std::vector<float> fft(512);
    ASSERT_NE(BASS_ChannelGetData(h, fft.data(), BASS_DATA_FFT1024), BASS_ERROR_DWORD);
    EXPECT_EQ(std::max_element(fft.begin(), fft.end()) - fft.begin(), bin);
    EXPECT_NEAR(fft[bin], 0.5, 0.05);
}

}  // namespace
