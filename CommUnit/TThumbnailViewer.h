// A scrolling grid of thumbnails in fixed cells, with an optional caption under
// each picture and one selected item. The picture list shows its thumbnails in
// it; the explorer shows a folder's pictures, which it decodes only as they
// come into view. The viewer never reads files itself.
#pragma once

#include "CommUnit/TThumbnailLayout.h"
#include "engine/TColor32.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QPixmap>
#include <QString>

#include <functional>
#include <vector>

using TThumbMouseEvent =
    std::function<void(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, QPoint Pos)>;
using TThumbMouseMoveEvent =
    std::function<void(Qt::MouseButtons Buttons, Qt::KeyboardModifiers Shift, QPoint Pos)>;
using TThumbNotifyEvent = std::function<void()>;
using TThumbRangeEvent = std::function<void(int First, int Last)>;

class TThumbnailViewer : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TThumbnailViewer(QWidget* parent = nullptr);
    ~TThumbnailViewer() override;

    // --- Look ---
    QSize CellSize() const { return FLayout.CellSize(); }
    void SetCellSize(QSize value);
    int Spacing() const { return FLayout.Spacing(); }
    void SetSpacing(int value);
    // The most cells in a row; 0 is as many as fit the width.
    int MaxColumns() const { return FLayout.MaxColumns(); }
    void SetMaxColumns(int value);
    // Blank border inside each cell around the picture and the caption.
    int ImageMargin() const { return FLayout.ImageMargin(); }
    void SetImageMargin(int value);
    // Reserves a line of the control's font under every picture for its caption.
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool value);
    // A one-pixel frame in the palette's mid colour around every cell.
    bool ShowFrames() const { return FShowFrames; }
    void SetShowFrames(bool value);
    // Marks the item under the mouse with a faint highlight.
    bool HotTrack() const { return FHotTrack; }
    void SetHotTrack(bool value);
    // Background (a form colour; system colours follow the palette).
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TColor CaptionColor() const { return FCaptionColor; }
    void SetCaptionColor(TColor value);

    // --- Items ---
    // Errors: an index outside the items throws std::out_of_range; a negative
    // count throws std::invalid_argument.
    int Count() const { return int(FItems.size()); }
    // Shows Count items: new ones are empty cells, the ones past Count go.
    void SetCount(int Count);
    // A null image empties the cell. A picture larger than the cell's picture
    // box is kept shrunk to fit it.
    void SetImage(int Index, const QImage& Image);
    bool HasImage(int Index) const;
    // The picture as it is kept (possibly shrunk); null for an empty cell.
    QPixmap Image(int Index) const;
    QString Caption(int Index) const;
    void SetCaption(int Index, const QString& Caption);
    // The caption as it is drawn: elided with "…" to the caption's width.
    QString ShownCaption(int Index) const;
    // Index may be Count (appends).
    void InsertItem(int Index, const QImage& Image, const QString& Caption = QString());
    void RemoveItem(int Index);
    // The item at From goes to To; the selected index stays where it is.
    void MoveItem(int From, int To);
    void Clear();

    // --- Selection ---
    // -1 when nothing is selected. When the number of items changes, a selected
    // index that is not below the new number becomes -1; otherwise it stays,
    // even though it may now mark another item.
    int SelectedIndex() const { return FSelected; }
    // Selects Index (anything outside the items selects nothing) and scrolls
    // it into view; runs no callback.
    void SetSelectedIndex(int Index);
    // The item under the mouse while HotTrack is on, else -1.
    int HotIndex() const { return FHot; }

    // --- Geometry, in viewport coordinates ---
    int IndexAt(QPoint Pos) const { return FLayout.IndexAt(Pos); }
    QRect ItemRect(int Index) const { return FLayout.CellRect(Index); }
    TThumbnailRange VisibleRange() const { return FLayout.VisibleRange(); }
    const TThumbnailLayout& Layout() const { return FLayout; }

    // After every mouse button press on the viewport, once a left press has
    // selected the item under it (or nothing, over empty space); other buttons
    // leave the selection alone. Pos is in viewport coordinates.
    TThumbMouseEvent OnMouseDown;
    TThumbMouseEvent OnMouseUp;
    TThumbMouseMoveEvent OnMouseMove;
    // After the selection keys (arrows, Home, End, Page Up, Page Down) moved
    // the selection; presses report through OnMouseDown instead.
    TThumbNotifyEvent OnSelectionChanged;
    // When the items in view change by scrolling, resizing or a change of the
    // items or the geometry; (-1, -1) when none is in view.
    TThumbRangeEvent OnVisibleRangeChanged;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct TItem {
        QPixmap Image;
        QString Caption;
    };

    void CheckIndex(int Index) const;
    // The picture box size of every cell.
    QSize ImageBoxSize() const;
    QPixmap Prepare(const QImage& Image) const;
    // Applies a new item count: the selection rule, scrolling and the range.
    void CountChanged();
    // Brings the layout to the viewport and the font, and the bar to the layout.
    void GeometryChanged();
    void UpdateScrollBar();
    void NotifyVisibleRange();
    void SetHot(int Index);

    TThumbnailLayout FLayout;
    std::vector<TItem> FItems;
    int FSelected = -1;
    int FHot = -1;
    bool FShowCaptions = false;
    bool FShowFrames = false;
    bool FHotTrack = false;
    TColor FColor = clAppWorkSpace;
    TColor FCaptionColor = clWindowText;
    TThumbnailRange FLastRange;
    bool FSyncingBar = false;
};
