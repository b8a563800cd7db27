// Calls on handles that are 0, freed or of the wrong kind fail harmlessly,
// also while another thread frees streams.
#include "audio/bass.h"
#include "tests/audio/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

using namespace tw::test;
using namespace std::chrono_literals;

namespace {

void expectAllFail(DWORD h)
{
    std::vector<std::uint8_t> buffer(10000);
    BASS_CHANNELINFO info;
    EXPECT_FALSE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), BASS_ERROR_QWORD);
    EXPECT_LT(BASS_ChannelBytes2Seconds(h, 1000), 0.0);
    EXPECT_EQ(BASS_StreamGetFilePosition(h, BASS_FILEPOS_END), BASS_ERROR_QWORD);
    EXPECT_EQ(BASS_ChannelGetData(h, buffer.data(), 10000), BASS_ERROR_DWORD);
    EXPECT_EQ(BASS_ChannelGetData(h, buffer.data(), BASS_DATA_FFT1024), BASS_ERROR_DWORD);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), BASS_ERROR_QWORD);
    EXPECT_FALSE(BASS_ChannelSetPosition(h, 0, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    EXPECT_FALSE(BASS_ChannelPlay(h, TRUE));
    EXPECT_FALSE(BASS_ChannelPause(h));
    EXPECT_FALSE(BASS_ChannelStop(h));
    EXPECT_EQ(BASS_ChannelGetLevel(h), 0u);
    EXPECT_FALSE(BASS_StreamFree(h));
}

class Robustness : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)); }
    void TearDown() override { BASS_Free(); }

    std::string wav(double seconds)
    {
        const std::string path = dir_.file("r.wav");
        writeWav(path, {44100, 2, 16}, pcm16(std::size_t(44100 * seconds), 2, [](std::size_t i, int) {
                     return (i / 40) % 2 ? 0.9 : -0.9;
                 }));
        return path;
    }

    ScratchDir dir_;
};

TEST_F(Robustness, VersionAndInit)
{
    EXPECT_EQ(BASS_GetVersion() >> 16, 0x0204u);
    EXPECT_FALSE(BASS_Init(0, 44100, 0, nullptr, nullptr));  // already initialised
}

TEST_F(Robustness, DefaultDeviceProbingIsQuiet)
{
    // With or without a sound card here, probing prints nothing.
    BASS_Free();
    const std::string saved = std::getenv("TARNWICK_AUDIO") ? std::getenv("TARNWICK_AUDIO") : "";
    unsetenv("TARNWICK_AUDIO");
    testing::internal::CaptureStderr();
    const BOOL opened = BASS_Init(-1, 44100, 0, nullptr, nullptr);
    BASS_Free();
    const std::string printed = testing::internal::GetCapturedStderr();
    if (!saved.empty())
        setenv("TARNWICK_AUDIO", saved.c_str(), 1);
    EXPECT_EQ(printed, "") << "opened: " << opened;
    ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr));
}

TEST_F(Robustness, NullAndUnknownHandles)
{
    expectAllFail(0);
    expectAllFail(0x12345678);
    expectAllFail(0xFFFFFFFF);
}

TEST_F(Robustness, FreedHandles)
{
    const HSTREAM h = BASS_StreamCreateFile(FALSE, wav(0.5).c_str(), 0, 0, 0);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    ASSERT_TRUE(BASS_StreamFree(h));
    expectAllFail(h);
}

TEST_F(Robustness, WrongKindOfHandle)
{
    const std::string path = wav(0.5);
    const HSTREAM decoder = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(decoder, 0u);
    EXPECT_FALSE(BASS_ChannelPlay(decoder, TRUE));
    EXPECT_FALSE(BASS_ChannelPause(decoder));
    EXPECT_FALSE(BASS_ChannelSetPosition(decoder, 0, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetLevel(decoder), 0u);
    float fft[512];
    EXPECT_EQ(BASS_ChannelGetData(decoder, fft, BASS_DATA_FFT1024), BASS_ERROR_DWORD);
    EXPECT_EQ(BASS_ChannelGetPosition(decoder, BASS_POS_BYTE), 0u);  // nothing was consumed

    const HSTREAM player = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(player, 0u);
    std::vector<std::uint8_t> pcm(10000);
    EXPECT_EQ(BASS_ChannelGetData(player, pcm.data(), 10000), BASS_ERROR_DWORD);
    EXPECT_EQ(BASS_ChannelGetPosition(player, 1), BASS_ERROR_QWORD);  // only byte positions
}

TEST_F(Robustness, TimerCallsWhileAnotherThreadFreesStreams)
{
    const std::string path = wav(1.0);
    std::atomic<HSTREAM> current{0};
    std::atomic<bool> done{false};
    std::thread timer([&] {
        std::vector<float> fft(512);
        while (!done) {
            const HSTREAM h = current.load();
            BASS_ChannelIsActive(h);
            BASS_ChannelGetData(h, fft.data(), BASS_DATA_FFT1024);
            BASS_ChannelGetLevel(h);
            BASS_ChannelGetPosition(h, BASS_POS_BYTE);
            BASS_ChannelSetPosition(h, 4000, BASS_POS_BYTE);
        }
    });
    for (int i = 0; i < 40; ++i) {
        const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
        ASSERT_NE(h, 0u);
        current = h;
        BASS_ChannelPlay(h, TRUE);
        std::this_thread::sleep_for(5ms);
        if (i % 2)
            BASS_ChannelPause(h);
        BASS_StreamFree(h);
    }
    done = true;
    timer.join();
}

}  // namespace
