// The wizard's list of picture files: full paths in the order of the grid
// cells, no two with the same text (compared exactly, case included), several
// selectable at once, one of them the current entry (the one with the focus).
#pragma once

#include <string>
#include <vector>

class TPictureEntryList {
public:
    int Count() const { return int(FEntries.size()); }
    const std::string& Text(int Index) const { return FEntries.at(std::size_t(Index)).Text; }
    bool Selected(int Index) const { return FEntries.at(std::size_t(Index)).Selected; }
    std::vector<std::string> Texts() const;
    // The entry with the focus, -1 for none.
    int Current() const { return FCurrent; }

    // Appends File unless an entry has exactly that text; true when appended.
    bool Add(const std::string& File);
    // The entries selected (in any order, duplicates and indexes outside the
    // list ignored) and the current entry; the others are not selected.
    void SetSelection(const std::vector<int>& Selected, int Current);
    // Deletes every selected entry, the last first; false when none was selected.
    bool RemoveSelected();
    // Moves the first selected entry one place up (Step -1) or down (Step 1);
    // it stays selected and becomes the current entry, the other selected
    // entries stay where they are. Returns its new index, or -1 when nothing
    // is selected or it is already at that end of the list.
    int MoveFirstSelected(int Step);
    void Clear();

    // "Remove" with at least one entry; "Up" and "Down" with two or more.
    bool RemoveEnabled() const { return Count() > 0; }
    bool MoveEnabled() const { return Count() >= 2; }

private:
    struct TEntry {
        std::string Text;
        bool Selected = false;
    };
    std::vector<TEntry> FEntries;
    int FCurrent = -1;
};
