// Path flattening and hit testing on a closed outline of cubic curves, next
// to Qt doing the same work on the same curves: QPainterPath's
// toSubpathPolygons for flattening (both to about a pixel), and
// QPainterPath::contains for the even-odd fill test. Throughput in curve
// segments per second; the ratios (ours / Qt's, higher is faster) are
// printed after the runs from the fastest repetition.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include "KestPath.h"

namespace {

using namespace kest;

constexpr int kCurves = 200;
constexpr int kProbes = 64;

struct TBenchPath {
    TPointArray Points;
    TPointTypeArray Types;
    QPainterPath Qt;
    std::vector<TKestPoint> Probes;
};

// A star-like closed outline of curves around the centre, in pixels.
const TBenchPath& Path()
{
    static const TBenchPath path = [] {
        TBenchPath p;
        std::mt19937 random(5);
        std::uniform_int_distribution<int> radius(200, 900), jitter(-150, 150), probe(-1000, 1000);
        const auto around = [&](double angle, int r) {
            return TKestPoint {
                int32_t(r * std::cos(angle)) + jitter(random), int32_t(r * std::sin(angle)) + jitter(random)};
        };
        for (int i = 0; i < kCurves; ++i) {
            const double a = 2 * M_PI * i / kCurves, step = 2 * M_PI / kCurves;
            p.Points.push_back(around(a, radius(random)));
            p.Points.push_back(around(a + step / 3, radius(random)));
            p.Points.push_back(around(a + 2 * step / 3, radius(random)));
            p.Types.insert(p.Types.end(), {ptNode, ptControl, ptControl});
        }
        p.Types[p.Types.size() - 3] = ptClosedEnd; // the last curve closes the figure
        p.Qt.setFillRule(Qt::OddEvenFill);
        p.Qt.moveTo(p.Points[0].X, p.Points[0].Y);
        for (int i = 0; i < kCurves; ++i) {
            const TKestPoint &c1 = p.Points[3 * i + 1], &c2 = p.Points[3 * i + 2];
            const TKestPoint& e = p.Points[(3 * i + 3) % p.Points.size()];
            p.Qt.cubicTo(c1.X, c1.Y, c2.X, c2.Y, e.X, e.Y);
        }
        p.Qt.closeSubpath();
        for (int i = 0; i < kProbes; ++i)
            p.Probes.push_back({probe(random), probe(random)});
        return p;
    }();
    return path;
}

void SetRate(benchmark::State& state, int64_t segmentsPerIteration)
{
    state.counters["segments"]
        = benchmark::Counter(double(state.iterations()) * double(segmentsPerIteration), benchmark::Counter::kIsRate);
}

void BM_FlattenPath(benchmark::State& state)
{
    const TBenchPath& p = Path();
    TPathInfo info;
    GetPathInfo(p.Points, p.Types, info);
    for (auto _ : state) {
        TPointArray points = p.Points;
        TPointTypeArray types = p.Types;
        FlattenPath(points, types, &info, 1.0f);
        benchmark::DoNotOptimize(points.data());
    }
    SetRate(state, kCurves);
}
BENCHMARK(BM_FlattenPath);

void BM_QtToSubpathPolygons(benchmark::State& state)
{
    const TBenchPath& p = Path();
    for (auto _ : state) {
        const QList<QPolygonF> polygons = p.Qt.toSubpathPolygons();
        benchmark::DoNotOptimize(polygons.constData());
    }
    SetRate(state, kCurves);
}
BENCHMARK(BM_QtToSubpathPolygons);

void BM_PointOnPath(benchmark::State& state)
{
    const TBenchPath& p = Path();
    TPathInfo info;
    GetPathInfo(p.Points, p.Types, info);
    for (auto _ : state) {
        int inside = 0;
        for (const TKestPoint& probe : p.Probes)
            inside += PointOnPath(p.Points, p.Types, probe, &info, nullptr, 0, true, false);
        benchmark::DoNotOptimize(inside);
    }
    SetRate(state, int64_t(kCurves) * kProbes);
}
BENCHMARK(BM_PointOnPath);

void BM_QtContains(benchmark::State& state)
{
    const TBenchPath& p = Path();
    for (auto _ : state) {
        int inside = 0;
        for (const TKestPoint& probe : p.Probes)
            inside += p.Qt.contains(QPointF(probe.X, probe.Y));
        benchmark::DoNotOptimize(inside);
    }
    SetRate(state, int64_t(kCurves) * kProbes);
}
BENCHMARK(BM_QtContains);

class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            const auto found = run.counters.find("segments");
            if (found == run.counters.end())
                continue;
            double& best = rates_[run.benchmark_name()];
            best = std::max(best, double(found->second));
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatio(const std::string& ours, const std::string& peer) const
    {
        const auto o = rates_.find(ours), p = rates_.find(peer);
        if (o != rates_.end() && p != rates_.end() && p->second > 0)
            std::printf("%-40s %8.2f\n", (ours + " / " + peer).c_str(), o->second / p->second);
    }

private:
    std::map<std::string, double> rates_;
};

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nthroughput ratios (curve segments per second, ours / Qt)\n");
    reporter.PrintRatio("BM_FlattenPath", "BM_QtToSubpathPolygons");
    reporter.PrintRatio("BM_PointOnPath", "BM_QtContains");
    benchmark::Shutdown();
    return 0;
}
