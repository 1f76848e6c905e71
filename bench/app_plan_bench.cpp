// The station's data ready: the checked-in plan loaded into a panel with its
// doors registered and the site read from the settings file, placed and
// journaled (goal: within 100 ms), next to the floor of reading the plan's
// lines with the filer and nothing else. Prints the time against the goal
// and the ratio to the floor.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "HeadlessStation.h"
#include "KestControls.h"
#include "KestFiler.h"
#include "KestStream.h"
#include "support/BenchTimes.h"

namespace {

using namespace doravo;

const std::string Plan = std::string(DORAVO_SOURCE_RESOURCES) + "/doravo.ksd";
const std::string Settings = std::string(DORAVO_SOURCE_RESOURCES) + "/doravo.ini";

void BM_StationDataReady(benchmark::State& state)
{
    size_t doors = 0;
    for (auto _ : state) {
        TVirtualClock clock(46000.5);
        std::ostringstream journal;
        THeadlessStation station(Plan, Settings, clock, journal);
        doors = station.Doors().Doors().size();
        benchmark::DoNotOptimize(station.Site().Persons().data());
    }
    state.counters["doors"] = double(doors);
}

void BM_ReadPlanLinesFloor(benchmark::State& state)
{
    size_t lines = 0;
    for (auto _ : state) {
        kest::TKestFileStream stream(Plan, kest::TKestFileStream::fmOpenRead);
        kest::TKestFiler filer(stream);
        std::string line;
        lines = 0;
        while (filer.LoadStrCheck(line))
            ++lines;
        benchmark::DoNotOptimize(line.data());
    }
    state.counters["lines"] = double(lines);
}

BENCHMARK(BM_StationDataReady)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPlanLinesFloor)->Unit(benchmark::kMillisecond);

class TRatioReporter : public kest::bench::TTimesReporter {
public:
    void Summary() const
    {
        const kest::bench::TBenchTimes* ready = Find("BM_StationDataReady");
        const kest::bench::TBenchTimes* floor = Find("BM_ReadPlanLinesFloor");
        if (!ready || !floor)
            return;
        std::printf("\nstation data ready: %.1f ms (goal 100 ms), %.2f x the line-reading floor (%.2f ms)\n",
            ready->wall * 1000, ready->wall / floor->wall, floor->wall * 1000);
    }
};

} // namespace

int main(int argc, char** argv)
{
    kest::bench::UseOffscreenPlatform();
    QApplication app(argc, argv);
    kest::RegisterShapeClasses();
    RegisterDoorClasses();
    TRatioReporter reporter;
    if (!kest::bench::RunBenchmarks(argc, argv, reporter))
        return 1;
    reporter.Summary();
    benchmark::Shutdown();
    return 0;
}
