#include "codecs/TWriterOutputBudget.h"

#include <limits>

namespace {

thread_local std::size_t CurrentBudget = std::numeric_limits<std::size_t>::max();

} // namespace

TWriterOutputBudget::TWriterOutputBudget(std::size_t bytes) : FPrevious(CurrentBudget) {
    CurrentBudget = bytes;
}

TWriterOutputBudget::~TWriterOutputBudget() {
    CurrentBudget = FPrevious;
}

std::size_t TWriterOutputBudget::Current() noexcept {
    return CurrentBudget;
}
