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

void PortAudioDevice::renderBuffer(float* out, unsigned long frames, double queuedSeconds, bool underflow) noexcept
{
    const auto start = std::chrono::steady_clock::now();
    const bool known = queuedSeconds >= 0 && queuedSeconds < 5.0;
    if (known)
        queued_ = std::int64_t(queuedSeconds * rate());
    // PortAudio drops a buffer that it could hand over only after the device
    // had run dry, and reports the underflow with the next callback: that
    // buffer was never heard, and this one takes its place. After a buffer
    // handed over in time an underflow only delays.
    mixer().render(out, int(frames), underflow && previousLate_);
    heard_.store(std::max<std::int64_t>(0, mixer().renderedFrames() - std::int64_t(frames) - queued_),
                 std::memory_order_relaxed);
    // Late: finished after it was due, with a millisecond's grace (right
    // after a restart nothing is queued).
    previousLate_ = known && std::chrono::steady_clock::now() - start >
                                 std::chrono::duration<double>(queuedSeconds) + std::chrono::milliseconds(1);
}

}  // namespace tw::audio
