// The station's main window: the plan in a panel with a tab per building, a
// column of buttons, a status bar. It finds in the plan the doors, zones,
// zone captions and lamps the station drives, highlights what the mouse is
// over, frames the selected object with crawling stripes, runs the lamps and
// owns the door operations and the person cards.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "DoorOperations.h"
#include "KestBasePanel.h"
#include "KestCards.h"
#include "fControl.h"
#include "fPersCard.h"

class QLabel;
class QStatusBar;
class QTabBar;
class QTimer;
class QToolButton;

namespace doravo {

class TfmSplash;

// One row of the page table: a scheme, its tab and its floor button.
struct TPageRow {
    const char* Scheme;
    int Tab;
    const char* FloorButton; // none when empty
};
extern const TPageRow PageTable[10];
extern const char* const TabSchemes[5];
// The row of the scheme (names without regard to case), or none.
const TPageRow* FindPage(const std::string& scheme);

class TfmMain : public QWidget, public TControlHost, public TDoorCards {
public:
    // Loads planFile into the panel (progress to splash when given) and
    // starts the station over site.
    TfmMain(TdmMain& site, const std::string& planFile, TfmSplash* splash = nullptr, QWidget* parent = nullptr);
    ~TfmMain() override;

    QWidget* Panel2 = nullptr;
    QToolButton* sbtControl = nullptr;
    QToolButton* sbtZoomIn = nullptr;
    QToolButton* sbtZoomOut = nullptr;
    QToolButton* sbtOptions = nullptr;
    QToolButton* sbtAbout = nullptr;
    QToolButton* sbtExit = nullptr;
    QWidget* Panel1 = nullptr;
    QTabBar* tbMain = nullptr;
    kest::TKestPanel* Panel = nullptr;
    QStatusBar* sbMain = nullptr;
    QTimer* tmSelected = nullptr;
    QTimer* tmLamps = nullptr;

    kest::TKestControl* Credits() const { return credits_; }
    kest::TKestControl* ZoneNamesLayer() const { return zoneNames_; }
    const std::vector<kest::TKestControl*>& ZoneCaptions() const { return zoneCaptions_; }
    const std::vector<kest::TKestControl*>& ZoneShapes() const { return zoneShapes_; }
    const std::vector<kest::TKestControl*>& Lamps() const { return lamps_; }
    const std::vector<TKestDoor*>& Doors() const { return doors_->Doors(); }
    kest::TKestControl* SelectedObject() const { return selected_; }
    int FramePhase() const { return framePhase_; }
    int LampPhase() const { return lampPhase_; }
    kest::TKestControl* HoverObject() const { return hover_; }
    int HoverKind() const { return hoverKind_; }
    kest::TKestControl* FloorButton() const { return floorButton_; }
    // The tab of the shown scheme, -1 when it has none.
    int TabIndex() const { return tabIndex_; }
    bool Inactive() const { return doors_->Inactive(); }
    const QImage& SelectionBrush() const { return selectionBrush_; }
    TKestCards& InPlanCards() { return *inPlanCards_; }
    TCardWindows& CardWindows() { return *cardWindows_; }

    // TControlHost
    TPlanDoors& PlanDoors() override { return *doors_; }
    kest::TKestControl* FindZoneShape(int32_t zoneId) override;
    void Select(kest::TKestControl* control) override;

    // TDoorCards
    void ShowInPlanCard(int32_t passId, int32_t actor, TKestDoor* door, bool alarm) override;
    void RemoveInPlanCard(TKestDoor* door) override;
    void ShowCardWindow(int32_t passId, int32_t actor, TKestDoor* door, bool alarm) override;
    void HideCardWindow(TKestDoor* door) override;

    void ApplyOptions();
    void ZoomIn();
    void ZoomOut();
    void ShowTab(int index);
    // The timers' handlers, public so that they can be stepped.
    void SelectedTick();
    void LampsTick();
    // Hover handling of the object under the mouse (none when nothing).
    void HoverOver(kest::TKestControl* control);
    void ClearHover();
    // The plain-mode click rules; inner is the innermost object hit.
    void PanelMouseDown(Qt::MouseButton button, kest::TKestControl* top, kest::TKestControl* inner);
    // The pixels of the selection frame as last drawn.
    QRegion SelectionFrame() const;

    // What "About" does; the About box by default.
    std::function<void()> AboutAction;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateLayout();
    QToolButton* CreateButton(const QString& caption, const QImage& glyph);
    void Loaded(kest::TKestControl* control);
    void SchemesChanged();
    void ScaleChanged();
    void FitWindowToPlan();
    void SetHighlight(kest::TKestControl* control, int kind, bool on);
    void StatusText();
    void PaintOver(kest::TKestCanvas* canvas);
    void DrawFrame(QPainter& painter);
    void InvalidateFrame();
    void ShowAboutBox();
    void RunOptions();
    void Shutdown();
    int32_t ZoneIdOf(const kest::TKestControl* control) const;
    bool OnShownScheme(const kest::TKestControl* control) const;

    TdmMain& site_;
    std::unique_ptr<TPlanDoors> doors_;
    std::unique_ptr<TKestCards> inPlanCards_;
    std::unique_ptr<TCardWindows> cardWindows_;
    kest::TKestControl* credits_ = nullptr;
    QImage selectionBrush_;
    kest::TKestControl* selected_ = nullptr;
    int framePhase_ = 0;
    kest::TKestControl* zoneNames_ = nullptr;
    std::vector<kest::TKestControl*> zoneCaptions_;
    std::vector<kest::TKestControl*> zoneShapes_;
    std::vector<kest::TKestControl*> lamps_;
    int lampPhase_ = 0;
    kest::TKestControl* hover_ = nullptr;
    int hoverKind_ = 0;
    kest::TKestControl* floorButton_ = nullptr;
    int tabIndex_ = 0;
    bool shutDown_ = false;
    bool forwarding_ = false;
    bool barsPending_ = false;
    bool saveFailureReported_ = false;
};

// The one main window while it exists.
extern TfmMain* fmMain;

} // namespace doravo
