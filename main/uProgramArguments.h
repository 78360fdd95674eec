// What the desktop program answers on its command line before any window
// opens: --help and --version. Everything else is left to Qt (-platform,
// -style and the like).
#pragma once

#include <string>
#include <vector>

#include "main/uProgramInfo.h"

struct TProgramAnswer {
    // True when the program prints Text to standard output and ends.
    bool Exit = false;
    std::string Text;
};

// Looks at the arguments (without the program name) for --help/-h and
// --version; the first one found decides.
TProgramAnswer AnswerProgramArguments(const std::vector<std::string>& Args);

// The pictures to open, in the order given: every argument that is no option
// (Qt has taken its own by then), and everything after "--".
std::vector<std::string> PictureArguments(const std::vector<std::string>& Args);
