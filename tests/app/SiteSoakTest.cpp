// A day of emulation on the virtual clock with a generated site of a
// thousand persons and doors that open at once: the zone counts, the walkers
// and the journal stay sound after every tick, and the run repeats exactly.
#include <gtest/gtest.h>

#include "SiteTestSupport.h"

namespace doravo::testing {
namespace {

constexpr int Persons = 1000;
constexpr int Buildings = 2, Floors = 3, OfficesPerFloor = 5;

// Zone ids: buildings 1.., then floors, then offices; 100 the residents' room.
TSiteText GeneratedSite()
{
    TSiteText site;
    for (int i = 1; i <= Persons; ++i)
        site.Person(1000 + i, "Walker" + std::to_string(i), "Person");
    site.Zone(ResidentZoneId, 0, "Security");
    int32_t next = 1, pass = 1;
    std::vector<int32_t> buildings;
    for (int b = 0; b < Buildings; ++b) {
        const int32_t building = next++;
        buildings.push_back(building);
        site.Zone(building, 0, "Building " + std::to_string(building));
        site.Door(pass, 0, building);
        pass += 2;
        for (int f = 0; f < Floors; ++f) {
            const int32_t floor = next++;
            site.Zone(floor, building, "Floor " + std::to_string(floor));
            site.Door(pass, building, floor);
            pass += 2;
            for (int o = 0; o < OfficesPerFloor; ++o) {
                const int32_t office = next++;
                site.Zone(office, floor, "Office " + std::to_string(office));
                site.Door(pass, floor, office);
                pass += 2;
            }
        }
    }
    site.Door(pass, buildings[0], buildings[1]);
    return site;
}

struct TRun {
    std::vector<TEventRec> journal;
    std::vector<TPersonRec> persons;
};

TRun EmulateOneDay(bool check)
{
    TScratch scratch;
    WriteText(scratch.Path("site.ini"), GeneratedSite().Text());
    TVirtualClock clock(45000.0);
    TdmMain module(scratch.Path("site.ini"), clock);
    TOpenDoors doors(module);
    std::vector<int> passed(module.Persons().size(), 0);
    size_t lost = 0;
    module.OnEvent = [&](TdmMain* sender) {
        const TEventRec& e = sender->Events().back();
        if (e.PassId == 0)
            ++lost;
        else
            ++passed.at(e.PersonId - 1001); // the generated ids
    };
    std::vector<int32_t> counts(ResidentZoneId + 1);
    bool sound = true;
    auto checkTick = [&] {
        const double now = clock.Now();
        std::fill(counts.begin(), counts.end(), 0);
        for (const TPersonRec& p : module.Persons()) {
            ++counts.at(p.ZoneId);
            if (p.Role == 2 && (p.NextTime < now - 1e-9 || p.NextTime > now + 300.5 / SecsPerDay)) {
                ADD_FAILURE() << "walker " << p.Id << " stalled at " << (now - 45000.0) * SecsPerDay;
                sound = false;
            }
        }
        for (const TZoneRec& zone : module.Zones())
            if (zone.Count != counts.at(zone.Id)) {
                ADD_FAILURE() << "zone " << zone.Id << " counts " << zone.Count << ", holds " << counts[zone.Id];
                sound = false;
            }
        if (module.Events().size() > MaxEvents) {
            ADD_FAILURE() << "journal holds " << module.Events().size();
            sound = false;
        }
    };
    module.tmMovements().SetEnabled(true);
    for (int second = 0; second < 24 * 3600 && sound; ++second) {
        clock.Advance(1000);
        if (check)
            checkTick();
    }
    if (check) {
        EXPECT_EQ(lost, 0u);
        EXPECT_EQ(module.Events().front().Text, "System online (old events deleted)");
        int residents = 0;
        for (size_t i = 0; i < module.Persons().size(); ++i) {
            if (module.Persons()[i].Role == 1) {
                ++residents;
                EXPECT_EQ(passed[i], 0);
                EXPECT_EQ(module.Persons()[i].ZoneId, ResidentZoneId);
            } else
                EXPECT_GE(passed[i], 50) << "walker " << module.Persons()[i].Id;
        }
        EXPECT_EQ(residents, 2);
    }
    return {module.Events(), module.Persons()};
}

TEST(SiteSoakTest, ADayOfEmulationStaysSoundAndRepeats)
{
    const TRun first = EmulateOneDay(true);
    const TRun second = EmulateOneDay(false);
    ASSERT_EQ(first.journal.size(), second.journal.size());
    for (size_t i = 0; i < first.journal.size(); ++i) {
        const TEventRec& a = first.journal[i];
        const TEventRec& b = second.journal[i];
        ASSERT_TRUE(a.Time == b.Time && a.PersonId == b.PersonId && a.PassId == b.PassId && a.Text == b.Text) << i;
    }
    for (size_t i = 0; i < first.persons.size(); ++i) {
        EXPECT_EQ(first.persons[i].ZoneId, second.persons[i].ZoneId);
        EXPECT_EQ(first.persons[i].NextTime, second.persons[i].NextTime);
    }
}

} // namespace
} // namespace doravo::testing
