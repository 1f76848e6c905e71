// The panel under the mouse: a pointer move over a scheme of 10 000 boxes
// (hit test, the control under the mouse, the cursor) next to
// QGraphicsScene::items(point) over the same rectangles, and one mouse step
// of dragging 100 selected boxes next to moving the same 100 items of a
// scene. Prints the ratios after the runs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGraphicsRectItem>
#include <QGraphicsScene>
#include <QMouseEvent>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "KestBase.h"
#include "KestControls.h"
#include "support/BenchTimes.h"

using namespace kest;

namespace {

constexpr int kColumns = 100;
constexpr int kRows = 100;
// Document units of a box and of the step between boxes.
// Boxes far enough apart that the outline tolerance of one does not reach the next.
constexpr int32_t kBoxWidth = 6000, kBoxHeight = 4000, kStepX = 12000, kStepY = 8000;

TKestRect BoxRect(int index)
{
    const int32_t x = (index % kColumns) * kStepX, y = (index / kColumns) * kStepY;
    return {x, y, x + kBoxWidth, y + kBoxHeight};
}

// Pointer positions spread over the document, on boxes and between them.
std::vector<QPointF> Pointers()
{
    std::vector<QPointF> points;
    for (int i = 0; i < 256; ++i)
        points.emplace_back((i * 37) % (kColumns * kStepX / 1000), (i * 53) % (kRows * kStepY / 1000));
    return points;
}

struct TBoxPanel {
    TKestPanel panel;
    std::vector<TKestControl*> boxes;
    TBoxPanel()
    {
        panel.resize(kColumns * kStepX / 1000 + 4, kRows * kStepY / 1000 + 4);
        panel.SetDocWidth(kColumns * kStepX);
        panel.SetDocHeight(kRows * kStepY);
        panel.show();
        panel.History().DisableRecording();
        for (int i = 0; i < kColumns * kRows; ++i) {
            TKestControl* box = TKestBox::StaticClass()->Create(&panel, panel.ActiveScheme(), panel.ActiveLayer());
            box->SetDocRect(BoxRect(i));
            boxes.push_back(box);
        }
        panel.History().EnableRecording();
        panel.SetOrigin(0, 0);
        // Boxes without a brush are hit inside too, as the scene's rectangles are.
        panel.SetSelectAsFilled(true);
    }
    void Send(QEvent::Type type, QPointF at, Qt::MouseButton button)
    {
        QMouseEvent event(type, at, panel.viewport()->mapToGlobal(at), button,
            type == QEvent::MouseButtonRelease ? Qt::NoButton : button, Qt::NoModifier);
        QApplication::sendEvent(panel.viewport(), &event);
    }
};

struct TScene {
    QGraphicsScene scene;
    std::vector<QGraphicsRectItem*> items;
    TScene()
    {
        for (int i = 0; i < kColumns * kRows; ++i) {
            const TKestRect r = BoxRect(i);
            items.push_back(scene.addRect(r.Left / 1000.0, r.Top / 1000.0, RectWidth(r) / 1000.0,
                RectHeight(r) / 1000.0, QPen(Qt::black), QBrush(Qt::white)));
            items.back()->setFlag(QGraphicsItem::ItemIsSelectable);
        }
        // The scene builds its index from a queued call: let it, and query once.
        QCoreApplication::processEvents();
        scene.items(QPointF(0, 0));
    }
};

void BM_PanelMouseMove(benchmark::State& state)
{
    TBoxPanel f;
    const std::vector<QPointF> points = Pointers();
    size_t i = 0;
    int64_t hits = 0;
    for (auto _ : state) {
        f.Send(QEvent::MouseMove, points[i++ % points.size()], Qt::NoButton);
        hits += f.panel.MouseControl() != nullptr;
    }
    state.counters["hit share"] = double(hits) / double(state.iterations());
}

void BM_SceneItemsAt(benchmark::State& state)
{
    TScene f;
    const std::vector<QPointF> points = Pointers();
    size_t i = 0;
    int64_t hits = 0;
    for (auto _ : state) {
        const QList<QGraphicsItem*> found = f.scene.items(points[i++ % points.size()]);
        hits += !found.isEmpty();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["hit share"] = double(hits) / double(state.iterations());
}

// The first 100 boxes, in the top rows.
constexpr int kDragged = 100;

void BM_PanelDrag100(benchmark::State& state)
{
    TBoxPanel f;
    for (int i = 0; i < kDragged; ++i)
        f.panel.Select(f.boxes[static_cast<size_t>(i)]);
    f.panel.SetToolMode(TKestPanel::tmMove);
    const QPointF start(2, 2);
    f.Send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    if (f.panel.ToolMode() != TKestPanel::tmMoving)
        state.SkipWithError("the press did not start moving");
    int step = 0;
    for (auto _ : state) {
        // Back and forth, so the boxes stay where the pointer can find them.
        f.Send(QEvent::MouseMove, start + QPointF((++step & 1) ? 2 : 0, 0), Qt::LeftButton);
    }
    const int32_t left = f.boxes.front()->Left();
    f.Send(QEvent::MouseButtonRelease, start, Qt::LeftButton);
    if (left != ((step & 1) ? 2000 : 0))
        state.SkipWithError("the drag did not move the boxes with the pointer");
    state.counters["shapes/s"] = benchmark::Counter(kDragged, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_SceneMove100(benchmark::State& state)
{
    TScene f;
    int step = 0;
    for (auto _ : state) {
        const qreal dx = (++step & 1) ? 2 : -2;
        for (int i = 0; i < kDragged; ++i)
            f.items[static_cast<size_t>(i)]->moveBy(dx, 0);
    }
    state.counters["shapes/s"] = benchmark::Counter(kDragged, benchmark::Counter::kIsIterationInvariantRate);
}

BENCHMARK(BM_PanelMouseMove)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SceneItemsAt)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PanelDrag100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SceneMove100)->Unit(benchmark::kMicrosecond);

// Ratios of CPU time per iteration.
class TRatioReporter : public kest::bench::TTimesReporter {
public:
    void PrintRatio(const char* label, const std::string& measured, const std::string& peer) const
    {
        const kest::bench::TBenchTimes* m = Find(measured);
        const kest::bench::TBenchTimes* p = Find(peer);
        if (m && p)
            std::printf("%-36s %8.2f x %s\n", label, m->cpu / p->cpu, peer.c_str());
    }
};

} // namespace

int main(int argc, char** argv)
{
    kest::bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    RegisterShapeClasses();
    TRatioReporter reporter;
    if (!kest::bench::RunBenchmarks(argc, argv, reporter))
        return 1;
    std::printf("\ntime ratios\n");
    reporter.PrintRatio("mouse move over 10 000 shapes", "BM_PanelMouseMove", "BM_SceneItemsAt");
    reporter.PrintRatio("drag step of 100 shapes", "BM_PanelDrag100", "BM_SceneMove100");
    benchmark::Shutdown();
    return 0;
}
