// Gradient fills of a full-HD rectangle, black to white (256 steps, or
// fewer where the style caps them), in each kind of style, next to the
// floor: QPainter::fillRect of the same area in one colour. Throughput in
// pixels of the rectangle per second; the ratios printed after the runs say
// how many times longer a gradient takes than the plain fill, from the
// fastest of the repetitions (--benchmark_repetitions=N).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "KestPaintRoutines.h"
#include "support/BenchTimes.h"

namespace {

using namespace kest;

constexpr int kWidth = 1920, kHeight = 1080;

void SetRate(benchmark::State& state)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * kWidth * kHeight);
}

void BM_Gradient(benchmark::State& state)
{
    const auto style = TGradientStyle(state.range(0));
    TKestCanvas canvas;
    if (!canvas.SetSize(kWidth, kHeight)) {
        state.SkipWithError("no canvas");
        return;
    }
    for (auto _ : state) {
        PaintGradient(canvas, {0, 0, kWidth, kHeight}, style, clBlack, clWhite);
        benchmark::DoNotOptimize(canvas.Image()->constBits());
    }
    SetRate(state);
}
BENCHMARK(BM_Gradient)
    ->ArgName("style")
    ->Arg(gsHorizontal)
    ->Arg(gsVertical)
    ->Arg(gsSquare)
    ->Arg(gsElliptic)
    ->Arg(gsTopLeft)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_QPainterFillRect(benchmark::State& state)
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32);
    QPainter painter(&image);
    for (auto _ : state) {
        painter.fillRect(QRect(0, 0, kWidth, kHeight), QColor(128, 128, 128));
        benchmark::DoNotOptimize(image.constBits());
    }
    SetRate(state);
}
BENCHMARK(BM_QPainterFillRect)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

class TRatioReporter : public kest::bench::TTimesReporter {
public:
    // How many times longer than the plain fill each gradient takes.
    void PrintRatios() const
    {
        const kest::bench::TBenchTimes* floor = Find("BM_QPainterFillRect");
        if (!floor)
            return;
        std::printf("\ntime relative to QPainter::fillRect of the same %dx%d area:   wall     CPU\n", kWidth, kHeight);
        for (const auto& [name, times] : All())
            if (name != "BM_QPainterFillRect")
                std::printf("  %-50s %7.2f %7.2f\n", name.c_str(), times.wall / floor->wall, times.cpu / floor->cpu);
    }
};

} // namespace

int main(int argc, char** argv)
{
    kest::bench::UseOffscreenPlatform();
    QGuiApplication app(argc, argv);
    TRatioReporter reporter;
    if (!kest::bench::RunBenchmarks(argc, argv, reporter))
        return 1;
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
