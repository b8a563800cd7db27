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

// A copy of path with 10 KiB of zeros in front of its middle frame.
std::string withZerosInTheMiddle(const std::string& path)
{
    const auto packets = packetsOf(path);
    auto bytes = output("cat " + quoted(path));
    if (packets.empty() || bytes.empty())
        return "";
    const auto at = bytes.begin() + std::ptrdiff_t(packets[packets.size() / 2].pos);
    bytes.insert(at, 10240, 0);
    const std::string zeros = path + ".zeros.mp3";
    FILE* file = std::fopen(zeros.c_str(), "wb");
    const bool written = file && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return file && std::fclose(file) == 0 && written ? zeros : "";
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
    // back dozens to hundreds of packets, and bytes without a frame header.
    ScratchDir dir;
    ASSERT_FALSE(burstWav(dir, "s.wav", 4, 2).empty());
    const struct {
        const char* name;
        std::string command;
        bool zeros;
    } cases[] = {
        {"v9.mp3", "lame --quiet -V 9 s.wav v9.mp3", false},
        {"v9.mp3", "true", true},
        {"crc8.mp3", "lame --quiet -b 8 -p --resample 24 s.wav crc8.mp3", false},
        {"crc8.mp3", "true", true},
        {"sm.mp3", "lame --quiet -b 32 s.wav s.mp3 && lame --quiet -m m -b 32 s.wav m.mp3 && cat s.mp3 m.mp3 > sm.mp3",
         false},
    };
    for (const auto& c : cases) {
        const std::string made = make(dir, c.name, c.command);
        const std::string mp3 = c.zeros ? withZerosInTheMiddle(made) : made;
        ASSERT_FALSE(mp3.empty()) << c.name;
        const auto expected = decodeOnOneThread(mp3);
        const std::size_t packets = packetsOf(mp3).size();
        ASSERT_GT(packets, 100u) << c.name;
        std::size_t split = 0;
        for (std::size_t first = 1; first < packets; ++first) {
            const PartsRun got = decodeInParts(mp3, expected.size(), [first](HSTREAM h, PartDecode::Writer write) {
                return PartDecode::startAt(h, {first}, std::move(write));
            });
            if (!got.split)
                continue;
            ++split;
            ASSERT_EQ(got.result, PartDecode::Result::Done) << mp3 << " at packet " << first;
            ASSERT_TRUE(got.bytes == expected) << mp3 << " at packet " << first << ": first difference at "
                                               << firstDifference(got.bytes, expected);
        }
        // Only the stream whose channels change is kept whole.
        EXPECT_EQ(split, std::string(c.name) == "sm.mp3" ? 0 : packets - 1) << c.name;
    }
}

}  // namespace
