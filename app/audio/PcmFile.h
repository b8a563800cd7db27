// A file opened for positioned reads from several threads at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tw::audio {

class PcmFile {
public:
    explicit PcmFile(const std::string& path);
    ~PcmFile();
    PcmFile(const PcmFile&) = delete;
    PcmFile& operator=(const PcmFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    std::uint64_t size() const;
    // True when all n bytes at offset were read.
    bool readAt(std::uint64_t offset, void* buffer, std::size_t n) const;
    // Reads up to n bytes; returns the count (0 at the end or on error).
    std::size_t readSomeAt(std::uint64_t offset, void* buffer, std::size_t n) const;

private:
    int fd_ = -1;
};

}  // namespace tw::audio
