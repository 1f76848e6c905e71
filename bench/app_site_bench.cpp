// The station's emulation: one movement tick over 10 000 persons next to the
// floor of one plain pass over the same list, and 1 000 000 journal appends
// (with the trims they cause) next to pushing the same records onto a plain
// vector. Prints the times against their goals and the ratios to the floors.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

#include "../tests/app/SiteTestSupport.h"
#include "support/BenchTimes.h"

namespace {

using namespace doravo;
using namespace doravo::testing;

constexpr int Persons = 10000;
constexpr int Appends = 1000000;

std::string SiteText()
{
    TSiteText site;
    for (int i = 1; i <= Persons; ++i)
        site.Person(i, "Walker" + std::to_string(i), "Person");
    site.Zone(ResidentZoneId, 0, "Security");
    int32_t next = 1, pass = 1;
    for (int building = 0; building < 4; ++building) {
        const int32_t top = next++;
        site.Zone(top, 0, "Building " + std::to_string(top));
        site.Door(pass, 0, top);
        pass += 2;
        for (int floor = 0; floor < 4; ++floor) {
            const int32_t level = next++;
            site.Zone(level, top, "Floor " + std::to_string(level));
            site.Door(pass, top, level);
            pass += 2;
            for (int office = 0; office < 6; ++office) {
                site.Zone(next, level, "Office " + std::to_string(next));
                site.Door(pass, level, next++);
                pass += 2;
            }
        }
    }
    for (int32_t a = 1; a < next; a += 29)
        for (int32_t b = a + 29; b < next; b += 29) {
            site.Door(pass, a, b);
            pass += 2;
        }
    return site.Text();
}

// A site after ten emulated minutes, so walkers are spread over the plan.
struct TBusySite {
    TScratch scratch;
    TVirtualClock clock {45000.0};
    std::unique_ptr<TdmMain> module;
    std::unique_ptr<TOpenDoors> doors;

    TBusySite()
    {
        WriteText(scratch.Path("site.ini"), SiteText());
        module = std::make_unique<TdmMain>(scratch.Path("site.ini"), clock);
        doors = std::make_unique<TOpenDoors>(*module);
        module->tmMovements().SetEnabled(true);
        clock.Advance(600 * 1000);
    }
};

void BM_MovementTick(benchmark::State& state)
{
    TBusySite site;
    size_t moved = 0;
    site.module->OnPersonMoved = [&moved](TdmMain*) { ++moved; };
    for (auto _ : state) {
        site.clock.Advance(1000);
        site.doors->calls.clear();
    }
    state.counters["moves/tick"] = double(moved) / double(state.iterations());
}

// The least a tick does: look at every person's role and time once.
void BM_PersonScanFloor(benchmark::State& state)
{
    TBusySite site;
    const std::vector<TPersonRec>& persons = site.module->Persons();
    double now = site.clock.Now();
    for (auto _ : state) {
        int due = 0;
        for (const TPersonRec& p : persons)
            due += p.Role == 2 && p.NextTime != 0 && p.NextTime <= now;
        benchmark::DoNotOptimize(due);
        now += 1 / SecsPerDay;
    }
}

void BM_AddEvents(benchmark::State& state)
{
    TScratch scratch;
    TVirtualClock clock(45000.0);
    const std::string text = "Door 12 opened by Person Walker1234";
    for (auto _ : state) {
        TdmMain module(scratch.Path("empty.ini"), clock);
        for (int i = 0; i < Appends; ++i)
            module.AddEvent(text, 12, 1234);
        benchmark::DoNotOptimize(module.Events().data());
    }
}

void BM_PushBackFloor(benchmark::State& state)
{
    TVirtualClock clock(45000.0);
    const std::string text = "Door 12 opened by Person Walker1234";
    for (auto _ : state) {
        std::vector<TEventRec> events;
        for (int i = 0; i < Appends; ++i)
            events.push_back({clock.Now(), 1234, 12, text});
        benchmark::DoNotOptimize(events.data());
    }
}

BENCHMARK(BM_MovementTick)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PersonScanFloor)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AddEvents)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PushBackFloor)->Unit(benchmark::kMillisecond);

// Reports CPU time per iteration (the machines are shared).
class TRatioReporter : public kest::bench::TTimesReporter {
public:
    void Print(const char* label, const std::string& name, const std::string& floor, double goalSeconds) const
    {
        const kest::bench::TBenchTimes* n = Find(name);
        const kest::bench::TBenchTimes* f = Find(floor);
        if (!n || !f)
            return;
        std::printf("%-28s %10.3f ms (goal < %.0f ms: %s), %6.1f x its floor\n", label, n->cpu * 1e3, goalSeconds * 1e3,
            n->cpu < goalSeconds ? "met" : "not met", n->cpu / f->cpu);
    }
};

} // namespace

int main(int argc, char** argv)
{
    TRatioReporter reporter;
    if (!kest::bench::RunBenchmarks(argc, argv, reporter))
        return 1;
    std::printf("\n");
    reporter.Print("tick, 10000 persons", "BM_MovementTick", "BM_PersonScanFloor", 1e-3);
    reporter.Print("1000000 journal appends", "BM_AddEvents", "BM_PushBackFloor", 1.0);
    benchmark::Shutdown();
    return 0;
}
