// The undo journal: for every edit since the document was opened, the bytes
// its pass overwrote or removed, kept in a file of its own in the private
// temporary folder, with the document's state before it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/StepLog.h"
#include "edit/EditBody.h"

namespace tw {

class UndoJournal {
public:
    // Free bytes on the file system that holds a folder; nothing when unknown.
    using FreeSpace = std::function<std::optional<std::uint64_t>(const std::string& dir)>;

    // freeSpace defaults to asking the file system.
    explicit UndoJournal(FreeSpace freeSpace = {});
    ~UndoJournal();  // removes its files
    UndoJournal(const UndoJournal&) = delete;
    UndoJournal& operator=(const UndoJournal&) = delete;

    // Empty, for a document just opened (which is its saved state); the
    // entries go to dir, which ends in the path separator.
    void reset(const std::string& dir);
    // Drops every step: the document no longer matches any saved state.
    void clear();

    bool canUndo() const { return position_ > 0; }
    bool canRedo() const { return position_ < steps_.size(); }
    // The document as it is now has been saved.
    void markSaved() { saved_ = position_; }
    bool atSaved() const { return saved_ == position_; }

    enum class Kept { Yes, NoRoom, Failed };
    // Keeps what pass is about to change of work over range as the step under
    // way (work is not open for a pass that changes no byte). NoRoom and
    // Failed leave the journal as it was; the steps that could have been
    // redone go only when the room is needed or the step has finished.
    Kept keep(const File& work, const DocumentState& doc, const EditPass& pass, const EditRange& range,
              Progress& progress);
    // The step that Redo runs, made the step under way, with doc's markers
    // and zoom set as they were before it; nothing, with nothing changed,
    // when its record cannot be written or the step cannot be made again.
    std::optional<EditPass> stepToRedo(DocumentState& doc);
    // The step under way ran to its end: a kept one becomes the last step,
    // a redone one is applied.
    void finished();
    // The step under way failed after its pass had moved `shifted` bytes of
    // its move: its bytes and doc's state go back as they were before it
    // (not the overview), and the journal as it was before keep() or
    // stepToRedo(). False when that failed too: the journal is then empty.
    bool rollBack(File& work, DocumentState& doc, std::uint64_t shifted, Progress& progress,
                  std::uint64_t resumeFrom = 0);
    // The step under way did not start: the journal as it was.
    void cancel();

    // Puts the last step's bytes back into work and the document's state as
    // it was before that step (not the overview); bar 0 shows the bytes put
    // back. False when the work file could not be written: when no byte had
    // moved yet nothing changed, else the journal is then empty.
    bool undo(File& work, DocumentState& doc, Progress& progress);

    // Keeping the steps in the private folder, so that a run that dies can
    // be taken up again. With a step log, every step writes its record there
    // (and its moves their blocks) before it changes the work file.
    void setStepLog(StepLog* log) { log_ = log; }
    // Called before a step changes anything: the window writes the state
    // that the step starts from.
    void setBeforeStep(std::function<void()> fn) { beforeStep_ = std::move(fn); }
    // Counts the steps that completed (edits, Undo, Redo) since the program
    // started; a step's record names the count it started from.
    std::uint64_t generation() const { return generation_; }
    // The steps, the position and the saved position as one text.
    std::string index() const;
    // The steps of index, their entries (named as in folder `from`) linked or
    // moved into this journal's folder by adopt, which returns the new name
    // or an empty one. Steps from the first that cannot be taken on are
    // dropped with those after them. False when the index is damaged.
    using Adopt = std::function<std::string(const std::string& path)>;
    bool loadIndex(const std::string& text, const std::string& from, const Adopt& adopt, std::uint64_t generation);
    // Walks back the step that record (read from the step log of the folder
    // the index came from) says was under way, or finishes an Undo and runs
    // the step again, so that work and doc are as after the last completed
    // step. move: the log's last block, if it belongs to the record. False
    // when the step cannot be walked back.
    bool recover(File& work, DocumentState& doc, const std::string& record, const std::optional<StepLog::Move>& move,
                 std::uint64_t recordNumber, const std::string& from, const Adopt& adopt, Progress& progress,
                 Messenger& messages);
    // A step has begun and not yet ended (the state would be a step's middle).
    bool stepUnderWay() const { return pending_.has_value() || redoing_ || undoing_; }
    StepLog* stepLog() const { return log_; }
    const std::function<void()>& beforeStep() const { return beforeStep_; }
    // Removes the entries of the steps dropped since the last step began.
    void purge();

private:
    struct Region {
        std::uint64_t at = 0;
        std::uint64_t length = 0;
    };
    // The part of the file a pass moved down: count bytes from `from` to `to`.
    struct Shift {
        std::uint64_t from = 0;
        std::uint64_t to = 0;
        std::uint64_t count = 0;
    };
    struct Step {
        EditPass pass;
        std::string path;
        std::vector<Region> regions;  // one after the other in the entry file
        Shift shift;
        std::uint64_t fileSize = 0;
        std::array<std::uint32_t, 7> state{};  // the document's fields before, as listed in the source
        FrameMark startMark, finishMark;       // the markers' frames before
    };

    void dropFrom(std::size_t index);
    void dropPending();
    void begin();
    bool undoStep(File& work, DocumentState& doc, Progress& progress, std::uint64_t resumeFrom);
    static std::string describe(const Step& step);
    static std::optional<Step> parse(const std::string& line, const std::string& from, const Adopt& adopt);
    // The step's bytes back into work, its move walked back by `shifted`
    // bytes; false when the entry or work failed, true with nothing done
    // beyond `changed` set when nothing had moved.
    bool restore(const Step& step, File& work, std::uint64_t shifted, Progress& progress, bool& changed,
                 std::uint64_t resumeFrom = 0) const;
    static void restoreState(const Step& step, DocumentState& doc);
    static void plan(Step& step, const DocumentState& doc, const EditRange& range, std::uint64_t fileSize);

    FreeSpace freeSpace_;
    std::string dir_;
    std::vector<Step> steps_;
    std::optional<Step> pending_;  // kept, not yet finished
    bool redoing_ = false;         // steps_[position_] is under way
    bool undoing_ = false;         // steps_[position_ - 1] is being undone
    std::size_t position_ = 0;  // steps applied
    static constexpr std::size_t kNever = static_cast<std::size_t>(-1);
    std::size_t saved_ = 0;     // steps applied at the last save, or kNever
    std::uint64_t serial_ = 0;  // names the entry files
    StepLog* log_ = nullptr;
    std::function<void()> beforeStep_;
    std::uint64_t generation_ = 0;
    std::vector<Step> dropped_;  // removed once the next step begins
};

}  // namespace tw
