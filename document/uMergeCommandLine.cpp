#include "document/uMergeCommandLine.h"

#include "codecs/uCodecRegistry.h"
#include "document/TMergeDocument.h"
#include "document/uPictureFile.h"
#include "document/uProjectFile.h"
#include "layout/uGridGeometry.h"

#include <QFileInfo>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <exception>
#include <sstream>

namespace {

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

namespace {

// What an option takes after its name.
enum class TValueKind {
    Flag,    // nothing
    Integer, // a whole number within [Low, High]
    Size,    // WxH, both within [Low, High]
    Colour,  // #RRGGBB or a settings colour number
    Choice,  // one of Choices
    Text,    // any text (a file name)
    Point,   // X,Y within [Low, High], then a picture file
};

// A word of a Choice option and the number it stands for.
struct TChoice {
    const char* Word;
    int Value;
};

// An option's value, read by its kind.
struct TArgValue {
    std::string Text;
    int A = 0; // the number, the choice's value, the width or X
    int B = 0; // the height or Y
    TColor Colour = 0;
};

// What the rows of the table set while the line is read.
struct TParseState {
    explicit TParseState(TMergeJob& job) : Job(job) {}
    TMergeJob& Job;
    std::string SettingsFile;
    bool FormatGiven = false;
    bool GridOptions = false;
    bool EmptyOptions = false;
    // An option of the layout both kinds share (the background).
    bool LayoutOptions = false;
    // Explicit layout and output values apply after the settings file,
    // whatever their order on the line.
    std::vector<std::function<void(TIniOption&)>> Explicit;
};

struct TOptionRow {
    const char* Name;  // "--rows"
    const char* Short; // "-o", or nullptr
    TValueKind Kind;
    int Low;
    int High;
    std::vector<TChoice> Choices;
    const char* Group;     // heading of --help
    const char* ValueName; // the value as --help shows it
    const char* Help;      // lines joined by '\n'
    void (*Apply)(TParseState&, const TArgValue&);
};

// Sets a field of the settings record once the settings file has been read.
template <std::int32_t TIniOption::*Field> void SetOption(TParseState& s, const TArgValue& v) {
    s.Explicit.push_back([n = v.A](TIniOption& o) { o.*Field = n; });
}
template <TColor TIniOption::*Field> void SetColour(TParseState& s, const TArgValue& v) {
    s.Explicit.push_back([c = v.Colour](TIniOption& o) { o.*Field = c; });
}
template <std::int32_t TIniOption::*Field> void SetGridOption(TParseState& s, const TArgValue& v) {
    s.GridOptions = true;
    SetOption<Field>(s, v);
}

const char* const kGrid = "Grid";
const char* const kEmpty = "Empty canvas";
const char* const kProject = "Project";
const char* const kBoth = "Both";
const char* const kOutput = "Output";

const std::vector<TOptionRow>& OptionTable() {
    using K = TValueKind;
    static const std::vector<TOptionRow> table = {
        {"--rows", nullptr, K::Integer, 1, 999, {}, kGrid, "N", "rows of cells (1-999)",
         SetGridOption<&TIniOption::RowNumber>},
        {"--cols", nullptr, K::Integer, 1, 999, {}, kGrid, "N", "columns of cells (1-999)",
         SetGridOption<&TIniOption::ColNumber>},
        {"--cell", nullptr, K::Size, 2, 9999, {}, kGrid, "WxH",
         "size of a cell in pixels (2-9999)",
         [](TParseState& s, const TArgValue& v) {
             s.GridOptions = true;
             s.Explicit.push_back([w = v.A, h = v.B](TIniOption& o) {
                 o.ResizeWidth = w;
                 o.ResizeHeight = h;
             });
         }},
        {"--space", nullptr, K::Integer, 0, 999, {}, kGrid, "N",
         "gap around and between cells in pixels (0-999)", SetGridOption<&TIniOption::Space>},
        {"--fit", nullptr, K::Choice, 0, 0, {{"stretch", 0}, {"keep", 1}}, kGrid, "stretch|keep",
         "stretch each picture to its cell, or keep its aspect ratio",
         SetGridOption<&TIniOption::ResizeType>},
        {"--fill", nullptr, K::Colour, 0, 0, {}, kGrid, "COLOUR",
         "colour around a picture whose ratio is kept",
         [](TParseState& s, const TArgValue& v) {
             s.GridOptions = true;
             SetColour<&TIniOption::FillColor>(s, v);
         }},
        {"--canvas", nullptr, K::Size, 2, 9999, {}, kEmpty, "WxH", "size of the canvas (2-9999)",
         [](TParseState& s, const TArgValue& v) {
             s.EmptyOptions = true;
             s.Explicit.push_back([w = v.A, h = v.B](TIniOption& o) {
                 o.NewWidth = w;
                 o.NewHeight = h;
             });
         }},
        {"--at", nullptr, K::Point, -99999999, 99999999, {}, kEmpty, "X,Y PICTURE",
         "place a picture with its top-left corner at X,Y",
         [](TParseState& s, const TArgValue& v) {
             s.EmptyOptions = true;
             s.Job.Placed.push_back(TPlacedPicture{v.A, v.B, v.Text});
         }},
        {"--project", nullptr, K::Text, 0, 0, {}, kProject, "FILE",
         "a saved project, with its own layout and pictures",
         [](TParseState& s, const TArgValue& v) { s.Job.Project = v.Text; }},
        {"--bg", nullptr, K::Colour, 0, 0, {}, kBoth, "COLOUR", "background colour",
         [](TParseState& s, const TArgValue& v) {
             s.LayoutOptions = true;
             SetColour<&TIniOption::NewBg>(s, v);
         }},
        {"--settings", nullptr, K::Text, 0, 0, {}, kBoth, "FILE",
         "take layout and output options from a Setup.ini;\noptions given here override it",
         [](TParseState& s, const TArgValue& v) { s.SettingsFile = v.Text; }},
        {"--output", "-o", K::Text, 0, 0, {}, kOutput, "FILE",
         "the picture to write (replaced safely when it exists)",
         [](TParseState& s, const TArgValue& v) { s.Job.Output = v.Text; }},
        {"--format",
         nullptr,
         K::Choice,
         0,
         0,
         {{"jpg", int(TSaveFormat::Jpeg)},
          {"jpeg", int(TSaveFormat::Jpeg)},
          {"png", int(TSaveFormat::Png)},
          {"bmp", int(TSaveFormat::Bmp)},
          {"gif", int(TSaveFormat::Gif)}},
         kOutput,
         "FORMAT",
         "jpg, png, bmp or gif (default: from the file's extension)",
         [](TParseState& s, const TArgValue& v) {
             s.Job.Format = TSaveFormat(v.A);
             s.FormatGiven = true;
         }},
        {"--quality", nullptr, K::Integer, 0, 100, {}, kOutput, "N", "JPEG quality (0-100)",
         SetOption<&TIniOption::JpgCompress>},
        {"--png-level", nullptr, K::Integer, 0, 9, {}, kOutput, "N",
         "PNG compression level (0-9)", SetOption<&TIniOption::PngCompress>},
        {"--bmp-colors", nullptr, K::Choice, 0, 0,
         {{"16", 0}, {"256", 1}, {"16bit", 2}, {"24bit", 3}}, kOutput, "C",
         "BMP colours: 16, 256, 16bit or 24bit", SetOption<&TIniOption::MaxColor>},
        {"--quiet", nullptr, K::Flag, 0, 0, {}, kOutput, "", "no progress line",
         [](TParseState& s, const TArgValue&) { s.Job.Quiet = true; }},
        {"--help", "-h", K::Flag, 0, 0, {}, kOutput, "", "this text",
         [](TParseState& s, const TArgValue&) { s.Job.Help = true; }},
    };
    return table;
}

const TOptionRow* FindOption(const std::string& name) {
    for (const TOptionRow& row : OptionTable())
        if (name == row.Name || (row.Short && name == row.Short))
            return &row;
    return nullptr;
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

// A whole decimal number: an optional minus and digits, nothing else (no
// blanks, no plus sign).
bool ParseWhole(const std::string& text, long long& value) {
    const std::size_t digits = text.size() - (!text.empty() && text[0] == '-' ? 1 : 0);
    if (digits == 0 || digits > 18)
        return false;
    if (!std::all_of(text.end() - long(digits), text.end(),
                     [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    value = std::stoll(text);
    return true;
}

int IntegerArgument(const std::string& option, const std::string& text, int low, int high) {
    long long value = 0;
    if (!ParseWhole(text, value) || value < low || value > high)
        throw EUsageError(option + " takes a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high) + ", not " + Quoted(text));
    return int(value);
}

// Two whole numbers joined by Separator (either case for a letter).
void PairArgument(const TOptionRow& row, const std::string& text, char separator,
                  const char* example, TArgValue& value) {
    const std::size_t at = Lower(text).find(separator);
    if (at == std::string::npos)
        throw EUsageError(std::string(row.Name) + " takes " + example + ", not " + Quoted(text));
    value.A = IntegerArgument(row.Name, text.substr(0, at), row.Low, row.High);
    value.B = IntegerArgument(row.Name, text.substr(at + 1), row.Low, row.High);
}

std::string ChoiceList(const TOptionRow& row) {
    std::string list;
    for (std::size_t i = 0; i < row.Choices.size(); ++i) {
        if (i > 0)
            list += i + 1 == row.Choices.size() ? " or " : ", ";
        list += row.Choices[i].Word;
    }
    return list;
}

int ChoiceArgument(const TOptionRow& row, const std::string& text) {
    const std::string word = Lower(text);
    for (const TChoice& c : row.Choices)
        if (word == c.Word)
            return c.Value;
    throw EUsageError(std::string(row.Name) + " takes " + ChoiceList(row) + ", not " +
                      Quoted(text));
}

// True for a word that reads as an option rather than a file.
bool LooksLikeOption(const std::string& arg) {
    return arg.size() > 1 && arg[0] == '-' && FindOption(arg.substr(0, arg.find('=')));
}

} // namespace

TColor ParseColourArgument(const std::string& text) {
    const bool hex = text.size() == 7 && text[0] == '#' &&
                     std::all_of(text.begin() + 1, text.end(), [](char c) {
                         return std::isxdigit(static_cast<unsigned char>(c)) != 0;
                     });
    if (hex) {
        const unsigned long rgb = std::strtoul(text.c_str() + 1, nullptr, 16);
        const unsigned r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
        return TColor(r | (g << 8) | (b << 16));
    }
    long long v = 0;
    if (ParseWhole(text, v) && v >= INT32_MIN && v <= INT32_MAX)
        return TColor(v);
    throw EUsageError("a colour is #RRGGBB or a settings colour number, not " + Quoted(text));
}

std::string MergeUsage() {
    std::string text =
        "Usage:\n"
        "  tessellon-merge [options] -o OUTPUT PICTURE...\n"
        "      a grid of cells, one picture in each\n"
        "  tessellon-merge --canvas WxH [--at X,Y PICTURE]... -o OUTPUT\n"
        "      pictures at their own size on an empty canvas\n"
        "  tessellon-merge --project FILE -o OUTPUT\n"
        "      a saved project, the picture the desktop program saves of it\n";
    constexpr std::size_t kHelpColumn = 22;
    const char* group = nullptr;
    for (const TOptionRow& row : OptionTable()) {
        if (!group || std::string(group) != row.Group) {
            group = row.Group;
            text += std::string(group == kGrid ? "\n" : "") + group + ":\n";
        }
        std::string head = "  ";
        if (row.Short)
            head += std::string(row.Short) + ", ";
        head += row.Name;
        if (*row.ValueName)
            head += std::string(" ") + row.ValueName;
        std::string help = row.Help;
        std::size_t from = 0;
        for (;;) {
            const std::size_t end = help.find('\n', from);
            const std::string line = help.substr(from, end - from);
            if (head.size() + 1 > kHelpColumn) {
                text += head + "\n";
                head.clear();
            }
            head.resize(kHelpColumn, ' ');
            text += head + line + "\n";
            head.clear();
            if (end == std::string::npos)
                break;
            from = end + 1;
        }
    }
    text += "\n"
            "Colours are #RRGGBB or a settings colour number (decimal 0x00BBGGRR).\n"
            "Exit status: 0 done; 1 written, but some pictures could not be read;\n"
            "2 bad arguments or the picture could not be written.\n";
    return text;
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
    TParseState state(job);
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            job.Files.insert(job.Files.end(), args.begin() + long(i) + 1, args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            job.Files.push_back(arg);
            continue;
        }
        // "--name=value" for long options.
        std::string name = arg;
        std::string inlineValue;
        bool hasInline = false;
        if (arg.rfind("--", 0) == 0 && arg.find('=') != std::string::npos) {
            name = arg.substr(0, arg.find('='));
            inlineValue = arg.substr(arg.find('=') + 1);
            hasInline = true;
        }
        const TOptionRow* row = FindOption(name);
        if (!row)
            throw EUsageError("unknown option " + name + " (see --help)");
        if (row->Kind == TValueKind::Flag && hasInline)
            throw EUsageError(std::string(row->Name) + " takes no value, not " +
                              Quoted(inlineValue));
        auto next = [&]() -> std::string {
            if (hasInline) {
                hasInline = false;
                return inlineValue;
            }
            if (i + 1 >= args.size())
                throw EUsageError(name + " needs a value");
            return args[++i];
        };
        TArgValue value;
        switch (row->Kind) {
        case TValueKind::Flag:
            break;
        case TValueKind::Integer:
            value.A = IntegerArgument(row->Name, next(), row->Low, row->High);
            break;
        case TValueKind::Size:
            PairArgument(*row, next(), 'x', "a size like 240x220", value);
            break;
        case TValueKind::Colour:
            value.Colour = ParseColourArgument(next());
            break;
        case TValueKind::Choice:
            value.A = ChoiceArgument(*row, next());
            break;
        case TValueKind::Text:
            value.Text = next();
            break;
        case TValueKind::Point: {
            const std::string at = next();
            PairArgument(*row, at, ',', "a point like 10,20", value);
            if (i + 1 >= args.size())
                throw EUsageError(name + " " + at + " needs a picture file");
            if (LooksLikeOption(args[i + 1]))
                throw EUsageError(name + " " + at + " needs a picture file, not the option " +
                                  args[i + 1]);
            value.Text = args[++i];
            break;
        }
        }
        row->Apply(state, value);
    }
    if (job.Help)
        return job;

    if (!job.Project.empty() && (state.EmptyOptions || state.GridOptions ||
                                 state.LayoutOptions || !job.Files.empty()))
        throw EUsageError("--project takes its layout and pictures from the project: give no "
                          "layout options or pictures with it");
    if (state.EmptyOptions && (state.GridOptions || !job.Files.empty()))
        throw EUsageError("--canvas and --at make an empty canvas; grid options and a list of "
                          "pictures make a grid: use one or the other");
    job.GridMode = !state.EmptyOptions;
    if (job.Output.empty())
        throw EUsageError("no output file: give one with -o FILE");
    if (!state.FormatGiven) {
        const TOptionRow& format = *FindOption("--format");
        try {
            job.Format = TSaveFormat(ChoiceArgument(format, FileExtension(job.Output)));
        } catch (const EUsageError&) {
            throw EUsageError("cannot tell the format from " + Quoted(job.Output) +
                              ": give --format " + ChoiceList(format));
        }
    }

    if (!state.SettingsFile.empty()) {
        if (!QFileInfo(QString::fromStdString(state.SettingsFile)).isFile())
            throw EUsageError("no settings file " + Quoted(state.SettingsFile));
        try {
            job.Option = ReadIniOptionFile(state.SettingsFile, "");
        } catch (const std::exception& e) {
            throw EUsageError(e.what());
        }
        CorrectOutputOptions(job.Option);
    }
    for (const auto& apply : state.Explicit)
        apply(job.Option);
    return job;
}

std::vector<std::string> MergeWarnings(const TMergeJob& job) {
    std::vector<std::string> warnings;
    if (!job.Project.empty())
        return warnings;
    if (job.GridMode) {
        const std::int64_t cells = CellCount(TGridLayout::FromOption(job.Option));
        const std::int64_t given = std::int64_t(job.Files.size());
        if (given == 0)
            warnings.push_back("no pictures given: the grid's cells stay empty");
        else if (given > cells)
            warnings.push_back(std::to_string(given) + " pictures given for " +
                               std::to_string(cells) + " cells: the last " +
                               std::to_string(given - cells) + " are left out");
    } else if (job.Placed.empty()) {
        warnings.push_back("no pictures given: the canvas stays empty");
    }
    return warnings;
}

int RunMergeJob(const TMergeJob& job, std::ostream& err,
                const std::function<void(int, int)>& progress) {
    for (const std::string& warning : MergeWarnings(job))
        err << "tessellon-merge: warning: " << warning << "\n";
    TCommandLineView view(err, progress);
    try {
        const TMergeLayout layout = TMergeLayout::FromOption(job.Option);
        TBitmap32 canvas;
        TLayerCollection layers;
        TMergeDocument doc(canvas, layers, &view);
        if (!job.Project.empty()) {
            // What cannot be read is left out and listed as skipped.
            std::vector<std::string> leftOut;
            doc.OpenProject(ReadProjectFile(QString::fromStdString(job.Project)), leftOut);
            TBitmap32 picture;
            doc.RenderMergedPicture(picture);
            WritePictureFile(QString::fromStdString(job.Output), job.Format, picture,
                             SaveOptionsFromSettings(job.Option));
            return view.Skipped > 0 ? kMergeSkipped : kMergeOk;
        }
        doc.GridMode = job.GridMode;
        doc.PicFileList = job.GridMode ? job.Files : std::vector<std::string>();
        doc.RebuildPicture(layout);
        int tag = 0;
        for (const TPlacedPicture& p : job.Placed) {
            doc.AddPictureLayer(p.File, TPoint{p.X, p.Y}, 0, 0, tag++, layout.ResizeType,
                                layout.FillColor);
            view.Progress(tag, int(job.Placed.size()));
        }
        TBitmap32 picture;
        doc.RenderMergedPicture(picture);
        WritePictureFile(QString::fromStdString(job.Output), job.Format, picture,
                         SaveOptionsFromSettings(job.Option));
    } catch (const std::exception& e) {
        view.EndProgressLine();
        err << "tessellon-merge: " << e.what() << "\n";
        return kMergeFailed;
    }
    return view.Skipped > 0 ? kMergeSkipped : kMergeOk;
}
