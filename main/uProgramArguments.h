// What the desktop program answers on its command line before any window
// opens: --help and --version. Everything else is left to Qt (-platform,
// -style and the like).
#pragma once

#include <string>
#include <vector>

// The program's name and version as the window's caption shows them.
extern const char* const kProgramTitle;   // "Tessellon"
extern const char* const kProgramVersion; // "2.8.1"

struct TProgramAnswer {
    // True when the program prints Text to standard output and ends.
    bool Exit = false;
    std::string Text;
};

// Looks at the arguments (without the program name) for --help/-h and
// --version; the first one found decides.
TProgramAnswer AnswerProgramArguments(const std::vector<std::string>& Args);
