// The silent device: renders nothing audible but advances by the wall clock
// exactly as a sound card at its rate would.
#pragma once

#include "audio/OutputDevice.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace tw::audio {

class SilentDevice final : public OutputDevice {
public:
    explicit SilentDevice(int rate);
    ~SilentDevice() override;

    std::int64_t heardFrames() const override { return renderedFrames(); }
    std::int64_t latencyFrames() const override { return 0; }
    void close() override;

private:
    void run();

    std::mutex mutex_;
    std::condition_variable wake_;
    bool quit_ = false;
    std::thread thread_;
};

}  // namespace tw::audio
