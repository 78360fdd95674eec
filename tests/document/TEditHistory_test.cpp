#include "document/TEditHistory.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Adds to or takes from a number; keeps Bytes of "pictures".
class TAddStep : public TEditStep {
public:
    TAddStep(int& Value, int Amount, std::size_t Bytes = 0, bool Merges = false)
        : FValue(Value), FAmount(Amount), FBytes(Bytes), FMerges(Merges) {
        FValue += FAmount; // done as it is made
    }
    std::string Name() const override { return "Add " + std::to_string(FAmount); }
    void Undo() override { FValue -= FAmount; }
    void Redo() override { FValue += FAmount; }
    std::size_t KeptBytes() const override { return FBytes; }
    bool Absorb(const TEditStep& Next) override {
        const auto* next = dynamic_cast<const TAddStep*>(&Next);
        if (!FMerges || !next || !next->FMerges)
            return false;
        FAmount += next->FAmount;
        return true;
    }

private:
    int& FValue;
    int FAmount;
    std::size_t FBytes;
    bool FMerges;
};

TEST(EditHistory, UndoRedoAndNewStepsDropTheUndone) {
    int v = 0;
    TEditHistory h;
    EXPECT_FALSE(h.CanUndo());
    EXPECT_EQ(h.Undo(), nullptr);
    h.Push(std::make_unique<TAddStep>(v, 1));
    h.Push(std::make_unique<TAddStep>(v, 10));
    EXPECT_EQ(h.UndoName(), "Add 10");
    ASSERT_NE(h.Undo(), nullptr);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(h.RedoName(), "Add 10");
    h.Redo();
    EXPECT_EQ(v, 11);
    h.Undo();
    h.Undo();
    EXPECT_EQ(v, 0);
    EXPECT_FALSE(h.CanUndo());
    h.Redo();
    h.Push(std::make_unique<TAddStep>(v, 100)); // the undone "Add 10" is gone
    EXPECT_FALSE(h.CanRedo());
    EXPECT_EQ(h.Count(), 2u);
    h.Undo();
    h.Undo();
    EXPECT_EQ(v, 0);
}

TEST(EditHistory, ContinuedStepsMergeUntilTheRunEnds) {
    int v = 0;
    TEditHistory h;
    for (int i = 0; i < 3; ++i)
        h.Push(std::make_unique<TAddStep>(v, 1, 0, true));
    EXPECT_EQ(h.Count(), 1u) << "three presses, one step";
    h.CloseMerge();
    h.Push(std::make_unique<TAddStep>(v, 1, 0, true));
    EXPECT_EQ(h.Count(), 2u);
    h.Undo();
    h.Undo();
    EXPECT_EQ(v, 0);
    // After an undo, a new step never merges into the one below.
    h.Redo();
    h.Push(std::make_unique<TAddStep>(v, 5, 0, true));
    EXPECT_EQ(h.Count(), 2u);
    h.Undo();
    EXPECT_EQ(v, 3);
}

TEST(EditHistory, KeptPicturesAreBoundedOldestFirst) {
    int v = 0;
    TEditHistory h(100);
    h.Push(std::make_unique<TAddStep>(v, 1, 40));
    h.Push(std::make_unique<TAddStep>(v, 2, 40));
    h.Push(std::make_unique<TAddStep>(v, 4, 40)); // 120 > 100: the first goes
    EXPECT_EQ(h.Count(), 2u);
    EXPECT_EQ(h.KeptBytes(), 80u);
    h.Undo();
    h.Undo();
    EXPECT_FALSE(h.CanUndo());
    EXPECT_EQ(v, 1) << "the dropped step can no longer be undone";
    // One step larger than the whole budget still stays, alone.
    h.Push(std::make_unique<TAddStep>(v, 8, 500));
    EXPECT_EQ(h.Count(), 1u);
    EXPECT_TRUE(h.CanUndo());
}

TEST(EditHistory, SavedFollowsTheHistory) {
    int v = 0;
    TEditHistory h(100);
    EXPECT_TRUE(h.IsSaved());
    h.Push(std::make_unique<TAddStep>(v, 1));
    EXPECT_FALSE(h.IsSaved());
    h.MarkSaved();
    h.Push(std::make_unique<TAddStep>(v, 2, 0, true));
    EXPECT_FALSE(h.IsSaved());
    h.Undo();
    EXPECT_TRUE(h.IsSaved()) << "back where it was saved";
    h.Undo();
    EXPECT_FALSE(h.IsSaved());
    h.Redo();
    // A step that merges never changes the saved state it stands on.
    h.Push(std::make_unique<TAddStep>(v, 4, 0, true));
    h.Undo();
    EXPECT_TRUE(h.IsSaved());
    // A new step after undoing past the save: that state is gone for good.
    h.Undo();
    h.Push(std::make_unique<TAddStep>(v, 8));
    h.Undo();
    EXPECT_FALSE(h.IsSaved());
    // A saved state dropped by the bound never comes back.
    TEditHistory small(50);
    small.MarkSaved();
    small.Push(std::make_unique<TAddStep>(v, 1, 40));
    small.Push(std::make_unique<TAddStep>(v, 1, 40));
    small.Undo();
    EXPECT_FALSE(small.IsSaved());
}

// The picture and the project are saved each on its own; a save of either
// keeps the step after it apart, and a changed file marks no state at all.
TEST(EditHistory, PictureAndProjectMarksAreIndependent) {
    int v = 0;
    TEditHistory h;
    h.Push(std::make_unique<TAddStep>(v, 1, 0, true));
    h.MarkSaved(TSaveMark::Project);
    EXPECT_TRUE(h.IsSaved(TSaveMark::Project));
    EXPECT_FALSE(h.IsSaved(TSaveMark::Picture));
    h.Push(std::make_unique<TAddStep>(v, 2, 0, true));
    EXPECT_EQ(h.Count(), 2u) << "the step after the project's save is not merged into it";
    h.MarkSaved(TSaveMark::Picture);
    EXPECT_FALSE(h.IsSaved(TSaveMark::Project));
    h.Undo();
    EXPECT_TRUE(h.IsSaved(TSaveMark::Project));
    EXPECT_FALSE(h.IsSaved(TSaveMark::Picture));
    h.MarkUnsaved(TSaveMark::Project);
    EXPECT_FALSE(h.IsSaved(TSaveMark::Project));
    h.Redo();
    h.Undo();
    EXPECT_FALSE(h.IsSaved(TSaveMark::Project));
    h.Clear();
    EXPECT_TRUE(h.IsSaved(TSaveMark::Project));
    EXPECT_TRUE(h.IsSaved(TSaveMark::Picture));
}

} // namespace
