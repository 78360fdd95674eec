// What re-creates a layer of the merged picture exactly: the picture file or
// the text it was made from, the mirror and turn edits applied to its picture
// since, in order, and its state on the canvas; and what re-creates the canvas
// under the layers. The document keeps them as it makes and edits layers, and
// project files hold them.
#pragma once

#include "engine/TColor32.h"
#include "engine/TFont.h"
#include "engine/TRect.h"
#include "layout/uGridGeometry.h"

#include <QString>

#include <cstdint>
#include <string>
#include <vector>

// An edit of a layer's picture. Mirroring and turning do not commute: the
// order in which they were applied is part of the result.
enum class TLayerEdit { FlipHorizontal, FlipVertical, Turn90, Turn180, Turn270 };

// Applies Edit to Picture, or its inverse when Inverse.
class TBitmap32;
void ApplyLayerEdit(TBitmap32& Picture, TLayerEdit Edit, bool Inverse = false);
// Edits made one after another come to at most a mirror and a turn: the
// edits that give the same picture as all of Edits in order, at most two.
std::vector<TLayerEdit> NetLayerEdits(const std::vector<TLayerEdit>& Edits);

struct TLayerSource {
    enum class TKind {
        Unknown, // a layer the document did not make: it cannot be re-created
        Picture,
        Text,
    };
    TKind Kind = TKind::Unknown;
    // A picture file: when Fitted, fitted into a cell of CellWidth x CellHeight
    // by FitType on FillColor (a plain 0x00BBGGRR colour) and made opaque;
    // otherwise at its own size with its transparency.
    std::string File;
    bool Fitted = false;
    std::int32_t CellWidth = 0;
    std::int32_t CellHeight = 0;
    std::int32_t FitType = 0;
    TColor FillColor = 0;
    // A line of text in Font (its colour a plain colour).
    QString Text;
    TFont Font;
    // The edits of its picture since it was made, first first.
    std::vector<TLayerEdit> Edits;

    bool operator==(const TLayerSource& o) const;
    bool operator!=(const TLayerSource& o) const { return !(*this == o); }
};

// A layer as it stands: its source and its state on the canvas.
struct TLayerRecord {
    TLayerSource Source;
    TRectF Location;
    std::int32_t Opacity = 255;
    bool Visible = true;
    bool Cropped = false;
    bool Scaled = true;
    std::int32_t Tag = 0;

    bool operator==(const TLayerRecord& o) const;
    bool operator!=(const TLayerRecord& o) const { return !(*this == o); }
};

// The canvas under the layers: Width x Height of Background, the dotted guides
// of Grid's cells when Guides, and the layers flattened into it since, bottom
// first.
struct TCanvasSource {
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    TColor32 Background = 0xFFFFFFFFu;
    bool Guides = false;
    TGridLayout Grid;
    std::vector<TLayerRecord> Flattened;

    bool operator==(const TCanvasSource& o) const;
    bool operator!=(const TCanvasSource& o) const { return !(*this == o); }
};

bool SameGrid(const TGridLayout& A, const TGridLayout& B);
// The plain colour a form colour stands for (system colours resolved).
TColor PlainColor(TColor Color);
