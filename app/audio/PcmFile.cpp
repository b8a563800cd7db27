#include "app/audio/PcmFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tw::audio {

PcmFile::PcmFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
{
    struct stat st {};
    if (fd_ >= 0 && (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd_);
        fd_ = -1;
    }
}

PcmFile::~PcmFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::uint64_t PcmFile::size() const
{
    struct stat st {};
    return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? std::uint64_t(st.st_size) : 0;
}

bool PcmFile::readAt(std::uint64_t offset, void* buffer, std::size_t n) const
{
    return readSomeAt(offset, buffer, n) == n;
}

std::size_t PcmFile::readSomeAt(std::uint64_t offset, void* buffer, std::size_t n) const
{
    std::size_t done = 0;
    auto* out = static_cast<char*>(buffer);
    while (fd_ >= 0 && done < n) {
        const ssize_t got = ::pread(fd_, out + done, n - done, off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += std::size_t(got);
    }
    return done;
}

}  // namespace tw::audio
