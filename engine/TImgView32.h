// The image controls: a buffered paint box, the image control showing a base
// picture with its layers, and the zoomable, scrollable view of the main window.
#pragma once

#include "engine/TBitmap32.h"
#include "engine/TColor32.h"
#include "engine/TLayers.h"
#include "engine/TRect.h"
#include "engine/TViewGeometry.h"

#include <QPoint>
#include <QWidget>

#include <functional>

class QScrollBar;

class TCustomImage32;

using TImgMouseEvent = std::function<void(TCustomImage32* Sender, TMouseButton Button,
                                          TShiftState Shift, int X, int Y, TCustomLayer* Layer)>;
using TImgMouseMoveEvent = std::function<void(TCustomImage32* Sender, TShiftState Shift, int X,
                                              int Y, TCustomLayer* Layer)>;
using TImgWheelEvent =
    std::function<void(TCustomImage32* Sender, TShiftState Shift, QPoint MousePos, bool& Handled)>;
using TImgKeyEvent = std::function<void(TCustomImage32* Sender, int& Key, TShiftState Shift)>;
using TImgNotifyEvent = std::function<void(TCustomImage32* Sender)>;

enum TRepaintMode { rmFull };

// A control drawn from an off-screen buffer that is repainted only when invalid.
class TCustomPaintBox32 : public QWidget {
    Q_OBJECT
public:
    explicit TCustomPaintBox32(QWidget* parent = nullptr);
    ~TCustomPaintBox32() override;

    TBitmap32& Buffer() { return FBuffer; }
    bool BufferValid() const { return FBufferValid; }
    // The part of the control the picture is shown in.
    virtual TRect ViewportRect() const;
    // Marks the buffer invalid and asks for a repaint.
    void Invalidate();
    // Brings the buffer to the viewport size and repaints it when invalid.
    void UpdateBuffer();

protected:
    // Paints the whole buffer (its ClipRect is the viewport).
    virtual void DoPaintBuffer() = 0;
    // The buffer follows the viewport with 40 pixels of slack.
    void ResizeBuffer();
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    TBitmap32 FBuffer;
    bool FBufferValid = false;
};

// The base picture and its layers, with background, alignment and scaling.
class TCustomImage32 : public TCustomPaintBox32, public TLayerOwner {
    Q_OBJECT
public:
    explicit TCustomImage32(QWidget* parent = nullptr);
    ~TCustomImage32() override;

    TBitmap32& Bitmap() { return *FBitmap; }
    // Bitmap.Assign of a picture, with the mapping rebuilt first.
    void SetBitmap(const TBitmap32& source);
    TLayerCollection& Layers() { return *FLayers; }

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TBitmapAlign BitmapAlign() const { return FGeometry.BitmapAlign(); }
    virtual void SetBitmapAlign(TBitmapAlign value);
    float Scale() const { return FGeometry.Scale(); }
    float ScaleY() const { return FGeometry.ScaleY(); }
    // Below 0.001 becomes 0.001.
    void SetScale(float value);
    TScaleMode ScaleMode() const { return FGeometry.ScaleMode(); }
    void SetScaleMode(TScaleMode value);
    float OffsetX() const { return FGeometry.OffsetX(); }
    float OffsetY() const { return FGeometry.OffsetY(); }
    void SetOffsetX(float value);
    void SetOffsetY(float value);
    TRepaintMode RepaintMode() const { return FRepaintMode; }
    bool ExportMode() const { return FExportMode; }
    // The cursor shown where no layer sets its own.
    Qt::CursorShape ControlCursor() const { return FControlCursor; }
    void SetControlCursor(Qt::CursorShape value);

    TSize ShownBitmapSize() const { return FGeometry.ShownBitmapSize(); }
    TRect BitmapRect() const { return FGeometry.Transform().BitmapRect; }
    const TViewGeometry& Geometry() const { return FGeometry; }
    TPoint ViewToBitmap(TPoint p) const { return FGeometry.ViewToBitmap(p); }
    TPoint BitmapToView(TPoint p) const { return FGeometry.BitmapToView(p); }

    // Paints background, base picture and visible layers into target at r.
    void RenderTo(TBitmap32& target, const TRect& r);

    void BeginUpdate();
    void EndUpdate();
    // Repaints and fires OnChange while the update count is 0.
    void Changed();

    TImgMouseEvent OnMouseDown;
    TImgMouseMoveEvent OnMouseMove;
    TImgMouseEvent OnMouseUp;
    TImgWheelEvent OnMouseWheelUp;
    TImgWheelEvent OnMouseWheelDown;
    TImgKeyEvent OnKeyDown;
    // Fires once per release; a key held down does not repeat it.
    TImgKeyEvent OnKeyUp;
    TImgNotifyEvent OnChange;
    TImgNotifyEvent OnBitmapResize;

    // TLayerOwner
    void ShowLayerCursor(Qt::CursorShape shape) override;
    void ShowOwnCursor() override;
    bool ScreenCropRect(TRect& rect) const override;

protected:
    void DoPaintBuffer() override;
    // Background, base picture and layers onto target with the cached mapping.
    void ExecutePaintStages(TBitmap32& target);
    // Reactions the zoomable view extends.
    virtual void DoBitmapResized();
    virtual void DoScaleChanged();
    virtual void DoScaleModeChanged();
    virtual void DoViewResized();
    // Mouse presses in areas of the control that are not the picture (the size grip).
    virtual bool HandleOwnMouseDown(QMouseEvent* event);
    virtual bool HandleOwnMouseMove(QMouseEvent* event);

    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;

    void BitmapSizeMaybeChanged();

    std::unique_ptr<TBitmap32> FBitmap;
    std::unique_ptr<TLayerCollection> FLayers;
    TViewGeometry FGeometry;
    TColor FColor = clWhite;
    TRepaintMode FRepaintMode = rmFull;
    bool FExportMode = false;
    int FUpdateCount = 0;
    Qt::CursorShape FControlCursor = Qt::ArrowCursor;
};

// The plain image control (welcome page, previews): the viewport is the whole control.
class TImage32 : public TCustomImage32 {
    Q_OBJECT
public:
    explicit TImage32(QWidget* parent = nullptr) : TCustomImage32(parent) {}
};

enum TScrollBarVisibility { svAlways, svHidden, svAuto };
enum TSizeGripStyle { sgAuto, sgNone, sgAlways };

struct TIVScrollProperties {
    int Increment = 8;
    // Bar thickness; 0 is the platform's standard thickness.
    int Size = 0;
    TScrollBarVisibility Visibility = svAlways;
};

// The zoomable, scrollable view: centred when smaller than the viewport.
class TCustomImgView32 : public TCustomImage32 {
    Q_OBJECT
public:
    explicit TCustomImgView32(QWidget* parent = nullptr);
    ~TCustomImgView32() override;

    TRect ViewportRect() const override;
    // The view keeps its custom alignment.
    void SetBitmapAlign(TBitmapAlign) override {}

    bool Centered() const { return FGeometry.Centered(); }
    void SetCentered(bool value);
    int OverSize() const { return FGeometry.OverSize(); }
    void SetOverSize(int value);
    const TIVScrollProperties& ScrollBars() const { return FScrollBars; }
    void SetScrollBars(const TIVScrollProperties& value);
    TSizeGripStyle SizeGrip() const { return FSizeGrip; }
    void SetSizeGrip(TSizeGripStyle value);

    // Scrolls so that picture point (x, y) lies in the middle of the viewport.
    void CenterOn(float x, float y);
    // Moves the bars as the user would.
    void Scroll(float horz, float vert);

    QScrollBar* HorzScrollBar() const { return FHorzBar; }
    QScrollBar* VertScrollBar() const { return FVertBar; }
    bool ScrollBarsShown() const { return FBarsShown; }
    bool SizeGripShown() const;
    TRect SizeGripRect() const;

protected:
    void DoBitmapResized() override;
    void DoScaleChanged() override;
    void DoScaleModeChanged() override;
    void DoViewResized() override;
    bool HandleOwnMouseDown(QMouseEvent* event) override;
    bool HandleOwnMouseMove(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    int BarThickness() const;
    // Lays the bars out, decides their visibility and updates the viewport.
    void LayoutScrollBars();
    void ApplyViewport(bool barsShown);
    // Copies ranges and positions to the bar widgets.
    void SyncScrollBars();
    void BarMoved(bool horizontal);

    QScrollBar* FHorzBar = nullptr;
    QScrollBar* FVertBar = nullptr;
    TIVScrollProperties FScrollBars;
    TSizeGripStyle FSizeGrip = sgAuto;
    bool FBarsShown = true;
    bool FSyncing = false;
};

class TImgView32 : public TCustomImgView32 {
    Q_OBJECT
public:
    explicit TImgView32(QWidget* parent = nullptr) : TCustomImgView32(parent) {}
};
