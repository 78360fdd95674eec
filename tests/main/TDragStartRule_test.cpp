#include "main/TDragStartRule.h"

#include <gtest/gtest.h>

namespace {

// One press at (100, 100) at time 1000 with a drag distance of 4, then steps.
struct TStep {
    enum { Move, Key, Tick, Cancel } Kind;
    std::int64_t Time;
    QPoint Pos;
};

TEST(DragStartRule, MovesAndHolding) {
    const struct {
        const char* Name;
        std::vector<TStep> Steps;
        int StartsAt; // the step that begins the drag, -1 for none
    } cases[] = {
        {"a move out of the distance from 200 ms on", {{TStep::Move, 1200, {105, 100}}}, 0},
        {"a move out of the distance too early does not count, a later one does",
         {{TStep::Move, 1150, {120, 100}},
          {TStep::Move, 1199, {120, 100}},
          {TStep::Move, 1260, {121, 100}}},
         2},
        {"the distance itself is still inside, on either axis",
         {{TStep::Move, 1300, {104, 96}}, {TStep::Move, 1310, {100, 95}}},
         1},
        {"held still for 500 ms", {{TStep::Tick, 1499, {}}, {TStep::Tick, 1500, {}}}, 1},
        {"a small move starts the holding time again",
         {{TStep::Move, 1300, {102, 101}},
          {TStep::Tick, 1500, {}},
          {TStep::Tick, 1799, {}},
          {TStep::Tick, 1800, {}}},
         3},
        {"a key starts the holding time again",
         {{TStep::Key, 1400, {}}, {TStep::Tick, 1600, {}}, {TStep::Tick, 1900, {}}},
         2},
        {"released within 500 ms: only a click",
         {{TStep::Move, 1100, {101, 100}},
          {TStep::Cancel, 1300, {}},
          {TStep::Tick, 2000, {}},
          {TStep::Move, 2100, {200, 200}}},
         -1},
    };
    for (const auto& c : cases) {
        TDragStartRule rule;
        rule.Press(QPoint(100, 100), 1000, 4);
        EXPECT_EQ(rule.HoldDeadline(), 1500) << c.Name;
        int started = -1;
        for (std::size_t i = 0; i < c.Steps.size(); ++i) {
            const TStep& s = c.Steps[i];
            bool now = false;
            switch (s.Kind) {
            case TStep::Move:
                now = rule.Move(s.Pos, s.Time);
                break;
            case TStep::Key:
                rule.Input(s.Time);
                break;
            case TStep::Tick:
                now = rule.Tick(s.Time);
                break;
            case TStep::Cancel:
                rule.Cancel();
                break;
            }
            if (now) {
                EXPECT_EQ(started, -1) << c.Name << ": one start only";
                started = int(i);
                EXPECT_FALSE(rule.Armed()) << c.Name;
            }
        }
        EXPECT_EQ(started, c.StartsAt) << c.Name;
    }
}

TEST(DragStartRule, NothingBeforeAPress) {
    TDragStartRule rule;
    EXPECT_FALSE(rule.Armed());
    EXPECT_FALSE(rule.Move(QPoint(500, 500), 100000));
    EXPECT_FALSE(rule.Tick(100000));
}

} // namespace
