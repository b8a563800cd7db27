#include "audio/FrameSource.h"

#include <cstring>

namespace tw::audio {

namespace {
// Errors in a row after which a file is taken as ended.
constexpr int maxErrorRun = 256;
}

std::unique_ptr<FrameSource> FrameSource::open(const char* path)
{
    auto source = std::make_unique<FrameSource>();
    source->input_ = openInput(path);
    if (!source->input_)
        return nullptr;
    const int index = av_find_best_stream(source->input_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0)
        return nullptr;
    source->streamIndex_ = index;
    source->decoder_ = openDecoder(*source->input_->streams[index]);
    source->packet_.reset(av_packet_alloc());
    source->frame_.reset(av_frame_alloc());
    if (!source->decoder_ || !source->packet_ || !source->frame_)
        return nullptr;
    return source;
}

const AVFrame* FrameSource::next()
{
    av_frame_unref(frame_.get());
    int errors = 0;
    while (!finished_ && errors < maxErrorRun) {
        const int got = avcodec_receive_frame(decoder_.get(), frame_.get());
        if (got >= 0) {
            if (frame_->nb_samples > 0)
                return frame_.get();
            av_frame_unref(frame_.get());
            continue;
        }
        if (got == AVERROR_EOF || (got == AVERROR(EAGAIN) && flushed_)) {
            finished_ = true;
            break;
        }
        if (got != AVERROR(EAGAIN)) {
            ++errors;
            continue;
        }
        if (av_read_frame(input_.get(), packet_.get()) < 0) {
            avcodec_send_packet(decoder_.get(), nullptr);
            flushed_ = true;
            continue;
        }
        if (packet_->stream_index == streamIndex_) {
            ++packetsSent_;
            if (!sendPadded())
                ++errors;
        }
        av_packet_unref(packet_.get());
    }
    finished_ = true;
    return nullptr;
}

bool FrameSource::sendPadded()
{
    // A damaged frame can make the decoder read past the packet: it then reads
    // zeros, as the open in parts gives it, not whatever the demuxer's buffer
    // holds there.
    if (!padded_)
        padded_.reset(av_packet_alloc());
    if (!padded_ || av_new_packet(padded_.get(), packet_->size) < 0)
        return false;
    if (packet_->size > 0)
        std::memcpy(padded_->data, packet_->data, std::size_t(packet_->size));
    const bool copied = av_packet_copy_props(padded_.get(), packet_.get()) >= 0;
    const bool sent = copied && avcodec_send_packet(decoder_.get(), padded_.get()) >= 0;
    av_packet_unref(padded_.get());
    return sent;
}

std::int64_t FrameSource::fileSize() const
{
    return input_->pb ? avio_size(input_->pb) : -1;
}

}  // namespace tw::audio
