// The shipped language files, their encodings, and the choices made at start.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "i18n/IniText.h"
#include "tests/common/CommandOutput.h"
#include "i18n/Settings.h"

namespace tw {
namespace {

const std::string kDir = TARNWICK_LANGUAGE_DIR;

// Sections and keys of a file, by the file's own lines.
std::map<std::string, std::set<std::string>> keysOf(const std::string& utf8)
{
    std::map<std::string, std::set<std::string>> keys;
    std::istringstream in(utf8);
    std::string line, section;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > 2 && line.front() == '[')
            section = line.substr(1, line.size() - 2);
        else if (const auto eq = line.find('='); eq != std::string::npos)
            keys[section].insert(line.substr(0, eq));
    }
    return keys;
}

// What iconv makes of a file's bytes.
std::string iconvToUtf8(const std::string& path, const char* from)
{
    return test::commandOutput("iconv -f " + std::string(from) + " -t UTF-8 '" + path + "'");
}

std::string valueIn(const std::string& utf8, const std::string& section, const std::string& key)
{
    std::istringstream in(utf8);
    std::string line, current;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.size() > 2 && line.front() == '[')
            current = line.substr(1, line.size() - 2);
        else if (current == section && line.rfind(key + "=", 0) == 0)
            return line.substr(key.size() + 1);
    }
    return {};
}

TEST(LanguageFiles, EveryShippedFileHasEveryKeyAndTheFiltersInOrder)
{
    const auto english = IniText::load(kDir + "English.ini");
    std::ifstream in(kDir + "English.ini", std::ios::binary);
    const std::string englishText((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto wanted = keysOf(englishText);
    ASSERT_GT(wanted.size(), 10u);
    const auto files = languageFiles(kDir);
    EXPECT_GE(files.size(), 7u);
    for (const std::string& file : files) {
        std::ifstream f(kDir + file, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        const IniText text = IniText::parse(bytes);
        const int charSet = std::stoi(text.read("LanguageProperty", "CharSet", "1"));
        EXPECT_EQ(keysOf(toUtf8(bytes, charSet)), wanted) << file;
        // The entries' patterns stand in the same order: Save As counts on it.
        for (const char* dialog : {"OpenDialog", "SaveDialog"}) {
            const QStringList mine = QString::fromStdString(text.read(dialog, "Filter", "")).split('|');
            const QStringList theirs = QString::fromStdString(english.read(dialog, "Filter", "")).split('|');
            ASSERT_EQ(mine.size(), 10) << file;
            for (int i = 1; i < 10; i += 2)
                EXPECT_EQ(mine[i], theirs[i]) << file;
        }
        EXPECT_FALSE(text.read("LanguageProperty", "Name", "").empty()) << file;
    }
}

TEST(LanguageFiles, LegacyCodePagesDecodeAsIconvDecodesThem)
{
    const struct {
        const char* file;
        const char* codePage;
        int charSet;
    } legacy[] = {{"ChineseGB.ini", "GBK", 134}, {"ChineseBig5.ini", "BIG5", 136}, {"Russian.ini", "CP1251", 204}};
    for (const auto& l : legacy) {
        const IniText text = IniText::load(kDir + l.file);
        EXPECT_EQ(text.read("LanguageProperty", "CharSet", ""), std::to_string(l.charSet));
        const std::string peer = iconvToUtf8(kDir + l.file, l.codePage);
        for (const char* key : {"Open", "SaveAs", "SetStart"}) {
            const std::string value = text.read("Menu", key, "");
            EXPECT_EQ(value, valueIn(peer, "Menu", key)) << l.file << " " << key;
            EXPECT_FALSE(value.empty());
            EXPECT_TRUE(std::any_of(value.begin(), value.end(), [](char c) { return c & 0x80; })) << l.file;
        }
    }
    // A UTF-8 file with a byte-order mark reads as UTF-8 whatever CharSet says.
    const IniText bom = IniText::parse("\xEF\xBB\xBF[LanguageProperty]\nCharSet=204\n[Menu]\nOpen=\xC3\xB6\n");
    EXPECT_EQ(bom.read("Menu", "Open", ""), "\xC3\xB6");
}

TEST(LanguageFiles, ChoicesAtStart)
{
    const std::pair<const char*, const char*> locales[] = {
        {"zh_CN", "ChineseGB.ini"},  {"zh_SG", "ChineseGB.ini"},   {"zh_TW", "ChineseBig5.ini"},
        {"zh_HK", "ChineseBig5.ini"}, {"zh_MO", "ChineseBig5.ini"}, {"ru_RU", "Russian.ini"},
        {"de_DE", "English.ini"},    {"C", "English.ini"}};
    for (const auto& [locale, file] : locales)
        EXPECT_EQ(automaticLanguageFile(locale), file) << locale;
    EXPECT_EQ(trimmedSetting(" \tEnglish.ini \r"), "English.ini");

    QTemporaryDir scratch;
    const std::string dir = scratch.path().toStdString() + "/";
    for (const char* name : {"b.ini", "A.ini", "c.INI", "notes.txt"})
        std::ofstream(dir + name) << "[LanguageProperty]\n";
    ::mkdir((dir + "x.ini").c_str(), 0755);
    ::mkfifo((dir + "pipe.ini").c_str(), 0600);  // would never end when read
    EXPECT_EQ(IniText::load(dir + "pipe.ini").read("LanguageProperty", "Name", "none"), "none");
    EXPECT_EQ(languageFiles(dir), (std::vector<std::string>{"A.ini", "b.ini", "c.INI"}));

    EXPECT_EQ(dataPaths("/opt/tw/", true, "", "/home/u").languageDir, "/opt/tw/TWLanguage/");
    EXPECT_EQ(dataPaths("/opt/tw/", true, "", "/home/u").settingsFile, "/opt/tw/Tarnwick.ini");
    EXPECT_EQ(dataPaths("/usr/bin/", false, "", "/home/u").languageDir, "/usr/bin/../share/tarnwick/TWLanguage/");
    EXPECT_EQ(dataPaths("/usr/bin/", false, "", "/home/u").settingsFile, "/home/u/.config/tarnwick/Tarnwick.ini");
    EXPECT_THAT(dataPaths("/usr/bin/", false, "", "/home/u").moduleDir,
                ::testing::MatchesRegex("/usr/bin/\\.\\./lib/[a-z0-9_]+-linux-[a-z0-9_]+/tarnwick/"));
    EXPECT_EQ(dataPaths("/opt/tw/", true, "", "/home/u").moduleDir, "/opt/tw/");
    EXPECT_EQ(dataPaths("/usr/bin/", false, "/cfg", "/home/u").settingsFile, "/cfg/tarnwick/Tarnwick.ini");

    // A settings file that cannot be written (its folder would be inside a file) keeps the value in memory.
    SettingsFile settings(dir + "notes.txt/tarnwick/Tarnwick.ini");
    EXPECT_FALSE(settings.write("Language", "Russian.ini"));
    EXPECT_EQ(settings.read("Language"), "Russian.ini");
}

TEST(LanguageFiles, TheSettingsFolderIsMadeWithItsWholePath)
{
    // A relative $XDG_CONFIG_HOME does not count.
    EXPECT_EQ(dataPaths("/usr/bin/", false, "cfg", "/home/u").settingsFile, "/home/u/.config/tarnwick/Tarnwick.ini");

    QTemporaryDir scratch;
    const std::string home = scratch.path().toStdString() + "/home";
    const std::string path = dataPaths("/usr/bin/", false, "", home).settingsFile;  // no folder of it exists yet
    EXPECT_TRUE(SettingsFile(path).write("Language", "Russian.ini"));
    EXPECT_EQ(SettingsFile(path).read("Language"), "Russian.ini");
    for (const std::string& dir : {home, home + "/.config", home + "/.config/tarnwick"}) {
        struct stat st {};
        ASSERT_EQ(::stat(dir.c_str(), &st), 0) << dir;
        EXPECT_EQ(st.st_mode & 0777, 0700u) << dir;
    }
}

}  // namespace
}  // namespace tw
