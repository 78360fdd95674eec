// The merge from the command line: the arguments of tessellon-merge, and the
// run that builds the same document as the desktop program and writes it.
#pragma once

#include "codecs/uPictureWriter.h"
#include "settings/uIniOption.h"

#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

// Arguments that cannot be used; the message is one line for the user.
class EUsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TPlacedPicture {
    int X = 0;
    int Y = 0;
    std::string File;
};

struct TMergeJob {
    bool Help = false;
    bool Quiet = false;
    // Grid of cells (true) or an empty canvas with pictures at their own size.
    bool GridMode = true;
    // Layout and output settings: defaults, then --settings, then explicit options.
    TIniOption Option;
    std::vector<std::string> Files;     // grid mode, in cell order
    std::vector<TPlacedPicture> Placed; // empty mode, bottom first
    // A saved project to render in place of a grid or a canvas; empty for none.
    std::string Project;
    std::string Output;
    TSaveFormat Format = TSaveFormat::Jpeg;
};

// Exit codes.
constexpr int kMergeOk = 0;
constexpr int kMergeSkipped = 1; // written, but some pictures could not be read
constexpr int kMergeFailed = 2;  // bad arguments or a failed write

// Reads the arguments (without the program name). Throws EUsageError.
TMergeJob ParseMergeArguments(const std::vector<std::string>& args);

// A colour as "#RRGGBB" or as the settings' signed decimal (0x00BBGGRR);
// throws EUsageError.
TColor ParseColourArgument(const std::string& text);

// The usage text of --help, made from the table of options.
std::string MergeUsage();

// One-line warnings about a job that runs but may not do what was meant: more
// pictures than cells, or no pictures at all.
std::vector<std::string> MergeWarnings(const TMergeJob& job);

// Builds and writes the merged picture. Unreadable pictures are listed on err
// and skipped; errors that stop the run are reported there in one line.
// Progress (done, total) is reported when given; messages never continue an
// unfinished progress line. Returns an exit code.
int RunMergeJob(const TMergeJob& job, std::ostream& err,
                const std::function<void(int, int)>& progress = {});
