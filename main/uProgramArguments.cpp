#include "main/uProgramArguments.h"

TProgramAnswer AnswerProgramArguments(const std::vector<std::string>& Args) {
    TProgramAnswer answer;
    for (const std::string& arg : Args) {
        if (arg == "--")
            break;
        if (arg == "--version") {
            answer.Exit = true;
            answer.Text = std::string(kProgramTitle) + " " + kProgramVersion + "\n";
            return answer;
        }
        if (arg == "--help" || arg == "-h") {
            answer.Exit = true;
            answer.Text =
                "Usage: tessellon [--help] [--version]\n"
                "\n"
                "Merges many pictures into one: a grid of equal cells, or an empty canvas\n"
                "onto which pictures are dragged at their own size. Opens its window; the\n"
                "pictures are chosen there.\n"
                "\n"
                "  -h, --help     this text\n"
                "  --version      the program's version\n"
                "\n"
                "Qt's own options (such as -platform or -style) are accepted too.\n"
                "To merge without a window, see tessellon-merge --help.\n";
            return answer;
        }
    }
    return answer;
}

std::vector<std::string> PictureArguments(const std::vector<std::string>& Args) {
    std::vector<std::string> files;
    bool optionsEnd = false;
    for (const std::string& arg : Args) {
        if (!optionsEnd && arg == "--") {
            optionsEnd = true;
            continue;
        }
        if (!optionsEnd && arg.size() > 1 && arg[0] == '-')
            continue;
        if (!arg.empty())
            files.push_back(arg);
    }
    return files;
}
