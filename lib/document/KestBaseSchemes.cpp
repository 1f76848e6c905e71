// Layers and the layer list, schemes and the document root, the grid, and
// the paint order of a scheme.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "KestBaseContainers.h"
#include "KestBaseLinks.h"
#include "KestBasePanel.h"
#include "KestCanvas.h"

namespace kest {

namespace {

constexpr int32_t kGridColor = 0x808080;
constexpr int32_t kGridPixColor = 0xC0C0C0;
constexpr int32_t kNoColor = 0x1FFFFFFF;

// Does another child of the same list carry that name?
bool NameTaken(const TKestControl& self, const TKestControl* list, const std::string& name)
{
    if (!list)
        return false;
    for (int i = 0; i < list->Count(); ++i)
        if (list->Controls(i) != &self && list->Controls(i)->Name() == name)
            return true;
    return false;
}

// The name-change rule of layers and schemes: a name that is empty or taken
// in the list reverts to the previous one, or is cleared when that is not
// valid either (so the rule always ends).
void CheckUniqueName(TKestControl& self, const TKestControl* list, std::string& oldName, bool& hasOldName)
{
    const std::string name = self.Name();
    const std::string previous = oldName;
    oldName.clear();
    hasOldName = false;
    if (!name.empty() && !NameTaken(self, list, name))
        return;
    const bool previousValid = !previous.empty() && !NameTaken(self, list, previous);
    // Marked as having an old name, so the nested change does not record one.
    hasOldName = true;
    self.SetName(previousValid ? previous : std::string());
    oldName.clear();
    hasOldName = false;
}

} // namespace

// ---------------------------------------------------------------------------
// TKestServiceControl

KEST_CONTROL_CLASS_IMPL(TKestServiceControl, TKestControl)

// ---------------------------------------------------------------------------
// TKestLayer

KEST_CONTROL_CLASS_IMPL(TKestLayer, TKestServiceControl)

void TKestLayer::CreateProperties()
{
    TKestServiceControl::CreateProperties();
    for (TCustomProp* prop : {static_cast<TCustomProp*>(LeftProp()), static_cast<TCustomProp*>(TopProp()),
             static_cast<TCustomProp*>(WidthProp()), static_cast<TCustomProp*>(HeightProp()),
             static_cast<TCustomProp*>(LayerProp()), static_cast<TCustomProp*>(ReferenceProp())})
        HideProp(prop);
    VisibleProp()->SetStyle(psVisible);
    moveableProp_ = Props().Add<TBoolProp>("Moveable");
    resizableProp_ = Props().Add<TBoolProp>("Resizable");
    readOnlyProp_ = Props().Add<TBoolProp>("ReadOnly");
    for (TBoolProp* prop : {moveableProp_, resizableProp_, readOnlyProp_})
        prop->SetStyle(psVisible | psNonVisual);
}

void TKestLayer::ControlCreate()
{
    SetSelectable(true);
    SetMoveable(true);
    SetResizable(true);
    if (Owner())
        SetName(Owner()->GenerateName(this, nullptr, true));
    TKestServiceControl::ControlCreate();
    SetVisible(true);
}

void TKestLayer::BeforeDestruction()
{
    if (TKestPanel* panel = Owner()) {
        TKestSchemes* schemes = panel->Schemes();
        for (int s = 0; schemes && s < schemes->Count(); ++s) {
            TKestControl* scheme = schemes->Controls(s);
            for (int i = scheme->Count() - 1; i >= 0; --i)
                if (i < scheme->Count() && scheme->Controls(i)->Layer() == this)
                    scheme->Controls(i)->Free();
        }
    }
    TKestServiceControl::BeforeDestruction();
}

bool TKestLayer::IsReadOnly() const
{
    return readOnlyProp_->BoolValue();
}

void TKestLayer::SetReadOnly(bool value)
{
    readOnlyProp_->SetBoolValue(value);
}

bool TKestLayer::IsMoveable() const
{
    return moveableProp_->BoolValue();
}

void TKestLayer::SetMoveable(bool value)
{
    moveableProp_->SetBoolValue(value);
}

bool TKestLayer::IsResizable() const
{
    return resizableProp_->BoolValue();
}

void TKestLayer::SetResizable(bool value)
{
    resizableProp_->SetBoolValue(value);
}

void TKestLayer::Invalidate()
{
    if (Owner() && UpdateCounter() == 0 && !Owner()->Destroying())
        Owner()->viewport()->update();
}

void TKestLayer::PropBeforeChanged(TPropList* sender, TCustomProp* prop)
{
    if (prop == NameProp() && !hasOldName_) {
        oldName_ = Name();
        hasOldName_ = true;
    }
    TKestServiceControl::PropBeforeChanged(sender, prop);
}

void TKestLayer::PropChanged(TPropList* sender, TCustomProp* prop)
{
    TKestServiceControl::PropChanged(sender, prop);
    if (prop == NameProp() && hasOldName_) {
        CheckUniqueName(*this, Owner() ? Owner()->Layers() : nullptr, oldName_, hasOldName_);
    } else if (prop == SelectableProp() && !Selectable() && Owner()) {
        TKestPanel* panel = Owner();
        for (int i = panel->SelectedCount() - 1; i >= 0; --i)
            if (i < panel->SelectedCount() && panel->SelectedControl(i)->Layer() == this)
                panel->Unselect(panel->SelectedControl(i));
    }
}

void TKestLayer::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestServiceControl::PropStored(sender, prop, subName, stored);
    if (prop == moveableProp_)
        stored = !IsMoveable();
    else if (prop == resizableProp_)
        stored = !IsResizable();
    else if (prop == readOnlyProp_)
        stored = IsReadOnly();
}

// ---------------------------------------------------------------------------
// TKestLayers

KEST_CONTROL_CLASS_IMPL(TKestLayers, TKestServiceControl)

void TKestLayers::ControlCreate()
{
    SetSkipSelfPaint(true);
    SetVisible(false);
    SetName("Layers");
    TKestServiceControl::ControlCreate();
}

TKestLayer* TKestLayers::NewLayer()
{
    return Create<TKestLayer>(Owner(), this);
}

TKestLayer* TKestLayers::ByName(std::string_view name) const
{
    for (int i = 0; i < Count(); ++i)
        if (Controls(i)->Name() == name)
            return static_cast<TKestLayer*>(Controls(i));
    return nullptr;
}

TKestLayer* TKestLayers::Layers(int index) const
{
    return static_cast<TKestLayer*>(Controls(index));
}

int TKestLayers::IndexOfLayer(const TKestLayer* layer) const
{
    return IndexOf(layer);
}

int TKestLayers::AddChild(TKestControl* control)
{
    auto* layer = dynamic_cast<TKestLayer*>(control);
    if (!layer)
        return -1;
    const int index = TKestServiceControl::AddChild(layer);
    DoNotify(knLayers);
    if (Owner() && !Owner()->ActiveLayer())
        Owner()->SetActiveLayer(layer);
    return index;
}

void TKestLayers::DeleteChild(int index)
{
    if (index < 0 || index >= Count())
        return;
    TKestControl* child = Controls(index);
    if (!child->HasState(csDestroying) && !HasState(csRemovingChild)) {
        child->Free();
        return;
    }
    TKestServiceControl::DeleteChild(index);
    if (Owner() && Owner()->ActiveLayer() == child)
        Owner()->SetActiveLayer(index < Count() ? Layers(index) : Count() > 0 ? Layers(Count() - 1) : nullptr);
    DoNotify(knLayers);
}

void TKestLayers::ChangeOrder(int curIndex, int newIndex)
{
    TKestServiceControl::ChangeOrder(curIndex, newIndex);
    DoNotify(knLayers);
}

// ---------------------------------------------------------------------------
// TKestCustomScheme

KEST_CONTROL_CLASS_IMPL(TKestCustomScheme, TKestServiceControl)

void TKestCustomScheme::CreateProperties()
{
    TKestServiceControl::CreateProperties();
    defaultProp_ = Props().Add<TBoolProp>("Default");
    defaultProp_->SetStyle(psVisible | psNonVisual);
    for (TCustomProp* prop : {static_cast<TCustomProp*>(LeftProp()), static_cast<TCustomProp*>(TopProp()),
             static_cast<TCustomProp*>(WidthProp()), static_cast<TCustomProp*>(HeightProp()),
             static_cast<TCustomProp*>(LayerProp()), static_cast<TCustomProp*>(TransparencyProp())})
        HideProp(prop);
    WidthProp()->OnGetValue = [this](TIntProp*, int32_t& value) { value = Owner() ? Owner()->DocWidth() : 0; };
    HeightProp()->OnGetValue = [this](TIntProp*, int32_t& value) { value = Owner() ? Owner()->DocHeight() : 0; };
}

void TKestCustomScheme::ControlCreate()
{
    if (Parent() && Parent()->Count() == 1)
        SetDefault(true);
    if (Owner())
        SetName(Owner()->GenerateName(this, nullptr, true));
    SetAlwaysPaint(true);
    TKestServiceControl::ControlCreate();
    SetSkipSelfPaint(true);
    SetVisible(true);
}

void TKestCustomScheme::BeforeDestruction()
{
    if (TKestPanel* panel = Owner(); panel && panel->Schemes()) {
        std::vector<TKestControl*> referring;
        panel->Schemes()->ForEach([&](TKestControl* c) {
            if (c->Reference() == this)
                referring.push_back(c);
            return true;
        });
        for (TKestControl* c : referring)
            c->SetReference(nullptr);
    }
    TKestServiceControl::BeforeDestruction();
}

bool TKestCustomScheme::IsDefault() const
{
    return defaultProp_->BoolValue();
}

void TKestCustomScheme::SetDefault(bool value)
{
    defaultProp_->SetBoolValue(value);
}

void TKestCustomScheme::PropChanged(TPropList* sender, TCustomProp* prop)
{
    TKestServiceControl::PropChanged(sender, prop);
    if (prop != defaultProp_)
        return;
    TKestPanel* panel = Owner();
    TKestSchemes* schemes = panel ? panel->Schemes() : nullptr;
    bool otherDefault = false;
    for (int i = 0; schemes && i < schemes->Count(); ++i) {
        auto* other = static_cast<TKestCustomScheme*>(schemes->Controls(i));
        if (other == this || !other->IsDefault())
            continue;
        if (IsDefault())
            other->SetDefault(false);
        else
            otherDefault = true;
    }
    if (IsDefault()) {
        if (panel && !panel->ActiveScheme())
            panel->SetActiveScheme(this);
    } else if (!otherDefault && Parent()) {
        SetDefault(true);
    }
}

void TKestCustomScheme::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestServiceControl::PropStored(sender, prop, subName, stored);
    if (prop == defaultProp_)
        stored = IsDefault();
}

void TKestCustomScheme::PaintAll(TKestCanvas& canvas, int32_t paintX, int32_t paintY)
{
    TKestPanel* panel = Owner();
    if (!Visible() || !panel)
        return;
    if (!SkipSelfPaint())
        Paint(canvas, BackgroundRect(paintX, paintY));
    if (panel->OnPaintScheme)
        panel->OnPaintScheme(&canvas, this, false, false);
    if (!panel->PlainOutput() && panel->Grid())
        panel->Grid()->PaintAll(canvas, paintX, paintY);
    TPaintOrder order;
    if (Count() > 0 && panel->Layers()->Count() > 0 && BuildPaintOrder(this, order))
        order.ForEachBottomUp([&](TKestControl* c) { c->PaintAll(canvas, paintX + c->Left(), paintY + c->Top()); });
}

TKestRect TKestCustomScheme::BackgroundRect(int32_t paintX, int32_t paintY) const
{
    const TKestPanel* panel = Owner();
    if (!panel)
        return {};
    TKestRect r = panel->TransformRect({paintX, paintY, paintX + panel->DocWidth(), paintY + panel->DocHeight()});
    if (panel->SchemeBkStretch() && panel->OnScreen()) {
        const int32_t cw = panel->viewport()->width(), ch = panel->viewport()->height();
        if (RectWidth(r) < cw) {
            r.Left -= (cw - RectWidth(r)) / 2;
            r.Right = r.Left + cw;
        }
        if (RectHeight(r) < ch) {
            r.Top -= (ch - RectHeight(r)) / 2;
            r.Bottom = r.Top + ch;
        }
    }
    return r;
}

// Hidden layers are skipped too: what is not drawn cannot be hit.
TKestControl* TKestCustomScheme::FindControlAtPoint(int32_t x, int32_t y)
{
    TKestPanel* panel = Owner();
    if (!panel || !panel->Layers())
        return nullptr;
    if (!hitIndex_.Current(panel->ChangeStamp(), panel->Scale()))
        hitIndex_.Build(*this, panel->ChangeStamp(), panel->Scale());
    return hitIndex_.FirstAt(panel->UnTransformPoint({x, y}), [x, y](TKestControl* c) {
        const TKestLayer* layer = c->Layer();
        return layer && layer->Selectable() && layer->Visible() && c->Visible() && c->IsPointInside(x, y);
    });
}

int TKestCustomScheme::AddChild(TKestControl* control)
{
    hitIndex_.Clear();
    return TKestServiceControl::AddChild(control);
}

void TKestCustomScheme::DeleteChild(int index)
{
    hitIndex_.Clear();
    TKestServiceControl::DeleteChild(index);
}

void TKestCustomScheme::ChangeOrder(int curIndex, int newIndex)
{
    hitIndex_.Clear();
    TKestServiceControl::ChangeOrder(curIndex, newIndex);
}

// ---------------------------------------------------------------------------
// TKestScheme

KEST_CONTROL_CLASS_IMPL(TKestScheme, TKestCustomScheme)

void TKestScheme::CreateProperties()
{
    TKestCustomScheme::CreateProperties();
    brushProp_ = Props().Add<TBrushProp>("Brush");
    pictureProp_ = Props().Add<TPictureProp>("Picture");
    backgroundProp_ = Props().Add<TBackgroundOptionsProp>("Background");
}

void TKestScheme::ControlCreate()
{
    TKestCustomScheme::ControlCreate();
    brushProp_->SetColor(clWhite);
    SetSkipSelfPaint(false);
}

void TKestScheme::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestCustomScheme::PropStored(sender, prop, subName, stored);
    if (prop == brushProp_ && subName == "Color")
        stored = brushProp_->Color() != clWhite;
}

void TKestScheme::PropBeforeChanged(TPropList* sender, TCustomProp* prop)
{
    if (prop == NameProp() && !hasOldName_) {
        oldName_ = Name();
        hasOldName_ = true;
    }
    TKestCustomScheme::PropBeforeChanged(sender, prop);
}

void TKestScheme::PropChanged(TPropList* sender, TCustomProp* prop)
{
    TKestCustomScheme::PropChanged(sender, prop);
    if (prop == NameProp() && hasOldName_)
        CheckUniqueName(*this, Owner() ? Owner()->Schemes() : nullptr, oldName_, hasOldName_);
}

TKestRect TKestScheme::GetRefreshRect(int32_t paintX, int32_t paintY)
{
    TKestPanel* panel = Owner();
    if (!panel || !panel->SchemeBkStretch())
        return TKestCustomScheme::GetRefreshRect(paintX, paintY);
    const TKestPoint a = panel->UnTransformPoint({0, 0});
    const TKestPoint b = panel->UnTransformPoint({panel->viewport()->width(), panel->viewport()->height()});
    return {a.X, a.Y, b.X, b.Y};
}

void TKestScheme::Paint(TKestCanvas& canvas, const TKestRect& paintRect)
{
    TKestPanel* panel = Owner();
    backgroundProp_->Paint(
        canvas, paintRect, panel && panel->HighQuality(), panel ? panel->Scale() : 100, brushProp_, pictureProp_);
}

// Only the brush counts: a solid colour filled in copy mode. Gradients,
// bitmaps and hatches may leave pixels as they were.
bool TKestScheme::OpaqueBackground() const
{
    const TBrushProp& brush = *brushProp_;
    return backgroundProp_->BrushEnabled() && brush.Method() == bmHatch && brush.Style() == bsSolid
        && brush.Color() != clNone;
}

// ---------------------------------------------------------------------------
// TKestSchemes

KEST_CONTROL_CLASS_IMPL(TKestSchemes, TKestServiceControl)

void TKestSchemes::CreateProperties()
{
    TKestServiceControl::CreateProperties();
    versionProp_ = Props().Add<TIntProp>("Version");
    versionProp_->SetValue(kVersion);
    versionProp_->SetStyle(psReadOnly | psNonVisual);
    connectorsMinGapProp_ = Props().Add<TIntProp>("ConnectorsMinGap");
    connectorsMinGapProp_->SetStyle(psVisible | psScaled | psNonVisual);
    connectorLinkToPointProp_ = Props().Add<TBoolProp>("ConnectorLinkToPoint");
    connectorLinkToPointProp_->SetStyle(psVisible | psNonVisual);
}

// The root does not run the base creation step: its identifier is fixed and
// it is never recorded for undo.
void TKestSchemes::ControlCreate()
{
    SetAlwaysPaint(true);
    SetName("Document");
    SetID(1);
    SetVisible(true);
    SetShowHint(true);
    SetSelectable(true);
    SetConnectorsMinGap(kDefaultConnectorsMinGap);
    if (Owner()) {
        SetWidth(Owner()->DocWidth());
        SetHeight(Owner()->DocHeight());
    }
    for (TCustomProp* prop : {static_cast<TCustomProp*>(LeftProp()), static_cast<TCustomProp*>(TopProp()),
             static_cast<TCustomProp*>(VisibleProp()), static_cast<TCustomProp*>(LayerProp()),
             static_cast<TCustomProp*>(ReferenceProp()), static_cast<TCustomProp*>(TransparencyProp())})
        HideProp(prop);
    DoNotify(knCreated);
}

TKestCustomScheme* TKestSchemes::ByIndex(int index) const
{
    return index >= 0 && index < Count() ? static_cast<TKestCustomScheme*>(Controls(index)) : nullptr;
}

int32_t TKestSchemes::ConnectorsMinGap() const
{
    return connectorsMinGapProp_->Value();
}

void TKestSchemes::SetConnectorsMinGap(int32_t value)
{
    connectorsMinGapProp_->SetValue(value);
}

bool TKestSchemes::ConnectorLinkToPoint() const
{
    return connectorLinkToPointProp_->BoolValue();
}

void TKestSchemes::SetConnectorLinkToPoint(bool value)
{
    connectorLinkToPointProp_->SetBoolValue(value);
}

void TKestSchemes::PropChanged(TPropList* sender, TCustomProp* prop)
{
    TKestServiceControl::PropChanged(sender, prop);
    TKestPanel* panel = Owner();
    if (!panel)
        return;
    if (prop == WidthProp() && Width() != panel->DocWidth())
        panel->SetDocWidth(Width());
    else if (prop == HeightProp() && Height() != panel->DocHeight())
        panel->SetDocHeight(Height());
    else if (prop == connectorsMinGapProp_ && ConnectorsMinGap() != panel->ConnectorsMinGap()) {
        if (ConnectorsMinGap() <= 0)
            SetConnectorsMinGap(1);
        else
            panel->SetConnectorsMinGap(ConnectorsMinGap());
    }
}

void TKestSchemes::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestServiceControl::PropStored(sender, prop, subName, stored);
    if (prop == connectorsMinGapProp_)
        stored = ConnectorsMinGap() != kDefaultConnectorsMinGap;
    else if (prop == connectorLinkToPointProp_)
        stored = ConnectorLinkToPoint();
}

int TKestSchemes::AddChild(TKestControl* control)
{
    auto* scheme = dynamic_cast<TKestCustomScheme*>(control);
    if (!scheme)
        return -1;
    const int index = TKestServiceControl::AddChild(scheme);
    DoNotify(knSchemes);
    if (Owner() && !Owner()->ActiveScheme())
        Owner()->SetActiveScheme(scheme);
    return index;
}

void TKestSchemes::DeleteChild(int index)
{
    if (index < 0 || index >= Count())
        return;
    TKestControl* child = Controls(index);
    if (!child->HasState(csDestroying) && !HasState(csRemovingChild)) {
        child->Free();
        return;
    }
    TKestServiceControl::DeleteChild(index);
    if (Owner() && Owner()->ActiveScheme() == child)
        Owner()->SetActiveScheme(index < Count() ? ByIndex(index) : ByIndex(Count() - 1));
    DoNotify(knSchemes);
}

void TKestSchemes::ChangeOrder(int curIndex, int newIndex)
{
    TKestServiceControl::ChangeOrder(curIndex, newIndex);
    DoNotify(knSchemes);
}

// ---------------------------------------------------------------------------
// TKestGrid

KEST_CONTROL_CLASS_IMPL(TKestGrid, TKestServiceControl)

double GridStep(int32_t gridSize, int32_t scale)
{
    double step = double(gridSize) * scale / 100000.0;
    if (step <= 0)
        return 0;
    while (step < 4.0)
        step *= 2;
    return step;
}

void TKestGrid::CreateProperties()
{
    TKestServiceControl::CreateProperties();
    for (TCustomProp* prop : {static_cast<TCustomProp*>(LeftProp()), static_cast<TCustomProp*>(TopProp()),
             static_cast<TCustomProp*>(WidthProp()), static_cast<TCustomProp*>(HeightProp()),
             static_cast<TCustomProp*>(LayerProp()), static_cast<TCustomProp*>(ReferenceProp())})
        HideProp(prop);
    WidthProp()->OnGetValue = [this](TIntProp*, int32_t& value) { value = Owner() ? Owner()->DocWidth() : 0; };
    HeightProp()->OnGetValue = [this](TIntProp*, int32_t& value) { value = Owner() ? Owner()->DocHeight() : 0; };
}

void TKestGrid::ControlCreate()
{
    SetAlwaysPaint(true);
    snapStyle_ = SnapBit(snLeft) | SnapBit(snTop);
    gridColor_ = kGridColor;
    gridStyle_ = gsDots;
    gridPixColor_ = kGridPixColor;
    SetName("Grid");
    TKestServiceControl::ControlCreate();
}

template <class T> void TKestGrid::Store(T& field, T value, bool invalidate)
{
    if (field == value)
        return;
    field = value;
    if (invalidate && Visible())
        Invalidate();
}

void TKestGrid::SetShowPixGrid(bool value)
{
    Store(showPixGrid_, value, true);
}

void TKestGrid::SetGridStyle(TKestGridStyle value)
{
    Store(gridStyle_, value, true);
}

void TKestGrid::SetGridColor(int32_t value)
{
    Store(gridColor_, value, true);
}

void TKestGrid::SetGridPixColor(int32_t value)
{
    Store(gridPixColor_, value, showPixGrid_);
}

void TKestGrid::SetGridHorizSize(int32_t value)
{
    Store(gridHorizSize_, value, true);
}

void TKestGrid::SetGridVertSize(int32_t value)
{
    Store(gridVertSize_, value, true);
}

void TKestGrid::DoSnap(const TKestRect& rect, TKestPoint& delta, int resizeHandle) const
{
    const bool all = (snapStyle_ & SnapBit(snAll)) != 0;
    auto tried = [&](TKestSnap snap) { return all || (snapStyle_ & SnapBit(snap)) != 0; };
    TKestRect r = rect;
    bool left = false, top = false, right = false, bottom = false;
    if (resizeHandle == 0) {
        r = {rect.Left + delta.X, rect.Top + delta.Y, rect.Right + delta.X, rect.Bottom + delta.Y};
        left = tried(snLeft);
        top = tried(snTop);
        right = tried(snRight);
        bottom = tried(snBottom);
    } else {
        const bool movesLeft = resizeHandle == 1 || resizeHandle == 4 || resizeHandle == 6;
        const bool movesTop = resizeHandle == 1 || resizeHandle == 2 || resizeHandle == 3;
        const bool movesRight = resizeHandle == 3 || resizeHandle == 5 || resizeHandle == 8;
        const bool movesBottom = resizeHandle == 6 || resizeHandle == 7 || resizeHandle == 8;
        if (movesLeft)
            r.Left += delta.X;
        if (movesTop)
            r.Top += delta.Y;
        if (movesRight)
            r.Right += delta.X;
        if (movesBottom)
            r.Bottom += delta.Y;
        left = movesLeft && tried(snLeft);
        top = movesTop && tried(snTop);
        right = movesRight && tried(snRight);
        bottom = movesBottom && tried(snBottom);
    }
    const bool centre = tried(snCenter);

    // The smallest correction on one axis; edges, then the centre compared
    // as twice the centre against doubled grid positions.
    auto correction = [](int32_t size, std::initializer_list<std::pair<bool, int32_t>> edges, bool withCentre,
                          int64_t doubledCentre) -> int32_t {
        if (size < 1)
            return 0;
        bool found = false;
        int64_t best = 0;
        auto consider = [&](int64_t c) {
            if (!found || std::llabs(c) < std::llabs(best)) {
                best = c;
                found = true;
            }
        };
        for (const auto& [use, v] : edges)
            if (use)
                consider(std::llround(double(v) / size) * size - v);
        if (withCentre)
            consider((std::llround(double(doubledCentre) / (2.0 * size)) * 2 * size - doubledCentre) / 2);
        return static_cast<int32_t>(best);
    };
    delta.X += correction(gridHorizSize_, {{left, r.Left}, {right, r.Right}}, centre, int64_t(r.Left) + r.Right);
    delta.Y += correction(gridVertSize_, {{top, r.Top}, {bottom, r.Bottom}}, centre, int64_t(r.Top) + r.Bottom);
}

void TKestGrid::Paint(TKestCanvas& canvas, const TKestRect& paintRect)
{
    TKestPanel* panel = Owner();
    if (!panel)
        return;
    const int32_t scale = panel->Scale();
    TKestBrush brush;
    if (showPixGrid_ && scale >= 400) {
        brush.Color = gridPixColor_;
        canvas.SetBrush(brush);
        const double step = scale / 100.0;
        for (double x = paintRect.Left; x < paintRect.Right; x += step) {
            const int32_t px = static_cast<int32_t>(std::lround(x));
            canvas.FillRect({px, paintRect.Top, px + 1, paintRect.Bottom});
        }
        for (double y = paintRect.Top; y < paintRect.Bottom; y += step) {
            const int32_t py = static_cast<int32_t>(std::lround(y));
            canvas.FillRect({paintRect.Left, py, paintRect.Right, py + 1});
        }
    }
    if (gridHorizSize_ <= 1 || gridVertSize_ <= 1 || gridColor_ == kNoColor)
        return;
    brush.Color = gridColor_;
    canvas.SetBrush(brush);
    const double sx = GridStep(gridHorizSize_, scale), sy = GridStep(gridVertSize_, scale);
    const int32_t shorten = panel->ShowDocFrame() ? 1 : 0;
    const int32_t right = paintRect.Right - shorten, bottom = paintRect.Bottom - shorten;
    std::vector<int32_t> xs, ys;
    for (double x = paintRect.Left; std::lround(x) < right; x += sx)
        xs.push_back(static_cast<int32_t>(std::lround(x)));
    for (double y = paintRect.Top; std::lround(y) < bottom; y += sy)
        ys.push_back(static_cast<int32_t>(std::lround(y)));
    if (gridStyle_ == gsLines) {
        for (int32_t x : xs)
            canvas.FillRect({x, paintRect.Top, x + 1, bottom});
        for (int32_t y : ys)
            canvas.FillRect({paintRect.Left, y, right, y + 1});
        return;
    }
    for (int32_t y : ys)
        for (int32_t x : xs)
            canvas.FillRect({x, y, x + 1, y + 1});
}

// ---------------------------------------------------------------------------
// Paint order

bool BuildPaintOrder(TKestCustomScheme* scheme, TPaintOrder& order)
{
    order.LayerRefs.clear();
    order.Controls.clear();
    TKestPanel* panel = scheme ? scheme->Owner() : nullptr;
    if (!panel || !panel->Layers())
        return false;
    const TKestLayers* layers = panel->Layers();
    order.LayerRefs.assign(static_cast<size_t>(layers->Count()), TPaintOrderLayer {});
    order.Controls.assign(static_cast<size_t>(scheme->Count()), TPaintOrderItem {});
    bool placed = false;
    const TKestLayer* lastLayer = nullptr;
    int lastIndex = -1;
    for (int i = 0; i < scheme->Count(); ++i) {
        TKestControl* c = scheme->Controls(i);
        TPaintOrderItem& item = order.Controls[static_cast<size_t>(i)];
        item.Control = c;
        if (c->Layer() != lastLayer) {
            lastLayer = c->Layer();
            lastIndex = lastLayer ? layers->IndexOfLayer(lastLayer) : -1;
        }
        if (lastIndex < 0)
            continue;
        TPaintOrderLayer& ref = order.LayerRefs[static_cast<size_t>(lastIndex)];
        item.Prev = ref.Last;
        if (ref.Last >= 0)
            order.Controls[static_cast<size_t>(ref.Last)].Next = i;
        else
            ref.First = i;
        ref.Last = i;
        placed = true;
    }
    return placed;
}

} // namespace kest
