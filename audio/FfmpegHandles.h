// Owning pointers for FFmpeg objects.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/tx.h>
#include <libswresample/swresample.h>
}

#include <memory>

namespace tw::audio {

struct InputCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct PacketFreer {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFreer {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct ResamplerFreer {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct TxFreer {
    void operator()(AVTXContext* t) const { av_tx_uninit(&t); }
};

using InputPtr = std::unique_ptr<AVFormatContext, InputCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecCloser>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFreer>;
using FramePtr = std::unique_ptr<AVFrame, FrameFreer>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFreer>;
using TxPtr = std::unique_ptr<AVTXContext, TxFreer>;

// Opens path for demuxing with stream info read; null when FFmpeg cannot.
InputPtr openInput(const char* path);

// Keeps FFmpeg's own log to real errors only (corrupt input otherwise floods
// the terminal). Safe to call often.
void quietFfmpegLog();

}  // namespace tw::audio

namespace tw::audio {

// An opened decoder for the stream's parameters, codec or else the one FFmpeg
// picks for the stream's codec id; null when none fits.
CodecPtr openDecoder(const AVStream& stream, const AVCodec* codec = nullptr);

}  // namespace tw::audio
