#include "DocumentTestSupport.h"
#include "document/WaveReader.h"

namespace tw::test {
namespace {

class WaveReaderTest : public ::testing::Test {
protected:
    // Writes the bytes as the work file and reads them back.
    bool read(const Bytes& bytes)
    {
        doc.workPath = dir.file("AudioTemp.wav");
        writeFile(doc.workPath, bytes);
        auto file = readWorkFile(doc, messages);
        if (file)
            positionAfter = file->position();
        return file.has_value();
    }
    std::string onlyMessage() const { return messages.texts.size() == 1 ? messages.texts[0] : "<none or many>"; }

    ScratchDir dir;
    DocumentState doc;
    RecordingMessenger messages;
    std::uint64_t positionAfter = 0;
};

TEST_F(WaveReaderTest, PlainStereoFileGivesItsFormatAndLeavesFileAtData)
{
    ASSERT_TRUE(read(simpleWave(2, 44100, 16, Bytes(400, 7))));
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(doc.sampleRate, 44100u);
    EXPECT_EQ(doc.channels, 2u);
    EXPECT_EQ(doc.bitsPerSample, 16u);
    EXPECT_EQ(doc.dataOffset, 44u);
    EXPECT_EQ(doc.dataLength, 400u);
    EXPECT_EQ(doc.dataEnd, 444u);
    EXPECT_EQ(doc.frameSize, 4u);
    EXPECT_EQ(doc.frameCount, 100u);
    EXPECT_EQ(positionAfter, 44u);
}

TEST_F(WaveReaderTest, MissingFileIsRefused)
{
    doc.workPath = dir.file("nothing-here.wav");
    EXPECT_FALSE(readWorkFile(doc, messages));
    EXPECT_EQ(onlyMessage(), "Cannot open the file.");
}

TEST_F(WaveReaderTest, ListChunkBeforeFormatIsRefused)
{
    Bytes b = riffPrefix();
    putChunk(b, "LIST", Bytes(10, 'x'));
    putChunk(b, "fmt ", fmtBody(1, 2, 44100, 16));
    putChunk(b, "data", Bytes(8, 0));
    EXPECT_FALSE(read(b));
    EXPECT_EQ(onlyMessage(), "This is not a valid Wave file.");
}

TEST_F(WaveReaderTest, FirstTwelveBytesAreNotChecked)
{
    Bytes b(12, 'Z');
    putChunk(b, "fmt ", fmtBody(1, 1, 22050, 8));
    putChunk(b, "data", Bytes(22050 * 3, 128));
    ASSERT_TRUE(read(b));
    EXPECT_EQ(doc.sampleRate, 22050u);
    EXPECT_EQ(doc.durationSeconds, 3u);
    EXPECT_EQ(doc.frameSize, 1u);
}

TEST_F(WaveReaderTest, ExtendedFormatBlocksWithTagOneAreAccepted)
{
    for (std::uint32_t fmtSize : {18u, 40u}) {
        Bytes b = riffPrefix();
        Bytes fmt = fmtBody(1, 2, 48000, 16, fmtSize);
        std::fill(fmt.begin() + 16, fmt.end(), 0xEE);  // extra bytes must be skipped, not parsed
        putChunk(b, "fmt ", fmt);
        putChunk(b, "data", Bytes(16, 1));
        ASSERT_TRUE(read(b)) << fmtSize;
        EXPECT_EQ(doc.dataOffset, 12u + 8u + fmtSize + 8u) << fmtSize;
        EXPECT_EQ(doc.dataLength, 16u);
        EXPECT_EQ(doc.sampleRate, 48000u);
    }
}

TEST_F(WaveReaderTest, ExtensibleAndFloatFormatsAreCompressed)
{
    for (std::uint32_t tag : {0xFFFEu, 3u}) {
        messages.texts.clear();
        Bytes b = riffPrefix();
        putChunk(b, "fmt ", fmtBody(tag, 2, 44100, 32, tag == 3 ? 16 : 40));
        putChunk(b, "data", Bytes(16, 0));
        EXPECT_FALSE(read(b));
        EXPECT_EQ(onlyMessage(), "Cannot handle compressed Wave file.") << tag;
    }
}

TEST_F(WaveReaderTest, ChunksBetweenFormatAndDataAreSkippedWithPadByte)
{
    Bytes b = riffPrefix();
    putChunk(b, "fmt ", fmtBody(1, 2, 44100, 16));
    putChunk(b, "fact", Bytes{1, 2, 3, 4});
    putChunk(b, "LIST", Bytes(7, 'd'));  // odd: one pad byte follows
    putChunk(b, "junk", Bytes(1, 'j'));
    const std::size_t dataHeader = b.size();
    putChunk(b, "data", Bytes(12, 5));
    ASSERT_TRUE(read(b));
    EXPECT_EQ(doc.dataOffset, dataHeader + 8);
    EXPECT_EQ(doc.dataLength, 12u);
    EXPECT_EQ(doc.frameCount, 3u);
}

TEST_F(WaveReaderTest, FileEndingBeforeDataIsRefused)
{
    Bytes b = riffPrefix();
    putChunk(b, "fmt ", fmtBody(1, 2, 44100, 16));
    putChunk(b, "LIST", Bytes(20, 'x'));
    EXPECT_FALSE(read(b));
    EXPECT_EQ(onlyMessage(), "This is not a valid Wave file.");

    // A chunk size pointing far past the end of the file ends the search too.
    messages.texts.clear();
    Bytes c = riffPrefix();
    putChunk(c, "fmt ", fmtBody(1, 2, 44100, 16));
    putId(c, "LIST");
    put32(c, 0xFFFFFFF0u);
    EXPECT_FALSE(read(c));
    EXPECT_EQ(onlyMessage(), "This is not a valid Wave file.");
}

TEST_F(WaveReaderTest, TruncatedFormatBlockIsRefused)
{
    Bytes b = riffPrefix();
    putId(b, "fmt ");
    put32(b, 16);
    put16(b, 1);
    EXPECT_FALSE(read(b));
    EXPECT_EQ(onlyMessage(), "This is not a valid Wave file.");
}

TEST_F(WaveReaderTest, TwentyFourAndThirtyTwoBitIntegerAreNotPcm)
{
    for (std::uint32_t bits : {24u, 32u}) {
        messages.texts.clear();
        ASSERT_FALSE(read(simpleWave(2, 44100, bits, Bytes(48, 0))));
        EXPECT_EQ(onlyMessage(), "Not PCM formats!") << bits;
        // The rules before that one have run.
        EXPECT_EQ(doc.bitsPerSample, bits);
        EXPECT_EQ(doc.dataLength, 48u);
    }
}

TEST_F(WaveReaderTest, SixChannelsReadAsTwo)
{
    ASSERT_TRUE(read(simpleWave(6, 44100, 16, Bytes(120, 0))));
    EXPECT_EQ(doc.channels, 6u);
    EXPECT_EQ(doc.frameSize, 4u);
    EXPECT_EQ(doc.frameCount, 30u);
}

TEST_F(WaveReaderTest, EightBitStereoFrameIsTwoBytes)
{
    ASSERT_TRUE(read(simpleWave(2, 8000, 8, Bytes(9, 128))));
    EXPECT_EQ(doc.frameSize, 2u);
    EXPECT_EQ(doc.frameCount, 4u);
}

TEST_F(WaveReaderTest, ZeroByteRateIsRefusedBeforeDividing)
{
    for (std::uint32_t channels : {0u, 1u}) {
        messages.texts.clear();
        const std::uint32_t rate = channels == 0 ? 44100 : 0;
        EXPECT_FALSE(read(simpleWave(channels, rate, 16, Bytes(16, 0))));
        EXPECT_EQ(onlyMessage(), "This is not a valid Wave file.");
    }
}

TEST(WaveDuration, UsesTruncatingIntegerArithmetic)
{
    EXPECT_EQ(waveDurationSeconds(1764000, 44100, 2, 16), 10u);
    EXPECT_EQ(waveDurationSeconds(1763999, 44100, 2, 16), 9u);
    // rate * channels * bits = 4 is below one byte per second.
    EXPECT_FALSE(waveDurationSeconds(100, 1, 1, 4).has_value());
    // The product wraps in signed 32 bits: 0x40000000 * 2 * 16 = 2^35 -> 0.
    EXPECT_FALSE(waveDurationSeconds(100, 0x40000000u, 2, 16).has_value());
    // 100000000 * 2 * 16 = 3.2e9 is negative in 32 bits: refused rather than
    // turned into a huge unsigned divisor.
    EXPECT_FALSE(waveDurationSeconds(100, 100000000u, 2, 16).has_value());
    // 8-bit mono at 11025 Hz: one byte per frame.
    EXPECT_EQ(waveDurationSeconds(11025 * 7 + 11024, 11025, 1, 8), 7u);
}

TEST(WaveFrameSize, FollowsBitsAndMonoOrNot)
{
    EXPECT_EQ(waveFrameSize(1, 8), 1u);
    EXPECT_EQ(waveFrameSize(2, 8), 2u);
    EXPECT_EQ(waveFrameSize(1, 16), 2u);
    EXPECT_EQ(waveFrameSize(2, 16), 4u);
    EXPECT_EQ(waveFrameSize(6, 16), 4u);
}

}  // namespace
}  // namespace tw::test
