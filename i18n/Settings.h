// Where the language files and the settings file are, which language file a
// user gets by default, and the settings file itself.
#pragma once

#include <memory>
#include <string>
#include <vector>


namespace tw {

struct DataPaths {
    std::string languageDir;   // ends in '/'
    std::string settingsFile;  // Tarnwick.ini
    std::string dataDir;       // what help file names are relative to; ends in '/'
    std::string moduleDir;     // where the WMA writer module is; ends in '/'
};

// Run from a build tree or a portable folder (the language files beside the
// program): everything beside it. Installed: the language files and help
// from share/tarnwick beside bin/, the module from installedModuleDir, the
// settings under $XDG_CONFIG_HOME (~/.config when it is unset or relative).
DataPaths dataPaths(const std::string& appDir, bool portable, const std::string& configHome, const std::string& home);

// The installed module's folder for a program in appDir (bin/): the library
// folder with the multiarch triplet beside bin/, then tarnwick/.
std::string installedModuleDir(const std::string& appDir);

// "ChineseGB.ini" for zh_CN and zh_SG, "ChineseBig5.ini" for zh_TW, zh_HK and
// zh_MO, "Russian.ini" for ru, else "English.ini". locale as "ll_CC".
std::string automaticLanguageFile(const std::string& locale);

// The *.ini entries of dir that are regular files, sorted without regard to
// case, locale-aware.
std::vector<std::string> languageFiles(const std::string& dir);

// Without leading and trailing blanks and control characters.
std::string trimmedSetting(const std::string& value);

// Tarnwick.ini, section General. Writing makes the missing folders of its
// path (mode 0700). A file that cannot be written leaves the value in memory;
// nothing is reported.
class SettingsFile {
public:
    explicit SettingsFile(std::string path);
    ~SettingsFile();
    std::string read(const std::string& key) const;
    bool write(const std::string& key, const std::string& value);

private:
    std::string path_;
    struct Store;
    std::unique_ptr<Store> ini_;
};

}  // namespace tw
