// How a step of the open ended, so that its window knows what to do.
#pragma once

namespace tw {

enum class OpenResult {
    Completed,  // ran to its end: the window closes as completed
    Cancelled,  // the stop request ended it: the window is already closing
    Failed,     // ended early (after its message, if any): the window waits for Cancel
};

}  // namespace tw
