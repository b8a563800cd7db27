#include "core/CommandLine.h"

#include <filesystem>
#include <system_error>

namespace tw {

StartRequest startRequest(const std::vector<std::string>& argv)
{
    if (argv.size() != 2)
        return StartRequest::Window;
    if (argv[1] == "--help")
        return StartRequest::Help;
    if (argv[1] == "--version")
        return StartRequest::Version;
    return StartRequest::Window;
}

std::string joinArguments(const std::vector<std::string>& argv)
{
    std::string joined;
    for (std::size_t i = 1; i < argv.size(); ++i) {
        if (i > 1)
            joined += ' ';
        joined += argv[i];
    }
    return joined;
}

std::optional<std::string> commandLineFile(const std::vector<std::string>& argv)
{
    if (argv.size() < 2)
        return std::nullopt;
    std::string joined = joinArguments(argv);
    // The bytes as given name the file: no conversion through Unicode.
    std::error_code ec;
    if (joined.empty() || !std::filesystem::is_regular_file(std::filesystem::path(joined), ec))
        return std::nullopt;
    return joined;
}

}  // namespace tw
