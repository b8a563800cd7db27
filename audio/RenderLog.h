// Which of a playback stream's frames went into which device frames, so the
// frame heard at a device frame is known across gaps (the ring ran dry) and
// device buffers that were never played. The device thread writes; any thread
// reads, without locks (a sequence count tells a reader to look again).
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <thread>

namespace tw::audio {

class RenderLog {
public:
    // Device thread: the pass from device frame deviceStart took `taken`
    // frames of the stream (taken before it: `before`), then left silence.
    void add(std::int64_t deviceStart, std::int64_t before, std::int64_t taken) noexcept
    {
        beginWrite();
        const std::uint64_t n = count_.load(std::memory_order_relaxed);
        Span* last = n > 0 ? &spans_[(n - 1) % spans_.size()] : nullptr;
        const std::int64_t lastTaken = last ? last->taken.load(std::memory_order_relaxed) : 0;
        if (last && last->deviceStart.load(std::memory_order_relaxed) + lastTaken == deviceStart &&
            last->before.load(std::memory_order_relaxed) + lastTaken == before) {
            last->taken.store(lastTaken + taken, std::memory_order_relaxed);  // straight on
        } else {
            Span& span = spans_[n % spans_.size()];
            span.deviceStart.store(deviceStart, std::memory_order_relaxed);
            span.before.store(before, std::memory_order_relaxed);
            span.taken.store(taken, std::memory_order_relaxed);
            count_.store(n + 1, std::memory_order_relaxed);
        }
        endWrite();
    }

    // Device thread: the last `taken` frames added were never played.
    void dropLast(std::int64_t taken) noexcept
    {
        beginWrite();
        const std::uint64_t n = count_.load(std::memory_order_relaxed);
        if (n > 0) {
            Span& last = spans_[(n - 1) % spans_.size()];
            const std::int64_t left = last.taken.load(std::memory_order_relaxed) - taken;
            if (left > 0)
                last.taken.store(left, std::memory_order_relaxed);
            else
                count_.store(n - 1, std::memory_order_relaxed);
        }
        endWrite();
    }

    // Only while the device thread does not write.
    void clear()
    {
        beginWrite();
        count_.store(0, std::memory_order_relaxed);
        endWrite();
    }

    // Stream frames played once the device has played up to deviceFrame.
    std::int64_t takenBy(std::int64_t deviceFrame) const
    {
        return read([&](std::uint64_t n) -> std::int64_t {
            const std::uint64_t kept = std::min<std::uint64_t>(n, spans_.size());
            std::int64_t oldest = 0;
            for (std::uint64_t i = n; i > n - kept; --i) {
                const Span& span = spans_[(i - 1) % spans_.size()];
                const std::int64_t start = span.deviceStart.load(std::memory_order_relaxed);
                const std::int64_t before = span.before.load(std::memory_order_relaxed);
                if (start <= deviceFrame)
                    return before + std::min(deviceFrame - start, span.taken.load(std::memory_order_relaxed));
                oldest = before;
            }
            return oldest;  // before everything kept
        });
    }

    // The device frame after the last stream frame; -1 before any.
    std::int64_t end() const
    {
        return read([&](std::uint64_t n) -> std::int64_t {
            if (n == 0)
                return -1;
            const Span& last = spans_[(n - 1) % spans_.size()];
            return last.deviceStart.load(std::memory_order_relaxed) + last.taken.load(std::memory_order_relaxed);
        });
    }

private:
    // A run of stream frames on consecutive device frames.
    struct Span {
        std::atomic<std::int64_t> deviceStart{0};
        std::atomic<std::int64_t> before{0};
        std::atomic<std::int64_t> taken{0};
    };

    void beginWrite() noexcept
    {
        sequence_.store(sequence_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
    }
    void endWrite() noexcept
    {
        sequence_.store(sequence_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    template <class F>
    std::int64_t read(F f) const
    {
        std::int64_t value = 0;
        for (int attempt = 0; attempt < 10000; ++attempt) {
            const std::uint64_t before = sequence_.load(std::memory_order_acquire);
            if (before % 2 == 0) {
                value = f(count_.load(std::memory_order_relaxed));
                std::atomic_thread_fence(std::memory_order_acquire);
                if (sequence_.load(std::memory_order_relaxed) == before)
                    return value;
            }
            std::this_thread::yield();  // the device thread is writing
        }
        return value;
    }

    std::array<Span, 64> spans_;
    std::atomic<std::uint64_t> count_{0};
    std::atomic<std::uint64_t> sequence_{0};  // odd while the device thread writes
};

}  // namespace tw::audio
