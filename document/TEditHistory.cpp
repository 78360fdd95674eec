#include "document/TEditHistory.h"

TEditHistory::TEditHistory(std::size_t KeptBytesLimit) : FLimit(KeptBytesLimit) {}

void TEditHistory::Push(std::unique_ptr<TEditStep> Step) {
    if (!Step)
        return;
    // The undone steps can no longer be done again.
    while (FSteps.size() > FPosition) {
        FKeptBytes -= FCounted.back();
        FSteps.pop_back();
        FCounted.pop_back();
    }
    for (std::size_t& saved : FSavedPositions)
        if (saved != kNoSave && saved > FPosition)
            saved = kNoSave;
    if (FPosition > 0 && !SavedAt(FPosition) &&
        (FMergeOpen || FSteps[FPosition - 1]->AwaitsFollowUp())) {
        if (FSteps[FPosition - 1]->Absorb(*Step)) {
            Recount(FPosition - 1);
            Trim();
            return;
        }
    }
    FCounted.push_back(Step->KeptBytes());
    FKeptBytes += FCounted.back();
    FSteps.push_back(std::move(Step));
    FPosition = FSteps.size();
    FMergeOpen = true;
    Trim();
}

void TEditHistory::Recount(std::size_t Index) {
    const std::size_t now = FSteps[Index]->KeptBytes();
    FKeptBytes = FKeptBytes - FCounted[Index] + now;
    FCounted[Index] = now;
}

void TEditHistory::Trim() {
    std::size_t dropped = 0;
    while (FKeptBytes > FLimit && FSteps.size() - dropped > 1 && dropped < FPosition) {
        FKeptBytes -= FCounted[dropped];
        ++dropped;
    }
    if (dropped == 0)
        return;
    FSteps.erase(FSteps.begin(), FSteps.begin() + long(dropped));
    FCounted.erase(FCounted.begin(), FCounted.begin() + long(dropped));
    FPosition -= dropped;
    for (std::size_t& saved : FSavedPositions)
        if (saved != kNoSave)
            saved = saved >= dropped ? saved - dropped : kNoSave;
}

std::string TEditHistory::UndoName() const {
    return CanUndo() ? FSteps[FPosition - 1]->Name() : std::string();
}

std::string TEditHistory::RedoName() const {
    return CanRedo() ? FSteps[FPosition]->Name() : std::string();
}

TEditStep* TEditHistory::Undo() {
    FMergeOpen = false;
    if (!CanUndo())
        return nullptr;
    TEditStep* step = FSteps[FPosition - 1].get();
    step->Undo();
    --FPosition;
    Recount(FPosition);
    return step;
}

TEditStep* TEditHistory::Redo() {
    FMergeOpen = false;
    if (!CanRedo())
        return nullptr;
    TEditStep* step = FSteps[FPosition].get();
    step->Redo();
    ++FPosition;
    Recount(FPosition - 1);
    return step;
}

void TEditHistory::Clear() {
    FSteps.clear();
    FCounted.clear();
    FPosition = 0;
    FKeptBytes = 0;
    FMergeOpen = false;
    for (std::size_t& saved : FSavedPositions)
        saved = 0;
}

void TEditHistory::MarkSaved(TSaveMark Mark) {
    FSavedPositions[std::size_t(Mark)] = FPosition;
    FMergeOpen = false;
}

bool TEditHistory::IsSaved(TSaveMark Mark) const {
    return FSavedPositions[std::size_t(Mark)] == FPosition;
}

void TEditHistory::MarkUnsaved(TSaveMark Mark) {
    FSavedPositions[std::size_t(Mark)] = kNoSave;
}

bool TEditHistory::SavedAt(std::size_t Position) const {
    for (std::size_t saved : FSavedPositions)
        if (saved == Position)
            return true;
    return false;
}
