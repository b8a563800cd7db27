#include <sys/stat.h>

#include "DocumentTestSupport.h"
#include "core/Progress.h"
#include "document/OpenBody.h"
#include "document/ReloadBody.h"

namespace tw::test {
namespace {

TEST(Reload, NewColumnsAtTheNewZoomOrNothingWhenTheWorkFileIsGone)
{
    ScratchDir dir;
    ASSERT_EQ(::mkdir(dir.file("temp").c_str(), 0755), 0);
    DocumentState doc;
    doc.tempDir = dir.file("temp/");
    doc.sourcePath = dir.file("ten.wav");
    std::vector<std::int16_t> samples(441000 * 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>((i * 977) % 30000);
    writeFile(doc.sourcePath, simpleWave(2, 44100, 16, samples16(samples)));
    SilentProgress progress;
    RecordingMessenger messages;
    OpenCut cut;
    ASSERT_EQ(runOpenBody(doc, progress, messages, cut), OpenResult::Completed);
    ASSERT_EQ(doc.columnCount, 45u);

    doc.zoom = 1000;
    SilentProgress reload;
    ASSERT_TRUE(runReloadBody(doc, reload, messages));
    EXPECT_EQ(doc.columnCount, 441u);
    EXPECT_EQ(doc.peakLeft.size(), 441u);
    EXPECT_EQ(reload.bars[0], 100);
    EXPECT_GT(reload.pumps, 0);
    EXPECT_TRUE(messages.texts.empty());

    const auto peaks = doc.peakLeft;
    ::unlink(doc.workPath.c_str());
    doc.zoom = 2000;
    EXPECT_FALSE(runReloadBody(doc, reload, messages));
    EXPECT_EQ(messages.texts, std::vector<std::string>{"Cannot open the temporary file."});
    EXPECT_EQ(doc.columnCount, 441u);
    EXPECT_EQ(doc.peakLeft, peaks);
}

}  // namespace
}  // namespace tw::test
