// The layer stack: an ordered collection of layers over the base picture of an
// image control, painted bottom first, hit-tested top first, and receiving the
// mouse with capture from press to last release.
#pragma once

#include "engine/TNotifiablePersistent.h"
#include "engine/TRect.h"

#include <QtCore/qnamespace.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TBitmap32;
class TCustomLayer;
class TLayerCollection;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

// A set of mouse buttons, one bit per TMouseButton.
using TMouseButtons = std::uint8_t;
constexpr TMouseButtons MouseButtonBit(TMouseButton b) {
    return static_cast<TMouseButtons>(1u << static_cast<unsigned>(b));
}

// Keys and buttons held during a mouse or key event.
using TShiftState = std::uint32_t;
enum TShiftFlag : std::uint32_t {
    ssShift = 0x01,
    ssAlt = 0x02,
    ssCtrl = 0x04,
    ssLeft = 0x08,
    ssRight = 0x10,
    ssMiddle = 0x20,
    ssDouble = 0x40,
};

// Option bits of a layer.
constexpr std::uint32_t LayerVisible = 0x80000000u;
constexpr std::uint32_t LayerMouseEvents = 0x20000000u;
constexpr std::uint32_t LayerNoUpdate = 0x10000000u;
constexpr std::uint32_t LayerNoCapture = 0x08000000u;

// An index outside the list.
class EListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// An assignment between objects that do not support it.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a collection needs from the control that owns it.
class TLayerOwner {
public:
    virtual ~TLayerOwner() = default;
    // Shows a cursor over the control.
    virtual void ShowLayerCursor(Qt::CursorShape shape) = 0;
    // Shows the control's own cursor.
    virtual void ShowOwnCursor() = 0;
    // While the control paints the screen: its on-screen rectangle of the base
    // picture (to crop layers to it) and true; false otherwise.
    virtual bool ScreenCropRect(TRect& rect) const = 0;
};

using TLayerNotifyEvent = std::function<void(TCustomLayer* Sender)>;
using TLayerMouseEvent =
    std::function<void(TCustomLayer* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TLayerMouseMoveEvent =
    std::function<void(TCustomLayer* Sender, TShiftState Shift, int X, int Y)>;
using THitTestEvent = std::function<void(TCustomLayer* Sender, int X, int Y, bool& Passed)>;
using TPaintLayerEvent = std::function<void(TCustomLayer* Sender, TBitmap32& Target)>;

class TLayerCollection {
public:
    explicit TLayerCollection(TLayerOwner* owner = nullptr);
    ~TLayerCollection();
    TLayerCollection(const TLayerCollection&) = delete;
    TLayerCollection& operator=(const TLayerCollection&) = delete;

    TLayerOwner* Owner() const { return FOwner; }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Raises EListError outside 0..Count - 1.
    TCustomLayer* Items(int index) const;

    // Frees every layer, top first, with one change notice at the end.
    void Clear();

    void BeginUpdate();
    // The EndUpdate that brings the count back to 0 fires OnChange; an unpaired
    // one raises EAssertionFailed "Unpaired EndUpdate".
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }
    // Fires OnChange.
    void Changed();
    // A layer is about to change (kept for symmetry; nothing is drawn).
    void Changing() {}

    // The view's current mapping: (1, 1) and (0, 0) when nobody answers.
    void ViewScale(float& sx, float& sy) const;
    void ViewShift(float& dx, float& dy) const;

    // The topmost layer sharing an option bit with mask whose hit test passes.
    TCustomLayer* LayerAt(int x, int y, std::uint32_t mask = LayerMouseEvents) const;
    // Paint and OnPaint of every layer sharing a bit with mask, bottom first.
    void PaintLayers(TBitmap32& target, std::uint32_t mask = LayerVisible);

    // Mouse dispatch in view coordinates; each returns the layer that handled it.
    TCustomLayer* MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    TCustomLayer* MouseMove(TShiftState shift, int x, int y);
    TCustomLayer* MouseUp(TMouseButton button, TShiftState shift, int x, int y);

    bool MouseEvents() const { return FMouseEvents; }
    void SetMouseEvents(bool value) { FMouseEvents = value; }
    TCustomLayer* CapturingLayer() const { return FCapturingLayer; }

    std::function<void(TLayerCollection* Sender)> OnChange;
    std::function<void(float& ScaleX, float& ScaleY)> OnGetViewScale;
    std::function<void(float& ShiftX, float& ShiftY)> OnGetViewShift;

private:
    friend class TCustomLayer;
    void InsertItem(TCustomLayer* layer);
    void RemoveItem(TCustomLayer* layer);
    void SetCapturingLayer(TCustomLayer* layer);

    TLayerOwner* FOwner;
    std::vector<TCustomLayer*> FItems;
    int FUpdateCount = 0;
    bool FMouseEvents = true;
    TCustomLayer* FCapturingLayer = nullptr;
};

class TCustomLayer : public TNotifiablePersistent {
public:
    // Joins the collection (when given) at the top.
    explicit TCustomLayer(TLayerCollection* collection);
    ~TCustomLayer() override;

    virtual const char* ClassName() const { return "TCustomLayer"; }
    // Layers cannot be assigned: raises EConvertError "Cannot assign a <source
    // class> to a <this class>" and leaves the layer unchanged.
    void Assign(const TCustomLayer* source);

    TLayerCollection* Collection() const { return FCollection; }
    virtual void SetCollection(TLayerCollection* collection);

    std::uint32_t Options() const { return FOptions; }
    virtual void SetOptions(std::uint32_t value);
    bool Visible() const { return (FOptions & LayerVisible) != 0; }
    void SetVisible(bool value);

    TMouseButtons ButtonStates() const { return FButtonStates; }
    Qt::CursorShape Cursor() const { return FCursor; }
    virtual void SetCursor(Qt::CursorShape value);
    int Tag = 0;

    // Position in the stack, -1 outside a collection. Setting clamps to the stack.
    int Index() const;
    virtual void SetIndex(int value);
    void BringToFront();
    void SendToBack();

    // The hit test proper, then OnHitTest.
    bool HitTest(int x, int y);
    virtual void Paint(TBitmap32& target);

    void Changing();
    void Changed() override;

    virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    virtual void MouseMove(TShiftState shift, int x, int y);
    virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

    // Layers told when this one is destroyed (each at most once).
    void AddNotification(TCustomLayer* layer);
    void RemoveNotification(TCustomLayer* layer);

    TLayerMouseEvent OnMouseDown;
    TLayerMouseMoveEvent OnMouseMove;
    TLayerMouseEvent OnMouseUp;
    THitTestEvent OnHitTest;
    TPaintLayerEvent OnPaint;
    TLayerNotifyEvent OnDestroy;

protected:
    virtual bool DoHitTest(int x, int y);
    // A layer this one observes is being destroyed.
    virtual void Notification(TCustomLayer* layer);
    // The first part of destruction: OnDestroy, the observers, leaving the
    // collection. Classes with state of their own call it first in their
    // destructors, so that nothing reaches a half-destroyed layer.
    void Detach();
    // Shows a cursor through the collection's owner.
    void ShowCursor(Qt::CursorShape shape);

    std::uint32_t FOptions = LayerVisible;

private:
    friend class TLayerCollection;

    TLayerCollection* FCollection = nullptr;
    TMouseButtons FButtonStates = 0;
    Qt::CursorShape FCursor = Qt::ArrowCursor;
    std::vector<TCustomLayer*> FNotifyList;
    bool FDetached = false;
};

class TPositionedLayer : public TCustomLayer {
public:
    explicit TPositionedLayer(TLayerCollection* collection);
    ~TPositionedLayer() override;
    const char* ClassName() const override { return "TPositionedLayer"; }

    const TRectF& Location() const { return FLocation; }
    // Changing, the location store, Changed: repaints even for the same rectangle.
    void SetLocation(const TRectF& value);
    bool Scaled() const { return FScaled; }
    void SetScaled(bool value);
    bool Resizable() const { return FResizable; }
    void SetResizable(bool value) { FResizable = value; }

    // A rectangle in location units mapped to view pixels (unchanged unless Scaled).
    virtual TRectF ToViewRect(const TRectF& r) const;
    TRectF ViewLocation() const { return ToViewRect(FLocation); }

protected:
    bool DoHitTest(int x, int y) override;
    // Puts the new rectangle in place.
    virtual void DoSetLocation(const TRectF& value);

    TRectF FLocation{0, 0, 64, 64};
    bool FScaled = false;
    bool FResizable = false;
};

class TBitmapLayer : public TPositionedLayer {
public:
    explicit TBitmapLayer(TLayerCollection* collection);
    ~TBitmapLayer() override;
    const char* ClassName() const override { return "TBitmapLayer"; }

    TBitmap32& Bitmap() { return *FBitmap; }
    const TBitmap32& Bitmap() const { return *FBitmap; }
    bool HitTestAlpha() const { return FHitTestAlpha; }
    void SetHitTestAlpha(bool value) { FHitTestAlpha = value; }
    bool Cropped() const { return FCropped; }
    void SetCropped(bool value);

    void Paint(TBitmap32& target) override;

protected:
    bool DoHitTest(int x, int y) override;

private:
    std::unique_ptr<TBitmap32> FBitmap;
    bool FHitTestAlpha = false;
    bool FCropped = false;
};

// Width, height and emptiness of a float rectangle.
inline float RectWidth(const TRectF& r) {
    return r.Right - r.Left;
}
inline float RectHeight(const TRectF& r) {
    return r.Bottom - r.Top;
}
inline bool RectEmpty(const TRectF& r) {
    return !(r.Right > r.Left) || !(r.Bottom > r.Top);
}
// Each coordinate to the nearest integer, halves to even.
TRect RoundRect(const TRectF& r);
