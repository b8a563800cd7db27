// The state behind the BASS_* calls: the output device and the handles. The
// calls form a process-wide interface, so there is exactly one AudioLayer,
// reached through instance().
#pragma once

#include "audio/DecodedLength.h"
#include "audio/HandleRegistry.h"
#include "audio/OutputDevice.h"

#include <memory>
#include <mutex>
#include <string>

namespace tw::audio {

class AudioLayer {
public:
    static AudioLayer& instance();

    bool init(int device, DWORD freq);
    bool free();

    // mpegFallback: what FFmpeg cannot read is tried as MPEG audio by libmpg123.
    DWORD createDecoder(const std::string& path, const KeepGoing& keepGoing = {}, bool mpegFallback = true);
    DWORD createPlayback(const std::string& path);
    bool release(DWORD handle) { return registry_.remove(handle) != nullptr; }
    std::shared_ptr<Channel> find(DWORD handle) const { return registry_.find(handle); }

private:
    std::shared_ptr<OutputDevice> device() const;

    mutable std::mutex deviceMutex_;
    std::shared_ptr<OutputDevice> device_;
    HandleRegistry registry_;
};

}  // namespace tw::audio
