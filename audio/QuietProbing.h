// Keeps the sound system's device probing from flooding the terminal: ALSA
// and JACK get silent error handlers, and while a QuietProbing object lives
// the process's stderr goes to /dev/null (PortAudio prints its own probe
// failures straight to stderr). TARNWICK_AUDIO_DEBUG=1 keeps everything.
#pragma once

namespace tw::audio {

class QuietProbing {
public:
    QuietProbing();
    ~QuietProbing();
    QuietProbing(const QuietProbing&) = delete;
    QuietProbing& operator=(const QuietProbing&) = delete;

private:
    int savedStderr_ = -1;
};

}  // namespace tw::audio
