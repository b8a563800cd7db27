#include "audio/Mpg123Stream.h"

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
    stream->rate_ = int(rate);
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
        std::uint8_t* out = appendSpace(blockBytes);
        std::size_t got = 0;
        const int result = mpg123_read(handle_.get(), out, blockBytes, &got);
        keepAppended(blockBytes, got);
        if (got > 0)
            return true;
        // Done, a read error, or data the decoder cannot get past.
        if ((result != MPG123_OK && result != MPG123_NEW_FORMAT) || ++idle >= maxIdleReads)
            sourceEnded_ = true;
    }
    return false;
}

}  // namespace tw::audio
