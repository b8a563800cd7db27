// Fuzz target: the work file's reading rules and the overview over any bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include <unistd.h>

#include "core/Progress.h"
#include "document/Overview.h"
#include "document/WaveReader.h"
#include "wav/File.h"

namespace {
struct Quiet : tw::Messenger {
    tw::MsgResult show(const tw::MessageRequest&) override { return tw::MsgResult::Ok; }
};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = "/tmp/tw-fuzz-work-" + std::to_string(::getpid()) + ".wav";
    {
        tw::File f = tw::File::create(path);
        f.write(data, size);
    }
    tw::DocumentState doc;
    doc.workPath = path;
    Quiet messages;
    tw::SilentProgress progress;
    if (auto work = tw::readWorkFile(doc, messages)) {
        doc.zoom = tw::kStartZoom;
        if (doc.frameCount / doc.zoom < 100000)  // keep each run short
            tw::rebuildOverview(*work, doc, progress, {1, tw::ColumnPercent::Fraction});
    }
    return 0;
}
