// A directory of our own inside the system's temporary directory: created
// with mode 0700 under an unpredictable name, removed with its contents when
// the object goes.
//
// While it lives, the directory is locked (flock on the directory itself).
// Making one first removes the directories that earlier runs of this user
// left behind when they were killed or crashed: those whose lock nobody
// holds any more, unless they hold a document with unsaved changes, which
// the next start offers back.
#pragma once

#include <string>
#include <vector>

namespace tw {

class PrivateTempDir {
public:
    // base: where to create it; empty means the user's temporary directory
    // (userTempBase). Throws std::system_error when it cannot be made.
    explicit PrivateTempDir(const std::string& base = {});
    ~PrivateTempDir();
    PrivateTempDir(const PrivateTempDir&) = delete;
    PrivateTempDir& operator=(const PrivateTempDir&) = delete;

    // Ends in the path separator.
    const std::string& path() const { return path_; }
    // The directory stays when the object goes (its lock goes all the same).
    void keep() { kept_ = true; }

private:
    std::string path_;
    int lock_ = -1;
    bool kept_ = false;
};

// $TMPDIR when set, else /var/tmp (else the system's temporary directory).
std::string userTempBase();

// Holds a directory's lock while it lives, when nobody else holds it.
class FolderLock {
public:
    explicit FolderLock(const std::string& path);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The directories of this program and user in base that no living instance
// holds and that hold a document with unsaved changes, the newest first;
// each ends in the path separator.
std::vector<std::string> unsavedLeftoverDirs(const std::string& base);
bool removeTempDir(const std::string& path);

// Removes the directories of this program and user in base that no living
// instance holds. Returns how many it removed.
int removeLeftoverTempDirs(const std::string& base);

}  // namespace tw
