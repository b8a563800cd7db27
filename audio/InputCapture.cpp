#include "audio/InputCapture.h"

#include "audio/QuietProbing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <portaudio.h>

namespace tw::audio {

namespace {

bool soundDisabled()
{
    const char* value = std::getenv("TARNWICK_AUDIO");
    return value && std::strcmp(value, "none") == 0;
}

// Pa_Initialize and Pa_Terminate as a pair.
struct PortAudioSession {
    bool ok = Pa_Initialize() == paNoError;
    ~PortAudioSession()
    {
        if (ok)
            Pa_Terminate();
    }
};

int paCallback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo*,
               PaStreamCallbackFlags flags, void* user)
{
    static_cast<InputCapture*>(user)->deliver(static_cast<const std::int16_t*>(input), frames,
                                              (flags & paInputOverflow) != 0);
    return paContinue;
}

void raise(std::atomic<int>& peak, int value)
{
    int old = peak.load(std::memory_order_relaxed);
    while (value > old && !peak.compare_exchange_weak(old, value, std::memory_order_relaxed)) {
    }
}

}  // namespace

std::vector<std::string> inputDeviceNames()
{
    std::vector<std::string> names;
    if (soundDisabled())
        return names;
    const QuietProbing quiet;
    const PortAudioSession session;
    if (!session.ok)
        return names;
    const PaDeviceIndex fallback = Pa_GetDefaultInputDevice();
    for (PaDeviceIndex i = 0; i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (!info || info->maxInputChannels < 1 || !info->name)
            continue;
        if (i == fallback)
            names.insert(names.begin(), info->name);
        else
            names.emplace_back(info->name);
    }
    return names;
}

InputCapture::InputCapture(int rate, int channels, std::size_t ringFrames)
    : rate_(rate), channels_(channels), ring_(ringFrames * std::size_t(channels)), capacity_(ringFrames)
{
}

InputCapture::~InputCapture()
{
    close();
}

std::unique_ptr<InputCapture> InputCapture::open(const std::string& device, int rate, int channels,
                                                 std::string& error)
{
    error.clear();
    if (soundDisabled()) {
        error = "no input device";
        return nullptr;
    }
    auto capture = std::make_unique<InputCapture>(rate, channels, std::size_t(rate) * kRingSeconds);
    const QuietProbing quiet;
    if (Pa_Initialize() != paNoError) {
        error = "the sound system did not start";
        return nullptr;
    }
    capture->initialized_ = true;
    PaDeviceIndex index = device.empty() ? Pa_GetDefaultInputDevice() : paNoDevice;
    for (PaDeviceIndex i = 0; index == paNoDevice && i < Pa_GetDeviceCount(); ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && info->maxInputChannels > 0 && info->name && device == info->name)
            index = i;
    }
    const PaDeviceInfo* info = index >= 0 ? Pa_GetDeviceInfo(index) : nullptr;
    if (!info || info->maxInputChannels < 1) {
        error = "no such input device";
        return nullptr;
    }
    PaStreamParameters params{};
    params.device = index;
    params.channelCount = channels;
    params.sampleFormat = paInt16;
    // A long device buffer rides out a busy machine; the ring takes the rest.
    params.suggestedLatency = std::max(info->defaultHighInputLatency, 0.2);
    PaStream* stream = nullptr;
    PaError status = Pa_OpenStream(&stream, &params, nullptr, rate, paFramesPerBufferUnspecified, paNoFlag,
                                   &paCallback, capture.get());
    if (status == paNoError) {
        capture->stream_ = stream;
        status = Pa_StartStream(stream);
    }
    if (status != paNoError) {
        error = Pa_GetErrorText(status);
        return nullptr;
    }
    return capture;
}

void InputCapture::close()
{
    if (stream_) {
        Pa_StopStream(stream_);
        Pa_CloseStream(stream_);
        stream_ = nullptr;
    }
    if (initialized_) {
        Pa_Terminate();
        initialized_ = false;
    }
}

void InputCapture::deliver(const std::int16_t* frames, std::size_t count, bool overflow) noexcept
{
    const bool taking = taking_.load(std::memory_order_acquire);
    if (overflow && taking)
        overruns_.fetch_add(1, std::memory_order_relaxed);
    if (!frames || count == 0)
        return;
    const std::size_t samples = count * std::size_t(channels_);
    int peak[2] = {0, 0};
    bool clipped = false;
    for (std::size_t i = 0; i < samples; ++i) {
        const int v = frames[i];
        clipped = clipped || v == 32767 || v == -32768;
        int& p = peak[channels_ == 2 ? i % 2 : 0];
        p = std::max(p, v < 0 ? -v : v);
    }
    raise(peak_[0], peak[0]);
    raise(peak_[1], channels_ == 2 ? peak[1] : peak[0]);
    if (clipped)
        clipped_.store(true, std::memory_order_relaxed);
    if (!taking)
        return;
    const std::uint64_t w = written_.load(std::memory_order_relaxed);
    const std::size_t room = capacity_ - std::size_t(w - read_.load(std::memory_order_acquire));
    const std::size_t n = std::min(count, room);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t at = std::size_t((w + i) % capacity_) * std::size_t(channels_);
        std::memcpy(&ring_[at], &frames[i * std::size_t(channels_)], sizeof(std::int16_t) * std::size_t(channels_));
    }
    written_.store(w + n, std::memory_order_release);
    if (n < count) {
        lost_.fetch_add(count - n, std::memory_order_relaxed);
        overruns_.fetch_add(1, std::memory_order_relaxed);
    }
}

std::size_t InputCapture::read(std::int16_t* out, std::size_t maxFrames)
{
    const std::uint64_t r = read_.load(std::memory_order_relaxed);
    const std::size_t n = std::min(maxFrames, std::size_t(written_.load(std::memory_order_acquire) - r));
    const std::size_t c = std::size_t(channels_);
    for (std::size_t done = 0; done < n;) {
        const std::size_t at = std::size_t((r + done) % capacity_);
        const std::size_t run = std::min(n - done, capacity_ - at);
        std::memcpy(out + done * c, &ring_[at * c], run * c * sizeof(std::int16_t));
        done += run;
    }
    read_.store(r + n, std::memory_order_release);
    return n;
}

InputCapture::Peaks InputCapture::takePeaks()
{
    Peaks p;
    p.left = std::min(peak_[0].exchange(0, std::memory_order_relaxed), 32768);
    p.right = std::min(peak_[1].exchange(0, std::memory_order_relaxed), 32768);
    p.clipped = clipped_.exchange(false, std::memory_order_relaxed);
    return p;
}

}  // namespace tw::audio
