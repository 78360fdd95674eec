// The picture of the welcome page, taken from the folder "Desktop" among the
// program's files (the lookup is FindDesktopPicture of settings/uDesktopPicture).
#pragma once

#include <string>

class TBitmap32;

// Loads the welcome picture named Name into Picture. Nothing happens when there
// is no such file; a file that cannot be decoded raises the decoder's error.
// True when a picture was loaded.
bool LoadWelcomePicture(TBitmap32& Picture, const std::string& AppPath, const std::string& Name);
