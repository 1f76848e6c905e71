#include "DoorOperations.h"

#include <algorithm>

#include "AppOptions.h"
#include "KestBase.h"

namespace doravo {

namespace {

// The event prefix with its "%d" replaced by the pass id.
std::string EventPrefix(bool open, bool blocked, int32_t passId)
{
    const std::string id = std::to_string(passId);
    if (blocked)
        return (open ? "Attempt to open blocked door " : "Attempt to close blocked door ") + id + " by ";
    return "Door " + id + (open ? " opened by " : " closed by ");
}

} // namespace

TPlanDoors::TPlanDoors(TdmMain& site, kest::TKestPanel& panel)
    : site_(site)
    , panel_(panel)
    , tmTimeOuts_(site.Clock().CreateTimer(TimeOutInterval, [this] { TimeOutTick(); }))
{
    site_.SetDoorOperations(this);
}

TPlanDoors::~TPlanDoors()
{
    site_.SetDoorOperations(nullptr);
}

void TPlanDoors::AddDoor(TKestDoor* door)
{
    doors_.push_back(door);
    door->SetDoorState(dsClosed);
}

void TPlanDoors::ClearDoors()
{
    timeOuts_.clear();
    doors_.clear();
}

TKestDoor* TPlanDoors::FindDoorByPass(int32_t passId) const
{
    for (TKestDoor* door : doors_)
        if (door->PassA() == passId || door->PassB() == passId)
            return door;
    return nullptr;
}

void TPlanDoors::DescribeActor(int32_t actor, const TKestDoor& door, std::string& text, int32_t& event) const
{
    if (actor == -1) {
        text = "timeout";
        event = door.DoorEvent();
    } else if (actor == 0) {
        text = "operator";
        event = deInactive;
    } else if (const int index = site_.FindPerson(actor); index >= 0) {
        const TPersonRec& person = site_.Persons()[size_t(index)];
        text = person.FirstName + " " + person.LastName;
        event = deValid;
    } else {
        text = "<unknown>";
        event = deError;
    }
}

bool TPlanDoors::DoorPass(int32_t passId, int32_t actor, bool open)
{
    TKestDoor* door = FindDoorByPass(passId);
    if (!door)
        return false;
    const bool blocked = door->Blocked();
    const int32_t direction = passId == door->PassA() ? adForward : adBackward;
    std::string actorText;
    int32_t event = deInactive;
    DescribeActor(actor, *door, actorText, event);

    bool result;
    if (!blocked) {
        door->SetAccessDir(direction);
        door->SetDoorEvent(event);
        door->SetDoorState(open ? dsOpened : dsClosed);
        if (door->DoorState() == dsOpened)
            AddDoorTimeOut(door, passId);
        if (!inactive_ && AppOptions.ShowPersonsCards)
            UpdateCards(passId, actor, door);
        result = true;
    } else {
        // A blocked door that stands open still lets people through.
        result = door->DoorState() == dsOpened;
        if (!result)
            ShowAlarmCard(passId, actor, door);
    }
    site_.AddEvent(EventPrefix(open, blocked, passId) + actorText, passId, actor);
    return result;
}

void TPlanDoors::UpdateCards(int32_t passId, int32_t actor, TKestDoor* door)
{
    if (!cards_)
        return;
    const bool opened = door->DoorState() == dsOpened;
    if (AppOptions.ShowCardsInKest) {
        if (opened)
            cards_->ShowInPlanCard(passId, actor, door, false);
        else
            cards_->RemoveInPlanCard(door);
    } else if (OnShownScheme(door)) {
        if (opened)
            cards_->ShowCardWindow(passId, actor, door, false);
        else
            cards_->HideCardWindow(door);
    }
}

void TPlanDoors::ShowAlarmCard(int32_t passId, int32_t actor, TKestDoor* door)
{
    if (!cards_)
        return;
    if (AppOptions.ShowCardsInKest)
        cards_->ShowInPlanCard(passId, actor, door, true);
    else if (OnShownScheme(door))
        cards_->ShowCardWindow(passId, actor, door, true);
}

bool TPlanDoors::OnShownScheme(const TKestDoor* door) const
{
    return door->ParentScheme() != nullptr && door->ParentScheme() == panel_.ActiveScheme();
}

void TPlanDoors::DoorBlock(int32_t passId, bool block)
{
    TKestDoor* door = FindDoorByPass(passId);
    if (!door || door->Blocked() == block)
        return;
    door->SetDoorEvent(block ? deBroken : deInactive);
    const std::string id = std::to_string(passId);
    site_.AddEvent("Door " + id + (block ? " blocked by operator" : " unblocked by operator"), passId, 0);
}

void TPlanDoors::AddDoorTimeOut(TKestDoor* door, int32_t passId)
{
    const double closeTime = site_.Clock().Now() + DoorOpenSeconds / SecsPerDay;
    auto entry
        = std::find_if(timeOuts_.begin(), timeOuts_.end(), [door](const TDoorTimeOut& t) { return t.Door == door; });
    if (entry != timeOuts_.end()) {
        entry->PassId = passId;
        entry->CloseTime = closeTime;
    } else {
        timeOuts_.push_back({door, passId, closeTime});
    }
}

void TPlanDoors::TimeOutTick()
{
    const double now = site_.Clock().Now();
    for (size_t i = timeOuts_.size(); i-- > 0;) {
        if (i >= timeOuts_.size() || timeOuts_[i].CloseTime > now)
            continue;
        const TDoorTimeOut entry = timeOuts_[i];
        DoorPass(entry.PassId, -1, false);
        // The close may have changed the list (a journal handler reopening
        // a door); remove the entry where it now stands.
        auto it = std::find_if(timeOuts_.begin(), timeOuts_.end(),
            [&entry](const TDoorTimeOut& t) { return t.Door == entry.Door && t.CloseTime == entry.CloseTime; });
        if (it != timeOuts_.end())
            timeOuts_.erase(it);
    }
}

} // namespace doravo
