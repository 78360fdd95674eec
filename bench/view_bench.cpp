// Repainting the canvas view: a 1920 x 1080 viewport over a 3000 x 3000
// picture with 100 picture layers of 240 x 220 and the selection frame on top,
// at 100 % and 37 %, and flattening the same document with RenderTo. Then the
// selection frame at a zoom where its outline runs a million view pixels, nearly
// all of them off screen.
#include "engine/TImgView32.h"
#include "engine/TRubberbandLayer.h"

#include <QApplication>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

struct Document {
    std::unique_ptr<TImgView32> view;

    Document() {
        view = std::make_unique<TImgView32>();
        TIVScrollProperties bars;
        bars.Size = 16;
        view->SetScrollBars(bars);
        view->resize(1920 + 16, 1080 + 16);
        view->show();
        view->SetColor(clAppWorkSpace);
        view->Bitmap().SetSize(3000, 3000);
        view->Bitmap().Clear(0xFFF0F0F0u);
        TBitmapLayer* last = nullptr;
        for (int i = 0; i < 100; ++i) {
            auto* layer = new TBitmapLayer(&view->Layers());
            TBitmap32& b = layer->Bitmap();
            b.SetSize(240, 220);
            for (int y = 0; y < 220; ++y)
                for (int x = 0; x < 240; ++x)
                    b.SetPixel(x, y,
                               0xFF000000u |
                                   static_cast<TColor32>((x * 7 + y * 13 + i) * 2654435761u >> 8));
            b.SetDrawMode(dmBlend);
            b.SetMasterAlpha(i % 4 == 0 ? 200 : 255);
            const float left = static_cast<float>((i % 10) * 295 + 20);
            const float top = static_cast<float>((i / 10) * 295 + 20);
            layer->SetScaled(true);
            layer->SetLocation({left, top, left + 240, top + 220});
            last = layer;
        }
        auto* frame = new TRubberbandLayer(&view->Layers());
        frame->SetFramedLayer(last);
        // Let the window be exposed so that repaint() really paints.
        for (int i = 0; i < 20 && !view->windowHandle()->isExposed(); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    }
};

// Made on first use and freed before the application object goes.
std::unique_ptr<Document> TheDocument;

Document& Doc() {
    if (!TheDocument)
        TheDocument = std::make_unique<Document>();
    return *TheDocument;
}

void BM_Repaint(benchmark::State& state) {
    Document& doc = Doc();
    doc.view->SetScale(static_cast<float>(state.range(0)) / 100.0f);
    doc.view->CenterOn(1500, 1500);
    for (auto _ : state) {
        doc.view->Invalidate();
        doc.view->UpdateBuffer();
        benchmark::DoNotOptimize(doc.view->Buffer().Bits());
    }
    state.SetLabel(std::to_string(state.range(0)) + "% compose");
}
BENCHMARK(BM_Repaint)->Arg(100)->Arg(37)->Unit(benchmark::kMillisecond);

// The same with the widget's paint event and the copy to the window surface.
void BM_RepaintWidget(benchmark::State& state) {
    Document& doc = Doc();
    doc.view->SetScale(static_cast<float>(state.range(0)) / 100.0f);
    doc.view->CenterOn(1500, 1500);
    for (auto _ : state) {
        doc.view->Invalidate();
        doc.view->repaint();
    }
    state.SetLabel(std::to_string(state.range(0)) + "% widget");
}
BENCHMARK(BM_RepaintWidget)->Arg(100)->Arg(37)->Unit(benchmark::kMillisecond);

void BM_RenderTo(benchmark::State& state) {
    Document& doc = Doc();
    TBitmap32 target;
    target.SetSize(3000, 3000);
    for (auto _ : state) {
        doc.view->RenderTo(target, TRect(0, 0, 3000, 3000));
        benchmark::DoNotOptimize(target.Bits());
    }
}
BENCHMARK(BM_RenderTo)->Unit(benchmark::kMillisecond);

// A frame whose left edge crosses a 1920 x 1080 target and whose outline,
// 200,000 x 300,000 view pixels, lies off it everywhere else.
void BM_FrameHugeOutline(benchmark::State& state) {
    TLayerCollection layers;
    TRubberbandLayer frame(&layers);
    frame.SetLocation({500, -150000, 200500, 150000});
    TBitmap32 target;
    target.SetSize(1920, 1080);
    target.Clear(0xFF808080u);
    for (auto _ : state) {
        layers.PaintLayers(target, LayerVisible);
        benchmark::DoNotOptimize(target.Bits());
    }
    state.SetLabel("outline 1,000,000 px");
}
BENCHMARK(BM_FrameHugeOutline)->Unit(benchmark::kMillisecond);

// The whole view repainted at 8000 %: a 3000 x 3000 picture with one framed
// layer covering it, its frame outline about 960,000 view pixels long, the
// viewport near its left edge.
void BM_RepaintZoomedFrame(benchmark::State& state) {
    TImgView32 view;
    TIVScrollProperties bars;
    bars.Size = 16;
    view.SetScrollBars(bars);
    view.resize(1920 + 16, 1080 + 16);
    view.SetColor(clAppWorkSpace);
    view.Bitmap().SetSize(3000, 3000);
    view.Bitmap().Clear(0xFFF0F0F0u);
    auto* layer = new TBitmapLayer(&view.Layers());
    layer->Bitmap().SetSize(3000, 3000);
    layer->Bitmap().Clear(0xFF4080C0u);
    layer->SetScaled(true);
    layer->SetLocation({0, 0, 3000, 3000});
    auto* frame = new TRubberbandLayer(&view.Layers());
    frame->SetFramedLayer(layer);
    view.SetScale(80.0f);
    view.CenterOn(7, 1500); // the left edge of the outline at view x 400
    for (auto _ : state) {
        view.Invalidate();
        view.UpdateBuffer();
        benchmark::DoNotOptimize(view.Buffer().Bits());
    }
    state.SetLabel("8000% compose");
}
BENCHMARK(BM_RepaintZoomedFrame)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    TheDocument.reset();
    return 0;
}
