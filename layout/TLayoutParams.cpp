#include "layout/TLayoutParams.h"

#include "layout/uCanvasLimit.h"
#include "layout/uGridGeometry.h"

const char* const kResizeTypeItems[2] = {"Resize (DONOT keep aspect ratio)",
                                         "Resample (keep aspect ratio)"};

namespace {

// Runs Body with the guard raised and lowers it afterwards.
template <typename F> void Coupling(bool& Guard, F Body) {
    Guard = true;
    Body();
    Guard = false;
}

} // namespace

TLayoutParams::TLayoutParams(TIniOption& Option) : FOption(Option) {
    // Until the first opening the fields show the settings' defaults.
    const TIniOption defaults;
    FResizeWidth = defaults.ResizeWidth;
    FResizeHeight = defaults.ResizeHeight;
    FRows = defaults.RowNumber;
    FCols = defaults.ColNumber;
    FSpace = defaults.Space;
    FResizeTypeItem = defaults.ResizeType;
    FFillColor = defaults.FillColor;
    FNewBg = defaults.NewBg;
}

void TLayoutParams::SetResizeWidth(std::int64_t Value) {
    const std::int32_t v = kSideRange.Clamp(Value);
    if (v == FResizeWidth)
        return;
    FResizeWidth = v;
    if (AspectRatio && !Guard)
        Coupling(Guard, [&] {
            SetResizeHeight(CoupledHeightWithin(v, Ratio, kSideRange.Min, kSideRange.Max));
        });
    FOption.ResizeWidth = v;
}

void TLayoutParams::SetResizeHeight(std::int64_t Value) {
    const std::int32_t v = kSideRange.Clamp(Value);
    if (v == FResizeHeight)
        return;
    FResizeHeight = v;
    if (AspectRatio && !Guard)
        Coupling(Guard, [&] {
            SetResizeWidth(CoupledWidthWithin(v, Ratio, kSideRange.Min, kSideRange.Max));
        });
    FOption.ResizeHeight = v;
}

void TLayoutParams::SetRows(std::int64_t Value) {
    FRows = kCountRange.Clamp(Value);
    FOption.RowNumber = FRows;
}

void TLayoutParams::SetCols(std::int64_t Value) {
    FCols = kCountRange.Clamp(Value);
    FOption.ColNumber = FCols;
}

void TLayoutParams::SetSpace(std::int64_t Value) {
    FSpace = kSpaceRange.Clamp(Value);
    FOption.Space = FSpace;
}

void TLayoutParams::ChooseResizeType(int Index) {
    if (Index < 0 || Index > 1)
        return;
    FResizeTypeItem = Index;
    FOption.ResizeType = Index;
}

void TLayoutParams::SetFillColor(TColor Value) {
    FFillColor = Value;
    FOption.FillColor = Value;
}

void TLayoutParams::SetNewBg(TColor Value) {
    FNewBg = Value;
    FOption.NewBg = Value;
}

void TLayoutParams::ShowColours() {
    SetNewBg(FOption.NewBg);
    SetFillColor(FOption.FillColor);
}

void TLayoutParams::ShowGridFields() {
    Guard = true;
    SetRows(FOption.RowNumber);
    SetCols(FOption.ColNumber);
    // The list shows the item without running a rule.
    FResizeTypeItem = FOption.ResizeType == 0 || FOption.ResizeType == 1 ? FOption.ResizeType : -1;
    SetResizeWidth(FOption.ResizeWidth);
    FOption.ResizeWidth = FResizeWidth;
    SetResizeHeight(FOption.ResizeHeight);
    FOption.ResizeHeight = FResizeHeight;
    SetSpace(FOption.Space);
}

void TLayoutParams::CoupleToRatio() {
    if (!AspectRatio)
        return;
    Coupling(Guard, [&] {
        if (Ratio > 1)
            SetResizeHeight(
                CoupledHeightWithin(FResizeWidth, Ratio, kSideRange.Min, kSideRange.Max));
        else
            SetResizeWidth(
                CoupledWidthWithin(FResizeHeight, Ratio, kSideRange.Min, kSideRange.Max));
    });
}

std::string TLayoutParams::DimensionText() const {
    const TGridSize size = GridCanvasSize(TGridLayout::FromOption(FOption));
    return ::DimensionText(size.Width, size.Height);
}

std::string TLayoutParams::GridRefusal() const {
    const TCanvasExtent e = GridCanvasExtent(TGridLayout::FromOption(FOption));
    return CanvasSizeRefusal(e.Width, e.Height);
}
