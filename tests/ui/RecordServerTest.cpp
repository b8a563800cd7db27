// Recording through a real sound server: a private PulseAudio daemon whose
// null sink's monitor is the default input, paplay playing a pattern in which
// every frame names itself into the sink, and every core busy. The batch
// program records over a minute of it, the Record window a few seconds; in
// both every frame from the first to the last must follow the one before,
// none missing or repeated. Skipped, saying why, where no server starts.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTimer>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

#include "audio/InputCapture.h"
#include "tests/audio/SoundServer.h"
#include "tests/ui/MainFormFixture.h"
#include "ui/TRecordForm.h"

namespace {

using namespace std::chrono_literals;

constexpr int kRate = 48000;
constexpr int kBatchSeconds = 61;
constexpr int kWindowSeconds = 6;
constexpr int kPlaySeconds = kBatchSeconds + kWindowSeconds + 20;
constexpr int kTolerance = 2;

// Frame n: the low 16 bits of n on the left, a hash of all of n on the right.
std::int16_t leftOf(std::uint32_t n) { return std::int16_t(n & 0xFFFF); }
std::int16_t rightOf(std::uint32_t n) { return std::int16_t((n * 2654435761u) >> 16); }

bool near(int a, int b) { return std::abs(std::int16_t(a - b)) <= kTolerance; }

void writePattern(const std::string& path, std::uint32_t frames)
{
    std::vector<std::uint8_t> b(44 + std::size_t(frames) * 4);
    const auto put32 = [&b](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + std::size_t(i)] = std::uint8_t(v >> (8 * i));
    };
    std::memcpy(&b[0], "RIFF", 4);
    put32(4, std::uint32_t(b.size() - 8));
    std::memcpy(&b[8], "WAVEfmt ", 8);
    put32(16, 16);
    put32(20, 1 | 2 << 16);
    put32(24, kRate);
    put32(28, kRate * 4);
    put32(32, 4 | 16 << 16);
    std::memcpy(&b[36], "data", 4);
    put32(40, frames * 4);
    for (std::uint32_t n = 0; n < frames; ++n) {
        const auto l = std::uint16_t(leftOf(n)), r = std::uint16_t(rightOf(n));
        b[44 + n * 4] = std::uint8_t(l);
        b[45 + n * 4] = std::uint8_t(l >> 8);
        b[46 + n * 4] = std::uint8_t(r);
        b[47 + n * 4] = std::uint8_t(r >> 8);
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

// Which pattern frame a recorded frame is; -1 for none.
long frameNumber(int left, int right, std::uint32_t frames)
{
    for (std::uint32_t high = 0; high <= frames >> 16; ++high)
        for (int d = -kTolerance; d <= kTolerance; ++d) {
            const std::uint32_t n = high << 16 | std::uint16_t(left + d);
            if (n < frames && near(right, rightOf(n)) && near(left, leftOf(n)))
                return long(n);
        }
    return -1;
}

struct Check {
    std::uint64_t frames = 0;  // recorded
    long first = -1;           // the pattern frame recorded first
    std::string faults;        // jumps: frames missing or repeated, or foreign ones
};

// The 16-bit stereo samples of a WAV file with a 44-byte header, walked along
// the pattern.
Check check(const std::string& wav, std::uint32_t patternFrames)
{
    std::ifstream in(wav, std::ios::binary);
    std::vector<std::uint8_t> b{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Check c;
    // The samples from the data chunk on, as if behind a 44-byte header.
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::size_t size = b[at + 4] | b[at + 5] << 8 | b[at + 6] << 16 | std::size_t(b[at + 7]) << 24;
        if (std::memcmp(&b[at], "data", 4) == 0) {
            b.erase(b.begin(), b.begin() + std::ptrdiff_t(at + 8 - 44));
            b.resize(std::min(b.size(), 44 + size));
            break;
        }
        at += 8 + size + (size & 1);
    }
    if (b.size() < 48)
        return c;
    c.frames = (b.size() - 44) / 4;
    long expected = -1;
    int faults = 0;
    for (std::uint64_t j = 0; j < c.frames && faults < 10; ++j) {
        const int l = std::int16_t(b[44 + j * 4] | b[45 + j * 4] << 8);
        const int r = std::int16_t(b[46 + j * 4] | b[47 + j * 4] << 8);
        if (expected >= 0 && near(l, leftOf(std::uint32_t(expected))) && near(r, rightOf(std::uint32_t(expected)))) {
            ++expected;
            continue;
        }
        const long n = frameNumber(l, r, patternFrames);
        if (expected < 0 && n >= 0) {
            c.first = n;
        } else {
            ++faults;
            c.faults += " at recorded frame " + std::to_string(j) + " came " +
                        (n < 0 ? "(" + std::to_string(l) + ", " + std::to_string(r) + ")" : "frame " + std::to_string(n)) +
                        " for frame " + std::to_string(expected) + ";";
        }
        expected = n < 0 ? -1 : n + 1;
    }
    return c;
}

class SoundServer : public twtest::MainFormTest {};

TEST_F(SoundServer, RecordingKeepsEveryFrameOnBusyCores)
{
    namespace t = tw::test;
    for (const char* tool : {"pulseaudio", "paplay", "pactl"})
        if (!t::onPath(tool))
            GTEST_SKIP() << "no sound server: " << tool
                         << " is not installed (scripts/setup installs pulseaudio and pulseaudio-utils)";
    const std::string dir = scratch.path().toStdString();
    t::SoundServer server(dir, kRate);
    if (!server.ready())
        GTEST_SKIP() << "the sound server did not start: " << server.lastLogLine();
    const t::ScopedVariable pulse("PULSE_SERVER", server.address());
    const t::ScopedVariable sound("TARNWICK_AUDIO", "portaudio");
    if (tw::audio::inputDeviceNames().empty())
        GTEST_SKIP() << "PortAudio finds no input on the sound server (ALSA's pulse plugin is in libasound2-plugins)";
    std::vector<std::string> env;
    for (const std::string& e : server.environment())
        if (e.rfind("TARNWICK_AUDIO=", 0) != 0)
            env.push_back(e);
    env.push_back("PULSE_SERVER=" + server.address());

    const std::uint32_t patternFrames = kRate * kPlaySeconds;
    writePattern(dir + "/pattern.wav", patternFrames);
    t::Child player({"paplay", "--server=" + server.address(), "--device=tarnwick", dir + "/pattern.wav"}, env,
                    dir + "/paplay.log");
    std::this_thread::sleep_for(1s);
    ASSERT_TRUE(player.running()) << "paplay ended at once";
    const t::BusyCores busy;

    // The batch program, over a minute.
    t::Child batch({TARNWICK_BATCH, "--record", std::to_string(kBatchSeconds), "--rate", std::to_string(kRate),
                    "--channels", "2", "--quiet", "--save", dir + "/batch.wav"},
                   env, dir + "/batch.log");
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(kBatchSeconds + 30);
    while (batch.running() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(100ms);
    const std::string log = [&] {
        std::ifstream in(dir + "/batch.log");
        return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }();
    EXPECT_EQ(batch.exitCode(), 0) << log;
    EXPECT_NE(log.find("Overruns: 0 (frames lost: 0)"), std::string::npos) << log;
    std::printf("[ record   ] batch: %s; at most %ld kB resident\n", log.substr(0, log.find('\n')).c_str(),
                batch.maxResidentKb());
    EXPECT_LT(batch.maxResidentKb(), 100 * 1024);
    const Check recorded = check(dir + "/batch.wav", patternFrames);
    EXPECT_EQ(recorded.frames, std::uint64_t(kBatchSeconds) * kRate);
    EXPECT_GE(recorded.first, 0) << "the recording does not hold the pattern";
    EXPECT_EQ(recorded.faults, "");

    // The Record window, a few seconds: the recording becomes the document.
    auto form = make();
    form->show();
    tw::TRecordForm* shown = nullptr;
    form->onRecordShown = [&shown](tw::TRecordForm& f) {
        shown = &f;
        f.ComboRate->setCurrentIndex(f.ComboRate->findData(kRate));
        emit f.ComboRate->activated(f.ComboRate->currentIndex());  // as a choice in the list
        QTimer::singleShot(0, &f, [&f] { f.ButtonRecord->click(); });
        QTimer::singleShot(kWindowSeconds * 1000, &f, [&f] { f.ButtonStop->click(); });
    };
    form->MRecordClick();
    ASSERT_NE(shown, nullptr) << "the Record window did not open";
    EXPECT_EQ(otherMessages().size(), 0u) << otherMessages().front().text;
    EXPECT_TRUE(form->loaded);
    EXPECT_TRUE(form->modified);
    EXPECT_TRUE(form->sourcePath.empty());
    EXPECT_EQ(form->sampleRate, std::uint32_t(kRate));
    const Check window = check(form->workPath, patternFrames);
    EXPECT_GE(window.frames, std::uint64_t(kWindowSeconds - 1) * kRate);
    EXPECT_EQ(window.frames, form->frameCount);
    EXPECT_GT(window.first, recorded.first) << "the recording does not hold the pattern";
    EXPECT_EQ(window.faults, "");

    // Untitled; Save asks for a name, proposing one in the music folder.
    EXPECT_EQ(form->StatusPanels[2]->text().toStdString(), "Untitled");
    std::string proposed;
    form->prompter().setFileHook([&proposed](const tw::FileDialogRequest& request) {
        proposed = request.fileName;
        return std::optional<tw::FileDialogChoice>();
    });
    form->MSave->trigger();
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(music.isEmpty() ? QDir::homePath() : music) +
                                   R"(/Recording \d{4}-\d\d-\d\d \d\d-\d\d-\d\d\.wav$)")
                    .match(QString::fromStdString(proposed))
                    .hasMatch())
        << proposed;
    EXPECT_TRUE(form->modified);

    // Again, after the close question (No: not saved), paused and cancelled:
    // the first question answered No goes on, Yes throws the recording away.
    std::vector<tw::MessageRequest> asked;
    std::vector<tw::MsgResult> answers{tw::MsgResult::No, tw::MsgResult::No, tw::MsgResult::Yes};
    form->prompter().setMessageHook([&](const tw::MessageRequest& r) {
        asked.push_back(r);
        return asked.size() <= answers.size() ? answers[asked.size() - 1] : tw::MsgResult::Cancel;
    });
    bool stayed = false;
    form->onRecordShown = [&stayed](tw::TRecordForm& f) {
        QTimer::singleShot(0, &f, [&f] { f.ButtonRecord->click(); });
        QTimer::singleShot(1500, &f, [&f] { f.ButtonPause->click(); });
        QTimer::singleShot(2000, &f, [&f, &stayed] {
            f.ButtonCancel->click();
            stayed = f.isVisible() && !f.ButtonPause->isEnabled() && f.ButtonRecord->isEnabled();
            f.ButtonCancel->click();
        });
    };
    const std::string work = form->workPath;
    form->MRecordClick();
    EXPECT_TRUE(stayed);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[1].text, tw::TRecordForm::kDiscardPrompt);
    EXPECT_FALSE(form->loaded);
    EXPECT_FALSE(std::filesystem::exists(work));
}

}  // namespace
