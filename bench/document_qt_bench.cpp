// The document model at scale: loading, saving and destroying generated
// documents of 1 000, 10 000 and 100 000 controls (boxes, groups with nested
// groups, clones, over 10 schemes and 5 layers) in the text and the binary
// form, next to the floor of reading the same bytes as lines with the filer;
// the heap a loaded control costs and the peak while loading; the paint
// order with a hit test. Prints the ratios after the runs.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "KestBase.h"
#include "KestFiler.h"
#include "KestStream.h"
#include "support/BenchTimes.h"
#include "support/PanelDocument.h"
#include "support/HeapCounter.h"

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

constexpr int kSchemes = 10;
constexpr int kLayers = 5;

class TGenerator {
public:
    explicit TGenerator(int count)
        : count_(count)
    {
    }

    // Exactly count controls below the schemes. The first scheme's first
    // control alone covers the document's top-left pixel and is painted
    // first, so a hit test there walks the whole scheme.
    std::string Text()
    {
        text_ = "document Bench\r\n  Height = 240000\r\n  ID = 1\r\n  Version = 170\r\n  Width = 320000\r\n";
        for (int layer = 1; layer <= kLayers; ++layer)
            text_ += "  object Layer" + std::to_string(layer) + ": TKestLayer\r\n    ID = " + std::to_string(layer + 1)
                + "\r\n    Visible = True\r\n  end\r\n";
        nextId_ = kLayers + 2;
        for (int scheme = 0; scheme < kSchemes; ++scheme) {
            text_ += "  object Scheme" + std::to_string(scheme + 1)
                + ": TKestScheme\r\n    ID = " + std::to_string(nextId_++) + "\r\n";
            if (scheme == 0)
                text_ += "    Default = True\r\n";
            const int share = count_ / kSchemes + (scheme < count_ % kSchemes ? 1 : 0);
            FillScheme(share);
            text_ += "  end\r\n";
        }
        return text_ + "end\r\n";
    }

private:
    void FillScheme(int share)
    {
        int made = 0;
        lastBox_.clear();
        for (int i = 0; made < share; ++i) {
            const int32_t left = made == 0 ? 0 : 3000 + (i % 300) * 1000;
            const int32_t top = made == 0 ? 0 : 3000 + (i / 300 % 200) * 1000;
            const std::string layer = "Layer" + std::to_string(1 + i % kLayers);
            if (i % 20 == 10 && share - made >= 6) {
                // A group of two boxes and a nested group of two more.
                Open("Group", "TKestGroup", "    ", left, top, 9000, 4000, layer);
                Box("      ", 0, 0, layer);
                Box("      ", 2000, 0, layer);
                Open("Inner", "TKestGroup", "      ", 4000, 0, 5000, 4000, layer);
                Box("        ", 0, 0, layer);
                Box("        ", 3000, 2000, layer);
                text_ += "      end\r\n    end\r\n";
                made += 6;
            } else if (i % 20 == 15 && !lastBox_.empty()) {
                Open("Clone", "TKestClone", "    ", left, top, 2000, 2000, layer);
                text_ += "      Source = " + lastBox_ + "\r\n    end\r\n";
                ++made;
            } else {
                Box("    ", left, top, layer);
                ++made;
            }
        }
    }

    void Open(const char* base, const char* cls, const std::string& indent, int32_t left, int32_t top, int32_t width,
        int32_t height, const std::string& layer)
    {
        const int id = nextId_++;
        text_ += indent + "object " + base + std::to_string(id) + ": " + cls + "\r\n" + indent
            + "  Height = " + std::to_string(height) + "\r\n" + indent + "  ID = " + std::to_string(id) + "\r\n"
            + indent + "  Layer = " + layer + "\r\n" + indent + "  Left = " + std::to_string(left) + "\r\n" + indent
            + "  Top = " + std::to_string(top) + "\r\n" + indent + "  Width = " + std::to_string(width) + "\r\n";
    }

    void Box(const std::string& indent, int32_t left, int32_t top, const std::string& layer)
    {
        lastBox_ = "\\" + std::to_string(nextId_) + ":Box" + std::to_string(nextId_);
        Open("Box", "TBenchBox", indent, left, top, 2000, 2000, layer);
        text_ += indent + "end\r\n";
    }

    int count_;
    int nextId_ = 0;
    std::string text_;
    std::string lastBox_;
};

// The document in the text (0) or the binary (1) form.
const std::string& Document(int count, bool binary)
{
    static std::map<std::pair<int, bool>, std::string> documents;
    auto it = documents.find({count, binary});
    if (it != documents.end())
        return it->second;
    const std::string text = TGenerator(count).Text();
    std::string form = text;
    if (binary) {
        TKestMemoryStream in(text.data(), text.size());
        TKestFiler reader(in);
        TKestMemoryStream out;
        TKestFiler writer(out);
        writer.SetBinary(true);
        std::string line;
        while (reader.LoadStrCheck(line))
            writer.SaveStr(line);
        writer.SetBinary(false);
        form = out.Text();
    }
    return documents.emplace(std::make_pair(count, binary), form).first->second;
}

int CountControls(TKestPanel& panel)
{
    int count = 0;
    for (int i = 0; i < panel.Schemes()->Count(); ++i)
        panel.Schemes()->ByIndex(i)->ForEach([&](TKestControl*) {
            ++count;
            return true;
        });
    return count - panel.Schemes()->Count();
}

// One panel per size, loaded once, for the benchmarks that need a document;
// freed before the application goes.
std::map<int, std::unique_ptr<TKestPanel>> panels;

TKestPanel& Loaded(int count)
{
    auto it = panels.find(count);
    if (it == panels.end()) {
        it = panels.emplace(count, std::make_unique<TKestPanel>()).first;
        bench::LoadDocument(*it->second, Document(count, false));
    }
    return *it->second;
}

void SetControlCounters(benchmark::State& state, int count)
{
    state.counters["controls/s"] = benchmark::Counter(count, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ReadLinesFloor(benchmark::State& state)
{
    const std::string& bytes = Document(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        TKestMemoryStream stream(bytes.data(), bytes.size());
        TKestFiler filer(stream);
        std::string line;
        int64_t lines = 0;
        while (filer.LoadStrCheck(line))
            ++lines;
        benchmark::DoNotOptimize(lines);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}

void BM_Load(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const std::string& bytes = Document(count, state.range(1) != 0);
    auto panel = std::make_unique<TKestPanel>();
    int64_t held = 0;
    int64_t peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        panel->EmptyDocument();
        const int64_t before = bench::ResetHeapPeak();
        state.ResumeTiming();
        bench::LoadDocument(*panel, bytes);
        state.PauseTiming();
        held = bench::HeapInUse() - before;
        peak = bench::HeapPeak() - before;
        if (CountControls(*panel) != count)
            state.SkipWithError("document not loaded whole");
        state.ResumeTiming();
    }
    SetControlCounters(state, count);
    state.counters["heap B/control"] = static_cast<double>(held) / count;
    state.counters["peak B/control"] = static_cast<double>(peak) / count;
}

void BM_Save(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    TKestPanel& panel = Loaded(count);
    const bool binary = state.range(1) != 0;
    for (auto _ : state) {
        TKestMemoryStream stream;
        std::unique_ptr<TKestFiler> filer = panel.CreateFiler(stream, ppSave, binary);
        panel.SaveToFiler(*filer);
        benchmark::DoNotOptimize(stream.Size());
    }
    SetControlCounters(state, count);
}

void BM_Destroy(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const std::string& bytes = Document(count, false);
    for (auto _ : state) {
        state.PauseTiming();
        auto panel = std::make_unique<TKestPanel>();
        bench::LoadDocument(*panel, bytes);
        state.ResumeTiming();
        panel.reset();
    }
    SetControlCounters(state, count);
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

void Sizes(benchmark::internal::Benchmark* b)
{
    for (int binary : {0, 1})
        for (int count : {1000, 10000, 100000})
            b->Args({count, binary});
}

BENCHMARK(BM_ReadLinesFloor)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Load)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Save)->Apply(Sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Destroy)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintOrderAndHitTest)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// How many times the floor's CPU time the benchmark takes.
void PrintRatio(
    const bench::TTimesReporter& times, const std::string& label, const std::string& measured, const std::string& floor)
{
    const bench::TBenchTimes* m = times.Find(measured);
    const bench::TBenchTimes* f = times.Find(floor);
    if (m && f)
        std::printf("%-40s %8.2f x the line-reading floor\n", label.c_str(), m->cpu / f->cpu);
}

} // namespace

int main(int argc, char** argv)
{
    kest::bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    RegisterControlClass(TBenchBox::StaticClass());
    bench::TTimesReporter reporter;
    if (!kest::bench::RunBenchmarks(argc, argv, reporter))
        return 1;
    std::printf("\ntime ratios\n");
    for (const char* form : {"/0", "/1"}) {
        const std::string kind = form[1] == '0' ? " (text)" : " (binary)";
        for (const char* count : {"1000", "10000", "100000"}) {
            const std::string args = std::string("/") + count + form;
            const std::string floor = "BM_ReadLinesFloor" + args;
            PrintRatio(reporter, std::string("load of ") + count + kind, "BM_Load" + args, floor);
            PrintRatio(reporter, std::string("save of ") + count + kind, "BM_Save" + args, floor);
        }
    }
    benchmark::Shutdown();
    panels.clear();
    return 0;
}
