// Helpers for the audio layer tests: a private scratch directory, running
// the ffmpeg/lame command-line tools, and writing small WAV files.
#pragma once

#include "audio/DecodedLength.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tw::test {

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Runs a shell command; true when it exits with 0.
bool run(const std::string& command);
// Runs a shell command and returns its standard output.
std::vector<std::uint8_t> output(const std::string& command);
std::string quoted(const std::string& path);

// ffmpeg's own decode of path as 16-bit little-endian PCM.
std::vector<std::uint8_t> ffmpegDecode(const std::string& path);

// Everything a decoding stream delivers in 10000-byte reads while active.
std::vector<std::uint8_t> decodeAll(std::uint32_t handle);
// decodeAll on a new decoding stream of path.
std::vector<std::uint8_t> decodeOnOneThread(const std::string& path);
// The packets the length scan of path's decoding stream lists.
std::vector<audio::PacketEntry> packetsOf(const std::string& path);

struct WavFormat {
    std::uint32_t rate = 44100;
    std::uint16_t channels = 2;
    std::uint16_t bits = 16;
};

// A canonical 44-byte-header PCM file holding pcm.
void writeWav(const std::string& path, const WavFormat& wavFormat, const std::vector<std::uint8_t>& pcm);
// Interleaved 16-bit PCM made by f(frame, channel) in -1..1.
template <class F>
std::vector<std::uint8_t> pcm16(std::size_t frames, int channels, F f)
{
    std::vector<std::uint8_t> out;
    out.reserve(frames * channels * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const double v = f(i, c);
            const int s = v >= 1.0 ? 32767 : v <= -1.0 ? -32768 : int(v * 32767.0);
            out.push_back(std::uint8_t(s & 0xFF));
            out.push_back(std::uint8_t((s >> 8) & 0xFF));
        }
    }
    return out;
}

}  // namespace tw::test
