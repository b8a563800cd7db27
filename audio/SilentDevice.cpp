#include "audio/SilentDevice.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace tw::audio {

namespace {
constexpr int blockFrames = 1024;
constexpr auto tick = std::chrono::milliseconds(5);
}

SilentDevice::SilentDevice(int rate) : OutputDevice(rate), thread_([this] { run(); }) {}

SilentDevice::~SilentDevice()
{
    close();
}

void SilentDevice::close()
{
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

void SilentDevice::run()
{
    std::vector<float> buffer(blockFrames * 2);
    const auto start = std::chrono::steady_clock::now();
    std::int64_t rendered = 0;
    std::unique_lock lock(mutex_);
    while (!quit_) {
        lock.unlock();
        const auto elapsed = std::chrono::steady_clock::now() - start;
        const std::int64_t due =
            std::chrono::duration_cast<std::chrono::microseconds>(elapsed).count() * rate() / 1000000;
        while (rendered < due) {
            const int n = int(std::min<std::int64_t>(due - rendered, blockFrames));
            mixer().render(buffer.data(), n);
            rendered += n;
        }
        lock.lock();
        wake_.wait_for(lock, tick, [this] { return quit_; });
    }
}

}  // namespace tw::audio
