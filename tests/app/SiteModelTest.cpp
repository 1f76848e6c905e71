// The site model: loading persons, zones and passes, the first placement,
// walks through the zone tree, the journal, and bad site data.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "KestError.h"
#include "SiteTestSupport.h"

namespace doravo::testing {
namespace {

constexpr double Start = 45000.0;

double SecondsSince(double from, double to)
{
    return (to - from) * SecsPerDay;
}

// A settings file, a virtual clock and the data module over them.
struct TSite {
    TScratch scratch;
    TVirtualClock clock {Start};
    std::unique_ptr<TdmMain> module;

    explicit TSite(const std::string& text)
    {
        WriteText(scratch.Path("doravo.ini"), text);
        module = std::make_unique<TdmMain>(scratch.Path("doravo.ini"), clock);
    }
    TPersonRec& Person(size_t i) { return module->Persons()[i]; }
    // Puts persons_[i] into zone at once, its next action due now.
    void Place(size_t i, int32_t zoneId, int32_t targetId)
    {
        TPersonRec& person = Person(i);
        if (TZoneRec* zone = module->FindZone(person.ZoneId))
            --zone->Count;
        person.ZoneId = zoneId;
        ++module->FindZone(zoneId)->Count;
        person.TargetZoneId = targetId;
        person.Moving = targetId != 0;
        person.NextTime = clock.Now();
    }
    // Ticks once a second until persons_[i] stops moving (at most limit s);
    // returns the zones it entered.
    std::vector<int32_t> Walk(size_t i, int limit = 200)
    {
        std::vector<int32_t> entered;
        module->OnPersonMoved = [&](TdmMain*) { entered.push_back(Person(i).ZoneId); };
        module->tmMovements().SetEnabled(true);
        for (int s = 0; s < limit && (Person(i).Moving || entered.empty()); ++s)
            clock.Advance(1000);
        module->tmMovements().SetEnabled(false);
        module->OnPersonMoved = nullptr;
        return entered;
    }
};

TSiteText People(int count, bool residentZone)
{
    TSiteText site;
    for (int i = 1; i <= count; ++i)
        site.Person(i, "Last" + std::to_string(i), "First" + std::to_string(i));
    if (residentZone)
        site.Zone(100, 0, "Security");
    site.Zone(1, 0, "Office 1");
    return site;
}

TEST(SiteModelTest, PlacementIsTheSameOnEveryStartAndFollowsTheRules)
{
    const std::string text = People(20, true).Text();
    TSite first(text), second(text);
    ASSERT_EQ(first.module->Persons().size(), 20u);

    // The residents as the seeded generator picks them.
    TSiteRandom random;
    random.SetSeed(777);
    const size_t one = size_t(Round(random.Random() * 19));
    size_t two = size_t(Round(random.Random() * 19));
    if (two == one)
        two = (two + 1) % 20;
    std::set<int64_t> delays;
    for (size_t i = 0; i < 20; ++i) {
        const TPersonRec& p = first.Person(i);
        const TPersonRec& q = second.Person(i);
        EXPECT_EQ(p.Role, q.Role);
        EXPECT_EQ(p.NextTime, q.NextTime);
        EXPECT_FALSE(p.Moving);
        EXPECT_EQ(p.TimeEnter, 0);
        if (i == one || i == two) {
            EXPECT_EQ(p.Role, 1) << i;
            EXPECT_EQ(p.ZoneId, 100);
            continue;
        }
        EXPECT_EQ(p.Role, 2) << i;
        EXPECT_EQ(p.ZoneId, 0);
        const double delay = SecondsSince(Start, p.NextTime);
        EXPECT_NEAR(delay, std::round(delay), 1e-6);
        EXPECT_GE(std::round(delay), 5);
        EXPECT_LE(std::round(delay), 25);
        delays.insert(std::llround(delay));
    }
    EXPECT_GT(delays.size(), 5u);
    EXPECT_EQ(first.module->FindZone(100)->Count, 2);
    EXPECT_EQ(first.module->FindZone(1)->Count, 0);
    EXPECT_EQ(first.module->Offices().size(), 1u);
}

TEST(SiteModelTest, PlacementWithFewPersonsOrNoResidentZone)
{
    TSite single(People(1, true).Text());
    EXPECT_EQ(single.Person(0).Role, 1);
    EXPECT_EQ(single.module->FindZone(100)->Count, 1); // the one resident placed, counted as such

    TSite none(People(0, true).Text());
    EXPECT_EQ(none.module->FindZone(100)->Count, 0);

    TSite noHome(People(3, false).Text());
    for (const TPersonRec& p : noHome.module->Persons())
        EXPECT_EQ(p.Role, 2);
}

TEST(SiteModelTest, WalkerWhoseTargetIsItsOwnZoneStopsAtOnce)
{
    TSite site(People(1, false).Text());
    TOpenDoors doors(*site.module);
    site.Place(0, 1, 0);
    site.module->MovementTick();
    const TPersonRec& p = site.Person(0);
    EXPECT_FALSE(p.Moving);
    EXPECT_EQ(p.TargetZoneId, 0);
    EXPECT_EQ(p.ZoneId, 1);
    EXPECT_TRUE(doors.calls.empty());
    const double pause = SecondsSince(site.clock.Now(), p.NextTime);
    EXPECT_GE(pause, -1e-6);
    EXPECT_LE(pause, 300 + 1e-6);
    EXPECT_EQ(site.module->FindZone(1)->Count, 1);
}

TSiteText Campus(bool withInnerPass)
{
    TSiteText site;
    site.Person(5, "Lee", "Ann");
    site.Zone(10, 0, "Building A");
    site.Zone(11, 10, "Floor A1");
    site.Zone(12, 11, "Office A");
    site.Zone(20, 0, "Building B");
    site.Zone(21, 20, "Floor B1");
    site.Zone(22, 21, "Office B");
    site.Door(1, 0, 10);
    if (withInnerPass)
        site.Door(3, 10, 11);
    site.Door(5, 11, 12);
    site.Door(7, 20, 21);
    site.Door(9, 21, 22);
    site.Door(11, 10, 20);
    site.Door(13, 0, 20);
    site.Pass(99, 0, 10); // a second pass of the same pair is never taken
    site.Pass(1, 10, 0); // nor a second pass of the same id found
    return site;
}

TEST(SiteModelTest, WalkFromOutsideGoesDownTheTreeDoorByDoor)
{
    TSite site(Campus(true).Text());
    TOpenDoors doors(*site.module);
    TPersonRec& p = site.Person(0);
    p.TargetZoneId = 12;
    p.Moving = true;
    p.NextTime = site.clock.Now();
    std::vector<double> times;
    site.module->OnEvent = [&](TdmMain* sender) { times.push_back(sender->Clock().Now()); };
    EXPECT_EQ(site.Walk(0), (std::vector<int32_t> {10, 11, 12}));
    ASSERT_EQ(doors.calls.size(), 3u);
    EXPECT_EQ(doors.calls[0].passId, 1);
    EXPECT_EQ(site.module->Passes()[site.module->FindPass(1)].ZoneTo, 10);
    EXPECT_EQ(doors.calls[1].passId, 3);
    EXPECT_EQ(doors.calls[2].passId, 5);
    for (const auto& call : doors.calls) {
        EXPECT_EQ(call.actor, 5);
        EXPECT_TRUE(call.open);
    }
    ASSERT_EQ(times.size(), 3u);
    for (size_t i = 1; i < times.size(); ++i) {
        const double gap = SecondsSince(times[i - 1], times[i]);
        EXPECT_GE(gap, 5 - 1e-6);
        EXPECT_LE(gap, 16 + 1e-6); // 5..15 s, plus the tick it may wait for
    }
    EXPECT_FALSE(p.Moving);
    EXPECT_EQ(p.TargetZoneId, 0);
    EXPECT_EQ(p.TimeEnter, times.back());
    EXPECT_EQ(p.TimeLeave, 0);
    for (const TZoneRec& zone : site.module->Zones())
        EXPECT_EQ(zone.Count, zone.Id == 12 ? 1 : 0) << zone.Id;
}

TEST(SiteModelTest, WalkBetweenBuildingsCrossesTheirTopLevelZones)
{
    TSite site(Campus(true).Text());
    TOpenDoors doors(*site.module);
    site.Place(0, 12, 22);
    EXPECT_EQ(site.Walk(0), (std::vector<int32_t> {11, 10, 20, 21, 22}));
    EXPECT_EQ(site.Person(0).TimeLeave, 0); // never outside
    EXPECT_EQ(site.module->FindZone(22)->Count, 1);
    EXPECT_EQ(site.module->FindZone(12)->Count, 0);
}

TEST(SiteModelTest, MissingPassIsJournalledAtEveryTry)
{
    TSite site(Campus(false).Text());
    TOpenDoors doors(*site.module);
    site.Place(0, 10, 12);
    site.module->tmMovements().SetEnabled(true);
    site.clock.Advance(10000);
    const auto& events = site.module->Events();
    ASSERT_GE(events.size(), 10u);
    for (const TEventRec& e : events) {
        EXPECT_EQ(e.Text, "Ann Lee can't find door from Building A to Floor A1");
        EXPECT_EQ(e.PassId, 0);
        EXPECT_EQ(e.PersonId, 5);
    }
    EXPECT_EQ(site.Person(0).ZoneId, 10);
    EXPECT_TRUE(site.Person(0).Moving);
    EXPECT_TRUE(doors.calls.empty());

    // From outside with no pass at all.
    TSiteText bare;
    bare.Person(8, "Doe", "Jo");
    bare.Zone(3, 0, "Office 3");
    TSite lonely(bare.Text());
    TOpenDoors lonelyDoors(*lonely.module);
    lonely.Person(0).NextTime = lonely.clock.Now();
    lonely.module->MovementTick();
    ASSERT_EQ(lonely.module->Events().size(), 1u);
    EXPECT_EQ(lonely.module->Events()[0].Text, "Jo Doe can't find door from [outside] to Office 3");
}

TEST(SiteModelTest, RefusedDoorIsRetried)
{
    TSite site(Campus(true).Text());
    TOpenDoors doors(*site.module);
    doors.refuse = true;
    site.Place(0, 10, 12);
    const double due = site.Person(0).NextTime;
    site.module->tmMovements().SetEnabled(true);
    site.clock.Advance(3000);
    ASSERT_EQ(doors.calls.size(), 3u); // a moving walker tries every tick
    EXPECT_EQ(doors.calls[2].passId, 3);
    EXPECT_EQ(site.Person(0).ZoneId, 10);
    EXPECT_EQ(site.Person(0).NextTime, due);
    doors.refuse = false;
    site.clock.Advance(1000);
    EXPECT_EQ(site.Person(0).ZoneId, 11);

    // No door operations at all: nobody moves and nothing is journalled.
    TSite doorless(Campus(true).Text());
    doorless.Place(0, 10, 12);
    doorless.module->MovementTick();
    EXPECT_EQ(doorless.Person(0).ZoneId, 10);
    EXPECT_TRUE(doorless.module->Events().empty());
}

TEST(SiteModelTest, JournalTrimsAtFiftyThousand)
{
    TSite site("");
    size_t raised = 0;
    site.module->OnEvent = [&](TdmMain* sender) {
        EXPECT_EQ(sender, site.module.get());
        ++raised;
    };
    const double firstTime = site.clock.Now();
    for (size_t i = 0; i < MaxEvents; ++i) {
        site.module->AddEvent("e" + std::to_string(i), int32_t(i % 7), int32_t(i % 5) + 1);
        site.clock.Advance(10);
    }
    EXPECT_EQ(site.module->Events().size(), MaxEvents);
    site.module->AddEvent(std::string(300, 'x'), 3, 4);
    const auto& events = site.module->Events();
    ASSERT_EQ(events.size(), 49001u);
    EXPECT_EQ(events[0].Text, "System online (old events deleted)");
    EXPECT_EQ(events[0].PersonId, 0);
    EXPECT_EQ(events[0].PassId, 0);
    EXPECT_EQ(events[0].Time, firstTime);
    EXPECT_EQ(events[1].Text, "e1001");
    EXPECT_EQ(events[48999].Text, "e49999");
    EXPECT_EQ(events.back().Text, std::string(255, 'x'));
    EXPECT_EQ(events.back().PassId, 3);
    EXPECT_EQ(events.back().PersonId, 4);
    EXPECT_EQ(events.back().Time, site.clock.Now());
    EXPECT_EQ(raised, MaxEvents + 1);
}

TEST(SiteModelTest, LoadingKeepsFileOrderAndSkipsWhatIsNotThere)
{
    const std::string longName(40, 'n');
    const std::string text = "[personnel]\nCOUNT=6\nItem0=1;" + longName
        + ";Ann\nItem2=\nitem3=3;Lee\n"
          "Item3=99;Second;Ignored\nItem04=4;Zero;Lead\nItem5=5;"
        + std::string(30, 'a')
        + "\xC3\xA9;Five\nItem6=6;Beyond;Count\n"
          "[Zones]\nCount=4\nItem0=7;0;"
        + std::string(70, 'z')
        + "\nItem1=8;7;Office 8\nItem2=9;7;office 9\n"
          "Item3=10;8;Offices\n[Passes]\nCount=1\nItem0=1;0;7\n";
    TSite site(text);
    const auto& persons = site.module->Persons();
    ASSERT_EQ(persons.size(), 3u);
    EXPECT_EQ(persons[0].LastName, std::string(31, 'n'));
    EXPECT_EQ(persons[0].FirstName, "Ann");
    EXPECT_EQ(persons[1].Id, 3); // the first "Item3" wins, case ignored
    EXPECT_EQ(persons[1].LastName, "Lee");
    EXPECT_EQ(persons[1].FirstName, "");
    EXPECT_EQ(persons[2].Id, 5);
    EXPECT_EQ(persons[2].LastName, std::string(30, 'a')); // not half a character
    EXPECT_EQ(site.module->Zones()[0].Name, std::string(63, 'z'));
    ASSERT_EQ(site.module->Offices().size(), 2u); // "Office 8", "Offices"; not "office 9"
    EXPECT_EQ(site.module->Zones()[site.module->Offices()[0]].Id, 8);
    EXPECT_EQ(site.module->Zones()[site.module->Offices()[1]].Id, 10);
    ASSERT_EQ(site.module->Passes().size(), 1u);
    EXPECT_EQ(site.module->Passes()[0].Name, "");
    EXPECT_EQ(site.module->FindPass(1), 0);
    EXPECT_EQ(site.module->FindPass(2), -1);
    EXPECT_EQ(site.module->FindZoneIndex(9), 2);
    EXPECT_EQ(site.module->FindPerson(5), 2);
    EXPECT_EQ(dmMain, site.module.get());
}

TEST(SiteModelTest, BadSiteDataIsRefusedWithItsPlace)
{
    TScratch scratch;
    TVirtualClock clock(Start);
    const std::string path = scratch.Path("bad.ini");
    auto message = [&](const std::string& text) -> std::string {
        WriteText(path, text);
        try {
            TdmMain module(path, clock);
        } catch (const kest::EKestError& e) {
            EXPECT_EQ(dmMain, nullptr);
            return e.what();
        }
        return "no error";
    };
    const std::string head = "Settings file \"" + path + "\", section ";
    EXPECT_EQ(message("[Personnel]\nCount=2\nItem0=1;A;B\nItem1=x7;Lee;Ann\n"),
        head + "\"Personnel\", key \"Item1\": \"x7\" is not an integer");
    EXPECT_EQ(message("[Zones]\nCount=1\nitem0=5;;Hall\n"), head + "\"Zones\", key \"item0\": \"\" is not an integer");
    EXPECT_EQ(message("[Passes]\nCount=1\nItem0=1;2;3 ;Gate\n"),
        head + "\"Passes\", key \"Item0\": \"3 \" is not an integer");
    EXPECT_EQ(message("[Zones]\nCount=ten\n"), head + "\"Zones\", key \"Count\": \"ten\" is not an integer");
    EXPECT_EQ(message("[Zones]\nCount=3\nItem0=1;3;Hall\nItem1=2;1;Stairs\nItem2=3;2;Roof\n"),
        head + "\"Zones\": zone 1 \"Hall\" is inside itself through its parents");
    EXPECT_EQ(message("[Zones]\nCount=2\nItem0=1;0;Hall\nItem1=5;5;Loop\n"),
        head + "\"Zones\": zone 5 \"Loop\" is inside itself through its parents");
    // A deep but proper tree and a huge count load.
    std::string deep = "[Zones]\nCount=2000000000\n";
    for (int i = 1; i <= 3000; ++i)
        deep += "Item" + std::to_string(i - 1) + "=" + std::to_string(i) + ";" + std::to_string(i - 1) + ";Z\n";
    EXPECT_EQ(message(deep), "no error");
}

} // namespace
} // namespace doravo::testing
