// The shapes against their peers, each pair timed in the same loop so that
// the ratio counter compares like with like:
// - loading 100 000 shapes over 10 schemes, text and binary form, against
//   QSvgRenderer loading the same shapes as SVG (goals: 3x and 5x faster);
// - loading the same objects with every value line left out, against the
//   same peer: what creating the objects alone costs, the floor under both
//   loads;
// - painting a scheme of 10 000 shapes on 1920 x 1080 pixels against
//   QSvgRenderer painting its SVG (goal: 2x faster);
// - FindControlAtPoint at 1000 random points against QGraphicsScene::items
//   with its default index (goal: under 100 us a call).
// A ratio counter above 1 means the library is that many times faster.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "KestBase.h"
#include "KestControls.h"
#include "support/PanelDocument.h"
#include "support/ShapeScene.h"

namespace {

using namespace kest;
using namespace kestbench;
using TClock = std::chrono::steady_clock;

constexpr int kSchemes = 10;
constexpr int kGroupsPerScheme = 1000; // 10 000 shapes a scheme
constexpr int kHitPoints = 1000;

const char* const kShapeClasses[]
    = {"TKestBox", "TKestEllipse", "TKestCurve", "TKestText", "TKestConnector", "TKestGroup"};

// Shape classes the document names that are not registered: their objects
// would be skipped and the measurement would mean nothing.
std::string MissingClasses()
{
    std::string missing;
    for (const char* name : kShapeClasses)
        if (!FindControlClass(name))
            missing += std::string(missing.empty() ? "" : ", ") + name;
    return missing;
}

const std::string& DocumentText()
{
    static const std::string text = ShapeDocument(kSchemes, kGroupsPerScheme);
    return text;
}

// The document with its objects only: the same tree of the same classes,
// every value line and sub-property block left out, so that each object
// keeps the defaults it is created with.
std::string ObjectsOnly(const std::string& text)
{
    std::string out;
    std::vector<bool> objectBlocks; // per open block: an object (or the document)?
    size_t start = 0;
    while (start < text.size()) {
        size_t stop = text.find('\n', start);
        stop = stop == std::string::npos ? text.size() : stop + 1;
        const std::string_view line(text.data() + start, stop - start);
        const std::string_view word = line.substr(std::min(line.find_first_not_of(' '), line.size()));
        const bool inObject = objectBlocks.empty() || objectBlocks.back();
        if (word.starts_with("object") || word.starts_with("document") || word.starts_with("property")) {
            const bool object = !word.starts_with("property") && inObject;
            objectBlocks.push_back(object);
            if (object)
                out += line;
        } else if (word.starts_with("end") && !objectBlocks.empty()) {
            if (objectBlocks.back())
                out += line;
            objectBlocks.pop_back();
        }
        start = stop;
    }
    return out;
}

// Freed before the application object goes, as the panel's fonts and images
// belong to it.
std::unique_ptr<TKestPanel> loadedPanel;

TKestPanel& LoadedPanel()
{
    if (!loadedPanel) {
        loadedPanel = std::make_unique<TKestPanel>();
        bench::LoadDocument(*loadedPanel, DocumentText());
    }
    return *loadedPanel;
}

const std::string& DocumentBinary()
{
    static std::string binary;
    if (binary.empty()) {
        TKestPanel& panel = LoadedPanel();
        TKestMemoryStream stream;
        std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppSave, true);
        panel.SaveToFiler(*filer);
        binary = stream.Text();
    }
    return binary;
}

// Times the library's step and its peer's step alternately; the benchmark's
// own time is the library's.
class TPairTimer {
public:
    template <class F> void Kest(F&& step) { kest_ += Time(step); }
    template <class F> void Peer(F&& step) { peer_ += Time(step); }
    double KestSeconds() const { return kest_.count(); }
    void Report(benchmark::State& state, int64_t callsPerIteration = 1) const
    {
        state.counters["ratio"] = kest_.count() > 0 ? peer_.count() / kest_.count() : 0;
        const double calls = double(state.iterations()) * double(callsPerIteration);
        state.counters["kest_us"] = kest_.count() * 1e6 / calls;
        state.counters["peer_us"] = peer_.count() * 1e6 / calls;
    }

private:
    template <class F> static std::chrono::duration<double> Time(F& step)
    {
        const TClock::time_point start = TClock::now();
        step();
        return TClock::now() - start;
    }
    std::chrono::duration<double> kest_ {0}, peer_ {0};
};

bool Ready(benchmark::State& state)
{
    const std::string missing = MissingClasses();
    if (!missing.empty())
        state.SkipWithError(("shape classes not registered: " + missing).c_str());
    return missing.empty();
}

void LoadAgainstSvg(benchmark::State& state, const std::string& bytes)
{
    if (!Ready(state))
        return;
    const QByteArray svg = QByteArray::fromStdString(ShapeSvg(kSchemes, kGroupsPerScheme));
    const int expected = kSchemes * kGroupsPerScheme * kShapesPerGroup;
    TPairTimer timer;
    for (auto _ : state) {
        TKestPanel panel;
        timer.Kest([&] { bench::LoadDocument(panel, bytes); });
        QSvgRenderer renderer;
        timer.Peer([&] { renderer.load(svg); });
        if (!renderer.isValid() || bench::CountShapes(panel) != expected) {
            state.SkipWithError("a document did not load whole");
            break;
        }
        state.SetIterationTime(timer.KestSeconds());
    }
    timer.Report(state);
    state.counters["bytes"] = double(bytes.size());
}

void BM_LoadTextVsSvg(benchmark::State& state)
{
    LoadAgainstSvg(state, DocumentText());
}

void BM_LoadBinaryVsSvg(benchmark::State& state)
{
    if (Ready(state))
        LoadAgainstSvg(state, DocumentBinary());
}

void BM_LoadObjectsOnlyVsSvg(benchmark::State& state)
{
    if (Ready(state))
        LoadAgainstSvg(state, ObjectsOnly(DocumentText()));
}

void BM_PaintSchemeVsSvg(benchmark::State& state)
{
    if (!Ready(state))
        return;
    TKestPanel& panel = LoadedPanel();
    TKestCustomScheme* scheme = panel.Schemes()->ByIndex(0);
    QSvgRenderer renderer(QByteArray::fromStdString(ShapeSvg(1, kGroupsPerScheme)));
    QImage kestImage(kPageWidth, kPageHeight, QImage::Format_ARGB32);
    QImage svgImage(kPageWidth, kPageHeight, QImage::Format_ARGB32);
    const TKestRect page {0, 0, kPageWidth, kPageHeight};
    TPairTimer timer;
    for (auto _ : state) {
        timer.Kest([&] {
            kestImage.fill(Qt::white);
            TKestCanvas canvas;
            canvas.Attach(&kestImage);
            panel.PaintTo(canvas, page, true, true, false, false, true, scheme, 100, {0, 0});
        });
        timer.Peer([&] {
            svgImage.fill(Qt::white);
            QPainter painter(&svgImage);
            renderer.render(&painter);
        });
        state.SetIterationTime(timer.KestSeconds());
    }
    timer.Report(state);
}

void BM_HitTestVsScene(benchmark::State& state)
{
    if (!Ready(state))
        return;
    TKestPanel& panel = LoadedPanel();
    TKestCustomScheme* scheme = panel.Schemes()->ByIndex(0);
    QGraphicsScene scene;
    FillScene(scene, 0, kGroupsPerScheme);
    std::mt19937 random(20240521);
    std::vector<QPoint> points;
    for (int i = 0; i < kHitPoints; ++i)
        points.emplace_back(int(random() % kPageWidth), int(random() % kPageHeight));
    TPairTimer timer;
    int64_t kestHits = 0, sceneHits = 0;
    for (auto _ : state) {
        timer.Kest([&] {
            for (const QPoint& p : points)
                kestHits += scheme->FindControlAtPoint(p.x(), p.y()) != nullptr;
        });
        timer.Peer([&] {
            for (const QPoint& p : points)
                sceneHits += !scene.items(QPointF(p)).isEmpty();
        });
        state.SetIterationTime(timer.KestSeconds());
    }
    timer.Report(state, kHitPoints);
    state.counters["kest_hit_share"] = double(kestHits) / double(state.iterations() * kHitPoints);
    state.counters["peer_hit_share"] = double(sceneHits) / double(state.iterations() * kHitPoints);
}

BENCHMARK(BM_LoadTextVsSvg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadBinaryVsSvg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LoadObjectsOnlyVsSvg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PaintSchemeVsSvg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_HitTestVsScene)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    RegisterBaseControlClasses();
    RegisterShapeClasses();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    loadedPanel.reset();
    return 0;
}
