// Long steps report through this: a bar's value, a chance to pump pending
// window messages, and whether the user asked to stop.
#pragma once

#include <array>
#include <chrono>
#include <ctime>

namespace tw {

class Progress {
public:
    virtual ~Progress() = default;
    // bar is 0 for the first progress bar of a window, 1 for the second.
    virtual void setBar(int bar, int value) = 0;
    // Lets the user interface breathe; cheap to call per frame.
    virtual void pump() = 0;
    virtual bool stopRequested() const = 0;
    // The program is ending (a termination signal): every long step leaves at
    // its next block, also where Cancel does not count.
    virtual bool quitting() const { return false; }
};

// Progress that touches a bar only when its value changes and pumps at most
// every 20 ms, so that a body can report per frame at full speed.
class ThrottledProgress : public Progress {
public:
    void setBar(int bar, int value) final
    {
        if (bar < 0 || bar >= static_cast<int>(last_.size()) || last_[bar] == value)
            return;
        last_[bar] = value;
        showBar(bar, value);
    }
    void pump() final
    {
        const auto now = coarseNow();
        if (now - lastPump_ < kPumpInterval)
            return;
        lastPump_ = now;
        pumpNow();
    }
    int bar(int index) const { return last_.at(index); }

protected:
    virtual void showBar(int bar, int value) = 0;
    virtual void pumpNow() = 0;

private:
    // A clock of a few milliseconds' grain that costs little: bodies ask per frame.
    static std::chrono::nanoseconds coarseNow()
    {
#ifdef CLOCK_MONOTONIC_COARSE
        timespec ts{};
        ::clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
        return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
#else
        return std::chrono::steady_clock::now().time_since_epoch();
#endif
    }
    static constexpr auto kPumpInterval = std::chrono::milliseconds(20);
    std::array<int, 2> last_{-1, -1};
    std::chrono::nanoseconds lastPump_{std::chrono::nanoseconds::min() / 2};
};

// For tests and benchmarks: remembers the bars, never stops unless told.
class SilentProgress : public Progress {
public:
    void setBar(int bar, int value) override
    {
        if (bar >= 0 && bar < static_cast<int>(bars.size()))
            bars[bar] = value;
    }
    void pump() override { ++pumps; }
    bool stopRequested() const override { return stop; }
    bool quitting() const override { return quit; }

    std::array<int, 2> bars{0, 0};
    long long pumps = 0;
    bool stop = false;
    bool quit = false;
};

}  // namespace tw
