// Fuzz target: the language file reader (encodings, INI parsing, long values).
#include <cstddef>
#include <cstdint>
#include <string>

#include "i18n/IniText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const tw::IniText text = tw::IniText::parse(std::string(reinterpret_cast<const char*>(data), size));
    (void)text.read("LanguageProperty", "Name", "");
    (void)text.read("Menu", "Open", "");
    (void)text.read("OpenDialog", "Filter", "");
    return 0;
}
