#include "core/PrivateTempDir.h"

#include <QDir>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

namespace tw {

namespace {

constexpr const char* kPrefix = "tarnwick-";
constexpr std::size_t kRandomPart = 6;  // mkdtemp's XXXXXX

std::string withSeparator(std::string dir)
{
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

std::string baseOrSystem(const std::string& base)
{
    return withSeparator(base.empty() ? QDir::tempPath().toStdString() : base);
}

bool ourName(const std::string& name)
{
    return name.size() == std::char_traits<char>::length(kPrefix) + kRandomPart && name.rfind(kPrefix, 0) == 0;
}

int openDirectory(const std::string& path)
{
    return ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

bool sameFile(int fd, const std::string& path)
{
    struct stat byFd {};
    struct stat byPath {};
    return ::fstat(fd, &byFd) == 0 && ::lstat(path.c_str(), &byPath) == 0 && byFd.st_dev == byPath.st_dev &&
           byFd.st_ino == byPath.st_ino;
}

}  // namespace

int removeLeftoverTempDirs(const std::string& base)
{
    const std::string dir = withSeparator(base);
    DIR* listing = ::opendir(dir.c_str());
    if (!listing)
        return 0;
    std::vector<std::string> candidates;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        struct stat st {};
        if (ourName(name) && ::lstat((dir + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
            st.st_uid == ::geteuid())
            candidates.push_back(dir + name);
    }
    ::closedir(listing);

    int removed = 0;
    for (const std::string& path : candidates) {
        const int fd = openDirectory(path);
        if (fd < 0)
            continue;
        // A living instance holds its lock; one that is being made waits for
        // ours and then finds its directory gone and makes another.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, path)) {
            std::error_code ec;
            if (std::filesystem::remove_all(path, ec) > 0 && !ec)
                ++removed;
        }
        ::close(fd);
    }
    return removed;
}

PrivateTempDir::PrivateTempDir(const std::string& base)
{
    const std::string dir = baseOrSystem(base);
    removeLeftoverTempDirs(dir);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string pattern = dir + kPrefix + std::string(kRandomPart, 'X');
        // mkdtemp creates the directory with mode 0700.
        if (!::mkdtemp(pattern.data()))
            throw std::system_error(errno, std::generic_category(), "Can not create a temporary directory in " + dir);
        const int fd = openDirectory(pattern);
        // Where locks are not to be had (some network file systems) the
        // directory serves unlocked: the lock only guards the clean-up.
        if (fd >= 0)
            ::flock(fd, LOCK_EX);
        if (fd < 0 || sameFile(fd, pattern)) {
            lock_ = fd;
            path_ = pattern + '/';
            return;
        }
        // Another start took it for a leftover and removed it: make another.
        ::close(fd);
    }
    throw std::system_error(EAGAIN, std::generic_category(), "Can not keep a temporary directory in " + dir);
}

PrivateTempDir::~PrivateTempDir()
{
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
    if (lock_ >= 0)
        ::close(lock_);
}

}  // namespace tw
