// How a step of the open ended, so that its window knows what to do.
#pragma once

#include <cstdint>
#include <string>

namespace tw {

enum class OpenResult {
    Completed,  // ran to its end: the window closes as completed
    Cancelled,  // the stop request ended it: the window is already closing
    Failed,     // ended early (after its message, if any): the window waits for Cancel
};

// Set when the source held more sound than the work file can: how much was kept.
struct OpenCut {
    bool cut = false;
    std::uint32_t keptSeconds = 0;
};

// "The file is longer than Tarnwick can edit. Only the first H:MM:SS were opened."
std::string openCutMessage(std::uint32_t keptSeconds);

}  // namespace tw
