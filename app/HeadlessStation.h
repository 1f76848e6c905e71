// The station without windows: the plan loaded into a panel, the site model
// on a virtual clock, the door operations over the plan's doors, every
// journal event written out as it is appended, and a picture of the shown
// page at the end. The program runs it with --headless; the tests drive it.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

#include "DoorOperations.h"
#include "KestBasePanel.h"
#include "SiteClock.h"
#include "dMain.h"

namespace doravo {

class THeadlessStation {
public:
    // Loads the settings file and the plan (shape and door classes must be
    // registered). Raises EKestError with one line naming the file and the
    // fault: a file that is missing or unreadable, a settings file the site
    // cannot load, a plan that is not a document or has no scheme "MainPlan".
    THeadlessStation(
        const std::string& planFile, const std::string& settingsFile, TVirtualClock& clock, std::ostream& events);
    ~THeadlessStation();
    THeadlessStation(const THeadlessStation&) = delete;
    THeadlessStation& operator=(const THeadlessStation&) = delete;

    kest::TKestPanel& Panel() { return *panel_; }
    TdmMain& Site() { return *site_; }
    TPlanDoors& Doors() { return *doors_; }

    // Runs the emulation for ms of virtual time at speed times real time;
    // speed 0 runs as fast as possible. Door animations run on real time and
    // are let finish before it returns.
    void Run(int64_t ms, double speed);
    // The shown scheme at 100 %, the document's size; false when it cannot
    // be written.
    bool Snapshot(const std::string& pngFile);

    // One journal line: time of day, person id, pass id and text, tab-separated.
    static std::string EventLine(const TEventRec& event);

private:
    void SettleAnimations();

    TVirtualClock& clock_;
    std::ostream& events_;
    std::unique_ptr<kest::TKestPanel> panel_;
    std::unique_ptr<TdmMain> site_;
    std::unique_ptr<TPlanDoors> doors_;
};

} // namespace doravo
