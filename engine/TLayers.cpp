#include "engine/TLayers.h"

#include "engine/TBitmap32.h"
#include "engine/TViewGeometry.h"

#include <algorithm>

TRect RoundRect(const TRectF& r) {
    return TRect(RoundHalfEven(r.Left), RoundHalfEven(r.Top), RoundHalfEven(r.Right),
                 RoundHalfEven(r.Bottom));
}

// ---------------------------------------------------------------------------
// TLayerCollection

TLayerCollection::TLayerCollection(TLayerOwner* owner) : FOwner(owner) {}

TLayerCollection::~TLayerCollection() {
    // Nobody is left to repaint or to answer for the view.
    OnChange = nullptr;
    OnGetViewScale = nullptr;
    OnGetViewShift = nullptr;
    FOwner = nullptr;
    FUpdateCount = 1;
    while (!FItems.empty())
        delete FItems.back();
}

TCustomLayer* TLayerCollection::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return FItems[static_cast<std::size_t>(index)];
}

void TLayerCollection::Clear() {
    BeginUpdate();
    try {
        while (!FItems.empty())
            delete FItems.back();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TLayerCollection::BeginUpdate() {
    ++FUpdateCount;
}

void TLayerCollection::EndUpdate() {
    if (FUpdateCount <= 0)
        throw EAssertionFailed("Unpaired EndUpdate");
    if (--FUpdateCount == 0)
        Changed();
}

void TLayerCollection::Changed() {
    if (OnChange)
        OnChange(this);
}

void TLayerCollection::ViewScale(float& sx, float& sy) const {
    sx = 1;
    sy = 1;
    if (OnGetViewScale)
        OnGetViewScale(sx, sy);
}

void TLayerCollection::ViewShift(float& dx, float& dy) const {
    dx = 0;
    dy = 0;
    if (OnGetViewShift)
        OnGetViewShift(dx, dy);
}

TCustomLayer* TLayerCollection::LayerAt(int x, int y, std::uint32_t mask) const {
    for (auto it = FItems.rbegin(); it != FItems.rend(); ++it)
        if (((*it)->Options() & mask) != 0 && (*it)->HitTest(x, y))
            return *it;
    return nullptr;
}

void TLayerCollection::PaintLayers(TBitmap32& target, std::uint32_t mask) {
    for (std::size_t i = 0; i < FItems.size(); ++i) {
        TCustomLayer* layer = FItems[i];
        if ((layer->Options() & mask) == 0)
            continue;
        layer->Paint(target);
        if (layer->OnPaint)
            layer->OnPaint(layer, target);
    }
}

void TLayerCollection::SetCapturingLayer(TCustomLayer* layer) {
    if (layer == FCapturingLayer)
        return;
    if (FCapturingLayer)
        FCapturingLayer->FButtonStates = 0;
    FCapturingLayer = layer;
}

TCustomLayer* TLayerCollection::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomLayer* layer = FCapturingLayer ? FCapturingLayer : LayerAt(x, y, LayerMouseEvents);
    if (layer != FCapturingLayer && (!layer || (layer->Options() & LayerNoCapture) == 0))
        SetCapturingLayer(layer);
    if (FCapturingLayer) {
        FCapturingLayer->FButtonStates |= MouseButtonBit(button);
        FCapturingLayer->MouseDown(button, shift, x, y);
    }
    return layer;
}

TCustomLayer* TLayerCollection::MouseMove(TShiftState shift, int x, int y) {
    TCustomLayer* layer = FCapturingLayer ? FCapturingLayer : LayerAt(x, y, LayerMouseEvents);
    if (layer)
        layer->MouseMove(shift, x, y);
    else if (FOwner)
        FOwner->ShowOwnCursor();
    return layer;
}

TCustomLayer* TLayerCollection::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomLayer* layer = FCapturingLayer ? FCapturingLayer : LayerAt(x, y, LayerMouseEvents);
    if (layer) {
        layer->FButtonStates &= static_cast<TMouseButtons>(~MouseButtonBit(button));
        layer->MouseUp(button, shift, x, y);
    }
    if (FCapturingLayer && FCapturingLayer->FButtonStates == 0)
        SetCapturingLayer(nullptr);
    return layer;
}

void TLayerCollection::InsertItem(TCustomLayer* layer) {
    BeginUpdate();
    FItems.push_back(layer);
    layer->FCollection = this;
    EndUpdate();
}

void TLayerCollection::RemoveItem(TCustomLayer* layer) {
    auto it = std::find(FItems.begin(), FItems.end(), layer);
    if (it == FItems.end())
        return;
    BeginUpdate();
    if (FCapturingLayer == layer)
        SetCapturingLayer(nullptr);
    FItems.erase(it);
    layer->FCollection = nullptr;
    EndUpdate();
}

// ---------------------------------------------------------------------------
// TCustomLayer

TCustomLayer::TCustomLayer(TLayerCollection* collection) {
    if (collection)
        collection->InsertItem(this);
}

TCustomLayer::~TCustomLayer() {
    Detach();
}

void TCustomLayer::Detach() {
    if (FDetached)
        return;
    FDetached = true;
    if (OnDestroy)
        OnDestroy(this);
    while (!FNotifyList.empty()) {
        TCustomLayer* observer = FNotifyList.back();
        FNotifyList.pop_back();
        observer->Notification(this);
    }
    if (FCollection)
        FCollection->RemoveItem(this);
}

void TCustomLayer::Assign(const TCustomLayer* source) {
    throw EConvertError(std::string("Cannot assign a ") + (source ? source->ClassName() : "nil") +
                        " to a " + ClassName());
}

void TCustomLayer::SetCollection(TLayerCollection* collection) {
    if (collection == FCollection)
        return;
    if (FCollection)
        FCollection->RemoveItem(this);
    if (collection)
        collection->InsertItem(this);
}

void TCustomLayer::SetOptions(std::uint32_t value) {
    Changing();
    FOptions = value;
    Changed();
}

void TCustomLayer::SetVisible(bool value) {
    SetOptions(value ? (FOptions | LayerVisible) : (FOptions & ~LayerVisible));
}

void TCustomLayer::SetCursor(Qt::CursorShape value) {
    if (value == FCursor)
        return;
    FCursor = value;
    if (FCollection && FCollection->CapturingLayer() == this)
        ShowCursor(value);
}

void TCustomLayer::ShowCursor(Qt::CursorShape shape) {
    if (FCollection && FCollection->Owner())
        FCollection->Owner()->ShowLayerCursor(shape);
}

int TCustomLayer::Index() const {
    if (!FCollection)
        return -1;
    const auto& items = FCollection->FItems;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCustomLayer::SetIndex(int value) {
    if (!FCollection)
        return;
    const int current = Index();
    if (value == current)
        return;
    value = std::clamp(value, 0, FCollection->Count() - 1);
    if (value == current)
        return;
    auto& items = FCollection->FItems;
    const bool visible = Visible();
    if (visible)
        FCollection->BeginUpdate();
    items.erase(items.begin() + current);
    items.insert(items.begin() + value, this);
    if (visible)
        FCollection->EndUpdate();
}

void TCustomLayer::BringToFront() {
    if (FCollection)
        SetIndex(FCollection->Count());
}

void TCustomLayer::SendToBack() {
    SetIndex(0);
}

bool TCustomLayer::HitTest(int x, int y) {
    bool passed = DoHitTest(x, y);
    if (OnHitTest)
        OnHitTest(this, x, y, passed);
    return passed;
}

bool TCustomLayer::DoHitTest(int, int) {
    return true;
}

void TCustomLayer::Paint(TBitmap32&) {}

void TCustomLayer::Notification(TCustomLayer*) {}

void TCustomLayer::Changing() {
    if (FUpdateCount == 0 && Visible() && FCollection && (FOptions & LayerNoUpdate) == 0)
        FCollection->Changing();
}

void TCustomLayer::Changed() {
    if (FUpdateCount > 0 || !FCollection || (FOptions & LayerNoUpdate) != 0)
        return;
    if (Visible())
        FCollection->Changed();
    if (OnChange)
        OnChange(this);
}

void TCustomLayer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TCustomLayer::MouseMove(TShiftState shift, int x, int y) {
    ShowCursor(FCursor);
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TCustomLayer::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    ShowCursor(Qt::ArrowCursor);
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

void TCustomLayer::AddNotification(TCustomLayer* layer) {
    if (layer && std::find(FNotifyList.begin(), FNotifyList.end(), layer) == FNotifyList.end())
        FNotifyList.push_back(layer);
}

void TCustomLayer::RemoveNotification(TCustomLayer* layer) {
    FNotifyList.erase(std::remove(FNotifyList.begin(), FNotifyList.end(), layer),
                      FNotifyList.end());
}

// ---------------------------------------------------------------------------
// TPositionedLayer

TPositionedLayer::TPositionedLayer(TLayerCollection* collection) : TCustomLayer(collection) {
    FOptions = LayerVisible | LayerMouseEvents;
}

TPositionedLayer::~TPositionedLayer() {
    Detach();
}

void TPositionedLayer::SetLocation(const TRectF& value) {
    Changing();
    DoSetLocation(value);
    Changed();
}

void TPositionedLayer::DoSetLocation(const TRectF& value) {
    FLocation = value;
}

void TPositionedLayer::SetScaled(bool value) {
    if (value == FScaled)
        return;
    Changing();
    FScaled = value;
    Changed();
}

TRectF TPositionedLayer::ToViewRect(const TRectF& r) const {
    if (!FScaled || !Collection())
        return r;
    float sx, sy, dx, dy;
    Collection()->ViewScale(sx, sy);
    Collection()->ViewShift(dx, dy);
    auto map = [](float v, float s, float d) {
        return static_cast<float>(static_cast<double>(v) * s + d);
    };
    return TRectF{map(r.Left, sx, dx), map(r.Top, sy, dy), map(r.Right, sx, dx),
                  map(r.Bottom, sy, dy)};
}

bool TPositionedLayer::DoHitTest(int x, int y) {
    const TRectF v = ViewLocation();
    const float fx = static_cast<float>(x), fy = static_cast<float>(y);
    return fx >= v.Left && fx < v.Right && fy >= v.Top && fy < v.Bottom;
}

// ---------------------------------------------------------------------------
// TBitmapLayer

TBitmapLayer::TBitmapLayer(TLayerCollection* collection)
    : TPositionedLayer(collection), FBitmap(std::make_unique<TBitmap32>()) {
    FBitmap->OnAreaChanged = [this](TBitmap32*, const TRect&, std::uint32_t) {
        if (!FBitmap->IsEmpty() && Collection() && (FOptions & LayerNoUpdate) == 0)
            Changed();
    };
}

TBitmapLayer::~TBitmapLayer() {
    Detach();
    FBitmap->OnAreaChanged = nullptr;
}

void TBitmapLayer::SetCropped(bool value) {
    if (value == FCropped)
        return;
    FCropped = value;
    Changed();
}

bool TBitmapLayer::DoHitTest(int x, int y) {
    if (!TPositionedLayer::DoHitTest(x, y) || !FHitTestAlpha)
        return TPositionedLayer::DoHitTest(x, y);
    const TRectF v = ViewLocation();
    const std::int32_t lw = RoundHalfEven(static_cast<double>(v.Right) - v.Left);
    const std::int32_t lh = RoundHalfEven(static_cast<double>(v.Bottom) - v.Top);
    if (lw < 1 || lh < 1)
        return false;
    const std::int32_t bx =
        RoundHalfEven((static_cast<double>(x) - v.Left) * FBitmap->Width() / lw);
    const std::int32_t by =
        RoundHalfEven((static_cast<double>(y) - v.Top) * FBitmap->Height() / lh);
    return AlphaComponent(FBitmap->PixelOrOuter(bx, by)) != 0;
}

void TBitmapLayer::Paint(TBitmap32& target) {
    if (FBitmap->IsEmpty())
        return;
    const TRect dst = RoundRect(ViewLocation());
    TRect clip = target.ClipRect();
    TRect overlap;
    if (!IntersectRect(overlap, clip, dst))
        return;
    if (FCropped && Collection() && Collection()->Owner()) {
        TRect crop;
        if (Collection()->Owner()->ScreenCropRect(crop)) {
            TRect cropped;
            IntersectRect(cropped, clip, crop);
            clip = cropped;
        }
    }
    TransferStretched(&target, dst, clip, FBitmap.get(), FBitmap->BoundsRect(),
                      &FBitmap->Resampler(), FBitmap->DrawMode(), FBitmap->OnPixelCombine);
}
