#include "audio/FfmpegHandles.h"

#include <mutex>
#include <string>

namespace tw::audio {

InputPtr openInput(const char* path)
{
    quietFfmpegLog();
    // Always a local file: a name such as "pipe:1.mp3" or "http:x.mp3" must
    // not pick another protocol, nor a playlist inside the file another source.
    AVFormatContext* raw = nullptr;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "protocol_whitelist", "file", 0);
    const std::string url = std::string("file:") + path;
    const int opened = avformat_open_input(&raw, url.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0)
        return nullptr;
    InputPtr input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        return nullptr;
    return input;
}

void quietFfmpegLog()
{
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_FATAL); });
}

}  // namespace tw::audio

namespace tw::audio {

CodecPtr openDecoder(const AVStream& stream, const AVCodec* codec)
{
    if (!codec)
        codec = avcodec_find_decoder(stream.codecpar->codec_id);
    if (!codec)
        return nullptr;
    CodecPtr context(avcodec_alloc_context3(codec));
    if (!context || avcodec_parameters_to_context(context.get(), stream.codecpar) < 0)
        return nullptr;
    context->pkt_timebase = stream.time_base;
    if (avcodec_open2(context.get(), codec, nullptr) < 0)
        return nullptr;
    return context;
}

}  // namespace tw::audio
