#include "audio/PortAudioDevice.h"

#include "audio/QuietProbing.h"

#include <algorithm>
#include <cmath>
#include <portaudio.h>

namespace tw::audio {

namespace {

int paCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time,
               PaStreamCallbackFlags, void* user)
{
    double latency = -1;
    if (time && time->outputBufferDacTime > 0 && time->currentTime > 0)
        latency = time->outputBufferDacTime - time->currentTime;
    static_cast<PortAudioDevice*>(user)->renderBuffer(static_cast<float*>(output), frames, latency);
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
    // Enough buffering to ride out a busy machine; the reported positions
    // take the latency into account.
    params.suggestedLatency = std::max(info->defaultLowOutputLatency, 0.05);
    PaStream* stream = nullptr;
    if (Pa_OpenStream(&stream, nullptr, &params, rate, paFramesPerBufferUnspecified, paNoFlag, &paCallback,
                      device.get()) != paNoError)
        return nullptr;
    device->stream_ = stream;
    if (const PaStreamInfo* streamInfo = Pa_GetStreamInfo(stream))
        device->latency_ = std::int64_t(std::lround(streamInfo->outputLatency * rate));
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

void PortAudioDevice::renderBuffer(float* out, unsigned long frames, double latencySeconds) noexcept
{
    if (latencySeconds >= 0 && latencySeconds < 1.0)
        latency_.store(std::int64_t(latencySeconds * rate()) + std::int64_t(frames), std::memory_order_relaxed);
    mixer().render(out, int(frames));
}

}  // namespace tw::audio
