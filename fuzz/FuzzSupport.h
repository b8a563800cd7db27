// What the fuzz targets share: inputs held in memory and named by a path, a
// work folder in memory, no messages and no progress, and the bounds that keep
// each run short.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "audio/bass.h"
#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "document/Overview.h"
#include "document/OpenResult.h"
#include "document/WaveReader.h"
#include "wav/File.h"

namespace tw::fuzz {

// Larger inputs teach a fuzzer nothing more.
constexpr std::size_t kMaxInput = 1 << 20;
// No run looks at more sound than this.
constexpr std::uint32_t kMaxFrames = 1000000;
constexpr std::uint64_t kMaxWorkFile = 44 + std::uint64_t{kMaxFrames} * 4;

struct Quiet final : Messenger {
    MsgResult show(const MessageRequest&) override { return MsgResult::Ok; }
};

struct NoProgress final : Progress {
    void setBar(int, int) override {}
    void pump() override {}
    bool stopRequested() const override { return false; }
};

// The input as a file in memory, under a path that names it.
class MemoryInput {
public:
    MemoryInput() : fd_(::memfd_create("fuzz-input", MFD_CLOEXEC)) {}
    ~MemoryInput() { ::close(fd_); }
    MemoryInput(const MemoryInput&) = delete;
    MemoryInput& operator=(const MemoryInput&) = delete;

    // The path of the input, now holding data.
    std::string hold(const std::uint8_t* data, std::size_t size)
    {
        if (::ftruncate(fd_, 0) != 0 || (size > 0 && ::pwrite(fd_, data, size, 0) != static_cast<ssize_t>(size)))
            std::abort();
        return "/proc/self/fd/" + std::to_string(fd_);
    }

private:
    int fd_;
};

// A folder for work files, in memory where the system has one; removed when
// the fuzzer ends.
class WorkFolder {
public:
    WorkFolder()
    {
        struct stat st {};
        const std::string base = ::stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm/" : "/tmp/";
        path_ = base + "tw-fuzz-" + std::to_string(::getpid()) + "/";
        ::mkdir(path_.c_str(), 0700);
    }
    ~WorkFolder()
    {
        ::unlink((path_ + "AudioTemp.wav").c_str());
        ::rmdir(path_.c_str());
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    std::string workFile() const { return path_ + "AudioTemp.wav"; }

private:
    std::string path_;
};

inline std::string workFile()
{
    static const WorkFolder folder;
    return folder.workFile();
}

// The audio layer on its silent device, once per process.
inline void startAudio()
{
    static const bool started = [] {
        ::setenv("TARNWICK_AUDIO", "none", 1);
        return BASS_Init(0, 44100, 0, nullptr, nullptr) != 0;
    }();
    (void)started;
}

// Reads the work file back and builds its overview, as every open ends.
inline void readBack(DocumentState& doc)
{
    Quiet messages;
    NoProgress progress;
    if (auto work = readWorkFile(doc, messages)) {
        if (doc.frameCount <= kMaxFrames)
            rebuildOverview(*work, doc, progress, {1, ColumnPercent::Fraction});
    }
}

// One run of an open path over the input as its source: open makes the work
// file (Completed when it did), which is then read back and removed.
template <class Open>
int openSource(const std::uint8_t* data, std::size_t size, Open open)
{
    if (size > kMaxInput)
        return 0;
    static MemoryInput input;
    DocumentState doc;
    doc.sourcePath = input.hold(data, size);
    doc.workPath = workFile();
    Quiet messages;
    NoProgress progress;
    OpenCut cut;
    if (open(doc, progress, messages, cut) == OpenResult::Completed)
        readBack(doc);
    removeFile(doc.workPath);
    return 0;
}

}  // namespace tw::fuzz
