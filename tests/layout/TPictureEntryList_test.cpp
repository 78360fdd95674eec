#include "layout/TPictureEntryList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TPictureEntryList List(const std::vector<std::string>& texts) {
    TPictureEntryList list;
    for (const std::string& t : texts)
        list.Add(t);
    return list;
}

using Texts = std::vector<std::string>;

TEST(PictureEntryList, UpAndDownMoveTheFirstSelectedEntry) {
    struct Case {
        std::vector<int> selected;
        int step;
        Texts after;
        int moved; // its new index, -1 when nothing moved
    } cases[] = {
        {{2}, -1, {"A", "C", "B"}, 1},
        {{0}, -1, {"A", "B", "C"}, -1},
        {{2}, 1, {"A", "B", "C"}, -1},
        {{0}, 1, {"B", "A", "C"}, 1},
        {{}, -1, {"A", "B", "C"}, -1},
        {{1, 2}, 1, {"A", "C", "B"}, 2}, // only the first selected entry moves
    };
    for (const Case& c : cases) {
        TPictureEntryList list = List({"A", "B", "C"});
        list.SetSelection(c.selected, -1);
        EXPECT_EQ(list.MoveFirstSelected(c.step), c.moved);
        EXPECT_EQ(list.Texts(), c.after);
        if (c.moved < 0)
            continue;
        EXPECT_TRUE(list.Selected(c.moved)) << "the moved entry stays selected";
        EXPECT_EQ(list.Current(), c.moved) << "and takes the focus";
    }
    // The other selected entry of the last case kept its selection where it is.
    TPictureEntryList list = List({"A", "B", "C"});
    list.SetSelection({1, 2}, 2);
    list.MoveFirstSelected(1);
    EXPECT_TRUE(list.Selected(1));
    EXPECT_TRUE(list.Selected(2));
    EXPECT_FALSE(list.Selected(0));
}

TEST(PictureEntryList, RemoveAndTheButtons) {
    TPictureEntryList list = List({"A", "B", "C", "D"});
    EXPECT_TRUE(list.RemoveEnabled());
    EXPECT_TRUE(list.MoveEnabled());
    list.SetSelection({}, 0);
    EXPECT_FALSE(list.RemoveSelected());
    EXPECT_EQ(list.Count(), 4);

    list.SetSelection({0, 2, 7}, 3);
    EXPECT_TRUE(list.RemoveSelected());
    EXPECT_EQ(list.Texts(), (Texts{"B", "D"}));
    EXPECT_EQ(list.Current(), 1) << "the current entry D moved up with the removals";

    list.SetSelection({1}, 1);
    list.RemoveSelected();
    EXPECT_EQ(list.Current(), -1);
    EXPECT_TRUE(list.RemoveEnabled());
    EXPECT_FALSE(list.MoveEnabled()) << "one entry left";
    list.Clear();
    EXPECT_FALSE(list.RemoveEnabled());
}

TEST(PictureEntryList, AddComparesTheExactText) {
    TPictureEntryList list;
    EXPECT_TRUE(list.Add("/p/a.jpg"));
    EXPECT_FALSE(list.Add("/p/a.jpg"));
    EXPECT_TRUE(list.Add("/p/A.jpg"));
    EXPECT_TRUE(list.Add("/p/a.jpg ")); // another text
    EXPECT_EQ(list.Count(), 3);
}

} // namespace
