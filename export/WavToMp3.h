// MP3 encoding through LAME, loaded at run time: 16-bit chunks in, MP3 frames
// appended to an output file, the Info frame written over the first frame at
// the end so that decoders trim the encoder's delay and padding.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Messages.h"
#include "wav/File.h"

namespace tw {

inline constexpr const char* kLameLibrary = "libmp3lame.so.0";
inline constexpr const char* kLameCaption = "Lame Encoder";

// The bitrate LAME is asked for: the requested kbit/s rounded by bounds
// (up to 36 gives 32, ... 67 gives 64, up to 88 gives 80, ... above 288 gives 320).
int mp3Bitrate(std::uint32_t requested);

class WavToMp3 {
public:
    // Loads the library and looks up its entry points; a failure is shown
    // (caption "Lame Encoder") and makes Open fail.
    explicit WavToMp3(Messenger& messages, const std::string& library = kLameLibrary);
    ~WavToMp3();
    WavToMp3(const WavToMp3&) = delete;
    WavToMp3& operator=(const WavToMp3&) = delete;

    // mode: 1 stereo, 2 joint stereo, 3 dual channel, 4 mono. Returns the
    // chunk size in bytes (the encoder's frame of 16-bit samples, all
    // channels), or -1 after its message.
    int Open(const std::string& path, std::uint32_t sampleRate, int mode, std::uint32_t bitrate, bool copyright,
             bool crc, bool original, bool privateBit);
    // MP3 bytes written for this chunk, or -1 after its message.
    int EncodeChunk(const std::int16_t* samples, std::size_t bytes);
    // Flushes the encoder, writes the Info frame and closes the file; false
    // when the file could not be completed.
    bool Close();

private:
    struct Api;
    bool fail(const std::string& text, int& result);
    bool write(const std::uint8_t* data, int size);

    Messenger& messages_;
    void* library_ = nullptr;
    std::unique_ptr<Api> api_;
    void* lame_ = nullptr;
    int channels_ = 2;
    File out_;
    bool writeFailed_ = false;
    std::vector<std::uint8_t> buffer_;
};

}  // namespace tw
