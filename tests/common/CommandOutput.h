// What a shell command prints on its standard output, for tests that check
// against a peer tool.
#pragma once

#include <cstdio>
#include <string>

namespace tw::test {

inline std::string commandOutput(const std::string& command)
{
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

}  // namespace tw::test
