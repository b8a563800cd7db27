// The command line names one file to open at start.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tw {

// Arguments 1 to n joined with single blanks, so that a path with blanks
// given without quotes comes together again. Empty without arguments.
std::string joinArguments(const std::vector<std::string>& argv);

// The joined arguments when they name an existing regular file (after
// following links), else nothing: a FIFO, a device or a directory is
// ignored as a missing file is.
std::optional<std::string> commandLineFile(const std::vector<std::string>& argv);

}  // namespace tw
