#include "codecs/TDecodeBudget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Waits, without a clock, until Count calls to Claim wait on the budget.
void UntilWaiting(const TDecodeBudget& Budget, unsigned Count) {
    while (Budget.Waiting() < Count)
        std::this_thread::yield();
}

} // namespace

TEST(DecodeBudget, ClaimsFitSideBySideAndTheNextWaitsForRoom) {
    TDecodeBudget budget(100);
    TBudgetClaim a = budget.Claim(60);
    TBudgetClaim b = budget.Claim(40); // exactly full
    EXPECT_EQ(budget.Claimed(), 100u);

    std::atomic<bool> granted{false};
    std::thread waiter([&] {
        TBudgetClaim c = budget.Claim(30);
        granted = true;
        EXPECT_LE(budget.Claimed(), 100u);
    });
    UntilWaiting(budget, 1);
    b.Release(); // 40 back: 30 fits beside the 60
    waiter.join();
    EXPECT_TRUE(granted);
    EXPECT_EQ(budget.Claimed(), 60u);
    EXPECT_EQ(budget.HighWater(), 100u);
    a = TBudgetClaim(); // moving an empty claim in gives the bytes back
    EXPECT_EQ(budget.Claimed(), 0u);
    budget.ResetHighWater();
    EXPECT_EQ(budget.HighWater(), 0u);
}

TEST(DecodeBudget, ClaimsAreGrantedInTheOrderTheyWereAskedFor) {
    TDecodeBudget budget(100);
    TBudgetClaim held = budget.Claim(70);
    std::vector<int> order;
    std::mutex orderMutex;
    auto claimer = [&](int id, std::uint64_t bytes) {
        TBudgetClaim c = budget.Claim(bytes);
        std::lock_guard<std::mutex> lock(orderMutex);
        order.push_back(id);
    };
    std::thread large(claimer, 1, 95); // waits for the 70 to go
    UntilWaiting(budget, 1);
    std::thread small(claimer, 2, 10); // fits beside the 70, but comes after the 95
    UntilWaiting(budget, 2);
    EXPECT_TRUE(order.empty());
    held.Release();
    large.join();
    small.join();
    EXPECT_EQ(order, (std::vector<int>{1, 2}));
    EXPECT_LE(budget.HighWater(), 100u);
}

TEST(DecodeBudget, AClaimLargerThanTheCapacityRunsAlone) {
    TDecodeBudget budget(100);
    TBudgetClaim small = budget.Claim(10);
    std::atomic<int> stage{0};
    std::thread huge([&] {
        TBudgetClaim c = budget.Claim(250);
        stage = 1;
        while (stage != 2) // holds it until told
            std::this_thread::yield();
    });
    UntilWaiting(budget, 1);
    EXPECT_EQ(stage, 0); // not while the 10 bytes are held
    small.Release();
    while (stage != 1)
        std::this_thread::yield();
    EXPECT_EQ(budget.Claimed(), 250u);
    // Nothing, however small, is granted beside it.
    std::thread after([&] { TBudgetClaim c = budget.Claim(1); });
    UntilWaiting(budget, 1);
    stage = 2;
    huge.join();
    after.join();
    EXPECT_EQ(budget.HighWater(), 250u);
    EXPECT_EQ(budget.Claimed(), 0u);
}

TEST(DecodeBudget, AddGrowsOnlyWithoutWaiting) {
    TDecodeBudget budget(100);
    TBudgetClaim claim = budget.Claim(20);
    claim.Add(15); // covered by what it holds
    EXPECT_EQ(claim.Bytes(), 20u);
    claim.Add(25); // 40 asked: grows beside nothing
    EXPECT_EQ(claim.Bytes(), 40u);
    TBudgetClaim other = budget.Claim(50);
    claim.Add(10); // 90 in all: room
    EXPECT_EQ(budget.Claimed(), 100u);
    try {
        claim.Add(5);
        FAIL() << "no EClaimMustWait";
    } catch (const EClaimMustWait& wait) {
        EXPECT_EQ(wait.Total, 55u); // all it asked for, the refused bytes included
    }
    EXPECT_EQ(claim.Bytes(), 50u); // holds what it held
    other.Release();
    claim.Add(500); // the only claim: beyond the capacity
    EXPECT_EQ(budget.Claimed(), 550u);

    // A claim of no budget only counts.
    TBudgetClaim free;
    free.Add(1u << 30);
    EXPECT_EQ(free.Asked(), 1u << 30);
    EXPECT_EQ(free.Bytes(), 0u);
}

TEST(DecodeBudget, AThreadThatHoldsBytesIsNeverMadeToWaitForMore) {
    TDecodeBudget budget(100);
    TBudgetClaim held = budget.Claim(80);
    TBudgetClaim beside = budget.Claim(20); // fits: granted at once
    EXPECT_THROW(budget.Claim(1), std::logic_error);
    beside.Release();
    // The refused call took no turn: others are still served.
    std::thread other([&] { TBudgetClaim c = budget.Claim(20); });
    other.join();
    EXPECT_EQ(budget.Claimed(), 80u);
}

TEST(DecodeBudget, WorkThatCannotGrowRunsAgainHoldingEverything) {
    // Four threads each read 30 bytes, then need 60 more; two such works do not
    // fit side by side. Holding the first bytes while waiting for the rest would
    // deadlock; they start over with all 90 claimed instead.
    TDecodeBudget budget(100);
    std::atomic<int> runs{0}, done{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i)
        threads.emplace_back([&] {
            const int result = RunWithClaim(budget, [&](TBudgetClaim& claim) {
                ++runs;
                claim.Add(30);
                std::this_thread::yield();
                claim.Add(60);
                EXPECT_GE(claim.Bytes(), 90u);
                return 7;
            });
            EXPECT_EQ(result, 7);
            ++done;
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(done, 4);
    EXPECT_GE(runs, 4);
    EXPECT_LE(budget.HighWater(), 100u);
    EXPECT_EQ(budget.Claimed(), 0u);

    // A work that starts with its whole claim runs once.
    runs = 0;
    RunWithClaim(
        budget,
        [&](TBudgetClaim& claim) {
            ++runs;
            claim.Add(90);
        },
        90);
    EXPECT_EQ(runs, 1);
}
