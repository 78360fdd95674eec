// Who the program is: its name, its version (from the build) and where its
// users find the project. Everything that shows these takes them from here.
#pragma once

extern const char* const kProgramTitle;   // "Tessellon"
extern const char* const kProgramVersion; // the project's version, e.g. "2.8.1"
extern const char* const kHomePageUrl;    // the project's home page
extern const char* const kSupportEmail;   // the project's support address
