// Save As from the window: the completed name, the overwrite question, and
// the name and unsaved state taken over only by a save that completed.
#include <QTimer>

#include <filesystem>

#include "OpenSupport.h"
#include "ui/TSaveForm.h"

using twtest::OpenTest;

namespace {

TEST_F(OpenTest, SaveAsCompletesTheNameAsksBeforeOverwritingAndAdoptsItOnlyWhenSaved)
{
    auto form = make();
    const std::string dir = sources.path().toStdString() + "/";
    choose(*form, makeWav("song.wav", 22050, 1, 30000));
    form->ButtonOpenClick();
    form->modified = true;

    // The dialog's answers in turn: a name and a filter entry each.
    std::vector<std::pair<std::string, int>> answers;
    form->prompter().setFileHook([&](const tw::FileDialogRequest& request) -> std::optional<tw::FileDialogChoice> {
        requests.push_back(request);
        if (answers.empty())
            return std::nullopt;
        const auto [name, index] = answers.front();
        answers.erase(answers.begin());
        return tw::FileDialogChoice{dir + name, index};
    });
    std::vector<tw::MsgResult> replies;
    form->prompter().setMessageHook([&](const tw::MessageRequest& r) {
        messages.push_back(r);
        const tw::MsgResult reply = replies.empty() ? tw::MsgResult::Ok : replies.front();
        if (!replies.empty())
            replies.erase(replies.begin());
        return reply;
    });

    const struct {
        std::string name;
        int index;
        std::string saved;
    } names[] = {{"c.txt", 1, "c.txt.wav"}, {"a", 3, "a.mp3"}, {"b.MP3", 1, "b.MP3"}, {"d.ogg", 4, "d.ogg.wma"}};
    for (const auto& n : names) {
        answers = {{n.name, n.index}};
        form->ButtonSaveAsClick();
        EXPECT_EQ(form->sourcePath, dir + n.saved);
        EXPECT_TRUE(std::filesystem::exists(dir + n.saved)) << n.saved;
        EXPECT_FALSE(std::filesystem::exists(dir + "~" + n.saved + ".tmp"));
        EXPECT_EQ(form->SaveDialog1.fileName, dir + n.saved);
        EXPECT_FALSE(form->modified);
        form->modified = true;
    }

    // Onto an existing file: No asks again, proposing the completed name; Cancel ends it.
    requests.clear();
    answers = {{"a", 3}, {"a", 3}};
    replies = {tw::MsgResult::No, tw::MsgResult::Cancel};
    messages.clear();
    form->ButtonSaveAsClick();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].text, "This file already exists. Do you want to overwrite it?");
    EXPECT_EQ(messages[0].caption, "Information");
    EXPECT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].fileName, dir + "a.mp3");
    EXPECT_EQ(form->sourcePath, dir + "d.ogg.wma");
    EXPECT_TRUE(form->modified);
    answers = {{"a", 3}};
    replies = {tw::MsgResult::Yes};
    form->ButtonSaveAsClick();
    EXPECT_EQ(form->sourcePath, dir + "a.mp3");
    EXPECT_FALSE(form->modified);
    form->modified = true;

    // A save that cannot start (no such folder) keeps the name and the edits.
    answers = {{"gone/e", 2}};
    replies = {tw::MsgResult::Ok};
    QTimer::singleShot(100, form->SaveForm, [&] { form->SaveForm->ButtonCancelClick(); });
    form->ButtonSaveAsClick();
    EXPECT_EQ(form->sourcePath, dir + "a.mp3");
    EXPECT_TRUE(form->modified);
}

}  // namespace
