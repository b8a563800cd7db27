// Single-producer single-consumer ring of stereo float frames. The producer
// and the consumer may run on different threads without locks; reset() only
// while neither runs.
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
    std::size_t writable() const { return capacity_ - std::size_t(written_.load() - read_.load()); }
    std::size_t readable() const { return std::size_t(written_.load(std::memory_order_acquire) - read_.load()); }

    // Producer: copies up to n frames; returns the count.
    std::size_t write(const float* frames, std::size_t n)
    {
        const std::uint64_t w = written_.load(std::memory_order_relaxed);
        n = std::min(n, capacity_ - std::size_t(w - read_.load(std::memory_order_acquire)));
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
    void consume(std::size_t n) { read_.store(read_.load(std::memory_order_relaxed) + n, std::memory_order_release); }

    void reset()
    {
        read_.store(0);
        written_.store(0);
    }

private:
    std::vector<float> samples_;
    std::size_t capacity_;
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> read_{0};
};

}  // namespace tw::audio
