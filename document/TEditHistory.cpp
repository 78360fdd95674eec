#include "document/TEditHistory.h"

TEditHistory::TEditHistory(std::size_t KeptBytesLimit) : FLimit(KeptBytesLimit) {}

void TEditHistory::Push(std::unique_ptr<TEditStep> Step) {
    if (!Step)
        return;
    // The undone steps can no longer be done again.
    while (FSteps.size() > FPosition) {
        FKeptBytes -= FSteps.back()->KeptBytes();
        FSteps.pop_back();
    }
    if (FSavedPosition != kNoSave && FSavedPosition > FPosition)
        FSavedPosition = kNoSave;
    if (FMergeOpen && FPosition > 0 && FSavedPosition != FPosition) {
        TEditStep& top = *FSteps[FPosition - 1];
        const std::size_t before = top.KeptBytes();
        if (top.Absorb(*Step)) {
            FKeptBytes = FKeptBytes - before + top.KeptBytes();
            return;
        }
    }
    FKeptBytes += Step->KeptBytes();
    FSteps.push_back(std::move(Step));
    FPosition = FSteps.size();
    FMergeOpen = true;
    Trim();
}

void TEditHistory::Trim() {
    std::size_t dropped = 0;
    while (FKeptBytes > FLimit && FSteps.size() - dropped > 1) {
        FKeptBytes -= FSteps[dropped]->KeptBytes();
        ++dropped;
    }
    if (dropped == 0)
        return;
    FSteps.erase(FSteps.begin(), FSteps.begin() + long(dropped));
    FPosition -= dropped;
    if (FSavedPosition != kNoSave)
        FSavedPosition = FSavedPosition >= dropped ? FSavedPosition - dropped : kNoSave;
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
    return step;
}

TEditStep* TEditHistory::Redo() {
    FMergeOpen = false;
    if (!CanRedo())
        return nullptr;
    TEditStep* step = FSteps[FPosition].get();
    step->Redo();
    ++FPosition;
    return step;
}

void TEditHistory::Clear() {
    FSteps.clear();
    FPosition = 0;
    FKeptBytes = 0;
    FMergeOpen = false;
    FSavedPosition = 0;
}

void TEditHistory::MarkSaved() {
    FSavedPosition = FPosition;
    FMergeOpen = false;
}

bool TEditHistory::IsSaved() const {
    return FSavedPosition == FPosition;
}
