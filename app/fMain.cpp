#include "fMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "AppOptions.h"
#include "KestCanvas.h"
#include "KestControls.h"
#include "KestCursors.h"
#include "KestGraphicProps.h"
#include "MainGlyphs.h"
#include "PlanMarks.h"
#include "fAboutPrg.h"
#include "fOptions.h"
#include "fSplash.h"

namespace doravo {

using kest::TKestControl;
using kest::TKestPanel;

TfmMain* fmMain = nullptr;

const TPageRow PageTable[10] = {
    {"MainPlan", 0, ""},
    {"AdmGrandFloor", 2, "BtnGrand"},
    {"AdmFloor1", 2, "BtnFloor1"},
    {"AdmFloor2", 2, "BtnFloor2"},
    {"ControlPost", 1, ""},
    {"ProdGrandFloor", 3, "BtnGrand"},
    {"ProdFloor1", 3, "BtnFloor1"},
    {"ProdFloor2", 3, "BtnFloor2"},
    {"TechGrandFloor", 4, "BtnGrand"},
    {"TechFloor1", 4, "BtnFloor1"},
};

const char* const TabSchemes[5] = {"MainPlan", "ControlPost", "AdmGrandFloor", "ProdGrandFloor", "TechGrandFloor"};

namespace {

const char* const TabCaptions[5] = {"Main", "Control post", "Administartive", "Production", "Tech center"};

const kest::TColor RunningColors[6] = {0x0000FF, 0x002AFF, 0x0064FF, 0x009CFF, 0x00D5FF, 0x00FFFF};

bool SameText(const std::string& a, const char* b)
{
    return a.size() == std::strlen(b) && std::equal(a.begin(), a.end(), b, [](char x, char y) {
        return std::tolower(uint8_t(x)) == std::tolower(uint8_t(y));
    });
}

int32_t DecimalOr0(const std::string& text)
{
    try {
        size_t used = 0;
        const long long v = std::stoll(text, &used, 10);
        return used == text.size() && v >= INT32_MIN && v <= INT32_MAX ? int32_t(v) : 0;
    } catch (const std::exception&) {
        return 0;
    }
}

bool HasKey(const TKestControl* control, const char* key)
{
    return control->UserData().IndexOfName(key) >= 0;
}

} // namespace

const TPageRow* FindPage(const std::string& scheme)
{
    for (const TPageRow& row : PageTable)
        if (SameText(scheme, row.Scheme))
            return &row;
    return nullptr;
}

TfmMain::TfmMain(TdmMain& site, const std::string& planFile, TfmSplash* splash, QWidget* parent)
    : QWidget(parent)
    , site_(site)
{
    fmMain = this;
    selectionBrush_ = SelectionBrushBitmap();
    CreateLayout();
    kest::LoadCursors();
    doors_ = std::make_unique<TPlanDoors>(site_, *Panel);
    inPlanCards_ = std::make_unique<TKestCards>(site_);
    cardWindows_ = std::make_unique<TCardWindows>(
        site_, [this](const TKestDoor* door) { return TCardWindows::PanelDoorRect(*Panel, door); });
    doors_->SetCards(this);
    AboutAction = [this] { ShowAbout(this); };

    Panel->OnNotify = [this](TKestPanel*, TKestControl* control, kest::TKestNotify notify) {
        switch (notify) {
        case kest::knLoaded:
            Loaded(control);
            break;
        case kest::knRect:
            if (Panel->ToolMode() == TKestPanel::tmMoving && control->UserData().GetValueByName("Type") == "Card")
                if (TKestCard* card = inPlanCards_->Find(nullptr, control))
                    card->StorePosition();
            break;
        case kest::knSchemes:
            SchemesChanged();
            break;
        case kest::knScale:
            ScaleChanged();
            break;
        default:
            break;
        }
    };
    if (splash)
        Panel->OnProgress
            = [splash](TKestPanel*, int progress, kest::TKestFilerProcess) { splash->SetProgress(progress); };
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        Panel->LoadFromFile(planFile);
    } catch (const std::exception& e) {
        // The window still comes up, over an empty plan.
        doors_->ClearDoors();
        zoneCaptions_.clear(), zoneShapes_.clear(), lamps_.clear();
        credits_ = zoneNames_ = nullptr;
        Panel->EmptyDocument();
        qWarning("%s: %s", planFile.c_str(), e.what());
    }
    Panel->OnProgress = nullptr;
    QGuiApplication::restoreOverrideCursor();

    for (int i = 0; i < Panel->Schemes()->Count(); ++i)
        if (auto* brush = dynamic_cast<kest::TBrushProp*>(Panel->Schemes()->Controls(i)->Props().PropByName("Brush")))
            brush->SetBitmapCache(true);
    // A stable exchange sort, as the lamps run in the order of their tags.
    for (size_t i = 1; i < lamps_.size(); ++i)
        for (size_t j = i; j > 0 && lamps_[j - 1]->Tag() > lamps_[j]->Tag(); --j)
            std::swap(lamps_[j - 1], lamps_[j]);
    FitWindowToPlan();

    if (zoneNames_)
        zoneNames_->SetSelectable(false);
    if (TKestControl* building = Panel->FindControlByName("Building", Panel->Layers()))
        building->SetSelectable(false);
    if (credits_)
        credits_->SetHint({"About"});
    ReadOptions(site_.Settings(), AppOptions);
    ApplyOptions();
    site_.OnEvent = [](TdmMain*) {
        if (fmControl)
            fmControl->RefreshEvents();
    };
    site_.OnPersonMoved = [](TdmMain*) {
        if (fmControl)
            fmControl->RefreshCurrentPage();
    };
    site_.AddEvent("System online", 0, 0);
    doors_->tmTimeOuts().SetEnabled(true);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        const bool inactive = state != Qt::ApplicationActive;
        doors_->SetInactive(inactive);
        if (inactive)
            cardWindows_->HideAllCardWindows();
    });
    SchemesChanged();
    ScaleChanged();
    Panel->setFocus();
}

TfmMain::~TfmMain()
{
    Shutdown();
    Panel->OnNotify = nullptr;
    Panel->OnPaintOver = nullptr;
    // The door operations hold the doors of the panel, which goes with the window.
    doors_.reset();
    if (fmMain == this)
        fmMain = nullptr;
}

void TfmMain::CreateLayout()
{
    setWindowTitle("Access control system (demo)");
    setMinimumSize(185, 479);
    resize(636, 479);

    Panel2 = new QWidget(this);
    Panel2->setFixedWidth(78);
    auto* buttons = new QVBoxLayout(Panel2);
    buttons->setContentsMargins(8, 4, 8, 4);
    buttons->setSpacing(2);
    sbtControl = CreateButton("Control", GlyphControl());
    sbtZoomIn = CreateButton("Zoom In", GlyphZoom(true));
    sbtZoomOut = CreateButton("Zoom Out", GlyphZoom(false));
    sbtOptions = CreateButton("Options", GlyphOptions());
    sbtAbout = CreateButton("About", GlyphAbout());
    sbtExit = CreateButton("Exit", GlyphExit());
    for (QToolButton* b : {sbtControl, sbtZoomIn, sbtZoomOut, sbtOptions, sbtAbout})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(sbtExit);
    Panel1 = new QWidget(this);
    Panel1->setFixedWidth(3);

    tbMain = new QTabBar(this);
    tbMain->setFocusPolicy(Qt::NoFocus);
    tbMain->setDrawBase(true);
    for (const char* caption : TabCaptions)
        tbMain->addTab(caption);
    Panel = new TKestPanel(this);
    Panel->SetDocWidth(320000);
    Panel->SetDocHeight(240000);
    Panel->SetSchemeBkStretch(true);
    Panel->SetDocFrameColor(kest::clBlack);
    Panel->SetDocShadowColor(0x808080);
    Panel->SetDocSpaceBrush(kest::TKestBrush(kest::clBtnFace, kest::bsBDiagonal));
    Panel->SetDocSpaceFill(false);
    Panel->SetShowHint(false);
    Panel->setFrameShape(QFrame::StyledPanel);
    kest::TKestGrid* grid = Panel->Grid();
    grid->SetGridStyle(kest::gsDots);
    grid->SetGridHorizSize(10000);
    grid->SetGridVertSize(10000);
    grid->SetGridColor(0x808080);
    grid->SetGridPixColor(0xC0C0C0);
    Panel->horizontalScrollBar()->setSingleStep(10);
    Panel->verticalScrollBar()->setSingleStep(10);
    Panel->horizontalScrollBar()->setTracking(true);
    Panel->verticalScrollBar()->setTracking(true);
    Panel->viewport()->installEventFilter(this);
    Panel->installEventFilter(this);
    Panel->OnPaintOver = [this](kest::TKestCanvas* canvas, TKestControl*, bool, bool) { PaintOver(canvas); };

    auto* page = new QVBoxLayout;
    page->setContentsMargins(0, 2, 2, 0);
    page->setSpacing(0);
    page->addWidget(tbMain);
    page->addWidget(Panel, 1);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(Panel2);
    row->addWidget(Panel1);
    row->addLayout(page, 1);
    sbMain = new QStatusBar(this);
    sbMain->setSizeGripEnabled(false);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(1, 1, 1, 1);
    outer->setSpacing(0);
    outer->addLayout(row, 1);
    outer->addWidget(sbMain);

    tmSelected = new QTimer(this);
    tmSelected->setInterval(100);
    connect(tmSelected, &QTimer::timeout, this, &TfmMain::SelectedTick);
    tmLamps = new QTimer(this);
    tmLamps->setInterval(100);
    connect(tmLamps, &QTimer::timeout, this, &TfmMain::LampsTick);

    connect(tbMain, &QTabBar::currentChanged, this, &TfmMain::ShowTab);
    connect(sbtZoomIn, &QToolButton::clicked, this, &TfmMain::ZoomIn);
    connect(sbtZoomOut, &QToolButton::clicked, this, &TfmMain::ZoomOut);
    connect(sbtControl, &QToolButton::clicked, this, [this] { ShowControlPanel(site_, *this); });
    connect(sbtOptions, &QToolButton::clicked, this, &TfmMain::RunOptions);
    connect(sbtAbout, &QToolButton::clicked, this, &TfmMain::ShowAboutBox);
    connect(sbtExit, &QToolButton::clicked, this, &QWidget::close);
}

QToolButton* TfmMain::CreateButton(const QString& caption, const QImage& glyph)
{
    auto* button = new QToolButton(Panel2);
    button->setText(caption);
    button->setIcon(QIcon(QPixmap::fromImage(glyph)));
    button->setIconSize(glyph.size());
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setFixedSize(61, 58);
    button->setFocusPolicy(Qt::NoFocus);
    QFont font = button->font();
    font.setPointSizeF(std::min(font.pointSizeF(), 8.0));
    button->setFont(font);
    return button;
}

void TfmMain::Loaded(TKestControl* control)
{
    const std::string name = control->Name();
    if (name == "Lamp")
        lamps_.push_back(control);
    else if (name == "Copyright")
        credits_ = control;
    else if (name == "ZoneNames" && dynamic_cast<kest::TKestLayer*>(control))
        zoneNames_ = control;
    else if (auto* door = dynamic_cast<TKestDoor*>(control))
        doors_->AddDoor(door); // which closes it
    else if (name == "ZoneName") {
        zoneCaptions_.push_back(control);
        control->SetVisible(false);
        const int32_t zoneId = ZoneIdOf(control);
        control->SetTag(zoneId);
        if (auto* text = dynamic_cast<kest::TKestText*>(control)) {
            text->SetWordWrap(true);
            if (const TZoneRec* zone = site_.FindZone(zoneId))
                text->SetText(zone->Name);
        }
    } else if (HasKey(control, "ZoneID") && HasKey(control, "Level")) {
        zoneShapes_.push_back(control);
        if (const TZoneRec* zone = site_.FindZone(ZoneIdOf(control)))
            control->SetHint({zone->Name});
    }
}

int32_t TfmMain::ZoneIdOf(const TKestControl* control) const
{
    return DecimalOr0(control->UserData().GetValueByName("ZoneID"));
}

bool TfmMain::OnShownScheme(const TKestControl* control) const
{
    return control && Panel->ActiveScheme() && control->ParentScheme() == Panel->ActiveScheme();
}

void TfmMain::FitWindowToPlan()
{
    Panel->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Panel->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Hidden widgets get their sizes from the layout only when shown.
    ensurePolished();
    layout()->activate();
    layout()->setGeometry(rect());
    const QSize client = Panel->contentsRect().size();
    const int docW = kest::ScaleValue(Panel->DocWidth(), Panel->Scale());
    const int docH = kest::ScaleValue(Panel->DocHeight(), Panel->Scale());
    const int wantW = docW - client.width() + width();
    const int wantH = docH - client.height() + height();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize available = screen ? screen->availableGeometry().size() : QSize(wantW, wantH);
    if (wantW <= available.width() && wantH <= available.height()) {
        resize(wantW, wantH);
        if (screen)
            move(screen->availableGeometry().center() - rect().center());
    } else
        setWindowState(windowState() | Qt::WindowMaximized);
    // The bars come back once the window has its size: brought back now, the
    // small hidden panel would show them and keep them.
    barsPending_ = true;
}

void TfmMain::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!barsPending_)
        return;
    barsPending_ = false;
    QTimer::singleShot(0, this, [this] {
        Panel->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        Panel->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        Panel->UpdateScrollRanges();
    });
}

void TfmMain::ApplyOptions()
{
    Panel->SetShowHint(AppOptions.ShowHints);
    if (zoneNames_)
        zoneNames_->SetVisible(AppOptions.ShowZoneCaptions != 0);
    if (AppOptions.ShowZoneCaptions == 1 || AppOptions.ShowZoneCaptions == 2)
        for (TKestControl* caption : zoneCaptions_)
            caption->SetVisible(AppOptions.ShowZoneCaptions == 2);
    TKestControl* lampsLayer = Panel->FindControlByName("Lamps", Panel->Layers());
    if (AppOptions.LampsEffect == 0) {
        if (lampsLayer)
            lampsLayer->SetVisible(false);
        tmLamps->stop();
    } else if (AppOptions.LampsEffect <= 2) {
        if (lampsLayer)
            lampsLayer->SetVisible(true);
        tmLamps->start();
    }
    if (!AppOptions.ShowPersonsCards || !AppOptions.Emulation) {
        cardWindows_->HideAllCardWindows();
        inPlanCards_->RemoveAll();
    } else if (AppOptions.ShowCardsInKest)
        cardWindows_->HideAllCardWindows();
    else
        inPlanCards_->RemoveAll();
    site_.tmMovements().SetEnabled(AppOptions.Emulation);
}

void TfmMain::SchemesChanged()
{
    if (selected_) {
        if (OnShownScheme(selected_))
            tmSelected->start();
        else
            tmSelected->stop();
    }
    ClearHover();
    kest::TKestCustomScheme* scheme = Panel->ActiveScheme();
    const TPageRow* page = scheme ? FindPage(scheme->Name()) : nullptr;
    TKestControl* button = page && *page->FloorButton ? Panel->FindControlByName(page->FloorButton, scheme) : nullptr;
    if (button != floorButton_) {
        SetHighlight(floorButton_, hkFloor, false);
        floorButton_ = button;
        SetHighlight(floorButton_, hkFloor, true);
    }
    tabIndex_ = page ? page->Tab : -1;
    if (tabIndex_ >= 0 && tbMain->currentIndex() != tabIndex_) {
        const QSignalBlocker block(tbMain);
        tbMain->setCurrentIndex(tabIndex_);
    }
    cardWindows_->HideAllCardWindows();
}

void TfmMain::ScaleChanged()
{
    sbtZoomIn->setEnabled(Panel->Scale() < 400);
    sbtZoomOut->setEnabled(Panel->Scale() > 50);
}

void TfmMain::ShowTab(int index)
{
    if (index < 0 || index >= 5)
        return;
    auto* scheme = dynamic_cast<kest::TKestCustomScheme*>(Panel->FindControlByName(TabSchemes[index]));
    if (!scheme || scheme->Name() != TabSchemes[index] || scheme == Panel->ActiveScheme())
        return;
    cardWindows_->HideAllCardWindows();
    Panel->SetActiveScheme(scheme);
}

void TfmMain::ZoomIn()
{
    Panel->Zoom(Panel->Scale() * 2);
}

void TfmMain::ZoomOut()
{
    Panel->Zoom(Panel->Scale() / 2);
}

void TfmMain::SetHighlight(TKestControl* control, int kind, bool on)
{
    if (!control)
        return;
    if (kind != hkZone) {
        HighlightControl(control, kind, on);
        return;
    }
    HighlightControl(control, hkZone, on);
    if (AppOptions.ShowZoneCaptions == 1) {
        const int32_t zoneId = ZoneIdOf(control);
        for (TKestControl* caption : zoneCaptions_)
            if (caption->Tag() == zoneId)
                caption->SetVisible(on);
    }
}

void TfmMain::ClearHover()
{
    SetHighlight(hover_, hoverKind_, false);
    hover_ = nullptr;
    hoverKind_ = hkNone;
}

void TfmMain::HoverOver(TKestControl* control)
{
    if (control != hover_) {
        ClearHover();
        if (control && (control->Reference() || HasKey(control, "ZoneID") || control == credits_)) {
            hover_ = control;
            if (HasKey(control, "ZoneID"))
                hoverKind_ = hkZone;
            else if (control == credits_)
                hoverKind_ = hkCredits;
            else {
                const kest::TKestCustomScheme* scheme = control->ParentScheme();
                hoverKind_ = scheme && scheme->Name() == "MainPlan" ? hkBuilding : hkLink;
            }
            SetHighlight(hover_, hoverKind_, true);
        }
    }
    StatusText();
}

void TfmMain::StatusText()
{
    static const char* const Buildings[4][2] = {
        {"Administrate", "Go to Administrative building plans"},
        {"Production", "Go to Production building plans"},
        {"Tech center", "Go to Technical center plans"},
        {"Control Post", "Go to Control post plan"},
    };
    QString text;
    if (hoverKind_ == hkBuilding) {
        for (const auto& building : Buildings)
            if (SameText(hover_->Name(), building[0])) {
                text = building[1];
                hover_->SetHint({building[1]});
            }
    } else if (hoverKind_ == hkZone) {
        const int32_t zoneId = ZoneIdOf(hover_);
        if (const TZoneRec* zone = site_.FindZone(zoneId))
            text = QString("Zone %1: %2").arg(zone->Id).arg(QString::fromStdString(zone->Name));
        else
            text = "Unknown zone";
    }
    sbMain->showMessage(text);
}

void TfmMain::PanelMouseDown(Qt::MouseButton button, TKestControl* top, TKestControl* inner)
{
    if (Panel->ToolMode() != TKestPanel::tmNormal)
        return;
    if (button != Qt::LeftButton || !inner) {
        Select(nullptr);
        return;
    }
    const bool isZone = std::find(zoneShapes_.begin(), zoneShapes_.end(), inner) != zoneShapes_.end();
    if (isZone || dynamic_cast<TKestDoor*>(inner))
        Select(inner);
    else if (inner == credits_) {
        ClearHover();
        sbtAbout->click();
    } else if (top && top->UserData().GetValueByName("Type") == "Card") {
        Panel->UnselectAll();
        Panel->kest::TKestPanel::Select(top);
        Panel->SetToolMode(TKestPanel::tmMoving);
    } else if (!top || !top->Reference())
        Select(nullptr);
}

TKestControl* TfmMain::FindZoneShape(int32_t zoneId)
{
    for (TKestControl* shape : zoneShapes_)
        if (ZoneIdOf(shape) == zoneId)
            return shape;
    return nullptr;
}

QRegion TfmMain::SelectionFrame() const
{
    return selected_ ? FrameOf(SelectionRegion(*Panel, selected_), AppOptions.SelFrameWidth) : QRegion();
}

void TfmMain::InvalidateFrame()
{
    const QRect bounds = SelectionFrame().boundingRect();
    if (!bounds.isEmpty())
        Panel->viewport()->update(bounds);
}

void TfmMain::Select(TKestControl* control)
{
    if (control == selected_)
        return;
    if (selected_) {
        InvalidateFrame();
        selected_ = nullptr;
        tmSelected->stop();
    }
    if (control && control->ParentScheme() && control->ParentScheme() != Panel->ActiveScheme())
        Panel->SetActiveScheme(control->ParentScheme());
    selected_ = control;
    if (!control)
        return;
    tmSelected->start();
    InvalidateFrame();
    if (!fmControl)
        return;
    if (auto* door = dynamic_cast<TKestDoor*>(control))
        fmControl->ShowPassRow(site_.FindPass(door->PassA()));
    else if (!control->UserData().GetValueByName("ZoneID").empty())
        fmControl->ShowZoneRow(site_.FindZoneIndex(ZoneIdOf(control)));
}

void TfmMain::SelectedTick()
{
    framePhase_ = (framePhase_ + 7) % 8;
    InvalidateFrame();
}

void TfmMain::DrawFrame(QPainter& painter)
{
    QBrush brush(selectionBrush_);
    // The pattern's origin moves with the phase, so the stripes crawl.
    brush.setTransform(QTransform::fromTranslate(7 - framePhase_, 7 - framePhase_));
    const QRegion frame = SelectionFrame();
    for (const QRect& r : frame)
        painter.fillRect(r, brush);
}

void TfmMain::PaintOver(kest::TKestCanvas* canvas)
{
    if (canvas && selected_ && tmSelected->isActive() && Panel->OnScreen())
        DrawFrame(canvas->Painter());
}

void TfmMain::LampsTick()
{
    lampPhase_ = lampPhase_ == 0 ? 5 : lampPhase_ - 1;
    if (AppOptions.LampsEffect != 1 && AppOptions.LampsEffect != 2)
        return;
    for (size_t i = 0; i < lamps_.size(); ++i) {
        auto* brush = dynamic_cast<kest::TBrushProp*>(lamps_[i]->Props().PropByName("Brush"));
        if (!brush)
            continue;
        const size_t step = size_t(lampPhase_) + i;
        if (AppOptions.LampsEffect == 1)
            brush->SetColor(RunningColors[step % 6]);
        else
            brush->SetColor(step % 2 ? 0xFFFF00 : 0x800000);
    }
}

void TfmMain::ShowAboutBox()
{
    if (AboutAction)
        AboutAction();
}

void TfmMain::RunOptions()
{
    std::string error;
    if (!EditOptions(
            this, site_.Settings(), [this] { ApplyOptions(); }, error))
        return;
    // An installed station's settings usually lie in a folder the operator
    // cannot write: the journal says so once and the options live on in
    // memory, instead of a message box at every OK.
    if (error.empty())
        saveFailureReported_ = false;
    else if (!saveFailureReported_) {
        saveFailureReported_ = true;
        site_.AddEvent("Options kept until exit only: " + error, 0, 0);
    }
}

void TfmMain::ShowInPlanCard(int32_t passId, int32_t actor, TKestDoor* door, bool alarm)
{
    inPlanCards_->Show(passId, actor, door, alarm);
}

void TfmMain::RemoveInPlanCard(TKestDoor* door)
{
    inPlanCards_->Remove(door);
}

void TfmMain::ShowCardWindow(int32_t passId, int32_t actor, TKestDoor* door, bool alarm)
{
    cardWindows_->ShowCardWindow(passId, actor, door, alarm);
}

void TfmMain::HideCardWindow(TKestDoor* door)
{
    cardWindows_->HideCardWindow(door);
}

bool TfmMain::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == Panel && (type == QEvent::KeyPress || type == QEvent::KeyRelease)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (type == QEvent::KeyPress && key->key() == Qt::Key_F1) {
            sbtAbout->click();
            return true;
        }
        if (key->key() == Qt::Key_Alt) {
            const uint8_t mode = Panel->ToolMode();
            if (type == QEvent::KeyPress && mode == TKestPanel::tmNormal && !Panel->CreatingControlClass())
                Panel->SetToolMode(TKestPanel::tmPan);
            else if (type == QEvent::KeyRelease && (mode == TKestPanel::tmPan || mode == TKestPanel::tmPanning))
                Panel->SetToolMode(TKestPanel::tmNormal);
        }
        return false;
    }
    if (watched == Panel && type == QEvent::FocusOut) {
        ClearHover();
        return false;
    }
    if (watched != Panel->viewport() || forwarding_ || (type != QEvent::MouseButtonPress && type != QEvent::MouseMove))
        return false;
    // The panel handles the event first, so the object under the mouse is
    // current and a card click finds its selection made.
    forwarding_ = true;
    QCoreApplication::sendEvent(watched, event);
    forwarding_ = false;
    if (type == QEvent::MouseMove) {
        if (Panel->ActiveScheme())
            HoverOver(Panel->MouseControl());
    } else {
        TKestControl* top = Panel->MouseControl();
        TKestControl* inner = Panel->MouseSubControl() ? Panel->MouseSubControl() : top;
        PanelMouseDown(static_cast<QMouseEvent*>(event)->button(), top, inner);
    }
    return true;
}

void TfmMain::Shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    site_.tmMovements().SetEnabled(false);
    doors_->tmTimeOuts().SetEnabled(false);
    tmSelected->stop();
    tmLamps->stop();
    inPlanCards_->RemoveAll();
    cardWindows_->HideAllCardWindows();
    site_.OnEvent = nullptr;
    site_.OnPersonMoved = nullptr;
    doors_->SetCards(nullptr);
}

void TfmMain::closeEvent(QCloseEvent* event)
{
    Shutdown();
    event->accept();
}

} // namespace doravo
