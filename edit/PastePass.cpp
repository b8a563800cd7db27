#include "edit/PastePass.h"

#include "edit/PassRecipes.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "audio/PcmConvert.h"
#include "core/Markers.h"
#include "document/ReloadBody.h"
#include "document/WaveHeader.h"
#include "wav/File.h"

namespace tw {

namespace {

constexpr std::size_t kBlockFrames = 1 << 16;
constexpr std::uint64_t kCopyBlock = 16 << 20;

audio::PcmFormat formatOf(const ClipSound& sound)
{
    return {sound.channels, sound.sampleRate, sound.bitsPerSample};
}

audio::PcmFormat formatOf(const DocumentState& doc)
{
    return {doc.channels, doc.sampleRate, doc.bitsPerSample};
}

std::uint32_t frameBytesOf(const DocumentState& doc)
{
    return doc.channels * (doc.bitsPerSample / 8);
}

// The sound's file, when it still holds every byte its header was made for.
File openSound(const ClipSound& sound)
{
    File in = File::openRead(sound.path);
    if (in && in.size() < kClipDataOffset + sound.bytes)
        return {};
    return in;
}

}  // namespace

bool canConvertChannels(std::uint32_t from, std::uint32_t to)
{
    return from >= 1 && to >= 1 && from <= audio::kMaxConvertedChannels && to <= audio::kMaxConvertedChannels;
}

bool sameFormat(const ClipSound& clip, const DocumentState& doc)
{
    return clip.channels == doc.channels && clip.sampleRate == doc.sampleRate &&
           clip.bitsPerSample == doc.bitsPerSample;
}

std::shared_ptr<const ClipSound> soundInFormatOf(const DocumentState& doc, std::shared_ptr<const ClipSound> clip,
                                                 const std::string& path, Progress& progress)
{
    if (!clip)
        return nullptr;
    if (sameFormat(*clip, doc))
        return clip;
    audio::PcmConverter converter(formatOf(*clip), formatOf(doc));
    File in = openSound(*clip);
    if (!converter || !in)
        return nullptr;
    File out = File::createNew(path);
    if (!out)
        return nullptr;
    // From here on a failure removes the file it made.
    const auto failed = [&out, &path] {
        out.close();
        removeFile(path);
        return nullptr;
    };
    std::vector<std::uint8_t> input(kBlockFrames * clip->frameBytes());
    std::vector<std::uint8_t> output;
    std::uint64_t written = 0;
    for (std::uint64_t frame = 0;;) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kBlockFrames, clip->frames() - frame));
        if (count > 0 && in.readAt(input.data(), count * clip->frameBytes(),
                                   kClipDataOffset + frame * clip->frameBytes()) != count * clip->frameBytes())
            return failed();
        output.clear();
        // No input left: what the converter holds comes out.
        if (!converter.convert(count > 0 ? input.data() : nullptr, count, output) ||
            !out.writeAt(output.data(), output.size(), kClipDataOffset + written))
            return failed();
        written += output.size();
        frame += count;
        progress.setBar(0, static_cast<int>(static_cast<double>(frame) * 100.0 / std::max<double>(clip->frames(), 1)));
        progress.pump();
        if (count == 0 && output.empty())
            break;
    }
    const auto header = finishedWaveHeader(doc.sampleRate, doc.channels, doc.bitsPerSample, written);
    if (!out.writeAt(header.data(), header.size(), 0) || !out.close())
        return failed();
    return std::make_shared<const ClipSound>(path, doc.channels, doc.sampleRate, doc.bitsPerSample, written);
}

EditPass pastePass(const DocumentState& doc, std::shared_ptr<const ClipSound> sound, std::uint32_t column)
{
    return pastePassAtFrame(doc, std::move(sound), std::uint64_t{column} * doc.zoom);
}

EditPass pastePassAtFrame(const DocumentState& doc, std::shared_ptr<const ClipSound> sound, std::uint64_t before)
{
    // At a whole frame of every channel, within the data.
    const std::uint32_t block = std::max(frameBytesOf(doc), 1u);
    const std::uint64_t frame = std::min<std::uint64_t>(before, doc.frameCount);
    const std::uint64_t offset = std::min<std::uint64_t>(frame * doc.frameSize / block * block,
                                                         doc.dataLength / block * block);
    const std::uint64_t first = offset / std::max(doc.frameSize, 1u);
    const std::uint64_t frames = sound->bytes / std::max(doc.frameSize, 1u);
    return pastePassAt(doc.dataOffset + static_cast<std::uint32_t>(offset), first, frames, std::move(sound));
}

EditPass pastePassAt(std::uint32_t at, std::uint64_t first, std::uint64_t frames, std::shared_ptr<const ClipSound> sound)
{
    EditPass pass;
    pass.footprint = Footprint::Inserts;
    pass.insertAt = at;
    pass.insertBytes = sound->bytes;
    pass.recipe = recipeText({"paste", std::to_string(at), std::to_string(first), std::to_string(frames),
                              fileWord(sound->path), std::to_string(sound->channels), std::to_string(sound->sampleRate),
                              std::to_string(sound->bitsPerSample), std::to_string(sound->bytes)});
    pass.run = [sound, at](File& work, DocumentState& doc, const EditRange&, Progress& progress,
                           std::uint64_t& shifted) {
        const std::uint64_t tail = doc.dataEnd - at;
        const std::uint64_t total = tail + sound->bytes;
        // The whole sound and the room first: either missing shows before a
        // byte moves.
        File in = openSound(*sound);
        if (!in || ::posix_fallocate(work.fd(), 0, static_cast<off_t>(doc.dataEnd + sound->bytes)) != 0)
            return false;
        if (!moveUp(work, at, at + sound->bytes, tail, progress, &shifted, passMove(doc)))
            return false;
        for (std::uint64_t copied = 0; copied < sound->bytes;) {
            const std::uint64_t n = std::min<std::uint64_t>(kCopyBlock, sound->bytes - copied);
            if (!copyAt(in, kClipDataOffset + copied, work, at + copied, n))
                return false;
            copied += n;
            progress.setBar(0, static_cast<int>(static_cast<double>(tail + copied) * 100.0 / total));
            progress.pump();
        }
        progress.setBar(0, 100);
        return endDataAt(work, doc, static_cast<std::uint32_t>(doc.dataEnd + sound->bytes));
    };
    pass.markersAfter = [first, frames](DocumentState& doc) {
        // Exactly the pasted frames.
        setMarkerFrames(doc, first, first + frames);
    };
    return pass;
}

EditResult runPasteBody(DocumentState& doc, Clipboard& clipboard, std::uint32_t column, Progress& progress,
                        Messenger& messages, UndoJournal* journal)
{
    return runPasteBodyAtFrame(doc, clipboard, std::uint64_t{column} * doc.zoom, progress, messages, journal);
}

EditResult runPasteBodyAtFrame(DocumentState& doc, Clipboard& clipboard, std::uint64_t frame, Progress& progress,
                               Messenger& messages, UndoJournal* journal)
{
    const auto clip = clipboard.sound();
    if (!clip || clip->bytes == 0)
        return EditResult::Refused;
    // What the paste needs, before anything changes: the whole clipboard
    // file, channels that convert, and the room in the work file.
    if (!openSound(*clip)) {
        messages.inform(kMsgCannotOpenTemp);
        return EditResult::Refused;
    }
    if (!sameFormat(*clip, doc) && !canConvertChannels(clip->channels, doc.channels)) {
        messages.inform(kMsgPasteChannels);
        return EditResult::Refused;
    }
    // The room in the work file, with the sound at the document's rate, first.
    const double ratio = static_cast<double>(doc.sampleRate) / std::max(clip->sampleRate, 1u);
    const double estimate = static_cast<double>(clip->frames()) * ratio * frameBytesOf(doc);
    if (static_cast<double>(doc.dataEnd) + estimate > static_cast<double>(kMaxWorkFileBytes) - 64) {
        messages.inform(kMsgPasteTooLong);
        return EditResult::Refused;
    }
    const auto sound = soundInFormatOf(doc, clip, clipboard.newFile("paste"), progress);
    if (!sound) {
        messages.inform(kMsgCannotWriteTemp);
        return EditResult::Refused;
    }
    if (doc.dataEnd + sound->bytes > kMaxWorkFileBytes) {
        messages.inform(kMsgPasteTooLong);
        return EditResult::Refused;
    }
    // The room on the disk before anything changes: a full disk refuses the
    // paste rather than stopping it part way (and taking the Undo steps).
    if (File work = File::openReadWrite(doc.workPath);
        work && ::fallocate(work.fd(), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(doc.dataEnd + sound->bytes)) != 0 &&
        errno == ENOSPC) {
        messages.inform(kMsgCannotWriteTemp);
        return EditResult::Refused;
    }
    progress.setBar(0, 0);
    return runEditBody(doc, pastePassAtFrame(doc, sound, frame), progress, messages, journal);
}

}  // namespace tw
