// The document model at scale: loading, saving, and the paint order with a
// hit test of generated documents of 1 000, 10 000 and 100 000 controls,
// next to the floor of reading the same bytes as lines with the filer.
// Prints the ratios after the runs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "KestBase.h"

namespace {

using namespace kest;

// The simplest drawing kind: a visible rectangle.
class TBenchBox : public TKestControl {
    KEST_CONTROL_CLASS(TBenchBox)
protected:
    void ControlCreate() override
    {
        TKestControl::ControlCreate();
        SetVisible(true);
    }
};

KEST_CONTROL_CLASS_IMPL(TBenchBox, TKestControl)

// Boxes on a grid, alternately on two layers; box 0 alone covers the
// document's top-left pixel and comes first in the paint order, so a hit
// test there walks every control.
std::string Generate(int count)
{
    std::string text = "document Bench\r\n  Height = 240000\r\n  ID = 1\r\n  Version = 170\r\n  Width = 320000\r\n";
    for (int layer = 1; layer <= 2; ++layer)
        text += "  object Layer" + std::to_string(layer) + ": TKestLayer\r\n    ID = " + std::to_string(layer + 1)
            + "\r\n    Visible = True\r\n  end\r\n";
    text += "  object Scheme1: TKestScheme\r\n    property Brush\r\n      BitmapCache = True\r\n    end\r\n"
            "    Default = True\r\n    ID = 4\r\n";
    for (int i = 0; i < count; ++i) {
        const int32_t left = i == 0 ? 0 : 3000 + (i % 300) * 1000;
        const int32_t top = i == 0 ? 0 : 3000 + (i / 300 % 200) * 1000;
        text += "    object Box" + std::to_string(i + 1) + ": TBenchBox\r\n      Height = 2000\r\n      ID = "
            + std::to_string(i + 5) + "\r\n      Layer = Layer" + std::to_string(1 + i % 2) + "\r\n      Left = "
            + std::to_string(left) + "\r\n      Top = " + std::to_string(top) + "\r\n      Width = 2000\r\n    end\r\n";
    }
    return text + "  end\r\nend\r\n";
}

const std::string& Document(int count)
{
    static std::map<int, std::string> documents;
    auto it = documents.find(count);
    if (it == documents.end())
        it = documents.emplace(count, Generate(count)).first;
    return it->second;
}

void Load(TKestPanel& panel, const std::string& text)
{
    TKestMemoryStream stream(text.data(), text.size());
    std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppLoad, false);
    panel.LoadFromFiler(*filer);
}

// One panel per size, loaded once, for the benchmarks that need a document.
TKestPanel& Loaded(int count)
{
    static std::map<int, std::unique_ptr<TKestPanel>> panels;
    auto it = panels.find(count);
    if (it == panels.end()) {
        it = panels.emplace(count, std::make_unique<TKestPanel>()).first;
        Load(*it->second, Document(count));
    }
    return *it->second;
}

void BM_ReadLinesFloor(benchmark::State& state)
{
    const std::string& text = Document(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TKestMemoryStream stream(text.data(), text.size());
        TKestFiler filer(stream);
        std::string line;
        int64_t lines = 0;
        while (filer.LoadStrCheck(line))
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_Load(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const std::string& text = Document(count);
    TKestPanel panel;
    for (auto _ : state) {
        Load(panel, text);
        if (panel.ActiveScheme()->Count() != count)
            state.SkipWithError("document not loaded whole");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_Save(benchmark::State& state)
{
    TKestPanel& panel = Loaded(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        TKestMemoryStream stream;
        std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppSave, false);
        panel.SaveToFiler(*filer);
        benchmark::DoNotOptimize(stream.Size());
    }
}

void BM_PaintOrderAndHitTest(benchmark::State& state)
{
    TKestPanel& panel = Loaded(static_cast<int>(state.range(0)));
    TKestCustomScheme* scheme = panel.ActiveScheme();
    TKestControl* first = scheme->Controls(0);
    for (auto _ : state) {
        if (scheme->FindControlAtPoint(1, 1) != first)
            state.SkipWithError("hit test missed");
    }
    state.counters["controls"] = static_cast<double>(scheme->Count());
}

BENCHMARK(BM_ReadLinesFloor)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintOrderAndHitTest)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// Keeps each benchmark's CPU time per iteration for the ratios; the median
// stands for a benchmark run with repetitions.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            const bool usable = run.run_type == Run::RT_Iteration || run.aggregate_name == "median";
            if (usable && !run.error_occurred)
                seconds_[run.run_name.str()]
                    = run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    // How many times the floor's time the benchmark takes.
    void PrintRatio(const std::string& label, const std::string& measured, const std::string& floor) const
    {
        const auto m = seconds_.find(measured);
        const auto f = seconds_.find(floor);
        if (m != seconds_.end() && f != seconds_.end())
            std::printf("%-40s %8.2f x the line-reading floor\n", label.c_str(), m->second / f->second);
    }

private:
    std::map<std::string, double> seconds_;
};

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    RegisterControlClass(TBenchBox::StaticClass());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\ntime ratios\n");
    for (const char* count : {"1000", "10000", "100000"}) {
        const std::string floor = std::string("BM_ReadLinesFloor/") + count;
        reporter.PrintRatio(std::string("load of ") + count + " controls", std::string("BM_Load/") + count, floor);
        reporter.PrintRatio(std::string("save of ") + count + " controls", std::string("BM_Save/") + count, floor);
        reporter.PrintRatio(
            std::string("paint order + hit test of ") + count, std::string("BM_PaintOrderAndHitTest/") + count, floor);
    }
    benchmark::Shutdown();
    return 0;
}
