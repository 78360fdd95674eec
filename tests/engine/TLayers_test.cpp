#include "engine/TLayers.h"

#include "engine/TBitmap32.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Stands in for the image control: records cursors and answers the crop query.
class FakeOwner : public TLayerOwner {
public:
    void ShowLayerCursor(Qt::CursorShape shape) override { cursors.push_back(shape); }
    void ShowOwnCursor() override { ++ownCursorShown; }
    bool ScreenCropRect(TRect& rect) const override {
        rect = crop;
        return cropping;
    }
    std::vector<Qt::CursorShape> cursors;
    int ownCursorShown = 0;
    bool cropping = false;
    TRect crop;
};

// A collection that counts its change notices.
struct Stack {
    FakeOwner owner;
    TLayerCollection layers{&owner};
    int changes = 0;
    Stack() {
        layers.OnChange = [this](TLayerCollection*) { ++changes; };
    }
    TPositionedLayer* Add(float l, float t, float r, float b) {
        auto* layer = new TPositionedLayer(&layers);
        layer->SetLocation({l, t, r, b});
        return layer;
    }
    TBitmapLayer* AddBitmap(float l, float t, float r, float b, int w, int h, TColor32 fill) {
        auto* layer = new TBitmapLayer(&layers);
        layer->Bitmap().SetSize(w, h);
        layer->Bitmap().Clear(fill);
        layer->SetLocation({l, t, r, b});
        return layer;
    }
};

TEST(LayerCollection, ItemsClearAndUpdateCount) {
    Stack s;
    EXPECT_THROW(s.layers.Items(0), EListError);
    s.layers.Clear(); // an empty collection still asks for one repaint
    EXPECT_EQ(s.changes, 1);

    TPositionedLayer* a = s.Add(0, 0, 10, 10);
    TPositionedLayer* b = s.Add(0, 0, 10, 10);
    EXPECT_EQ(s.layers.Count(), 2);
    EXPECT_EQ(s.layers.Items(0), a);
    EXPECT_EQ(b->Index(), 1);
    try {
        s.layers.Items(2);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (2)");
    }

    s.changes = 0;
    s.layers.BeginUpdate();
    s.layers.BeginUpdate();
    s.layers.EndUpdate();
    EXPECT_EQ(s.changes, 0);
    s.layers.EndUpdate();
    EXPECT_EQ(s.changes, 1);
    EXPECT_THROW(s.layers.EndUpdate(), EAssertionFailed);

    s.changes = 0;
    s.layers.Clear(); // frees both with one notice
    EXPECT_EQ(s.layers.Count(), 0);
    EXPECT_EQ(s.changes, 1);
}

TEST(LayerCollection, IndexMovesAndClamps) {
    Stack s;
    TPositionedLayer* a = s.Add(0, 0, 1, 1);
    TPositionedLayer* b = s.Add(0, 0, 1, 1);
    TPositionedLayer* c = s.Add(0, 0, 1, 1);

    s.changes = 0;
    c->BringToFront(); // already on top: nothing, no repaint
    a->SendToBack();
    c->SetIndex(s.layers.Count() + 5);
    EXPECT_EQ(s.changes, 0);
    EXPECT_EQ(c->Index(), 2);

    c->SetIndex(-3);
    EXPECT_EQ(s.changes, 1);
    EXPECT_EQ(s.layers.Items(0), c);
    EXPECT_EQ(s.layers.Items(1), a);
    EXPECT_EQ(s.layers.Items(2), b);

    a->BringToFront();
    EXPECT_EQ(s.layers.Items(2), a);

    // A hidden layer moves without repainting.
    b->SetVisible(false);
    s.changes = 0;
    b->SendToBack();
    EXPECT_EQ(b->Index(), 0);
    EXPECT_EQ(s.changes, 0);

    TPositionedLayer loose(nullptr);
    loose.SetIndex(4);
    EXPECT_EQ(loose.Index(), -1);
}

TEST(LayerCollection, ChangeNotices) {
    Stack s;
    TPositionedLayer* a = s.Add(0, 0, 10, 10);
    int layerChanges = 0;
    a->OnChange = [&](TNotifiablePersistent*) { ++layerChanges; };

    s.changes = 0;
    a->SetLocation(a->Location()); // the same rectangle still repaints
    EXPECT_EQ(s.changes, 1);
    EXPECT_EQ(layerChanges, 1);

    a->SetScaled(false); // unchanged: nothing
    EXPECT_EQ(s.changes, 1);

    // Hiding does not repaint the view by itself; the layer's own event fires.
    a->SetVisible(false);
    EXPECT_EQ(s.changes, 1);
    EXPECT_EQ(layerChanges, 2);
    a->SetLocation({1, 1, 2, 2});
    EXPECT_EQ(s.changes, 1);

    a->SetOptions(LayerVisible | LayerNoUpdate);
    a->SetLocation({2, 2, 3, 3});
    EXPECT_EQ(s.changes, 1);
    EXPECT_EQ(layerChanges, 3); // the hidden move; nothing while LayerNoUpdate is set

    a->SetOptions(LayerVisible);
    a->BeginUpdate();
    a->SetLocation({3, 3, 4, 4});
    EXPECT_EQ(s.changes, 2); // only the option change
    a->EndUpdate();

    // Editing a bitmap layer's picture repaints.
    TBitmapLayer* bl = s.AddBitmap(0, 0, 4, 4, 4, 4, 0xFF000000u);
    s.changes = 0;
    bl->Bitmap().FlipHorizontal();
    bl->Bitmap().SetMasterAlpha(128);
    EXPECT_EQ(s.changes, 2);
    bl->SetCropped(true);
    bl->SetCropped(true);
    EXPECT_EQ(s.changes, 3);
}

TEST(LayerCollection, HitTestsAndLayerAt) {
    Stack s;
    TPositionedLayer* low = s.Add(0, 0, 100, 100);
    TPositionedLayer* high = s.Add(10.5f, 20, 30, 40);
    // Half-open: the left and top edges hit, the right and bottom ones miss.
    EXPECT_EQ(s.layers.LayerAt(11, 20), high);
    EXPECT_EQ(s.layers.LayerAt(10, 20), low);
    EXPECT_EQ(s.layers.LayerAt(29, 39), high);
    EXPECT_EQ(s.layers.LayerAt(30, 25), low);
    EXPECT_EQ(s.layers.LayerAt(20, 40), low);
    EXPECT_EQ(s.layers.LayerAt(100, 5), nullptr);
    // The mask picks layers by option bits.
    high->SetOptions(LayerVisible);
    EXPECT_EQ(s.layers.LayerAt(15, 25), low);
    EXPECT_EQ(s.layers.LayerAt(15, 25, LayerVisible), high);
    // OnHitTest has the last word.
    low->OnHitTest = [](TCustomLayer*, int x, int, bool& passed) { passed = passed && x < 50; };
    EXPECT_EQ(s.layers.LayerAt(60, 60), nullptr);
    EXPECT_EQ(s.layers.LayerAt(40, 60), low);

    // A scaled layer is hit in view coordinates through the view's mapping.
    s.layers.OnGetViewScale = [](float& sx, float& sy) { sx = sy = 2; };
    s.layers.OnGetViewShift = [](float& dx, float& dy) { dx = 100, dy = 50; };
    TPositionedLayer* scaled = s.Add(10, 10, 20, 20);
    scaled->SetScaled(true);
    const TRectF v = scaled->ViewLocation();
    EXPECT_EQ(v, (TRectF{120, 70, 140, 90}));
    EXPECT_EQ(s.layers.LayerAt(120, 70), scaled);
    EXPECT_EQ(s.layers.LayerAt(140, 80), nullptr);
}

TEST(LayerCollection, AlphaHitTestFallsThrough) {
    Stack s;
    TBitmapLayer* below = s.AddBitmap(0, 0, 20, 20, 1, 1, 0xFF00FF00u);
    TBitmapLayer* above = s.AddBitmap(0, 0, 20, 20, 10, 10, 0xFFFF0000u);
    above->Bitmap().SetPixel(2, 3, 0x00FF0000u); // transparent: view pixels 4..5, 6..7
    EXPECT_EQ(s.layers.LayerAt(4, 6), above);    // alpha ignored: the whole rectangle
    above->SetHitTestAlpha(true);
    EXPECT_EQ(s.layers.LayerAt(4, 6), below);
    EXPECT_EQ(s.layers.LayerAt(5, 7), above); // 2.5 -> 2 and 3.5 -> 4: halves to even
    EXPECT_EQ(s.layers.LayerAt(3, 6), below); // 1.5 -> 2
    EXPECT_EQ(s.layers.LayerAt(3, 5), above); // 2.5 -> 2: row 2 is opaque
    // The last view column maps just past the bitmap (9.5 -> 10) and misses.
    EXPECT_EQ(s.layers.LayerAt(19, 0), below);
    EXPECT_EQ(s.layers.LayerAt(18, 0), above);
}

TEST(LayerCollection, MouseCaptureAndButtons) {
    Stack s;
    TPositionedLayer* a = s.Add(0, 0, 50, 50);
    TPositionedLayer* b = s.Add(100, 0, 150, 50);
    a->SetCursor(Qt::PointingHandCursor);
    std::vector<std::string> log;
    a->OnMouseDown = [&](TCustomLayer*, TMouseButton, TShiftState, int x, int) {
        log.push_back("down " + std::to_string(x));
    };
    a->OnMouseMove = [&](TCustomLayer*, TShiftState, int x, int) {
        log.push_back("move " + std::to_string(x));
    };
    a->OnMouseUp = [&](TCustomLayer*, TMouseButton, TShiftState, int x, int) {
        log.push_back("up " + std::to_string(x));
    };

    // A move without a button reaches the layer under the mouse and sets its cursor.
    EXPECT_EQ(s.layers.MouseMove(0, 10, 10), a);
    EXPECT_EQ(s.owner.cursors.back(), Qt::PointingHandCursor);
    EXPECT_EQ(s.layers.MouseMove(0, 70, 10), nullptr);
    EXPECT_EQ(s.owner.ownCursorShown, 1);

    EXPECT_EQ(s.layers.MouseDown(mbLeft, ssLeft, 10, 10), a);
    EXPECT_EQ(s.layers.CapturingLayer(), a);
    EXPECT_EQ(a->ButtonStates(), MouseButtonBit(mbLeft));
    // While captured, everything goes to the capturing layer, even over another.
    EXPECT_EQ(s.layers.MouseDown(mbRight, ssLeft | ssRight, 120, 10), a);
    EXPECT_EQ(s.layers.MouseMove(ssLeft, 120, 10), a);
    EXPECT_EQ(s.layers.MouseUp(mbLeft, ssRight, 120, 10), a);
    EXPECT_EQ(s.layers.CapturingLayer(), a); // the right button is still down
    EXPECT_EQ(s.layers.MouseUp(mbRight, 0, 121, 10), a);
    EXPECT_EQ(s.layers.CapturingLayer(), nullptr);
    EXPECT_EQ(s.owner.cursors.back(), Qt::ArrowCursor); // release shows the default
    EXPECT_EQ(log, (std::vector<std::string>{"move 10", "down 10", "down 120", "move 120", "up 120",
                                             "up 121"}));

    // A press outside every layer reaches nobody.
    EXPECT_EQ(s.layers.MouseDown(mbLeft, ssLeft, 70, 10), nullptr);
    EXPECT_EQ(s.layers.CapturingLayer(), nullptr);
    EXPECT_EQ(s.layers.MouseUp(mbLeft, 0, 70, 10), nullptr);

    // LayerNoCapture: the layer is found but neither holds the mouse nor gets the press.
    b->SetOptions(b->Options() | LayerNoCapture);
    EXPECT_EQ(s.layers.MouseDown(mbLeft, ssLeft, 120, 10), b);
    EXPECT_EQ(s.layers.CapturingLayer(), nullptr);
    EXPECT_EQ(b->ButtonStates(), 0);

    // A layer freed while it holds the mouse releases the capture.
    s.layers.MouseDown(mbLeft, ssLeft, 10, 10);
    EXPECT_EQ(s.layers.CapturingLayer(), a);
    delete a;
    EXPECT_EQ(s.layers.CapturingLayer(), nullptr);
    EXPECT_EQ(s.layers.MouseMove(ssLeft, 10, 10), nullptr);
}

// A layer that records the layers it was told about.
class Observer : public TPositionedLayer {
public:
    Observer(TLayerCollection* c, std::vector<std::string>& log, std::string name)
        : TPositionedLayer(c), FLog(log), FName(std::move(name)) {}

protected:
    void Notification(TCustomLayer*) override { FLog.push_back(FName); }

private:
    std::vector<std::string>& FLog;
    std::string FName;
};

TEST(LayerCollection, DestructionNotices) {
    Stack s;
    std::vector<std::string> log;
    TPositionedLayer* target = s.Add(0, 0, 1, 1);
    Observer first(nullptr, log, "first");
    Observer second(nullptr, log, "second");
    target->AddNotification(&first);
    target->AddNotification(&second);
    target->AddNotification(&first); // at most once
    target->OnDestroy = [&](TCustomLayer*) { log.push_back("destroy"); };
    delete target;
    EXPECT_EQ(log, (std::vector<std::string>{"destroy", "second", "first"}));
    EXPECT_EQ(s.layers.Count(), 0);
}

TEST(LayerCollection, AssignIsRefused) {
    Stack s;
    TBitmapLayer* a = s.AddBitmap(0, 0, 2, 2, 2, 2, 0xFFFFFFFFu);
    TBitmapLayer* b = s.AddBitmap(5, 5, 6, 6, 1, 1, 0xFF000000u);
    TPositionedLayer* p = s.Add(0, 0, 1, 1);
    try {
        a->Assign(b);
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TBitmapLayer to a TBitmapLayer");
    }
    try {
        p->Assign(nullptr);
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a nil to a TPositionedLayer");
    }
    EXPECT_EQ(a->Location(), (TRectF{0, 0, 2, 2}));
    EXPECT_EQ(a->Bitmap().Width(), 2);
}

TEST(BitmapLayerPaint, AHugeLocationStretchesWithoutOverflow) {
    // Six thousand million pixels wide: the left source column covers the left
    // half of the target's reach, the right one the right half.
    Stack s;
    TBitmapLayer* layer = s.AddBitmap(-3e9f, 0, 3e9f, 4, 2, 1, 0xFF00FF00u);
    layer->Bitmap().SetPixel(1, 0, 0xFFFF0000u);
    TBitmap32 target;
    target.SetSize(4, 4);
    target.Clear(0xFF0000FFu);
    s.layers.PaintLayers(target, LayerVisible);
    EXPECT_EQ(target.Pixel(0, 0), 0xFFFF0000u) << "x = 0 lies in the right half";
    EXPECT_EQ(target.Pixel(3, 3), 0xFFFF0000u);
}

TEST(BitmapLayerPaint, StretchBlendAndCrop) {
    Stack s;
    TBitmap32 target;
    target.SetSize(24, 24);
    target.Clear(0xFF0000FFu);

    // 10 x 10 into 20 x 20: each pixel a 2 x 2 block.
    TBitmapLayer* layer = s.AddBitmap(2, 2, 22, 22, 10, 10, 0xFF00FF00u);
    layer->Bitmap().SetPixel(0, 0, 0xFFFF0000u);
    layer->Bitmap().SetPixel(9, 9, 0x80FF0000u);
    layer->Bitmap().SetDrawMode(dmBlend);
    s.layers.PaintLayers(target, LayerVisible);
    EXPECT_EQ(target.Pixel(1, 1), 0xFF0000FFu);
    EXPECT_EQ(target.Pixel(2, 2), 0xFFFF0000u);
    EXPECT_EQ(target.Pixel(3, 3), 0xFFFF0000u);
    EXPECT_EQ(target.Pixel(4, 4), 0xFF00FF00u);
    EXPECT_EQ(target.Pixel(20, 21), 0xC0800080u); // half-transparent red over blue
    EXPECT_EQ(target.Pixel(22, 22), 0xFF0000FFu);

    // A location rounding to nothing draws nothing; so does a hidden layer.
    target.Clear(0xFF0000FFu);
    layer->SetLocation({0, 0, 0.4f, 0.4f});
    s.layers.PaintLayers(target, LayerVisible);
    EXPECT_EQ(target.Pixel(0, 0), 0xFF0000FFu);
    layer->SetLocation({0, 0, 10, 10});
    layer->SetVisible(false);
    s.layers.PaintLayers(target, LayerVisible);
    EXPECT_EQ(target.Pixel(1, 1), 0xFF0000FFu);
    layer->SetVisible(true);

    // Rounded location: 0.5 -> 0, 10.5 -> 10 (halves to even).
    layer->Bitmap().SetDrawMode(dmOpaque);
    layer->SetLocation({0.5f, 1.5f, 10.5f, 11.5f});
    s.layers.PaintLayers(target, LayerVisible);
    EXPECT_EQ(target.Pixel(0, 2), 0xFFFF0000u);
    EXPECT_EQ(target.Pixel(0, 1), 0xFF0000FFu);
    EXPECT_EQ(target.Pixel(10, 5), 0xFF0000FFu);

    // Cropped: clipped to the owner's picture rectangle only while it paints the screen.
    target.Clear(0xFF0000FFu);
    layer->SetCropped(true);
    s.owner.crop = TRect(0, 0, 5, 24);
    s.layers.PaintLayers(target, LayerVisible);
    EXPECT_EQ(target.Pixel(4, 5), 0xFF00FF00u);
    EXPECT_EQ(target.Pixel(5, 5), 0xFF00FF00u);
    s.owner.cropping = true;
    target.Clear(0xFF0000FFu);
    s.layers.PaintLayers(target, LayerVisible);
    EXPECT_EQ(target.Pixel(5, 5), 0xFF0000FFu);
    EXPECT_EQ(target.Pixel(4, 5), 0xFF00FF00u);
    // The target's own clip rectangle limits drawing too.
    s.owner.cropping = false;
    target.Clear(0xFF0000FFu);
    target.SetClipRect(TRect(0, 0, 3, 3));
    s.layers.PaintLayers(target, LayerVisible);
    EXPECT_EQ(target.Pixel(0, 2), 0xFFFF0000u);
    EXPECT_EQ(target.Pixel(2, 2), 0xFF00FF00u);
    EXPECT_EQ(target.Pixel(3, 3), 0xFF0000FFu);

    // OnPaint follows Paint for each painted layer.
    int painted = 0;
    layer->OnPaint = [&](TCustomLayer*, TBitmap32&) { ++painted; };
    s.layers.PaintLayers(target, LayerVisible);
    s.layers.PaintLayers(target, LayerMouseEvents | LayerNoUpdate);
    EXPECT_EQ(painted, 2);
}

} // namespace
