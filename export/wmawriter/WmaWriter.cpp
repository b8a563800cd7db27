// The WMA writer module: WMAudioCreateWriter makes a writer object that
// encodes 16-bit PCM as WMA version 2 in an ASF file at 44100 Hz stereo,
// converting the input with libswresample. Built as its own shared library.
#include "export/WmaAudioWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace tw {
namespace {

constexpr std::int32_t kOk = 0;
constexpr std::int32_t kFail = -1;

struct Writer {
    IWMAudioWriter base;  // first: the object the caller holds
    std::uint32_t references = 1;
    std::string path;
    WaveFormatPcm input{};
    bool haveInput = false;
    AVFormatContext* output = nullptr;
    AVCodecContext* encoder = nullptr;
    SwrContext* resampler = nullptr;
    AVAudioFifo* fifo = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    std::int64_t pts = 0;
    bool headerWritten = false;
    bool finished = false;

    ~Writer()
    {
        if (output && output->pb)
            avio_closep(&output->pb);
        avformat_free_context(output);
        avcodec_free_context(&encoder);
        swr_free(&resampler);
        if (fifo)
            av_audio_fifo_free(fifo);
        av_frame_free(&frame);
        av_packet_free(&packet);
    }

    // Sends a frame (or nothing, to drain) and writes the packets that result.
    bool encode(AVFrame* in)
    {
        if (avcodec_send_frame(encoder, in) < 0)
            return false;
        for (;;) {
            const int got = avcodec_receive_packet(encoder, packet);
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return true;
            if (got < 0)
                return false;
            packet->stream_index = 0;
            av_packet_rescale_ts(packet, encoder->time_base, output->streams[0]->time_base);
            if (av_interleaved_write_frame(output, packet) < 0)
                return false;
        }
    }

    // Encodes whole frames from the FIFO; with last set also the rest, padded with silence.
    bool drain(bool last)
    {
        const int size = encoder->frame_size;
        while (av_audio_fifo_size(fifo) >= size || (last && av_audio_fifo_size(fifo) > 0)) {
            av_frame_unref(frame);
            frame->nb_samples = size;
            frame->format = encoder->sample_fmt;
            frame->sample_rate = encoder->sample_rate;
            if (av_channel_layout_copy(&frame->ch_layout, &encoder->ch_layout) < 0 || av_frame_get_buffer(frame, 0) < 0)
                return false;
            const int have = std::min(av_audio_fifo_size(fifo), size);
            if (av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->data), have) < have)
                return false;
            if (have < size)
                av_samples_set_silence(frame->data, have, size - have, frame->ch_layout.nb_channels,
                                       encoder->sample_fmt);
            frame->pts = pts;
            pts += size;
            if (!encode(frame))
                return false;
        }
        return true;
    }

    bool openEncoder(std::int64_t bitsPerSecond)
    {
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
        if (!codec)
            return false;
        encoder = avcodec_alloc_context3(codec);
        if (!encoder)
            return false;
        encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
        encoder->sample_rate = 44100;
        av_channel_layout_default(&encoder->ch_layout, 2);
        encoder->bit_rate = bitsPerSecond;
        encoder->time_base = AVRational{1, 44100};
        if (output->oformat->flags & AVFMT_GLOBALHEADER)
            encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if (avcodec_open2(encoder, codec, nullptr) < 0) {
            avcodec_free_context(&encoder);
            return false;
        }
        return true;
    }
};

Writer* self(IWMAudioWriter* w) { return reinterpret_cast<Writer*>(w); }

std::int32_t queryInterface(IWMAudioWriter* w, const void*, void** out)
{
    if (!out)
        return kFail;
    self(w)->references++;
    *out = w;
    return kOk;
}

std::uint32_t addRef(IWMAudioWriter* w) { return ++self(w)->references; }

std::uint32_t release(IWMAudioWriter* w)
{
    Writer* writer = self(w);
    const std::uint32_t left = --writer->references;
    if (left == 0)
        std::unique_ptr<Writer>{writer};  // made by WMAudioCreateWriter below
    return left;
}

std::int32_t notUsed(IWMAudioWriter*, const char*, const char*) { return kOk; }
std::int32_t notUsedQuality(IWMAudioWriter*, std::uint32_t) { return kOk; }

std::int32_t setInputFormat(IWMAudioWriter* w, const WaveFormatPcm* format)
{
    if (!format || format->formatTag != 1 || format->bitsPerSample != 16 || format->channels < 1 ||
        format->channels > 2 || format->samplesPerSec == 0)
        return kFail;
    self(w)->input = *format;
    self(w)->haveInput = true;
    return kOk;
}

// Rates to try, nearest to the request first: the encoder refuses low rates
// at 44100 Hz stereo, as a writer offers only the profiles it has.
std::vector<std::int64_t> candidateRates(std::int64_t requested)
{
    std::vector<std::int64_t> rates{requested};
    for (std::int64_t k : {24, 32, 40, 48, 56, 64, 80, 96, 128, 160, 192, 256, 320})
        if (k * 1000 != requested)
            rates.push_back(k * 1000);
    std::stable_sort(rates.begin() + 1, rates.end(), [requested](std::int64_t a, std::int64_t b) {
        return std::llabs(a - requested) < std::llabs(b - requested);
    });
    return rates;
}

std::int32_t setOutputFormat(IWMAudioWriter* w, std::uint32_t bitsPerSecond, std::uint32_t sampleRate,
                             std::uint32_t channels, std::uint32_t)
{
    Writer* writer = self(w);
    if (!writer->haveInput || writer->output || sampleRate != 44100 || channels != 2)
        return kFail;
    if (avformat_alloc_output_context2(&writer->output, nullptr, "asf", nullptr) < 0 || !writer->output)
        return kFail;
    bool opened = false;
    for (std::int64_t rate : candidateRates(bitsPerSecond))
        if ((opened = writer->openEncoder(rate)))
            break;
    if (!opened)
        return kFail;

    AVStream* stream = avformat_new_stream(writer->output, nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, writer->encoder) < 0)
        return kFail;
    stream->time_base = writer->encoder->time_base;
    AVChannelLayout inLayout{};
    av_channel_layout_default(&inLayout, writer->input.channels);
    const int made = swr_alloc_set_opts2(&writer->resampler, &writer->encoder->ch_layout, AV_SAMPLE_FMT_FLTP, 44100,
                                         &inLayout, AV_SAMPLE_FMT_S16,
                                         static_cast<int>(writer->input.samplesPerSec), 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    // One channel goes to both at its full level, not mixed down by 3 dB.
    const double monoToStereo[] = {1.0, 1.0};
    if (made < 0 || (writer->input.channels == 1 && swr_set_matrix(writer->resampler, monoToStereo, 1) < 0) ||
        swr_init(writer->resampler) < 0)
        return kFail;
    writer->fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, writer->encoder->frame_size * 4);
    writer->frame = av_frame_alloc();
    writer->packet = av_packet_alloc();
    if (!writer->fifo || !writer->frame || !writer->packet)
        return kFail;
    // Always a local file, whatever the name looks like.
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const int io = avio_open2(&writer->output->pb, ("file:" + writer->path).c_str(), AVIO_FLAG_WRITE, nullptr,
                              &options);
    av_dict_free(&options);
    if (io < 0 || avformat_write_header(writer->output, nullptr) < 0)
        return kFail;
    writer->headerWritten = true;
    return kOk;
}

std::int32_t writeSamples(IWMAudioWriter* w, const std::uint8_t* data, std::uint32_t bytes)
{
    Writer* writer = self(w);
    if (!writer->headerWritten || writer->finished)
        return kFail;
    const int inFrames = static_cast<int>(bytes / writer->input.blockAlign);
    const int outFrames = swr_get_out_samples(writer->resampler, inFrames);
    if (outFrames < 0)
        return kFail;
    std::vector<float> left(static_cast<std::size_t>(outFrames) + 1), right(left.size());
    std::uint8_t* out[2] = {reinterpret_cast<std::uint8_t*>(left.data()), reinterpret_cast<std::uint8_t*>(right.data())};
    const std::uint8_t* in[1] = {data};
    const int converted = swr_convert(writer->resampler, out, outFrames, in, inFrames);
    if (converted < 0 || av_audio_fifo_write(writer->fifo, reinterpret_cast<void**>(out), converted) < converted)
        return kFail;
    return writer->drain(false) ? kOk : kFail;
}

std::int32_t finish(IWMAudioWriter* w)
{
    Writer* writer = self(w);
    if (writer->finished)
        return kOk;
    if (!writer->headerWritten)
        return kFail;
    // What the resampler still holds, the last partial frame, then the encoder's tail.
    const int tail = swr_get_out_samples(writer->resampler, 0);
    if (tail > 0) {
        std::vector<float> left(static_cast<std::size_t>(tail)), right(left.size());
        std::uint8_t* out[2] = {reinterpret_cast<std::uint8_t*>(left.data()),
                                reinterpret_cast<std::uint8_t*>(right.data())};
        const int converted = swr_convert(writer->resampler, out, tail, nullptr, 0);
        if (converted > 0)
            av_audio_fifo_write(writer->fifo, reinterpret_cast<void**>(out), converted);
    }
    // The decoder drops the encoder's first frame: one frame of silence at the
    // end keeps the last samples of the sound in the file.
    const int size = writer->encoder->frame_size;
    std::vector<float> silence(static_cast<std::size_t>(size), 0.0f);
    void* planes[2] = {silence.data(), silence.data()};
    if (!writer->drain(true) || av_audio_fifo_write(writer->fifo, planes, size) < size || !writer->drain(true) ||
        !writer->encode(nullptr) || av_write_trailer(writer->output) < 0)
        return kFail;
    if (avio_closep(&writer->output->pb) < 0)
        return kFail;
    writer->finished = true;
    return kOk;
}

const IWMAudioWriterVtbl kVtbl = {queryInterface, addRef,      release,      notUsed, setInputFormat,
                                  setOutputFormat, notUsedQuality, writeSamples, finish};

}  // namespace
}  // namespace tw

extern "C" __attribute__((visibility("default"))) std::int32_t WMAudioCreateWriter(const char* path,
                                                                                    tw::IWMAudioWriter** writer)
{
    if (!path || !writer || !*path)
        return tw::kFail;
    auto made = std::make_unique<tw::Writer>();
    made->base.vtbl = &tw::kVtbl;
    made->path = path;
    *writer = &made.release()->base;  // freed by its last Release
    return tw::kOk;
}
