// Scratch folders, hand-made WAV files and a messenger that remembers.
#pragma once

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <stdlib.h>

#include "core/Messages.h"
#include "core/Progress.h"

namespace tw::test {

class ScratchDir {
public:
    ScratchDir()
    {
        std::string pattern = ::testing::TempDir() + "twdocXXXXXX";
        if (::mkdtemp(pattern.data()) != nullptr)
            path_ = pattern + "/";
    }
    ~ScratchDir()
    {
        if (!path_.empty())
            std::system(("rm -rf '" + path_ + "'").c_str());
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + name; }

private:
    std::string path_;
};

class RecordingMessenger : public Messenger {
public:
    MsgResult show(const MessageRequest& request) override
    {
        texts.push_back(request.text);
        captions.push_back(request.caption);
        buttons.push_back(request.buttons);
        return reply;
    }
    MsgResult reply = MsgResult::Ok;  // the answer to every box
    std::vector<std::string> texts;
    std::vector<std::string> captions;
    std::vector<MsgButtons> buttons;
};

// Keeps every value bar 0 takes.
class BarSteps : public SilentProgress {
public:
    void setBar(int bar, int value) override
    {
        SilentProgress::setBar(bar, value);
        if (bar == 0)
            values.push_back(value);
    }
    std::vector<int> values;
};

using Bytes = std::vector<std::uint8_t>;

inline void put16(Bytes& b, std::uint32_t v)
{
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}

inline void put32(Bytes& b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

inline void putId(Bytes& b, const char* id)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<std::uint8_t>(id[i]));
}

inline void putChunk(Bytes& b, const char* id, const Bytes& body, bool pad = true)
{
    putId(b, id);
    put32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (pad && (body.size() & 1))
        b.push_back(0);
}

// A format block of fmtSize bytes (at least 16).
inline Bytes fmtBody(std::uint32_t tag, std::uint32_t channels, std::uint32_t rate, std::uint32_t bits,
                     std::uint32_t fmtSize = 16)
{
    Bytes f;
    put16(f, tag);
    put16(f, channels);
    put32(f, rate);
    put32(f, rate * channels * bits / 8);
    put16(f, channels * bits / 8);
    put16(f, bits);
    f.resize(fmtSize, 0);
    return f;
}

inline Bytes riffPrefix()
{
    Bytes b;
    putId(b, "RIFF");
    put32(b, 0);
    putId(b, "WAVE");
    return b;
}

// A plain PCM file: RIFF, fmt, data.
inline Bytes simpleWave(std::uint32_t channels, std::uint32_t rate, std::uint32_t bits, const Bytes& data)
{
    Bytes b = riffPrefix();
    putChunk(b, "fmt ", fmtBody(1, channels, rate, bits));
    putChunk(b, "data", data, false);
    const auto riff = static_cast<std::uint32_t>(b.size() - 8);
    std::memcpy(&b[4], &riff, 4);
    return b;
}

inline Bytes samples16(const std::vector<std::int16_t>& values)
{
    Bytes b;
    for (auto v : values)
        put16(b, static_cast<std::uint16_t>(v));
    return b;
}

inline void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::uint32_t le32At(const Bytes& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

inline std::uint16_t le16At(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

}  // namespace tw::test
