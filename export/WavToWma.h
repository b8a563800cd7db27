// WMA encoding through the writer module, loaded at run time from beside the
// program: 16-bit chunks in, a WMA file out at 44100 Hz stereo.
#pragma once

#include <cstdint>
#include <string>

#include "core/Messages.h"
#include "export/WmaAudioWriter.h"

namespace tw {

inline constexpr const char* kWmaModule = "libtarnwick-wma.so";
inline constexpr const char* kWmaCaption = "WMA Audio SDK";

class WavToWma {
public:
    // modulePath names the module; a failure is shown (caption "WMA Audio SDK").
    WavToWma(Messenger& messages, const std::string& modulePath);
    ~WavToWma();
    WavToWma(const WavToWma&) = delete;
    WavToWma& operator=(const WavToWma&) = delete;

    // Returns the chunk size (16384 bytes), or -1 after its message.
    int Open(const std::string& path, std::uint32_t sampleRate, std::uint32_t channels, std::uint32_t bitsPerSecond);
    bool WriteChunk(const std::uint8_t* data, std::uint32_t bytes);
    // True when the writer finished the file (or there was none).
    bool Close();

private:
    void releaseWriter();

    Messenger& messages_;
    void* library_ = nullptr;
    WMAudioCreateWriterFn create_ = nullptr;
    IWMAudioWriter* writer_ = nullptr;
};

}  // namespace tw
