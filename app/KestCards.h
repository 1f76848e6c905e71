// Person cards inside the plan: a copy of the plan's template "Card" put on
// the layer "Cards" next to its door, filled with the pass and the person,
// green for a passage and red for a refusal. The copies pan and zoom with the
// plan and can be dragged; each door remembers where its card was put.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "DoorCtrls.h"

namespace kest {
class TKestControl;
}

namespace doravo {

class TdmMain;
class TKestCards;

// Gap between an in-plan card's bottom and its door's top, in pixels.
constexpr int InPlanCardGap = 3;
// The name of the template's copies.
constexpr const char* CopyName = "PersonCard";

class TKestCard {
public:
    // Raises EKestError "Error card create" without a door. Without the
    // template "Card" or the layer "Cards" the card has no Control.
    TKestCard(TKestCards& list, int32_t passId, int32_t personId, TKestDoor* door, bool alarm);
    // Takes the card out of its list and frees its Control.
    ~TKestCard();
    TKestCard(const TKestCard&) = delete;
    TKestCard& operator=(const TKestCard&) = delete;

    kest::TKestControl* Control() const { return control_; }
    TKestDoor* Door() const { return door_; }
    int32_t PassId() const { return passId_; }
    int32_t PersonId() const { return personId_; }
    bool Alarm() const { return alarm_; }
    void Update(int32_t passId, int32_t personId, bool alarm);
    void RefreshContent();
    // Writes the Control's Left and Top into the door's user data.
    void StorePosition();

private:
    void CreateControl();
    void PlaceControl();

    TKestCards& list_;
    kest::TKestControl* control_ = nullptr;
    TKestDoor* door_ = nullptr;
    int32_t passId_ = 0;
    int32_t personId_ = 0;
    bool alarm_ = false;
};

// All in-plan cards, at most one per door, in the order they were made.
class TKestCards {
public:
    explicit TKestCards(TdmMain& site);
    ~TKestCards();
    TKestCards(const TKestCards&) = delete;
    TKestCards& operator=(const TKestCards&) = delete;

    TdmMain& Site() const { return site_; }
    const std::vector<TKestCard*>& Cards() const { return cards_; }

    // Updates the door's card in place, or makes one.
    void Show(int32_t passId, int32_t personId, TKestDoor* door, bool alarm);
    // By door when one is given, else by control.
    TKestCard* Find(const TKestDoor* door, const kest::TKestControl* control = nullptr) const;
    void Remove(const TKestDoor* door);
    void RemoveAll();

private:
    friend class TKestCard;

    TdmMain& site_;
    std::vector<TKestCard*> cards_;
};

} // namespace doravo
