// How the cost of a document grows with its size: documents of 1 000,
// 10 000 and 100 000 generated shapes (the drawing of support/ShapeScene:
// boxes, ellipses, Bezier curves, texts and connectors in groups of ten, at
// most 10 000 shapes a page) loaded and saved in the text and the binary
// form, the heap a loaded shape holds and the peak while loading, the first
// page painted on 1920 x 1080 pixels at 100 %, and a hit test at 1000 random
// points of that page (FindControlAtPoint, in window pixels).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "KestBase.h"
#include "KestControls.h"
#include "support/BenchTimes.h"
#include "support/PanelDocument.h"
#include "support/HeapCounter.h"
#include "support/ShapeScene.h"

namespace {

using namespace kest;
using namespace kestbench;

constexpr int kMaxGroupsPerPage = 1000;
constexpr int kHitPoints = 1000;

struct TPages {
    int pages;
    int groups;
};

TPages PagesFor(int shapes)
{
    const int groups = shapes / kShapesPerGroup;
    if (groups <= kMaxGroupsPerPage)
        return {1, groups};
    return {groups / kMaxGroupsPerPage, kMaxGroupsPerPage};
}

// Loaded documents by shape count; freed before the application object, as
// their fonts and images belong to it.
std::map<int, std::unique_ptr<TKestPanel>> panels;

TKestPanel& Loaded(int shapes)
{
    std::unique_ptr<TKestPanel>& panel = panels[shapes];
    if (!panel) {
        const TPages p = PagesFor(shapes);
        panel = std::make_unique<TKestPanel>();
        bench::LoadDocument(*panel, ShapeDocument(p.pages, p.groups));
    }
    return *panel;
}

const std::string& Document(int shapes, bool binary)
{
    static std::map<std::pair<int, bool>, std::string> documents;
    std::string& bytes = documents[{shapes, binary}];
    if (bytes.empty()) {
        const TPages p = PagesFor(shapes);
        bytes = binary ? bench::SaveDocument(Loaded(shapes), true) : ShapeDocument(p.pages, p.groups);
    }
    return bytes;
}

void SetShapeCounters(benchmark::State& state, int shapes)
{
    state.counters["shapes/s"] = benchmark::Counter(double(shapes), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Load(benchmark::State& state)
{
    const int shapes = static_cast<int>(state.range(0));
    const std::string& bytes = Document(shapes, state.range(1) != 0);
    int64_t held = 0, peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto panel = std::make_unique<TKestPanel>();
        const int64_t before = bench::ResetHeapPeak();
        state.ResumeTiming();
        bench::LoadDocument(*panel, bytes);
        state.PauseTiming();
        held = bench::HeapInUse() - before;
        peak = bench::HeapPeak() - before;
        if (bench::CountShapes(*panel) != shapes)
            state.SkipWithError("document not loaded whole");
        panel.reset();
        state.ResumeTiming();
    }
    SetShapeCounters(state, shapes);
    state.counters["heap B/shape"] = double(held) / shapes;
    state.counters["peak B/shape"] = double(peak) / shapes;
    state.counters["file B/shape"] = double(bytes.size()) / shapes;
}

void BM_Save(benchmark::State& state)
{
    const int shapes = static_cast<int>(state.range(0));
    TKestPanel& panel = Loaded(shapes);
    const bool binary = state.range(1) != 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(bench::SaveDocument(panel, binary).size());
    SetShapeCounters(state, shapes);
}

void BM_RenderFirstPage(benchmark::State& state)
{
    TKestPanel& panel = Loaded(static_cast<int>(state.range(0)));
    TKestCustomScheme* scheme = panel.Schemes()->ByIndex(0);
    QImage image(kPageWidth, kPageHeight, QImage::Format_ARGB32);
    const TKestRect page {0, 0, kPageWidth, kPageHeight};
    for (auto _ : state) {
        image.fill(Qt::white);
        TKestCanvas canvas;
        canvas.Attach(&image);
        panel.PaintTo(canvas, page, true, true, false, false, true, scheme, 100, {0, 0});
    }
    state.counters["page shapes"] = double(PagesFor(int(state.range(0))).groups * kShapesPerGroup);
}

void BM_HitTestFirstPage(benchmark::State& state)
{
    TKestPanel& panel = Loaded(static_cast<int>(state.range(0)));
    TKestCustomScheme* scheme = panel.Schemes()->ByIndex(0);
    std::mt19937 random(20240521);
    std::vector<TKestPoint> points;
    for (int i = 0; i < kHitPoints; ++i)
        points.push_back({int(random() % kPageWidth), int(random() % kPageHeight)});
    int64_t hits = 0;
    for (auto _ : state)
        for (const TKestPoint& p : points)
            hits += scheme->FindControlAtPoint(p.X, p.Y) != nullptr;
    state.counters["time/call"] = benchmark::Counter(double(kHitPoints),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["hit share"] = double(hits) / double(state.iterations() * kHitPoints);
}

void Forms(benchmark::internal::Benchmark* b)
{
    for (int binary : {0, 1})
        for (int shapes : {1000, 10000, 100000})
            b->Args({shapes, binary});
}

void Sizes(benchmark::internal::Benchmark* b)
{
    for (int shapes : {1000, 10000, 100000})
        b->Arg(shapes);
}

BENCHMARK(BM_Load)->Apply(Forms)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Apply(Forms)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderFirstPage)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HitTestFirstPage)->Apply(Sizes)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    RegisterBaseControlClasses();
    RegisterShapeClasses();
    bench::TTimesReporter reporter;
    if (!bench::RunBenchmarks(argc, argv, reporter))
        return 1;
    benchmark::Shutdown();
    panels.clear();
    return 0;
}
