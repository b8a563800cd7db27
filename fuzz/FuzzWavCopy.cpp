// Fuzz target: the open of a .wav source: the copy, its header set right,
// reading it back and the overview.
#include "document/CopySource.h"
#include "fuzz/FuzzSupport.h"
#include "wav/File.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > tw::fuzz::kMaxInput)
        return 0;
    static tw::fuzz::MemoryInput input;
    tw::DocumentState doc;
    doc.sourcePath = input.hold(data, size);
    doc.workPath = tw::fuzz::workFile();
    tw::fuzz::Quiet messages;
    tw::fuzz::NoProgress progress;
    tw::OpenCut cut;
    if (tw::copySource(doc, progress, messages, cut, tw::fuzz::kMaxWorkFile) == tw::OpenResult::Completed)
        tw::fuzz::readBack(doc);
    tw::removeFile(doc.workPath);
    return 0;
}
