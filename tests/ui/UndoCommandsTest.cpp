// Undo and Redo from the window: where they sit, when they are enabled, the
// unsaved state they follow, and a journal that ends with the document.
#include <QMenu>

#include "OpenSupport.h"

using twtest::OpenTest;

namespace {

TEST_F(OpenTest, UndoAndRedoFollowTheJournalAndTheSavedState)
{
    auto form = make();
    const std::string dir = sources.path().toStdString() + "/";
    const std::string path = makeWav("ten.wav", 44100, 2, 441000);
    choose(*form, path);
    form->ButtonOpenClick();
    const auto actions = form->MenuEdit->actions();
    const auto undo = actions.indexOf(form->MUndo);
    ASSERT_GE(undo, 1);
    EXPECT_TRUE(actions[undo - 1]->isSeparator());
    EXPECT_EQ(actions.value(undo + 1), form->MRedo);
    EXPECT_EQ(form->MUndo->shortcut(), QKeySequence(QKeySequence::Undo));
    EXPECT_FALSE(form->MUndo->isEnabled());
    EXPECT_FALSE(form->MRedo->isEnabled());
    const auto work = [&] { return twtest::readBytes(form->workPath); };
    const twtest::Bytes opened = work();

    form->selStart = 5;
    form->selFinish = 20;
    form->ButtonFadeInClick();
    form->prompter().setFileHook([&](const tw::FileDialogRequest&) {
        return std::optional<tw::FileDialogChoice>({dir + "saved.wav", 1});
    });
    form->ButtonSaveAsClick();
    ASSERT_FALSE(form->modified);
    const twtest::Bytes saved = work();
    form->selStart = 30;
    form->selFinish = 40;
    form->ButtonDeleteClick();
    form->MZoom1->trigger();  // not a step
    EXPECT_TRUE(form->MUndo->isEnabled());
    EXPECT_FALSE(form->MRedo->isEnabled());

    // Undo while playing: stopped first, back to the saved bytes, unmodified.
    form->CButtonPlayClick();
    ASSERT_TRUE(form->MUndo->isEnabled());
    form->MUndo->trigger();
    EXPECT_EQ(form->playState, tw::kStopped);
    EXPECT_TRUE(work() == saved);
    EXPECT_FALSE(form->modified);
    EXPECT_EQ(form->zoom, 10000u);
    EXPECT_TRUE(form->MZoom10->isChecked());
    EXPECT_EQ(form->columnCount, 45u);
    EXPECT_EQ(form->PaintBox1->width(), 45);
    EXPECT_TRUE(form->MRedo->isEnabled());
    form->MUndo->trigger();
    EXPECT_TRUE(work() == opened);
    EXPECT_TRUE(form->modified);
    EXPECT_FALSE(form->MUndo->isEnabled());
    form->MRedo->trigger();
    form->MRedo->trigger();
    EXPECT_EQ(form->columnCount, 35u);
    EXPECT_EQ(form->streamLength, (441000u - 100000u) * 4);
    EXPECT_FALSE(form->MRedo->isEnabled());

    // Close and open again: nothing to undo.
    form->prompter().setMessageHook([](const tw::MessageRequest&) { return tw::MsgResult::No; });
    form->ButtonCloseClick();
    EXPECT_FALSE(form->MUndo->isEnabled());
    choose(*form, path);
    form->ButtonOpenClick();
    EXPECT_FALSE(form->MUndo->isEnabled());
    EXPECT_FALSE(form->MRedo->isEnabled());
    EXPECT_TRUE(otherMessages().empty());
}

}  // namespace
