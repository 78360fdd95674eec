#include "layout/TPictureEntryList.h"

#include <algorithm>
#include <utility>

std::vector<std::string> TPictureEntryList::Texts() const {
    std::vector<std::string> texts;
    texts.reserve(FEntries.size());
    for (const TEntry& e : FEntries)
        texts.push_back(e.Text);
    return texts;
}

bool TPictureEntryList::Add(const std::string& File) {
    const bool known = std::any_of(FEntries.begin(), FEntries.end(),
                                   [&](const TEntry& e) { return e.Text == File; });
    if (known)
        return false;
    FEntries.push_back({File, false});
    return true;
}

void TPictureEntryList::SetSelection(const std::vector<int>& Selected, int Current) {
    for (TEntry& e : FEntries)
        e.Selected = false;
    for (int i : Selected)
        if (i >= 0 && i < Count())
            FEntries[std::size_t(i)].Selected = true;
    FCurrent = Current >= 0 && Current < Count() ? Current : -1;
}

bool TPictureEntryList::RemoveSelected() {
    bool removed = false;
    for (int i = Count() - 1; i >= 0; --i) {
        if (!FEntries[std::size_t(i)].Selected)
            continue;
        FEntries.erase(FEntries.begin() + i);
        removed = true;
        if (FCurrent == i)
            FCurrent = -1;
        else if (FCurrent > i)
            --FCurrent;
    }
    return removed;
}

int TPictureEntryList::MoveFirstSelected(int Step) {
    const auto first =
        std::find_if(FEntries.begin(), FEntries.end(), [](const TEntry& e) { return e.Selected; });
    if (first == FEntries.end() || (Step != -1 && Step != 1))
        return -1;
    const int from = int(first - FEntries.begin());
    const int to = from + Step;
    if (to < 0 || to >= Count())
        return -1;
    std::swap(FEntries[std::size_t(from)], FEntries[std::size_t(to)]);
    FCurrent = to;
    return to;
}

void TPictureEntryList::Clear() {
    FEntries.clear();
    FCurrent = -1;
}
