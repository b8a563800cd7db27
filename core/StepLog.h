// What a step under way has done to the work file, kept in the private
// folder so that a run that dies part way through a step can be walked back
// at the next start.
//
// Two files: the step's record (which step, from which saved state; replaced
// whole by a rename) and the move log, rewritten before every block that a
// move writes: how far the move has come and the bytes that block will
// overwrite of its own source. With it, a move stopped at any byte can be
// walked back, or carried on, to exactly what it would have given.
// Nothing is synced: a killed process loses none of its writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "wav/File.h"

namespace tw {

class StepLog {
public:
    // dir: the private folder, ending in the path separator.
    explicit StepLog(std::string dir);

    // The step's record: replaces the last one whole.
    bool writeRecord(const std::string& text);
    // The step ended with the file as it was: nothing to walk back.
    void clearRecord();
    struct Record {
        std::uint64_t number = 0;
        std::string text;
    };
    std::optional<Record> readRecord() const;

    // One move: count bytes from src to dst, in blocks, a block's first byte
    // `done` bytes into the move (in the move's own order). phase tells the
    // moves of one record apart.
    struct Move {
        std::uint64_t record = 0;
        std::uint32_t phase = 0;
        std::uint64_t src = 0, dst = 0, count = 0;
        std::uint64_t done = 0;       // bytes in place before the block under way
        std::uint64_t overlapAt = 0;  // file offset of the saved source bytes
        std::vector<std::uint8_t> overlap;
    };
    // Before a block is written: false when the log could not be written (the
    // block must then not be written either).
    bool beforeBlock(const Move& move);
    std::optional<Move> readMove() const;
    void clearMove();

    // The record's number, which the move log carries.
    std::uint64_t recordNumber() const { return number_; }

    static constexpr const char* kRecordName = "step.tw";
    static constexpr const char* kMoveName = "move.tw";

private:
    std::string dir_;
    File move_;
    std::uint64_t number_ = 0;
    std::uint32_t slot_ = 0;
};

// Puts the saved source bytes of the block under way back, so that the
// block's source is whole again. False when they could not be written.
bool repairMove(File& work, const StepLog::Move& move);

}  // namespace tw
