#include "i18n/Settings.h"

#include "i18n/IniText.h"

#define SI_NO_CONVERSION  // texts are UTF-8 bytes; legacy code pages are converted before
#include <SimpleIni.h>
#include <dirent.h>
#include <sys/stat.h>

#include <QCollator>
#include <QFile>
#include <QString>

#include <algorithm>
#include <cctype>

namespace tw {

namespace {

// Every missing folder of path, outermost first, private to the user.
void makeFolders(const std::string& path)
{
    for (auto slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);  // an existing one stays as it is
}

}  // namespace

struct SettingsFile::Store {
    CSimpleIniA ini;
};

DataPaths dataPaths(const std::string& appDir, bool portable, const std::string& configHome, const std::string& home)
{
    if (portable)
        return {appDir + "TWLanguage/", appDir + "Tarnwick.ini", appDir, appDir};
    // A relative $XDG_CONFIG_HOME is not used.
    const std::string config = configHome.starts_with('/') ? configHome : home + "/.config";
    return {appDir + "../share/tarnwick/TWLanguage/", config + "/tarnwick/Tarnwick.ini", appDir + "../share/tarnwick/",
            installedModuleDir(appDir)};
}

std::string installedModuleDir(const std::string& appDir)
{
    // The install rules' folder, relative to the prefix.
    return appDir + "../" TARNWICK_MODULE_DIR "/";
}

std::string automaticLanguageFile(const std::string& locale)
{
    const std::string lang = locale.substr(0, locale.find_first_of("_-."));
    const std::string country = locale.size() > lang.size() + 1 ? locale.substr(lang.size() + 1, 2) : "";
    if (lang == "zh")
        return country == "TW" || country == "HK" || country == "MO" ? "ChineseBig5.ini" : "ChineseGB.ini";
    if (lang == "ru")
        return "Russian.ini";
    return "English.ini";
}

std::vector<std::string> languageFiles(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* listing = ::opendir(dir.c_str())) {
        while (const dirent* entry = ::readdir(listing)) {
            const std::string name = entry->d_name;
            struct stat st {};
            const bool ini = name.size() > 4 && QString::fromStdString(name.substr(name.size() - 4)).toLower() == ".ini";
            // Regular files only: reading a FIFO would never end.
            if (ini && ::stat((dir + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
                names.push_back(name);
        }
        ::closedir(listing);
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(names.begin(), names.end(), [&collator](const std::string& a, const std::string& b) {
        return collator.compare(QFile::decodeName(a.c_str()), QFile::decodeName(b.c_str())) < 0;
    });
    return names;
}

std::string trimmedSetting(const std::string& value)
{
    const auto keep = [](unsigned char c) { return c > ' '; };
    const auto first = std::find_if(value.begin(), value.end(), keep);
    const auto last = std::find_if(value.rbegin(), value.rend(), keep).base();
    return first < last ? std::string(first, last) : std::string();
}

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)), ini_(std::make_unique<Store>())
{
    ini_->ini.SetUnicode(true);
    ini_->ini.SetSpaces(false);  // "Language=English.ini", as other INI writers do
    const std::string bytes = regularFileBytes(path_);
    ini_->ini.LoadData(bytes.data(), bytes.size());
}

SettingsFile::~SettingsFile() = default;

std::string SettingsFile::read(const std::string& key) const
{
    return ini_->ini.GetValue("General", key.c_str(), "");
}

bool SettingsFile::write(const std::string& key, const std::string& value)
{
    ini_->ini.SetValue("General", key.c_str(), value.c_str());
    makeFolders(path_.substr(0, path_.find_last_of('/') + 1));  // ~/.config/tarnwick/ on first use
    return ini_->ini.SaveFile(path_.c_str(), false) == SI_OK;
}

}  // namespace tw
