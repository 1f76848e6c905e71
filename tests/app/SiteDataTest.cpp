// The station's checked-in plan and settings file agree: every pass has its
// one door, each door stands between the two zones its passes name (probed
// on the drawing at both sides of the door), every zone shape and caption
// names a zone of the file, every office is reached from outside and from
// every other office through the real doors, and everything the windows
// look up by name exists with the right kind, layer and user data.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "HeadlessStation.h"
#include "KestControls.h"

namespace doravo {
namespace {

using namespace kest;

const std::string Resources = DORAVO_SOURCE_RESOURCES;

class SiteDataTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RegisterShapeClasses();
        RegisterDoorClasses();
    }

    SiteDataTest()
        : clock(46000.5)
        , station(Resources + "/doravo.ksd", Resources + "/doravo.ini", clock, log)
    {
    }

    TKestPanel& Panel() { return station.Panel(); }
    TdmMain& Site() { return station.Site(); }

    TKestCustomScheme* SchemeNamed(const std::string& name)
    {
        for (int i = 0; i < Panel().Schemes()->Count(); ++i)
            if (Panel().Schemes()->ByIndex(i)->Name() == name)
                return Panel().Schemes()->ByIndex(i);
        return nullptr;
    }

    // Objects of a subtree, the root not counted.
    static std::vector<TKestControl*> Objects(TKestControl* root)
    {
        std::vector<TKestControl*> all;
        root->ForEach([&](TKestControl* c) {
            if (c != root)
                all.push_back(c);
            return true;
        });
        return all;
    }

    static bool IsZoneShape(TKestControl* c)
    {
        return c->UserData().IndexOfName("ZoneID") >= 0 && c->UserData().IndexOfName("Level") >= 0;
    }
    static int32_t ZoneIdOf(TKestControl* c) { return std::stoi(c->UserData().GetValueByName("ZoneID")); }

    // The zone whose shape is topmost at a document point of a scheme; 0
    // where no zone is drawn (outside).
    int32_t ZoneAt(TKestCustomScheme* scheme, TKestPoint p)
    {
        int32_t zone = 0;
        for (TKestControl* c : Objects(scheme)) {
            const TKestRect r = c->DocRect();
            if (IsZoneShape(c) && p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom)
                zone = ZoneIdOf(c);
        }
        return zone;
    }

    TVirtualClock clock;
    std::ostringstream log;
    THeadlessStation station;
};

TEST_F(SiteDataTest, SettingsDescribeASiteTheStationCanRun)
{
    std::set<int32_t> persons, zones, passes;
    for (const TPersonRec& p : Site().Persons()) {
        EXPECT_TRUE(persons.insert(p.Id).second) << "person id twice: " << p.Id;
        EXPECT_GT(p.Id, 0);
        EXPECT_FALSE(p.FirstName.empty() || p.LastName.empty());
    }
    EXPECT_GE(persons.size(), 40u);
    for (const TZoneRec& z : Site().Zones())
        EXPECT_TRUE(zones.insert(z.Id).second) << "zone id twice: " << z.Id;
    for (const TPassRec& p : Site().Passes())
        EXPECT_TRUE(passes.insert(p.Id).second) << "pass id twice: " << p.Id;
    ASSERT_NE(Site().FindZone(ResidentZoneId), nullptr);
    EXPECT_GE(Site().Offices().size(), 12u);
    // Every chain of enclosing zones ends outside.
    for (const TZoneRec& z : Site().Zones()) {
        int32_t id = z.Id;
        for (size_t depth = 0; id != 0 && Site().FindZone(id); ++depth) {
            ASSERT_LT(depth, Site().Zones().size()) << "zone " << z.Id << " encloses itself";
            id = Site().FindZone(id)->ParentId;
        }
    }
    // The two residents sit in zone 100; the others walk.
    int residents = 0;
    for (const TPersonRec& p : Site().Persons())
        residents += p.Role == 1 && p.ZoneId == ResidentZoneId;
    EXPECT_EQ(residents, 2);
}

TEST_F(SiteDataTest, EveryPassHasExactlyOneDoorBetweenItsZones)
{
    const std::vector<TKestDoor*>& doors = station.Doors().Doors();
    ASSERT_FALSE(doors.empty());
    std::map<int32_t, int> doorsOfPass;
    for (TKestDoor* door : doors) {
        ++doorsOfPass[door->PassA()];
        ++doorsOfPass[door->PassB()];
        const int a = Site().FindPass(door->PassA()), b = Site().FindPass(door->PassB());
        ASSERT_GE(a, 0) << "door with unknown pass " << door->PassA();
        ASSERT_GE(b, 0) << "door with unknown pass " << door->PassB();
        const TPassRec& forward = Site().Passes()[size_t(a)];
        const TPassRec& backward = Site().Passes()[size_t(b)];
        EXPECT_EQ(forward.ZoneFrom, backward.ZoneTo) << "door of pass " << forward.Id;
        EXPECT_EQ(forward.ZoneTo, backward.ZoneFrom) << "door of pass " << forward.Id;
        EXPECT_NE(forward.ZoneFrom, forward.ZoneTo);

        // Forward is rightwards through a vertical door, downwards through a
        // horizontal one: the drawing must show the pass's zones there.
        const TKestRect r = door->DocRect();
        const TKestPoint centre {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
        const int32_t reach = 25 * PixelScale;
        const bool vertical = door->Orientation() == doVertical;
        const TKestPoint before
            = vertical ? TKestPoint {centre.X - reach, centre.Y} : TKestPoint {centre.X, centre.Y - reach};
        const TKestPoint after
            = vertical ? TKestPoint {centre.X + reach, centre.Y} : TKestPoint {centre.X, centre.Y + reach};
        TKestCustomScheme* scheme = door->ParentScheme();
        EXPECT_EQ(ZoneAt(scheme, before), forward.ZoneFrom) << "before the door of pass " << forward.Id;
        EXPECT_EQ(ZoneAt(scheme, after), forward.ZoneTo) << "after the door of pass " << forward.Id;
    }
    for (const TPassRec& pass : Site().Passes())
        EXPECT_EQ(doorsOfPass[pass.Id], 1) << "pass " << pass.Id << " " << pass.Name;
    EXPECT_EQ(doorsOfPass.size(), Site().Passes().size());
}

TEST_F(SiteDataTest, ZoneShapesAndCaptionsNameZonesOfTheFile)
{
    std::set<int32_t> shaped, captioned;
    TKestLayer* names = Panel().Layers()->ByName("ZoneNames");
    ASSERT_NE(names, nullptr);
    for (TKestControl* c : Objects(Panel().Schemes())) {
        if (c->Name() == "ZoneName") {
            ASSERT_NE(dynamic_cast<TKestText*>(c), nullptr);
            EXPECT_EQ(c->Layer(), names);
            ASSERT_NE(Site().FindZone(ZoneIdOf(c)), nullptr) << "caption of zone " << ZoneIdOf(c);
            captioned.insert(ZoneIdOf(c));
            continue;
        }
        if (!IsZoneShape(c))
            continue;
        const TZoneRec* zone = Site().FindZone(ZoneIdOf(c));
        ASSERT_NE(zone, nullptr) << "shape of zone " << ZoneIdOf(c);
        shaped.insert(zone->Id);
        int32_t level = 0;
        for (int32_t id = zone->Id; id != 0 && Site().FindZone(id); id = Site().FindZone(id)->ParentId)
            ++level;
        EXPECT_EQ(c->UserData().GetValueByName("Level"), std::to_string(level)) << zone->Name;
        // The pale green the hover rule turns yellow and back.
        auto* box = dynamic_cast<TKestBox*>(c);
        ASSERT_NE(box, nullptr);
        const TColor fill = box->Brush()->Color();
        EXPECT_EQ((fill >> 8) & 0xFF, 0xFFu) << zone->Name;
        EXPECT_EQ(fill & 0xFF, (fill >> 16) & 0xFF) << zone->Name;
        EXPECT_LT(fill & 0xFF, 0xFFu) << zone->Name;
    }
    for (const TZoneRec& z : Site().Zones()) {
        EXPECT_TRUE(shaped.count(z.Id)) << "no shape for zone " << z.Name;
        EXPECT_TRUE(captioned.count(z.Id)) << "no caption for zone " << z.Name;
    }
}

TEST_F(SiteDataTest, EveryOfficeIsReachedFromOutsideAndFromEveryOtherOffice)
{
    // One walker goes the station's own way, through the plan's doors.
    TPersonRec& walker = Site().Persons().back();
    const size_t index = Site().Persons().size() - 1;
    auto walk = [&](int32_t from, int32_t to) {
        walker.ZoneId = from;
        walker.TargetZoneId = to;
        for (int step = 0; step < 12 && walker.TargetZoneId != 0; ++step) {
            clock.Advance(5000); // past the automatic closes
            Site().StepPerson(index, clock.Now());
        }
        return walker.ZoneId;
    };
    for (size_t i : Site().Offices()) {
        const int32_t office = Site().Zones()[i].Id;
        EXPECT_EQ(walk(0, office), office) << "from outside to " << Site().Zones()[i].Name;
        for (size_t j : Site().Offices()) {
            const int32_t other = Site().Zones()[j].Id;
            EXPECT_EQ(walk(office, other), other) << Site().Zones()[i].Name << " to " << Site().Zones()[j].Name;
        }
    }
    EXPECT_EQ(log.str().find("can't find door"), std::string::npos);
}

TEST_F(SiteDataTest, TheWindowsFindWhatTheyLookUp)
{
    // The page table: scheme, floor button, the floor it leads to.
    const struct {
        const char *scheme, *button;
    } pages[]
        = {{"MainPlan", nullptr}, {"AdmGrandFloor", "BtnGrand"}, {"AdmFloor1", "BtnFloor1"}, {"AdmFloor2", "BtnFloor2"},
            {"ControlPost", nullptr}, {"ProdGrandFloor", "BtnGrand"}, {"ProdFloor1", "BtnFloor1"},
            {"ProdFloor2", "BtnFloor2"}, {"TechGrandFloor", "BtnGrand"}, {"TechFloor1", "BtnFloor1"}};
    for (const auto& page : pages) {
        TKestCustomScheme* scheme = SchemeNamed(page.scheme);
        ASSERT_NE(scheme, nullptr) << page.scheme;
        if (!page.button)
            continue;
        // Every floor of the building carries the button to this floor.
        for (const auto& other : pages)
            if (other.button && std::string(other.scheme).substr(0, 4) == std::string(page.scheme).substr(0, 4)) {
                TKestControl* button = SchemeNamed(other.scheme)->FindByName(page.button);
                ASSERT_NE(button, nullptr) << page.button << " on " << other.scheme;
                ASSERT_NE(button->Reference(), nullptr);
                EXPECT_EQ(button->Reference()->Name(), page.scheme) << page.button << " on " << other.scheme;
            }
    }
    const struct {
        const char *name, *target;
    } buildings[] = {{"Administrate", "AdmGrandFloor"}, {"Production", "ProdGrandFloor"},
        {"Tech center", "TechGrandFloor"}, {"Control Post", "ControlPost"}};
    TKestCustomScheme* main = SchemeNamed("MainPlan");
    for (const auto& b : buildings) {
        TKestControl* link = main->FindChildByName(b.name);
        ASSERT_NE(link, nullptr) << b.name;
        ASSERT_NE(link->Reference(), nullptr) << b.name;
        EXPECT_EQ(link->Reference()->Name(), b.target);
    }
    EXPECT_NE(dynamic_cast<TKestText*>(main->FindChildByName("Copyright")), nullptr);
    for (const char* layer : {"Building", "Lamps", "Cards", "ZoneNames"})
        EXPECT_NE(Panel().Layers()->ByName(layer), nullptr) << layer;

    // Lamps: on their layer, tags rising in document order.
    std::vector<int32_t> tags;
    for (TKestControl* c : Objects(Panel().Schemes()))
        if (c->Name() == "Lamp") {
            EXPECT_EQ(c->Layer(), Panel().Layers()->ByName("Lamps"));
            ASSERT_NE(dynamic_cast<TKestEllipse*>(c), nullptr);
            tags.push_back(c->Tag());
        }
    ASSERT_GE(tags.size(), 6u);
    for (size_t i = 1; i < tags.size(); ++i)
        EXPECT_LT(tags[i - 1], tags[i]);

    // The person card template.
    TKestControl* card = nullptr;
    for (TKestControl* c : Objects(Panel().Schemes()))
        if (c->Name() == "Card")
            card = card ? card : c;
    ASSERT_NE(dynamic_cast<TKestGroup*>(card), nullptr);
    EXPECT_EQ(card->UserData().GetValueByName("Type"), "Card");
    for (const char* text : {"Caption", "FirstName", "LastName", "Id"})
        EXPECT_NE(dynamic_cast<TKestText*>(card->FindChildByName(text)), nullptr) << text;
    auto* background = dynamic_cast<TKestPicture*>(card->FindChildByName("Background"));
    ASSERT_NE(background, nullptr);
    ASSERT_TRUE(background->Picture()->IsBitmap());
    EXPECT_EQ(background->Picture()->Width(), 1);
    EXPECT_EQ(background->Picture()->Height(), 2);
    EXPECT_NE(dynamic_cast<TKestBox*>(card->FindChildByName("Title")), nullptr);
    EXPECT_NE(dynamic_cast<TKestBox*>(card->FindChildByName("Frame")), nullptr);
}

} // namespace
} // namespace doravo
