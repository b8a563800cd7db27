#include <limits>

#include "DocumentTestSupport.h"
#include "document/SourceBitrate.h"
#include "document/SourceKind.h"

namespace tw::test {
namespace {

TEST(SourceKind, ExtensionDecidesIgnoringCase)
{
    EXPECT_EQ(sourceKindOf("/music/SONG.MP3"), SourceKind::Mp3);
    EXPECT_EQ(sourceKindOf("/music/song.mp3"), SourceKind::Mp3);
    EXPECT_EQ(sourceKindOf("talk.WmA"), SourceKind::Wma);
    EXPECT_EQ(sourceKindOf("take 1.wav"), SourceKind::Wav);
    EXPECT_EQ(sourceKindOf("song.ogg"), SourceKind::Unsupported);
    EXPECT_EQ(sourceKindOf("song.mp3.txt"), SourceKind::Unsupported);
    EXPECT_EQ(sourceKindOf("/my.mp3/song"), SourceKind::Unsupported);
    EXPECT_EQ(sourceKindOf("mp3"), SourceKind::Unsupported);
    EXPECT_EQ(sourceKindOf(""), SourceKind::Unsupported);
}

TEST(SourceKind, RefusalShowsItsMessageOnce)
{
    RecordingMessenger messages;
    EXPECT_TRUE(acceptSourceExtension("SONG.MP3", messages));
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_FALSE(acceptSourceExtension("song.ogg", messages));
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Can not open the file.");
    EXPECT_EQ(messages.buttons[0], MsgButtons::Ok);
}

TEST(SourceBitrate, BytesPerSecondInKilobits)
{
    EXPECT_EQ(sourceBitrateFor(4'000'000, 250.0, false), 128u);
    EXPECT_EQ(sourceBitrateFor(4'000'000, 250.9, false), 128u);  // seconds truncated first
    EXPECT_EQ(sourceBitrateFor(3'031'250, 250.0, false), 97u);
    EXPECT_EQ(sourceBitrateFor(3'031'250, 250.0, true), 96u);     // WMA: odd lowered to even
    EXPECT_EQ(sourceBitrateFor(4'000'000, 250.0, true), 128u);
}

TEST(SourceBitrate, ShorterThanOneSecondOrUnknownIsZero)
{
    EXPECT_EQ(sourceBitrateFor(5000, 0.99, false), 0u);
    EXPECT_EQ(sourceBitrateFor(5000, 0.0, true), 0u);
    EXPECT_EQ(sourceBitrateFor(5000, -1.0, false), 0u);
    EXPECT_EQ(sourceBitrateFor(5000, std::numeric_limits<double>::quiet_NaN(), false), 0u);
    EXPECT_EQ(sourceBitrateFor(16000, 1.0, false), 128u);
}

}  // namespace
}  // namespace tw::test
