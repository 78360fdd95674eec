// Finding and reading the files of tests/data.
#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

// The path of a file in tests/data: from TESSELLON_TEST_DATA, which CTest sets,
// or else from the folder the build gave the test program.
inline std::string TestDataPath(const std::string& Name) {
    const char* dir = std::getenv("TESSELLON_TEST_DATA");
    return std::string(dir ? dir : TESSELLON_TEST_DATA_DIR) + "/" + Name;
}

// The characters of a table of one-character codes: every line that does not
// start with '#', without line ends. Empty when the file cannot be read.
inline std::string ReadCodeTable(const std::string& Name) {
    std::ifstream in(TestDataPath(Name));
    std::string codes, line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] != '#')
            codes += line;
    }
    return codes;
}
