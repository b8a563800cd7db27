// The program itself as a child process: what a signal, a kill and a name
// that is no UTF-8 do to it and to its private temporary directory.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "OpenSupport.h"
#include "core/PrivateTempDir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(scratch.isValid());
        tmp = scratch.path().toStdString() + "/tmp";
        fs::create_directory(tmp);
    }
    void TearDown() override
    {
        for (pid_t pid : children)
            if (::kill(pid, SIGKILL) == 0)
                ::waitpid(pid, nullptr, 0);
    }

    // Starts the program with TMPDIR in the scratch folder.
    pid_t start(const std::vector<std::string>& args)
    {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "TMPDIR=", 7) != 0)
                env.emplace_back(*e);
        env.push_back("TMPDIR=" + tmp);
        env.emplace_back("QT_QPA_PLATFORM=offscreen");
        env.emplace_back("TARNWICK_AUDIO=none");
        std::vector<std::string> argv{TARNWICK_BINARY};
        argv.insert(argv.end(), args.begin(), args.end());
        auto pointers = [](std::vector<std::string>& v) {
            std::vector<char*> p;
            for (auto& s : v)
                p.push_back(s.data());
            p.push_back(nullptr);
            return p;
        };
        auto envp = pointers(env);
        auto argp = pointers(argv);
        pid_t pid = -1;
        EXPECT_EQ(::posix_spawn(&pid, TARNWICK_BINARY, nullptr, nullptr, argp.data(), envp.data()), 0);
        children.push_back(pid);
        return pid;
    }

    // The private directories in TMPDIR.
    std::vector<std::string> privateDirs() const
    {
        std::vector<std::string> dirs;
        for (const auto& entry : fs::directory_iterator(tmp))
            if (entry.path().filename().string().rfind("tarnwick-", 0) == 0)
                dirs.push_back(entry.path().string());
        return dirs;
    }

    // Waits up to 10 s for check to hold.
    template <class Check>
    static bool eventually(Check check)
    {
        const auto until = std::chrono::steady_clock::now() + 10s;
        while (!check()) {
            if (std::chrono::steady_clock::now() > until)
                return false;
            std::this_thread::sleep_for(20ms);
        }
        return true;
    }

    // The exit status once the child has ended, if it does within 10 s.
    std::optional<int> ended(pid_t pid)
    {
        int status = 0;
        if (!eventually([&] { return ::waitpid(pid, &status, WNOHANG) == pid; }))
            return std::nullopt;
        std::erase(children, pid);
        return status;
    }

    QTemporaryDir scratch;
    std::string tmp;
    std::vector<pid_t> children;
};

TEST_F(ProcessTest, SignalsEndTheProgramCleanlyAlsoDuringTheStartUpOpen)
{
    // A source that fails to open: its message box and then the open window
    // wait, inside the showing of the main window, before the main loop runs.
    const std::string zero = scratch.path().toStdString() + "/zero.wav";
    std::ofstream{zero};
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const pid_t pid = start({zero});
        ASSERT_TRUE(eventually([&] { return !privateDirs().empty(); }));
        std::this_thread::sleep_for(500ms);  // the message box is up
        ::kill(pid, signal);
        const auto status = ended(pid);
        ASSERT_TRUE(status) << "signal " << signal << " did not end the program";
        EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0) << "signal " << signal;
        EXPECT_TRUE(privateDirs().empty()) << "signal " << signal;
    }
}

TEST_F(ProcessTest, ANameThatIsNoUtf8OpensFromTheCommandLine)
{
    const std::string path = scratch.path().toStdString() + "/latin\xe9.wav";
    const twtest::Bytes bytes = twtest::wav16(44100, 2, 30000);
    twtest::writeBytes(path, bytes);
    const pid_t pid = start({path});
    // The work file is the source, byte for byte.
    EXPECT_TRUE(eventually([&] {
        const auto dirs = privateDirs();
        return dirs.size() == 1 && twtest::readBytes(dirs[0] + "/AudioTemp.wav") == bytes;
    }));
    ::kill(pid, SIGTERM);
    const auto status = ended(pid);
    ASSERT_TRUE(status);
    EXPECT_TRUE(privateDirs().empty());
}

TEST_F(ProcessTest, DirectoriesOfKilledRunsAreRemovedAndLivingOnesKept)
{
    const pid_t killed = start({});
    ASSERT_TRUE(eventually([&] { return privateDirs().size() == 1; }));
    const std::string left = privateDirs()[0];
    ::kill(killed, SIGKILL);
    ASSERT_TRUE(ended(killed));
    ASSERT_TRUE(fs::exists(left));

    // The next run removes it at its start, and keeps its own.
    const pid_t living = start({});
    ASSERT_TRUE(eventually([&] { return privateDirs().size() == 1 && !fs::exists(left); }))
        << "the killed run's directory is still there";
    const std::string kept = privateDirs()[0];
    {
        // A start beside a living run leaves that run's directory alone.
        tw::PrivateTempDir mine(tmp);
        EXPECT_TRUE(fs::exists(kept)) << "a living run's directory was removed";
        EXPECT_EQ(privateDirs().size(), 2u);
    }
    ::kill(living, SIGTERM);
    ASSERT_TRUE(ended(living));
    EXPECT_TRUE(privateDirs().empty());
}

}  // namespace
