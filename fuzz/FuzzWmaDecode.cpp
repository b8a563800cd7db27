// Fuzz target: the open of a .wma source: decoding into the work file,
// reading it back and the overview.
#include "document/DecodeSource.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tw::fuzz::startAudio();
    return tw::fuzz::openSource(data, size, [](auto& doc, auto& progress, auto& messages, auto& cut) {
        return tw::decodeSource(doc, tw::SourceKind::Wma, progress, messages, cut, tw::fuzz::kMaxWorkFile);
    });
}
