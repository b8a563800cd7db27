#include "audio/DecodedChannel.h"

#include <algorithm>
#include <cstring>

namespace tw::audio {

void DecodedChannel::info(BASS_CHANNELINFO& out) const
{
    out = BASS_CHANNELINFO{};
    out.freq = DWORD(rate_);
    out.chans = channels_;
    out.flags = BASS_STREAM_DECODE;
    out.origres = sourceBits_;
    out.filename = path_.c_str();
}

QWORD DecodedChannel::filePosition(DWORD mode) const
{
    return mode == BASS_FILEPOS_END ? fileSize_ : BASS_ERROR_QWORD;
}

QWORD DecodedChannel::position()
{
    const std::lock_guard lock(mutex_);
    return delivered_;
}

DWORD DecodedChannel::isActive()
{
    const std::lock_guard lock(mutex_);
    return delivered_ < length_ ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

std::uint8_t* DecodedChannel::appendSpace(std::size_t bytes)
{
    const std::size_t kept = pending_.size() - pendingPos_;
    if (kept > 0 && pendingPos_ > 0)
        std::memmove(pending_.data(), pending_.data() + pendingPos_, kept);
    pending_.resize(kept + bytes);
    pendingPos_ = 0;
    return pending_.data() + kept;
}

void DecodedChannel::keepAppended(std::size_t bytes, std::size_t used)
{
    pending_.resize(pending_.size() - bytes + std::min(used, bytes));
}

void DecodedChannel::insertSilenceBeforePending(std::size_t bytes)
{
    pending_.insert(pending_.begin() + std::ptrdiff_t(pendingPos_), bytes, std::uint8_t{0});
}

DWORD DecodedChannel::getData(void* buffer, DWORD length)
{
    if (!buffer || (length & 0x80000000u))
        return BASS_ERROR_DWORD;
    const std::lock_guard lock(mutex_);
    const QWORD wanted = std::min<QWORD>(length / frameBytes() * frameBytes(), length_ - delivered_);
    auto* out = static_cast<std::uint8_t*>(buffer);
    QWORD done = 0;
    while (done < wanted) {
        if (pendingPos_ == pending_.size() && !decodeMore()) {
            // The file gave fewer samples than promised (a damaged frame):
            // silence keeps the promised length.
            std::memset(out + done, 0, std::size_t(wanted - done));
            done = wanted;
            break;
        }
        const std::size_t n = std::min<std::size_t>(pending_.size() - pendingPos_, std::size_t(wanted - done));
        std::memcpy(out + done, pending_.data() + pendingPos_, n);
        pendingPos_ += n;
        done += n;
    }
    delivered_ += done;
    return DWORD(done);
}

}  // namespace tw::audio
