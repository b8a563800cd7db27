// A window whose process was killed, or ended by a logout, with unsaved
// changes: the next window offers the document back through its question.
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <sstream>

#include "OpenSupport.h"
#include "core/Markers.h"

using twtest::OpenTest;

namespace {

// The child: TW_RECOVERY_CHILD is "base|file|edit" or "base|file|open".
// Opens the file with its private folder in base, fades a range in when
// asked, says "ready START FINISH" and waits for its signal.
TEST_F(OpenTest, RecoveryChildEditsAndWaits)
{
    const char* env = std::getenv("TW_RECOVERY_CHILD");
    if (!env)
        GTEST_SKIP() << "runs only as the recovery test's child process";
    std::istringstream in(env);
    std::string base, file, mode;
    std::getline(in, base, '|');
    std::getline(in, file, '|');
    std::getline(in, mode, '|');
    auto options = optionsFor({"tarnwick", file});
    options.tempBase = base;
    tw::TMainForm form(std::move(options));
    tw::TerminationSignals termination;
    QObject::connect(&termination, &tw::TerminationSignals::terminationRequested, &form, &tw::TMainForm::abandonLongSteps);
    form.show();
    QCoreApplication::processEvents();
    if (mode == "edit") {
        tw::setMarkerFrames(form, 30000, 90000);
        form.ButtonFadeInClick();
        tw::setMarkerFrames(form, 1000, 2000);
        form.UpdateControls(form.playState);
    }
    std::printf("ready %llu %llu\n", static_cast<unsigned long long>(tw::startFrame(form)),
                static_cast<unsigned long long>(tw::finishFrame(form)));
    std::fflush(stdout);
    QCoreApplication::exec();
    form.endRunOnLogout(termination);
    // Not kept: the folder goes with the window.
}

class RecoveryWindowTest : public OpenTest {
protected:
    // Runs the child, and once it is ready sends it signal; returns its
    // markers and its exit status.
    std::pair<std::string, int> runChild(const std::string& mode, int signal)
    {
        int out[2];
        EXPECT_EQ(::pipe(out), 0);
        const std::string env = base() + "|" + file + "|" + mode;
        const pid_t child = ::fork();
        if (child == 0) {
            ::dup2(out[1], 1);
            ::setenv("TW_RECOVERY_CHILD", env.c_str(), 1);
            const std::string self = QCoreApplication::applicationFilePath().toStdString();
            ::execl(self.c_str(), self.c_str(), "--gtest_filter=OpenTest.RecoveryChildEditsAndWaits", nullptr);
            ::_exit(127);
        }
        ::close(out[1]);
        std::string said;
        char c = 0;
        const auto ready = [&said] {
            const auto at = said.find("ready ");
            return at != std::string::npos && said.find('\n', at) != std::string::npos;
        };
        while (!ready() && ::read(out[0], &c, 1) == 1)
            said += c;
        ::kill(child, signal);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(out[0]);
        const auto at = said.find("ready ");
        return {at == std::string::npos ? said : said.substr(at + 6, said.find('\n', at) - at - 6), status};
    }
    std::string base() const { return scratch.path().toStdString() + "/base"; }
    QStringList folders() const { return QDir(QString::fromStdString(base())).entryList({"tarnwick-*"}, QDir::Dirs); }
    // A window in base whose recovery question gets answer.
    std::unique_ptr<tw::TMainForm> window(tw::MsgResult answer)
    {
        auto options = optionsFor({"tarnwick"});
        options.tempBase = base();
        options.messageHook = [this, answer](const tw::MessageRequest& r) {
            messages.push_back(r);
            return r.buttons == tw::MsgButtons::YesNoLater ? answer : tw::MsgResult::Ok;
        };
        auto form = std::make_unique<tw::TMainForm>(std::move(options));
        form->show();
        QCoreApplication::processEvents();
        return form;
    }
    int questions() const
    {
        int n = 0;
        for (const auto& m : messages)
            n += m.buttons == tw::MsgButtons::YesNoLater;
        return n;
    }

    std::string file;
};

TEST_F(RecoveryWindowTest, AKilledOrLoggedOutWindowsWorkComesBackThroughTheQuestion)
{
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(base())));
    file = makeWav("song.wav", 44100, 2, 441000);
    const twtest::Bytes original = twtest::readBytes(file);

    // Killed with unsaved changes: offered with its name, and Recover brings
    // back the bytes, the markers and the Undo step.
    auto [marks, status] = runChild("edit", SIGKILL);
    ASSERT_TRUE(WIFSIGNALED(status)) << marks;
    ASSERT_EQ(folders().size(), 1);
    {
        auto form = window(tw::MsgResult::Yes);
        ASSERT_EQ(questions(), 1);
        EXPECT_NE(messages.back().text.find("song.wav"), std::string::npos) << messages.back().text;
        EXPECT_EQ(messages.back().yesText, "Recover");
        EXPECT_EQ(form->sourcePath, file);
        EXPECT_TRUE(form->loaded);
        EXPECT_TRUE(form->modified);
        EXPECT_EQ(std::to_string(tw::startFrame(*form)) + " " + std::to_string(tw::finishFrame(*form)), marks);
        EXPECT_TRUE(twtest::readBytes(form->workPath) != original);
        ASSERT_TRUE(form->MUndo->isEnabled());
        form->MUndo->trigger();
        EXPECT_TRUE(twtest::readBytes(form->workPath) == original);
        EXPECT_EQ(folders().size(), 1);  // only the window's own
    }
    EXPECT_EQ(folders().size(), 0);

    // Discard removes it; an unedited window is never offered.
    messages.clear();
    runChild("edit", SIGKILL);
    runChild("open", SIGKILL);
    ASSERT_EQ(folders().size(), 2);
    {
        auto form = window(tw::MsgResult::No);
        EXPECT_EQ(questions(), 1);
        EXPECT_FALSE(form->loaded);
        EXPECT_EQ(folders().size(), 1);
    }

    // A logout (SIGTERM) keeps unsaved work; Escape asks again next time.
    messages.clear();
    std::tie(marks, status) = runChild("edit", SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_EQ(folders().size(), 1);
    for (int start = 0; start < 2; ++start) {
        auto form = window(tw::MsgResult::Cancel);
        EXPECT_EQ(questions(), start + 1);
        EXPECT_FALSE(form->loaded);
    }
    EXPECT_EQ(folders().size(), 1);
    // Without unsaved changes a logout removes the folder.
    runChild("open", SIGTERM);
    EXPECT_EQ(folders().size(), 1);
}

}  // namespace
