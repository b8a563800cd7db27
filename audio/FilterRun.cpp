#include "audio/FilterRun.h"

#include <clocale>
#include <locale.h>

#include <algorithm>
#include <charconv>
#include <cstring>

#include "audio/FfmpegHandles.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

namespace tw::audio {

namespace {

constexpr std::size_t kBlockFrames = 1 << 15;

struct GraphFreer {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct InOutFreer {
    void operator()(AVFilterInOut* io) const { avfilter_inout_free(&io); }
};
using GraphPtr = std::unique_ptr<AVFilterGraph, GraphFreer>;
using InOutPtr = std::unique_ptr<AVFilterInOut, InOutFreer>;

// FFmpeg reads the chain's numbers and writes its figures with the C
// library, in the calling thread's locale: the C locale while it works, so a
// decimal comma of the user's locale changes neither.
class CNumbers {
public:
    CNumbers() : c_(::newlocale(LC_NUMERIC_MASK, "C", nullptr)), old_(c_ ? ::uselocale(c_) : nullptr) {}
    ~CNumbers()
    {
        if (c_) {
            ::uselocale(old_);
            ::freelocale(c_);
        }
    }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    locale_t c_;
    locale_t old_;
};

double parsed(const char* text)
{
    double value = 0;
    std::from_chars(text, text + std::strlen(text), value);
    return value;
}

}  // namespace

struct FilterRun::Impl {
    PcmFormat format;        // what the caller gives and takes
    PcmFormat wide;          // what the graph sees: 16-bit
    GraphPtr graph;
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    AVChannelLayout layout{};
    std::unique_ptr<PcmConverter> toWide, toNarrow;  // 8-bit sound only
    FramePtr in, out;
    std::vector<std::uint8_t> wideIn, wideOut;
    std::map<std::string, double> values;
    std::int64_t pts = 0;

    ~Impl() { av_channel_layout_uninit(&layout); }

    bool build(const std::string& chain)
    {
        av_channel_layout_default(&layout, static_cast<int>(format.channels));
        char described[128] = {};
        if (av_channel_layout_describe(&layout, described, sizeof described) < 0)
            return false;
        graph.reset(avfilter_graph_alloc());
        if (!graph)
            return false;
        const std::string args = "time_base=1/" + std::to_string(format.sampleRate) +
                                 ":sample_rate=" + std::to_string(format.sampleRate) +
                                 ":sample_fmt=s16:channel_layout=" + described;
        if (avfilter_graph_create_filter(&source, avfilter_get_by_name("abuffer"), "in", args.c_str(), nullptr,
                                         graph.get()) < 0 ||
            avfilter_graph_create_filter(&sink, avfilter_get_by_name("abuffersink"), "out", nullptr, nullptr,
                                         graph.get()) < 0)
            return false;
        const int formats[] = {AV_SAMPLE_FMT_S16, -1};
        const int rates[] = {static_cast<int>(format.sampleRate), -1};
        if (av_opt_set_int_list(sink, "sample_fmts", formats, -1, AV_OPT_SEARCH_CHILDREN) < 0 ||
            av_opt_set_int_list(sink, "sample_rates", rates, -1, AV_OPT_SEARCH_CHILDREN) < 0 ||
            av_opt_set(sink, "ch_layouts", described, AV_OPT_SEARCH_CHILDREN) < 0)
            return false;
        InOutPtr outputs(avfilter_inout_alloc());
        InOutPtr inputs(avfilter_inout_alloc());
        if (!outputs || !inputs)
            return false;
        outputs->name = av_strdup("in");
        outputs->filter_ctx = source;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink;
        AVFilterInOut* o = outputs.release();
        AVFilterInOut* i = inputs.release();
        const int parsed = avfilter_graph_parse_ptr(graph.get(), chain.empty() ? "anull" : chain.c_str(), &i, &o,
                                                    nullptr);
        avfilter_inout_free(&i);
        avfilter_inout_free(&o);
        if (parsed < 0 || avfilter_graph_config(graph.get(), nullptr) < 0)
            return false;
        in.reset(av_frame_alloc());
        out.reset(av_frame_alloc());
        return in && out;
    }

    // What the sink holds, appended to dest in the caller's format.
    bool drain(std::vector<std::uint8_t>& dest)
    {
        for (;;) {
            const int got = av_buffersink_get_frame(sink, out.get());
            if (got == AVERROR(EAGAIN) || got == AVERROR_EOF)
                return true;
            if (got < 0 || out->ch_layout.nb_channels != static_cast<int>(format.channels) ||
                out->format != AV_SAMPLE_FMT_S16)
                return false;
            if (const AVDictionaryEntry* e = nullptr; out->metadata) {
                while ((e = av_dict_get(out->metadata, "", e, AV_DICT_IGNORE_SUFFIX)))
                    values[e->key] = parsed(e->value);
            }
            const std::size_t bytes = std::size_t(out->nb_samples) * wide.frameBytes();
            bool ok = true;
            if (toNarrow)
                ok = toNarrow->convert(out->extended_data[0], std::size_t(out->nb_samples), dest);
            else
                dest.insert(dest.end(), out->extended_data[0], out->extended_data[0] + bytes);
            av_frame_unref(out.get());
            if (!ok)
                return false;
        }
    }

    bool feed(const std::uint8_t* samples, std::size_t frames)
    {
        if (frames == 0)
            return true;
        in->nb_samples = static_cast<int>(frames);
        in->format = AV_SAMPLE_FMT_S16;
        in->sample_rate = static_cast<int>(format.sampleRate);
        in->pts = pts;
        if (av_channel_layout_copy(&in->ch_layout, &layout) < 0 || av_frame_get_buffer(in.get(), 0) < 0)
            return false;
        std::memcpy(in->extended_data[0], samples, frames * wide.frameBytes());
        pts += static_cast<std::int64_t>(frames);
        const int added = av_buffersrc_add_frame_flags(source, in.get(), 0);
        av_frame_unref(in.get());
        return added >= 0;
    }

    // The caller's frames, 8-bit ones as 16-bit (none: what the converter
    // still holds), into the graph.
    bool feedWide(const std::uint8_t* samples, std::size_t frames)
    {
        if (!toWide)
            return feed(samples, frames);
        wideIn.clear();
        return toWide->convert(samples, frames, wideIn) && feed(wideIn.data(), wideIn.size() / wide.frameBytes());
    }
};

FilterRun::FilterRun(const PcmFormat& format, const std::string& chain) : impl_(std::make_unique<Impl>())
{
    quietFfmpegLog();
    const CNumbers numbers;
    Impl& m = *impl_;
    m.format = format;
    m.wide = {format.channels, format.sampleRate, 16};
    if (format.bitsPerSample == 8) {
        m.toWide = std::make_unique<PcmConverter>(format, m.wide);
        m.toNarrow = std::make_unique<PcmConverter>(m.wide, format);
        if (!*m.toWide || !*m.toNarrow)
            return;
    } else if (format.bitsPerSample != 16) {
        return;
    }
    if (format.channels == 0 || format.sampleRate == 0 || !m.build(chain))
        m.graph.reset();
}

FilterRun::~FilterRun() = default;

FilterRun::operator bool() const
{
    return impl_->graph != nullptr;
}

bool FilterRun::push(const std::uint8_t* input, std::size_t frames, std::vector<std::uint8_t>& out)
{
    const CNumbers numbers;
    Impl& m = *impl_;
    if (!m.graph)
        return false;
    return m.feedWide(input, frames) && m.drain(out);
}

bool FilterRun::finish(std::vector<std::uint8_t>& out)
{
    const CNumbers numbers;
    Impl& m = *impl_;
    if (!m.graph)
        return false;
    // Same rate: the converter holds nothing, but say so all the same.
    if (m.toWide && !m.feedWide(nullptr, 0))
        return false;
    if (av_buffersrc_add_frame_flags(m.source, nullptr, 0) < 0 || !m.drain(out))
        return false;
    return !m.toNarrow || m.toNarrow->convert(nullptr, 0, out);
}

std::optional<double> FilterRun::lastValue(const std::string& key) const
{
    const auto it = impl_->values.find(key);
    if (it == impl_->values.end())
        return std::nullopt;
    return it->second;
}

FilterOutcome runFilter(FilterRun& run, const PcmFormat& format, const File& in, std::uint64_t inAt,
                        std::uint64_t frames, File* out, std::uint64_t outAt, std::uint64_t outFrames,
                        const std::function<bool(std::uint64_t framesRead)>& block)
{
    const std::size_t frameBytes = format.frameBytes();
    if (!run || frameBytes == 0)
        return FilterOutcome::Failed;
    std::vector<std::uint8_t> input(kBlockFrames * frameBytes);
    std::vector<std::uint8_t> output;
    std::uint64_t written = 0;  // frames
    // Writes whole frames of output, no more than outFrames in all.
    const auto flush = [&] {
        const std::uint64_t whole = output.size() / frameBytes;
        const std::uint64_t take = std::min<std::uint64_t>(whole, outFrames - written);
        if (!out) {
            output.clear();
            return true;
        }
        if (take > 0 && !out->writeAt(output.data(), take * frameBytes, outAt + written * frameBytes))
            return false;
        written += take;
        output.erase(output.begin(), output.begin() + static_cast<std::ptrdiff_t>(whole * frameBytes));
        return true;
    };
    for (std::uint64_t done = 0; done < frames;) {
        if (!block(done))
            return FilterOutcome::Stopped;
        const std::size_t n = std::min<std::uint64_t>(kBlockFrames, frames - done);
        if (in.readAt(input.data(), n * frameBytes, inAt + done * frameBytes) != n * frameBytes ||
            !run.push(input.data(), n, output) || !flush())
            return FilterOutcome::Failed;
        done += n;
    }
    if (!block(frames))
        return FilterOutcome::Stopped;
    if (!run.finish(output) || !flush())
        return FilterOutcome::Failed;
    if (out && written < outFrames) {
        // Short of the promised length: silence.
        std::vector<std::uint8_t> silence(kBlockFrames * frameBytes, format.bitsPerSample == 8 ? 128 : 0);
        while (written < outFrames) {
            const std::size_t n = std::min<std::uint64_t>(kBlockFrames, outFrames - written);
            if (!out->writeAt(silence.data(), n * frameBytes, outAt + written * frameBytes))
                return FilterOutcome::Failed;
            written += n;
        }
    }
    return FilterOutcome::Done;
}

}  // namespace tw::audio
