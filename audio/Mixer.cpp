#include "audio/Mixer.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace tw::audio {

bool Mixer::attach(MixerInput* input)
{
    for (auto& slot : inputs_) {
        MixerInput* empty = nullptr;
        if (slot.compare_exchange_strong(empty, input))
            return true;
    }
    return false;
}

void Mixer::detach(MixerInput* input)
{
    {
        const std::lock_guard lock(inputsMutex_);
        for (auto& slot : inputs_) {
            MixerInput* expected = input;
            slot.compare_exchange_strong(expected, nullptr);
        }
    }
    waitForRenderPass();
}

bool Mixer::othersSounding(const MixerInput* self) const
{
    const std::lock_guard lock(inputsMutex_);
    for (const auto& slot : inputs_) {
        const MixerInput* input = slot.load();
        if (input && input != self && input->sounding())
            return true;
    }
    return false;
}

void Mixer::waitForRenderPass() const
{
    const std::uint64_t pass = passes_.load();
    if (pass % 2 == 0)
        return;
    // A render pass lasts one device buffer; the limit only guards against a
    // device thread that died inside its callback.
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (passes_.load() == pass && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::microseconds(200));
}

void Mixer::render(float* out, int frames, bool previousLost) noexcept
{
    passes_.fetch_add(1);
    std::fill(out, out + std::size_t(frames) * 2, 0.0f);
    const std::int64_t start = rendered_.load(std::memory_order_relaxed) - (previousLost ? lastFrames_ : 0);
    const std::int64_t end = start + frames;
    for (auto& slot : inputs_) {
        if (MixerInput* input = slot.load())
            input->render(out, frames, end, previousLost);
    }
    rendered_.store(end);
    lastFrames_ = frames;
    passes_.fetch_add(1);
}

}  // namespace tw::audio
