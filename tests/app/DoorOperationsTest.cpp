// The door operations over a plan with door shapes and the site model:
// finding doors by pass, the events of passages, refusals and blocking, the
// automatic close and its list, person cards by the options, and a walker of
// the emulation going through a door.
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>

#include "AppOptions.h"
#include "DoorOperations.h"

namespace doravo {
namespace {

using kest::TKestControl;
using kest::TKestPanel;
using kest::TKestScheme;

constexpr int32_t AnnId = 11;
constexpr double Start = 46000.5; // a day at noon

const char* const SiteText = "[Personnel]\r\n"
                             "Count=2\r\n"
                             "Item0=11;Lee;Ann\r\n"
                             "Item1=12;Berg;Tom\r\n"
                             "[Zones]\r\n"
                             "Count=2\r\n"
                             "Item0=1;0;Hall\r\n"
                             "Item1=2;1;Office A\r\n"
                             "[Passes]\r\n"
                             "Count=4\r\n"
                             "Item0=7;0;1;Hall in\r\n"
                             "Item1=8;1;0;Hall out\r\n"
                             "Item2=9;1;2;Office in\r\n"
                             "Item3=10;2;1;Office out\r\n";

// Records the card calls as text: "plan|window|remove|hide pass actor alarm".
struct TCardLog : TDoorCards {
    std::vector<std::string> Calls;
    void ShowInPlanCard(int32_t passId, int32_t actor, TKestDoor*, bool alarm) override
    {
        Calls.push_back("plan " + std::to_string(passId) + " " + std::to_string(actor) + (alarm ? " alarm" : ""));
    }
    void RemoveInPlanCard(TKestDoor* door) override { Calls.push_back("remove " + std::to_string(door->PassA())); }
    void ShowCardWindow(int32_t passId, int32_t actor, TKestDoor*, bool alarm) override
    {
        Calls.push_back("window " + std::to_string(passId) + " " + std::to_string(actor) + (alarm ? " alarm" : ""));
    }
    void HideCardWindow(TKestDoor* door) override { Calls.push_back("hide " + std::to_string(door->PassA())); }
};

class DoorOperationsTest : public ::testing::Test {
protected:
    DoorOperationsTest()
        : clock(Start)
    {
        AppOptions = TAppOptions {};
        RegisterDoorClasses();
        const std::string path = QDir(dir.path()).filePath("doravo.ini").toStdString();
        std::ofstream(path, std::ios::binary) << SiteText;
        site = std::make_unique<TdmMain>(path, clock);
        doors = std::make_unique<TPlanDoors>(*site, panel);
        doors->SetCards(&cards);
        hall = AddDoor(7, 8);
        office = AddDoor(9, 10);
    }
    ~DoorOperationsTest() override { AppOptions = TAppOptions {}; }

    TKestDoor* AddDoor(int32_t passA, int32_t passB, kest::TKestControl* scheme = nullptr)
    {
        auto* door
            = TKestControl::Create<TKestDoor>(&panel, scheme ? scheme : panel.ActiveScheme(), panel.ActiveLayer());
        door->SetPassA(passA);
        door->SetPassB(passB);
        door->SetDoorState(dsOpened);
        doors->AddDoor(door);
        return door;
    }
    const TEventRec& LastEvent() const { return site->Events().back(); }
    size_t EventCount() const { return site->Events().size(); }
    void AdvanceSeconds(double seconds) { clock.Advance(int64_t(seconds * 1000)); }

    QTemporaryDir dir;
    TVirtualClock clock;
    TKestPanel panel;
    std::unique_ptr<TdmMain> site;
    std::unique_ptr<TPlanDoors> doors;
    TCardLog cards;
    TKestDoor* hall = nullptr;
    TKestDoor* office = nullptr;
};

TEST_F(DoorOperationsTest, DoorsAreFoundByEitherPassInRegistrationOrder)
{
    // Registered doors start closed.
    EXPECT_EQ(hall->DoorState(), dsClosed);
    EXPECT_EQ(doors->FindDoorByPass(7), hall);
    EXPECT_EQ(doors->FindDoorByPass(8), hall);
    EXPECT_EQ(doors->FindDoorByPass(10), office);
    EXPECT_EQ(doors->FindDoorByPass(99), nullptr);
    TKestDoor* second = AddDoor(7, 9);
    EXPECT_EQ(doors->FindDoorByPass(7), hall);
    EXPECT_NE(second, hall);

    // A pass without a door: nothing happens and nothing is written.
    const size_t before = EventCount();
    EXPECT_FALSE(doors->DoorPass(99, AnnId, true));
    doors->DoorBlock(99, true);
    EXPECT_EQ(EventCount(), before);
    EXPECT_TRUE(doors->TimeOuts().empty());
}

TEST_F(DoorOperationsTest, PassagesWriteWhoWentWhichWay)
{
    EXPECT_TRUE(doors->DoorPass(7, AnnId, true));
    EXPECT_EQ(LastEvent().Text, "Door 7 opened by Ann Lee");
    EXPECT_EQ(LastEvent().PassId, 7);
    EXPECT_EQ(LastEvent().PersonId, AnnId);
    EXPECT_EQ(LastEvent().Time, Start);
    EXPECT_EQ(hall->DoorState(), dsOpened);
    EXPECT_EQ(hall->AccessDir(), adForward);
    EXPECT_EQ(hall->DoorEvent(), deValid);
    EXPECT_TRUE(hall->Animating());

    EXPECT_TRUE(doors->DoorPass(7, 0, false));
    EXPECT_EQ(LastEvent().Text, "Door 7 closed by operator");
    EXPECT_EQ(LastEvent().PersonId, 0);
    EXPECT_EQ(hall->DoorState(), dsClosed);
    EXPECT_EQ(hall->DoorEvent(), deInactive);

    // Through the other pass the way is backward; an unknown card is an error.
    EXPECT_TRUE(doors->DoorPass(8, 4711, true));
    EXPECT_EQ(LastEvent().Text, "Door 8 opened by <unknown>");
    EXPECT_EQ(LastEvent().PersonId, 4711);
    EXPECT_EQ(hall->AccessDir(), adBackward);
    EXPECT_EQ(hall->DoorEvent(), deError);

    // The other door is untouched.
    EXPECT_EQ(office->DoorState(), dsClosed);
    EXPECT_EQ(office->AccessDir(), adUnknown);
}

TEST_F(DoorOperationsTest, TwoOpeningsWithinThreeSecondsKeepOneCloseFromTheSecond)
{
    doors->tmTimeOuts().SetEnabled(true);
    doors->DoorPass(7, AnnId, true);
    ASSERT_EQ(doors->TimeOuts().size(), 1u);
    AdvanceSeconds(2);
    doors->DoorPass(8, 12, true);
    ASSERT_EQ(doors->TimeOuts().size(), 1u);
    EXPECT_EQ(doors->TimeOuts()[0].Door, hall);
    EXPECT_EQ(doors->TimeOuts()[0].PassId, 8);
    EXPECT_NEAR(doors->TimeOuts()[0].CloseTime, Start + 5 / SecsPerDay, 1e-9);
    const size_t opened = EventCount();

    // Three seconds after the first opening the door still stands open.
    AdvanceSeconds(2.5);
    EXPECT_EQ(hall->DoorState(), dsOpened);
    EXPECT_EQ(EventCount(), opened);

    // About three to four seconds after the second it closes by itself.
    AdvanceSeconds(2);
    EXPECT_EQ(hall->DoorState(), dsClosed);
    ASSERT_EQ(EventCount(), opened + 1);
    EXPECT_EQ(LastEvent().Text, "Door 8 closed by timeout");
    EXPECT_EQ(LastEvent().PersonId, -1);
    EXPECT_EQ(LastEvent().PassId, 8);
    // The automatic close keeps what happened last.
    EXPECT_EQ(hall->DoorEvent(), deValid);
    EXPECT_TRUE(doors->TimeOuts().empty());

    // Nothing more happens later.
    AdvanceSeconds(10);
    EXPECT_EQ(EventCount(), opened + 1);
}

TEST_F(DoorOperationsTest, EachDoorHasItsOwnClose)
{
    doors->tmTimeOuts().SetEnabled(true);
    doors->DoorPass(7, AnnId, true);
    AdvanceSeconds(2);
    doors->DoorPass(9, AnnId, true);
    ASSERT_EQ(doors->TimeOuts().size(), 2u);
    AdvanceSeconds(2);
    EXPECT_EQ(hall->DoorState(), dsClosed);
    EXPECT_EQ(office->DoorState(), dsOpened);
    ASSERT_EQ(doors->TimeOuts().size(), 1u);
    EXPECT_EQ(doors->TimeOuts()[0].Door, office);
    AdvanceSeconds(2);
    EXPECT_EQ(office->DoorState(), dsClosed);
    EXPECT_EQ(LastEvent().Text, "Door 9 closed by timeout");
}

TEST_F(DoorOperationsTest, BlockingTwiceWritesOneEventAndKeepsTheDoorAsItStands)
{
    doors->DoorPass(7, AnnId, true);
    const size_t before = EventCount();
    doors->DoorBlock(8, true);
    doors->DoorBlock(7, true);
    ASSERT_EQ(EventCount(), before + 1);
    EXPECT_EQ(LastEvent().Text, "Door 8 blocked by operator");
    EXPECT_EQ(LastEvent().PassId, 8);
    EXPECT_EQ(LastEvent().PersonId, 0);
    EXPECT_EQ(hall->DoorEvent(), deBroken);
    EXPECT_EQ(hall->DoorState(), dsOpened);
    EXPECT_EQ(hall->AccessDir(), adForward);

    doors->DoorBlock(7, false);
    doors->DoorBlock(7, false);
    ASSERT_EQ(EventCount(), before + 2);
    EXPECT_EQ(LastEvent().Text, "Door 7 unblocked by operator");
    EXPECT_EQ(hall->DoorEvent(), deInactive);
    EXPECT_EQ(hall->DoorState(), dsOpened);
}

TEST_F(DoorOperationsTest, ABlockedClosedDoorRefusesAndShowsTheAlarmWhateverTheOptions)
{
    doors->DoorBlock(7, true);
    cards.Calls.clear();
    doors->SetInactive(true);
    EXPECT_FALSE(doors->DoorPass(7, AnnId, true));
    EXPECT_EQ(LastEvent().Text, "Attempt to open blocked door 7 by Ann Lee");
    EXPECT_EQ(LastEvent().PersonId, AnnId);
    EXPECT_EQ(hall->DoorState(), dsClosed);
    EXPECT_EQ(hall->DoorEvent(), deBroken);
    EXPECT_TRUE(doors->TimeOuts().empty());
    EXPECT_EQ(cards.Calls, (std::vector<std::string> {"plan 7 11 alarm"}));

    // Card windows: only for a door on the shown scheme.
    AppOptions.ShowCardsInKest = false;
    EXPECT_FALSE(doors->DoorPass(8, 12, true));
    EXPECT_EQ(cards.Calls.back(), "window 8 12 alarm");
    auto* floor = TKestControl::Create<TKestScheme>(&panel, panel.Schemes());
    TKestDoor* upstairs = AddDoor(20, 21, floor);
    doors->DoorBlock(20, true);
    const size_t calls = cards.Calls.size();
    EXPECT_FALSE(doors->DoorPass(20, 12, true));
    EXPECT_EQ(cards.Calls.size(), calls);
    EXPECT_EQ(upstairs->DoorState(), dsClosed);
    EXPECT_EQ(LastEvent().Text, "Attempt to open blocked door 20 by Tom Berg");
}

TEST_F(DoorOperationsTest, ABlockedOpenDoorLetsPeopleThroughAndIsNotClosedByTheTimeOut)
{
    doors->tmTimeOuts().SetEnabled(true);
    doors->DoorPass(7, AnnId, true);
    doors->DoorBlock(7, true);
    EXPECT_TRUE(doors->DoorPass(8, 12, true));
    EXPECT_EQ(LastEvent().Text, "Attempt to open blocked door 8 by Tom Berg");
    // The refused-or-not passage changes nothing on the door.
    EXPECT_EQ(hall->AccessDir(), adForward);

    AdvanceSeconds(4.5);
    EXPECT_EQ(LastEvent().Text, "Attempt to close blocked door 7 by timeout");
    EXPECT_EQ(LastEvent().PersonId, -1);
    EXPECT_EQ(hall->DoorState(), dsOpened);
    EXPECT_TRUE(doors->TimeOuts().empty());
    const size_t events = EventCount();
    AdvanceSeconds(5);
    EXPECT_EQ(EventCount(), events);
    EXPECT_EQ(hall->DoorState(), dsOpened);

    // The operator's close is refused too while blocked.
    EXPECT_TRUE(doors->DoorPass(7, 0, false));
    EXPECT_EQ(LastEvent().Text, "Attempt to close blocked door 7 by operator");
    EXPECT_EQ(hall->DoorState(), dsOpened);
}

TEST_F(DoorOperationsTest, PersonCardsFollowTheOptions)
{
    // Off by default.
    doors->DoorPass(7, AnnId, true);
    doors->DoorPass(7, 0, false);
    EXPECT_TRUE(cards.Calls.empty());

    AppOptions.ShowPersonsCards = true;
    doors->DoorPass(7, AnnId, true);
    doors->DoorPass(7, 0, false);
    EXPECT_EQ(cards.Calls, (std::vector<std::string> {"plan 7 11", "remove 7"}));

    cards.Calls.clear();
    AppOptions.ShowCardsInKest = false;
    doors->DoorPass(8, 12, true);
    doors->DoorPass(8, -1, false);
    EXPECT_EQ(cards.Calls, (std::vector<std::string> {"window 8 12", "hide 7"}));

    // Not for a door on another page, nor while the application is inactive.
    cards.Calls.clear();
    auto* floor = TKestControl::Create<TKestScheme>(&panel, panel.Schemes());
    AddDoor(20, 21, floor);
    doors->DoorPass(20, AnnId, true);
    doors->SetInactive(true);
    AppOptions.ShowCardsInKest = true;
    doors->DoorPass(9, AnnId, true);
    EXPECT_TRUE(cards.Calls.empty());
}

TEST_F(DoorOperationsTest, AWalkerOfTheEmulationGoesThroughTheDoor)
{
    // Walkers start 5 to 25 s after start-up from outside; the first door
    // on the way to the office is the hall's.
    TPersonRec& ann = site->Persons()[size_t(site->FindPerson(AnnId))];
    ASSERT_EQ(ann.Role, 2);
    ann.NextTime = Start;
    site->MovementTick();
    EXPECT_EQ(ann.ZoneId, 1);
    EXPECT_EQ(hall->DoorState(), dsOpened);
    EXPECT_EQ(LastEvent().Text, "Door 7 opened by Ann Lee");

    // A blocked door keeps the walker where it is.
    doors->DoorBlock(9, true);
    ann.NextTime = Start;
    site->MovementTick();
    EXPECT_EQ(ann.ZoneId, 1);
    EXPECT_EQ(LastEvent().Text, "Attempt to open blocked door 9 by Ann Lee");
    doors->DoorBlock(9, false);
    site->MovementTick();
    EXPECT_EQ(ann.ZoneId, 2);
    EXPECT_EQ(office->AccessDir(), adForward);
}

} // namespace
} // namespace doravo
