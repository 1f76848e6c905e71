// Person cards as small borderless stay-on-top windows over the plan: one
// per door at most, placed above the door, green for a passage and red for
// a refusal, closed with their button and dragged anywhere with the mouse.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

#include "DoorOperations.h"

class QLabel;
class QToolButton;

namespace kest {
class TKestPanel;
}

namespace doravo {

class TCardWindows;

constexpr int CardWidth = 124;
constexpr int CardHeight = 55;
// The gap between a card window's bottom and its door's top, in pixels.
constexpr int CardDoorGap = 5;

// The card colours (0x00BBGGRR): the two rows of the background tile and
// the title bar, normal and alarm.
struct TCardColors {
    uint32_t Even, Odd, Title, Frame;
};
const TCardColors& CardColors(bool alarm);

class TfmPersonCard : public QWidget {
public:
    TfmPersonCard(TdmMain& site, TCardWindows& owner);
    ~TfmPersonCard() override;

    TKestDoor* Door() const { return door_; }
    int32_t PassId() const { return passId_; }
    int32_t PersonId() const { return personId_; }
    bool Alarm() const { return alarm_; }
    // Stores what the card shows and refreshes its content.
    void SetCard(TKestDoor* door, int32_t passId, int32_t personId, bool alarm);
    void RefreshContent();

    QToolButton* sbClose = nullptr;
    QLabel* lbCaption = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* lbFirstName = nullptr;
    QLabel* lbLastName = nullptr;
    QLabel* lbPersonId = nullptr;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    friend class TCardWindows;

    TdmMain& site_;
    TCardWindows* owner_; // none once taken out of the list
    TKestDoor* door_ = nullptr;
    int32_t passId_ = 0;
    int32_t personId_ = 0;
    bool alarm_ = false;
    QImage tile_;
    QPoint dragOffset_;
    bool dragging_ = false;
};

// The card windows, in the order they were created. Implements the card
// calls of the door operations; the in-plan cards are handed on to the
// object set with SetInPlanCards.
class TCardWindows : public TDoorCards {
public:
    // The door's rectangle on the screen, in global pixels.
    using TDoorScreenRect = std::function<QRect(const TKestDoor* door)>;

    TCardWindows(TdmMain& site, TDoorScreenRect doorScreenRect);
    ~TCardWindows() override;
    TCardWindows(const TCardWindows&) = delete;
    TCardWindows& operator=(const TCardWindows&) = delete;

    // The door's screen rectangle in a panel's window at its scale and origin.
    static QRect PanelDoorRect(const kest::TKestPanel& panel, const TKestDoor* door);

    void SetInPlanCards(TDoorCards* cards) { inPlan_ = cards; }

    void ShowCardWindow(int32_t passId, int32_t actor, TKestDoor* door, bool alarm) override;
    void HideCardWindow(TKestDoor* door) override;
    void HideAllCardWindows();
    void ShowInPlanCard(int32_t passId, int32_t actor, TKestDoor* door, bool alarm) override;
    void RemoveInPlanCard(TKestDoor* door) override;

    TfmPersonCard* FindCardWindow(const TKestDoor* door) const;
    const std::vector<TfmPersonCard*>& Windows() const { return windows_; }

private:
    friend class TfmPersonCard;
    void Forget(TfmPersonCard* window);
    // Out of the list at once; the window deletes itself once closed.
    void Close(TfmPersonCard* window);

    TdmMain& site_;
    TDoorScreenRect doorScreenRect_;
    TDoorCards* inPlan_ = nullptr;
    std::vector<TfmPersonCard*> windows_;
};

} // namespace doravo
