#include "engine/TImgView32.h"

#include "engine/uEventErrors.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOption>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace {

constexpr int BufferSlack = 40;

TShiftState ShiftOf(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (modifiers & Qt::ShiftModifier)
        s |= ssShift;
    if (modifiers & Qt::ControlModifier)
        s |= ssCtrl;
    if (modifiers & Qt::AltModifier)
        s |= ssAlt;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

bool ButtonOf(Qt::MouseButton b, TMouseButton& out) {
    switch (b) {
    case Qt::LeftButton:
        out = mbLeft;
        return true;
    case Qt::RightButton:
        out = mbRight;
        return true;
    case Qt::MiddleButton:
        out = mbMiddle;
        return true;
    default:
        return false;
    }
}

QPoint PointOf(const QMouseEvent* e) {
    const QPointF p = e->position();
    return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

} // namespace

// ---------------------------------------------------------------------------
// TCustomPaintBox32

TCustomPaintBox32::TCustomPaintBox32(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

TCustomPaintBox32::~TCustomPaintBox32() = default;

TRect TCustomPaintBox32::ViewportRect() const {
    return TRect(0, 0, width(), height());
}

void TCustomPaintBox32::Invalidate() {
    FBufferValid = false;
    update();
}

void TCustomPaintBox32::ResizeBuffer() {
    const TRect vp = ViewportRect();
    auto follow = [](int buffer, int viewport) {
        if (viewport > buffer)
            return viewport + BufferSlack;
        if (buffer - viewport > BufferSlack)
            return viewport;
        return buffer;
    };
    const int w = std::max(1, follow(FBuffer.Width(), vp.Width()));
    const int h = std::max(1, follow(FBuffer.Height(), vp.Height()));
    if (FBuffer.SetSize(w, h))
        FBufferValid = false;
}

void TCustomPaintBox32::UpdateBuffer() {
    ResizeBuffer();
    if (FBufferValid)
        return;
    TLockGuard lock(FBuffer);
    FBuffer.SetClipRect(ViewportRect());
    DoPaintBuffer();
    FBufferValid = true;
}

// Every event handler of the controls runs its body through GuardEvent: nothing
// a handler throws reaches Qt's event loop.
void TCustomPaintBox32::paintEvent(QPaintEvent* event) {
    GuardEvent(this, [&] {
        UpdateBuffer();
        TLockGuard lock(FBuffer);
        TRect vp;
        IntersectRect(vp, ViewportRect(), FBuffer.BoundsRect());
        if (vp.IsEmpty())
            return;
        // The screen shows colours only: make the shown part opaque so the window
        // system does not read the blended alpha.
        for (int y = vp.Top; y < vp.Bottom; ++y) {
            TColor32* row = FBuffer.ScanLine(y);
            for (int x = vp.Left; x < vp.Right; ++x)
                row[x] |= 0xFF000000u;
        }
        const QImage image(reinterpret_cast<const uchar*>(FBuffer.Bits()), FBuffer.Width(),
                           FBuffer.Height(), FBuffer.Width() * 4, QImage::Format_RGB32);
        QPainter painter(this);
        const QRect area = event->rect().intersected(QRect(vp.Left, vp.Top, vp.Width(), vp.Height()));
        painter.drawImage(area.topLeft(), image, area);
    });
}

void TCustomPaintBox32::resizeEvent(QResizeEvent* event) {
    GuardEvent(this, [&] {
        QWidget::resizeEvent(event);
        ResizeBuffer();
        Invalidate();
    });
}

// ---------------------------------------------------------------------------
// TCustomImage32

TCustomImage32::TCustomImage32(QWidget* parent)
    : TCustomPaintBox32(parent), FBitmap(std::make_unique<TBitmap32>()),
      FLayers(std::make_unique<TLayerCollection>(this)) {
    FBitmap->SetResamplerClassName("TNearestResampler");
    FBitmap->OnChange = [this](TNotifiablePersistent*) {
        BitmapSizeMaybeChanged();
        Changed();
    };
    FBitmap->OnResize = [this](TNotifiablePersistent*) { BitmapSizeMaybeChanged(); };
    FLayers->OnChange = [this](TLayerCollection*) { Changed(); };
    FLayers->OnGetViewScale = [this](float& sx, float& sy) { FGeometry.ViewScale(sx, sy); };
    FLayers->OnGetViewShift = [this](float& dx, float& dy) { FGeometry.ViewShift(dx, dy); };
    FGeometry.SetControlSize(width(), height());
    FGeometry.SetViewportSize(width(), height());
}

TCustomImage32::~TCustomImage32() {
    // The layers go first, while the control can still answer them.
    FLayers.reset();
    FBitmap->OnChange = nullptr;
    FBitmap->OnResize = nullptr;
}

void TCustomImage32::SetBitmap(const TBitmap32& source) {
    FGeometry.InvalidateTransform();
    FBitmap->Assign(source);
}

void TCustomImage32::BitmapSizeMaybeChanged() {
    if (FBitmap->Width() == FGeometry.BitmapWidth() &&
        FBitmap->Height() == FGeometry.BitmapHeight())
        return;
    FGeometry.SetBitmapSize(FBitmap->Width(), FBitmap->Height());
    DoBitmapResized();
    if (OnBitmapResize)
        OnBitmapResize(this);
    Changed();
}

void TCustomImage32::SetColor(TColor value) {
    if (value == FColor)
        return;
    FColor = value;
    Changed();
}

void TCustomImage32::SetBitmapAlign(TBitmapAlign value) {
    if (FGeometry.SetBitmapAlign(value))
        Changed();
}

void TCustomImage32::SetScale(float value) {
    if (FGeometry.SetScale(value)) {
        DoScaleChanged();
        Changed();
    }
}

void TCustomImage32::SetScaleMode(TScaleMode value) {
    if (FGeometry.SetScaleMode(value)) {
        DoScaleModeChanged();
        Changed();
    }
}

void TCustomImage32::SetOffsetX(float value) {
    if (FGeometry.SetOffsetX(value))
        Changed();
}

void TCustomImage32::SetOffsetY(float value) {
    if (FGeometry.SetOffsetY(value))
        Changed();
}

void TCustomImage32::SetControlCursor(Qt::CursorShape value) {
    FControlCursor = value;
    if (!FLayers->CapturingLayer())
        setCursor(value);
}

void TCustomImage32::DoBitmapResized() {}
void TCustomImage32::DoScaleChanged() {}
void TCustomImage32::DoScaleModeChanged() {}

void TCustomImage32::DoViewResized() {
    FGeometry.SetControlSize(width(), height());
    FGeometry.SetViewportSize(width(), height());
}

void TCustomImage32::resizeEvent(QResizeEvent* event) {
    GuardEvent(this, [&] {
        DoViewResized();
        TCustomPaintBox32::resizeEvent(event);
    });
}

void TCustomImage32::BeginUpdate() {
    ++FUpdateCount;
}

void TCustomImage32::EndUpdate() {
    if (FUpdateCount > 0)
        --FUpdateCount;
}

void TCustomImage32::Changed() {
    if (FUpdateCount > 0)
        return;
    Invalidate();
    if (OnChange)
        OnChange(this);
}

void TCustomImage32::DoPaintBuffer() {
    ExecutePaintStages(FBuffer);
}

void TCustomImage32::ExecutePaintStages(TBitmap32& target) {
    const TRect br = FGeometry.Transform().BitmapRect;
    const int cw = width(), ch = height();

    // Background.
    const TColor32 c = ColorToColor32(FColor);
    if (FBitmap->IsEmpty() || FBitmap->DrawMode() != dmOpaque) {
        target.Clear(c);
    } else if (!(br.Left <= 0 && br.Right >= cw && br.Top <= 0 &&
                 (br.Bottom >= ch || FGeometry.BitmapAlign() == baTile))) {
        target.FillRectClipped(0, 0, cw, br.Top, c);
        target.FillRectClipped(0, br.Bottom, cw, ch, c);
        target.FillRectClipped(0, br.Top, br.Left, br.Bottom, c);
        target.FillRectClipped(br.Right, br.Top, cw, br.Bottom, c);
    }

    // Base picture.
    if (!FBitmap->IsEmpty() && !br.IsEmpty()) {
        TLockGuard lock(*FBitmap);
        FBitmap->StretchOnto(&target, br);
    }

    // Layers, bottom first.
    FLayers->PaintLayers(target, LayerVisible);
}

void TCustomImage32::RenderTo(TBitmap32& target, const TRect& r) {
    const TRepaintMode savedMode = FRepaintMode;
    FRepaintMode = rmFull;
    FGeometry.SetTransformFromRect(r);
    FExportMode = true;
    try {
        ExecutePaintStages(target);
    } catch (...) {
        FExportMode = false;
        FGeometry.InvalidateTransform();
        FRepaintMode = savedMode;
        throw;
    }
    FExportMode = false;
    FGeometry.InvalidateTransform();
    FRepaintMode = savedMode;
}

void TCustomImage32::ShowLayerCursor(Qt::CursorShape shape) {
    setCursor(shape);
}

void TCustomImage32::ShowOwnCursor() {
    setCursor(FControlCursor);
}

bool TCustomImage32::ScreenCropRect(TRect& rect) const {
    if (FExportMode)
        return false;
    rect = FGeometry.Transform().BitmapRect;
    return true;
}

bool TCustomImage32::HandleOwnMouseDown(QMouseEvent*) {
    return false;
}
bool TCustomImage32::HandleOwnMouseMove(QMouseEvent*) {
    return false;
}

void TCustomImage32::mousePressEvent(QMouseEvent* event) {
    GuardEvent(this, [&] {
        TMouseButton button;
        if (!ButtonOf(event->button(), button)) {
            QWidget::mousePressEvent(event);
            return;
        }
        if (HandleOwnMouseDown(event))
            return;
        const QPoint p = PointOf(event);
        const TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
        // The press captures the mouse for the control until the last release
        // (the window system's implicit grab).
        TCustomLayer* layer =
            FLayers->MouseEvents() ? FLayers->MouseDown(button, shift, p.x(), p.y()) : nullptr;
        if (OnMouseDown)
            OnMouseDown(this, button, shift, p.x(), p.y(), layer);
        event->accept();
    });
}

void TCustomImage32::mouseMoveEvent(QMouseEvent* event) {
    GuardEvent(this, [&] {
        if (!FLayers->CapturingLayer() && HandleOwnMouseMove(event))
            return;
        const QPoint p = PointOf(event);
        const TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
        TCustomLayer* layer =
            FLayers->MouseEvents() ? FLayers->MouseMove(shift, p.x(), p.y()) : nullptr;
        if (!FLayers->MouseEvents())
            ShowOwnCursor();
        if (OnMouseMove)
            OnMouseMove(this, shift, p.x(), p.y(), layer);
        event->accept();
    });
}

void TCustomImage32::mouseReleaseEvent(QMouseEvent* event) {
    GuardEvent(this, [&] {
        TMouseButton button;
        if (!ButtonOf(event->button(), button)) {
            QWidget::mouseReleaseEvent(event);
            return;
        }
        const QPoint p = PointOf(event);
        const TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
        TCustomLayer* layer =
            FLayers->MouseEvents() ? FLayers->MouseUp(button, shift, p.x(), p.y()) : nullptr;
        if (OnMouseUp)
            OnMouseUp(this, button, shift, p.x(), p.y(), layer);
        event->accept();
    });
}

void TCustomImage32::wheelEvent(QWheelEvent* event) {
    GuardEvent(this, [&] {
        const int delta = event->angleDelta().y();
        const TShiftState shift = ShiftOf(event->modifiers(), event->buttons());
        const QPoint pos = event->position().toPoint();
        bool handled = false;
        if (delta > 0 && OnMouseWheelUp)
            OnMouseWheelUp(this, shift, pos, handled);
        else if (delta < 0 && OnMouseWheelDown)
            OnMouseWheelDown(this, shift, pos, handled);
        event->accept();
    });
}

void TCustomImage32::keyPressEvent(QKeyEvent* event) {
    GuardEvent(this, [&] {
        if (!OnKeyDown) {
            QWidget::keyPressEvent(event);
            return;
        }
        int key = event->key();
        OnKeyDown(this, key, ShiftOf(event->modifiers(), Qt::NoButton));
        event->accept();
    });
}

void TCustomImage32::keyReleaseEvent(QKeyEvent* event) {
    GuardEvent(this, [&] {
        if (event->isAutoRepeat() || !OnKeyUp) {
            event->ignore();
            return;
        }
        int key = event->key();
        OnKeyUp(this, key, ShiftOf(event->modifiers(), Qt::NoButton));
        event->accept();
    });
}

void TCustomImage32::leaveEvent(QEvent* event) {
    GuardEvent(this, [&] {
        if (!FLayers->CapturingLayer())
            setCursor(Qt::ArrowCursor);
        QWidget::leaveEvent(event);
    });
}

// ---------------------------------------------------------------------------
// TCustomImgView32

TCustomImgView32::TCustomImgView32(QWidget* parent) : TCustomImage32(parent) {
    FHorzBar = new QScrollBar(Qt::Horizontal, this);
    FVertBar = new QScrollBar(Qt::Vertical, this);
    for (QScrollBar* bar : {FHorzBar, FVertBar}) {
        bar->setSingleStep(FScrollBars.Increment);
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setCursor(Qt::ArrowCursor);
        connect(bar, &QScrollBar::valueChanged, this, [this, bar](int) {
            GuardEvent(this, [&] { BarMoved(bar == FHorzBar); });
        });
    }
    FGeometry.SetScaleMode(smScale);
    FGeometry.SetBitmapAlign(baCustom);
    LayoutScrollBars();
}

TCustomImgView32::~TCustomImgView32() = default;

int TCustomImgView32::BarThickness() const {
    if (FScrollBars.Size > 0)
        return FScrollBars.Size;
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

TRect TCustomImgView32::ViewportRect() const {
    const int t = FBarsShown ? BarThickness() : 0;
    return TRect(0, 0, std::max(0, width() - t), std::max(0, height() - t));
}

void TCustomImgView32::ApplyViewport(bool barsShown) {
    FBarsShown = barsShown;
    const TRect vp = ViewportRect();
    FGeometry.SetControlSize(width(), height());
    FGeometry.SetViewportSize(vp.Width(), vp.Height());
    FGeometry.ViewportResized();
}

void TCustomImgView32::LayoutScrollBars() {
    bool shown = FScrollBars.Visibility == svAlways;
    if (FScrollBars.Visibility == svAuto) {
        ApplyViewport(false);
        shown = FGeometry.HorzBar().Range() > FGeometry.HorzBar().VisibleLength() ||
                FGeometry.VertBar().Range() > FGeometry.VertBar().VisibleLength();
    }
    ApplyViewport(shown);
    const int t = BarThickness();
    const TRect vp = ViewportRect();
    FHorzBar->setGeometry(0, vp.Bottom, vp.Width(), t);
    FVertBar->setGeometry(vp.Right, 0, t, vp.Height());
    FHorzBar->setVisible(shown);
    FVertBar->setVisible(shown);
    SyncScrollBars();
}

void TCustomImgView32::SyncScrollBars() {
    FSyncing = true;
    auto sync = [](QScrollBar* bar, const TRangeBar& model, int step) {
        bar->setRange(0, static_cast<int>(std::lround(model.MaxPosition())));
        bar->setPageStep(std::max(1, model.VisibleLength()));
        bar->setSingleStep(step);
        bar->setValue(static_cast<int>(std::lround(model.Position())));
    };
    sync(FHorzBar, FGeometry.HorzBar(), FScrollBars.Increment);
    sync(FVertBar, FGeometry.VertBar(), FScrollBars.Increment);
    FSyncing = false;
}

void TCustomImgView32::BarMoved(bool horizontal) {
    if (FSyncing)
        return;
    // The other bar keeps its exact position: its widget shows it rounded.
    const float horz =
        horizontal ? static_cast<float>(FHorzBar->value()) : FGeometry.HorzBar().Position();
    const float vert =
        horizontal ? FGeometry.VertBar().Position() : static_cast<float>(FVertBar->value());
    FGeometry.SetScrollPosition(horz, vert);
    Changed();
}

void TCustomImgView32::Scroll(float horz, float vert) {
    FGeometry.SetScrollPosition(horz, vert);
    SyncScrollBars();
    Changed();
}

void TCustomImgView32::CenterOn(float x, float y) {
    FGeometry.CenterOn(x, y);
    SyncScrollBars();
    Changed();
}

void TCustomImgView32::SetCentered(bool value) {
    FGeometry.SetCentered(value);
    SyncScrollBars();
    Changed();
}

void TCustomImgView32::SetOverSize(int value) {
    FGeometry.SetOverSize(value);
    SyncScrollBars();
    Changed();
}

void TCustomImgView32::SetScrollBars(const TIVScrollProperties& value) {
    FScrollBars = value;
    LayoutScrollBars();
    ResizeBuffer();
    Changed();
}

void TCustomImgView32::SetSizeGrip(TSizeGripStyle value) {
    FSizeGrip = value;
    update();
}

void TCustomImgView32::DoBitmapResized() {
    if (FScrollBars.Visibility == svAuto)
        LayoutScrollBars();
    FGeometry.BitmapResized();
    SyncScrollBars();
}

void TCustomImgView32::DoScaleChanged() {
    FGeometry.ScaleChanged();
    if (FScrollBars.Visibility == svAuto)
        LayoutScrollBars();
    SyncScrollBars();
}

void TCustomImgView32::DoScaleModeChanged() {
    FGeometry.ScaleModeChanged();
    SyncScrollBars();
}

void TCustomImgView32::DoViewResized() {
    LayoutScrollBars();
}

bool TCustomImgView32::SizeGripShown() const {
    if (!FBarsShown || FSizeGrip == sgNone)
        return false;
    if (FSizeGrip == sgAlways)
        return true;
    // Automatic: only while the view and each parent up to the window fill their parents.
    const QWidget* w = this;
    while (!w->isWindow()) {
        const QWidget* parent = w->parentWidget();
        if (!parent)
            return false;
        if (w->geometry() != parent->rect())
            return false;
        w = parent;
    }
    return true;
}

TRect TCustomImgView32::SizeGripRect() const {
    const TRect vp = ViewportRect();
    return TRect(vp.Right, vp.Bottom, width(), height());
}

bool TCustomImgView32::HandleOwnMouseDown(QMouseEvent* event) {
    const QPoint p = PointOf(event);
    if (!FBarsShown || !SizeGripRect().Contains(p.x(), p.y()))
        return false;
    if (event->button() == Qt::LeftButton && SizeGripShown()) {
        if (QWindow* handle = window()->windowHandle())
            handle->startSystemResize(Qt::BottomEdge | Qt::RightEdge);
    }
    event->accept();
    return true;
}

bool TCustomImgView32::HandleOwnMouseMove(QMouseEvent* event) {
    const QPoint p = PointOf(event);
    if (!FBarsShown || !SizeGripRect().Contains(p.x(), p.y()))
        return false;
    setCursor(SizeGripShown() ? Qt::SizeFDiagCursor : Qt::ArrowCursor);
    event->accept();
    return true;
}

void TCustomImgView32::paintEvent(QPaintEvent* event) {
    GuardEvent(this, [&] {
        TCustomImage32::paintEvent(event);
        if (!FBarsShown)
            return;
        const TRect g = SizeGripRect();
        if (g.IsEmpty())
            return;
        QPainter painter(this);
        const QRect r(g.Left, g.Top, g.Width(), g.Height());
        const TColor32 face = ColorToColor32(clBtnFace);
        painter.fillRect(r, QColor::fromRgb(face));
        if (SizeGripShown()) {
            QStyleOptionSizeGrip option;
            option.initFrom(this);
            option.rect = r;
            option.corner = Qt::BottomRightCorner;
            style()->drawControl(QStyle::CE_SizeGrip, &option, &painter, this);
        }
    });
}
