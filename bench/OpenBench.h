// Shared pieces of the open benchmarks: the test sound, timing, quiet
// progress and messages.
#pragma once

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <unistd.h>

#include "audio/bass.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "document/OpenBody.h"
#include "document/WaveHeader.h"
#include "wav/File.h"

namespace tw::bench {

class QuietProgress : public ThrottledProgress {
public:
    bool stopRequested() const override { return false; }

protected:
    void showBar(int, int) override {}
    void pumpNow() override {}
};

class PrintingMessenger : public Messenger {
public:
    MsgResult show(const MessageRequest& request) override
    {
        std::fprintf(stderr, "message: %s\n", request.text.c_str());
        return MsgResult::Ok;
    }
};

inline double secondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline bool run(const std::string& command)
{
    if (std::system(command.c_str()) == 0)
        return true;
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    return false;
}

inline bool exists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// 60 minutes of 44.1 kHz 16-bit stereo: two drifting tones with some noise.
inline bool makeHourWave(const std::string& path)
{
    if (exists(path))
        return true;
    constexpr std::uint32_t kRate = 44100;
    constexpr std::uint64_t kFrames = std::uint64_t{kRate} * 3600;
    File f = File::create(path + ".part");
    if (!f || !writeWaveHeader(f, kRate, 2, 16)) {
        std::fprintf(stderr, "cannot write %s.part\n", path.c_str());
        return false;
    }
    std::vector<std::int16_t> block(2 * 65536);
    std::uint32_t noise = 12345;
    double phaseL = 0, phaseR = 0;
    for (std::uint64_t done = 0; done < kFrames;) {
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(65536, kFrames - done));
        for (std::size_t i = 0; i < n; ++i) {
            noise = noise * 1664525u + 1013904223u;
            const double t = static_cast<double>(done + i) / kRate;
            phaseL += 2 * M_PI * (220 + 30 * std::sin(t / 7)) / kRate;
            phaseR += 2 * M_PI * (330 + 40 * std::sin(t / 11)) / kRate;
            const double hiss = static_cast<int>(noise >> 20) - 2048;
            block[2 * i] = static_cast<std::int16_t>(12000 * std::sin(phaseL) + hiss);
            block[2 * i + 1] = static_cast<std::int16_t>(9000 * std::sin(phaseR) + hiss);
        }
        if (!f.write(block.data(), n * 4))
            return false;
        done += n;
    }
    if (!patchWaveSizes(f) || !f.close())
        return false;
    return std::rename((path + ".part").c_str(), path.c_str()) == 0;
}

inline void printRatio(const char* name, double ours, double peer, const char* note = "")
{
    std::printf("%s %.3f %.3f %.2f%s\n", name, ours, peer, ours / peer, note);
    std::fflush(stdout);
}

// Three rounds, ours and the peer's interleaved, each timing only its own
// work (what it returns); prints the best of each. A figure whose rounds lie
// more than 2x apart says so on its line: the machine was not quiet.
inline void compareBest(const char* name, const std::function<double()>& ours, const std::function<double()>& peer)
{
    std::vector<double> o, p;
    for (int round = 0; round < 3; ++round) {
        ::sync();  // earlier writes must not be paid on either side's clock
        o.push_back(ours());
        ::sync();
        p.push_back(peer());
    }
    const auto [oLow, oHigh] = std::minmax_element(o.begin(), o.end());
    const auto [pLow, pHigh] = std::minmax_element(p.begin(), p.end());
    const bool spread = *oHigh > 2 * *oLow || *pHigh > 2 * *pLow;
    printRatio(name, *oLow, *pLow, spread ? " (rounds more than 2x apart)" : "");
}

// Opens source (decode plus overview) against ffmpeg decoding it to a WAV
// file (or against peerCommand, which writes name_peer.wav in dir), and
// prints the figures. A decoded source needs the audio layer started. False
// when the open did not complete.
inline bool compareOpen(const char* name, const std::string& source, const std::string& dir,
                        const std::string& peerCommand = {})
{
    const std::string oursDir = dir + name + "_ours/";
    const std::string peerOut = dir + name + "_peer.wav";
    if (!run("mkdir -p '" + oursDir + "'"))
        return false;
    bool completed = true;
    compareBest(
        name,
        [&] {
            removeFile(oursDir + kWorkFileName);
            ::sync();
            DocumentState doc;
            doc.tempDir = oursDir;
            doc.sourcePath = source;
            QuietProgress progress;
            PrintingMessenger messages;
            OpenCut cut;
            OpenResult result = OpenResult::Failed;
            const double t = secondsOf([&] { result = runOpenBody(doc, progress, messages, cut); });
            completed = completed && result == OpenResult::Completed;
            return t;
        },
        [&] {
            removeFile(peerOut);
            ::sync();
            const double t = secondsOf([&] {
                run(!peerCommand.empty() ? peerCommand
                                         : "ffmpeg -loglevel error -y -i '" + source + "' '" + peerOut + "'");
            });
            removeFile(peerOut);
            return t;
        });
    removeFile(oursDir + kWorkFileName);
    if (!completed)
        std::fprintf(stderr, "%s: the open did not complete\n", name);
    return completed;
}

// main() of a decoded-open benchmark: the scratch folder from the command
// line, the audio layer on its silent device, the source that make() writes
// there (empty on failure), then compareOpen.
inline int decodedOpenMain(int argc, char** argv, const char* name,
                           const std::function<std::string(const std::string& dir)>& make)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s scratch-dir\n", argv[0]);
        return 2;
    }
    ::setenv("TARNWICK_AUDIO", "none", 0);
    if (!BASS_Init(-1, 44100, 0, nullptr, nullptr)) {
        std::fprintf(stderr, "%s: skipped, the audio layer does not start\n", name);
        return 0;
    }
    const std::string dir = std::string(argv[1]) + "/";
    const std::string source = make(dir);
    const bool ok = !source.empty() && compareOpen(name, source, dir);
    BASS_Free();
    return ok ? 0 : 1;
}

// The scratch folder named on the command line (ending in '/') with the
// hour sound made in it; empty after a usage message or a failure.
inline std::string scratchWithHour(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s scratch-dir\n", argv[0]);
        return {};
    }
    const std::string dir = std::string(argv[1]) + "/";
    return makeHourWave(dir + "hour.wav") ? dir : std::string();
}

// The hour sound opened as a document, its work file in dir + prefix.
inline bool openHour(const std::string& dir, const std::string& prefix, DocumentState& doc)
{
    doc.tempDir = dir + prefix;
    doc.sourcePath = dir + "hour.wav";
    QuietProgress progress;
    PrintingMessenger messages;
    OpenCut cut;
    return runOpenBody(doc, progress, messages, cut) == OpenResult::Completed;
}

// The opened hour sound as it was, at zoom with columns 0 to selFinish
// selected, its work file copied afresh from the source and on disk.
inline DocumentState freshHour(const DocumentState& opened, std::uint32_t zoom, std::uint32_t selFinish)
{
    run("cp '" + opened.sourcePath + "' '" + opened.workPath + "'");
    DocumentState doc = opened;
    doc.zoom = zoom;
    doc.columnCount = (doc.frameCount + zoom - 1) / zoom;
    doc.selStart = 0;
    doc.selFinish = selFinish;
    ::sync();
    return doc;
}

}  // namespace tw::bench
