// Single-producer single-consumer ring of stereo float frames. The producer
// and the consumer may run on different threads without locks; reset() only
// while neither runs. Consumed frames keep their room until the consumer
// releases them, so it can step back over frames that were never heard.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

namespace tw::audio {

class FrameRing {
public:
    explicit FrameRing(std::size_t frames) : samples_(frames * 2), capacity_(frames) {}

    std::size_t capacity() const { return capacity_; }
    std::size_t writable() const { return capacity_ - std::size_t(written_.load() - released_.load()); }
    std::size_t readable() const
    {
        return std::size_t(written_.load(std::memory_order_acquire) - read_.load(std::memory_order_relaxed));
    }

    // Producer: copies up to n frames; returns the count.
    std::size_t write(const float* frames, std::size_t n)
    {
        const std::uint64_t w = written_.load(std::memory_order_relaxed);
        n = std::min(n, capacity_ - std::size_t(w - released_.load(std::memory_order_acquire)));
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t at = std::size_t((w + i) % capacity_) * 2;
            samples_[at] = frames[2 * i];
            samples_[at + 1] = frames[2 * i + 1];
        }
        written_.store(w + n, std::memory_order_release);
        return n;
    }

    // Consumer: the frame at offset i from the read position (i < readable()).
    const float* peek(std::size_t i) const
    {
        return &samples_[std::size_t((read_.load(std::memory_order_relaxed) + i) % capacity_) * 2];
    }
    // Consumer: moves the read position on; the frames stay until release().
    void consume(std::size_t n) { read_.store(read_.load(std::memory_order_relaxed) + n, std::memory_order_relaxed); }
    // Consumer: steps the read position back over up to n consumed frames
    // that are not released yet; returns the count.
    std::size_t unconsume(std::size_t n)
    {
        const std::uint64_t r = read_.load(std::memory_order_relaxed);
        n = std::min(n, std::size_t(r - released_.load(std::memory_order_relaxed)));
        read_.store(r - n, std::memory_order_relaxed);
        return n;
    }
    // Consumer: the producer may write over everything consumed so far.
    void release() { released_.store(read_.load(std::memory_order_relaxed), std::memory_order_release); }

    void reset()
    {
        read_.store(0);
        released_.store(0);
        written_.store(0);
    }

private:
    std::vector<float> samples_;
    std::size_t capacity_;
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> read_{0};      // the consumer's own
    std::atomic<std::uint64_t> released_{0};  // up to here the producer may write over
};

}  // namespace tw::audio
