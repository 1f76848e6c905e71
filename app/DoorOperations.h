// The door operations of the main window: the doors of the loaded plan,
// opening and closing them for persons, the operator and the automatic
// close, blocking them, and the list of automatic closes with its timer.
// Every passage and refusal is written to the site's journal; person cards
// are shown through TDoorCards, which the windows fill in.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "DoorCtrls.h"
#include "dMain.h"

namespace kest {
class TKestPanel;
}

namespace doravo {

// The person cards as the door operations use them (card windows over the
// plan, or card objects inside it).
class TDoorCards {
public:
    virtual ~TDoorCards() = default;
    virtual void ShowInPlanCard(int32_t passId, int32_t actor, TKestDoor* door, bool alarm) = 0;
    virtual void RemoveInPlanCard(TKestDoor* door) = 0;
    virtual void ShowCardWindow(int32_t passId, int32_t actor, TKestDoor* door, bool alarm) = 0;
    virtual void HideCardWindow(TKestDoor* door) = 0;
};

// One pending automatic close; at most one per door.
struct TDoorTimeOut {
    TKestDoor* Door = nullptr;
    int32_t PassId = 0; // the pass through which the door was last opened
    double CloseTime = 0;
};

constexpr int TimeOutInterval = 1000; // ms
constexpr double DoorOpenSeconds = 3;

class TPlanDoors : public TDoorOperations {
public:
    // Hands itself to the site as its door operations; the panel is the one
    // whose shown scheme decides where card windows appear.
    TPlanDoors(TdmMain& site, kest::TKestPanel& panel);
    ~TPlanDoors() override;
    TPlanDoors(const TPlanDoors&) = delete;
    TPlanDoors& operator=(const TPlanDoors&) = delete;

    // Registers a door of the loaded plan (in load order) and closes it.
    // The doors must stay alive until ClearDoors or the end of this object.
    void AddDoor(TKestDoor* door);
    // Forgets the doors and their pending closes.
    void ClearDoors();
    const std::vector<TKestDoor*>& Doors() const { return doors_; }

    void SetCards(TDoorCards* cards) { cards_ = cards; }
    // True while the application is deactivated: no person cards then,
    // except alarms.
    void SetInactive(bool value) { inactive_ = value; }
    bool Inactive() const { return inactive_; }

    // The first registered door whose PassA or PassB is passId; none when
    // no door carries it.
    TKestDoor* FindDoorByPass(int32_t passId) const;
    // actor: -1 the automatic close, 0 the operator, else a person id.
    bool DoorPass(int32_t passId, int32_t actor, bool open) override;
    void DoorBlock(int32_t passId, bool block);
    void AddDoorTimeOut(TKestDoor* door, int32_t passId);

    const std::vector<TDoorTimeOut>& TimeOuts() const { return timeOuts_; }
    // The automatic close timer (1000 ms), created disabled.
    TSiteTimer& tmTimeOuts() { return *tmTimeOuts_; }
    // The timer's handler: closes every door whose time has come.
    void TimeOutTick();

private:
    // The actor's text in an event and the event value a passage sets.
    void DescribeActor(int32_t actor, const TKestDoor& door, std::string& text, int32_t& event) const;
    void UpdateCards(int32_t passId, int32_t actor, TKestDoor* door);
    void ShowAlarmCard(int32_t passId, int32_t actor, TKestDoor* door);
    bool OnShownScheme(const TKestDoor* door) const;

    TdmMain& site_;
    kest::TKestPanel& panel_;
    TDoorCards* cards_ = nullptr;
    bool inactive_ = false;
    std::vector<TKestDoor*> doors_;
    std::vector<TDoorTimeOut> timeOuts_;
    std::unique_ptr<TSiteTimer> tmTimeOuts_;
};

} // namespace doravo
