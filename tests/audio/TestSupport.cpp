#include "tests/audio/TestSupport.h"

#include "audio/AudioLayer.h"
#include "audio/DecodeStream.h"
#include "audio/bass.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace tw::test {

ScratchDir::ScratchDir()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "tw-audio-XXXXXX").string();
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

bool run(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::vector<std::uint8_t> output(const std::string& command)
{
    std::vector<std::uint8_t> bytes;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return bytes;
    std::uint8_t block[65536];
    std::size_t n = 0;
    while ((n = std::fread(block, 1, sizeof block, pipe)) > 0)
        bytes.insert(bytes.end(), block, block + n);
    pclose(pipe);
    return bytes;
}

std::string quoted(const std::string& path)
{
    std::string q = "'";
    for (char c : path)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::vector<std::uint8_t> ffmpegDecode(const std::string& path)
{
    return output("ffmpeg -nostdin -v quiet -i " + quoted(path) + " -f s16le -acodec pcm_s16le -");
}

std::vector<std::uint8_t> decodeAll(std::uint32_t handle)
{
    std::vector<std::uint8_t> all;
    std::vector<std::uint8_t> block(10000);
    while (BASS_ChannelIsActive(handle) != 0) {
        const DWORD got = BASS_ChannelGetData(handle, block.data(), DWORD(block.size()));
        if (got == BASS_ERROR_DWORD || got == 0)
            break;
        all.insert(all.end(), block.begin(), block.begin() + got);
    }
    return all;
}

std::vector<std::uint8_t> decodeOnOneThread(const std::string& path)
{
    const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    if (h == 0)
        return {};
    auto bytes = decodeAll(h);
    BASS_StreamFree(h);
    return bytes;
}

std::vector<audio::PacketEntry> packetsOf(const std::string& path)
{
    const HSTREAM h = BASS_StreamCreateFile(FALSE, path.c_str(), 0, 0, BASS_STREAM_DECODE);
    std::vector<audio::PacketEntry> packets;
    if (auto stream = std::dynamic_pointer_cast<audio::DecodeStream>(audio::AudioLayer::instance().find(h)))
        packets = stream->packets();
    BASS_StreamFree(h);
    return packets;
}

namespace {
void put32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}
void put16(std::vector<std::uint8_t>& out, std::uint16_t v)
{
    out.push_back(std::uint8_t(v));
    out.push_back(std::uint8_t(v >> 8));
}
}  // namespace

void writeWav(const std::string& path, const WavFormat& wavFormat, const std::vector<std::uint8_t>& pcm)
{
    std::vector<std::uint8_t> out;
    const std::uint16_t align = std::uint16_t(wavFormat.channels * wavFormat.bits / 8);
    out.insert(out.end(), {'R', 'I', 'F', 'F'});
    put32(out, std::uint32_t(36 + pcm.size()));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put32(out, 16);
    put16(out, 1);
    put16(out, wavFormat.channels);
    put32(out, wavFormat.rate);
    put32(out, wavFormat.rate * align);
    put16(out, align);
    put16(out, wavFormat.bits);
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put32(out, std::uint32_t(pcm.size()));
    out.insert(out.end(), pcm.begin(), pcm.end());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
}

}  // namespace tw::test
