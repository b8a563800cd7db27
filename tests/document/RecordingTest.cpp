// The recording's writer: every frame the input delivered lands in the work
// file in order, the header's sizes are patched while it runs and at the end,
// and the work file's limit and a full disk end it on a whole frame; the
// result reads back as a document without a name.
#include "document/Recording.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

#include "document/OpenBody.h"
#include "tests/document/DocumentTestSupport.h"

namespace tw {
namespace {

using namespace std::chrono_literals;

std::vector<std::uint8_t> bytesOf(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

// The sample of frame i, channel c: every frame told apart.
std::int16_t pattern(std::uint64_t i, int c)
{
    return std::int16_t((i * 7919 + std::uint64_t(c) * 104729) & 0xFFFF);
}

// Feeds frames 0, 1, ... in uneven buffers, as a device callback would,
// until stopped or `total` frames went out.
class Feeder {
public:
    Feeder(audio::InputCapture& input, std::uint64_t total, std::chrono::milliseconds pause = 1ms)
        : pause_(pause), thread_([this, &input, total] {
        std::mt19937 random(7);
        std::vector<std::int16_t> buffer;
        while (!stop_ && sent_ < total) {
            const std::uint64_t n = std::min<std::uint64_t>(1 + random() % 700, total - sent_);
            buffer.resize(std::size_t(n) * std::size_t(input.channels()));
            for (std::uint64_t i = 0; i < n; ++i)
                for (int c = 0; c < input.channels(); ++c)
                    buffer[std::size_t(i) * std::size_t(input.channels()) + std::size_t(c)] = pattern(sent_ + i, c);
            input.deliver(buffer.data(), std::size_t(n), false);
            sent_ += n;
            std::this_thread::sleep_for(pause_);
        }
    })
    {
    }
    ~Feeder()
    {
        stop_ = true;
        thread_.join();
    }

private:
    std::chrono::milliseconds pause_;
    std::atomic<bool> stop_{false};
    std::uint64_t sent_ = 0;
    std::thread thread_;
};

// Checks the file: a 44-byte PCM header with both sizes right, then frames
// 0 .. frames-1 of the pattern.
void expectRecording(const std::string& path, int rate, int channels, std::uint64_t frames)
{
    const auto b = bytesOf(path);
    const std::uint64_t frameBytes = std::uint64_t(channels) * 2;
    ASSERT_EQ(b.size(), 44 + frames * frameBytes);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(le32(b, 4), b.size() - 8);
    EXPECT_EQ(le32(b, 24), std::uint32_t(rate));
    EXPECT_EQ(b[22], channels);
    EXPECT_EQ(std::string(b.begin() + 36, b.begin() + 40), "data");
    EXPECT_EQ(le32(b, 40), b.size() - 44);
    std::uint64_t wrong = 0;
    for (std::uint64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c) {
            const std::size_t at = std::size_t(44 + i * frameBytes + std::uint64_t(c) * 2);
            wrong += std::int16_t(b[at] | b[at + 1] << 8) != pattern(i, c);
        }
    EXPECT_EQ(wrong, 0u);
}

TEST(Recording, EveryFrameInOrderWithTheHeaderPatchedWhileItRuns)
{
    for (const int channels : {1, 2}) {
        test::ScratchDir dir;
        const std::string work = dir.file(kWorkFileName);
        auto input = std::make_unique<audio::InputCapture>(48000, channels, 96000);
        audio::InputCapture& in = *input;
        Recording recording(std::move(input));
        RecordOptions options;
        options.frameTarget = 60000;
        options.patchEvery = 5ms;
        ASSERT_TRUE(recording.start(work, options));
        Feeder feeder(in, 100000, 5ms);
        // While it runs, the header names whole frames that are in the file.
        bool patchedSeen = false;
        for (int i = 0; i < 2000 && recording.status().end == RecordEnd::Running; ++i) {
            const auto b = bytesOf(work);
            if (b.size() >= 44 && le32(b, 40) > 0) {
                patchedSeen = true;
                EXPECT_LE(le32(b, 40) + 44u, b.size());
                EXPECT_EQ(le32(b, 40) % (2 * channels), 0u);
            }
            std::this_thread::sleep_for(2ms);
        }
        const RecordStatus status = recording.stop();
        EXPECT_TRUE(patchedSeen);
        EXPECT_EQ(status.end, RecordEnd::Target);
        EXPECT_EQ(status.frames, 60000u);
        EXPECT_EQ(status.lostFrames, 0u);
        expectRecording(work, 48000, channels, 60000);

        DocumentState doc;
        doc.tempDir = dir.path();
        doc.sourcePath = "old.wav";
        test::RecordingMessenger messages;
        SilentProgress progress;
        ASSERT_TRUE(readRecording(doc, progress, messages));
        EXPECT_EQ(doc.frameCount, 60000u);
        EXPECT_EQ(doc.channels, std::uint32_t(channels));
        EXPECT_EQ(doc.columnCount, 6u);
        EXPECT_TRUE(doc.sourcePath.empty());
    }
}

TEST(Recording, TheLimitAndAFullDiskEndItOnAWholeFrame)
{
    const struct {
        std::uint64_t limit;
        std::uint64_t freeBytes;
        RecordEnd end;
        std::uint64_t frames;
    } cases[] = {
        {44 + 1000 * 4 + 3, UINT64_MAX, RecordEnd::Limit, 1000},
        {kMaxWorkFileBytes, kRecordDiskReserve + 1200 * 4 + 2, RecordEnd::DiskFull, 1200},
        {kMaxWorkFileBytes, kRecordDiskReserve, RecordEnd::DiskFull, 0},
    };
    for (const auto& c : cases) {
        test::ScratchDir dir;
        const std::string work = dir.file(kWorkFileName);
        auto input = std::make_unique<audio::InputCapture>(44100, 2, 44100);
        audio::InputCapture& in = *input;
        Recording recording(std::move(input));
        RecordOptions options;
        options.limit = c.limit;
        options.freeSpace = [&c](const std::string&) { return std::optional<std::uint64_t>(c.freeBytes); };
        ASSERT_TRUE(recording.start(work, options));
        Feeder feeder(in, 5000);
        for (int i = 0; i < 3000 && recording.status().end == RecordEnd::Running; ++i)
            std::this_thread::sleep_for(1ms);
        const RecordStatus status = recording.stop();
        EXPECT_EQ(status.end, c.end);
        EXPECT_EQ(status.frames, c.frames);
        EXPECT_EQ(status.framesLeft, 0u);
        expectRecording(work, 44100, 2, c.frames);
    }
}

TEST(Recording, DiscardRemovesTheWorkFile)
{
    test::ScratchDir dir;
    const std::string work = dir.file(kWorkFileName);
    Recording recording(std::make_unique<audio::InputCapture>(44100, 1, 4410));
    ASSERT_TRUE(recording.start(work, {}));
    EXPECT_TRUE(fileExists(work));
    recording.discard();
    EXPECT_FALSE(fileExists(work));
    EXPECT_FALSE(recording.start(work, {}));  // once only
}

}  // namespace
}  // namespace tw
