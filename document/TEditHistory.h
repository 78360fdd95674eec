// The undo history of a document: a stack of the steps the user took, each of
// which can be taken back and done again. Steps keep what they need to (two
// rectangles for a move, the removed pictures for a delete), and the history
// keeps at most a budget of such pictures, dropping its oldest steps first.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// The states a history can remember as saved, each on its own: the picture
// written out as a picture file, and the project file.
enum class TSaveMark { Picture, Project };

class TEditStep {
public:
    virtual ~TEditStep() = default;
    // What the menu names: "Move" in "Undo Move".
    virtual std::string Name() const = 0;
    virtual void Undo() = 0;
    virtual void Redo() = 0;
    // The bytes of pictures the step keeps.
    virtual std::size_t KeptBytes() const { return 0; }
    // Takes Next into this step (the same kind of change, continued: another
    // arrow press on the same layer, a slider still held); true when it did.
    virtual bool Absorb(const TEditStep& /*Next*/) { return false; }
    // True while the step waits for the step that completes it (a list change
    // for its rebuild), which it absorbs even after an undo or redo.
    virtual bool AwaitsFollowUp() const { return false; }
};

class TEditHistory {
public:
    // KeptBytesLimit bounds the pictures that all steps keep together.
    explicit TEditHistory(std::size_t KeptBytesLimit = std::size_t(256) << 20);

    // A step that has just been done. The steps that were undone are dropped;
    // while MergeOpen, the step may be absorbed by the one on top.
    void Push(std::unique_ptr<TEditStep> Step);
    // Ends a run of absorbed steps: the next step stands on its own.
    void CloseMerge() { FMergeOpen = false; }

    bool CanUndo() const { return FPosition > 0; }
    bool CanRedo() const { return FPosition < FSteps.size(); }
    // The names of the steps Undo and Redo would take; empty when none.
    std::string UndoName() const;
    std::string RedoName() const;
    // Takes back or does again one step; returns it (null when there was none).
    TEditStep* Undo();
    TEditStep* Redo();

    // Forgets every step.
    void Clear();
    // The state now is the one saved last; IsSaved tells whether the history
    // stands there again (after undoing or redoing back to it).
    void MarkSaved(TSaveMark Mark = TSaveMark::Picture);
    bool IsSaved(TSaveMark Mark = TSaveMark::Picture) const;
    // What was saved is none of the states of the history (a file that was
    // changed on its way in): nothing counts as saved until the next save.
    void MarkUnsaved(TSaveMark Mark);

    std::size_t Count() const { return FSteps.size(); }
    // A new bound for the kept pictures; the oldest steps go at once if needed.
    void SetKeptBytesLimit(std::size_t Bytes) {
        FLimit = Bytes;
        Trim();
    }
    std::size_t KeptBytes() const { return FKeptBytes; }

private:
    // Drops the oldest steps until the kept pictures fit the limit (the newest
    // step always stays).
    void Trim();

    // Bytes of pictures a step keeps changes as it is undone and done again
    // (a delete keeps its layer only while done): what was last counted.
    void Recount(std::size_t Index);

    std::vector<std::unique_ptr<TEditStep>> FSteps;
    std::vector<std::size_t> FCounted;
    std::size_t FPosition = 0; // steps below it are done, from it on undone
    std::size_t FKeptBytes = 0;
    std::size_t FLimit;
    bool FMergeOpen = false;
    // True when a save marks the state at Position: a step that follows it
    // stands on its own.
    bool SavedAt(std::size_t Position) const;

    // The position of the last save of each mark; none once the saved state
    // was dropped from the history or cut off by a new step.
    static constexpr std::size_t kNoSave = std::size_t(-1);
    static constexpr std::size_t kMarks = 2;
    std::size_t FSavedPositions[kMarks] = {0, 0};
};
