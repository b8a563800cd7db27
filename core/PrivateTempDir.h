// A directory of our own inside the system's temporary directory: created
// with mode 0700 under an unpredictable name, removed with its contents when
// the object goes.
//
// While it lives, the directory is locked (flock on the directory itself).
// Making one first removes the directories that earlier runs of this user
// left behind when they were killed or crashed: those whose lock nobody
// holds any more.
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
    int lock_ = -1;
};

// Removes the directories of this program and user in base that no living
// instance holds. Returns how many it removed.
int removeLeftoverTempDirs(const std::string& base);

}  // namespace tw
