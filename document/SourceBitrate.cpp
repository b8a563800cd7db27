#include "document/SourceBitrate.h"

#include <cmath>

namespace tw {

std::uint32_t sourceBitrateFor(std::uint64_t fileBytes, double seconds, bool wma)
{
    const double whole = std::trunc(seconds);
    if (!(whole >= 1.0) || whole > 4294967295.0)
        return 0;
    const auto secs = static_cast<std::uint64_t>(whole);
    auto rate = static_cast<std::uint32_t>(fileBytes / (secs * 125));
    if (wma && (rate & 1))
        --rate;
    return rate;
}

}  // namespace tw
