// A small station for the window tests: a site with persons, nested zones
// and passes, a panel whose doors carry the passes, the door operations over
// them, and a host that records what the control panel asks the main window
// to select.
#pragma once

#include <QLocale>
#include <map>
#include <memory>

#include "AppOptions.h"
#include "DoorOperations.h"
#include "KestBase.h"
#include "SiteTestSupport.h"
#include "fControl.h"

namespace doravo::testing {

constexpr double NoonDay = 46000.5; // 2025-12-09 12:00:00
constexpr int32_t AnnId = 11, TomId = 12, EveId = 13;
constexpr int32_t HallId = 1, OfficeId = 2, StoreId = 3, CornerId = 4;

// Zones: Hall (1) encloses Office (2) and Store (3); Office encloses
// Corner (4). Passes 7/8 lead into and out of the hall, 9/10 into and out of
// the office; pass 11 has no door on the plan.
inline std::string StationSite()
{
    TSiteText site;
    site.Person(AnnId, "Lee", "Ann");
    site.Person(TomId, "Berg", "Tom");
    site.Person(EveId, "Ng", "Eve");
    site.Zone(HallId, 0, "Hall");
    site.Zone(OfficeId, HallId, "Office");
    site.Zone(StoreId, HallId, "Store");
    site.Zone(CornerId, OfficeId, "Corner");
    site.Door(7, 0, HallId);
    site.Door(9, HallId, OfficeId);
    site.Pass(11, HallId, StoreId);
    return site.Text();
}

class TRecordingHost : public TControlHost {
public:
    TRecordingHost(TdmMain& site, TPlanDoors& doors)
        : site_(site)
        , doors_(doors)
    {
    }
    TPlanDoors& PlanDoors() override { return doors_; }
    kest::TKestControl* FindZoneShape(int32_t zoneId) override
    {
        auto it = zoneShapes.find(zoneId);
        return it != zoneShapes.end() ? it->second : nullptr;
    }
    // Like the main window: a selected zone also shows its row on the
    // zones page of the control panel.
    void Select(kest::TKestControl* control) override
    {
        selected.push_back(control);
        for (const auto& [id, shape] : zoneShapes)
            if (shape == control && fmControl)
                fmControl->ShowZoneRow(site_.FindZoneIndex(id));
    }

    std::map<int32_t, kest::TKestControl*> zoneShapes;
    std::vector<kest::TKestControl*> selected;

private:
    TdmMain& site_;
    TPlanDoors& doors_;
};

struct TStation {
    TScratch scratch;
    TVirtualClock clock {NoonDay};
    kest::TKestPanel panel;
    std::unique_ptr<TdmMain> site;
    std::unique_ptr<TPlanDoors> doors;
    std::unique_ptr<TRecordingHost> host;
    TKestDoor* hallDoor = nullptr;
    TKestDoor* officeDoor = nullptr;

    TStation()
    {
        QLocale::setDefault(QLocale::c());
        AppOptions = TAppOptions {};
        RegisterDoorClasses();
        WriteText(scratch.Path("station.ini"), StationSite());
        site = std::make_unique<TdmMain>(scratch.Path("station.ini"), clock);
        doors = std::make_unique<TPlanDoors>(*site, panel);
        host = std::make_unique<TRecordingHost>(*site, *doors);
        hallDoor = AddDoor(7, 8);
        officeDoor = AddDoor(9, 10);
        // Zone shapes only need to be distinct objects of the plan.
        for (int32_t zone : {HallId, OfficeId, StoreId, CornerId})
            host->zoneShapes[zone]
                = kest::TKestControl::Create<TKestDoor>(&panel, panel.ActiveScheme(), panel.ActiveLayer());
    }
    ~TStation()
    {
        delete fmControl;
        AppOptions = TAppOptions {};
    }

    TKestDoor* AddDoor(int32_t passA, int32_t passB)
    {
        auto* door = kest::TKestControl::Create<TKestDoor>(&panel, panel.ActiveScheme(), panel.ActiveLayer());
        door->SetPassA(passA);
        door->SetPassB(passB);
        doors->AddDoor(door);
        return door;
    }
    TPersonRec& Person(int32_t id) { return site->Persons()[size_t(site->FindPerson(id))]; }
    const TEventRec& LastEvent() const { return site->Events().back(); }
};

} // namespace doravo::testing
