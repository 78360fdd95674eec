// For tests: makes the picture writers fail part way through their file, the
// way they fail when memory runs short.
#pragma once

#include <cstddef>

// While an object of this class lives, every writer that starts on the same
// thread stops with "not enough memory" as soon as its file would grow past
// `bytes` bytes. A file that fits is written byte for byte as without a budget.
// Budgets nest; the innermost one counts.
class TWriterOutputBudget {
public:
    explicit TWriterOutputBudget(std::size_t bytes);
    ~TWriterOutputBudget();
    TWriterOutputBudget(const TWriterOutputBudget&) = delete;
    TWriterOutputBudget& operator=(const TWriterOutputBudget&) = delete;

    // The budget in force on this thread: unlimited outside every budget object.
    static std::size_t Current() noexcept;

private:
    std::size_t FPrevious;
};
