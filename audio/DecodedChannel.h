// What every decoding stream shares: 16-bit PCM handed out in whole frames
// up to a length known in advance, the count delivered, and the buffer of
// decoded bytes not yet handed out. A subclass only decodes.
#pragma once

#include "audio/Channel.h"

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace tw::audio {

class DecodedChannel : public Channel {
public:
    void info(BASS_CHANNELINFO& out) const override;
    QWORD length() const override { return length_; }
    double bytesPerSecond() const override { return double(rate_) * frameBytes(); }
    QWORD filePosition(DWORD mode) const override;
    QWORD position() override;
    DWORD isActive() override;
    // Short decodes are filled with silence, so that exactly length() bytes
    // are delivered in all.
    DWORD getData(void* buffer, DWORD length) override;

protected:
    DWORD frameBytes() const { return channels_ * 2; }

    // Appends the next decoded bytes with appendSpace/keepAppended; false at
    // the end of the usable data. Called under the stream's lock.
    virtual bool decodeMore() = 0;

    // Room for bytes more behind what is still pending (handed-out bytes are
    // dropped first); keepAppended then keeps used of them.
    std::uint8_t* appendSpace(std::size_t bytes);
    void keepAppended(std::size_t bytes, std::size_t used);
    // Zero bytes in front of what is pending.
    void insertSilenceBeforePending(std::size_t bytes);

    std::string path_;
    int rate_ = 0;
    DWORD channels_ = 0;
    DWORD sourceBits_ = 0;
    QWORD length_ = 0;
    QWORD fileSize_ = 0;
    bool sourceEnded_ = false;

private:
    std::mutex mutex_;
    QWORD delivered_ = 0;
    std::vector<std::uint8_t> pending_;
    std::size_t pendingPos_ = 0;
};

}  // namespace tw::audio
