// How many threads the open decodes MPEG audio on.
#pragma once

namespace tw {

// requested when above 0; else TARNWICK_THREADS when it holds a whole number
// from 1 to 256 (1: one thread); else the CPUs this process may run on.
unsigned decodeThreads(int requested);

}  // namespace tw
