#include "layout/TWizardLogic.h"

#include "layout/uCanvasLimit.h"
#include "pictures/uPicLib.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

namespace {

// The sample dialog's file types after "All": a name and its extension each.
const struct {
    const char* Name;
    const char* Ext;
} kSampleTypes[] = {
    {"Portable Network Graphics", "png"},
    {"Portable network graphic images", "png"},
    {"Paintshop Pro images", "psp"},
    {"Dr. Halo images", "cut"},
    {"CompuServe images", "gif"},
    {"Kodak Photo-CD images", "pcd"},
    {"Autodesk images", "pic"},
    {"Autodesk images", "cel"},
    {"Portable bitmap images", "pbm"},
    {"Portable gray map images", "pgm"},
    {"Portable pixel map images", "ppm"},
    {"Photoshop images", "pdd"},
    {"Photoshop images", "psd"},
    {"SGI black/white images", "bw"},
    {"SGI true color images", "rgb"},
    {"SGI true color images with alpha", "rgba"},
    {"SGI true color images", "sgi"},
    {"Alias/Wavefront images", "rla"},
    {"Alias/Wavefront images", "rpf"},
    {"Word 5.x screen capture images", "scr"},
    {"ZSoft Paintbrush images", "pcc"},
    {"ZSoft Paintbrush images", "pcx"},
    {"Encapsulated Postscript images", "eps"},
    {"GFI fax images", "fax"},
    {"PC TIF images", "tif"},
    {"Macintosh TIFF images", "tiff"},
    {"Truevision images", "icb"},
    {"Truevision images", "tga"},
    {"Truevision images", "vda"},
    {"Truevision images", "vst"},
    {"Truevision images", "win"},
    {"Device independant Windows bitmaps", "dib"},
    {"Run length encoded Windows bitmaps", "rle"},
    {"JPEG images", "jpeg"},
    {"JPE images", "jpe"},
    {"JPG images", "jpg"},
    {"JFIF images", "jfif"},
    {"Windows enhanced meta files", "emf"},
    {"Windows metafiles", "wmf"},
    {"Windows icons", "ico"},
};

const char* const kSampleAllMasks =
    "*.png;*.png;*.psp;*.cut;*.gif;*.pcd;*.pic;*.cel;*.pbm;*.pgm;*.ppm;*.pdd;*.psd;*.bw;*.rgb;"
    "*.rgba;*.sgi;*.rla;*.rpf;*.scr;*.pcc;*.pcx;*.eps;*.fax;*.tif;*.tiff;*.icb;*.tga;*.vda;*.vst;"
    "*.win;*.dib;*.rle;*.jpeg;*.jpe;*.jpg;*.jfif;*.emf;*.wmf;*.ico;*.bmp;*.cur;*.pcx;*.ani;*.jpg;"
    "*.jpeg;*.bmp;*.ico;*.emf;*.wmf";

} // namespace

std::string SampleFileFilter() {
    std::string filter = std::string("All (") + kSampleAllMasks + ")|" + kSampleAllMasks;
    for (const auto& t : kSampleTypes)
        filter += std::string("|") + t.Name + " (*." + t.Ext + ")|*." + t.Ext;
    return filter;
}

namespace {

bool IsFile(const std::string& Path) {
    return !Path.empty() && QFileInfo(QString::fromStdString(Path)).isFile();
}

bool MeasurePicture(const std::string& File, int& Width, int& Height) {
    TBitmap picture(pf24bit);
    if (!LoadPictureToBitmap(File, picture))
        return false;
    Width = picture.Width();
    Height = picture.Height();
    return true;
}

} // namespace

std::string SampleMessage(TSampleResult Result) {
    switch (Result) {
    case TSampleResult::LoadFailed:
        return "Sorry. Can not open this picture!";
    case TSampleResult::TooSmall:
        return "Dimensions of sample picture is very small!";
    case TSampleResult::None:
    case TSampleResult::Measured:
        break;
    }
    return std::string();
}

std::string FolderWithSeparator(const std::string& File) {
    std::string folder =
        QDir::toNativeSeparators(QFileInfo(QString::fromStdString(File)).absolutePath())
            .toStdString();
    const char separator = QDir::separator().toLatin1();
    if (folder.empty() || folder.back() != separator)
        folder += separator;
    return folder;
}

TWizardLogic::TWizardLogic(TIniOption& Option, TFileExists FileExists, TMeasure Measure)
    : Params(Option), FFileExists(FileExists ? std::move(FileExists) : IsFile),
      FMeasure(Measure ? std::move(Measure) : MeasurePicture) {
    const TIniOption defaults;
    FNewWidth = defaults.NewWidth;
    FNewHeight = defaults.NewHeight;
}

void TWizardLogic::Open() {
    FPage = 0;
    FNextOnPage1 = false;
    SetSampleText(std::string());
    Params.ShowColours();
    // Setting the fields is no change by the user: a coupling in force from
    // an earlier sample must not move the other side meanwhile.
    const bool guard = Params.Guard;
    TIniOption& option = Params.Option();
    SetNewWidth(option.NewWidth);
    option.NewWidth = FNewWidth;
    SetNewHeight(option.NewHeight);
    option.NewHeight = FNewHeight;
    Params.ShowGridFields();
    Params.Guard = guard;
    UpdatePage1();
}

void TWizardLogic::SelectKind(TWizardKind Kind) {
    FKind = Kind;
    UpdatePage1();
}

void TWizardLogic::SetSampleText(const std::string& Text) {
    FSampleText = Text;
    UpdatePage1();
}

void TWizardLogic::SetNewWidth(std::int64_t Value) {
    FNewWidth = kSideRange.Clamp(Value);
    Params.Option().NewWidth = FNewWidth;
}

void TWizardLogic::SetNewHeight(std::int64_t Value) {
    FNewHeight = kSideRange.Clamp(Value);
    Params.Option().NewHeight = FNewHeight;
}

void TWizardLogic::UpdatePage1() {
    FGridFlag = false;
    FSizeFieldsEnabled = FKind == TWizardKind::Empty;
    if (FSizeFieldsEnabled) {
        FFinishOnPage1 = true;
        FNextOnPage1 = false;
    } else {
        FFinishOnPage1 = false;
    }
    FSampleFieldEnabled = FKind == TWizardKind::Grid;
    if (FSampleFieldEnabled) {
        FGridFlag = true;
        FNextOnPage1 = FFileExists(FSampleText);
    }
}

std::string TWizardLogic::SampleDialogFolder() const {
    if (!FSampleText.empty()) {
        const QFileInfo file(QString::fromStdString(FSampleText));
        if (file.absoluteDir().exists())
            return QDir::toNativeSeparators(file.absolutePath()).toStdString();
    }
    return Params.Option().ScrIniPath;
}

TSampleResult TWizardLogic::SampleDialogClosed(const std::string& Chosen) {
    const std::string file = Chosen.empty() ? FSampleText : Chosen;
    TSampleResult result = TSampleResult::None;
    if (FFileExists(file))
        result = MeasureSample(file);
    // A picture that cannot be opened does not replace the sample named so far.
    if (!Chosen.empty() && result != TSampleResult::LoadFailed)
        SetSampleText(Chosen);
    return result;
}

TSampleResult TWizardLogic::MeasureSample(const std::string& File) {
    FMeasuredText = File;
    FMeasuredOnce = true;
    Params.Option().ScrIniPath = FolderWithSeparator(File);
    int width = 0, height = 0;
    if (!FMeasure(File, width, height))
        return TSampleResult::LoadFailed;
    FSampleWidth = width;
    FSampleHeight = height;
    if (width < 2 || height < 2)
        return TSampleResult::TooSmall;
    FSampleRatio = double(width) / double(height);
    Params.Ratio = FSampleRatio;
    Params.CoupleToRatio();
    return TSampleResult::Measured;
}

void TWizardLogic::UseOriginalDimensions() {
    Params.SetResizeWidth(FSampleWidth);
    Params.SetResizeHeight(FSampleHeight);
}

TSampleResult TWizardLogic::Next() {
    if (!NextEnabled())
        return TSampleResult::None;
    TSampleResult result = TSampleResult::None;
    // A path typed by hand has not been measured by the browse button.
    if (FPage == 0 && FKind == TWizardKind::Grid &&
        (!FMeasuredOnce || FMeasuredText != FSampleText) && FFileExists(FSampleText))
        result = MeasureSample(FSampleText);
    ++FPage;
    return result;
}

void TWizardLogic::Back() {
    if (FPage > 0)
        --FPage;
}

std::string TWizardLogic::FinishRefusal() const {
    if (FGridFlag)
        return Params.GridRefusal();
    return CanvasSizeRefusal(FNewWidth, FNewHeight);
}

void TWizardLogic::AddPictures(const std::vector<std::string>& Files,
                               const std::function<void(int Index)>& Appended) {
    for (const std::string& file : Files)
        if (Pictures.Add(file) && Appended)
            Appended(Pictures.Count() - 1);
    if (!Files.empty())
        Params.Option().ScrIniPath = FolderWithSeparator(Files.front());
}

std::string TWizardLogic::PreviewFile() const {
    const int i = Pictures.Current();
    if (i < 0 || !Pictures.Selected(i) || !FFileExists(Pictures.Text(i)))
        return std::string();
    return Pictures.Text(i);
}
