// The command line names one file to open at start, unless it asks for the
// help or the version.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tw {

enum class StartRequest { Window, Help, Version };

// --help or --version as the only argument asks for that text instead of the
// window; with anything beside them they are part of a file name as every
// other argument is (a file named --help opens as ./--help).
StartRequest startRequest(const std::vector<std::string>& argv);

// Arguments 1 to n joined with single blanks, so that a path with blanks
// given without quotes comes together again. Empty without arguments.
std::string joinArguments(const std::vector<std::string>& argv);

// The joined arguments when they name an existing regular file (after
// following links), else nothing: a FIFO, a device or a directory is
// ignored as a missing file is.
std::optional<std::string> commandLineFile(const std::vector<std::string>& argv);

}  // namespace tw
