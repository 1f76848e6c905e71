// A full repaint of a 1920 x 1080 panel window showing a scheme of boxes,
// ellipses and texts, beside QGraphicsView repainting the same shapes as
// QGraphicsRectItem, QGraphicsEllipseItem and QGraphicsSimpleTextItem into
// a view of the same size. The ratios printed after the runs say how many
// times longer the panel takes (goal: 1 000 shapes within 8 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGraphicsEllipseItem>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include "KestBase.h"
#include "KestColor.h"
#include "KestControls.h"
#include "support/BenchTimes.h"

namespace {

using namespace kest;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

// One shape of the scene, in pixels.
struct TShapeSpec {
    int Kind; // 0 box, 1 ellipse, 2 text
    QRect Rect;
    TColor Color;
    std::string Text;
};

std::vector<TShapeSpec> MakeShapes(int count)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> size(20, 80), colour(0, 0xFFFFFF);
    std::vector<TShapeSpec> shapes;
    for (int i = 0; i < count; ++i) {
        const int w = size(random), h = size(random);
        const int x = std::uniform_int_distribution<int>(0, kWidth - w)(random);
        const int y = std::uniform_int_distribution<int>(0, kHeight - h)(random);
        shapes.push_back({i % 3, QRect(x, y, w, h), TColor(colour(random)), "Door " + std::to_string(i)});
    }
    return shapes;
}

void ShowAt(QAbstractScrollArea& area)
{
    area.setFrameStyle(QFrame::NoFrame);
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area.resize(kWidth, kHeight);
    area.show();
    QApplication::processEvents();
}

void SetRate(benchmark::State& state)
{
    state.counters["shapes"] = double(state.range(0));
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}

void BM_PanelRepaint(benchmark::State& state)
{
    RegisterShapeClasses();
    TKestPanel panel;
    panel.SetDocWidth(kWidth * 1000);
    panel.SetDocHeight(kHeight * 1000);
    for (const TShapeSpec& spec : MakeShapes(int(state.range(0)))) {
        TKestControl* control = nullptr;
        if (spec.Kind == 0) {
            auto* box = TKestControl::Create<TKestBox>(&panel, panel.ActiveScheme(), panel.ActiveLayer());
            box->Brush()->SetColor(spec.Color);
            control = box;
        } else if (spec.Kind == 1) {
            auto* ellipse = TKestControl::Create<TKestEllipse>(&panel, panel.ActiveScheme(), panel.ActiveLayer());
            ellipse->Brush()->SetColor(spec.Color);
            control = ellipse;
        } else {
            auto* text = TKestControl::Create<TKestText>(&panel, panel.ActiveScheme(), panel.ActiveLayer());
            text->SetText(spec.Text);
            control = text;
        }
        const QRect& r = spec.Rect;
        control->SetDocRect({r.left() * 1000, r.top() * 1000, (r.right() + 1) * 1000, (r.bottom() + 1) * 1000});
    }
    ShowAt(panel);
    if (panel.ClientWidth() != kWidth || panel.ClientHeight() != kHeight) {
        state.SkipWithError(("the window did not get its size: " + std::to_string(panel.ClientWidth()) + "x"
            + std::to_string(panel.ClientHeight()))
                                .c_str());
        return;
    }
    for (auto _ : state)
        panel.viewport()->repaint();
    SetRate(state);
}
BENCHMARK(BM_PanelRepaint)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_GraphicsViewRepaint(benchmark::State& state)
{
    QGraphicsScene scene(0, 0, kWidth, kHeight);
    scene.setBackgroundBrush(Qt::white);
    scene.setItemIndexMethod(QGraphicsScene::BspTreeIndex);
    for (const TShapeSpec& spec : MakeShapes(int(state.range(0)))) {
        const QRectF r(spec.Rect);
        if (spec.Kind == 0) {
            scene.addRect(r, QPen(Qt::black, 0), ColorToQColor(spec.Color));
        } else if (spec.Kind == 1) {
            scene.addEllipse(r, QPen(Qt::black, 0), ColorToQColor(spec.Color));
        } else {
            QFont font("Arial");
            font.setPixelSize(11);
            scene.addSimpleText(QString::fromStdString(spec.Text), font)->setPos(r.topLeft());
        }
    }
    QGraphicsView view(&scene);
    ShowAt(view);
    for (auto _ : state)
        view.viewport()->repaint();
    SetRate(state);
}
BENCHMARK(BM_GraphicsViewRepaint)
    ->Arg(0)
    ->Arg(1000)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

class TRatioReporter : public kest::bench::TTimesReporter {
public:
    void PrintRatios() const
    {
        std::printf("\npanel repaint relative to QGraphicsView, %dx%d:   wall     CPU\n", kWidth, kHeight);
        for (const auto& [name, times] : All()) {
            if (name.rfind("BM_PanelRepaint/", 0) != 0)
                continue;
            const std::string count = name.substr(name.find('/'));
            if (const kest::bench::TBenchTimes* peer = Find("BM_GraphicsViewRepaint" + count))
                std::printf(
                    "  %-6s shapes %28.2f %7.2f\n", count.c_str() + 1, times.wall / peer->wall, times.cpu / peer->cpu);
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    kest::bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    TRatioReporter reporter;
    if (!kest::bench::RunBenchmarks(argc, argv, reporter))
        return 1;
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
