// The floors of the three buildings, all drawn on one pattern: a stair hall
// at the left end (the building's own zone, on every floor), a corridor to
// the right of it, and rooms above and below the corridor, each with its
// door onto the corridor. The grand floors add the entrance from the yard.
#include "PlanSite.h"

#include <string>
#include <vector>

namespace doravo::gensite {

using namespace kest;

namespace {

// The building's outer walls on every floor page, and the parts inside.
constexpr int32_t X0 = 40, X1 = 760, Y0 = 100, Y1 = 480;
constexpr int32_t HallWidth = 130;

struct TFloorSpec {
    const char* Scheme;
    const char* Title;
    int32_t Building;
    int32_t Corridor;
    bool Grand;
    int32_t CorridorHeight;
    int32_t TopRooms; // the first rooms of the corridor lie above it
};

struct TBuildingSpec {
    const char* Title;
    std::vector<TFloorSpec> Floors;
};

const std::vector<TBuildingSpec>& Buildings()
{
    using namespace zone;
    static const std::vector<TBuildingSpec> buildings = {
        {"Administrative building",
            {
                {"AdmGrandFloor", "grand floor", AdmBuilding, AdmGrand, true, 60, 2},
                {"AdmFloor1", "floor 1", AdmBuilding, AdmFloor1, false, 60, 2},
                {"AdmFloor2", "floor 2", AdmBuilding, AdmFloor2, false, 60, 2},
            }},
        {"Production building",
            {
                {"ProdGrandFloor", "grand floor", ProdBuilding, ProdGrand, true, 170, 2},
                {"ProdFloor1", "floor 1", ProdBuilding, ProdFloor1, false, 60, 2},
                {"ProdFloor2", "floor 2", ProdBuilding, ProdFloor2, false, 60, 2},
            }},
        {"Technical center",
            {
                {"TechGrandFloor", "grand floor", TechBuilding, TechGrand, true, 60, 2},
                {"TechFloor1", "floor 1", TechBuilding, TechFloor1, false, 60, 2},
            }},
    };
    return buildings;
}

std::vector<int32_t> RoomsOf(const TSiteDesign& site, int32_t corridor)
{
    std::vector<int32_t> rooms;
    for (const TZoneDef& z : site.Zones())
        if (z.ParentId == corridor)
            rooms.push_back(z.Id);
    return rooms;
}

// Desks with chairs along the room's far wall; a store gets shelves.
void Furnish(TPlanKit& kit, TKestControl* scheme, const std::string& name, TPx room, bool farIsTop)
{
    const int32_t depth = 22;
    const int32_t y = farIsTop ? room.Y + 6 : room.Bottom() - 6 - depth;
    const int32_t chairY = farIsTop ? y + depth + 3 : y - 13;
    const bool shelves = name == "Warehouse" || name == "Archive" || name == "Storeroom" || name == "Tool store"
        || name == "Server room";
    const int32_t step = shelves ? 30 : 56;
    for (int32_t x = room.X + 10; x + step - 8 <= room.Right() - 8; x += step) {
        if (shelves) {
            kit.Box(scheme, kit.Building, {x, y, step - 10, depth}, 0xB0B0B0, 0x606060);
            continue;
        }
        kit.Box(scheme, kit.Building, {x, y, 44, depth}, color::Wood, 0x405880);
        kit.Ellipse(scheme, kit.Building, {x + 15, chairY, 12, 10}, 0x707070, 0x303030);
    }
}

// Flights of steps with the walking direction.
void Stairs(TPlanKit& kit, TKestControl* scheme, TPx r, bool up, bool down)
{
    kit.Box(scheme, kit.Building, r, 0xE8E8E8, 0x505050);
    const int32_t half = r.W / 2;
    kit.Box(scheme, kit.Building, {r.X + half - 1, r.Y, 3, r.H}, 0x505050);
    for (int32_t y = r.Y + 8; y < r.Bottom() - 2; y += 8) {
        kit.Box(scheme, kit.Building, {r.X + 2, y, half - 4, 1}, 0x808080);
        kit.Box(scheme, kit.Building, {r.X + half + 3, y, half - 5, 1}, 0x808080);
    }
    if (up)
        kit.Text(scheme, kit.Building, {r.X, r.Bottom() + 2, half, 14}, "up", 10, 0x404040, true);
    if (down)
        kit.Text(scheme, kit.Building, {r.X + half, r.Bottom() + 2, r.W - half, 14}, "down", 10, 0x404040, true);
}

// Machines of the assembly hall.
void Machines(TPlanKit& kit, TKestControl* scheme, TPx hall)
{
    for (int32_t x = hall.X + 40; x + 70 < hall.Right() - 20; x += 120) {
        kit.Box(scheme, kit.Building, {x, hall.Y + 50, 70, 40}, 0xA0A8B0, 0x404850);
        kit.Box(scheme, kit.Building, {x + 10, hall.Y + 58, 20, 24}, 0x60C0E0, 0x404850);
        kit.Box(scheme, kit.Building, {x + 30, hall.Y + 95, 10, 10}, 0x4040C0);
    }
    kit.Box(scheme, kit.Building, {hall.X + 20, hall.Y + 125, hall.W - 40, 12}, 0x909090, 0x505050);
}

void Floor(TPlanKit& kit, const TBuildingSpec& building, const TFloorSpec& floor)
{
    TSiteDesign& site = kit.Site();
    TKestScheme* scheme = kit.Scheme(floor.Scheme);
    const int32_t t = WallThickness;
    const int32_t hallRight = X0 + t + HallWidth; // the wall between hall and corridor
    const int32_t inner = hallRight + t;
    const int32_t cy = (Y0 + Y1) / 2 - floor.CorridorHeight / 2; // corridor top
    const int32_t cb = cy + floor.CorridorHeight; // corridor bottom
    const std::vector<int32_t> rooms = RoomsOf(site, floor.Corridor);
    const int32_t top = floor.TopRooms;
    const int32_t bottom = static_cast<int32_t>(rooms.size()) - top;

    kit.Text(scheme, kit.Building, {X0, 14, X1 - X0, 30}, std::string(building.Title) + " \xe2\x80\x94 " + floor.Title,
        20, 0x303030, true, taLeftJustify);
    if (floor.Grand) {
        kit.ZoneShape(scheme, zone::Territory, {0, 0, 800, 560}, color::Yard);
        kit.ZoneCaption(scheme, zone::Territory, {X0 + 150, Y1 + 30, 200, 20}, 13);
        kit.Box(scheme, kit.Building, {X0 + 40, Y1, 70, 80}, 0xD4D4D4); // the path to the entrance
    }

    // Zones: hall, corridor, rooms.
    kit.ZoneShape(scheme, floor.Building, {X0 + t, Y0 + t, HallWidth, Y1 - Y0 - 2 * t}, color::Hall);
    kit.ZoneCaption(scheme, floor.Building, {X0 + t + 5, Y0 + 170, HallWidth - 10, 40});
    kit.ZoneShape(scheme, floor.Corridor, {inner, cy, X1 - t - inner, floor.CorridorHeight}, color::Corridor);
    kit.ZoneCaption(scheme, floor.Corridor,
        {inner + 60, floor.CorridorHeight > 100 ? cb - 28 : cy + floor.CorridorHeight / 2 - 10, 300, 20});

    std::vector<int32_t> topOpenings, bottomOpenings, partitions;
    auto row = [&](int32_t first, int32_t count, bool above) {
        const int32_t span = X1 - t - inner;
        const int32_t width = (span - (count - 1) * t) / count;
        for (int32_t i = 0; i < count; ++i) {
            const int32_t id = rooms[static_cast<size_t>(first + i)];
            const int32_t x = inner + i * (width + t);
            const int32_t w = i == count - 1 ? X1 - t - x : width;
            const TPx room = above ? TPx {x, Y0 + t, w, cy - t - Y0 - t} : TPx {x, cb + t, w, Y1 - t - cb - t};
            kit.ZoneShape(scheme, id, room, color::Room);
            kit.ZoneCaption(scheme, id, {room.X + 8, room.Y + room.H / 2 - 18, room.W - 16, 36}, 12);
            Furnish(kit, scheme, site.Zone(id).Name, room, above);
            const int32_t along = x + 24;
            const std::string name = site.Zone(id).Name;
            if (above) {
                kit.Door(scheme, true, cy - t, along, id, floor.Corridor, name, true);
                topOpenings.push_back(along);
                kit.Window(scheme, true, Y0, x + w / 2 - 30, 60);
            } else {
                kit.Door(scheme, true, cb, along, floor.Corridor, id, name);
                bottomOpenings.push_back(along);
                kit.Window(scheme, true, Y1 - t, x + w / 2 - 30, 60);
            }
            if (i > 0)
                kit.Wall(scheme, false, x - t, above ? Y0 + t : cb + t, above ? cy - t : Y1 - t);
        }
    };
    row(0, top, true);
    row(top, bottom, false);

    // The hall: stairs, the door to the corridor, the entrance.
    const bool upper = &floor != &building.Floors.back();
    const bool lower = &floor != &building.Floors.front();
    Stairs(kit, scheme, {X0 + t + 20, Y0 + t + 15, HallWidth - 40, 120}, upper, lower);
    const int32_t hallDoor = cy + (floor.CorridorHeight - DoorSide) / 2;
    kit.Door(scheme, false, hallRight, hallDoor, floor.Building, floor.Corridor,
        building.Title + std::string(", ") + floor.Title);
    std::vector<int32_t> hallBottom;
    if (floor.Grand) {
        const int32_t entrance = X0 + t + HallWidth / 2 - DoorSide / 2;
        kit.Door(scheme, true, Y1 - t, entrance, floor.Building, zone::Territory,
            std::string(building.Title) + " entrance", true);
        hallBottom.push_back(entrance);
    }

    // Walls: outside, the hall's, the corridor's.
    kit.Wall(scheme, true, Y0, X0, X1);
    kit.Wall(scheme, true, Y1 - t, X0, X1, hallBottom);
    kit.Wall(scheme, false, X0, Y0 + t, Y1 - t);
    kit.Wall(scheme, false, X1 - t, Y0 + t, Y1 - t);
    kit.Wall(scheme, false, hallRight, Y0 + t, Y1 - t, {hallDoor});
    kit.Wall(scheme, true, cy - t, inner, X1 - t, topOpenings);
    kit.Wall(scheme, true, cb, inner, X1 - t, bottomOpenings);
    kit.Window(scheme, false, X0, Y0 + 180, 60);
    if (floor.CorridorHeight > 100)
        Machines(kit, scheme, {inner, cy, X1 - t - inner, floor.CorridorHeight});

    // The floor buttons of the building and the way back to the site plan.
    static const char* const buttons[] = {"BtnGrand", "BtnFloor1", "BtnFloor2"};
    static const char* const captions[] = {"Grand floor", "Floor 1", "Floor 2"};
    const int32_t count = static_cast<int32_t>(building.Floors.size());
    for (int32_t i = 0; i < count; ++i)
        kit.LinkButton(scheme, buttons[i], {X1 - (count - i) * 96 + 8, 56, 88, 28}, captions[i],
            building.Floors[static_cast<size_t>(i)].Scheme);
    kit.LinkButton(scheme, "BtnSitePlan", {X1 - count * 96 - 102, 56, 100, 28}, "Site plan", "MainPlan");
}

} // namespace

void DrawBuildings(TPlanKit& kit)
{
    for (const TBuildingSpec& building : Buildings())
        for (const TFloorSpec& floor : building.Floors)
            Floor(kit, building, floor);
}

} // namespace doravo::gensite
