#include "i18n/IniText.h"

#define SI_NO_CONVERSION  // texts are UTF-8 bytes; legacy code pages are converted before
#include <SimpleIni.h>
#include <iconv.h>

#include <QStringDecoder>

#include "wav/File.h"


namespace tw {

struct IniText::Store {
    CSimpleIniA ini;
};

namespace {

bool validUtf8(const std::string& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

int charSetIn(const std::string& bytes)
{
    // The CharSet line is plain ASCII in every code page.
    CSimpleIniA raw;
    raw.SetUnicode(false);
    raw.LoadData(bytes.data(), bytes.size());
    const char* value = raw.GetValue("LanguageProperty", "CharSet", "1");
    char* end = nullptr;
    const long n = std::strtol(value, &end, 10);
    return end != value ? static_cast<int>(n) : 1;
}

}  // namespace

const char* codePageOf(int charSet)
{
    switch (charSet) {
    case 134: return "GBK";
    case 136: return "BIG5";
    case 204: return "CP1251";
    case 161: return "CP1253";
    case 162: return "CP1254";
    case 177: return "CP1255";
    case 178: return "CP1256";
    case 186: return "CP1257";
    case 128: return "SHIFT_JIS";
    case 129: return "CP949";
    case 222: return "CP874";
    case 238: return "CP1250";
    default: return "CP1252";
    }
}

std::string toUtf8(const std::string& bytes, int charSet)
{
    if (bytes.rfind("\xEF\xBB\xBF", 0) == 0)
        return bytes.substr(3);
    if (validUtf8(bytes))
        return bytes;
    iconv_t cd = ::iconv_open("UTF-8", codePageOf(charSet));
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string out(bytes.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* to = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0) {
        if (::iconv(cd, &in, &inLeft, &to, &outLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        ++in;  // a byte the code page does not have is left out
        --inLeft;
    }
    ::iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

IniText::IniText() : ini_(std::make_unique<Store>()) {}
IniText::~IniText() = default;
IniText::IniText(IniText&&) noexcept = default;
IniText& IniText::operator=(IniText&&) noexcept = default;

std::string regularFileBytes(const std::string& path)
{
    File file = File::openRegular(path);
    std::string bytes;
    char block[65536];
    while (file) {
        const std::size_t n = file.read(block, sizeof block);
        bytes.append(block, n);
        if (n < sizeof block)
            break;
    }
    return bytes;
}

IniText IniText::load(const std::string& path)
{
    return parse(regularFileBytes(path));
}

IniText IniText::parse(const std::string& bytes)
{
    IniText text;
    text.ini_->ini.SetUnicode(true);
    const std::string utf8 = toUtf8(bytes, charSetIn(bytes));
    text.ini_->ini.LoadData(utf8.data(), utf8.size());
    return text;
}

std::string IniText::read(const std::string& section, const std::string& key, const std::string& def) const
{
    const char* value = ini_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (!value)
        return def;
    const QString text = QString::fromUtf8(value);
    return text.size() > 2047 ? text.left(2047).toStdString() : std::string(value);
}

}  // namespace tw
