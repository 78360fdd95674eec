#include "document/uNewPicture.h"

#include "document/TMergeDocument.h"
#include "layout/uCanvasLimit.h"
#include "layout/uGridGeometry.h"

#include <stdexcept>

void StartNewPicture(TMergeDocument& Document, bool Grid, const std::vector<std::string>& Files,
                     const TMergeLayout& Layout) {
    // Checked before the old picture's list is let go.
    const TCanvasExtent grid = GridCanvasExtent(Layout.Grid);
    const std::string refusal = Grid ? CanvasSizeRefusal(grid.Width, grid.Height)
                                     : CanvasSizeRefusal(Layout.NewWidth, Layout.NewHeight);
    if (!refusal.empty())
        throw std::runtime_error(refusal);
    // From here on the old picture is gone, whatever happens next.
    Document.Saved = false;
    Document.GridMode = Grid;
    Document.ClearPictureList();
    if (Grid)
        Document.AddPictures(Files);
}
