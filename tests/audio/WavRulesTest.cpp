// Playback streams accept exactly the work files the reading rules accept.
#include "audio/bass.h"
#include "tests/audio/TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace tw::test;

namespace {

struct Chunk {
    std::string id;
    std::vector<std::uint8_t> body;
};

void put16(std::vector<std::uint8_t>& v, unsigned x)
{
    v.push_back(std::uint8_t(x));
    v.push_back(std::uint8_t(x >> 8));
}
void put32(std::vector<std::uint8_t>& v, std::uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v.push_back(std::uint8_t(x >> (8 * i)));
}

std::vector<std::uint8_t> fmtBody(unsigned tag, unsigned channels, std::uint32_t rate, unsigned bits, std::size_t extra = 0)
{
    std::vector<std::uint8_t> b;
    put16(b, tag);
    put16(b, channels);
    put32(b, rate);
    put32(b, rate * channels * bits / 8);
    put16(b, channels * bits / 8);
    put16(b, bits);
    b.resize(b.size() + extra, 0);
    return b;
}

class WavRules : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(BASS_Init(0, 44100, 0, nullptr, nullptr)); }
    void TearDown() override { BASS_Free(); }

    // "RIFF" size "WAVE" then the chunks, odd ones with their pad byte.
    HSTREAM open(const std::vector<Chunk>& chunks, const char* riff = "RIFF")
    {
        std::vector<std::uint8_t> file(riff, riff + 4);
        put32(file, 0);
        file.insert(file.end(), {'W', 'A', 'V', 'E'});
        for (const Chunk& c : chunks) {
            file.insert(file.end(), c.id.begin(), c.id.end());
            put32(file, std::uint32_t(c.body.size()));
            file.insert(file.end(), c.body.begin(), c.body.end());
            if (c.body.size() % 2)
                file.push_back(0);
        }
        const std::string path = dir_.file("rules.wav");
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        return BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    }

    ScratchDir dir_;
};

const std::vector<std::uint8_t> someData(4000, 1);

TEST_F(WavRules, ExtendedFormatBlockAndChunksBeforeDataAreSkipped)
{
    const HSTREAM h = open({{"fmt ", fmtBody(1, 2, 44100, 16, 2)},
                            {"LIST", std::vector<std::uint8_t>(7, 'x')},  // odd: pad byte follows
                            {"fact", std::vector<std::uint8_t>(4, 0)},
                            {"data", someData}});
    ASSERT_NE(h, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(h, BASS_POS_BYTE), someData.size());
}

TEST_F(WavRules, FortyByteFormatBlockIsAccepted)
{
    EXPECT_NE(open({{"fmt ", fmtBody(1, 1, 8000, 8, 24)}, {"data", someData}}), 0u);
}

TEST_F(WavRules, RiffIdIsNotExamined)
{
    EXPECT_NE(open({{"fmt ", fmtBody(1, 2, 44100, 16)}, {"data", someData}}, "JUNK"), 0u);
}

TEST_F(WavRules, SixChannelsAreReadAsTwo)
{
    const HSTREAM h = open({{"fmt ", fmtBody(1, 6, 44100, 16)}, {"data", someData}});
    ASSERT_NE(h, 0u);
    BASS_CHANNELINFO info;
    ASSERT_TRUE(BASS_ChannelGetInfo(h, &info));
    EXPECT_EQ(info.chans, 2u);
    ASSERT_TRUE(BASS_ChannelSetPosition(h, 7, BASS_POS_BYTE));
    EXPECT_EQ(BASS_ChannelGetPosition(h, BASS_POS_BYTE), 4u);  // frame size 4
}

TEST_F(WavRules, RefusedFiles)
{
    EXPECT_EQ(open({{"LIST", std::vector<std::uint8_t>(4, 0)}, {"fmt ", fmtBody(1, 2, 44100, 16)}, {"data", someData}}), 0u);
    EXPECT_EQ(open({{"fmt ", fmtBody(3, 2, 44100, 32)}, {"data", someData}}), 0u);       // float
    EXPECT_EQ(open({{"fmt ", fmtBody(0xFFFE, 2, 44100, 16, 24)}, {"data", someData}}), 0u);  // extensible
    EXPECT_EQ(open({{"fmt ", fmtBody(1, 2, 44100, 24)}, {"data", someData}}), 0u);
    EXPECT_EQ(open({{"fmt ", fmtBody(1, 0, 44100, 16)}, {"data", someData}}), 0u);
    EXPECT_EQ(open({{"fmt ", fmtBody(1, 2, 0, 16)}, {"data", someData}}), 0u);
    EXPECT_EQ(open({{"fmt ", fmtBody(1, 2, 44100, 16)}, {"LIST", someData}}), 0u);  // no data chunk
}

TEST_F(WavRules, DataSizeBeyondTheFileIsCutToTheFile)
{
    std::vector<std::uint8_t> fmt = fmtBody(1, 2, 44100, 16);
    const HSTREAM h = open({{"fmt ", fmt}, {"data", someData}});
    ASSERT_NE(h, 0u);
    // Rewrite the data size to claim far more than is there.
    BASS_StreamFree(h);
    const std::string path = dir_.file("rules.wav");
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(40);
    const std::uint8_t huge[4] = {0, 0, 0, 0x10};
    f.write(reinterpret_cast<const char*>(huge), 4);
    f.close();
    const HSTREAM g = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, 0);
    ASSERT_NE(g, 0u);
    EXPECT_EQ(BASS_ChannelGetLength(g, BASS_POS_BYTE), someData.size());
}

}  // namespace
