// Playback streams on the silent device: positions follow the wall clock,
// pause holds, seeks round to frames, the end stops the stream. On a device
// driven by hand: a buffer the device never played is played again; Pause
// and Stop drop the device's queue; the heard position stands still through a
// gap.
#include "audio/OutputDevice.h"
#include "audio/PlaybackStream.h"
#include "audio/RenderLog.h"
#include "audio/bass.h"
#include "tests/audio/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

using namespace tw::test;
using namespace std::chrono_literals;

namespace {

class Playback : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)); }
    void TearDown() override { BASS_Free(); }

    HSTREAM open(const WavFormat& wavFormat, double seconds, const std::string& name = "play.wav")
    {
        const auto frames = std::size_t(wavFormat.rate * seconds);
        std::vector<std::uint8_t> pcm;
        if (wavFormat.bits == 16) {
            pcm = pcm16(frames, wavFormat.channels, [&](std::size_t i, int) { return 0.5 * std::sin(i * 0.05); });
        } else {
            for (std::size_t i = 0; i < frames * wavFormat.channels; ++i)
                pcm.push_back(std::uint8_t(128 + 60 * std::sin(i * 0.05)));
        }
        const std::string path = dir_.file(name);
        writeWav(path, wavFormat, pcm);
        return BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    }

    static double seconds(HSTREAM h) { return BASS_ChannelBytes2Seconds(h, BASS_ChannelGetPosition(h, BASS_POS_BYTE)); }

    // Waits until the stream is no longer active; false on timeout.
    static bool waitForEnd(HSTREAM h, std::chrono::milliseconds limit)
    {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (BASS_ChannelIsActive(h) != BASS_ACTIVE_STOPPED) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(10ms);
        }
        return true;
    }

    ScratchDir dir_;
};

TEST_F(Playback, InfoAndLengthComeFromTheWavHeader)
{
    const HSTREAM h = open({22050, 1, 8}, 1.0);
    ASSERT_NE(h, 0u);
    BASS_CHANNELINFO info;
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.freq, 22050u);
    EXPECT_EQ(info.chans, 1u);
    EXPECT_EQ(info.flags & BASS_SAMPLE_8BITS, BASS_SAMPLE_8BITS);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), 22050u);
    EXPECT_DOUBLE_EQ(BASS_ChannelBytes2Seconds(h, 22050), 1.0);
    EXPECT_EQ(BASS_StreamGetFilePosition(h, BASS_FILEPOS_END), 44u + 22050u);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 0u);
}

TEST_F(Playback, PositionFollowsTheClockAndPauseHoldsIt)
{
    const HSTREAM h = open({44100, 2, 16}, 5.0);
    ASSERT_NE(h, 0u);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    std::this_thread::sleep_for(600ms);
    const double played = seconds(h);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(played, 0.3);
    EXPECT_LE(played, elapsed + 0.05);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE) % 4, 0u);

    ASSERT_TRUE(BASS_ChannelPause(h));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PAUSED);
    const QWORD held = BASS_ChannelGetPosition(h, BASS_POS_BYTE);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), held);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, held), played, 0.2);

    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));  // resumes where it was
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    std::this_thread::sleep_for(300ms);
    const QWORD resumed = BASS_ChannelGetPosition(h, BASS_POS_BYTE);
    EXPECT_GT(resumed, held + 44100 * 4 / 10);
    EXPECT_LT(resumed, held + 44100 * 4 * 2);

    ASSERT_TRUE(BASS_ChannelStop(h));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));  // restart from the beginning
    EXPECT_LT(seconds(h), 0.5);
}

TEST_F(Playback, SeekRoundsDownToFramesAndClampsAtTheEnd)
{
    const HSTREAM h = open({44100, 2, 16}, 2.0);
    ASSERT_NE(h, 0u);
    const QWORD length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 100003, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 100000u);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, length * 3, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), length);

    // While playing, a seek continues from the new place.
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 0, BASS_POS_BYTE));
    ASSERT_TRUE(BASS_ChannelPlay(h, FALSE));
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 44100 * 4 + 2, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
    const QWORD after = BASS_ChannelGetPosition(h, BASS_POS_BYTE);
    EXPECT_GE(after, 44100u * 4);
    EXPECT_LT(after, 44100u * 4 + 44100u * 4 / 2);

    // While paused, it stays paused at the new place.
    ASSERT_TRUE(BASS_ChannelPause(h));
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 4001, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PAUSED);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 4000u);
}

TEST_F(Playback, MonoEightBitSeekRoundsToOneByte)
{
    const HSTREAM h = open({8000, 1, 8}, 1.0);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 1234, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 1234u);
}

TEST_F(Playback, PlayingToTheEndStopsTheStream)
{
    const HSTREAM h = open({44100, 2, 16}, 0.4);
    ASSERT_NE(h, 0u);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    ASSERT_TRUE(waitForEnd(h, 5s));
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(took, 0.3);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), BASS_ChannelGetLength(h, BASS_POS_BYTE));
    // The caller's stop routine then rewinds; a new play works.
    EXPECT_TRUE(BASS_ChannelStop(h));
    EXPECT_TRUE(BASS_ChannelSetPosition(h, 0, BASS_POS_BYTE));
    EXPECT_TRUE(BASS_ChannelPlay(h, FALSE));
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);
}

TEST_F(Playback, OtherRatesPlayInRealTime)
{
    // One second at 8 kHz lasts one second on the 44.1 kHz device.
    const HSTREAM h = open({8000, 1, 16}, 1.0);
    ASSERT_NE(h, 0u);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    std::this_thread::sleep_for(400ms);
    EXPECT_NEAR(seconds(h), 0.4, 0.25);
    ASSERT_TRUE(waitForEnd(h, 5s));
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(took, 0.85);
}

TEST_F(Playback, EnvironmentMakesTheDefaultDeviceSilent)
{
    BASS_Free();
    setenv("TARNWICK_AUDIO", "none", 1);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const HSTREAM h = open({44100, 2, 16}, 1.0);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    std::this_thread::sleep_for(200ms);
    EXPECT_GT(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 0u);
}

TEST_F(Playback, FreeStopsEverything)
{
    const HSTREAM h = open({44100, 2, 16}, 2.0);
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(h, TRUE));
    EXPECT_TRUE(BASS_Free());
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    EXPECT_FALSE(BASS_ChannelPlay(h, TRUE));
    EXPECT_TRUE(BASS_Free());  // twice is fine
    // Without a device there is no playback stream.
    EXPECT_EQ(open({44100, 2, 16}, 0.1, "other.wav"), 0u);
}

// Renders a pass when asked; hears what it is told. With a latency it holds
// a queue, which it drops when asked.
class ManualDevice final : public tw::audio::OutputDevice {
public:
    ManualDevice() : OutputDevice(44100) {}
    std::int64_t heardFrames() const override { return heard; }
    std::int64_t latencyFrames() const override { return latency; }
    std::optional<std::int64_t> dropQueued() override
    {
        ++drops;
        return heard;
    }
    void close() override {}

    std::vector<float> pass(int frames, bool previousLost = false)
    {
        std::vector<float> out(std::size_t(frames) * 2);
        mixer().render(out.data(), frames, previousLost);
        return out;
    }

    std::int64_t heard = 0;
    std::int64_t latency = 0;
    int drops = 0;
};

// A second of frames whose frame i is i % 20000 + 1 and its negative.
std::string countWav(const ScratchDir& dir)
{
    const std::string path = dir.file("count.wav");
    std::vector<std::uint8_t> pcm;
    for (int i = 0; i < 44100; ++i) {
        for (const int v : {i % 20000 + 1, -(i % 20000 + 1)}) {
            pcm.push_back(std::uint8_t(v & 0xFF));
            pcm.push_back(std::uint8_t((v >> 8) & 0xFF));
        }
    }
    writeWav(path, {44100, 2, 16}, pcm);
    return path;
}

TEST(ManualPlayback, ABufferTheDeviceNeverPlayedIsPlayedAgain)
{
    ScratchDir dir;
    const std::string path = countWav(dir);
    const auto device = std::make_shared<ManualDevice>();
    const auto stream = tw::audio::PlaybackStream::open(path, device);
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(stream->play(true));
    const auto first = device->pass(1024);
    EXPECT_FLOAT_EQ(first[2 * 1000], 1001 / 32768.0f);  // after the ramp
    const auto lost = device->pass(1024);
    EXPECT_FLOAT_EQ(lost[0], 1025 / 32768.0f);
    // The device reports the last pass lost: it comes again, then the rest.
    EXPECT_EQ(device->pass(1024, true), lost);
    EXPECT_FLOAT_EQ(device->pass(1024)[0], 2049 / 32768.0f);
    EXPECT_EQ(device->renderedFrames(), 3072);

    // Positions count only what was played: the lost pass's device frames
    // went to the pass after it.
    device->heard = 1500;
    EXPECT_EQ(stream->position(), 1500u * 4);
    device->heard = 3000;
    EXPECT_EQ(stream->position(), 3000u * 4);
}

// Pause and Stop drop the device's queue, so the sound ends at once, and the
// stream goes on from the frame heard then; not while another stream sounds,
// whose queued frames would go too.
TEST(ManualPlayback, PauseDropsTheQueueAndGoesOnFromTheFrameHeardUnlessAnotherStreamSounds)
{
    ScratchDir dir;
    const std::string path = countWav(dir);
    const auto device = std::make_shared<ManualDevice>();
    device->latency = 8820;
    const auto a = tw::audio::PlaybackStream::open(path, device);
    const auto b = tw::audio::PlaybackStream::open(path, device);
    ASSERT_TRUE(a && b);
    ASSERT_TRUE(a->play(true));
    device->pass(3072);
    device->heard = 1500;
    ASSERT_TRUE(a->pause());
    EXPECT_EQ(device->drops, 1);
    EXPECT_EQ(a->position(), 1500u * 4);
    ASSERT_TRUE(a->play(false));
    EXPECT_FLOAT_EQ(device->pass(1024)[2 * 300], 1801 / 32768.0f);  // after the ramp

    ASSERT_TRUE(b->play(true));
    device->pass(1024);
    {
        // The device goes on rendering, so that a's fade ends.
        std::atomic<bool> done{false};
        std::thread rendering([&] {
            while (!done) {
                device->pass(256);
                std::this_thread::sleep_for(1ms);
            }
        });
        EXPECT_TRUE(a->stop());
        done = true;
        rendering.join();
    }
    EXPECT_EQ(device->drops, 1);
    EXPECT_TRUE(b->stop());
    EXPECT_EQ(device->drops, 2);
}

TEST(RenderLog, TheHeardFrameStandsStillThroughAGap)
{
    tw::audio::RenderLog log;
    EXPECT_EQ(log.takenBy(100), 0);
    EXPECT_EQ(log.end(), -1);
    log.add(0, 0, 1024);
    log.add(1024, 1024, 500);  // the ring ran dry: 524 device frames of silence
    log.add(2048, 1524, 1024);
    EXPECT_EQ(log.takenBy(1300), 1300);
    EXPECT_EQ(log.takenBy(1800), 1524);
    EXPECT_EQ(log.takenBy(2100), 1576);
    EXPECT_EQ(log.end(), 3072);
    // The last pass was never played; the next one takes its device frames.
    log.dropLast(1024);
    EXPECT_EQ(log.end(), 1524);
    log.add(2048, 1524, 1024);
    EXPECT_EQ(log.takenBy(2100), 1576);
    log.clear();
    EXPECT_EQ(log.takenBy(2100), 0);
}

}  // namespace
