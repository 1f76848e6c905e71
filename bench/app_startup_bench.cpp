// Start-up of the station with its windows to the first painted plan: the
// site read, the main window built over the checked-in plan, shown and
// painted once (goal: within 500 ms), next to the headless station's data
// ready (the same loading without windows) as the floor. Prints the time
// against the goal and the ratio to the floor.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>

#include "HeadlessStation.h"
#include "KestControls.h"
#include "fMain.h"
#include "support/BenchTimes.h"

namespace {

using namespace doravo;

const std::string Plan = std::string(DORAVO_SOURCE_RESOURCES) + "/doravo.ksd";
const std::string Settings = std::string(DORAVO_SOURCE_RESOURCES) + "/doravo.ini";

void BM_StartupToFirstPaint(benchmark::State& state)
{
    size_t doors = 0;
    int width = 0;
    for (auto _ : state) {
        TVirtualClock clock(46000.5);
        TdmMain site(Settings, clock);
        TfmMain window(site, Plan);
        window.show();
        const QImage picture = window.grab().toImage();
        doors = window.Doors().size();
        width = picture.width();
        benchmark::DoNotOptimize(picture.constBits());
    }
    state.counters["doors"] = double(doors);
    state.counters["width"] = width;
}

void BM_HeadlessDataReadyFloor(benchmark::State& state)
{
    for (auto _ : state) {
        TVirtualClock clock(46000.5);
        std::ostringstream journal;
        THeadlessStation station(Plan, Settings, clock, journal);
        benchmark::DoNotOptimize(station.Site().Persons().data());
    }
}

BENCHMARK(BM_StartupToFirstPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HeadlessDataReadyFloor)->Unit(benchmark::kMillisecond);

class TRatioReporter : public kest::bench::TTimesReporter {
public:
    void Summary() const
    {
        const kest::bench::TBenchTimes* start = Find("BM_StartupToFirstPaint");
        const kest::bench::TBenchTimes* floor = Find("BM_HeadlessDataReadyFloor");
        if (!start || !floor)
            return;
        std::printf(
            "\nstart-up to the first painted plan: %.1f ms (goal 500 ms), %.2f x the headless floor (%.2f ms)\n",
            start->wall * 1000, start->wall / floor->wall, floor->wall * 1000);
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
