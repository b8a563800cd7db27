#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "DocumentTestSupport.h"
#include "document/SourceBitrate.h"
#include "document/SourceKind.h"
#include "wav/File.h"

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

TEST(SourceKind, OnlyRegularFilesWithAKnownExtensionAreAccepted)
{
    ScratchDir dir;
    writeFile(dir.file("SONG.MP3"), Bytes(10, 1));
    writeFile(dir.file("song.ogg"), Bytes(10, 1));
    ASSERT_EQ(::symlink(dir.file("SONG.MP3").c_str(), dir.file("linked.mp3").c_str()), 0);
    ASSERT_EQ(::mkfifo(dir.file("fifo.wav").c_str(), 0600), 0);
    ASSERT_EQ(::symlink("/dev/zero", dir.file("zero.wav").c_str()), 0);
    ASSERT_EQ(::mkdir(dir.file("folder.wav").c_str(), 0700), 0);
    const struct {
        const char* name;
        bool accepted;
    } cases[] = {{"SONG.MP3", true},  {"linked.mp3", true}, {"song.ogg", false}, {"fifo.wav", false},
                 {"zero.wav", false}, {"folder.wav", false}, {"missing.wav", false}};
    for (const auto& c : cases) {
        RecordingMessenger messages;
        EXPECT_EQ(acceptSource(dir.file(c.name), messages), c.accepted) << c.name;
        ASSERT_EQ(messages.texts.size(), c.accepted ? 0u : 1u) << c.name;
        if (!c.accepted) {
            EXPECT_EQ(messages.texts[0], "Can not open the file.");
            EXPECT_EQ(messages.buttons[0], MsgButtons::Ok);
        }
    }
    // Opened as a source, a FIFO is refused at once instead of waiting for a writer.
    EXPECT_FALSE(File::openRegular(dir.file("fifo.wav")));
    EXPECT_FALSE(File::openRegular(dir.file("zero.wav")));
    EXPECT_TRUE(File::openRegular(dir.file("linked.mp3")));
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
