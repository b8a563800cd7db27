#include "audio/PortAudioDevice.h"

#include "audio/QuietProbing.h"

#include <algorithm>
#include <cmath>
#include <portaudio.h>

namespace tw::audio {

namespace {

int paCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time,
               PaStreamCallbackFlags flags, void* user)
{
    double queued = -1;
    if (time && time->outputBufferDacTime > 0 && time->currentTime > 0)
        queued = time->outputBufferDacTime - time->currentTime;
    static_cast<PortAudioDevice*>(user)->renderBuffer(static_cast<float*>(output), frames, queued,
                                                      (flags & paOutputUnderflow) != 0);
    return paContinue;
}

}  // namespace

PortAudioDevice::PortAudioDevice(int rate) : OutputDevice(rate) {}

std::unique_ptr<PortAudioDevice> PortAudioDevice::open(int deviceIndex, int rate)
{
    auto device = std::make_unique<PortAudioDevice>(rate);
    const QuietProbing quiet;
    if (Pa_Initialize() != paNoError)
        return nullptr;
    device->initialized_ = true;
    const PaDeviceIndex index = deviceIndex < 0 ? Pa_GetDefaultOutputDevice() : PaDeviceIndex(deviceIndex);
    const PaDeviceInfo* info = index >= 0 && index < Pa_GetDeviceCount() ? Pa_GetDeviceInfo(index) : nullptr;
    if (!info || info->maxOutputChannels < 1)
        return nullptr;
    PaStreamParameters params{};
    params.device = index;
    params.channelCount = 2;
    params.sampleFormat = paFloat32;
    // The device's playback latency rides out a busy machine; the reported
    // positions take it into account.
    params.suggestedLatency = std::max(info->defaultHighOutputLatency, minimumLatency);
    PaStream* stream = nullptr;
    if (Pa_OpenStream(&stream, nullptr, &params, rate, paFramesPerBufferUnspecified, paNoFlag, &paCallback,
                      device.get()) != paNoError)
        return nullptr;
    device->stream_ = stream;
    if (const PaStreamInfo* streamInfo = Pa_GetStreamInfo(stream))
        device->latency_ = device->queued_ = std::int64_t(std::lround(streamInfo->outputLatency * rate));
    if (Pa_StartStream(stream) != paNoError)
        return nullptr;
    return device;
}

PortAudioDevice::~PortAudioDevice()
{
    close();
}

void PortAudioDevice::close()
{
    const std::lock_guard lock(streamMutex_);
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

std::int64_t PortAudioDevice::heardFrames() const
{
    const std::int64_t floor = floor_.load(std::memory_order_relaxed);
    if (!placed_.load(std::memory_order_acquire))
        return floor;
    const Clock::duration since{Clock::now().time_since_epoch().count() - origin_.load(std::memory_order_relaxed)};
    const auto frames = std::int64_t(std::chrono::duration<double>(since).count() * rate());
    return std::max(floor, std::min(frames, renderedFrames()));
}

std::optional<std::int64_t> PortAudioDevice::dropQueued()
{
    const std::lock_guard lock(streamMutex_);
    if (!stream_ || Pa_AbortStream(stream_) != paNoError)
        return std::nullopt;
    // No render pass runs until the restart: what was rendered and not heard
    // is gone, and the next pass places the speaker anew.
    // The clock may run a little ahead of the speaker: going on 2 ms early
    // repeats a sliver rather than losing one.
    const std::int64_t floor = floor_.load(std::memory_order_relaxed);
    const std::int64_t heard = std::max(floor, heardFrames() - std::int64_t(rate() / 500));
    floor_.store(heard, std::memory_order_relaxed);
    placed_.store(false, std::memory_order_relaxed);
    queued_ = latency_;
    previousLate_ = false;
    Pa_StartStream(stream_);
    return heard;
}

void PortAudioDevice::renderBuffer(float* out, unsigned long frames, double queuedSeconds, bool underflow) noexcept
{
    const auto start = Clock::now();
    const bool known = queuedSeconds >= 0 && queuedSeconds < 5.0;
    if (known)
        queued_ = std::int64_t(queuedSeconds * rate());
    // PortAudio drops a buffer that it could hand over only after the device
    // had run dry, and reports the underflow with the next callback: that
    // buffer was never heard, and this one takes its place. After a buffer
    // handed over in time an underflow only delays.
    mixer().render(out, int(frames), underflow && previousLate_);
    // The frame at the speaker as this pass began.
    const std::int64_t heard = mixer().renderedFrames() - std::int64_t(frames) - queued_;
    const auto origin = start - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                    double(heard) / rate()));
    origin_.store(origin.time_since_epoch().count(), std::memory_order_relaxed);
    placed_.store(true, std::memory_order_release);
    // Late: finished after it was due, with a millisecond's grace (right
    // after a restart nothing is queued).
    previousLate_ = known && Clock::now() - start >
                                 std::chrono::duration<double>(queuedSeconds) + std::chrono::milliseconds(1);
}

}  // namespace tw::audio
