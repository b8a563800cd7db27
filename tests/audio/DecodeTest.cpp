// Decoding streams against ffmpeg's own decode of files made by LAME and by
// FFmpeg's encoders.
#include "audio/PartDecode.h"
#include "audio/bass.h"
#include "tests/audio/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <filesystem>
#include <fstream>

using namespace tw::test;

namespace {

enum class Encoder { lameCli, ffmpegLame, wmav1, wmav2 };

struct Case {
    Encoder encoder;
    int channels;
    int rate;
};

std::string name(Encoder e)
{
    switch (e) {
    case Encoder::lameCli: return "lame";
    case Encoder::ffmpegLame: return "libmp3lame";
    case Encoder::wmav1: return "wmav1";
    case Encoder::wmav2: return "wmav2";
    }
    return "";
}

// Two seconds of different tones per channel, through the given encoder.
std::string makeSource(const ScratchDir& dir, const Case& c)
{
    const std::string wav = dir.file("src.wav");
    const std::string expr = c.channels == 1 ? "0.6*sin(440*2*PI*t)" : "0.6*sin(440*2*PI*t)|0.4*sin(660*2*PI*t)";
    const std::string gen = "ffmpeg -nostdin -y -f lavfi -i 'aevalsrc=" + expr + ":s=" + std::to_string(c.rate) +
                            ":d=2.3' -c:a pcm_s16le ";
    switch (c.encoder) {
    case Encoder::lameCli: {
        const std::string mp3 = dir.file("lame.mp3");
        if (!run(gen + quoted(wav)) || !run("lame --quiet " + quoted(wav) + " " + quoted(mp3)))
            return "";
        return mp3;
    }
    case Encoder::ffmpegLame: {
        const std::string mp3 = dir.file("ff.mp3");
        return run(gen + "-c:a libmp3lame -b:a 64k " + quoted(mp3)) ? mp3 : "";
    }
    case Encoder::wmav1:
    case Encoder::wmav2: {
        const std::string wma = dir.file("f.wma");
        return run(gen + "-c:a " + name(c.encoder) + " -b:a 64k " + quoted(wma)) ? wma : "";
    }
    }
    return "";
}

class DecodeAgainstFfmpeg : public testing::TestWithParam<Case> {};

TEST_P(DecodeAgainstFfmpeg, SameLengthSamplesAndInfo)
{
    const Case c = GetParam();
    ScratchDir dir;
    const std::string path = makeSource(dir, c);
    ASSERT_FALSE(path.empty()) << "could not generate the source";
    const auto expected = ffmpegDecode(path);
    ASSERT_GT(expected.size(), 1000u);

    const bool wma = c.encoder == Encoder::wmav1 || c.encoder == Encoder::wmav2;
    const HSTREAM h = wma ? BASS_WMA_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE)
                          : BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(h, 0u);

    BASS_CHANNELINFO info;
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.freq, DWORD(c.rate));
    EXPECT_EQ(info.chans, DWORD(c.channels));
    EXPECT_EQ(info.flags & BASS_SAMPLE_8BITS, 0u);
    EXPECT_STREQ(info.filename, path.c_str());

    const QWORD length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    EXPECT_EQ(length, expected.size());
    EXPECT_NEAR(BASS_ChannelBytes2Seconds(h, length), 2.3, 0.2);
    EXPECT_EQ(BASS_StreamGetFilePosition(h, BASS_FILEPOS_END), std::filesystem::file_size(path));
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 0u);

    const auto decoded = decodeAll(h);
    EXPECT_EQ(decoded.size(), length);
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), decoded.size());
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    ASSERT_EQ(decoded.size(), expected.size());
    EXPECT_TRUE(decoded == expected) << "samples differ from ffmpeg's decode";
    EXPECT_TRUE(BASS_StreamFree(h));
}

std::vector<Case> allCases()
{
    std::vector<Case> cases;
    for (Encoder e : {Encoder::lameCli, Encoder::ffmpegLame, Encoder::wmav1, Encoder::wmav2})
        for (int ch : {1, 2})
            for (int rate : {8000, 22050, 44100, 48000})
                cases.push_back({e, ch, rate});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Encoders, DecodeAgainstFfmpeg, testing::ValuesIn(allCases()),
                         [](const testing::TestParamInfo<Case>& info) {
                             return name(info.param.encoder) + "_" + std::to_string(info.param.channels) + "ch_" +
                                    std::to_string(info.param.rate);
                         });

std::string makeMp3(const ScratchDir& dir, const std::string& lameOptions, double seconds = 3)
{
    const std::string wav = dir.file("tone.wav");
    const std::string mp3 = dir.file("tone.mp3");
    if (!run("ffmpeg -nostdin -y -f lavfi -i 'aevalsrc=0.5*sin(1000*2*PI*t)|0.5*sin(500*2*PI*t):s=44100:d=" +
             std::to_string(seconds) + "' -c:a pcm_s16le " + quoted(wav)) ||
        !run("lame --quiet " + lameOptions + " " + quoted(wav) + " " + quoted(mp3)))
        return "";
    return mp3;
}

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<std::uint8_t> readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Decode, VbrTaggedAndUntaggedMatchFfmpeg)
{
    ScratchDir dir;
    const std::string mp3 = makeMp3(dir, "-V 2 --add-id3v2 --id3v1-only --tt Title --ta Artist");
    ASSERT_FALSE(mp3.empty());
    // Both tag kinds: an ID3v2 tag in front as well.
    const std::string both = dir.file("both.mp3");
    ASSERT_TRUE(run("lame --quiet -V 2 --add-id3v2 --tt Title --ta Artist --tc Comment " + quoted(dir.file("tone.wav")) +
                    " " + quoted(both)));
    // No Xing/LAME info frame at all: nothing to trim.
    const std::string bare = dir.file("bare.mp3");
    ASSERT_TRUE(run("lame --quiet -t -b 96 " + quoted(dir.file("tone.wav")) + " " + quoted(bare)));
    for (const std::string& path : {mp3, both, bare}) {
        const auto expected = ffmpegDecode(path);
        const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
        ASSERT_NE(h, 0u);
        EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), expected.size());
        EXPECT_TRUE(decodeAll(h) == expected);
        BASS_StreamFree(h);
    }
}

TEST(Decode, SmallReadsDeliverWholeFrames)
{
    ScratchDir dir;
    const std::string mp3 = makeMp3(dir, "-b 128", 1);
    ASSERT_FALSE(mp3.empty());
    const auto expected = ffmpegDecode(mp3);
    const HSTREAM h = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(h, 0u);
    std::vector<std::uint8_t> all;
    std::uint8_t block[7];
    while (BASS_ChannelIsActive(h)) {
        const DWORD got = BASS_ChannelGetData(h, block, sizeof block);
        ASSERT_EQ(got % 4, 0u);  // stereo 16-bit: frames of 4 bytes
        ASSERT_GT(got, 0u);
        all.insert(all.end(), block, block + got);
    }
    EXPECT_TRUE(all == expected);
    EXPECT_EQ(BASS_ChannelGetData(h, block, sizeof block), 0u);
    BASS_StreamFree(h);
}

TEST(Decode, TruncatedFileDeliversItsPromisedLength)
{
    ScratchDir dir;
    const std::string mp3 = makeMp3(dir, "-b 128");
    ASSERT_FALSE(mp3.empty());
    auto bytes = readBytes(mp3);
    bytes.resize(bytes.size() * 6 / 10 + 123);  // cut inside a frame
    const std::string cut = dir.file("cut.mp3");
    writeBytes(cut, bytes);

    const auto expected = ffmpegDecode(cut);
    const HSTREAM h = BASS_StreamCreateFile(FALSE, cut.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(h, 0u);
    const QWORD length = BASS_ChannelGetLength(h, BASS_POS_BYTE);
    const auto decoded = decodeAll(h);
    EXPECT_EQ(decoded.size(), length);
    EXPECT_EQ(BASS_ChannelIsActive(h), BASS_ACTIVE_STOPPED);
    // What ffmpeg can decode, we deliver the same; the rest is at most one
    // damaged frame, given as silence.
    ASSERT_GE(decoded.size(), expected.size());
    EXPECT_LE(decoded.size() - expected.size(), 1152u * 4);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), decoded.begin()));
    BASS_StreamFree(h);
}

TEST(Decode, CorruptMiddleNeitherCrashesNorHangs)
{
    ScratchDir dir;
    const std::string mp3 = makeMp3(dir, "-b 128");
    ASSERT_FALSE(mp3.empty());
    auto bytes = readBytes(mp3);
    std::uint32_t x = 12345;
    for (std::size_t i = bytes.size() / 3; i < bytes.size() / 2; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = std::uint8_t(x >> 16);
    }
    const std::string bad = dir.file("bad.mp3");
    writeBytes(bad, bytes);
    const HSTREAM h = BASS_StreamCreateFile(FALSE, bad.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(h, 0u);
    const auto decoded = decodeAll(h);
    EXPECT_EQ(decoded.size(), BASS_ChannelGetLength(h, BASS_POS_BYTE));
    EXPECT_GT(decoded.size(), 44100u * 4);  // the intact parts are there
    BASS_StreamFree(h);
}

TEST(Decode, LostFramesBecomeSilenceWhereTheyWere)
{
    ScratchDir dir;
    const std::string mp3 = makeMp3(dir, "-b 128", 4);
    ASSERT_FALSE(mp3.empty());
    const auto intact = ffmpegDecode(mp3);
    const auto packets = packetsOf(mp3);
    ASSERT_GT(packets.size(), 100u);
    // Three frames whose side info claims more values than a granule holds.
    auto bytes = readBytes(mp3);
    const std::size_t lost = packets.size() / 2;
    for (std::size_t k = lost; k < lost + 3; ++k)
        std::fill_n(bytes.begin() + packets[k].pos + 4, 32, 0xFF);
    const std::string bad = dir.file("bad.mp3");
    writeBytes(bad, bytes);
    ASSERT_EQ(ffmpegDecode(bad).size(), intact.size() - 3 * 1152 * 4);  // ffmpeg loses them

    const auto decoded = decodeOnOneThread(bad);
    ASSERT_EQ(decoded.size(), intact.size());
    const auto offsetOf = [&](std::size_t packet) {
        std::size_t frames = 0;
        for (std::size_t k = 0; k < packet; ++k)
            frames += std::size_t(packets[k].frames);
        return std::ptrdiff_t(frames * 4);
    };
    // Before the damage and from a few frames after it, every sample is where
    // it was; the lost frames are silent.
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.begin() + offsetOf(lost), intact.begin()));
    EXPECT_TRUE(std::all_of(decoded.begin() + offsetOf(lost), decoded.begin() + offsetOf(lost + 3),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_TRUE(std::equal(decoded.begin() + offsetOf(lost + 12), decoded.end(), intact.begin() + offsetOf(lost + 12)));
}

TEST(Decode, ARateChangeMidStreamKeepsTheTimeOfBothRates)
{
    // As ffmpeg converts it: every frame at the first frame's rate.
    ScratchDir dir;
    const std::string wav = dir.file("tone.wav");
    ASSERT_TRUE(run("ffmpeg -nostdin -y -f lavfi -i 'aevalsrc=0.5*sin(1000*2*PI*t)|0.5*sin(500*2*PI*t):s=44100:d=3' "
                    "-c:a pcm_s16le " + quoted(wav)));
    const std::string high = dir.file("high.mp3");
    const std::string low = dir.file("low.mp3");
    ASSERT_TRUE(run("lame --quiet -b 128 " + quoted(wav) + " " + quoted(high)));
    ASSERT_TRUE(run("lame --quiet -b 64 --resample 22.05 " + quoted(wav) + " " + quoted(low)));
    for (const auto& [first, second] : {std::pair{high, low}, std::pair{low, high}}) {
        const std::string both = dir.file("both.mp3");
        ASSERT_TRUE(run("(cat " + quoted(first) + " " + quoted(second) + " > " + quoted(both) + ")"));
        const auto expected = ffmpegDecode(both);
        const auto decoded = decodeOnOneThread(both);
        ASSERT_GT(expected.size(), 44100u * 4) << first;
        const std::size_t rate = first == high ? 44100 : 22050;
        // Six seconds, give or take the frames at the seam.
        EXPECT_NEAR(double(decoded.size()) / 4, double(expected.size()) / 4, 2 * 1152.0) << first;
        EXPECT_NEAR(double(decoded.size()) / 4 / double(rate), 6.0, 0.15) << first;
        // The second half sounds as ffmpeg's: the same tones at the same time.
        double difference = 0;
        double level = 0;
        const std::size_t from = std::min(decoded.size(), expected.size()) - rate * 4 * 2;
        for (std::size_t i = from; i + 1 < std::min(decoded.size(), expected.size()) - rate * 4 / 2; i += 2) {
            const int ours = std::int16_t(decoded[i] | decoded[i + 1] << 8);
            const int theirs = std::int16_t(expected[i] | expected[i + 1] << 8);
            difference += std::abs(ours - theirs);
            level += std::abs(theirs);
        }
        EXPECT_GT(level, 0.0) << first;
        EXPECT_LT(difference, level * 0.05) << first;
    }
}

TEST(Decode, NotAudioGivesNoHandle)
{
    ScratchDir dir;
    const std::string text = dir.file("notes.mp3");
    std::ofstream(text) << "This is a plain text file, not a sound.\nIt only has an .mp3 name.\n";
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, text.c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
    EXPECT_EQ(BASS_WMA_StreamCreateFile(FALSE, text.c_str(), 0, 0, BASS_STREAM_DECODE), 0u);

    const std::string empty = dir.file("empty.mp3");
    std::ofstream{empty};
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, empty.c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, dir.file("missing.mp3").c_str(), 0, 0, BASS_STREAM_DECODE), 0u);
    EXPECT_EQ(BASS_StreamCreateFile(FALSE, nullptr, 0, 0, BASS_STREAM_DECODE), 0u);
}

TEST(Decode, MoreThanTwoChannelsAreMixedToStereo)
{
    ScratchDir dir;
    const std::string flac = dir.file("six.flac");
    ASSERT_TRUE(run("ffmpeg -nostdin -y -f lavfi -i 'aevalsrc=0.3*sin(440*2*PI*t):s=48000:d=1:c=5.1' " + quoted(flac)));
    const HSTREAM h = BASS_StreamCreateFile(FALSE, flac.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(h, 0u);
    BASS_CHANNELINFO info;
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.chans, 2u);
    EXPECT_EQ(info.freq, 48000u);
    const auto decoded = decodeAll(h);
    EXPECT_EQ(decoded.size(), 48000u * 4);
    EXPECT_EQ(decoded.size(), BASS_ChannelGetLength(h, BASS_POS_BYTE));
    // Not silent: the front channels reach the mix.
    int peak = 0;
    for (std::size_t i = 0; i + 1 < decoded.size(); i += 2)
        peak = std::max(peak, std::abs(int(std::int16_t(decoded[i] | decoded[i + 1] << 8))));
    EXPECT_GT(peak, 3000);
    BASS_StreamFree(h);
}

}  // namespace

namespace {

TEST(Decode, PartsOnSeveralThreadsGiveTheBytesOfTheOneThreadDecode)
{
    // Tones with bursts of noise, so that the encoders lean on the bit
    // reservoir; at high, low and variable rates, MPEG-1, -2 and -2.5.
    ScratchDir dir;
    const std::string wav = dir.file("bursts.wav");
    ASSERT_TRUE(run("ffmpeg -nostdin -y -f lavfi -i 'aevalsrc=0.4*sin(900*2*PI*t)+0.4*random(0)*gt(mod(t\\,1.3)\\,0.9)"
                    "|0.4*sin(300*2*PI*t)+0.3*random(1)*gt(mod(t\\,0.7)\\,0.4):s=44100:d=20' -c:a pcm_s16le " +
                    quoted(wav)));
    for (const char* options : {"-b 128", "-V 9", "-b 320", "-m m -b 32 --resample 22.05", "-b 8 --resample 8"}) {
        const std::string mp3 = dir.file("parts.mp3");
        ASSERT_TRUE(run(std::string("lame --quiet ") + options + " " + quoted(wav) + " " + quoted(mp3)));
        const HSTREAM one = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, BASS_STREAM_DECODE);
        ASSERT_NE(one, 0u) << options;
        const auto expected = decodeAll(one);
        BASS_StreamFree(one);
        for (int parts : {2, 3, 4}) {
            const HSTREAM h = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, BASS_STREAM_DECODE);
            std::vector<std::uint8_t> decoded(expected.size(), 0xAA);
            std::mutex mutex;
            auto decode = tw::audio::PartDecode::start(h, parts, [&](std::uint64_t at, const void* bytes, std::size_t n) {
                const std::lock_guard lock(mutex);
                if (at + n > decoded.size())
                    return false;
                std::memcpy(decoded.data() + at, bytes, n);
                return true;
            });
            ASSERT_TRUE(decode) << options << " in " << parts;
            EXPECT_EQ(decode->join(), tw::audio::PartDecode::Result::Done) << options << " in " << parts;
            EXPECT_TRUE(decoded == expected) << options << " in " << parts << ": first difference at "
                                             << std::distance(decoded.begin(),
                                                              std::mismatch(decoded.begin(), decoded.end(),
                                                                            expected.begin()).first);
            decode.reset();
            BASS_StreamFree(h);
        }
    }
}

}  // namespace
