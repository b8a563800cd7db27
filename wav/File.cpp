#include "wav/File.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace tw {

namespace {

int openWith(const std::string& path, int flags)
{
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

}  // namespace

File::~File() { close(); }

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept
{
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

File File::openRead(const std::string& path) { return File(openWith(path, O_RDONLY)); }

File File::openReadWrite(const std::string& path) { return File(openWith(path, O_RDWR)); }

File File::openRegular(const std::string& path)
{
    // O_NONBLOCK: opening a FIFO without a writer would wait for one.
    File file(openWith(path, O_RDONLY | O_NONBLOCK | O_NOCTTY));
    struct stat st {};
    if (!file || ::fstat(file.fd_, &st) != 0 || !S_ISREG(st.st_mode))
        return File();
    const int flags = ::fcntl(file.fd_, F_GETFL);
    if (flags < 0 || ::fcntl(file.fd_, F_SETFL, flags & ~O_NONBLOCK) != 0)
        return File();
    return file;
}

File File::create(const std::string& path) { return File(openWith(path, O_RDWR | O_CREAT | O_TRUNC)); }

File File::createNew(const std::string& path)
{
    return File(openWith(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW));
}

std::size_t File::read(void* buffer, std::size_t size)
{
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (fd_ >= 0 && done < size) {
        const ssize_t n = ::read(fd_, out + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

std::size_t File::readAt(void* buffer, std::size_t size, std::uint64_t offset) const
{
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (fd_ >= 0 && done < size) {
        const ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool File::write(const void* buffer, std::size_t size)
{
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (fd_ >= 0 && done < size) {
        const ssize_t n = ::write(fd_, in + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return done == size;
}

bool File::writeAt(const void* buffer, std::size_t size, std::uint64_t offset)
{
    const auto* in = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (fd_ >= 0 && done < size) {
        const ssize_t n = ::pwrite(fd_, in + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return done == size;
}

bool copyAt(const File& from, std::uint64_t fromAt, File& to, std::uint64_t toAt, std::uint64_t count)
{
    auto inAt = static_cast<off_t>(fromAt);
    auto outAt = static_cast<off_t>(toAt);
    std::uint64_t left = count;
    while (left > 0) {
        const ssize_t n = ::copy_file_range(from.fd(), &inAt, to.fd(), &outAt, left, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // no kernel copy here, or the source ended: the buffer decides
        left -= static_cast<std::uint64_t>(n);
    }
    std::vector<char> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(left, 1 << 20)));
    while (left > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer.size()));
        if (from.readAt(buffer.data(), want, static_cast<std::uint64_t>(inAt)) != want ||
            !to.writeAt(buffer.data(), want, static_cast<std::uint64_t>(outAt)))
            return false;
        inAt += static_cast<off_t>(want);
        outAt += static_cast<off_t>(want);
        left -= want;
    }
    return true;
}

bool File::seek(std::uint64_t offset)
{
    return fd_ >= 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool File::skip(std::uint64_t count)
{
    return fd_ >= 0 && ::lseek(fd_, static_cast<off_t>(count), SEEK_CUR) >= 0;
}

std::uint64_t File::position() const
{
    if (fd_ < 0)
        return 0;
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    return at < 0 ? 0 : static_cast<std::uint64_t>(at);
}

std::uint64_t File::size() const
{
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0)
        return 0;
    return static_cast<std::uint64_t>(st.st_size);
}

bool File::close()
{
    if (fd_ < 0)
        return true;
    const int rc = ::close(std::exchange(fd_, -1));
    return rc == 0;
}

bool removeFile(const std::string& path)
{
    return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool fileExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

bool isRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace tw
