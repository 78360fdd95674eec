#include "engine/TImgView32.h"

#include "engine/TRubberbandLayer.h"
#include "engine/uEventErrors.h"
#include "tests/engine/GuiApplication.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int Bar = 16;

class ImageView : public ::testing::Test {
protected:
    void SetUp() override { EnsureGuiApplication(); }

    // A shown view whose viewport (without the bars) is vw x vh.
    static std::unique_ptr<TImgView32> MakeView(int vw, int vh) {
        auto view = std::make_unique<TImgView32>();
        TIVScrollProperties bars;
        bars.Size = Bar;
        view->SetScrollBars(bars);
        view->resize(vw + Bar, vh + Bar);
        view->show();
        return view;
    }

    static void Press(QWidget* w, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mousePress(w, b, Qt::NoModifier, QPoint(x, y));
    }
    // The window system drops a move to where the pointer already is, so the
    // pointer first goes one pixel aside; every handler here reacts to the last
    // position only.
    static void Move(QWidget* w, int x, int y) {
        QTest::mouseMove(w, QPoint(x + 1, y));
        QTest::mouseMove(w, QPoint(x, y));
    }
    static void Release(QWidget* w, int x, int y, Qt::MouseButton b = Qt::LeftButton) {
        QTest::mouseRelease(w, b, Qt::NoModifier, QPoint(x, y));
    }
};

TEST_F(ImageView, CentringScrollRangesAndBars) {
    auto view = MakeView(600, 500);
    view->Bitmap().SetSize(400, 300);
    EXPECT_EQ(view->ViewportRect(), TRect(0, 0, 600, 500));
    EXPECT_EQ(view->BitmapRect(), TRect(100, 100, 500, 400));
    EXPECT_EQ(view->HorzScrollBar()->maximum(), 0);
    EXPECT_EQ(view->VertScrollBar()->maximum(), 0);

    view->SetScale(2.0f);
    EXPECT_EQ(view->ShownBitmapSize(), (TSize{800, 600}));
    EXPECT_EQ(view->BitmapRect(), TRect(-100, -50, 700, 550));
    EXPECT_EQ(view->HorzScrollBar()->maximum(), 200);
    EXPECT_EQ(view->HorzScrollBar()->value(), 100);
    EXPECT_EQ(view->HorzScrollBar()->pageStep(), 600);
    EXPECT_EQ(view->HorzScrollBar()->singleStep(), 8);

    // The user moves a bar: the picture follows at once.
    view->HorzScrollBar()->setValue(0);
    view->VertScrollBar()->setValue(100);
    EXPECT_EQ(view->BitmapRect(), TRect(0, -100, 800, 500));

    // A new picture is scrolled to its middle; zero scale becomes 0.001.
    view->Bitmap().SetSize(1000, 1000);
    EXPECT_EQ(view->ViewToBitmap({300, 250}), (TPoint{500, 500}));
    view->Bitmap().SetSize(499, 499);
    view->SetScale(0);
    EXPECT_FLOAT_EQ(view->Scale(), 0.001f);
    EXPECT_EQ(view->ShownBitmapSize(), (TSize{0, 0}));
    EXPECT_EQ(view->BitmapRect().Width(), 0);

    // Hidden bars give the whole control to the viewport.
    TIVScrollProperties hidden;
    hidden.Size = Bar;
    hidden.Visibility = svHidden;
    view->SetScrollBars(hidden);
    EXPECT_EQ(view->ViewportRect(), TRect(0, 0, 616, 516));
    EXPECT_FALSE(view->HorzScrollBar()->isVisible());
    // Automatic bars appear only while there is something to scroll.
    hidden.Visibility = svAuto;
    view->SetScrollBars(hidden);
    EXPECT_FALSE(view->ScrollBarsShown());
    view->SetScale(2.0f);
    EXPECT_TRUE(view->ScrollBarsShown());
    EXPECT_EQ(view->ViewportRect(), TRect(0, 0, 600, 500));
}

TEST_F(ImageView, WheelZoomKeepsTheMiddle) {
    auto view = MakeView(400, 300);
    view->Bitmap().SetSize(2000, 2000);
    view->CenterOn(700, 900);
    EXPECT_EQ(view->ViewToBitmap({200, 150}), (TPoint{700, 900}));
    int ups = 0, downs = 0;
    view->OnMouseWheelUp = [&](TCustomImage32* sender, TShiftState, QPoint, bool&) {
        ++ups;
        sender->SetScale(sender->Scale() / 2);
    };
    view->OnMouseWheelDown = [&](TCustomImage32* sender, TShiftState, QPoint, bool&) {
        ++downs;
        sender->SetScale(sender->Scale() * 4);
    };
    auto wheel = [&](int delta) {
        QWheelEvent e(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.get(), &e);
    };
    wheel(120);
    EXPECT_FLOAT_EQ(view->Scale(), 0.5f);
    EXPECT_EQ(view->ViewToBitmap({200, 150}), (TPoint{700, 900}));
    wheel(-120);
    EXPECT_FLOAT_EQ(view->Scale(), 2.0f);
    EXPECT_EQ(view->ViewToBitmap({200, 150}), (TPoint{700, 900}));
    EXPECT_EQ(ups, 1);
    EXPECT_EQ(downs, 1);
    // Zoomed far out the picture is centred.
    view->SetScale(0.1f);
    EXPECT_EQ(view->BitmapRect(), TRect(100, 50, 300, 250));
}

TEST_F(ImageView, MovingOneBarKeepsTheOtherBarsExactPosition) {
    auto view = MakeView(400, 301);
    view->Bitmap().SetSize(2000, 2000);
    view->CenterOn(700, 900); // the vertical position lands on a half pixel
    const float vert = view->Geometry().VertBar().Position();
    ASSERT_NE(vert, float(int(vert))) << "the case needs a fractional position";
    const TRect before = view->BitmapRect();
    view->HorzScrollBar()->setValue(view->HorzScrollBar()->value() + 10);
    EXPECT_EQ(view->Geometry().VertBar().Position(), vert);
    EXPECT_EQ(view->BitmapRect().Top, before.Top) << "the picture must not jump vertically";
    EXPECT_EQ(view->BitmapRect().Left, before.Left - 10);
}

TEST_F(ImageView, KeysActOncePerRelease) {
    auto view = MakeView(100, 100);
    std::vector<int> ups;
    view->OnKeyUp = [&](TCustomImage32*, int& key, TShiftState) { ups.push_back(key); };
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Left, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(view.get(), &repeat);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Delete, Qt::NoModifier);
    QApplication::sendEvent(view.get(), &release);
    EXPECT_EQ(ups, std::vector<int>{Qt::Key_Delete});
}

TEST_F(ImageView, PressOnALayerSelectsAndCaptures) {
    auto view = MakeView(300, 200);
    view->Bitmap().SetSize(300, 200); // fills the viewport at (0, 0)
    auto* layer = new TBitmapLayer(&view->Layers());
    layer->Bitmap().SetSize(10, 10);
    layer->SetScaled(true);
    layer->SetLocation({20, 20, 70, 70});

    std::vector<TCustomLayer*> downs;
    view->OnMouseDown = [&](TCustomImage32*, TMouseButton, TShiftState, int, int, TCustomLayer* l) {
        downs.push_back(l);
    };
    Press(view.get(), 30, 30);
    EXPECT_EQ(view->Layers().CapturingLayer(), layer);
    Move(view.get(), 250, 150); // still the layer's while the button is down
    Release(view.get(), 250, 150);
    EXPECT_EQ(view->Layers().CapturingLayer(), nullptr);
    Press(view.get(), 150, 150);
    Release(view.get(), 150, 150);
    EXPECT_EQ(downs, (std::vector<TCustomLayer*>{layer, nullptr}));

    // Without mouse events for the layers the control still reports the press.
    view->Layers().SetMouseEvents(false);
    Press(view.get(), 30, 30);
    Release(view.get(), 30, 30);
    EXPECT_EQ(downs.back(), nullptr);
}

// A view at scale 2 showing a 200 x 200 picture at (100, 50), with a picture
// layer framed by the selection frame.
class FrameDrag : public ImageView {
protected:
    void SetUp() override {
        ImageView::SetUp();
        view = MakeView(600, 500);
        view->Bitmap().SetSize(200, 200);
        view->SetScale(2.0f);
        layer = new TBitmapLayer(&view->Layers());
        layer->Bitmap().SetSize(50, 50);
        layer->SetScaled(true);
        layer->SetLocation({10, 10, 60, 60});
        frame = new TRubberbandLayer(&view->Layers());
        frame->MinWidth = 1;
        frame->MinHeight = 1;
        frame->SetResizable(true);
        frame->SetFramedLayer(layer);
    }
    void Drag(int x0, int y0, int x1, int y1) {
        Press(view.get(), x0, y0);
        Move(view.get(), x1, y1);
        Release(view.get(), x1, y1);
    }
    std::unique_ptr<TImgView32> view;
    TBitmapLayer* layer = nullptr;
    TRubberbandLayer* frame = nullptr;
};

TEST_F(FrameDrag, MoveByViewPixelsAtScaleTwo) {
    EXPECT_EQ(view->BitmapRect(), TRect(100, 50, 500, 450));
    EXPECT_TRUE(frame->Scaled());
    EXPECT_EQ(frame->ViewLocation(), (TRectF{120, 70, 220, 170}));
    Press(view.get(), 170, 120);
    EXPECT_EQ(view->Layers().CapturingLayer(), frame);
    EXPECT_TRUE(frame->Dragging());
    EXPECT_EQ(frame->DragState(), DragMove);
    Move(view.get(), 180, 120);
    EXPECT_EQ(layer->Location(), (TRectF{15, 10, 65, 60}));
    // The drag goes on outside the frame.
    Move(view.get(), 580, 20);
    EXPECT_EQ(layer->Location(), (TRectF{215, -40, 265, 10}));
    Release(view.get(), 580, 20);
    EXPECT_FALSE(frame->Dragging());
    EXPECT_EQ(frame->Location(), layer->Location());
}

TEST_F(FrameDrag, CornersSidesAndLimits) {
    // 3 pixels outside the bottom-right corner (219, 169) grabs it.
    EXPECT_EQ(frame->DragStateAt(222, 172), DragBottomRight);
    EXPECT_EQ(view->Layers().LayerAt(223, 173), frame);
    EXPECT_NE(view->Layers().LayerAt(224, 173), frame);
    Drag(222, 172, 242, 182);
    EXPECT_EQ(layer->Location(), (TRectF{10, 10, 71, 66}));

    // Past the opposite edge the left side stops at width 1 instead of flipping.
    frame->SetLocation({10, 10, 60, 60});
    Drag(120, 120, 400, 120);
    EXPECT_EQ(layer->Location(), (TRectF{59, 10, 60, 60}));

    // The top handle moves only the top.
    frame->SetLocation({10, 10, 60, 60});
    Drag(169, 70, 169, 50);
    EXPECT_EQ(layer->Location(), (TRectF{10, 0, 60, 60}));

    // The resizing handler sees every step and may change the result.
    std::vector<TRBDragState> states;
    frame->OnResizing = [&](TRubberbandLayer*, const TRectF& old, TRectF& next, TRBDragState s,
                            TShiftState) {
        states.push_back(s);
        EXPECT_EQ(old, (TRectF{10, 0, 60, 60}));
        next.Left = old.Left - (next.Right - old.Right); // symmetric
    };
    Drag(219, 109, 240, 109);
    EXPECT_EQ(layer->Location(), (TRectF{0, 0, 70, 60}));
    ASSERT_FALSE(states.empty());
    for (TRBDragState state : states)
        EXPECT_EQ(state, DragRight);
}

TEST_F(FrameDrag, NotResizableStillMoves) {
    frame->SetResizable(false);
    int resizing = 0;
    frame->OnResizing = [&](TRubberbandLayer*, const TRectF&, TRectF&, TRBDragState, TShiftState) {
        ++resizing;
    };
    Drag(219, 169, 260, 200);
    EXPECT_EQ(layer->Location(), (TRectF{10, 10, 60, 60}));
    Drag(150, 100, 160, 120);
    EXPECT_EQ(layer->Location(), (TRectF{15, 20, 65, 70}));
    EXPECT_EQ(resizing, 0);
}

TEST_F(FrameDrag, CursorsAndSecondPress) {
    Move(view.get(), 219, 169);
    EXPECT_EQ(view->cursor().shape(), Qt::SizeFDiagCursor);
    Move(view.get(), 219, 70);
    EXPECT_EQ(view->cursor().shape(), Qt::SizeBDiagCursor);
    Move(view.get(), 120, 120);
    EXPECT_EQ(view->cursor().shape(), Qt::SizeHorCursor);
    Move(view.get(), 170, 170);
    EXPECT_EQ(view->cursor().shape(), Qt::SizeVerCursor);
    Move(view.get(), 170, 120);
    EXPECT_EQ(view->cursor().shape(), Qt::SizeAllCursor);
    Move(view.get(), 400, 400);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);

    // A second button during a drag is ignored entirely.
    int downs = 0;
    frame->OnMouseDown = [&](TCustomLayer*, TMouseButton, TShiftState, int, int) { ++downs; };
    Press(view.get(), 170, 120);
    Press(view.get(), 219, 169, Qt::RightButton);
    EXPECT_EQ(frame->DragState(), DragMove);
    EXPECT_EQ(downs, 1);
    Release(view.get(), 170, 120, Qt::RightButton);
    Release(view.get(), 170, 120);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(FrameDrag, FramedLayerLink) {
    // Moving the frame moves the layer; the layer's own moves do not move the frame.
    frame->SetLocation({1, 2, 3, 4});
    EXPECT_EQ(layer->Location(), (TRectF{1, 2, 3, 4}));
    delete layer;
    EXPECT_EQ(frame->FramedLayer(), nullptr);
    frame->SetLocation({5, 5, 9, 9}); // goes on as a plain rectangle
    EXPECT_EQ(frame->Location(), (TRectF{5, 5, 9, 9}));

    // Reattaching takes the new layer's place and mapping; LayerNoUpdate is refused.
    auto* other = new TBitmapLayer(&view->Layers());
    other->SetLocation({30, 40, 50, 60});
    frame->SetFramedLayer(other);
    EXPECT_FALSE(frame->Scaled());
    EXPECT_EQ(frame->Location(), (TRectF{30, 40, 50, 60}));
    frame->SetOptions(LayerVisible | LayerMouseEvents | LayerNoUpdate);
    EXPECT_EQ(frame->Options(), LayerVisible | LayerMouseEvents);
    frame->SetFramedLayer(nullptr);
    frame->SetLocation({0, 0, 1, 1});
    EXPECT_EQ(other->Location(), (TRectF{30, 40, 50, 60}));
}

TEST(RubberbandPaint, OutlineAndHandles) {
    TLayerCollection layers;
    TRubberbandLayer frame(&layers);
    frame.SetLocation({2, 2, 32, 22});
    TBitmap32 target;
    target.SetSize(40, 30);
    target.Clear(0xFF808080u);
    layers.PaintLayers(target, LayerVisible);
    // Dashes run white, white, black, black clockwise from the top-left corner.
    EXPECT_EQ(target.Pixel(6, 2), 0xFFFFFFFFu);
    EXPECT_EQ(target.Pixel(7, 2), 0xFFFFFFFFu);
    EXPECT_EQ(target.Pixel(8, 2), 0xFF000000u);
    EXPECT_EQ(target.Pixel(9, 2), 0xFF000000u);
    EXPECT_EQ(target.Pixel(31, 7), 0xFF000000u); // column 31 from row 2: counter 29 + 5
    // A handle is a 6 x 6 square over X - 3 .. X + 2: white inside, black border.
    EXPECT_EQ(target.Pixel(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(target.Pixel(4, 4), 0xFF000000u);
    EXPECT_EQ(target.Pixel(0, 4), 0xFF000000u);
    EXPECT_EQ(target.Pixel(5, 5), 0xFF808080u);
    EXPECT_EQ(target.Pixel(17, 0), 0xFFFFFFFFu);  // top middle at x 17
    EXPECT_EQ(target.Pixel(14, 2), 0xFF000000u);  // its left border
    EXPECT_EQ(target.Pixel(29, 12), 0xFF000000u); // right middle at (32, 12)
    EXPECT_EQ(target.Pixel(30, 12), 0xFFFFFFFFu);
    EXPECT_EQ(target.Pixel(20, 12), 0xFF808080u); // the inside is left alone

    // An inverted frame paints nothing.
    target.Clear(0xFF808080u);
    frame.SetLocation({30, 20, 2, 2});
    layers.PaintLayers(target, LayerVisible);
    EXPECT_EQ(target.Pixel(2, 2), 0xFF808080u);
    EXPECT_EQ(target.Pixel(30, 20), 0xFF808080u);
}

TEST_F(ImageView, RenderToIsPixelExact) {
    auto view = MakeView(200, 150);
    view->Bitmap().SetSize(4, 3);
    view->Bitmap().Clear(0xFF0000FFu);
    auto* layer = new TBitmapLayer(&view->Layers());
    layer->Bitmap().SetSize(2, 1);
    layer->Bitmap().SetPixel(0, 0, 0x80FF0000u);
    layer->Bitmap().SetPixel(1, 0, 0xFFFFFFFFu);
    layer->Bitmap().SetDrawMode(dmBlend);
    layer->SetScaled(true);
    layer->SetLocation({1, 1, 3, 2});
    layer->SetCropped(true);
    auto* frame = new TRubberbandLayer(&view->Layers());
    frame->SetFramedLayer(layer);
    view->SetScale(7.0f);

    const TRect screen = view->BitmapRect();
    frame->SetVisible(false);
    TBitmap32 out;
    out.SetSize(4, 3);
    view->RenderTo(out, TRect(0, 0, 4, 3));
    const TColor32 b = 0xFF0000FFu;
    const std::vector<TColor32> expected{b, b,           b,           b, //
                                         b, 0xC0800080u, 0xFFFFFFFFu, b, //
                                         b, b,           b,           b};
    EXPECT_EQ(std::vector<TColor32>(out.Bits(), out.Bits() + 12), expected);
    EXPECT_FALSE(view->ExportMode());
    EXPECT_EQ(view->BitmapRect(), screen); // the screen mapping is back

    // The view at scale 1 shows the same colours.
    view->SetScale(1.0f);
    view->UpdateBuffer();
    const TRect r = view->BitmapRect();
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(view->Buffer().Pixel(r.Left + x, r.Top + y) & 0xFFFFFF,
                      expected[y * 4 + x] & 0xFFFFFF)
                << x << "," << y;

    // A visible frame would be drawn into the export.
    frame->SetVisible(true);
    view->RenderTo(out, TRect(0, 0, 4, 3));
    EXPECT_NE(std::vector<TColor32>(out.Bits(), out.Bits() + 12), expected);
}

TEST_F(ImageView, BackgroundAndBuffer) {
    TImage32 image;
    image.SetColor(0x00FF0000); // blue
    image.resize(100, 80);
    image.show();
    image.UpdateBuffer();
    EXPECT_EQ(image.Buffer().Width(), 140);
    EXPECT_EQ(image.Buffer().Height(), 120);
    EXPECT_EQ(image.Buffer().Pixel(50, 40), 0xFF0000FFu); // empty picture: all background

    image.Bitmap().SetSize(10, 10);
    image.Bitmap().Clear(0xFF00FF00u);
    image.SetBitmapAlign(baCenter);
    image.UpdateBuffer();
    EXPECT_EQ(image.BitmapRect(), TRect(45, 35, 55, 45));
    EXPECT_EQ(image.Buffer().Pixel(45, 35), 0xFF00FF00u);
    EXPECT_EQ(image.Buffer().Pixel(44, 35), 0xFF0000FFu);
    EXPECT_EQ(image.Buffer().Pixel(50, 45), 0xFF0000FFu);
    // What reaches the screen: the buffer's colours, opaque even where a blend
    // left the alpha below 255.
    auto* layer = new TBitmapLayer(&image.Layers());
    layer->Bitmap().SetSize(1, 1);
    layer->Bitmap().SetPixel(0, 0, 0x80FF0000u);
    layer->Bitmap().SetDrawMode(dmBlend);
    layer->SetLocation({0, 0, 1, 1});
    const QImage shown = image.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(shown.pixel(45, 35), 0xFF00FF00u);
    EXPECT_EQ(shown.pixel(44, 35), 0xFF0000FFu);
    EXPECT_EQ(shown.pixel(0, 0), 0xFF800080u);
    delete layer;

    // The buffer keeps its slack until the control is more than 40 pixels smaller.
    image.resize(130, 80);
    image.UpdateBuffer();
    EXPECT_EQ(image.Buffer().Width(), 140);
    image.resize(150, 80);
    image.UpdateBuffer();
    EXPECT_EQ(image.Buffer().Width(), 190);
    image.resize(160, 50);
    image.UpdateBuffer();
    EXPECT_EQ(image.Buffer().Width(), 190);
    EXPECT_EQ(image.Buffer().Height(), 50);
    image.resize(149, 79);
    image.UpdateBuffer();
    EXPECT_EQ(image.Buffer().Width(), 149);
    EXPECT_EQ(image.Buffer().Height(), 119);
}

TEST_F(ImageView, ResizePreviews) {
    TImage32 preview;
    preview.SetBitmapAlign(baCenter);
    preview.SetScaleMode(smResize);
    preview.resize(98, 168);
    preview.show();
    preview.Bitmap().SetSize(100, 50);
    EXPECT_EQ(preview.BitmapRect(), TRect(0, 59, 98, 108));
    preview.Bitmap().SetSize(20, 20);
    EXPECT_EQ(preview.BitmapRect(), TRect(0, 35, 98, 133));
    // The viewport of the plain control is the whole control.
    EXPECT_EQ(preview.ViewportRect(), TRect(0, 0, 98, 168));
}

} // namespace

namespace {

TEST_F(ImageView, SizeGripCorner) {
    QWidget window;
    window.resize(300, 200);
    auto* view = new TImgView32(&window);
    TIVScrollProperties bars;
    bars.Size = Bar;
    view->SetScrollBars(bars);
    view->setGeometry(0, 0, 300, 200); // fills the window
    window.show();
    EXPECT_EQ(view->SizeGripRect(), TRect(284, 184, 300, 200));
    EXPECT_TRUE(view->SizeGripShown());
    view->setGeometry(0, 0, 250, 200);
    EXPECT_FALSE(view->SizeGripShown());
    view->SetSizeGrip(sgAlways);
    EXPECT_TRUE(view->SizeGripShown());

    // The corner is not part of the picture: presses there reach nobody.
    int downs = 0;
    view->OnMouseDown = [&](TCustomImage32*, TMouseButton, TShiftState, int, int, TCustomLayer*) {
        ++downs;
    };
    Move(view, 240, 190);
    EXPECT_EQ(view->cursor().shape(), Qt::SizeFDiagCursor);
    Press(view, 240, 190, Qt::RightButton);
    Release(view, 240, 190, Qt::RightButton);
    EXPECT_EQ(downs, 0);
    view->SetSizeGrip(sgNone);
    EXPECT_FALSE(view->SizeGripShown());
}

} // namespace

namespace {

// Collects what the controls report instead of letting it reach the event loop.
class EventErrors : public ImageView {
protected:
    std::vector<std::string> reported;
    TEventErrorReporter previous;
    void SetUp() override {
        ImageView::SetUp();
        previous = SetEventErrorReporter(
            [this](QWidget*, const std::string& message) { reported.push_back(message); });
    }
    void TearDown() override { SetEventErrorReporter(previous); }
};

TEST_F(EventErrors, HandlersThatThrowAreReportedNotPassedToTheEventLoop) {
    auto view = MakeView(200, 150);
    view->Bitmap().SetSize(100, 80);
    const auto fail = [](const char* what) { throw std::runtime_error(what); };
    view->OnMouseDown = [&](TCustomImage32*, TMouseButton, TShiftState, int, int, TCustomLayer*) {
        fail("down");
    };
    view->OnMouseUp = [&](TCustomImage32*, TMouseButton, TShiftState, int, int, TCustomLayer*) {
        throw 42;
    };
    view->OnMouseWheelUp = [&](TCustomImage32*, TShiftState, QPoint, bool&) { fail("wheel"); };
    view->OnKeyUp = [&](TCustomImage32*, int&, TShiftState) { fail("key"); };
    auto* layer = new TPositionedLayer(&view->Layers());
    layer->SetLocation(TRectF{0, 0, 10, 10});
    layer->OnPaint = [&](TCustomLayer*, TBitmap32&) { fail("paint"); };

    Press(view.get(), 50, 50);
    Release(view.get(), 50, 50);
    QWheelEvent wheel(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(view.get(), &wheel);
    QTest::keyRelease(view.get(), Qt::Key_Delete);
    view->Invalidate();
    view->grab();

    const std::vector<std::string> expected = {"down", "An unknown error occurred.", "wheel", "key",
                                               "paint"};
    EXPECT_EQ(reported, expected);
}

} // namespace
