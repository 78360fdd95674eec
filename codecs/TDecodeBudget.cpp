#include "codecs/TDecodeBudget.h"

#include "codecs/uCodecCommon.h"

#include <stdexcept>
#include <utility>

namespace {

// The bytes that claims made on this thread hold, on any budget.
thread_local std::uint64_t tHeldOnThread = 0;

} // namespace

TBudgetClaim::TBudgetClaim(TBudgetClaim&& Other) noexcept
    : FBudget(std::exchange(Other.FBudget, nullptr)), FHeld(std::exchange(Other.FHeld, 0)),
      FAsked(std::exchange(Other.FAsked, 0)) {}

TBudgetClaim& TBudgetClaim::operator=(TBudgetClaim&& Other) noexcept {
    if (this != &Other) {
        Release();
        FBudget = std::exchange(Other.FBudget, nullptr);
        FHeld = std::exchange(Other.FHeld, 0);
        FAsked = std::exchange(Other.FAsked, 0);
    }
    return *this;
}

void TBudgetClaim::Add(std::uint64_t Bytes) {
    const std::uint64_t asked = FAsked + Bytes < FAsked ? UINT64_MAX : FAsked + Bytes;
    if (asked > FHeld && FBudget != nullptr) {
        if (!FBudget->TryGrow(FHeld, asked - FHeld))
            throw EClaimMustWait{asked};
        tHeldOnThread += asked - FHeld;
        FHeld = asked;
    }
    FAsked = asked;
}

void TBudgetClaim::Release() {
    if (FBudget != nullptr && FHeld != 0) {
        FBudget->GiveBack(FHeld);
        tHeldOnThread -= FHeld;
    }
    FHeld = 0;
    FAsked = 0;
}

TDecodeBudget& TDecodeBudget::Process() {
    static TDecodeBudget budget(kDecodeBudgetBytes);
    return budget;
}

TBudgetClaim TDecodeBudget::Claim(std::uint64_t Bytes) {
    std::unique_lock<std::mutex> lock(FMutex);
    const auto fits = [&] { return FClaimed == 0 || FClaimed + Bytes <= FCapacity; };
    if (tHeldOnThread != 0 && (FServing != FNextTicket || !fits()))
        throw std::logic_error("a thread that holds decode memory would wait for more");
    const std::uint64_t ticket = FNextTicket++;
    const auto granted = [&] { return ticket == FServing && fits(); };
    if (!granted()) {
        ++FWaiting;
        FChanged.wait(lock, granted);
        --FWaiting;
    }
    ++FServing;
    FClaimed += Bytes;
    FHighWater = std::max(FHighWater, FClaimed);
    lock.unlock();
    // The next ticket may fit beside this claim.
    FChanged.notify_all();
    tHeldOnThread += Bytes;
    return TBudgetClaim(this, Bytes);
}

bool TDecodeBudget::TryGrow(std::uint64_t Held, std::uint64_t More) {
    std::lock_guard<std::mutex> lock(FMutex);
    const bool alone = FClaimed == Held;
    if (!alone && FClaimed + More > FCapacity)
        return false;
    FClaimed += More;
    FHighWater = std::max(FHighWater, FClaimed);
    return true;
}

void TDecodeBudget::GiveBack(std::uint64_t Bytes) {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FClaimed -= Bytes;
    }
    FChanged.notify_all();
}

std::uint64_t TDecodeBudget::Capacity() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FCapacity;
}

void TDecodeBudget::SetCapacity(std::uint64_t Capacity) {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FCapacity = Capacity;
    }
    FChanged.notify_all();
}

std::uint64_t TDecodeBudget::Claimed() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FClaimed;
}

std::uint64_t TDecodeBudget::HighWater() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FHighWater;
}

void TDecodeBudget::ResetHighWater() {
    std::lock_guard<std::mutex> lock(FMutex);
    FHighWater = FClaimed;
}

unsigned TDecodeBudget::Waiting() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FWaiting;
}
