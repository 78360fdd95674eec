// The layout fields that the creation wizard and the reset dialog share: cell
// size, fitting type, fill and background colours, rows, columns and gap. Each
// field writes its value into the settings record the moment it changes; the
// cell width and height can follow each other by a ratio. No widget: the
// dialogs show what this holds and pass every change of a control to it.
#pragma once

#include "settings/uIniOption.h"

#include <cstdint>
#include <string>

// The values a number field allows; a value set by the program is brought
// into them first.
struct TFieldRange {
    std::int32_t Min;
    std::int32_t Max;
    // The digits the field accepts.
    int Digits;
    std::int32_t Clamp(std::int64_t Value) const {
        return Value < Min ? Min : Value > Max ? Max : std::int32_t(Value);
    }
};

// Widths and heights of pictures and cells, rows and columns, and the gap.
constexpr TFieldRange kSideRange{2, 9999, 4};
constexpr TFieldRange kCountRange{1, 999, 3};
constexpr TFieldRange kSpaceRange{0, 999, 3};

// The items of the fitting type's drop-down list, index = ResizeType.
extern const char* const kResizeTypeItems[2];

class TLayoutParams {
public:
    explicit TLayoutParams(TIniOption& Option);

    TIniOption& Option() { return FOption; }
    const TIniOption& Option() const { return FOption; }

    // What the fields show.
    std::int32_t ResizeWidth() const { return FResizeWidth; }
    std::int32_t ResizeHeight() const { return FResizeHeight; }
    std::int32_t Rows() const { return FRows; }
    std::int32_t Cols() const { return FCols; }
    std::int32_t Space() const { return FSpace; }
    // The item the drop-down list shows, -1 for none.
    int ResizeTypeItem() const { return FResizeTypeItem; }
    TColor FillColor() const { return FFillColor; }
    TColor NewBg() const { return FNewBg; }

    // A change of a field, typed, stepped or by the program: the value is
    // brought into the field's range, and when that differs from what the
    // field shows, the field's rule runs. The width and height rules first set
    // the other side by the ratio when AspectRatio is ticked and the guard is
    // down (raising the guard meanwhile); every rule then writes its value
    // into the settings record.
    void SetResizeWidth(std::int64_t Value);
    void SetResizeHeight(std::int64_t Value);
    void SetRows(std::int64_t Value);
    void SetCols(std::int64_t Value);
    void SetSpace(std::int64_t Value);
    // The user picked item Index (0 or 1) of the drop-down list.
    void ChooseResizeType(int Index);
    void SetFillColor(TColor Value);
    void SetNewBg(TColor Value);

    // cbAspectRatio.
    bool AspectRatio = false;
    // While raised, a change of the width or height does not set the other.
    bool Guard = true;
    // Width / height that the coupling keeps.
    double Ratio = 0;

    // Sets both colour buttons from the settings record.
    void ShowColours();
    // Sets the fields from the settings record in the order rows, columns,
    // fitting type, width, height, gap, with the guard raised (it stays
    // raised). Each value is brought into its field's range and the record
    // keeps what the field shows, so that what the user sees is what a
    // rebuild uses. A fitting type outside 0..1 shows no item and is kept.
    void ShowGridFields();
    // Sets the other side from the side that the ratio keeps (the width when
    // the ratio is above 1), with the guard raised meanwhile and lowered
    // afterwards; nothing while AspectRatio is not ticked.
    void CoupleToRatio();

    // The text of plPicSize: the size of the grid the record describes.
    std::string DimensionText() const;
    // The message that refuses the grid the record describes, "" when its
    // canvas fits the pixel store.
    std::string GridRefusal() const;

private:
    TIniOption& FOption;
    std::int32_t FResizeWidth;
    std::int32_t FResizeHeight;
    std::int32_t FRows;
    std::int32_t FCols;
    std::int32_t FSpace;
    int FResizeTypeItem;
    TColor FFillColor;
    TColor FNewBg;
};
