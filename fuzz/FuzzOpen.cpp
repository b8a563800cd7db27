// Fuzz target: the open path from any bytes named .wav, .mp3 and .wma into a
// work file (the first byte picks the name).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "audio/bass.h"
#include "core/Progress.h"
#include "document/OpenBody.h"
#include "wav/File.h"

namespace {
struct Quiet : tw::Messenger {
    tw::MsgResult show(const tw::MessageRequest&) override { return tw::MsgResult::Ok; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool started = [] {
        ::setenv("TARNWICK_AUDIO", "none", 1);
        return BASS_Init(0, 44100, 0, nullptr, nullptr) != 0;
    }();
    (void)started;
    if (size < 1)
        return 0;
    static const std::string dir = "/tmp/tw-fuzz-open-" + std::to_string(::getpid()) + "/";
    ::mkdir(dir.c_str(), 0700);
    const char* extensions[] = {".wav", ".mp3", ".wma"};
    const std::string source = dir + "source" + extensions[data[0] % 3];
    {
        tw::File f = tw::File::create(source);
        f.write(data + 1, size - 1);
    }
    tw::DocumentState doc;
    doc.tempDir = dir;
    doc.sourcePath = source;
    Quiet messages;
    tw::SilentProgress progress;
    tw::OpenCut cut;
    // A bounded work file keeps every run short.
    tw::runOpenBody(doc, progress, messages, cut, 64u << 20);
    return 0;
}
