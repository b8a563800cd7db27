// Fuzz target: the open of a .wav source: the copy, its header set right,
// reading it back and the overview.
#include "document/CopySource.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    return tw::fuzz::openSource(data, size, [](auto& doc, auto& progress, auto& messages, auto& cut) {
        return tw::copySource(doc, progress, messages, cut, tw::fuzz::kMaxWorkFile);
    });
}
