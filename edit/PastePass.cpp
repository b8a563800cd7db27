#include "edit/PastePass.h"

#include "edit/PassRecipes.h"

#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "audio/FfmpegHandles.h"
#include "core/Markers.h"
#include "document/ReloadBody.h"
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

// The usual layout of count channels where FFmpeg has one (true), else the
// first count channels of a channel mask, which our own matrix then mixes.
bool usualLayout(std::uint32_t count, AVChannelLayout& layout)
{
    av_channel_layout_default(&layout, static_cast<int>(count));
    if (layout.order == AV_CHANNEL_ORDER_NATIVE)
        return true;
    av_channel_layout_uninit(&layout);
    av_channel_layout_from_mask(&layout, count >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1);
    return false;
}

// Channel i of the clipboard goes to channel i mod to of the document, each
// at the mean of those that meet there; with fewer channels in the clipboard,
// document channel j repeats clipboard channel j mod from at full level.
std::vector<double> channelMatrix(std::uint32_t from, std::uint32_t to)
{
    std::vector<double> matrix(std::size_t{from} * to, 0.0);
    for (std::uint32_t j = 0; j < to; ++j) {
        if (from < to) {
            matrix[std::size_t{j} * from + j % from] = 1.0;
            continue;
        }
        const std::uint32_t meeting = (from - j + to - 1) / to;  // i = j, j + to, ... below from
        for (std::uint32_t i = j; i < from; i += to)
            matrix[std::size_t{j} * from + i] = 1.0 / meeting;
    }
    return matrix;
}

audio::ResamplerPtr makeConverter(const ClipSound& from, const DocumentState& to)
{
    AVChannelLayout in{};
    AVChannelLayout out{};
    const bool usual = usualLayout(from.channels, in) & usualLayout(to.channels, out);
    SwrContext* swr = nullptr;
    const int made = swr_alloc_set_opts2(&swr, &out, sampleFormat(to.bitsPerSample), static_cast<int>(to.sampleRate),
                                         &in, sampleFormat(from.bitsPerSample), static_cast<int>(from.sampleRate), 0,
                                         nullptr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    audio::ResamplerPtr converter(swr);
    if (made < 0)
        return nullptr;
    // Mono and stereo into each other, and every count without a usual layout,
    // through our matrix; the usual layouts of more channels through FFmpeg's.
    const bool monoStereo = from.channels + to.channels == 3;
    if (from.channels != to.channels && (monoStereo || !usual) &&
        swr_set_matrix(swr, channelMatrix(from.channels, to.channels).data(), static_cast<int>(from.channels)) < 0)
        return nullptr;
    if (swr_init(swr) < 0)
        return nullptr;
    return converter;
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
    return from >= 1 && to >= 1 && from <= kMaxConvertedChannels && to <= kMaxConvertedChannels;
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
    audio::quietFfmpegLog();
    const audio::ResamplerPtr converter =
        canConvertChannels(clip->channels, doc.channels) ? makeConverter(*clip, doc) : nullptr;
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
    const std::uint32_t outFrame = frameBytesOf(doc);
    std::vector<std::uint8_t> input(kBlockFrames * clip->frameBytes());
    std::vector<std::uint8_t> output;
    std::uint64_t written = 0;
    for (std::uint64_t frame = 0;;) {
        const auto count = static_cast<int>(std::min<std::uint64_t>(kBlockFrames, clip->frames() - frame));
        if (count > 0 && in.readAt(input.data(), std::size_t(count) * clip->frameBytes(),
                                   kClipDataOffset + frame * clip->frameBytes()) !=
                              std::size_t(count) * clip->frameBytes())
            return failed();
        const int room = swr_get_out_samples(converter.get(), count);
        output.resize(std::size_t(std::max(room, 1)) * outFrame);
        std::uint8_t* outPlanes[] = {output.data()};
        const std::uint8_t* inPlanes[] = {input.data()};
        // No input left: what the converter holds comes out.
        const int made = swr_convert(converter.get(), outPlanes, room, count > 0 ? inPlanes : nullptr, count);
        if (made < 0 || !out.writeAt(output.data(), std::size_t(made) * outFrame, kClipDataOffset + written))
            return failed();
        written += std::uint64_t(made) * outFrame;
        frame += std::uint64_t(count);
        progress.setBar(0, static_cast<int>(static_cast<double>(frame) * 100.0 / std::max<double>(clip->frames(), 1)));
        progress.pump();
        if (count == 0 && made == 0)
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
