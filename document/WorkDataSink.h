// Collects decoded samples behind the work file's header in large writes and
// keeps the data within the 32-bit size fields, cutting at a whole frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "wav/File.h"

namespace tw {

class WorkDataSink {
public:
    // limit: the most data bytes accepted (a multiple of the frame size).
    WorkDataSink(File& file, std::uint64_t limit);

    // Appends what fits; false once the limit is reached (more would not fit).
    bool append(const void* data, std::size_t size);
    // Writes what is buffered; false when a write failed at any point.
    bool flush();

    std::uint64_t written() const { return accepted_; }
    bool full() const { return accepted_ >= limit_; }
    bool failed() const { return failed_; }

private:
    static constexpr std::size_t kBufferSize = 1 << 20;
    File& file_;
    std::uint64_t limit_;
    std::uint64_t accepted_ = 0;
    std::vector<std::uint8_t> buffer_;
    bool failed_ = false;
};

}  // namespace tw
