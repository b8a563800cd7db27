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
#include <algorithm>
#include <vector>

#include "core/StateFile.h"

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

bool usableDirectory(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string baseOrSystem(const std::string& base)
{
    return withSeparator(base.empty() ? userTempBase() : base);
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

std::vector<std::string> ourDirectories(const std::string& dir)
{
    std::vector<std::string> found;
    DIR* listing = ::opendir(dir.c_str());
    if (!listing)
        return found;
    while (const dirent* entry = ::readdir(listing)) {
        const std::string name = entry->d_name;
        struct stat st {};
        if (ourName(name) && ::lstat((dir + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode) &&
            st.st_uid == ::geteuid())
            found.push_back(dir + name);
    }
    ::closedir(listing);
    return found;
}

}  // namespace

std::string userTempBase()
{
    // $TMPDIR when set; else /var/tmp, which outlives a restart and lies on
    // a disk where /tmp may be memory.
    if (const char* env = std::getenv("TMPDIR"); env && *env)
        return env;
    if (usableDirectory("/var/tmp"))
        return "/var/tmp";
    return QDir::tempPath().toStdString();
}

FolderLock::FolderLock(const std::string& path)
{
    const int fd = openDirectory(path);
    if (fd < 0)
        return;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, path))
        fd_ = fd;
    else
        ::close(fd);
}

FolderLock::~FolderLock()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::vector<std::string> unsavedLeftoverDirs(const std::string& base)
{
    std::vector<std::pair<std::uint64_t, std::string>> found;
    for (std::string& path : ourDirectories(withSeparator(base))) {
        const FolderLock lock(path);
        if (!lock.held())
            continue;
        const auto state = readStateFile(path + '/');
        if (state && state->get("modified") == "1")
            found.emplace_back(state->number("time").value_or(0), path + '/');
    }
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> paths;
    for (auto& f : found)
        paths.push_back(std::move(f.second));
    return paths;
}

bool removeTempDir(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    return !ec;
}

int removeLeftoverTempDirs(const std::string& base)
{
    const std::string dir = withSeparator(base);
    const std::vector<std::string> candidates = ourDirectories(dir);
    int removed = 0;
    for (const std::string& path : candidates) {
        const int fd = openDirectory(path);
        if (fd < 0)
            continue;
        // A living instance holds its lock; one that is being made waits for
        // ours and then finds its directory gone and makes another.
        // A folder that holds unsaved work stays for the next start's question.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && sameFile(fd, path) && !holdsUnsavedDocument(path + '/')) {
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
    if (!kept_) {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    if (lock_ >= 0)
        ::close(lock_);
}

}  // namespace tw
