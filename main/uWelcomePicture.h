// The picture of the welcome page, taken from the folder "Desktop" beside the
// program.
#pragma once

#include <string>

class TBitmap32;

// The file AppPath + "Desktop/" + Name when it exists as a file. Where file
// names are case-sensitive, a file of the same name in another case counts too,
// so that "MainBg1.bmp" finds "MainBG1.bmp". Empty when there is none, or when
// Name is empty or reaches into another folder.
std::string FindDesktopPicture(const std::string& AppPath, const std::string& Name);

// Loads the welcome picture named Name into Picture. Nothing happens when there
// is no such file; a file that cannot be decoded raises the decoder's error.
// True when a picture was loaded.
bool LoadWelcomePicture(TBitmap32& Picture, const std::string& AppPath, const std::string& Name);
