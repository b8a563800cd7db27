// A file descriptor that closes itself, with whole-buffer reads and writes
// and 64-bit offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tw {

class File {
public:
    File() = default;
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // An invalid File on failure.
    static File openRead(const std::string& path);
    static File openReadWrite(const std::string& path);
    // Only a regular file (after following links): never blocks on a FIFO or
    // a device, whatever the path names by the time it is opened.
    static File openRegular(const std::string& path);
    // Creates or empties the file.
    static File create(const std::string& path);
    // Creates a file that must not exist yet, never through a symbolic link.
    static File createNew(const std::string& path);

    bool isOpen() const { return fd_ >= 0; }
    explicit operator bool() const { return isOpen(); }
    int fd() const { return fd_; }

    // Reads until size bytes arrived or the end of the file; returns the count.
    std::size_t read(void* buffer, std::size_t size);
    // The same at an offset, leaving the file position alone.
    std::size_t readAt(void* buffer, std::size_t size, std::uint64_t offset) const;
    // False when not every byte could be written.
    bool write(const void* buffer, std::size_t size);
    bool writeAt(const void* buffer, std::size_t size, std::uint64_t offset);

    bool seek(std::uint64_t offset);
    // Moves forward from the current position (may pass the end of the file).
    bool skip(std::uint64_t count);
    std::uint64_t position() const;
    std::uint64_t size() const;

    bool close();

private:
    explicit File(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// Copies count bytes at fromAt in from to toAt in to: in the kernel when the
// file systems allow, else through a buffer. The ranges must not overlap when
// both are the same file. False when not every byte was copied.
bool copyAt(const File& from, std::uint64_t fromAt, File& to, std::uint64_t toAt, std::uint64_t count);

// Removes a file; true when it is gone afterwards.
bool removeFile(const std::string& path);
bool fileExists(const std::string& path);
// True when path names a regular file, after following links.
bool isRegularFile(const std::string& path);

}  // namespace tw
