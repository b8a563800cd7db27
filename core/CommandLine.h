// The command line names one file to open at start.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tw {

// Arguments 1 to n joined with single blanks, so that a path with blanks
// given without quotes comes together again. Empty without arguments.
std::string joinArguments(const std::vector<std::string>& argv);

// The joined arguments when they name an existing file, else nothing.
std::optional<std::string> commandLineFile(const std::vector<std::string>& argv);

}  // namespace tw
