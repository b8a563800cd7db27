// The filter-graph runner: interleaved PCM through abuffer, an FFmpeg filter
// chain and abuffersink, in blocks. 16-bit sound goes in as it is; 8-bit
// sound is processed as 16-bit and converted back, both by libswresample.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/PcmConvert.h"
#include "wav/File.h"

namespace tw::audio {

class FilterRun {
public:
    // chain: the filters between abuffer and abuffersink, as ffmpeg's -af
    // takes them; the sink takes the input's sample rate and channels.
    FilterRun(const PcmFormat& format, const std::string& chain);
    ~FilterRun();
    FilterRun(const FilterRun&) = delete;
    FilterRun& operator=(const FilterRun&) = delete;

    // False when FFmpeg could not build the graph.
    explicit operator bool() const;
    // Feeds frames and appends what the chain gives back so far to out.
    bool push(const std::uint8_t* input, std::size_t frames, std::vector<std::uint8_t>& out);
    // Ends the input: what the chain still holds (its delay) comes out.
    bool finish(std::vector<std::uint8_t>& out);
    // The last value the chain attached to an output frame under key (the
    // figures of ebur128's metadata mode).
    std::optional<double> lastValue(const std::string& key) const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

enum class FilterOutcome { Done, Stopped, Failed };

// Runs `frames` frames of `in` from byte inAt through chain and writes
// exactly outFrames frames to out from byte outAt: what the flushed chain
// gives beyond them is dropped, what it falls short by is silence. Reads and
// writes blocks; between blocks block(framesRead) is asked whether to go on.
// A null out only measures (run.lastValue then tells the figures).
FilterOutcome runFilter(FilterRun& run, const PcmFormat& format, const File& in, std::uint64_t inAt,
                        std::uint64_t frames, File* out, std::uint64_t outAt, std::uint64_t outFrames,
                        const std::function<bool(std::uint64_t framesRead)>& block);

}  // namespace tw::audio
