// The document state the main window owns. Field names are shared by every
// module; sizes and counts are 32-bit.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/bass.h"

namespace tw {

class StepLog;

enum PlayState : std::int32_t { kNoDocument = 0, kStopped = 1, kPlaying = 2, kPaused = 3 };

constexpr std::uint32_t kStartZoom = 10000;

// A marker's frame, with the column and zoom it was set at (core/Markers.h).
struct FrameMark {
    std::uint64_t frame = 0;
    std::uint32_t column = 0;
    std::uint32_t zoom = 0;
    bool exact = false;  // set to a frame, not to a column
};

struct DocumentState {
    std::int32_t playState = kNoDocument;
    bool loaded = false;
    bool modified = false;
    bool openOnShow = false;

    std::string sourcePath;
    std::string workPath;
    std::string tempDir;  // ends in the path separator
    std::string appDir;   // ends in the path separator

    std::uint32_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t bitsPerSample = 0;
    std::uint32_t dataOffset = 0;
    std::uint32_t dataLength = 0;
    std::uint32_t dataEnd = 0;
    std::uint32_t frameSize = 0;
    std::uint32_t frameCount = 0;
    std::uint32_t durationSeconds = 0;
    std::uint32_t sourceBitrate = 0;

    std::uint32_t zoom = kStartZoom;
    std::uint32_t columnCount = 0;
    std::vector<std::int16_t> peakLeft;
    std::vector<std::int16_t> peakRight;
    std::uint32_t selStart = 0;
    std::uint32_t selFinish = 0;
    FrameMark startMark;  // the markers in frames: read them through core/Markers.h
    FrameMark finishMark;

    HSTREAM stream = 0;
    std::uint32_t streamLength = 0;

    std::array<float, 512> fftBuffer{};

    // Where the edits log their moves, so that a run that dies part way can
    // be walked back (the window's; none in the batch program).
    StepLog* stepLog = nullptr;
};

}  // namespace tw
