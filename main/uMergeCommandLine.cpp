#include "main/uMergeCommandLine.h"

#include "codecs/uCodecRegistry.h"
#include "main/TMergeDocument.h"
#include "main/uSafeSave.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <exception>
#include <sstream>

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A whole decimal number within [low, high], or a usage error naming the option.
int IntegerArgument(const std::string& option, const std::string& text, int low, int high) {
    std::size_t used = 0;
    long value = 0;
    try {
        value = std::stol(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || value < low || value > high)
        throw EUsageError(option + " takes a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high) + ", not \"" + text + "\"");
    return int(value);
}

// "WxH" with both sides within [low, high].
void SizeArgument(const std::string& option, const std::string& text, int low, int high,
                  std::int32_t& width, std::int32_t& height) {
    const std::size_t x = Lower(text).find('x');
    if (x == std::string::npos)
        throw EUsageError(option + " takes a size like 240x220, not \"" + text + "\"");
    width = IntegerArgument(option, text.substr(0, x), low, high);
    height = IntegerArgument(option, text.substr(x + 1), low, high);
}

TSaveFormat FormatArgument(const std::string& text) {
    const std::string f = Lower(text);
    if (f == "jpg" || f == "jpeg")
        return TSaveFormat::Jpeg;
    if (f == "png")
        return TSaveFormat::Png;
    if (f == "bmp")
        return TSaveFormat::Bmp;
    if (f == "gif")
        return TSaveFormat::Gif;
    throw EUsageError("--format takes jpg, png, bmp or gif, not \"" + text + "\"");
}

int BmpColorsArgument(const std::string& text) {
    const std::string v = Lower(text);
    if (v == "16")
        return 0;
    if (v == "256")
        return 1;
    if (v == "16bit")
        return 2;
    if (v == "24bit")
        return 3;
    throw EUsageError("--bmp-colors takes 16, 256, 16bit or 24bit, not \"" + text + "\"");
}

// Prints nothing; counts what the document skips and passes progress on.
class TCommandLineView : public TDocumentView {
public:
    TCommandLineView(std::ostream& err, const std::function<void(int, int)>& progress)
        : FErr(err), FProgress(progress) {}
    int Skipped = 0;
    void PictureSkipped(const std::string& File, const std::string& Why) override {
        ++Skipped;
        EndProgressLine();
        FErr << "tessellon-merge: skipped \"" << File << "\": " << Why << "\n";
    }
    void Progress(int Done, int Total) override {
        if (!FProgress)
            return;
        FProgress(Done, Total);
        FLineOpen = Done < Total;
    }
    // A message never continues an unfinished progress line.
    void EndProgressLine() {
        if (FLineOpen)
            FErr << "\n";
        FLineOpen = false;
    }

private:
    bool FLineOpen = false;
    std::ostream& FErr;
    const std::function<void(int, int)>& FProgress;
};

} // namespace

TColor ParseColourArgument(const std::string& text) {
    if (!text.empty() && text[0] == '#') {
        const bool hex = text.size() == 7 && std::all_of(text.begin() + 1, text.end(), [](char c) {
                             return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                         });
        if (hex) {
            const unsigned long rgb = std::strtoul(text.c_str() + 1, nullptr, 16);
            {
                const unsigned r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
                return TColor(r | (g << 8) | (b << 16));
            }
        }
    } else if (!text.empty()) {
        std::size_t used = 0;
        try {
            const long long v = std::stoll(text, &used);
            if (used == text.size() && v >= INT32_MIN && v <= INT32_MAX)
                return TColor(v);
        } catch (const std::exception&) {
        }
    }
    throw EUsageError("a colour is #RRGGBB or a settings colour number, not \"" + text + "\"");
}

std::string MergeUsage() {
    return "Usage:\n"
           "  tessellon-merge [options] -o OUTPUT PICTURE...          a grid of cells\n"
           "  tessellon-merge --canvas WxH [--at X,Y PICTURE]... -o OUTPUT\n"
           "                                                          pictures at their own size\n"
           "\n"
           "Grid:\n"
           "  --rows N            rows of cells (1-999)\n"
           "  --cols N            columns of cells (1-999)\n"
           "  --cell WxH          size of a cell in pixels (2-9999)\n"
           "  --space N           gap around and between cells in pixels (0-999)\n"
           "  --fit stretch|keep  stretch each picture to its cell, or keep its aspect ratio\n"
           "  --fill COLOUR       colour around a picture whose ratio is kept\n"
           "Empty canvas:\n"
           "  --canvas WxH        size of the canvas (2-9999)\n"
           "  --at X,Y PICTURE    place a picture with its top-left corner at X,Y\n"
           "Both:\n"
           "  --bg COLOUR         background colour\n"
           "  --settings FILE     take layout and output options from a Setup.ini;\n"
           "                      options given here override it\n"
           "Output:\n"
           "  -o, --output FILE   the picture to write (replaced safely when it exists)\n"
           "  --format FORMAT     jpg, png, bmp or gif (default: from the file's extension)\n"
           "  --quality N         JPEG quality (0-100)\n"
           "  --png-level N       PNG compression level (0-9)\n"
           "  --bmp-colors C      BMP colours: 16, 256, 16bit or 24bit\n"
           "  --quiet             no progress line\n"
           "  -h, --help          this text\n"
           "\n"
           "Colours are #RRGGBB or a settings colour number (decimal 0x00BBGGRR).\n"
           "Exit status: 0 done; 1 written, but some pictures could not be read;\n"
           "2 bad arguments or the picture could not be written.\n";
}

TMergeJob ParseMergeArguments(const std::vector<std::string>& args) {
    TMergeJob job;
    // Asking for help is answered whatever else the line holds.
    for (const std::string& arg : args) {
        if (arg == "--")
            break;
        if (arg == "-h" || arg == "--help") {
            job.Help = true;
            return job;
        }
    }
    std::string settingsFile;
    bool formatGiven = false;
    bool gridOptions = false;
    bool emptyOptions = false;
    // Explicit options apply after the settings file, whatever their order.
    std::vector<std::function<void(TIniOption&)>> explicitOptions;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string inlineValue;
        bool hasInline = false;
        if (arg.rfind("--", 0) == 0) {
            const std::size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasInline = true;
            }
        }
        auto value = [&]() -> std::string {
            if (hasInline)
                return inlineValue;
            if (i + 1 >= args.size())
                throw EUsageError(arg + " needs a value");
            return args[++i];
        };

        if (arg == "-h" || arg == "--help") {
            job.Help = true;
        } else if (arg == "--quiet") {
            job.Quiet = true;
        } else if (arg == "-o" || arg == "--output") {
            job.Output = value();
        } else if (arg == "--format") {
            job.Format = FormatArgument(value());
            formatGiven = true;
        } else if (arg == "--settings") {
            settingsFile = value();
        } else if (arg == "--rows" || arg == "--cols") {
            const int n = IntegerArgument(arg, value(), 1, 999);
            const bool rows = arg == "--rows";
            gridOptions = true;
            explicitOptions.push_back(
                [n, rows](TIniOption& o) { (rows ? o.RowNumber : o.ColNumber) = n; });
        } else if (arg == "--cell") {
            std::int32_t w = 0, h = 0;
            SizeArgument(arg, value(), 2, 9999, w, h);
            gridOptions = true;
            explicitOptions.push_back([w, h](TIniOption& o) {
                o.ResizeWidth = w;
                o.ResizeHeight = h;
            });
        } else if (arg == "--space") {
            const int n = IntegerArgument(arg, value(), 0, 999);
            gridOptions = true;
            explicitOptions.push_back([n](TIniOption& o) { o.Space = n; });
        } else if (arg == "--fit") {
            const std::string v = Lower(value());
            if (v != "stretch" && v != "keep")
                throw EUsageError("--fit takes stretch or keep, not \"" + v + "\"");
            const int type = v == "keep" ? 1 : 0;
            gridOptions = true;
            explicitOptions.push_back([type](TIniOption& o) { o.ResizeType = type; });
        } else if (arg == "--fill") {
            const TColor c = ParseColourArgument(value());
            gridOptions = true;
            explicitOptions.push_back([c](TIniOption& o) { o.FillColor = c; });
        } else if (arg == "--bg") {
            const TColor c = ParseColourArgument(value());
            explicitOptions.push_back([c](TIniOption& o) { o.NewBg = c; });
        } else if (arg == "--canvas") {
            std::int32_t w = 0, h = 0;
            SizeArgument(arg, value(), 2, 9999, w, h);
            emptyOptions = true;
            explicitOptions.push_back([w, h](TIniOption& o) {
                o.NewWidth = w;
                o.NewHeight = h;
            });
        } else if (arg == "--at") {
            const std::string at = value();
            const std::size_t comma = at.find(',');
            if (comma == std::string::npos)
                throw EUsageError("--at takes a point like 10,20, not \"" + at + "\"");
            TPlacedPicture p;
            p.X = IntegerArgument("--at", at.substr(0, comma), -99999999, 99999999);
            p.Y = IntegerArgument("--at", at.substr(comma + 1), -99999999, 99999999);
            if (i + 1 >= args.size())
                throw EUsageError("--at " + at + " needs a picture file");
            p.File = args[++i];
            emptyOptions = true;
            job.Placed.push_back(p);
        } else if (arg == "--quality") {
            const int n = IntegerArgument(arg, value(), 0, 100);
            explicitOptions.push_back([n](TIniOption& o) { o.JpgCompress = n; });
        } else if (arg == "--png-level") {
            const int n = IntegerArgument(arg, value(), 0, 9);
            explicitOptions.push_back([n](TIniOption& o) { o.PngCompress = n; });
        } else if (arg == "--bmp-colors") {
            const int n = BmpColorsArgument(value());
            explicitOptions.push_back([n](TIniOption& o) { o.MaxColor = n; });
        } else if (arg == "--") {
            job.Files.insert(job.Files.end(), args.begin() + long(i) + 1, args.end());
            break;
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw EUsageError("unknown option " + arg + " (see --help)");
        } else {
            job.Files.push_back(arg);
        }
    }
    if (job.Help)
        return job;

    if (emptyOptions && (gridOptions || !job.Files.empty()))
        throw EUsageError("--canvas and --at make an empty canvas; grid options and a list of "
                          "pictures make a grid: use one or the other");
    job.GridMode = !emptyOptions;
    if (job.Output.empty())
        throw EUsageError("no output file: give one with -o FILE");
    if (!formatGiven) {
        const std::string ext = FileExtension(job.Output);
        try {
            job.Format = FormatArgument(ext);
        } catch (const EUsageError&) {
            throw EUsageError("cannot tell the format from \"" + job.Output +
                              "\": give --format jpg, png, bmp or gif");
        }
    }

    if (!settingsFile.empty()) {
        if (!QFileInfo(QString::fromStdString(settingsFile)).isFile())
            throw EUsageError("no settings file \"" + settingsFile + "\"");
        try {
            job.Option = ReadIniOptionFile(settingsFile, "");
        } catch (const std::exception& e) {
            throw EUsageError(e.what());
        }
        CorrectOutputOptions(job.Option);
    }
    for (const auto& apply : explicitOptions)
        apply(job.Option);
    return job;
}

int RunMergeJob(const TMergeJob& job, std::ostream& err,
                const std::function<void(int, int)>& progress) {
    TCommandLineView view(err, progress);
    // The document reads the process-wide settings; the caller's are put back.
    struct TRestoreOption {
        TIniOption Saved = IniOption;
        ~TRestoreOption() { IniOption = Saved; }
    } restore;
    try {
        IniOption = job.Option;
        TBitmap32 canvas;
        TLayerCollection layers;
        TMergeDocument doc(canvas, layers, &view);
        doc.GridMode = job.GridMode;
        if (job.GridMode) {
            doc.PicFileList = job.Files;
            doc.RebuildPicture();
        } else {
            doc.RebuildPicture();
            int tag = 0;
            for (const TPlacedPicture& p : job.Placed) {
                doc.AddPictureLayer(p.File, TPoint{p.X, p.Y}, 0, 0, tag++, job.Option.FillColor);
                view.Progress(tag, int(job.Placed.size()));
            }
        }
        TBitmap32 picture;
        doc.RenderMergedPicture(picture);
        TSaveOptions options;
        options.JpgCompress = job.Option.JpgCompress;
        options.PngCompress = job.Option.PngCompress;
        options.MaxColor = job.Option.MaxColor;
        const std::vector<std::uint8_t> bytes = EncodePicture(
            job.Format, TPixelView(picture.Width(), picture.Height(), picture.Bits()), options);
        SaveFileSafely(QString::fromStdString(job.Output), bytes);
    } catch (const std::exception& e) {
        view.EndProgressLine();
        err << "tessellon-merge: " << e.what() << "\n";
        return kMergeFailed;
    }
    return view.Skipped > 0 ? kMergeSkipped : kMergeOk;
}
