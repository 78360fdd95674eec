#include "CommUnit/TThumbnailViewer.h"

#include "engine/uEventErrors.h"

#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

// The highlight reaches this far into the spacing around a cell.
constexpr int HighlightBand = 2;
// Opacity of the mark of the item under the mouse.
constexpr int HotAlpha = 64;

QPoint PointOf(const QMouseEvent* e) {
    const QPointF p = e->position();
    return QPoint(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

QColor QColorOf(TColor c) {
    return QColor::fromRgb(ColorToColor32(c));
}

bool MoveOfKey(int key, TThumbnailMove& move) {
    switch (key) {
    case Qt::Key_Left:
        move = tmLeft;
        return true;
    case Qt::Key_Right:
        move = tmRight;
        return true;
    case Qt::Key_Up:
        move = tmUp;
        return true;
    case Qt::Key_Down:
        move = tmDown;
        return true;
    case Qt::Key_PageUp:
        move = tmPageUp;
        return true;
    case Qt::Key_PageDown:
        move = tmPageDown;
        return true;
    case Qt::Key_Home:
        move = tmHome;
        return true;
    case Qt::Key_End:
        move = tmEnd;
        return true;
    default:
        return false;
    }
}

} // namespace

TThumbnailViewer::TThumbnailViewer(QWidget* parent) : QAbstractScrollArea(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    GeometryChanged();
}

TThumbnailViewer::~TThumbnailViewer() = default;

// ---------------------------------------------------------------------------
// Look

void TThumbnailViewer::SetCellSize(QSize value) {
    FLayout.SetCellSize(value);
    GeometryChanged();
}

void TThumbnailViewer::SetSpacing(int value) {
    FLayout.SetSpacing(value);
    GeometryChanged();
}

void TThumbnailViewer::SetMaxColumns(int value) {
    FLayout.SetMaxColumns(value);
    GeometryChanged();
}

void TThumbnailViewer::SetImageMargin(int value) {
    FLayout.SetImageMargin(value);
    GeometryChanged();
}

void TThumbnailViewer::SetShowCaptions(bool value) {
    FShowCaptions = value;
    GeometryChanged();
}

void TThumbnailViewer::SetShowFrames(bool value) {
    FShowFrames = value;
    viewport()->update();
}

void TThumbnailViewer::SetHotTrack(bool value) {
    FHotTrack = value;
    if (!value)
        SetHot(-1);
}

void TThumbnailViewer::SetColor(TColor value) {
    FColor = value;
    viewport()->update();
}

void TThumbnailViewer::SetCaptionColor(TColor value) {
    FCaptionColor = value;
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Items

void TThumbnailViewer::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count())
        throw std::out_of_range("Thumbnail index " + std::to_string(Index) + " is outside the " +
                                std::to_string(Count()) + " items.");
}

QSize TThumbnailViewer::ImageBoxSize() const {
    return FLayout.ImageBox(0).size();
}

QPixmap TThumbnailViewer::Prepare(const QImage& Image) const {
    if (Image.isNull())
        return QPixmap();
    // Shrunk once here, a picture is drawn 1:1 on every paint.
    const QRect fit = TThumbnailLayout::FitRect(Image.size(), QRect(QPoint(), ImageBoxSize()));
    if (fit.isEmpty() || fit.size() == Image.size())
        return QPixmap::fromImage(Image);
    return QPixmap::fromImage(
        Image.scaled(fit.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

void TThumbnailViewer::SetCount(int Count) {
    if (Count < 0)
        throw std::invalid_argument("A thumbnail viewer cannot show " + std::to_string(Count) +
                                    " items.");
    FItems.resize(std::size_t(Count));
    CountChanged();
}

void TThumbnailViewer::SetImage(int Index, const QImage& Image) {
    CheckIndex(Index);
    FItems[std::size_t(Index)].Image = Prepare(Image);
    viewport()->update();
}

bool TThumbnailViewer::HasImage(int Index) const {
    CheckIndex(Index);
    return !FItems[std::size_t(Index)].Image.isNull();
}

QPixmap TThumbnailViewer::Image(int Index) const {
    CheckIndex(Index);
    return FItems[std::size_t(Index)].Image;
}

QString TThumbnailViewer::Caption(int Index) const {
    CheckIndex(Index);
    return FItems[std::size_t(Index)].Caption;
}

void TThumbnailViewer::SetCaption(int Index, const QString& Caption) {
    CheckIndex(Index);
    FItems[std::size_t(Index)].Caption = Caption;
    viewport()->update();
}

QString TThumbnailViewer::ShownCaption(int Index) const {
    CheckIndex(Index);
    return fontMetrics().elidedText(FItems[std::size_t(Index)].Caption, Qt::ElideRight,
                                    FLayout.CaptionRect(Index).width());
}

void TThumbnailViewer::InsertItem(int Index, const QImage& Image, const QString& Caption) {
    if (Index != Count())
        CheckIndex(Index);
    FItems.insert(FItems.begin() + Index, TItem{Prepare(Image), Caption});
    CountChanged();
}

void TThumbnailViewer::RemoveItem(int Index) {
    CheckIndex(Index);
    FItems.erase(FItems.begin() + Index);
    CountChanged();
}

void TThumbnailViewer::MoveItem(int From, int To) {
    CheckIndex(From);
    CheckIndex(To);
    if (From == To)
        return;
    TItem item = std::move(FItems[std::size_t(From)]);
    FItems.erase(FItems.begin() + From);
    FItems.insert(FItems.begin() + To, std::move(item));
    viewport()->update();
}

void TThumbnailViewer::Clear() {
    FItems.clear();
    CountChanged();
}

void TThumbnailViewer::CountChanged() {
    const int count = Count();
    FLayout.SetCount(count);
    if (FSelected >= count)
        FSelected = -1;
    if (FHot >= count)
        FHot = -1;
    GeometryChanged();
}

// ---------------------------------------------------------------------------
// Selection

void TThumbnailViewer::SetSelectedIndex(int Index) {
    if (Index < 0 || Index >= Count())
        Index = -1;
    if (Index != FSelected) {
        FSelected = Index;
        viewport()->update();
    }
    if (Index >= 0)
        verticalScrollBar()->setValue(FLayout.ScrollToShow(Index));
}

void TThumbnailViewer::SetHot(int Index) {
    if (Index == FHot)
        return;
    FHot = Index;
    viewport()->update();
}

// ---------------------------------------------------------------------------
// Geometry and scrolling

void TThumbnailViewer::GeometryChanged() {
    FLayout.SetCaptionHeight(FShowCaptions ? fontMetrics().height() : 0);
    FLayout.SetViewportSize(viewport()->size());
    UpdateScrollBar();
    viewport()->update();
    NotifyVisibleRange();
}

void TThumbnailViewer::UpdateScrollBar() {
    // Showing or hiding the bar resizes the viewport at once, which comes back
    // here through resizeEvent; the layout is current either way.
    QScrollBar* bar = verticalScrollBar();
    const bool wasSyncing = std::exchange(FSyncingBar, true);
    bar->setRange(0, FLayout.MaxScrollY());
    bar->setPageStep(std::max(1, FLayout.ViewportSize().height()));
    bar->setSingleStep(FLayout.RowStep());
    bar->setValue(FLayout.ScrollY());
    FSyncingBar = wasSyncing;
}

void TThumbnailViewer::NotifyVisibleRange() {
    const TThumbnailRange range = FLayout.VisibleRange();
    if (range == FLastRange)
        return;
    FLastRange = range;
    if (OnVisibleRangeChanged)
        OnVisibleRangeChanged(range.First, range.Last);
}

// ---------------------------------------------------------------------------
// Events. Every handler runs its body through GuardEvent: nothing a handler or
// a callback throws reaches Qt's event loop.

void TThumbnailViewer::scrollContentsBy(int, int) {
    GuardEvent(this, [&] {
        viewport()->update();
        // While the bar is brought to the layout, the layout leads.
        if (FSyncingBar)
            return;
        FLayout.SetScrollY(verticalScrollBar()->value());
        NotifyVisibleRange();
    });
}

void TThumbnailViewer::resizeEvent(QResizeEvent*) {
    GuardEvent(this, [&] { GeometryChanged(); });
}

void TThumbnailViewer::changeEvent(QEvent* event) {
    GuardEvent(this, [&] {
        QAbstractScrollArea::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            GeometryChanged();
    });
}

void TThumbnailViewer::paintEvent(QPaintEvent* event) {
    GuardEvent(this, [&] {
        QPainter painter(viewport());
        const QRect area = event->rect();
        painter.fillRect(area, QColorOf(FColor));
        const TThumbnailRange range = FLayout.VisibleRange();
        if (range.Empty())
            return;
        const QPalette& pal = palette();
        const int band = std::min(HighlightBand, Spacing() / 2);
        QColor hot = pal.color(QPalette::Highlight);
        hot.setAlpha(HotAlpha);
        for (int i = range.First; i <= range.Last; ++i) {
            const QRect cell = FLayout.CellRect(i);
            const QRect marked = cell.adjusted(-band, -band, band, band);
            if (!marked.intersects(area))
                continue;
            if (i == FSelected)
                painter.fillRect(marked, pal.color(QPalette::Highlight));
            else if (i == FHot)
                painter.fillRect(marked, hot);
            if (FShowFrames) {
                painter.setPen(pal.color(QPalette::Mid));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(cell.adjusted(0, 0, -1, -1));
            }
            const TItem& item = FItems[std::size_t(i)];
            if (!item.Image.isNull()) {
                const QRect target =
                    TThumbnailLayout::FitRect(item.Image.size(), FLayout.ImageBox(i));
                if (!target.isEmpty()) {
                    // Kept pictures fit the box already; only a cell made smaller
                    // since needs scaling here.
                    painter.setRenderHint(QPainter::SmoothPixmapTransform,
                                          target.size() != item.Image.size());
                    painter.drawPixmap(target, item.Image);
                }
            }
            if (FShowCaptions && !item.Caption.isEmpty()) {
                painter.setPen(i == FSelected ? pal.color(QPalette::HighlightedText)
                                              : QColorOf(FCaptionColor));
                painter.drawText(FLayout.CaptionRect(i),
                                 Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine,
                                 ShownCaption(i));
            }
        }
    });
}

void TThumbnailViewer::mousePressEvent(QMouseEvent* event) {
    GuardEvent(this, [&] {
        event->accept();
        const QPoint pos = PointOf(event);
        if (event->button() == Qt::LeftButton) {
            const int index = FLayout.IndexAt(pos);
            if (index != FSelected) {
                FSelected = index;
                viewport()->update();
            }
        }
        if (OnMouseDown)
            OnMouseDown(event->button(), event->modifiers(), pos);
    });
}

void TThumbnailViewer::mouseReleaseEvent(QMouseEvent* event) {
    GuardEvent(this, [&] {
        event->accept();
        if (OnMouseUp)
            OnMouseUp(event->button(), event->modifiers(), PointOf(event));
    });
}

void TThumbnailViewer::mouseMoveEvent(QMouseEvent* event) {
    GuardEvent(this, [&] {
        event->accept();
        const QPoint pos = PointOf(event);
        if (FHotTrack)
            SetHot(FLayout.IndexAt(pos));
        if (OnMouseMove)
            OnMouseMove(event->buttons(), event->modifiers(), pos);
    });
}

void TThumbnailViewer::keyPressEvent(QKeyEvent* event) {
    GuardEvent(this, [&] {
        TThumbnailMove move;
        if (!MoveOfKey(event->key(), move)) {
            QAbstractScrollArea::keyPressEvent(event);
            return;
        }
        event->accept();
        const int target = FLayout.MoveTarget(FSelected, move);
        if (target == FSelected)
            return;
        SetSelectedIndex(target);
        if (OnSelectionChanged)
            OnSelectionChanged();
    });
}

void TThumbnailViewer::wheelEvent(QWheelEvent* event) {
    GuardEvent(this, [&] { QAbstractScrollArea::wheelEvent(event); });
}

bool TThumbnailViewer::viewportEvent(QEvent* event) {
    bool handled = false;
    GuardEvent(this, [&] {
        if (event->type() == QEvent::Leave)
            SetHot(-1);
        handled = QAbstractScrollArea::viewportEvent(event);
    });
    return handled;
}
