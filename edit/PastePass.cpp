#include "edit/PastePass.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "audio/FfmpegHandles.h"
#include "document/WaveHeader.h"
#include "wav/File.h"

namespace tw {

namespace {

constexpr std::size_t kBlockFrames = 1 << 16;
constexpr std::uint64_t kCopyBlock = 16 << 20;

AVSampleFormat sampleFormat(std::uint32_t bits)
{
    return bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
}

audio::ResamplerPtr makeConverter(const ClipSound& from, const DocumentState& to)
{
    AVChannelLayout in{};
    AVChannelLayout out{};
    av_channel_layout_default(&in, static_cast<int>(from.channels));
    av_channel_layout_default(&out, static_cast<int>(to.channels));
    SwrContext* swr = nullptr;
    const int made = swr_alloc_set_opts2(&swr, &out, sampleFormat(to.bitsPerSample), static_cast<int>(to.sampleRate),
                                         &in, sampleFormat(from.bitsPerSample), static_cast<int>(from.sampleRate), 0,
                                         nullptr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    audio::ResamplerPtr converter(swr);
    if (made < 0)
        return nullptr;
    // Mono from stereo is the mean of the two; stereo from mono both at full level.
    const double mean[] = {0.5, 0.5};
    const double both[] = {1.0, 1.0};
    if (from.channels == 2 && to.channels == 1 && swr_set_matrix(swr, mean, 2) < 0)
        return nullptr;
    if (from.channels == 1 && to.channels == 2 && swr_set_matrix(swr, both, 1) < 0)
        return nullptr;
    if (swr_init(swr) < 0)
        return nullptr;
    return converter;
}

std::uint32_t frameBytesOf(const DocumentState& doc)
{
    return doc.channels * (doc.bitsPerSample / 8);
}

}  // namespace

std::shared_ptr<const ClipSound> soundInFormatOf(const DocumentState& doc, std::shared_ptr<const ClipSound> clip,
                                                 const std::string& path, Progress& progress)
{
    if (!clip)
        return nullptr;
    if (clip->channels == doc.channels && clip->sampleRate == doc.sampleRate &&
        clip->bitsPerSample == doc.bitsPerSample)
        return clip;
    audio::quietFfmpegLog();
    const audio::ResamplerPtr converter = makeConverter(*clip, doc);
    File in = File::openRead(clip->path);
    File out = File::createNew(path);
    if (!converter || !in || !out)
        return nullptr;
    const std::uint32_t outFrame = frameBytesOf(doc);
    std::vector<std::uint8_t> input(kBlockFrames * clip->frameBytes());
    std::vector<std::uint8_t> output;
    std::uint64_t written = 0;
    bool ok = true;
    for (std::uint64_t frame = 0; ok;) {
        const auto count = static_cast<int>(std::min<std::uint64_t>(kBlockFrames, clip->frames() - frame));
        if (count > 0 && in.readAt(input.data(), std::size_t(count) * clip->frameBytes(),
                                   kClipDataOffset + frame * clip->frameBytes()) !=
                              std::size_t(count) * clip->frameBytes())
            return nullptr;
        const int room = swr_get_out_samples(converter.get(), count);
        output.resize(std::size_t(std::max(room, 1)) * outFrame);
        std::uint8_t* outPlanes[] = {output.data()};
        const std::uint8_t* inPlanes[] = {input.data()};
        // No input left: what the converter holds comes out.
        const int made = swr_convert(converter.get(), outPlanes, room, count > 0 ? inPlanes : nullptr, count);
        if (made < 0)
            return nullptr;
        ok = out.writeAt(output.data(), std::size_t(made) * outFrame, kClipDataOffset + written);
        written += std::uint64_t(made) * outFrame;
        frame += std::uint64_t(count);
        progress.setBar(0, static_cast<int>(static_cast<double>(frame) * 100.0 / std::max<double>(clip->frames(), 1)));
        progress.pump();
        if (count == 0 && made == 0)
            break;
    }
    const auto header = finishedWaveHeader(doc.sampleRate, doc.channels, doc.bitsPerSample, written);
    if (!ok || !out.writeAt(header.data(), header.size(), 0) || !out.close()) {
        removeFile(path);
        return nullptr;
    }
    return std::make_shared<const ClipSound>(path, doc.channels, doc.sampleRate, doc.bitsPerSample, written);
}

EditPass pastePass(const DocumentState& doc, std::shared_ptr<const ClipSound> sound, std::uint32_t column)
{
    // At a whole frame of every channel, within the data.
    const std::uint32_t block = std::max(frameBytesOf(doc), 1u);
    const std::uint64_t frame = std::min<std::uint64_t>(std::uint64_t{column} * doc.zoom, doc.frameCount);
    const std::uint64_t offset = std::min<std::uint64_t>(frame * doc.frameSize / block * block,
                                                         doc.dataLength / block * block);
    EditPass pass;
    pass.footprint = Footprint::Inserts;
    pass.insertAt = doc.dataOffset + static_cast<std::uint32_t>(offset);
    pass.insertBytes = sound->bytes;
    const std::uint32_t at = pass.insertAt;
    pass.run = [sound, at](File& work, DocumentState& doc, const EditRange&, Progress& progress) {
        const std::uint64_t tail = doc.dataEnd - at;
        const std::uint64_t total = tail + sound->bytes;
        // The sound and the room first: either missing shows before a byte moves.
        File in = File::openRead(sound->path);
        if (!in || ::posix_fallocate(work.fd(), 0, static_cast<off_t>(doc.dataEnd + sound->bytes)) != 0)
            return false;
        if (!moveUp(work, at, at + sound->bytes, tail, progress))
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
    const std::uint32_t firstColumn = static_cast<std::uint32_t>(frame / std::max(doc.zoom, 1u));
    const std::uint64_t frames = sound->bytes / std::max(doc.frameSize, 1u);
    pass.markersAfter = [firstColumn, frames](DocumentState& doc) {
        // The pasted sound, from its first column to the column after its end.
        doc.selStart = std::min(firstColumn, doc.columnCount);
        const std::uint64_t end = (std::uint64_t{firstColumn} * doc.zoom + frames + doc.zoom - 1) / doc.zoom;
        doc.selFinish = static_cast<std::uint32_t>(std::min<std::uint64_t>(end, doc.columnCount));
    };
    return pass;
}

EditResult runPasteBody(DocumentState& doc, Clipboard& clipboard, std::uint32_t column, Progress& progress,
                        Messenger& messages, UndoJournal* journal)
{
    const auto clip = clipboard.sound();
    if (!clip || clip->bytes == 0)
        return EditResult::Refused;
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
    return runEditBody(doc, pastePass(doc, sound, column), progress, messages, journal);
}

}  // namespace tw
