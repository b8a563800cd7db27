#include "audio/DecodedLength.h"

#include "audio/FfmpegHandles.h"
#include "audio/FrameSource.h"
#include "audio/MpegFrameHeader.h"

#include <algorithm>

extern "C" {
#include <libavutil/intreadwrite.h>
}

namespace tw::audio {

namespace {

bool hasExactPacketDurations(AVCodecID id)
{
    return id == AV_CODEC_ID_MP3 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP1;
}

// Samples the decoder drops from the front and end of this packet; the side
// data itself goes to entry.
void skipAmounts(const AVPacket& packet, std::int64_t& skip, std::int64_t& padding, PacketEntry& entry)
{
    std::size_t size = 0;
    const std::uint8_t* side = av_packet_get_side_data(&packet, AV_PKT_DATA_SKIP_SAMPLES, &size);
    if (!side || size < 10)
        return;
    skip = AV_RL32(side);
    padding = AV_RL32(side + 4);
    entry.hasSkip = true;
    std::copy(side, side + 10, entry.skip.begin());
}

// Packets' own durations; empty when one has none, or stopped.
std::optional<std::int64_t> scanPackets(AVFormatContext& input, int streamIndex, const KeepGoing& keepGoing,
                                        bool& stopped, std::vector<PacketEntry>* index)
{
    const AVStream& stream = *input.streams[streamIndex];
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return std::nullopt;
    std::int64_t total = 0;
    std::int64_t pendingSkip = 0;
    // Frames at the first packet's rate: a run at another rate counts its own
    // frames from where it began, converted as a whole.
    int firstRate = 0;
    int runRate = 0;
    std::int64_t runStart = 0;
    std::int64_t runFrames = 0;
    while (av_read_frame(&input, packet.get()) >= 0) {
        if (keepGoing && !keepGoing()) {
            stopped = true;
            av_packet_unref(packet.get());
            return std::nullopt;
        }
        if (packet->stream_index != streamIndex) {
            av_packet_unref(packet.get());
            continue;
        }
        if (packet->duration <= 0) {
            av_packet_unref(packet.get());
            return std::nullopt;
        }
        PacketEntry entry;
        const auto header = parseMpegFrameHeader(packet->data, std::size_t(std::max(packet->size, 0)));
        if (header) {
            entry.format = header->formatKey();
            entry.mainDataBegin = header->mainDataBegin;
            entry.mainDataBytes = header->mainDataBytes;
        }
        const int rate = header ? header->rate : stream.codecpar->sample_rate;
        if (rate <= 0) {
            av_packet_unref(packet.get());
            return std::nullopt;
        }
        if (firstRate == 0)
            firstRate = rate;
        std::int64_t frames = av_rescale_q(packet->duration, stream.time_base, AVRational{1, rate});
        std::int64_t skip = 0;
        std::int64_t padding = 0;
        entry.pos = packet->pos;
        entry.size = packet->size;
        skipAmounts(*packet, skip, padding, entry);
        av_packet_unref(packet.get());
        // The decoder trims the end of a frame only when the padding fits in it.
        if (padding > 0 && padding <= frames)
            frames -= padding;
        if (skip > 0)
            pendingSkip = skip;  // a new skip replaces what was left
        const std::int64_t skipped = std::min(pendingSkip, frames);
        pendingSkip -= skipped;
        if (rate != runRate) {
            runRate = rate;
            runStart = total;
            runFrames = 0;
        }
        runFrames += frames - skipped;
        const std::int64_t after = runStart + av_rescale(runFrames, firstRate, rate);
        if (index) {
            entry.frames = after - total;
            index->push_back(entry);
        }
        total = after;
    }
    return total;
}

}  // namespace

std::optional<std::int64_t> decodedFrameCount(const char* path, int streamIndex, const KeepGoing& keepGoing,
                                              std::vector<PacketEntry>* index)
{
    InputPtr input = openInput(path);
    if (!input || streamIndex < 0 || streamIndex >= static_cast<int>(input->nb_streams))
        return std::nullopt;
    const AVCodecParameters& params = *input->streams[streamIndex]->codecpar;
    if (hasExactPacketDurations(params.codec_id) && params.sample_rate > 0) {
        bool stopped = false;
        if (auto frames = scanPackets(*input, streamIndex, keepGoing, stopped, index))
            return frames;
        if (index)
            index->clear();
        if (stopped)
            return std::nullopt;
    }
    input.reset();
    auto source = FrameSource::open(path);
    if (!source || source->streamIndex() != streamIndex)
        return std::nullopt;
    std::int64_t total = 0;
    while (const AVFrame* frame = source->next()) {
        total += frame->nb_samples;
        if (keepGoing && !keepGoing())
            return std::nullopt;
    }
    return total;
}

}  // namespace tw::audio
