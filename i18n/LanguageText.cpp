#include "i18n/LanguageText.h"

#include <array>
#include <utility>

namespace tw {

void LanguageText::open(const std::string& path)
{
    file_ = IniText::load(path);
    opened_ = true;
}

std::string LanguageText::read(const std::string& section, const std::string& key, const std::string& def) const
{
    if (opened_)
        return file_.read(section, key, def);
    static constexpr std::array<std::pair<const char*, const char*>, 3> kStatusBar{{
        {"Mono", "Mono"}, {"Stereo", "Stereo"}, {"Bits", "Bits"}}};
    if (section == "StatusBar")
        for (const auto& [k, v] : kStatusBar)
            if (key == k)
                return v;
    return def;
}

}  // namespace tw
