// The site the station runs on, as the generator designs it: zones with
// their enclosing zones, the passes both ways through each door, and the
// persons. The plan's doors are made through it, so every pass has a door;
// it writes the site sections of the settings file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace doravo::gensite {

struct TZoneDef {
    int32_t Id;
    int32_t ParentId;
    std::string Name;
};

struct TPassDef {
    int32_t Id;
    int32_t ZoneFrom;
    int32_t ZoneTo;
    std::string Name;
};

struct TPersonDef {
    int32_t Id;
    std::string LastName;
    std::string FirstName;
};

class TSiteDesign {
public:
    TSiteDesign();

    const std::vector<TZoneDef>& Zones() const { return zones_; }
    const std::vector<TPassDef>& Passes() const { return passes_; }
    const std::vector<TPersonDef>& Persons() const { return persons_; }

    const TZoneDef& Zone(int32_t id) const;
    // The zone's depth in the zone tree: 1 for a top-level zone; 0 outside.
    int32_t Level(int32_t id) const;
    // Adds the two passes of a door leading from zone `from` to zone `to`
    // (0 = outside): first from -> to, then back. Returns the first id.
    int32_t AddDoorPasses(int32_t from, int32_t to, const std::string& doorName);

    // The sections "Personnel", "Zones", "Passes" and "Options" (the
    // station's defaults) of the settings file, CR LF lines.
    std::string SettingsText() const;

private:
    std::vector<TZoneDef> zones_;
    std::vector<TPassDef> passes_;
    std::vector<TPersonDef> persons_;
};

// The zone ids the plan places shapes and doors by.
namespace zone {
constexpr int32_t Outside = 0;
constexpr int32_t Territory = 1;
constexpr int32_t Checkpoint = 10;
constexpr int32_t PassOffice = 11;
constexpr int32_t GuardRoom = 100;
constexpr int32_t AdmBuilding = 20;
constexpr int32_t AdmGrand = 21;
constexpr int32_t AdmFloor1 = 22;
constexpr int32_t AdmFloor2 = 23;
constexpr int32_t ProdBuilding = 30;
constexpr int32_t ProdGrand = 31;
constexpr int32_t ProdFloor1 = 32;
constexpr int32_t ProdFloor2 = 33;
constexpr int32_t TechBuilding = 40;
constexpr int32_t TechGrand = 41;
constexpr int32_t TechFloor1 = 42;
} // namespace zone

} // namespace doravo::gensite
