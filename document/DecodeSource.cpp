#include "document/DecodeSource.h"

#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <thread>
#include <utility>

#include "audio/PartDecode.h"
#include "document/DecodeThreads.h"
#include "audio/bass.h"
#include "wav/File.h"
#include "document/SourceBitrate.h"
#include "document/WaveHeader.h"
#include "document/WorkDataSink.h"
#include "wav/WaveRules.h"

namespace tw {

namespace {

class Decoder {
public:
    explicit Decoder(HSTREAM handle) : handle_(handle) {}
    ~Decoder() { release(); }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    HSTREAM get() const { return handle_; }
    void release()
    {
        if (handle_ != 0)
            BASS_StreamFree(std::exchange(handle_, 0));
    }

private:
    HSTREAM handle_;
};

constexpr DWORD kDecodeBlock = 10000;

int decodePercent(HSTREAM decoder)
{
    const QWORD position = BASS_ChannelGetPosition(decoder, BASS_POS_BYTE);
    const QWORD length = BASS_ChannelGetLength(decoder, BASS_POS_BYTE);
    if (position == BASS_ERROR_QWORD || length == BASS_ERROR_QWORD || length == 0)
        return 0;
    const double percent = static_cast<double>(position) * 100.0 / static_cast<double>(length);
    return percent >= 100.0 ? 100 : static_cast<int>(percent);
}


// Keeps the window alive while the decoder finds the exact length, and lets
// Cancel end that pass.
BOOL keepCreating(void* user)
{
    auto& progress = *static_cast<Progress*>(user);
    progress.pump();
    return progress.stopRequested() ? FALSE : TRUE;
}

enum class Parts { Done, Cancelled, Failed, NotUsed };

// MPEG audio on every core, written straight to its place in the work file;
// NotUsed where it cannot be split or the parts did not give the samples of
// the one-thread decode, with the work file back at its header and shown at
// what the bar reached.
Parts decodeInParts(HSTREAM decoder, File& work, std::uint32_t frameBytes, std::uint64_t dataLimit, int threads,
                    Progress& progress, int& shown)
{
    const unsigned cores = decodeThreads(threads);
    const QWORD length = BASS_ChannelGetLength(decoder, BASS_POS_BYTE);
    if (cores < 2 || length == BASS_ERROR_QWORD || length > dataLimit)
        return Parts::NotUsed;
    auto parts = audio::PartDecode::start(decoder, static_cast<int>(cores),
                                          [&work](std::uint64_t offset, const void* bytes, std::size_t size) {
                                              return work.writeAt(bytes, size, kWaveHeaderSize + offset);
                                          });
    if (!parts)
        return Parts::NotUsed;
    // A first look at once, then every 20 ms until the parts are done: a stop
    // asked for at the start is seen however fast the parts run.
    do {
        shown = std::max(shown, static_cast<int>(static_cast<double>(parts->framesDone()) * 100.0 /
                                                 static_cast<double>(std::max<std::uint64_t>(parts->framesTotal(), 1))));
        progress.setBar(0, shown);
        progress.pump();
        if (progress.stopRequested())
            parts->stop();
    } while (!parts->waitFor(std::chrono::milliseconds(20)));
    const auto cutAt = [&work](std::uint64_t end) { return ::ftruncate(work.fd(), static_cast<off_t>(end)) == 0; };
    switch (parts->join()) {
    case audio::PartDecode::Result::Done:
        progress.setBar(0, 100);
        return Parts::Done;
    case audio::PartDecode::Result::Stopped:
        // Cancelled: what was decoded without a gap from the start stays.
        return cutAt(kWaveHeaderSize + parts->framesFromStart() * frameBytes) ? Parts::Cancelled : Parts::Failed;
    case audio::PartDecode::Result::WriteFailed:
        return Parts::Failed;
    case audio::PartDecode::Result::Mismatch:
        break;
    }
    return cutAt(kWaveHeaderSize) ? Parts::NotUsed : Parts::Failed;
}

}  // namespace

OpenResult decodeSource(DocumentState& doc, SourceKind kind, Progress& progress, Messenger& messages, OpenCut& cut,
                        std::uint64_t limit, int threads)
{
    const bool wma = kind == SourceKind::Wma;
    const char* tempMessage = wma ? kMsgWmaTempFile : kMsgMp3TempFile;
    const char* path = doc.sourcePath.c_str();
    Decoder decoder(wma ? BASS_WMA_StreamCreateFileEx(FALSE, path, 0, 0, BASS_STREAM_DECODE, keepCreating, &progress)
                        : BASS_StreamCreateFileEx(FALSE, path, 0, 0, BASS_STREAM_DECODE, keepCreating, &progress));
    if (decoder.get() == 0) {
        if (progress.stopRequested())
            return OpenResult::Cancelled;
        messages.inform(kMsgDecodeStream);
        return OpenResult::Failed;
    }

    // The whole length: a source of more than 4 GiB of samples must not look short.
    const QWORD len = BASS_ChannelGetLength(decoder.get(), BASS_POS_BYTE);
    const double secs = len == BASS_ERROR_QWORD ? 0.0 : BASS_ChannelBytes2Seconds(decoder.get(), len);
    const QWORD fileBytes = BASS_StreamGetFilePosition(decoder.get(), BASS_FILEPOS_END);
    doc.sourceBitrate = fileBytes == BASS_ERROR_QWORD ? 0 : sourceBitrateFor(fileBytes, secs, wma);

    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(decoder.get(), &info);
    const std::uint32_t bits = (info.flags & BASS_SAMPLE_8BITS) ? 8 : 16;

    File work = File::create(doc.workPath);
    const auto writeFailed = [&] {
        work.close();
        removeFile(doc.workPath);  // do not keep a disk full of a broken work file
        messages.inform(tempMessage);
        return OpenResult::Failed;
    };
    if (!work || !writeWaveHeader(work, info.freq, info.chans, bits))
        return writeFailed();

    const std::uint32_t frameBytes = waveFrameSize(info.chans, bits);
    WorkDataSink sink(work, waveDataLimit(frameBytes, limit));
    // Where parts hand over to one thread, the bar goes on from where they left it.
    int shown = 0;
    const Parts parts = wma ? Parts::NotUsed
                            : decodeInParts(decoder.get(), work, frameBytes, waveDataLimit(frameBytes, limit), threads,
                                            progress, shown);
    if (parts == Parts::Failed)
        return writeFailed();
    std::array<std::uint8_t, kDecodeBlock> block;
    bool cancelled = parts == Parts::Cancelled;
    bool full = false;
    while (parts == Parts::NotUsed && BASS_ChannelIsActive(decoder.get()) != BASS_ACTIVE_STOPPED) {
        if (progress.stopRequested()) {
            cancelled = true;
            break;
        }
        const DWORD got = BASS_ChannelGetData(decoder.get(), block.data(), kDecodeBlock);
        if (got == BASS_ERROR_DWORD)
            break;
        full = !sink.append(block.data(), got);
        progress.setBar(0, shown + (100 - shown) * decodePercent(decoder.get()) / 100);
        progress.pump();
        if (full || sink.failed())
            break;
    }
    // Sound left in the decoder once the work file is full was cut off.
    const bool cutOff = full && !sink.failed() && BASS_ChannelIsActive(decoder.get()) != BASS_ACTIVE_STOPPED;

    decoder.release();
    const bool written = sink.flush();
    const bool patched = written && patchWaveSizes(work);
    if (!work.close() || !patched)
        return writeFailed();
    if (cancelled)
        return OpenResult::Cancelled;
    if (cutOff) {
        const auto seconds = waveDurationSeconds(static_cast<std::uint32_t>(sink.written()), info.freq,
                                                 info.chans == 1 ? 1 : 2, bits);
        cut = {true, seconds.value_or(0)};
    }
    return OpenResult::Completed;
}

}  // namespace tw
