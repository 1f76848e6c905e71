// The control panel keeping up with the emulation: one movement tick plus
// the refreshes it causes (the events page shown, 50 000 events in the
// journal), the view's layout and repaint included, next to the same tick
// of an identical site without the panel as its floor. Goal: within 2 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <ctime>

#include "../tests/app/SiteTestSupport.h"
#include "fControl.h"

namespace {

using namespace doravo;
using namespace doravo::testing;

constexpr int Persons = 200;
constexpr double GoalSeconds = 2e-3;

std::string SiteText()
{
    TSiteText site;
    for (int i = 1; i <= Persons; ++i)
        site.Person(i, "Walker" + std::to_string(i), "Person");
    int32_t pass = 1;
    for (int32_t building = 1; building <= 4; ++building) {
        site.Zone(building, 0, "Building " + std::to_string(building));
        site.Door(pass, 0, building);
        pass += 2;
        for (int32_t office = 0; office < 8; ++office) {
            const int32_t id = building * 10 + office;
            site.Zone(id, building, "Office " + std::to_string(id));
            site.Door(pass, building, id);
            pass += 2;
        }
    }
    // The walk goes from building to building directly.
    for (int32_t a = 1; a <= 4; ++a)
        for (int32_t b = a + 1; b <= 4; ++b) {
            site.Door(pass, a, b);
            pass += 2;
        }
    return site.Text();
}

// The main window needs no plan here: the panel's buttons and
// double-clicks are not used.
class TNoPlan : public TControlHost {
public:
    TPlanDoors& PlanDoors() override { std::abort(); }
    kest::TKestControl* FindZoneShape(int32_t) override { return nullptr; }
    void Select(kest::TKestControl*) override { }
};

// A busy site with a full journal; with a panel, wired as the main window
// wires it: every event refreshes the events page, every passage the
// current page.
struct TBusyStation {
    TScratch scratch;
    TVirtualClock clock {45000.0};
    std::unique_ptr<TdmMain> site;
    std::unique_ptr<TOpenDoors> doors;
    TNoPlan host;
    TfmControl* panel = nullptr;

    explicit TBusyStation(bool withPanel)
    {
        WriteText(scratch.Path("site.ini"), SiteText());
        site = std::make_unique<TdmMain>(scratch.Path("site.ini"), clock);
        doors = std::make_unique<TOpenDoors>(*site);
        site->tmMovements().SetEnabled(true);
        clock.Advance(300 * 1000);
        while (site->Events().size() < MaxEvents - 10)
            site->AddEvent("Door 12 opened by Person Walker1234", 12, 1234);
        if (!withPanel)
            return;
        panel = ShowControlPanel(*site, host);
        panel->SetCurrentPage(cpEvents);
        site->OnEvent = [](TdmMain*) {
            if (fmControl)
                fmControl->RefreshEvents();
        };
        site->OnPersonMoved = [](TdmMain*) {
            if (fmControl)
                fmControl->RefreshCurrentPage();
        };
        QApplication::processEvents();
    }
    ~TBusyStation() { delete panel; }

    // One tick, then the window's pending layout and paint; the thread's
    // CPU seconds, as the machines running this are shared.
    double Tick()
    {
        const double start = ThreadSeconds();
        clock.Advance(1000);
        QApplication::processEvents();
        doors->calls.clear();
        return ThreadSeconds() - start;
    }
    static double ThreadSeconds()
    {
        timespec now {};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
    }
};

void BM_TickWithEventsPage(benchmark::State& state)
{
    TBusyStation withPanel(true);
    TBusyStation floor(false);
    double panelSeconds = 0, floorSeconds = 0;
    const size_t eventsBefore = withPanel.site->Events().size();
    size_t trims = 0;
    for (auto _ : state) {
        const size_t before = withPanel.site->Events().size();
        const double seconds = withPanel.Tick();
        trims += withPanel.site->Events().size() < before;
        panelSeconds += seconds;
        state.SetIterationTime(seconds);
        floorSeconds += floor.Tick();
    }
    const double n = double(state.iterations());
    const int rows = withPanel.panel->EventsModel().rowCount();
    if (rows != int(withPanel.site->Events().size()))
        state.SkipWithError("the events page lost count of the journal");
    state.counters["panel_us"] = panelSeconds * 1e6 / n;
    state.counters["floor_us"] = floorSeconds * 1e6 / n;
    state.counters["ratio"] = floorSeconds > 0 ? panelSeconds / floorSeconds : 0;
    state.counters["events/tick"] = double(withPanel.site->Events().size() + trims * TrimmedEvents - eventsBefore) / n;
    state.counters["goal_met"] = panelSeconds / n < GoalSeconds;
}

BENCHMARK(BM_TickWithEventsPage)->UseManualTime()->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
