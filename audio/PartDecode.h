// MPEG audio decoded on every core: the packets the length scan found are cut
// into one part per thread at packet boundaries. Only a stream whose every
// packet with a frame header has the same version, layer, rate and channel
// count, decoded in floating point, is cut. Each part starts decoding early enough that the bit
// reservoir holds twice what a frame may reach back to and two more frames
// have flushed the synthesis, so that its state is that of the one-thread
// decode; it drops what those warm-up packets give and writes its samples
// where they belong in the output. Each part but the last also decodes a few
// packets past its end, and those samples must equal what the next part gave
// for them. Every kept packet must give exactly the frames the scan counted
// (one without a frame header at its start gives silence, as on one thread);
// where one does not (a decode error) or a boundary's samples differ, the
// result says so, the other parts stop, and the caller decodes on one thread.
#pragma once

#include "audio/bass.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tw::audio {

class DecodeStream;

class PartDecode {
public:
    // Writes bytes of 16-bit output at a byte offset of the output; false
    // when it could not. Called from the parts' threads.
    using Writer = std::function<bool(std::uint64_t offset, const void* bytes, std::size_t size)>;

    enum class Result { Done, Stopped, WriteFailed, Mismatch };

    // Starts threads parts on the decoding stream decoder (a handle of the
    // audio layer, its data not yet read). Null when it cannot be split: not
    // MPEG audio that FFmpeg decodes alike in parts, fewer than two parts or
    // fewer than minPackets packets per part.
    static std::unique_ptr<PartDecode> start(HSTREAM decoder, int parts, Writer write, std::size_t minPackets = 64);
    // The same with the parts after the first beginning at the packets firsts
    // (ascending, inside the stream).
    static std::unique_ptr<PartDecode> startAt(HSTREAM decoder, const std::vector<std::size_t>& firsts, Writer write);
    ~PartDecode();  // stops and joins
    PartDecode(const PartDecode&) = delete;
    PartDecode& operator=(const PartDecode&) = delete;

    // Waits up to timeout; true once every part has ended.
    bool waitFor(std::chrono::milliseconds timeout);
    std::uint64_t framesDone() const { return framesDone_.load(std::memory_order_relaxed); }
    std::uint64_t framesTotal() const { return framesTotal_; }
    void stop() { stop_ = true; }
    // Joins the parts and checks each boundary.
    Result join();
    // Frames written without a gap from the start (what a stopped decode keeps).
    std::uint64_t framesFromStart() const;

private:
    struct Part {
        std::size_t warmUp = 0;  // first packet decoded
        std::size_t first = 0;   // first packet kept
        std::size_t end = 0;     // one past the last packet kept
        std::size_t checkEnd = 0;  // one past the last packet decoded
        std::uint64_t frameOffset = 0;
        std::atomic<std::uint64_t> written{0};
        Result result = Result::Done;
        std::vector<std::uint8_t> head;  // the samples of the first packets kept (not in the first part)
        std::vector<std::uint8_t> tail;  // the samples of the packets after end
    };

    PartDecode() = default;
    void run(Part& part);

    std::shared_ptr<DecodeStream> stream_;
    Writer write_;
    std::vector<std::unique_ptr<Part>> parts_;
    std::vector<std::thread> threads_;
    std::atomic<bool> stop_{false};
    std::atomic<std::uint64_t> framesDone_{0};
    std::uint64_t framesTotal_ = 0;
    std::mutex mutex_;
    std::condition_variable ended_;
    std::size_t running_ = 0;
};

}  // namespace tw::audio
