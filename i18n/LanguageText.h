// Texts of the selected language, read by section and key.
#pragma once

#include <string>

namespace tw {

class LanguageText {
public:
    // The value of key in section, or def when there is none. Until language
    // files are read, only the status bar words are known (in English).
    std::string read(const std::string& section, const std::string& key, const std::string& def) const;
};

}  // namespace tw
