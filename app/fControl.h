// The operator's console: a small stay-on-top tool window with pages for the
// personnel, the passes, the zones and the event journal of the site. From
// the passes page the operator opens, closes, blocks and unblocks doors; a
// double-click on a row shows its object on the plan through the host (the
// main window).
#pragma once

#include <QWidget>
#include <cstdint>

#include "ControlLists.h"
#include "dMain.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace kest {
class TKestControl;
}

namespace doravo {

class TPlanDoors;

// What the control panel needs of the main window.
class TControlHost {
public:
    virtual ~TControlHost() = default;
    // The door operations of the plan; the buttons and the lookup of a
    // pass's door go through them.
    virtual TPlanDoors& PlanDoors() = 0;
    // The first zone shape of the plan for the zone id, or none.
    virtual kest::TKestControl* FindZoneShape(int32_t zoneId) = 0;
    // Frames the object on the plan, showing its page; none clears the frame.
    virtual void Select(kest::TKestControl* control) = 0;
};

enum TControlPage { cpPersonnel, cpPasses, cpZones, cpEvents };

constexpr int ControlWidth = 292;
constexpr int ControlHeight = 449;

class TfmControl : public QWidget {
public:
    // Sets fmControl; the window deletes itself when closed.
    TfmControl(TdmMain& site, TControlHost& host, QWidget* parent = nullptr);
    ~TfmControl() override;

    TControlPage CurrentPage() const;
    void SetCurrentPage(TControlPage page);

    void RefreshCurrentPage();
    void RefreshPersonnel();
    void RefreshPasses();
    void RefreshZones();
    // Brings the journal's rows to the number of events, then, with
    // auto-scroll on, selects the last one.
    void RefreshEvents();

    // For the main window's selection on the plan: makes the page current,
    // selects the row (−1: none) and refreshes the page.
    void ShowPassRow(int row);
    void ShowZoneRow(int row);

    QTabWidget* pcPages = nullptr;
    TSiteListView* lbPersonnel = nullptr;
    QLabel* lbLocation = nullptr;
    QLabel* lbTimeEnter = nullptr;
    QLabel* lbTimeLeave = nullptr;
    TSiteListView* lbPasses = nullptr;
    QLabel* lbPassName = nullptr;
    QLabel* lbPassZoneFrom = nullptr;
    QLabel* lbPassZoneTo = nullptr;
    QPushButton* btnOpen = nullptr;
    QPushButton* btnBlock = nullptr;
    QPushButton* btnUnblock = nullptr;
    QPushButton* btnClose = nullptr;
    TSiteListView* lbZones = nullptr;
    TSiteListView* lbPersInZone = nullptr;
    QLabel* lbZoneCount = nullptr;
    QLabel* lbZoneTotal = nullptr;
    TSiteListView* lbEvents = nullptr;
    QCheckBox* cbAutoScroll = nullptr;

    TSiteListModel& PersonnelModel() { return *personnel_; }
    TSiteListModel& PassesModel() { return *passes_; }
    TSiteListModel& ZonesModel() { return *zones_; }
    TSiteListModel& PersInZoneModel() { return *persInZone_; }
    TSiteListModel& EventsModel() { return *events_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* CreatePersonnelPage();
    QWidget* CreatePassesPage();
    QWidget* CreateZonesPage();
    QWidget* CreateEventsPage();
    TSiteListView* CreateList(TSiteListModel* model, int firstColumnRight);
    // Calls refresh whenever the list's selected row changes.
    void FollowSelection(TSiteListView* list, void (TfmControl::*refresh)());
    int SelectedRecord(const TSiteListView* list) const;
    void SelectRow(TSiteListView* list, int row);
    // The handler of a pass button; nothing without a selected pass.
    void PassButton(bool block, bool value);
    void DoubleClicked(const TSiteListView* list, int record);
    int32_t ZoneTotal(int32_t zoneId);

    TdmMain& site_;
    TControlHost& host_;
    TSiteListModel* personnel_;
    TSiteListModel* passes_;
    TSiteListModel* zones_;
    TSiteListModel* persInZone_;
    TSiteListModel* events_;
};

// The one control panel while it is open.
extern TfmControl* fmControl;

// The main window's "Control": creates the control panel if none exists,
// then shows it.
TfmControl* ShowControlPanel(TdmMain& site, TControlHost& host);

} // namespace doravo
