#include "document/SourceKind.h"

#include <algorithm>
#include <cctype>

#include "wav/File.h"

namespace tw {

namespace {

std::string_view extensionOf(std::string_view path)
{
    const auto dot = path.rfind('.');
    const auto slash = path.find_last_of("/\\");
    if (dot == std::string_view::npos || (slash != std::string_view::npos && slash > dot))
        return {};
    return path.substr(dot);
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

SourceKind sourceKindOf(std::string_view path)
{
    const auto ext = extensionOf(path);
    if (equalsIgnoringCase(ext, ".mp3"))
        return SourceKind::Mp3;
    if (equalsIgnoringCase(ext, ".wma"))
        return SourceKind::Wma;
    if (equalsIgnoringCase(ext, ".wav"))
        return SourceKind::Wav;
    return SourceKind::Unsupported;
}

bool acceptSource(const std::string& path, Messenger& messages)
{
    if (sourceKindOf(path) != SourceKind::Unsupported && isRegularFile(path))
        return true;
    messages.inform(kMsgCannotOpenSource);
    return false;
}

}  // namespace tw
