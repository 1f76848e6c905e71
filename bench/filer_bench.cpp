// Filer throughput on a generated ~50 MB document: writing and reading the
// text and the binary form, next to the floor of splitting the same text
// into lines with memchr. Prints the ratios after the runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "KestFiler.h"
#include "KestStream.h"
#include "KestUtils.h"
#include "support/BenchTimes.h"

namespace {

using namespace kest;

constexpr size_t kTargetBytes = 50u << 20;

struct TDocument {
    std::vector<std::string> lines; // with indentation, as a writer hands them over
    std::string text;
    std::string binary;
};

void AddObject(std::vector<std::string>& out, std::mt19937& random, int id, const std::string& indent, bool pictures)
{
    static const char* const classes[] = {"TKestBox", "TKestEllipse", "TKestCurve", "TKestText", "TKestPicture"};
    static const char* const hints[] = {"Main entrance", "Door 12, level 3", "Server room", "Stairs", "Gate"};
    const std::string name = "Shape" + std::to_string(id);
    const std::string in = indent + "  ";
    out.push_back(indent + "object " + name + ": " + classes[random() % 5]);
    out.push_back(in + "Height = " + std::to_string(random() % 200000));
    out.push_back(in + "Hint = '" + hints[random() % 5] + "'");
    out.push_back(in + "ID = " + std::to_string(id));
    out.push_back(in + "Left = " + std::to_string(static_cast<int32_t>(random() % 400000) - 200000));
    out.push_back(in + "Name = " + name);
    out.push_back(in + "property Brush");
    out.push_back(in + "  Color = " + std::to_string(random() % 0x1000000));
    out.push_back(in + "  Style = bsSolid");
    out.push_back(in + "end");
    out.push_back(in + "property Pen");
    out.push_back(in + "  Width = " + std::to_string(random() % 5000));
    out.push_back(in + "end");
    out.push_back(in + "Lines = (");
    const int count = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < count; ++i)
        out.push_back(in + "  'text line " + std::to_string(i) + " of " + name + "'" + (i + 1 == count ? " )" : ""));
    out.push_back(in + "Rotation = " + FloatToStrDot((random() % 3600) / 10.0));
    if (pictures && id % 8 == 0) {
        // A small picture: hex data, 32 bytes per line.
        out.push_back(in + "Data = {");
        const int bytes = 256 + static_cast<int>(random() % 512);
        std::string row;
        for (int b = 0; b < bytes; ++b) {
            row += ByteToHex(static_cast<uint8_t>(random()));
            if (row.size() == 64 || b + 1 == bytes) {
                out.push_back(in + "  " + row + (b + 1 == bytes ? " }" : ""));
                row.clear();
            }
        }
    }
    out.push_back(in + "Visible = " + std::string(random() % 4 ? "True" : "False"));
    out.push_back(indent + "end");
}

std::string WriteAll(const std::vector<std::string>& lines, bool binary)
{
    TKestMemoryStream stream;
    TKestFiler filer(stream);
    filer.SetBinary(binary);
    for (const std::string& line : lines)
        filer.SaveStr(line);
    filer.SetBinary(false);
    return stream.Text();
}

TDocument MakeDocument(bool pictures)
{
    TDocument d;
    std::mt19937 random(2024);
    d.lines.push_back("document Site");
    d.lines.push_back("  Height = 600000");
    d.lines.push_back("  Width = 800000");
    size_t bytes = 0;
    int id = 1;
    for (int scheme = 0; bytes < kTargetBytes; ++scheme) {
        d.lines.push_back("  object Scheme" + std::to_string(scheme) + ": TKestScheme");
        for (int i = 0; i < 1000 && bytes < kTargetBytes; ++i) {
            const size_t before = d.lines.size();
            AddObject(d.lines, random, id++, "    ", pictures);
            for (size_t l = before; l < d.lines.size(); ++l)
                bytes += d.lines[l].size() + 2;
        }
        d.lines.push_back("  end");
    }
    d.lines.push_back("end");
    d.text = WriteAll(d.lines, false);
    d.binary = WriteAll(d.lines, true);
    return d;
}

// Argument 1: every eighth shape carries a small picture as hex data, which
// the binary form gives back one byte per line; 0: shapes only.
const TDocument& Document(int64_t pictures)
{
    static const TDocument withPictures = MakeDocument(true);
    if (pictures)
        return withPictures;
    static const TDocument shapesOnly = MakeDocument(false);
    return shapesOnly;
}

void SetCounters(benchmark::State& state, size_t bytes, size_t lines)
{
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
    state.counters["lines/s"]
        = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
}

void WriteBench(benchmark::State& state, bool binary)
{
    const TDocument& doc = Document(state.range(0));
    TKestMemoryStream stream;
    for (auto _ : state) {
        stream.Clear();
        TKestFiler filer(stream);
        filer.SetBinary(binary);
        for (const std::string& line : doc.lines)
            filer.SaveStr(line);
        filer.SetBinary(false);
        benchmark::DoNotOptimize(stream.Size());
    }
    SetCounters(state, binary ? doc.binary.size() : doc.text.size(), doc.lines.size());
}

void ReadBench(benchmark::State& state, const std::string& bytes)
{
    const TDocument& doc = Document(state.range(0));
    TKestMemoryStream stream(bytes.data(), bytes.size());
    size_t lines = 0;
    for (auto _ : state) {
        stream.Seek(0);
        TKestFiler filer(stream);
        std::string line;
        lines = 0;
        while (filer.LoadStrCheck(line))
            ++lines;
        benchmark::DoNotOptimize(line.data());
    }
    if (lines < doc.lines.size())
        state.SkipWithError("lines missing");
    SetCounters(state, bytes.size(), lines);
}

void BM_TextWrite(benchmark::State& state)
{
    WriteBench(state, false);
}

void BM_BinaryWrite(benchmark::State& state)
{
    WriteBench(state, true);
}

void BM_TextRead(benchmark::State& state)
{
    ReadBench(state, Document(state.range(0)).text);
}

void BM_BinaryRead(benchmark::State& state)
{
    ReadBench(state, Document(state.range(0)).binary);
}

// The floor: the same text cut at LF with memchr, each line handed over in
// a reused string as the filer hands it over.
void BM_MemchrSplitFloor(benchmark::State& state)
{
    const std::string& text = Document(state.range(0)).text;
    size_t lines = 0;
    for (auto _ : state) {
        std::string line;
        lines = 0;
        const char* p = text.data();
        const char* end = p + text.size();
        while (p < end) {
            const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
            const char* stop = lf ? lf : end;
            line.assign(p, stop - p);
            benchmark::DoNotOptimize(line.data());
            ++lines;
            p = stop + 1;
        }
    }
    SetCounters(state, text.size(), lines);
}

// The ratios compare runs of well under a second each, which a shared
// machine disturbs: each benchmark is repeated, the repetitions of all of
// them interleaved, and the median stands for it.
constexpr int kRepetitions = 7;

BENCHMARK(BM_TextWrite)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BinaryWrite)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemchrSplitFloor)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TextRead)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_BinaryRead)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(kRepetitions)
    ->ReportAggregatesOnly(true);

// Speed of numerator relative to denominator by CPU time: the faster the
// numerator, the larger.
void PrintRatio(const bench::TTimesReporter& times, const std::string& label, const std::string& numerator,
    const std::string& denominator, double goal)
{
    const bench::TBenchTimes* n = times.Find(numerator);
    const bench::TBenchTimes* d = times.Find(denominator);
    if (!n || !d)
        return;
    const double ratio = d->cpu / n->cpu;
    std::printf("%-44s %6.2f  (goal >= %.2f: %s)\n", label.c_str(), ratio, goal, ratio >= goal ? "met" : "not met");
}

} // namespace

int main(int argc, char** argv)
{
    for (int64_t pictures : {1, 0}) {
        const TDocument& doc = Document(pictures);
        std::printf("document %s: %zu lines, text %.1f MB, binary %.1f MB\n",
            pictures ? "with pictures" : "shapes only", doc.lines.size(), doc.text.size() / 1e6,
            doc.binary.size() / 1e6);
    }
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    if (std::none_of(args.begin(), args.end(),
            [](const char* a) { return std::string_view(a).starts_with("--benchmark_enable_random_interleaving"); }))
        args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    bench::TTimesReporter reporter;
    if (!kest::bench::RunBenchmarks(count, args.data(), reporter))
        return 1;
    std::printf("\nspeed ratios\n");
    for (const char* arg : {"/1", "/0"}) {
        const std::string kind = arg[1] == '1' ? " (with pictures)" : " (shapes only)";
        PrintRatio(reporter, "text read / memchr floor" + kind, std::string("BM_TextRead") + arg,
            std::string("BM_MemchrSplitFloor") + arg, 0.5);
        PrintRatio(reporter, "binary read / text read" + kind, std::string("BM_BinaryRead") + arg,
            std::string("BM_TextRead") + arg, 1.0);
    }
    benchmark::Shutdown();
    return 0;
}
