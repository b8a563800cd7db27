#include "document/DecodeThreads.h"

#include <sched.h>

#include <cstdlib>
#include <thread>

namespace tw {

unsigned decodeThreads(int requested)
{
    if (requested > 0)
        return static_cast<unsigned>(requested);
    if (const char* text = std::getenv("TARNWICK_THREADS")) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value >= 1 && value <= 256)
            return static_cast<unsigned>(value);
    }
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

}  // namespace tw
