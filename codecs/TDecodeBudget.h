// The memory that decoding pictures may hold at once, shared by every thread
// of the process, and the claims by which the decoding takes its share.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <mutex>

class TDecodeBudget;

// Thrown by TBudgetClaim::Add when the bytes asked for could only be had by
// waiting while the claim holds bytes, which could deadlock two threads that
// both hold and both wait. RunWithClaim catches it. Deliberately no
// std::exception, so that handlers which turn errors into a failed load let it
// pass; a handler that catches everything must pass it on.
struct EClaimMustWait {
    std::uint64_t Total; // everything the work had asked for, the refused bytes included
};

// Bytes held on a budget, given back when the claim goes. Made by
// TDecodeBudget::Claim, used and given back on the thread that made it.
class TBudgetClaim {
public:
    // Holds nothing and belongs to no budget: Add only counts.
    TBudgetClaim() = default;
    ~TBudgetClaim() { Release(); }
    TBudgetClaim(TBudgetClaim&& Other) noexcept;
    TBudgetClaim& operator=(TBudgetClaim&& Other) noexcept;
    TBudgetClaim(const TBudgetClaim&) = delete;
    TBudgetClaim& operator=(const TBudgetClaim&) = delete;

    // The bytes held on the budget.
    std::uint64_t Bytes() const { return FHeld; }
    // The bytes the work has asked for with Add.
    std::uint64_t Asked() const { return FAsked; }

    // Call before taking Bytes more memory. The claim grows to cover all that
    // was asked for; bytes once asked for stay claimed until the claim goes.
    // Bytes the claim already holds (it may start larger) are used first. It
    // grows at once when the budget has room beside the other claims, or when
    // it is the only claim (then beyond the capacity). Otherwise throws
    // EClaimMustWait and holds what it held.
    void Add(std::uint64_t Bytes);

    // Gives every byte back now.
    void Release();

private:
    friend class TDecodeBudget;
    TBudgetClaim(TDecodeBudget* Budget, std::uint64_t Bytes) : FBudget(Budget), FHeld(Bytes) {}

    TDecodeBudget* FBudget = nullptr;
    std::uint64_t FHeld = 0;
    std::uint64_t FAsked = 0;
};

// A byte capacity shared by claims on any number of threads. Claims are
// granted in the order they are asked for, each once it fits beside those
// held. A claim larger than the whole capacity is granted when no other claim
// is held, and the claims after it wait until it is given back: it runs alone,
// and never deadlocks. Refusing what is too large for any budget is the
// readers' work (their pixel ceiling), before they claim.
class TDecodeBudget {
public:
    explicit TDecodeBudget(std::uint64_t Capacity) : FCapacity(Capacity) {}
    TDecodeBudget(const TDecodeBudget&) = delete;
    TDecodeBudget& operator=(const TDecodeBudget&) = delete;

    // The one budget of the process, of kDecodeBudgetBytes.
    static TDecodeBudget& Process();

    // Waits for Bytes as described above. A thread that holds bytes of a claim
    // and would have to wait for another gets std::logic_error instead: holding
    // while waiting is how claims deadlock.
    TBudgetClaim Claim(std::uint64_t Bytes);

    std::uint64_t Capacity() const;
    // For tests and tuning; waiting claims are looked at again.
    void SetCapacity(std::uint64_t Capacity);
    // The bytes all claims hold now.
    std::uint64_t Claimed() const;
    // The most bytes the claims together ever held since the last reset.
    std::uint64_t HighWater() const;
    void ResetHighWater();
    // The calls to Claim that wait now.
    unsigned Waiting() const;

private:
    friend class TBudgetClaim;
    // TBudgetClaim::Add's growth: true when granted.
    bool TryGrow(std::uint64_t Held, std::uint64_t More);
    void GiveBack(std::uint64_t Bytes);

    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    std::uint64_t FCapacity;
    std::uint64_t FClaimed = 0;
    std::uint64_t FHighWater = 0;
    std::uint64_t FNextTicket = 0; // handed to each call of Claim
    std::uint64_t FServing = 0;    // the ticket whose turn it is
    unsigned FWaiting = 0;
};

// Runs Work(claim) holding a claim on Budget that starts at Initial bytes, and
// returns what Work returns. When the claim cannot grow without waiting
// (EClaimMustWait), Work is abandoned: the exception unwinds it and frees what it
// took, the claim is given back, and Work runs again from the start with a
// claim of everything it had asked for, waited for before it begins. A thread
// so never waits while it holds bytes. Work must not depend on having run before.
template <typename TWork>
decltype(auto) RunWithClaim(TDecodeBudget& Budget, TWork&& Work, std::uint64_t Initial = 0) {
    std::uint64_t bytes = Initial;
    for (;;) {
        TBudgetClaim claim = Budget.Claim(bytes);
        try {
            return Work(claim);
        } catch (const EClaimMustWait& wait) {
            bytes = std::max(bytes, wait.Total);
        }
    }
}
