// Runs tarnwick-batch: the window's open, edit and save bodies, one after
// the other, with messages and progress on standard error.
#pragma once

#include <string>

#include "batch/BatchArgs.h"

namespace tw::batch {

// The exit status: 0 saved, 1 a step failed, 128 + N when signal N (SIGINT,
// SIGTERM, SIGHUP) stopped it. programDir ends in '/'.
int run(const Arguments& arguments, const std::string& programDir);

}  // namespace tw::batch
