#include "document/uLayerSource.h"

#include "engine/TBitmap32.h"

void ApplyLayerEdit(TBitmap32& Picture, TLayerEdit Edit, bool Inverse) {
    switch (Edit) {
    case TLayerEdit::FlipHorizontal:
        Picture.FlipHorizontal();
        break;
    case TLayerEdit::FlipVertical:
        Picture.FlipVertical();
        break;
    case TLayerEdit::Turn90:
        if (Inverse)
            Picture.Rotate270();
        else
            Picture.Rotate90();
        break;
    case TLayerEdit::Turn180:
        Picture.Rotate180();
        break;
    case TLayerEdit::Turn270:
        if (Inverse)
            Picture.Rotate90();
        else
            Picture.Rotate270();
        break;
    }
}

std::vector<TLayerEdit> NetLayerEdits(const std::vector<TLayerEdit>& Edits) {
    // The edits so far as a horizontal mirror (or none) followed by Turns
    // quarter turns clockwise. A mirror after a turn is the mirror before
    // the opposite turn; a vertical mirror is a horizontal one and a half turn.
    bool mirrored = false;
    int turns = 0;
    for (TLayerEdit e : Edits)
        switch (e) {
        case TLayerEdit::FlipHorizontal:
            mirrored = !mirrored;
            turns = (4 - turns) % 4;
            break;
        case TLayerEdit::FlipVertical:
            mirrored = !mirrored;
            turns = (6 - turns) % 4;
            break;
        case TLayerEdit::Turn90:
            turns = (turns + 1) % 4;
            break;
        case TLayerEdit::Turn180:
            turns = (turns + 2) % 4;
            break;
        case TLayerEdit::Turn270:
            turns = (turns + 3) % 4;
            break;
        }
    std::vector<TLayerEdit> net;
    if (mirrored)
        net.push_back(TLayerEdit::FlipHorizontal);
    const TLayerEdit turn[] = {TLayerEdit::Turn90, TLayerEdit::Turn180, TLayerEdit::Turn270};
    if (turns > 0)
        net.push_back(turn[turns - 1]);
    return net;
}

bool SameGrid(const TGridLayout& A, const TGridLayout& B) {
    return A.RowNumber == B.RowNumber && A.ColNumber == B.ColNumber &&
           A.ResizeWidth == B.ResizeWidth && A.ResizeHeight == B.ResizeHeight &&
           A.Space == B.Space;
}

TColor PlainColor(TColor Color) {
    const TColor32 c = ColorToColor32(Color);
    return TColor(RedComponent(c) | (GreenComponent(c) << 8) | (BlueComponent(c) << 16));
}

bool TLayerSource::operator==(const TLayerSource& o) const {
    return Kind == o.Kind && File == o.File && Fitted == o.Fitted && CellWidth == o.CellWidth &&
           CellHeight == o.CellHeight && FitType == o.FitType && FillColor == o.FillColor &&
           Text == o.Text && Font == o.Font && Edits == o.Edits;
}

bool TLayerRecord::operator==(const TLayerRecord& o) const {
    return Source == o.Source && Location == o.Location && Opacity == o.Opacity &&
           Visible == o.Visible && Cropped == o.Cropped && Scaled == o.Scaled && Tag == o.Tag;
}

bool TCanvasSource::operator==(const TCanvasSource& o) const {
    return Width == o.Width && Height == o.Height && Background == o.Background &&
           Guides == o.Guides && (!Guides || SameGrid(Grid, o.Grid)) && Flattened == o.Flattened;
}
