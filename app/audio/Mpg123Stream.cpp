#include "app/audio/Mpg123Stream.h"

#include <mpg123.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace tw::audio {

namespace {

constexpr std::size_t blockBytes = 16384;
// Calls in a row that give no samples before the rest counts as undecodable
// (a format change gives one such call).
constexpr int maxIdleReads = 8;

// Output only as 16-bit signed at the given rates and channel counts.
bool restrictFormat(mpg123_handle* handle, long onlyRate, int channels)
{
    if (mpg123_format_none(handle) != MPG123_OK)
        return false;
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    bool any = false;
    for (std::size_t i = 0; i < count; ++i) {
        if (onlyRate == 0 || rates[i] == onlyRate)
            any |= mpg123_format(handle, rates[i], channels, MPG123_ENC_SIGNED_16) == MPG123_OK;
    }
    return any;
}

}  // namespace

void Mpg123Stream::HandleDeleter::operator()(mpg123_handle_struct* handle) const
{
    mpg123_delete(handle);  // closes the file as well
}

std::shared_ptr<Mpg123Stream> Mpg123Stream::open(const std::string& path)
{
    int error = MPG123_OK;
    auto stream = std::make_shared<Mpg123Stream>();
    stream->handle_.reset(mpg123_new(nullptr, &error));
    mpg123_handle* handle = stream->handle_.get();
    if (!handle)
        return nullptr;
    if (mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_GAPLESS, 0) != MPG123_OK ||
        !restrictFormat(handle, 0, MPG123_MONO | MPG123_STEREO) || mpg123_open(handle, path.c_str()) != MPG123_OK)
        return nullptr;

    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK || rate <= 0 ||
        (channels != 1 && channels != 2) || encoding != MPG123_ENC_SIGNED_16)
        return nullptr;
    // From here on the first frame's rate and channel count hold for the
    // whole stream; later frames that differ are converted to them.
    if (!restrictFormat(handle, rate, channels == 1 ? MPG123_MONO : MPG123_STEREO))
        return nullptr;
    stream->rate_ = rate;
    stream->channels_ = DWORD(channels);

    if (mpg123_scan(handle) != MPG123_OK)
        return nullptr;
    const off_t samples = mpg123_length(handle);
    if (samples <= 0)
        return nullptr;
    stream->length_ = QWORD(samples) * stream->frameBytes();
    // A header alone is not enough: the first frame must give samples.
    if (!stream->decodeMore())
        return nullptr;

    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    stream->fileSize_ = ec ? 0 : QWORD(size);
    stream->path_ = path;
    return stream;
}

bool Mpg123Stream::decodeMore()
{
    int idle = 0;
    while (!sourceEnded_) {
        const std::size_t kept = pending_.size() - pendingPos_;
        if (kept > 0)
            std::memmove(pending_.data(), pending_.data() + pendingPos_, kept);
        pending_.resize(kept + blockBytes);
        pendingPos_ = 0;
        std::size_t got = 0;
        const int result = mpg123_read(handle_.get(), pending_.data() + kept, blockBytes, &got);
        pending_.resize(kept + std::min(got, blockBytes));
        if (got > 0)
            return true;
        // Done, a read error, or data the decoder cannot get past.
        if ((result != MPG123_OK && result != MPG123_NEW_FORMAT) || ++idle >= maxIdleReads)
            sourceEnded_ = true;
    }
    return false;
}

void Mpg123Stream::info(BASS_CHANNELINFO& out) const
{
    out = BASS_CHANNELINFO{};
    out.freq = DWORD(rate_);
    out.chans = channels_;
    out.flags = BASS_STREAM_DECODE;
    out.filename = path_.c_str();
}

QWORD Mpg123Stream::filePosition(DWORD mode) const
{
    return mode == BASS_FILEPOS_END ? fileSize_ : BASS_ERROR_QWORD;
}

QWORD Mpg123Stream::position()
{
    const std::lock_guard lock(mutex_);
    return delivered_;
}

DWORD Mpg123Stream::isActive()
{
    const std::lock_guard lock(mutex_);
    return delivered_ < length_ ? BASS_ACTIVE_PLAYING : BASS_ACTIVE_STOPPED;
}

DWORD Mpg123Stream::getData(void* buffer, DWORD length)
{
    if (!buffer || (length & 0x80000000u))
        return BASS_ERROR_DWORD;
    const std::lock_guard lock(mutex_);
    const QWORD wanted = std::min<QWORD>(length / frameBytes() * frameBytes(), length_ - delivered_);
    auto* out = static_cast<std::uint8_t*>(buffer);
    QWORD done = 0;
    while (done < wanted) {
        if (pendingPos_ == pending_.size() && !decodeMore()) {
            // The decode came out shorter than the scanned length: silence
            // keeps the length promised.
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
