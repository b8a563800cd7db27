// An INI file's texts in UTF-8. Language files may be legacy code-page text:
// a file that is not valid UTF-8 is converted from the code page its
// LanguageProperty CharSet names.
#pragma once

#include <memory>
#include <string>


namespace tw {

class IniText {
public:
    IniText();
    ~IniText();
    IniText(IniText&&) noexcept;
    IniText& operator=(IniText&&) noexcept;

    // A missing or unreadable file, or one that is no regular file (a FIFO
    // would never end), reads as a file without keys.
    static IniText load(const std::string& path);
    // Text bytes as a file holds them.
    static IniText parse(const std::string& bytes);

    // The value, cut after 2047 characters, or def when there is none.
    std::string read(const std::string& section, const std::string& key, const std::string& def) const;

private:
    struct Store;
    std::unique_ptr<Store> ini_;
};

// The code page a CharSet value stands for, as iconv names it.
const char* codePageOf(int charSet);

// The bytes of a regular file; empty for anything else.
std::string regularFileBytes(const std::string& path);

// bytes in UTF-8: as they are when valid UTF-8 (a byte-order mark dropped),
// else converted from the code page of charSet.
std::string toUtf8(const std::string& bytes, int charSet);

}  // namespace tw
