// Sound from an input device through PortAudio: 16-bit frames, mono or
// stereo, at 44100 or 48000 Hz. The device callback puts them in a lock-free
// ring that one reader empties; it never blocks, allocates or does I/O. The
// peaks since the last look feed a meter whether frames are taken or not.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tw::audio {

// The input devices by name, the default input first; empty when there is
// none (also with TARNWICK_AUDIO=none).
std::vector<std::string> inputDeviceNames();

class InputCapture {
public:
    // The ring holds this many seconds: what a stalled reader may fall behind.
    static constexpr int kRingSeconds = 4;

    // The named input (empty: the default one), running with frames going to
    // the meter only; null with error set when it cannot be opened so.
    static std::unique_ptr<InputCapture> open(const std::string& device, int rate, int channels,
                                              std::string& error);

    // Without a device: frames arrive through deliver() (tests).
    InputCapture(int rate, int channels, std::size_t ringFrames);
    ~InputCapture();
    InputCapture(const InputCapture&) = delete;
    InputCapture& operator=(const InputCapture&) = delete;

    int rate() const { return rate_; }
    int channels() const { return channels_; }

    // Frames go into the ring only while taking.
    void setTaking(bool taking) { taking_.store(taking, std::memory_order_release); }
    // Reader: moves up to maxFrames frames into out; returns the count.
    std::size_t read(std::int16_t* out, std::size_t maxFrames);

    // Frames that arrived while taking but found the ring full.
    std::uint64_t lostFrames() const { return lost_.load(std::memory_order_relaxed); }
    // Overruns: buffers the ring could not hold whole, and the device's own
    // reports of input it had to drop.
    std::uint64_t overruns() const { return overruns_.load(std::memory_order_relaxed); }

    struct Peaks {
        int left = 0;   // 0..32768
        int right = 0;  // the left one again for mono
        bool clipped = false;  // a sample at full scale
    };
    // The peaks since the last call.
    Peaks takePeaks();

    // The device callback's entry (public for the C trampoline and tests).
    // overflow: the device dropped input before this buffer.
    void deliver(const std::int16_t* frames, std::size_t count, bool overflow) noexcept;

    // Stops the device; no deliver() afterwards.
    void close();

private:
    int rate_;
    int channels_;
    std::vector<std::int16_t> ring_;
    std::size_t capacity_;  // frames
    std::atomic<std::uint64_t> written_{0};
    std::atomic<std::uint64_t> read_{0};
    std::atomic<bool> taking_{false};
    std::atomic<std::uint64_t> lost_{0};
    std::atomic<std::uint64_t> overruns_{0};
    std::atomic<int> peak_[2]{};
    std::atomic<bool> clipped_{false};
    void* stream_ = nullptr;  // PaStream
    bool initialized_ = false;
};

}  // namespace tw::audio
