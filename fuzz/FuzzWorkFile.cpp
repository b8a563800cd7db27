// Fuzz target: the work file's reading rules and the overview over any bytes.
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > tw::fuzz::kMaxInput)
        return 0;
    static tw::fuzz::MemoryInput input;
    tw::DocumentState doc;
    doc.workPath = input.hold(data, size);
    tw::fuzz::readBack(doc);
    return 0;
}
