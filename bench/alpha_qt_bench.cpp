// Alpha buffer blending of a full-HD paint area, half of whose pixels were
// drawn, at transparency 0 and 50, next to QPainter::drawImage with
// SourceOver on the same pixels (the same non-premultiplied format, and
// Qt's fastest premultiplied one) and memcpy of the same bytes. Throughput
// in pixels per second of wall time; CPU time counts every thread of the
// process, since Qt may blend on several. The ratios of both are printed
// after the runs, from the fastest of the repetitions
// (--benchmark_repetitions=N).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>

#include "KestAlpha.h"
#include "support/BenchTimes.h"

namespace {

using namespace kest;

constexpr int kWidth = 1920, kHeight = 1080;
constexpr int64_t kPixels = int64_t(kWidth) * kHeight;

// Drawn pixels come in runs of 64 with untouched runs between them, as
// shapes leave them; drawn ones are opaque.
const QImage& Source()
{
    static const QImage image = [] {
        QImage out(kWidth, kHeight, QImage::Format_ARGB32);
        std::mt19937 random(1);
        for (int y = 0; y < kHeight; ++y) {
            auto* line = reinterpret_cast<uint32_t*>(out.scanLine(y));
            for (int x = 0; x < kWidth; ++x)
                line[x] = ((x + y) / 64) % 2 ? 0u : 0xFF000000u | (random() & 0xFFFFFF);
        }
        return out;
    }();
    return image;
}

QImage Target(QImage::Format format)
{
    QImage out(kWidth, kHeight, format);
    out.fill(QColor(200, 180, 160));
    return out;
}

void SetRate(benchmark::State& state)
{
    state.SetItemsProcessed(int64_t(state.iterations()) * kPixels);
}

void BM_EndPaint(benchmark::State& state)
{
    const int transparency = int(state.range(0));
    QImage targetImage = Target(QImage::Format_ARGB32);
    TKestCanvas target;
    target.Attach(&targetImage);
    TAlphaBuffer buffer;
    const QImage& source = Source();
    for (auto _ : state) {
        state.PauseTiming();
        buffer.BeginPaint(&target, {0, 0, kWidth, kHeight});
        QImage& pixels = *buffer.Canvas().Image();
        for (int y = 0; y < kHeight; ++y)
            std::memcpy(pixels.scanLine(y), source.constScanLine(y), size_t(kWidth) * 4);
        state.ResumeTiming();
        if (!buffer.EndPaint(transparency))
            state.SkipWithError("EndPaint failed");
    }
    SetRate(state);
}
BENCHMARK(BM_EndPaint)->Arg(0)->Arg(50)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void DrawWithQt(benchmark::State& state, QImage::Format format)
{
    const double opacity = (100 - state.range(0)) / 100.0;
    QImage targetImage = Target(format);
    const QImage source = Source().convertToFormat(format);
    QPainter painter(&targetImage);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setOpacity(opacity);
    for (auto _ : state) {
        painter.drawImage(QPoint(0, 0), source);
        benchmark::DoNotOptimize(targetImage.constBits());
    }
    SetRate(state);
}

void BM_QPainterSourceOver(benchmark::State& state)
{
    DrawWithQt(state, QImage::Format_ARGB32);
}
BENCHMARK(BM_QPainterSourceOver)
    ->Arg(0)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_QPainterSourceOverPremultiplied(benchmark::State& state)
{
    DrawWithQt(state, QImage::Format_ARGB32_Premultiplied);
}
BENCHMARK(BM_QPainterSourceOverPremultiplied)
    ->Arg(0)
    ->Arg(50)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

void BM_Memcpy(benchmark::State& state)
{
    const QImage& source = Source();
    QImage dest = Target(QImage::Format_ARGB32);
    for (auto _ : state) {
        std::memcpy(dest.bits(), source.constBits(), size_t(source.sizeInBytes()));
        benchmark::DoNotOptimize(dest.constBits());
    }
    SetRate(state);
}
BENCHMARK(BM_Memcpy)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

class TRatioReporter : public kest::bench::TTimesReporter {
public:
    // Speed of numerator relative to denominator, by wall and by CPU time;
    // goal 0 reports the ratios only.
    void PrintRatio(const std::string& numerator, const std::string& denominator, double goal) const
    {
        const kest::bench::TBenchTimes* n = Find(numerator);
        const kest::bench::TBenchTimes* d = Find(denominator);
        if (!n || !d)
            return;
        const double wall = d->wall / n->wall, cpu = d->cpu / n->cpu;
        const std::string label = numerator + " / " + denominator;
        std::printf("%-62s %6.2f %6.2f", label.c_str(), wall, cpu);
        if (goal > 0)
            std::printf("  (goal >= %.2f: %s)", goal, wall >= goal && cpu >= goal ? "met" : "not met");
        std::printf("\n");
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
    std::printf("\nspeed ratios (paint area %dx%d, half of it drawn)%*s  wall    CPU\n", kWidth, kHeight, 18, "");
    for (const char* arg : {"/0", "/50"}) {
        const std::string endPaint = std::string("BM_EndPaint") + arg;
        reporter.PrintRatio(endPaint, std::string("BM_QPainterSourceOver") + arg, 1.0);
        reporter.PrintRatio(endPaint, "BM_Memcpy", 0.25);
        reporter.PrintRatio(endPaint, std::string("BM_QPainterSourceOverPremultiplied") + arg, 0);
    }
    benchmark::Shutdown();
    return 0;
}
