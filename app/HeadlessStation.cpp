#include "HeadlessStation.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QThread>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "KestCanvas.h"
#include "KestError.h"

namespace doravo {

using kest::EKestError;
using kest::TKestControl;

namespace {

void RequireReadable(const std::string& file, const char* what)
{
    const QFileInfo info(QString::fromStdString(file));
    if (!info.exists())
        throw EKestError(std::string(what) + " " + file + " does not exist");
    if (!info.isFile() || !info.isReadable())
        throw EKestError(std::string(what) + " " + file + " cannot be read");
}

} // namespace

THeadlessStation::THeadlessStation(
    const std::string& planFile, const std::string& settingsFile, TVirtualClock& clock, std::ostream& events)
    : clock_(clock)
    , events_(events)
{
    RequireReadable(settingsFile, "settings file");
    RequireReadable(planFile, "plan");
    try {
        site_ = std::make_unique<TdmMain>(settingsFile, clock);
    } catch (const std::exception& e) {
        throw EKestError("settings file " + settingsFile + ": " + e.what());
    }
    panel_ = std::make_unique<kest::TKestPanel>();
    doors_ = std::make_unique<TPlanDoors>(*site_, *panel_);
    panel_->OnNotify = [this](kest::TKestPanel*, TKestControl* control, kest::TKestNotify notify) {
        if (notify == kest::knLoaded)
            if (auto* door = dynamic_cast<TKestDoor*>(control))
                doors_->AddDoor(door);
    };
    try {
        panel_->LoadFromFile(planFile);
    } catch (const std::exception& e) {
        doors_->ClearDoors();
        throw EKestError("plan " + planFile + ": " + e.what());
    }
    panel_->OnNotify = nullptr;
    if (!panel_->FindControlByName("MainPlan", panel_->Schemes()))
        throw EKestError("plan " + planFile + ": no scheme \"MainPlan\"");
    site_->OnEvent = [this](TdmMain* sender) { events_ << EventLine(sender->Events().back()) << '\n' << std::flush; };
    site_->AddEvent("System online", 0, 0);
}

THeadlessStation::~THeadlessStation()
{
    if (site_)
        site_->OnEvent = nullptr;
    // The door operations go before the panel that holds their doors.
    doors_.reset();
    panel_.reset();
}

std::string THeadlessStation::EventLine(const TEventRec& event)
{
    const double day = event.Time - std::floor(event.Time);
    const int64_t seconds = std::min<int64_t>(std::llround(day * SecsPerDay), 86399);
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60), int(seconds % 60));
    return std::string(time) + '\t' + std::to_string(event.PersonId) + '\t' + std::to_string(event.PassId) + '\t'
        + event.Text;
}

void THeadlessStation::Run(int64_t ms, double speed)
{
    constexpr int64_t Step = 100; // virtual ms per step when running flat out
    site_->tmMovements().SetEnabled(true);
    doors_->tmTimeOuts().SetEnabled(true);
    const int64_t start = clock_.ElapsedMs();
    const int64_t end = start + std::max<int64_t>(ms, 0);
    QElapsedTimer real;
    real.start();
    while (clock_.ElapsedMs() < end) {
        int64_t target = std::min(end, clock_.ElapsedMs() + Step);
        if (speed > 0) {
            target = std::min(end, start + int64_t(double(real.elapsed()) * speed));
            if (target <= clock_.ElapsedMs()) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
                QThread::msleep(1);
                continue;
            }
        }
        clock_.Advance(target - clock_.ElapsedMs());
        QCoreApplication::processEvents();
    }
    site_->tmMovements().SetEnabled(false);
    doors_->tmTimeOuts().SetEnabled(false);
    SettleAnimations();
}

void THeadlessStation::SettleAnimations()
{
    QElapsedTimer real;
    real.start();
    auto animating = [this] {
        return std::any_of(doors_->Doors().begin(), doors_->Doors().end(), [](TKestDoor* d) { return d->Animating(); });
    };
    while (animating() && real.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool THeadlessStation::Snapshot(const std::string& pngFile)
{
    kest::TKestCustomScheme* scheme = panel_->ActiveScheme();
    const int w = kest::ScaleValue(panel_->DocWidth(), 100), h = kest::ScaleValue(panel_->DocHeight(), 100);
    QImage image(w, h, QImage::Format_ARGB32);
    if (!scheme || image.isNull())
        return false;
    kest::TKestCanvas canvas;
    canvas.Attach(&image);
    canvas.SetBrush(kest::TKestBrush(kest::clWhite, kest::bsSolid));
    canvas.FillRect({0, 0, w, h});
    panel_->PaintTo(canvas, {0, 0, w, h}, true, false, false, false, true, scheme, 100, {0, 0});
    canvas.Detach();
    image.convertTo(QImage::Format_RGB32);
    return image.save(QString::fromStdString(pngFile), "PNG");
}

} // namespace doravo
