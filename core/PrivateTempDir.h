// A directory of our own inside the system's temporary directory: created
// with mode 0700 under an unpredictable name, removed with its contents when
// the object goes.
#pragma once

#include <string>

namespace tw {

class PrivateTempDir {
public:
    // base: where to create it; empty means the system's temporary directory
    // ($TMPDIR, else /tmp). Throws std::system_error when it cannot be made.
    explicit PrivateTempDir(const std::string& base = {});
    ~PrivateTempDir();
    PrivateTempDir(const PrivateTempDir&) = delete;
    PrivateTempDir& operator=(const PrivateTempDir&) = delete;

    // Ends in the path separator.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace tw
