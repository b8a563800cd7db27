// Free-format MP3 (no bitrate index in the frame headers), which FFmpeg
// cannot decode: decoding streams fall back to libmpg123 for it.
#include "audio/Mpg123Stream.h"
#include "audio/bass.h"
#include "tests/audio/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>

using namespace tw::test;

namespace {

constexpr double seconds = 2.3;
constexpr double amplitude = 0.5;

// Channel c's tone: 1000 Hz on the left, 500 Hz on the right.
double toneHz(int c)
{
    return c == 0 ? 1000.0 : 500.0;
}

bool haveLame()
{
    return run("command -v lame >/dev/null 2>&1");
}

struct Source {
    std::string mp3;
    std::size_t frames = 0;
};

// A sine per channel, encoded by LAME as free format at kbps.
Source makeFreeFormat(const ScratchDir& dir, int rate, int channels, int kbps)
{
    const std::size_t frames = std::size_t(seconds * rate);
    const auto pcm = pcm16(frames, channels, [&](std::size_t i, int c) {
        return amplitude * std::sin(2 * std::numbers::pi * toneHz(c) * double(i) / rate);
    });
    const std::string wav = dir.file("src.wav");
    writeWav(wav, {std::uint32_t(rate), std::uint16_t(channels), 16}, pcm);
    const std::string mp3 = dir.file("free.mp3");
    if (!run("lame --quiet --freeformat -b " + std::to_string(kbps) + " " + quoted(wav) + " " + quoted(mp3)))
        return {};
    return {mp3, frames};
}

double sampleAt(const std::vector<std::uint8_t>& pcm, std::size_t frame, int channels, int c)
{
    const std::size_t at = (frame * channels + c) * 2;
    return double(std::int16_t(pcm[at] | (pcm[at + 1] << 8))) / 32767.0;
}

struct Measured {
    double hz = 0;
    double rms = 0;
    double errorRms = 0;  // against the source sine at the same sample
};

// Over the middle of the sound, away from the encoder's edges.
Measured measure(const std::vector<std::uint8_t>& pcm, int rate, int channels, int c)
{
    const std::size_t frames = pcm.size() / (2 * channels);
    const std::size_t from = frames / 5;
    const std::size_t to = frames * 4 / 5;
    Measured m;
    int crossings = 0;
    double sum = 0;
    double errorSum = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double v = sampleAt(pcm, i, channels, c);
        if (i > from && (sampleAt(pcm, i - 1, channels, c) < 0) != (v < 0))
            ++crossings;
        sum += v * v;
        const double expected = amplitude * std::sin(2 * std::numbers::pi * toneHz(c) * double(i) / rate);
        errorSum += (v - expected) * (v - expected);
    }
    const double span = double(to - from);
    m.hz = crossings / 2.0 / (span / rate);
    m.rms = std::sqrt(sum / span);
    m.errorRms = std::sqrt(errorSum / span);
    return m;
}

struct Case {
    int rate;
    int channels;
    int kbps;
};

class FreeFormat : public testing::TestWithParam<Case> {};

TEST_P(FreeFormat, OpensWithExactLengthAndTheEncodedTone)
{
    if (!haveLame())
        GTEST_SKIP() << "lame is not installed";
    const Case c = GetParam();
    ScratchDir dir;
    const Source src = makeFreeFormat(dir, c.rate, c.channels, c.kbps);
    ASSERT_FALSE(src.mp3.empty()) << "lame could not encode free format";

    const HSTREAM h = BASS_StreamCreateFile(FALSE, src.mp3.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(h, 0u);
    BASS_CHANNELINFO info;
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.freq, DWORD(c.rate));
    EXPECT_EQ(info.chans, DWORD(c.channels));
    EXPECT_EQ(info.flags & BASS_SAMPLE_8BITS, 0u);
    EXPECT_NE(info.flags & BASS_STREAM_DECODE, 0u);
    EXPECT_STREQ(info.filename, src.mp3.c_str());
    EXPECT_EQ(BASS_StreamGetFilePosition(h, BASS_FILEPOS_END), std::filesystem::file_size(src.mp3));

    // LAME's info frame gives the delay and padding, so the length is the
    // source's to the sample.
    const QWORD length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    EXPECT_EQ(length, QWORD(src.frames) * c.channels * 2);
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, length), seconds, 0.01);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_PLAYING);

    const auto decoded = decodeAll(h);
    EXPECT_EQ(decoded.size(), length);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), decoded.size());
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    std::uint8_t more[64];
    EXPECT_EQ(BASS_ChannelGetData(h, more, sizeof more), 0u);

    for (int ch = 0; ch < c.channels; ++ch) {
        const Measured m = measure(decoded, c.rate, c.channels, ch);
        EXPECT_NEAR(m.hz, toneHz(ch), toneHz(ch) * 0.01) << "channel " << ch;
        EXPECT_NEAR(m.rms, amplitude / std::sqrt(2.0), 0.02) << "channel " << ch;
        // Sample-aligned with the source: one sample of shift would leave an
        // error of at least a tenth of the amplitude at 1000 Hz.
        EXPECT_LT(m.errorRms, amplitude * 0.06) << "channel " << ch;
    }
    EXPECT_TRUE(BASS_StreamFree(h));
}

INSTANTIATE_TEST_SUITE_P(Rates, FreeFormat, testing::Values(Case{44100, 2, 400}, Case{22050, 1, 160}),
                         [](const testing::TestParamInfo<Case>& info) {
                             return std::to_string(info.param.channels) + "ch_" + std::to_string(info.param.rate);
                         });

std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

TEST(FreeFormatDamage, CutAndCorruptFilesKeepTheirLengthAndEnd)
{
    if (!haveLame())
        GTEST_SKIP() << "lame is not installed";
    ScratchDir dir;
    const Source src = makeFreeFormat(dir, 44100, 2, 320);
    ASSERT_FALSE(src.mp3.empty());
    const auto bytes = readBytes(src.mp3);

    auto cut = bytes;
    cut.resize(cut.size() * 6 / 10 + 77);  // inside a frame
    auto corrupt = bytes;
    std::uint32_t x = 777;
    for (std::size_t i = corrupt.size() / 3; i < corrupt.size() / 2; ++i) {
        x = x * 1103515245u + 12345u;
        corrupt[i] = std::uint8_t(x >> 16);
    }
    for (const auto& [name, content] : {std::pair{"cut.mp3", cut}, std::pair{"corrupt.mp3", corrupt}}) {
        const std::string path = dir.file(name);
        writeBytes(path, content);
        const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        ASSERT_NE(h, 0u) << name;
        const QWORD length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
        EXPECT_EQ(length % 4, 0u) << name;
        const auto decoded = decodeAll(h);
        EXPECT_EQ(decoded.size(), length) << name;
        EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED) << name;
        EXPECT_GT(decoded.size(), std::size_t(44100 * 4 / 2)) << name;  // the intact front is there
        // The intact front is the tone.
        const std::vector<std::uint8_t> front(decoded.begin(), decoded.begin() + 44100 * 4 / 2);
        EXPECT_NEAR(measure(front, 44100, 2, 0).hz, 1000.0, 10.0) << name;
        BASS_StreamFree(h);
    }
}

TEST(FreeFormatFallback, NotMpegAudioGivesNoStream)
{
    ScratchDir dir;
    const std::string text = dir.file("notes.mp3");
    std::ofstream(text) << "This is a plain text file, not a sound.\nIt only has an .mp3 name.\n";
    EXPECT_EQ(tw::audio::Mpg123Stream::open(text), nullptr);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, text.c_str(), 0, 0, BASS_STREAM_DECODE), 0u);

    // A lone frame header with nothing decodable after it.
    const std::string header = dir.file("header.mp3");
    writeBytes(header, {0xFF, 0xFB, 0x04, 0x00, 0x00, 0x00});
    EXPECT_EQ(tw::audio::Mpg123Stream::open(header), nullptr);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, header.c_str(), 0, 0, BASS_STREAM_DECODE), 0u);

    const std::string empty = dir.file("empty.mp3");
    std::ofstream{empty};
    EXPECT_EQ(tw::audio::Mpg123Stream::open(empty), nullptr);
    EXPECT_EQ(tw::audio::Mpg123Stream::open(dir.file("missing.mp3")), nullptr);
}

// On an ordinary MP3 both decoders agree: the same gapless length and,
// within rounding, the same samples.
TEST(FreeFormatFallback, AgreesWithFfmpegOnAnOrdinaryMp3)
{
    if (!haveLame())
        GTEST_SKIP() << "lame is not installed";
    ScratchDir dir;
    const std::size_t frames = std::size_t(seconds * 44100);
    const auto pcm = pcm16(frames, 2, [&](std::size_t i, int c) {
        return amplitude * std::sin(2 * std::numbers::pi * toneHz(c) * double(i) / 44100);
    });
    const std::string wav = dir.file("src.wav");
    writeWav(wav, {}, pcm);
    const std::string mp3 = dir.file("plain.mp3");
    ASSERT_TRUE(run("lame --quiet -b 192 " + quoted(wav) + " " + quoted(mp3)));
    const auto expected = ffmpegDecode(mp3);
    ASSERT_FALSE(expected.empty());

    const auto stream = tw::audio::Mpg123Stream::open(mp3);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(stream->length(), expected.size());
    std::vector<std::uint8_t> decoded;
    std::vector<std::uint8_t> block(4096);
    while (stream->isActive()) {
        const DWORD got = stream->getData(block.data(), DWORD(block.size()));
        ASSERT_GT(got, 0u);
        ASSERT_EQ(got % 4, 0u);
        decoded.insert(decoded.end(), block.begin(), block.begin() + got);
    }
    ASSERT_EQ(decoded.size(), expected.size());
    int worst = 0;
    for (std::size_t i = 0; i + 1 < decoded.size(); i += 2) {
        const int a = std::int16_t(decoded[i] | (decoded[i + 1] << 8));
        const int b = std::int16_t(expected[i] | (expected[i + 1] << 8));
        worst = std::max(worst, std::abs(a - b));
    }
    EXPECT_LE(worst, 2);
}

}  // namespace
