// The bit rate of a compressed source in kbit/s, remembered for the export.
#pragma once

#include <cstdint>

namespace tw {

// fileBytes / (seconds * 125), truncated; odd WMA rates are lowered by one.
// 0 for a source shorter than one second or unknown sizes.
std::uint32_t sourceBitrateFor(std::uint64_t fileBytes, double seconds, bool wma);

}  // namespace tw
