#include "document/DecodeSource.h"

#include <array>
#include <cmath>
#include <utility>

#include "audio/bass.h"
#include "wav/File.h"
#include "document/SourceBitrate.h"
#include "document/WaveHeader.h"
#include "document/WorkDataSink.h"

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

}  // namespace

OpenResult decodeSource(DocumentState& doc, SourceKind kind, Progress& progress, Messenger& messages)
{
    const bool wma = kind == SourceKind::Wma;
    Decoder decoder(wma ? BASS_WMA_StreamCreateFile(FALSE, doc.sourcePath.c_str(), 0, 0, BASS_STREAM_DECODE)
                        : BASS_StreamCreateFile(FALSE, doc.sourcePath.c_str(), 0, 0, BASS_STREAM_DECODE));
    if (decoder.get() == 0) {
        messages.inform(kMsgDecodeStream);
        return OpenResult::Failed;
    }

    const auto len = static_cast<DWORD>(BASS_ChannelGetLength(decoder.get(), BASS_POS_BYTE));
    const double secs = BASS_ChannelBytes2Seconds(decoder.get(), len);
    const QWORD fileBytes = BASS_StreamGetFilePosition(decoder.get(), BASS_FILEPOS_END);
    doc.sourceBitrate = fileBytes == BASS_ERROR_QWORD ? 0 : sourceBitrateFor(fileBytes, secs, wma);

    BASS_CHANNELINFO info{};
    BASS_ChannelGetInfo(decoder.get(), &info);
    const std::uint32_t bits = (info.flags & BASS_SAMPLE_8BITS) ? 8 : 16;

    File work = File::create(doc.workPath);
    if (!work || !writeWaveHeader(work, info.freq, info.chans, bits)) {
        messages.inform(wma ? kMsgWmaTempFile : kMsgMp3TempFile);
        return OpenResult::Failed;
    }

    WorkDataSink sink(work, waveDataLimit(info.chans * bits / 8));
    std::array<std::uint8_t, kDecodeBlock> block;
    bool cancelled = false;
    while (BASS_ChannelIsActive(decoder.get()) != BASS_ACTIVE_STOPPED) {
        if (progress.stopRequested()) {
            cancelled = true;
            break;
        }
        const DWORD got = BASS_ChannelGetData(decoder.get(), block.data(), kDecodeBlock);
        if (got == BASS_ERROR_DWORD)
            break;
        const bool room = sink.append(block.data(), got);
        progress.setBar(0, decodePercent(decoder.get()));
        progress.pump();
        if (!room)
            break;  // the work file's sizes are full
    }

    decoder.release();
    const bool written = sink.flush();
    const bool patched = patchWaveSizes(work);
    work.close();
    if (cancelled)
        return OpenResult::Cancelled;
    if (!written || !patched) {
        messages.inform(wma ? kMsgWmaTempFile : kMsgMp3TempFile);
        return OpenResult::Failed;
    }
    return OpenResult::Completed;
}

}  // namespace tw
