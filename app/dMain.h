// The data module of the station: the settings file, the site (persons,
// zones, passes), the event journal and the movement emulation that walks
// the persons from office to office through the doors of the plan. It has no
// windows; the main window plugs the door operations in and listens to the
// journal.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "IniFile.h"
#include "SiteClock.h"
#include "SiteRandom.h"

namespace doravo {

struct TPersonRec {
    int32_t Id = 0; // 0 and -1 are the actors "operator" and "timeout"
    std::string FirstName; // at most 31 characters
    std::string LastName; // at most 31 characters
    uint8_t Role = 0; // 0 not yet placed, 1 resident, 2 walker
    bool Moving = false;
    double NextTime = 0; // date-time of the next action; 0 = never
    int32_t ZoneId = 0; // 0 = outside
    int32_t TargetZoneId = 0;
    double TimeEnter = 0;
    double TimeLeave = 0;
};

struct TZoneRec {
    int32_t Id = 0;
    int32_t ParentId = 0; // naming no zone makes the zone top-level
    std::string Name; // at most 63 characters
    int32_t Count = 0; // persons inside, not counting sub-zones
};

struct TPassRec {
    int32_t Id = 0;
    int32_t ZoneFrom = 0; // 0 = outside
    int32_t ZoneTo = 0;
    std::string Name; // at most 63 characters
};

struct TEventRec {
    double Time = 0;
    int32_t PersonId = 0; // 0 operator or system, -1 automatic close
    int32_t PassId = 0;
    std::string Text; // at most 255 characters
};

constexpr int PersonNameLength = 31;
constexpr int ZoneNameLength = 63;
constexpr int PassNameLength = 63;
constexpr int EventTextLength = 255;
constexpr size_t MaxEvents = 50000;
constexpr size_t TrimmedEvents = 1000;
constexpr int32_t ResidentZoneId = 100;

// The door operations the site model calls. The main window implements them
// over the door shapes of the loaded plan and hands them to the data module
// with SetDoorOperations; without them no door can be found and nobody moves.
class TDoorOperations {
public:
    virtual ~TDoorOperations() = default;

    // Opens (open = true) or closes the door that carries passId in "PassA"
    // or "PassB", for actor: -1 the automatic close, 0 the operator, any
    // other value a person id (looked up with TdmMain::FindPerson). Writes its
    // event with TdmMain::AddEvent. Returns true when the person may pass;
    // false without an event when no door carries the pass.
    virtual bool DoorPass(int32_t passId, int32_t actor, bool open) = 0;
};

class TdmMain;
extern TdmMain* dmMain; // the one data module, set while it exists

class TdmMain {
public:
    // Sets dmMain, opens the settings file fileName, loads the site and
    // places the persons. Raises EKestError for a settings file over its
    // limits and for bad site data (see LoadSite); dmMain is then cleared.
    TdmMain(const std::string& fileName, TSiteClock& clock);
    ~TdmMain();
    TdmMain(const TdmMain&) = delete;
    TdmMain& operator=(const TdmMain&) = delete;

    TIniFile& Settings() { return settings_; }
    TSiteClock& Clock() { return clock_; }
    TSiteRandom& Randomizer() { return random_; }

    // The movement timer (1000 ms), enabled exactly while emulation is on.
    TSiteTimer& tmMovements() { return *tmMovements_; }
    void SetDoorOperations(TDoorOperations* operations) { doors_ = operations; }

    std::vector<TPersonRec>& Persons() { return persons_; }
    std::vector<TZoneRec>& Zones() { return zones_; }
    const std::vector<size_t>& Offices() const { return offices_; } // indices into Zones()
    const std::vector<TPassRec>& Passes() const { return passes_; }
    const std::vector<TEventRec>& Events() const { return events_; }

    int FindPerson(int32_t id) const;
    TZoneRec* FindZone(int32_t id);
    int FindZoneIndex(int32_t id) const;
    int FindPass(int32_t id) const;

    // Appends to the journal (trimming it first when full), then raises OnEvent.
    void AddEvent(const std::string& text, int32_t passId, int32_t personId);

    // The handler of tmMovements; public so that the station can be driven
    // one tick at a time.
    void MovementTick();
    // One door of the walk of persons_[index] toward its target.
    void StepPerson(size_t index, double now);

    // Raised after every appended event.
    std::function<void(TdmMain* sender)> OnEvent;
    // Raised after a person went through a door (the control panel refreshes).
    std::function<void(TdmMain* sender)> OnPersonMoved;

private:
    // Reads the sections "Personnel", "Zones" and "Passes". A numeric field
    // that is not an integer, or a zone that encloses itself, raises
    // EKestError naming the file, the section, the key and the text.
    void LoadSite();
    void StartSimulation();
    void CheckZoneHierarchy() const;
    // Passes persons_[index] from its zone into next (none = outside).
    void PassToZone(size_t index, TZoneRec* next, double now);
    std::vector<TZoneRec*> ZoneChain(TZoneRec* zone);

    struct TGlobalGuard {
        explicit TGlobalGuard(TdmMain* module);
        ~TGlobalGuard();
        TdmMain* module_;
    };

    TGlobalGuard global_;
    TSiteClock& clock_;
    std::unique_ptr<TSiteTimer> tmMovements_;
    TIniFile settings_;
    TSiteRandom random_;
    TDoorOperations* doors_ = nullptr;
    std::vector<TPersonRec> persons_;
    std::vector<TZoneRec> zones_;
    std::vector<size_t> offices_;
    std::vector<TPassRec> passes_;
    std::vector<TEventRec> events_;
};

} // namespace doravo
