#include "document/WorkDataSink.h"

#include <algorithm>

namespace tw {

WorkDataSink::WorkDataSink(File& file, std::uint64_t limit) : file_(file), limit_(limit)
{
    buffer_.reserve(kBufferSize);
}

bool WorkDataSink::append(const void* data, std::size_t size)
{
    const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(size, limit_ - accepted_));
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (buffer_.size() + take > kBufferSize)
        flush();
    if (take >= kBufferSize)
        failed_ = !file_.write(bytes, take) || failed_;
    else
        buffer_.insert(buffer_.end(), bytes, bytes + take);
    accepted_ += take;
    return take == size && !full();
}

bool WorkDataSink::flush()
{
    if (!buffer_.empty()) {
        failed_ = !file_.write(buffer_.data(), buffer_.size()) || failed_;
        buffer_.clear();
    }
    return !failed_;
}

}  // namespace tw
