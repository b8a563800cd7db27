// MPEG audio decoded in parts against the one-thread decode of the same file:
// streams that change format on the way, bytes between frames, and a part
// boundary at every packet of files whose frames lean far on the reservoir.
#include "audio/PartDecode.h"
#include "audio/bass.h"
#include "tests/audio/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>

using namespace tw::test;
using tw::audio::PartDecode;

namespace {

// Tones with bursts of noise, so that the encoder leans on the bit reservoir.
std::string burstWav(const ScratchDir& dir, const std::string& name, double seconds, int channels)
{
    const std::string wav = dir.file(name);
    const std::string left = "0.4*sin(900*2*PI*t)+0.4*random(0)*gt(mod(t\\,1.3)\\,0.9)";
    const std::string right = "0.4*sin(300*2*PI*t)+0.3*random(1)*gt(mod(t\\,0.7)\\,0.4)";
    const std::string expr = channels == 1 ? left : left + "|" + right;
    return run("ffmpeg -nostdin -y -f lavfi -i 'aevalsrc=" + expr + ":s=44100:d=" + std::to_string(seconds) +
               "' -c:a pcm_s16le " + quoted(wav))
               ? wav
               : "";
}

// Runs a shell command in dir; the file name it made, or "" when it failed.
std::string make(const ScratchDir& dir, const std::string& name, const std::string& command)
{
    return run("(cd " + quoted(dir.file("")) + " && " + command + ")") ? dir.file(name) : "";
}

using Starter = std::function<std::unique_ptr<PartDecode>(HSTREAM, PartDecode::Writer)>;

struct PartsRun {
    bool split = false;
    PartDecode::Result result = PartDecode::Result::Done;
    std::vector<std::uint8_t> bytes;
};

PartsRun decodeInParts(const std::string& path, std::size_t size, const Starter& start)
{
    PartsRun out;
    const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    if (h == 0)
        return out;
    out.bytes.assign(size, 0xAA);
    std::mutex mutex;
    auto decode = start(h, [&](std::uint64_t at, const void* bytes, std::size_t n) {
        const std::lock_guard lock(mutex);
        if (at + n > out.bytes.size())
            return false;
        std::memcpy(out.bytes.data() + at, bytes, n);
        return true;
    });
    out.split = decode != nullptr;
    if (decode)
        out.result = decode->join();
    decode.reset();
    BASS_StreamFree(h);
    return out;
}

// Two frames found by fuzzing: the first, damaged, makes the decoder read past
// its end, where the second begins.
constexpr std::uint8_t kReadsPastItsEnd[] = {
      0x49, 0x44, 0x33, 0x00, 0x0a, 0x00, 0x00, 0x00, 0x00, 0x23, 0x54, 0x53,
      0x53, 0x89, 0x89, 0x89, 0x89, 0x89, 0x89, 0x89, 0x89, 0x89, 0x89, 0x89,
      0x89, 0x89, 0xd8, 0xd8, 0xd8, 0xff, 0xff, 0xff, 0xff, 0x30, 0x2e, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x00, 0x00, 0x00, 0x00, 0xff, 0xe3, 0x28, 0xc4, 0x00, 0x43, 0x43, 0x43,
      0x43, 0x43, 0x43, 0x44, 0x33, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x23,
      0x54, 0x53, 0x53, 0x45, 0x00, 0x00, 0x00, 0x0f, 0x00, 0x00, 0x03, 0x46,
      0x61, 0x76, 0x66, 0x35, 0x39, 0x2e, 0x32, 0x37, 0x2e, 0x31, 0x30, 0x30,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xff,
      0xe3, 0x38, 0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
      0x49, 0x6e, 0x66, 0x6f, 0x00, 0x00, 0x00, 0x0f, 0x00, 0x00, 0x00, 0x05,
      0x00, 0x00, 0x03, 0xa8, 0x00, 0x62, 0x62, 0x62, 0x62, 0x62, 0x62, 0x62,
      0x62, 0x62, 0x62, 0x62, 0x62, 0x62, 0x62, 0x62, 0x62, 0x9c, 0xff, 0x46,
      0xa0, 0xc0, 0x3e, 0x7f, 0x28, 0xee, 0xfc, 0x1f, 0x02, 0x02, 0x0e, 0xdf,
      0xff, 0x07, 0xc1, 0xf0, 0x7c, 0x08, 0x08, 0x02, 0x0a, 0x2f, 0x31, 0x80,
      0x20, 0x11, 0x80, 0xe0, 0x80, 0x58, 0x05, 0xdf, 0x34, 0xaf, 0xff, 0xf3,
      0x01, 0x80, 0x93, 0x04, 0xff, 0xe3, 0x28, 0xc4, 0x13, 0x1f, 0xd9, 0xd6,
      0x64, 0x01, 0x9d, 0x98, 0x00, 0x01, 0xf0, 0x28, 0x20, 0x60, 0xb8, 0x9d,
      0xe1
};

bool writeFile(const std::string& path, const std::uint8_t* bytes, std::size_t size)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file && std::fwrite(bytes, 1, size, file) == size;
    return file && std::fclose(file) == 0 && written;
}

// A copy of path with 10 KiB of zeros in front of its middle frame, or with
// the bytes after the header of ten frames from there scrambled.
std::string alteredInTheMiddle(const std::string& path, bool zeros)
{
    const auto packets = packetsOf(path);
    auto bytes = output("cat " + quoted(path));
    if (packets.size() < 20 || bytes.empty())
        return "";
    const std::size_t middle = packets.size() / 2;
    if (zeros) {
        bytes.insert(bytes.begin() + std::ptrdiff_t(packets[middle].pos), 10240, 0);
    } else {
        std::uint32_t x = 2024;
        for (std::size_t k = middle; k < middle + 10; ++k)
            for (std::size_t i = 4; i < std::size_t(packets[k].size); ++i) {
                x = x * 1103515245u + 12345u;
                bytes[std::size_t(packets[k].pos) + i] = std::uint8_t(x >> 16);
            }
    }
    const std::string altered = path + (zeros ? ".zeros.mp3" : ".damaged.mp3");
    return writeFile(altered, bytes.data(), bytes.size()) ? altered : "";
}

std::ptrdiff_t firstDifference(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    return std::distance(a.begin(), std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first);
}

TEST(PartDecode, FormatChangesAndBytesBetweenFramesGiveTheOneThreadBytesOrNoParts)
{
    ScratchDir dir;
    ASSERT_FALSE(burstWav(dir, "s.wav", 10, 2).empty());
    ASSERT_FALSE(burstWav(dir, "m.wav", 10, 1).empty());
    const std::string zeros = "head -c 10240 /dev/zero > z.bin && ";
    const struct {
        const char* name;
        std::string command;
    } cases[] = {
        {"sm.mp3", "lame --quiet -b 128 s.wav s.mp3 && lame --quiet -b 64 m.wav m.mp3 && cat s.mp3 m.mp3 > sm.mp3"},
        {"ms.mp3", "lame --quiet -b 128 s.wav s.mp3 && lame --quiet -b 64 m.wav m.mp3 && cat m.mp3 s.mp3 > ms.mp3"},
        {"rates.mp3", "lame --quiet -b 128 s.wav a.mp3 && lame --quiet -b 64 --resample 22.05 s.wav b.mp3 && "
                      "cat a.mp3 b.mp3 > rates.mp3"},
        {"layer2.mp3", "ffmpeg -nostdin -y -i s.wav -c:a mp2 -b:a 192k -f mp2 layer2.mp3"},
        {"zeros.mp3", zeros + "lame --quiet -t -V 9 s.wav a.mp3 && lame --quiet -t -V 9 s.wav b.mp3 && "
                              "cat a.mp3 z.bin b.mp3 > zeros.mp3"},
    };
    for (const auto& c : cases) {
        const std::string mp3 = make(dir, c.name, c.command);
        ASSERT_FALSE(mp3.empty()) << c.name;
        const auto expected = decodeOnOneThread(mp3);
        ASSERT_FALSE(expected.empty()) << c.name;
        for (const int parts : {2, 3}) {
            const PartsRun got = decodeInParts(mp3, expected.size(), [parts](HSTREAM h, PartDecode::Writer write) {
                return PartDecode::start(h, parts, std::move(write));
            });
            if (got.split && got.result == PartDecode::Result::Done) {
                EXPECT_TRUE(got.bytes == expected)
                    << c.name << " in " << parts << ": first difference at " << firstDifference(got.bytes, expected);
            }
        }
    }
}

TEST(PartDecode, ABoundaryAtEveryPacketGivesTheOneThreadBytes)
{
    // Frames with a few bytes of main data each, so that the reservoir reaches
    // back dozens to hundreds of packets, bytes without a frame header, and
    // damaged frames.
    ScratchDir dir;
    ASSERT_FALSE(burstWav(dir, "s.wav", 4, 2).empty());
    ASSERT_TRUE(writeFile(dir.file("past.mp3"), kReadsPastItsEnd, sizeof kReadsPastItsEnd));
    enum Change { none, zeros, damage };
    const struct {
        const char* name;
        std::string command;
        Change change;
    } cases[] = {
        {"v9.mp3", "lame --quiet -V 9 s.wav v9.mp3", none},
        {"v9.mp3", "true", zeros},
        {"v9.mp3", "true", damage},
        {"crc8.mp3", "lame --quiet -b 8 -p --resample 24 s.wav crc8.mp3", none},
        {"crc8.mp3", "true", zeros},
        {"sm.mp3", "lame --quiet -b 32 s.wav s.mp3 && lame --quiet -m m -b 32 s.wav m.mp3 && cat s.mp3 m.mp3 > sm.mp3",
         none},
        {"past.mp3", "true", none},
    };
    for (const auto& c : cases) {
        const std::string made = make(dir, c.name, c.command);
        const std::string mp3 = c.change == none ? made : alteredInTheMiddle(made, c.change == zeros);
        ASSERT_FALSE(mp3.empty()) << c.name;
        const auto expected = decodeOnOneThread(mp3);
        const std::size_t packets = packetsOf(mp3).size();
        ASSERT_GT(packets, 1u) << c.name;
        std::size_t split = 0;
        std::size_t done = 0;
        for (std::size_t first = 1; first < packets; ++first) {
            const PartsRun got = decodeInParts(mp3, expected.size(), [first](HSTREAM h, PartDecode::Writer write) {
                return PartDecode::startAt(h, {first}, std::move(write));
            });
            split += got.split ? 1 : 0;
            if (!got.split || got.result != PartDecode::Result::Done)
                continue;
            ++done;
            ASSERT_TRUE(got.bytes == expected) << mp3 << " at packet " << first << ": first difference at "
                                               << firstDifference(got.bytes, expected);
        }
        // Only the stream whose channels change is kept whole; only where a
        // frame fails to decode do parts give up.
        EXPECT_EQ(split, std::string(c.name) == "sm.mp3" ? 0 : packets - 1) << mp3;
        if (c.change != damage) {
            EXPECT_EQ(done, split) << mp3;
        }
    }
}

TEST(PartDecode, APartThatFailsStopsTheOthers)
{
    ScratchDir dir;
    ASSERT_FALSE(burstWav(dir, "s.wav", 60, 2).empty());
    const std::string mp3 = make(dir, "s.mp3", "lame --quiet -b 128 s.wav s.mp3");
    ASSERT_FALSE(mp3.empty());
    const auto packets = packetsOf(mp3);
    // The second of three parts meets a frame that does not decode at once.
    auto bytes = output("cat " + quoted(mp3));
    const std::size_t bad = packets.size() / 3 + 1;
    std::fill_n(bytes.begin() + packets[bad].pos + 4, 32, 0xFF);
    ASSERT_TRUE(writeFile(mp3, bytes.data(), bytes.size()));

    const HSTREAM h = BASS_StreamCreateFile(FALSE, mp3.c_str(), 0, 0, BASS_STREAM_DECODE);
    ASSERT_NE(h, 0u);
    auto decode = PartDecode::start(h, 3, [](std::uint64_t, const void*, std::size_t) { return true; });
    ASSERT_TRUE(decode);
    EXPECT_EQ(decode->join(), PartDecode::Result::Mismatch);
    // The first and last parts ended long before their ends.
    EXPECT_LT(decode->framesDone(), decode->framesTotal() / 3);
    decode.reset();
    BASS_StreamFree(h);
}

}  // namespace
