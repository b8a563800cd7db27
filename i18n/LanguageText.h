// Texts of the selected language file, read by section and key.
#pragma once

#include <string>

#include "i18n/IniText.h"

namespace tw {

class LanguageText {
public:
    // The selected file; a missing one has no keys.
    void open(const std::string& path);

    // The value of key in section, or def when there is none. Before a file
    // was opened, the status bar words are the built-in English ones.
    std::string read(const std::string& section, const std::string& key, const std::string& def) const;

private:
    IniText file_;
    bool opened_ = false;
};

}  // namespace tw
