#include "edit/Clipboard.h"

#include <algorithm>

#include "document/WaveHeader.h"
#include "edit/DeletePass.h"
#include "wav/File.h"

namespace tw {

namespace {
constexpr std::uint64_t kCopyBlock = 16 << 20;
}

ClipSound::ClipSound(std::string path_, std::uint32_t channels_, std::uint32_t sampleRate_,
                     std::uint32_t bitsPerSample_, std::uint64_t bytes_)
    : path(std::move(path_)), channels(channels_), sampleRate(sampleRate_), bitsPerSample(bitsPerSample_),
      bytes(bytes_)
{
}

ClipSound::~ClipSound()
{
    removeFile(path);
}

EditRange copyRange(const DocumentState& doc)
{
    return wholeBlocks(doc, editRange(doc, true));
}

std::string Clipboard::newFile(const char* stem)
{
    return dir_ + stem + "-" + std::to_string(++serial_) + ".wav";
}

bool Clipboard::copy(const DocumentState& doc, Progress& progress)
{
    const EditRange range = copyRange(doc);
    File work = range.bytes() == 0 ? File() : File::openRead(doc.workPath);
    if (!work)
        return false;
    const std::string path = newFile("clipboard");
    File out = File::createNew(path);
    const auto header = finishedWaveHeader(doc.sampleRate, doc.channels, doc.bitsPerSample, range.bytes());
    bool ok = out && out.write(header.data(), header.size());
    for (std::uint64_t copied = 0; ok && copied < range.bytes();) {
        const std::uint64_t n = std::min<std::uint64_t>(kCopyBlock, range.bytes() - copied);
        ok = copyAt(work, range.start + copied, out, kClipDataOffset + copied, n);
        copied += n;
        progress.setBar(0, static_cast<int>(static_cast<double>(copied) * 100.0 / range.bytes()));
        progress.pump();
    }
    if (!ok || !out.close()) {
        removeFile(path);
        return false;
    }
    progress.setBar(0, 100);
    sound_ = std::make_shared<const ClipSound>(path, doc.channels, doc.sampleRate, doc.bitsPerSample, range.bytes());
    return true;
}

EditResult runCutBody(DocumentState& doc, Clipboard& clipboard, Progress& progress, Messenger& messages,
                      UndoJournal* journal)
{
    if (copyRange(doc).bytes() == 0) {
        messages.inform(kMsgEmptyRange);
        return EditResult::Refused;
    }
    if (!clipboard.copy(doc, progress)) {
        messages.inform(kMsgCannotWriteTemp);
        return EditResult::Refused;
    }
    progress.setBar(0, 0);
    EditPass cut = deletePass();
    cut.toEnd = true;  // the range Copy took
    return runEditBody(doc, cut, progress, messages, journal);
}

}  // namespace tw
