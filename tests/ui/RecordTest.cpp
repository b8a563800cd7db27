// File > Record without an input device: the message, and nothing else
// changes, not even an open document with unsaved changes.
#include <QAction>
#include <QMenu>

#include "OpenSupport.h"
#include "document/Recording.h"

using twtest::OpenTest;

TEST_F(OpenTest, RecordWithoutAnInputSaysSoAndLeavesTheDocument)
{
    auto form = make();
    EXPECT_EQ(form->MenuFile->actions().at(1), form->MRecord);  // after Open
    EXPECT_EQ(form->MRecord->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
    const std::string path = makeWav("Tone.wav", 44100, 2, 44100);
    choose(*form, path);
    form->MOpen->trigger();
    ASSERT_TRUE(form->loaded);
    form->modified = true;
    const std::string work = form->workPath;
    const auto before = twtest::readBytes(work);

    form->MRecord->trigger();
    ASSERT_EQ(texts().size(), 1u);  // no save question before it
    EXPECT_EQ(texts()[0], tw::kMsgNoInputDevice);
    EXPECT_TRUE(form->loaded);
    EXPECT_TRUE(form->modified);
    EXPECT_EQ(form->sourcePath, path);
    EXPECT_EQ(twtest::readBytes(work), before);
}
