// Source files for the open tests: hand-made WAV files, tones encoded by the
// ffmpeg command line, and what ffmpeg decodes from them.
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTimer>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "MainFormFixture.h"
#include "ui/TOpenForm.h"

namespace twtest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeBytes(const std::string& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::uint32_t le32(const Bytes& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

inline void put(Bytes& b, std::uint32_t v, int size)
{
    for (int i = 0; i < size; ++i)
        b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// A 16-bit PCM file with a LIST chunk before "data", so that a byte-for-byte
// copy and a rewritten header can be told apart. Samples follow a saw whose
// loudest left value in the first frame is 32767.
inline Bytes wav16(std::uint32_t rate, std::uint32_t channels, std::uint32_t frames)
{
    Bytes b;
    const std::uint32_t data = frames * channels * 2;
    const Bytes list = {'L', 'I', 'S', 'T', 4, 0, 0, 0, 'I', 'N', 'F', 'O'};
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    put(b, 4 + 24 + static_cast<std::uint32_t>(list.size()) + 8 + data, 4);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(b, 16, 4);
    put(b, 1, 2);
    put(b, channels, 2);
    put(b, rate, 4);
    put(b, rate * channels * 2, 4);
    put(b, channels * 2, 2);
    put(b, 16, 2);
    b.insert(b.end(), list.begin(), list.end());
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    put(b, data, 4);
    for (std::uint32_t f = 0; f < frames; ++f)
        for (std::uint32_t c = 0; c < channels; ++c)
            put(b, static_cast<std::uint16_t>(f == 0 && c == 0 ? 32767 : (f * 37 + c * 1000) % 20000), 2);
    return b;
}

class OpenTest : public MainFormTest {
protected:
    void SetUp() override { ASSERT_TRUE(sources.isValid()); }

    // A window whose open progress window does not wait forever: a body
    // that ends early keeps it up until Cancel, which a test may forget.
    std::unique_ptr<tw::TMainForm> make(std::vector<std::string> arguments = {"tarnwick"})
    {
        auto form = MainFormTest::make(std::move(arguments));
        auto* watchdog = new QTimer(form.get());
        watchdog->setInterval(60000);
        QObject::connect(watchdog, &QTimer::timeout, form.get(), [f = form.get()] {
            if (f->OpenForm->isVisible()) {
                ADD_FAILURE() << "the open progress window is still up";
                f->OpenForm->ButtonCancelClick();
            }
        });
        watchdog->start();
        return form;
    }

    std::string source(const std::string& name) const { return sources.filePath(QString::fromStdString(name)).toStdString(); }

    std::string makeWav(const std::string& name, std::uint32_t rate, std::uint32_t channels, std::uint32_t frames)
    {
        const std::string path = source(name);
        writeBytes(path, wav16(rate, channels, frames));
        return path;
    }

    static bool haveFfmpeg() { return std::system("ffmpeg -version >/dev/null 2>&1") == 0; }

    // A tone encoded by ffmpeg; args choose codec, channels, rate.
    std::string encode(const std::string& name, const std::string& args, double seconds)
    {
        const std::string path = source(name);
        const std::string cmd = "ffmpeg -loglevel error -y -f lavfi -i 'sine=frequency=440:duration=" +
                                std::to_string(seconds) + "' -af volume=0.8 " + args + " '" + path + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return path;
    }

    // What `ffmpeg -i path -f s16le -` gives.
    Bytes ffmpegSamples(const std::string& path)
    {
        const std::string raw = path + ".raw";
        const std::string cmd = "ffmpeg -loglevel error -y -i '" + path + "' -f s16le '" + raw + "'";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
        return readBytes(raw);
    }

    // Makes the file dialog choose path (nothing when empty) and counts its calls.
    void choose(tw::TMainForm& form, std::string path)
    {
        form.prompter().setFileHook([this, path](const tw::FileDialogRequest& request) {
            requests.push_back(request);
            return path.empty() ? std::nullopt : std::optional<tw::FileDialogChoice>({path, 1});
        });
    }

    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const auto& m : otherMessages())
            out.push_back(m.text);
        return out;
    }

    QTemporaryDir sources;
    std::vector<tw::FileDialogRequest> requests;
};

}  // namespace twtest
