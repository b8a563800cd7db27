#include "audio/QuietProbing.h"

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace tw::audio {

namespace {

extern "C" void silentAlsaHandler(const char*, int, const char*, int, const char*, ...) {}
extern "C" void silentJackHandler(const char*) {}

using AlsaHandler = void (*)(const char*, int, const char*, int, const char*, ...);
using AlsaSetHandler = int (*)(AlsaHandler);
using JackSetHandler = void (*)(void (*)(const char*));

// The libraries stay loaded for the life of the process: their handlers
// point at our functions.
void installSilentHandlers()
{
    if (void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_GLOBAL)) {
        if (auto set = reinterpret_cast<AlsaSetHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
            set(&silentAlsaHandler);
    }
    if (void* jack = dlopen("libjack.so.0", RTLD_NOW | RTLD_NOLOAD)) {
        if (auto set = reinterpret_cast<JackSetHandler>(dlsym(jack, "jack_set_error_function")))
            set(&silentJackHandler);
        if (auto set = reinterpret_cast<JackSetHandler>(dlsym(jack, "jack_set_info_function")))
            set(&silentJackHandler);
    }
}

bool debugWanted()
{
    const char* value = std::getenv("TARNWICK_AUDIO_DEBUG");
    return value && *value && *value != '0';
}

}  // namespace

QuietProbing::QuietProbing()
{
    if (debugWanted())
        return;
    static std::once_flag once;
    std::call_once(once, installSilentHandlers);
    std::fflush(stderr);
    const int devNull = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (devNull < 0)
        return;
    savedStderr_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
    if (savedStderr_ >= 0)
        ::dup2(devNull, STDERR_FILENO);
    ::close(devNull);
}

QuietProbing::~QuietProbing()
{
    if (savedStderr_ < 0)
        return;
    std::fflush(stderr);
    ::dup2(savedStderr_, STDERR_FILENO);
    ::close(savedStderr_);
}

}  // namespace tw::audio
