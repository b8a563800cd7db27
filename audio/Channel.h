// A stream behind a handle. Every operation fails harmlessly by default, so a
// handle of the wrong kind gets the same answer as a handle that does not exist.
#pragma once

#include "audio/bass.h"

namespace tw::audio {

class Channel {
public:
    virtual ~Channel() = default;
    Channel() = default;
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    virtual void info(BASS_CHANNELINFO& out) const = 0;
    virtual QWORD length() const = 0;
    // Bytes of one second of this stream's PCM.
    virtual double bytesPerSecond() const = 0;
    virtual QWORD filePosition(DWORD mode) const = 0;
    virtual QWORD position() = 0;
    virtual DWORD isActive() = 0;

    virtual DWORD getData(void*, DWORD) { return BASS_ERROR_DWORD; }
    virtual bool setPosition(QWORD) { return false; }
    virtual bool play(bool) { return false; }
    virtual bool pause() { return false; }
    virtual bool stop() { return false; }
    virtual DWORD level() { return 0; }
};

}  // namespace tw::audio
