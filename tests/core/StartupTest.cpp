#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <QTemporaryDir>

#include "core/CommandLine.h"
#include "core/PrivateTempDir.h"

namespace fs = std::filesystem;

TEST(CommandLine, JoinsArgumentsWithSingleBlanks)
{
    EXPECT_EQ(tw::joinArguments({"prog"}), "");
    EXPECT_EQ(tw::joinArguments({"prog", "a.wav"}), "a.wav");
    EXPECT_EQ(tw::joinArguments({"prog", "C:\\My", "Music\\a", "b.wav"}), "C:\\My Music\\a b.wav");
}

TEST(CommandLine, HelpAndVersionAreOptionsOnlyAlone)
{
    using tw::StartRequest;
    const std::pair<std::vector<std::string>, StartRequest> cases[] = {
        {{"prog", "--help"}, StartRequest::Help},
        {{"prog", "--version"}, StartRequest::Version},
        {{"prog"}, StartRequest::Window},
        {{}, StartRequest::Window},
        {{"prog", "./--help"}, StartRequest::Window},
        {{"prog", "--help", "me.wav"}, StartRequest::Window},
        {{"prog", "my", "--version"}, StartRequest::Window},
        {{"prog", "--help "}, StartRequest::Window},
        {{"prog", "-h"}, StartRequest::Window},
        {{"prog", "--Version"}, StartRequest::Window},
    };
    for (const auto& [argv, expected] : cases)
        EXPECT_EQ(tw::startRequest(argv), expected) << tw::joinArguments(argv);
}

TEST(CommandLine, UnquotedPathWithBlanksComesTogether)
{
    QTemporaryDir scratch;
    ASSERT_TRUE(scratch.isValid());
    const fs::path dir = fs::path(scratch.path().toStdString()) / "My Music";
    fs::create_directories(dir);
    const fs::path file = dir / "a b.wav";
    std::ofstream(file) << "RIFF";
    const std::string base = scratch.path().toStdString();

    const auto found = tw::commandLineFile({"prog", base + "/My", "Music/a", "b.wav"});
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, file.string());
}

TEST(CommandLine, OnlyAnExistingRegularFileIsTaken)
{
    QTemporaryDir scratch;
    const std::string base = scratch.path().toStdString();
    const std::string latin1 = base + "/latin\xe9.wav";  // not UTF-8
    std::ofstream(latin1) << "RIFF";
    ASSERT_EQ(::mkfifo((base + "/fifo.wav").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", base + "/zero.wav");
    fs::create_directory(base + "/folder.wav");

    EXPECT_EQ(tw::commandLineFile({"prog", latin1}), latin1);
    for (const char* ignored : {"/missing", "/fifo.wav", "/zero.wav", "/folder.wav"})
        EXPECT_FALSE(tw::commandLineFile({"prog", base + ignored})) << ignored;
    EXPECT_FALSE(tw::commandLineFile({"prog", base + "/missing", "file.wav"}));
    EXPECT_FALSE(tw::commandLineFile({"prog"}));
    EXPECT_FALSE(tw::commandLineFile({}));
    EXPECT_FALSE(tw::commandLineFile({"prog", ""}));
}

TEST(PrivateTempDir, OwnDirectoryWithTrailingSeparatorAndMode0700)
{
    QTemporaryDir scratch;
    const std::string base = scratch.path().toStdString();
    std::string path;
    {
        tw::PrivateTempDir dir(base);
        path = dir.path();
        ASSERT_FALSE(path.empty());
        EXPECT_EQ(path.back(), '/');
        EXPECT_EQ(path.rfind(base + "/", 0), 0u) << path;
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);

        // Contents, nested ones too, go with it.
        std::ofstream(path + "AudioTemp.wav") << "data";
        fs::create_directory(path + "sub");
        std::ofstream(path + "sub/x") << "x";
    }
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::exists(base));
}

TEST(PrivateTempDir, TwoCopiesNeverShareADirectory)
{
    QTemporaryDir scratch;
    tw::PrivateTempDir a(scratch.path().toStdString() + "/");  // a base with its separator
    tw::PrivateTempDir b(scratch.path().toStdString());
    EXPECT_NE(a.path(), b.path());
    EXPECT_EQ(a.path().find("//"), std::string::npos);
}

TEST(PrivateTempDir, DefaultsToTheSystemTemporaryDirectory)
{
    QTemporaryDir scratch;
    qputenv("TMPDIR", scratch.path().toLocal8Bit());
    std::string path;
    {
        tw::PrivateTempDir dir;
        path = dir.path();
    }
    qunsetenv("TMPDIR");
    EXPECT_EQ(path.rfind(scratch.path().toStdString() + "/", 0), 0u) << path;
    EXPECT_FALSE(fs::exists(path));
}

TEST(PrivateTempDir, FailureIsReported)
{
    EXPECT_THROW(tw::PrivateTempDir("/nonexistent-dir/for/sure"), std::system_error);
}
