#include "main/uWelcomePicture.h"

#include "engine/TBitmap32.h"
#include "settings/uDesktopPicture.h"

bool LoadWelcomePicture(TBitmap32& Picture, const std::string& AppPath, const std::string& Name) {
    const std::string file = FindDesktopPicture(AppPath, Name);
    if (file.empty())
        return false;
    Picture.LoadFromFile(file);
    return true;
}
