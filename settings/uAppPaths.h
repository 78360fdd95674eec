// Where the program finds its own files and keeps the ones it writes.
#pragma once

#include <string>

// The folder with a separator at its end; a path that already ends in one keeps one.
std::string IncludeTrailingSeparator(const std::string& folder);

// The executable's folder, ending in a separator. Read-only files that ship with
// the program (the Desktop pictures, help, editor, logo) are found through it.
std::string AppPath();

// The folder of the read-only files that ship with the program (the welcome
// pictures in Desktop/, the manual, the logo): beside the executable when they
// are there (a portable folder), else the installed data folder
// <prefix>/share/tessellon/ beside the executable's bin/. Ends in a separator.
std::string ProgramFilesPath();
// The same for a given executable folder; exposed for tests.
std::string ChooseProgramFilesPath(const std::string& appPath);
// True when the program's files are in the installed data folder rather than
// beside the executable.
bool IsInstalledLayout(const std::string& appPath);

// The folder of Setup.ini and Log.dat: AppPath when that folder is writable and
// the program is not installed (a portable folder), otherwise the user's
// configuration folder for this program, created when missing. Ends in a
// separator.
std::string DataPath();

// Chooses between the two candidates above; exposed for tests.
std::string ChooseDataPath(const std::string& appPath, const std::string& configPath);

// The starting folder for picture dialogs when the settings name none: the user's
// pictures folder, or the home folder where there is none. Ends in a separator.
std::string DefaultPictureFolder();
