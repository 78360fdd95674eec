// Where the pictures of the welcome page are found: the folder "Desktop"
// among the program's files. The welcome page at start-up and the preview of
// the options dialog look them up by the same rule.
#pragma once

#include <string>

// The file AppFolder + "Desktop/" + Name when it exists as a file. Where file
// names are case-sensitive, a file of the same name in another case counts too,
// so that "MainBg1.bmp" finds "MainBG1.bmp". Empty when there is none, or when
// Name is empty or reaches into another folder.
std::string FindDesktopPicture(const std::string& AppFolder, const std::string& Name);
