// Fuzz target: the open of a .mp3 source on one thread (decoding into the work
// file, reading it back and the overview), then the same input decoded in 2
// and 3 parts: parts that say they are done must have given the one-thread
// bytes, else the run aborts.
#include "audio/PartDecode.h"
#include "document/DecodeSource.h"
#include "fuzz/FuzzSupport.h"

#include <cstring>
#include <vector>

namespace {

// The bytes of parts on input's decoding stream; empty when it was not split or
// the parts gave it up.
std::vector<std::uint8_t> decodeInParts(const std::string& path, int parts, std::size_t size)
{
    std::vector<std::uint8_t> out;
    const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    if (h == 0)
        return out;
    std::vector<std::uint8_t> bytes(size, 0xAA);
    auto decode = tw::audio::PartDecode::start(
        h, parts,
        [&bytes](std::uint64_t at, const void* data, std::size_t n) {
            if (at > bytes.size() || n > bytes.size() - at)
                return false;
            std::memcpy(bytes.data() + at, data, n);  // parts write disjoint ranges
            return true;
        },
        1);
    if (decode && decode->join() == tw::audio::PartDecode::Result::Done)
        out = std::move(bytes);
    decode.reset();
    BASS_StreamFree(h);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tw;
    fuzz::startAudio();
    if (size > fuzz::kMaxInput)
        return 0;
    static fuzz::MemoryInput input;
    DocumentState doc;
    doc.sourcePath = input.hold(data, size);
    doc.workPath = fuzz::workFile();
    fuzz::Quiet messages;
    fuzz::NoProgress progress;
    OpenCut cut;
    const bool opened =
        decodeSource(doc, SourceKind::Mp3, progress, messages, cut, fuzz::kMaxWorkFile, 1) == OpenResult::Completed;
    std::vector<std::uint8_t> work;
    if (opened && !cut.cut) {
        if (File file = File::openRead(doc.workPath)) {
            work.resize(file.size());
            if (file.readAt(work.data(), work.size(), 0) != work.size())
                work.clear();
        }
    }
    if (opened)
        fuzz::readBack(doc);
    removeFile(doc.workPath);
    if (work.size() <= kWaveHeaderSize)
        return 0;
    const std::vector<std::uint8_t> samples(work.begin() + kWaveHeaderSize, work.end());
    for (const int parts : {2, 3}) {
        const auto split = decodeInParts(doc.sourcePath, parts, samples.size());
        if (!split.empty() && split != samples)
            std::abort();
    }
    return 0;
}
