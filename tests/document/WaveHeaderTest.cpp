#include "DocumentTestSupport.h"
#include "wav/File.h"
#include "document/WaveHeader.h"
#include "document/WaveReader.h"
#include "document/WorkDataSink.h"

namespace tw::test {
namespace {

TEST(WaveHeader, DecodedStereoStreamHeaderBytes)
{
    const auto h = makeWaveHeader(44100, 2, 16);
    const Bytes b(h.begin(), h.end());
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(le32At(b, 4), 0u);
    EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(le32At(b, 16), 16u);
    EXPECT_EQ(le16At(b, 20), 1u);
    EXPECT_EQ(le16At(b, 22), 2u);
    EXPECT_EQ(Bytes(b.begin() + 24, b.begin() + 28), (Bytes{0x44, 0xAC, 0x00, 0x00}));
    EXPECT_EQ(le32At(b, 28), 176400u);
    EXPECT_EQ(le16At(b, 32), 4u);
    EXPECT_EQ(le16At(b, 34), 16u);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(le32At(b, 40), 0u);
}

TEST(WaveHeader, MonoEightBitAndManyChannels)
{
    const auto mono = makeWaveHeader(22050, 1, 8);
    const Bytes m(mono.begin(), mono.end());
    EXPECT_EQ(le16At(m, 22), 1u);
    EXPECT_EQ(le32At(m, 28), 22050u);
    EXPECT_EQ(le16At(m, 32), 1u);
    EXPECT_EQ(le16At(m, 34), 8u);

    // More than two decoded channels: the channel field says 2, block align
    // and byte rate still follow the decoder's own count.
    const auto six = makeWaveHeader(48000, 6, 16);
    const Bytes s(six.begin(), six.end());
    EXPECT_EQ(le16At(s, 22), 2u);
    EXPECT_EQ(le16At(s, 32), 12u);
    EXPECT_EQ(le32At(s, 28), 576000u);
}

TEST(WaveHeader, PatchedSizesMatchTheFileAndReadBack)
{
    ScratchDir dir;
    const std::string path = dir.file("AudioTemp.wav");
    {
        File f = File::create(path);
        ASSERT_TRUE(f);
        ASSERT_TRUE(writeWaveHeader(f, 44100, 2, 16));
        const Bytes data(1764000, 3);
        ASSERT_TRUE(f.write(data.data(), data.size()));
        ASSERT_TRUE(patchWaveSizes(f));
    }
    const Bytes b = readFile(path);
    ASSERT_EQ(b.size(), 1764044u);
    EXPECT_EQ(le32At(b, 4), 1764036u);
    EXPECT_EQ(le32At(b, 40), 1764000u);

    DocumentState doc;
    doc.workPath = path;
    RecordingMessenger messages;
    auto file = readWorkFile(doc, messages);
    ASSERT_TRUE(file);
    EXPECT_EQ(doc.durationSeconds, 10u);
    EXPECT_EQ(doc.frameCount, 441000u);
    EXPECT_EQ(doc.dataOffset, 44u);
}

TEST(WaveHeader, DataLimitKeepsWholeFramesWithin32BitSizes)
{
    // The end of the data (44 + size) must itself be a 32-bit offset.
    EXPECT_EQ(waveDataLimit(4), 4294967248u);
    EXPECT_EQ(waveDataLimit(4) % 4, 0u);
    EXPECT_LE(waveDataLimit(4) + 44, 0xFFFFFFFFu);
    EXPECT_EQ(waveDataLimit(6) % 6, 0u);
    EXPECT_GT(waveDataLimit(6) + 6 + 44, 0xFFFFFFFFu);
    EXPECT_EQ(waveDataLimit(1), 0xFFFFFFFFu - 44);
    EXPECT_EQ(waveDataLimit(4, 44 + 4003), 4000u);
    EXPECT_EQ(waveDataLimit(4, 40), 0u);
}

TEST(WorkDataSink, StopsAtTheLimitAndWritesEverythingAccepted)
{
    ScratchDir dir;
    const std::string path = dir.file("sink.bin");
    File f = File::create(path);
    ASSERT_TRUE(f);
    WorkDataSink sink(f, 12);
    const Bytes block{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_TRUE(sink.append(block.data(), 4));
    EXPECT_FALSE(sink.append(block.data(), block.size()));  // only 8 of 10 fit
    EXPECT_TRUE(sink.full());
    EXPECT_FALSE(sink.append(block.data(), 2));
    ASSERT_TRUE(sink.flush());
    EXPECT_EQ(sink.written(), 12u);
    EXPECT_EQ(readFile(path), (Bytes{1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST(WorkDataSink, LargeAppendsKeepTheirOrder)
{
    ScratchDir dir;
    const std::string path = dir.file("sink.bin");
    File f = File::create(path);
    WorkDataSink sink(f, 1u << 30);
    Bytes expected;
    for (int i = 0; i < 5; ++i) {
        Bytes block(i % 2 ? 10000 : (3 << 20), static_cast<std::uint8_t>(i + 1));
        sink.append(block.data(), block.size());
        expected.insert(expected.end(), block.begin(), block.end());
    }
    ASSERT_TRUE(sink.flush());
    EXPECT_EQ(readFile(path), expected);
}

}  // namespace
}  // namespace tw::test
