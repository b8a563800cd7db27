// A recording: the input's frames written straight into a new work file by a
// writer thread, its header sizes patched every few seconds and at the end so
// that what was recorded survives a crash; then the work file becomes the
// document as an opened one does.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "audio/InputCapture.h"
#include "core/DocumentState.h"
#include "core/Messages.h"
#include "core/Progress.h"
#include "document/WaveHeader.h"

namespace tw {

struct RecordFormat {
    std::string device;  // empty: the default input
    std::uint32_t rate = 44100;
    std::uint32_t channels = 2;
};

// Why the writer ended.
enum class RecordEnd { Running, Stopped, Target, Limit, DiskFull };

struct RecordStatus {
    std::uint64_t frames = 0;      // in the work file
    std::uint64_t framesLeft = 0;  // before the work file's limit or a full disk
    std::uint64_t overruns = 0;
    std::uint64_t lostFrames = 0;
    RecordEnd end = RecordEnd::Running;
};

struct RecordOptions {
    std::uint64_t limit = kMaxWorkFileBytes;  // the work file's size limit
    std::optional<std::uint64_t> frameTarget;  // ends by itself after this many frames
    std::chrono::milliseconds patchEvery{2000};
    // Free bytes in a folder; empty: the file system's answer.
    std::function<std::optional<std::uint64_t>(const std::string& dir)> freeSpace;
};

// The room kept free on the disk: recording stops before it is used.
constexpr std::uint64_t kRecordDiskReserve = 16u << 20;

// The recording's messages: no input, an input that does not open at the
// format, the limit, a full disk, a work file that cannot be made.
extern const char* const kMsgNoInputDevice;
extern const char* const kMsgInputNotOpened;
extern const char* const kMsgRecordLimit;
extern const char* const kMsgRecordDiskFull;
extern const char* const kMsgRecordNotWritten;

class Recording {
public:
    // The input at the format, running for the meter; null after a message
    // when there is no input or it cannot be opened so.
    static std::unique_ptr<Recording> open(const RecordFormat& format, Messenger& messages);
    explicit Recording(std::unique_ptr<audio::InputCapture> input);
    ~Recording();
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    audio::InputCapture& input() { return *input_; }
    std::uint32_t frameSize() const { return std::uint32_t(input_->channels()) * 2; }

    // Creates the work file and starts taking frames; false when the file
    // cannot be made (nothing is left behind).
    bool start(const std::string& workPath, RecordOptions options);
    bool started() const { return writer_.joinable() || ended_; }
    // Pause and resume taking frames (the meter goes on).
    void pause()
    {
        paused_ = true;
        input_->setTaking(false);
    }
    void resume();
    bool paused() const { return paused_; }

    RecordStatus status() const;
    // Stops taking, writes what is left and patches the header; the file is
    // complete afterwards. Safe to call twice.
    RecordStatus stop();
    // Stops and removes the work file.
    void discard();

private:
    void write();
    std::uint64_t roomLeft() const;

    std::unique_ptr<audio::InputCapture> input_;
    std::string path_;
    std::string dir_;
    RecordOptions options_;
    std::thread writer_;
    std::atomic<bool> stopping_{false};
    std::atomic<bool> paused_{false};
    std::atomic<std::uint64_t> frames_{0};
    std::atomic<std::uint64_t> left_{0};
    std::atomic<RecordEnd> end_{RecordEnd::Running};
    bool ended_ = false;
};

// After a stopped recording in doc.tempDir's work file: read back with its
// overview at the start zoom, as an open ends (bar 1); the document has no
// source name. False after a message.
bool readRecording(DocumentState& doc, Progress& progress, Messenger& messages);

// "Recording YYYY-MM-DD HH-MM-SS.wav" for the local time now.
std::string recordingFileName();

}  // namespace tw
