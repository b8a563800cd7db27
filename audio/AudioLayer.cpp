#include "audio/AudioLayer.h"

#include "audio/DecodeStream.h"
#include "audio/Mpg123Stream.h"
#include "audio/PlaybackStream.h"
#include "audio/PortAudioDevice.h"
#include "audio/SilentDevice.h"

#include <cstdlib>
#include <cstring>

namespace tw::audio {

namespace {

bool soundDisabled()
{
    const char* value = std::getenv("TARNWICK_AUDIO");
    return value && std::strcmp(value, "none") == 0;
}

}  // namespace

AudioLayer& AudioLayer::instance()
{
    static AudioLayer layer;
    return layer;
}

bool AudioLayer::init(int device, DWORD freq)
{
    const std::lock_guard lock(deviceMutex_);
    if (device_)
        return false;  // already initialised
    const int rate = freq > 0 && freq <= 384000 ? int(freq) : 44100;
    if (device == -1 && soundDisabled())
        device = 0;
    if (device == 0)
        device_ = std::make_shared<SilentDevice>(rate);
    else if (device == -1 || device > 0)
        device_ = PortAudioDevice::open(device == -1 ? -1 : device - 1, rate);
    return device_ != nullptr;
}

bool AudioLayer::free()
{
    // Streams first (they stop and leave the mixer), then the device.
    registry_.removeAll();
    std::shared_ptr<OutputDevice> device;
    {
        const std::lock_guard lock(deviceMutex_);
        device = std::move(device_);
    }
    if (device)
        device->close();
    return true;
}

std::shared_ptr<OutputDevice> AudioLayer::device() const
{
    const std::lock_guard lock(deviceMutex_);
    return device_;
}

DWORD AudioLayer::createDecoder(const std::string& path, const KeepGoing& keepGoing, bool mpegFallback)
{
    if (auto stream = DecodeStream::open(path, keepGoing))
        return registry_.add(std::move(stream));
    if (!mpegFallback || (keepGoing && !keepGoing()))
        return 0;
    // What FFmpeg cannot read may still be MPEG audio libmpg123 can.
    auto stream = Mpg123Stream::open(path);
    return stream ? registry_.add(std::move(stream)) : 0;
}

DWORD AudioLayer::createPlayback(const std::string& path)
{
    auto stream = PlaybackStream::open(path, device());
    return stream ? registry_.add(std::move(stream)) : 0;
}

}  // namespace tw::audio
