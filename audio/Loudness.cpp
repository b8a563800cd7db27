#include "audio/Loudness.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
}

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "audio/FfmpegHandles.h"

namespace tw::audio {

struct LoudnessMeter::Graph {
    AVFilterGraph* graph = nullptr;
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    AVChannelLayout layout{};
    std::uint32_t rate = 0;
    std::uint32_t channels = 0;
    AVSampleFormat format = AV_SAMPLE_FMT_S16;
    std::int64_t pts = 0;
    bool failed = false;
    std::optional<Loudness> last;

    ~Graph()
    {
        avfilter_graph_free(&graph);
        av_channel_layout_uninit(&layout);
    }

    static std::optional<double> number(const AVDictionary* metadata, const char* key)
    {
        const AVDictionaryEntry* e = av_dict_get(metadata, key, nullptr, 0);
        if (!e)
            return std::nullopt;
        // Written by printf in the process's locale: a decimal comma counts as a point.
        std::string text = e->value;
        std::replace(text.begin(), text.end(), ',', '.');
        double value = 0;
        if (std::from_chars(text.data(), text.data() + text.size(), value).ec != std::errc())
            return std::nullopt;
        return value;
    }

    // Takes what the filter gave; the figures come with the frames in which
    // a 100 ms step completed.
    bool drain()
    {
        FramePtr out(av_frame_alloc());
        for (;;) {
            const int got = av_buffersink_get_frame(sink, out.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return true;
            if (got < 0)
                return false;
            if (const auto i = number(out->metadata, "lavfi.r128.I")) {
                Loudness l;
                l.integrated = *i;
                l.range = number(out->metadata, "lavfi.r128.LRA").value_or(0.0);
                for (std::uint32_t c = 0; c < channels; ++c) {
                    const std::string key = "lavfi.r128.true_peaks_ch" + std::to_string(c);
                    l.truePeak = std::max(l.truePeak, number(out->metadata, key.c_str()).value_or(0.0));
                }
                last = l;
            }
            av_frame_unref(out.get());
        }
    }
};

LoudnessMeter::LoudnessMeter(std::uint32_t sampleRate, std::uint32_t channels, std::uint32_t bitsPerSample)
    : graph_(std::make_unique<Graph>())
{
    quietFfmpegLog();
    Graph& g = *graph_;
    g.rate = sampleRate;
    g.channels = channels;
    g.format = bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    av_channel_layout_default(&g.layout, static_cast<int>(channels));
    char layoutName[128] = {};
    av_channel_layout_describe(&g.layout, layoutName, sizeof layoutName);
    const std::string args = "time_base=1/" + std::to_string(sampleRate) + ":sample_rate=" +
                             std::to_string(sampleRate) + ":sample_fmt=" + av_get_sample_fmt_name(g.format) +
                             ":channel_layout=" + layoutName;
    g.graph = avfilter_graph_alloc();
    AVFilterContext* meter = nullptr;
    const bool made =
        g.graph && sampleRate > 0 && channels > 0 &&
        avfilter_graph_create_filter(&g.source, avfilter_get_by_name("abuffer"), "in", args.c_str(), nullptr,
                                     g.graph) >= 0 &&
        avfilter_graph_create_filter(&meter, avfilter_get_by_name("ebur128"), "meter", "peak=true:metadata=1",
                                     nullptr, g.graph) >= 0 &&
        avfilter_graph_create_filter(&g.sink, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr,
                                     g.graph) >= 0 &&
        avfilter_link(g.source, 0, meter, 0) >= 0 && avfilter_link(meter, 0, g.sink, 0) >= 0 &&
        avfilter_graph_config(g.graph, nullptr) >= 0;
    if (!made)
        graph_.reset();
}

LoudnessMeter::~LoudnessMeter() = default;

LoudnessMeter::operator bool() const
{
    return graph_ && !graph_->failed;
}

bool LoudnessMeter::add(const std::uint8_t* frames, std::size_t count)
{
    if (!*this)
        return false;
    Graph& g = *graph_;
    const std::size_t frameBytes = g.channels * (g.format == AV_SAMPLE_FMT_U8 ? 1 : 2);
    constexpr std::size_t kPiece = 1 << 14;
    for (std::size_t done = 0; done < count;) {
        const std::size_t n = std::min(kPiece, count - done);
        FramePtr frame(av_frame_alloc());
        if (!frame) {
            g.failed = true;
            return false;
        }
        frame->format = g.format;
        frame->sample_rate = static_cast<int>(g.rate);
        frame->nb_samples = static_cast<int>(n);
        frame->pts = g.pts;
        if (av_channel_layout_copy(&frame->ch_layout, &g.layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0 ||
            (std::memcpy(frame->data[0], frames + done * frameBytes, n * frameBytes),
             av_buffersrc_add_frame(g.source, frame.get()) < 0) ||
            !g.drain()) {
            g.failed = true;
            return false;
        }
        g.pts += static_cast<std::int64_t>(n);
        done += n;
    }
    return true;
}

std::optional<Loudness> LoudnessMeter::finish()
{
    if (!*this)
        return std::nullopt;
    Graph& g = *graph_;
    if (av_buffersrc_add_frame(g.source, nullptr) < 0 || !g.drain())
        return std::nullopt;
    return g.last;
}

}  // namespace tw::audio
