#include "main/uProgramArguments.h"

#include <gtest/gtest.h>

namespace {

TEST(ProgramArguments, HelpAndVersionEndTheProgramOtherArgumentsDoNot) {
    const struct {
        std::vector<std::string> Args;
        bool Exit;
        const char* Starts;
    } cases[] = {
        {{}, false, ""},
        {{"-platform", "offscreen"}, false, ""},
        {{"--version"}, true, "Tessellon 2.8.1\n"},
        {{"-style", "fusion", "--help"}, true, "Usage: tessellon"},
        {{"-h", "--version"}, true, "Usage: tessellon"},
        {{"--", "--help"}, false, ""},
    };
    for (const auto& c : cases) {
        const TProgramAnswer a = AnswerProgramArguments(c.Args);
        EXPECT_EQ(a.Exit, c.Exit) << c.Args.size();
        EXPECT_EQ(a.Text.rfind(c.Starts, 0), 0u) << a.Text;
    }
}

TEST(ProgramArguments, PicturesAreTheArgumentsThatAreNoOptions) {
    EXPECT_EQ(PictureArguments({"a.jpg", "-style", "b c.png", "--", "-d.png", "--"}),
              (std::vector<std::string>{"a.jpg", "b c.png", "-d.png", "--"}));
    EXPECT_TRUE(PictureArguments({"--whatever", ""}).empty());
}

} // namespace
