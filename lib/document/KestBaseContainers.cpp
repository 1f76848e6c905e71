// Groups and clones.
#include "KestBaseContainers.h"

#include <QPicture>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "KestBaseLinks.h"
#include "KestBasePanel.h"
#include "KestCanvas.h"

namespace kest {

namespace {

TKestRect OffsetRect(const TKestRect& r, int32_t dx, int32_t dy)
{
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

TKestRect UnionRect(const TKestRect& a, const TKestRect& b)
{
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

int32_t RoundToInt(double value)
{
    return static_cast<int32_t>(std::lround(value));
}

// Sets a flag for the duration of a scope.
class TFlagScope {
public:
    explicit TFlagScope(bool& flag)
        : flag_(flag)
    {
        flag_ = true;
    }
    ~TFlagScope() { flag_ = false; }
    TFlagScope(const TFlagScope&) = delete;
    TFlagScope& operator=(const TFlagScope&) = delete;

private:
    bool& flag_;
};

} // namespace

// ---------------------------------------------------------------------------
// TKestGroup

KEST_CONTROL_CLASS_IMPL(TKestGroup, TKestControl)

void TKestGroup::ControlCreate()
{
    SetSkipSelfPaint(true);
    TKestControl::ControlCreate();
    SetVisible(true);
}

void TKestGroup::Realign()
{
    // Undo and redo restore every rectangle a realignment once changed; a
    // realignment in between would move the group off its restored place.
    const THistoryState state = Owner() ? Owner()->History().State() : hsIdle;
    if (realigning_ || moving_ || HasState(csDestroying) || state == hsUndo || state == hsRedo)
        return;
    if (OperationCounter() > 0) {
        realignPending_ = true;
        return;
    }
    FitToChildren();
}

void TKestGroup::FitToChildren()
{
    if (Count() == 0)
        return;
    TFlagScope realigning(realigning_);
    for (int i = 0; i < Count(); ++i)
        if (Controls(i)->IsHistorySource())
            return;
    TKestRect u;
    for (int i = 0; i < Count(); ++i) {
        const TKestControl* c = Controls(i);
        TKestRect r {c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
        if (i == 0) {
            u = r;
            continue;
        }
        if (r.Right == r.Left)
            ++r.Right;
        if (r.Bottom == r.Top)
            ++r.Bottom;
        u = UnionRect(u, r);
    }
    const TKestRect r = DocRect();
    if (u.Left != 0 || u.Top != 0) {
        for (int i = 0; i < Count(); ++i) {
            TKestControl* c = Controls(i);
            c->BeginUpdate();
            c->SetLeft(c->Left() - u.Left);
            c->SetTop(c->Top() - u.Top);
            c->EndUpdate();
        }
    }
    SetDocRect(OffsetRect({0, 0, RectWidth(u), RectHeight(u)}, r.Left + u.Left, r.Top + u.Top));
}

bool TKestGroup::EndOperation()
{
    const bool outermost = TKestControl::EndOperation();
    if (outermost && realignPending_) {
        realignPending_ = false;
        Realign();
    }
    return outermost;
}

void TKestGroup::PropBeforeChanged(TPropList* sender, TCustomProp* prop)
{
    TKestControl::PropBeforeChanged(sender, prop);
    if (IsHistorySource())
        return;
    if ((prop == LeftProp() || prop == TopProp()) && !moving_) {
        moveRect_ = DocRect();
    } else if ((prop == WidthProp() || prop == HeightProp()) && !HasState(csResizing) && !realigning_) {
        resizingByProp_ = true;
        const TKestRect r = DocRect();
        StartResizing({r.Left, r.Top});
    }
}

void TKestGroup::PropChanged(TPropList* sender, TCustomProp* prop)
{
    TKestControl::PropChanged(sender, prop);
    if (prop == LeftProp() || prop == TopProp()) {
        auto* parentGroup = dynamic_cast<TKestGroup*>(Parent());
        if (!IsHistorySource() && !moving_ && !(parentGroup && parentGroup->OperationCounter() > 0))
            PushMoveToLinkedPoints();
    } else if ((prop == WidthProp() || prop == HeightProp()) && resizingByProp_) {
        const TKestRect& base = ResizeRect();
        if (Count() > 0 && RectWidth(base) != 0 && RectHeight(base) != 0)
            ScaleChildren();
        resizingByProp_ = false;
        FinishResizing();
    }
}

void TKestGroup::ScaleChildren()
{
    const double kx = double(Width()) / RectWidth(ResizeRect());
    const double ky = double(Height()) / RectHeight(ResizeRect());
    // Within an update the group may have moved already: each child's
    // rectangle is recorded as it was before, ahead of the record its own
    // change would make, so that undoing puts the children back where they
    // were (their own children follow in the records their moves make).
    const bool inUpdate = UpdateCounter() > 0 && Owner() && Owner()->History().CurrentGroup();
    const TKestRect now = DocRect();
    const int32_t dx = now.Left - UpdateRect().Left, dy = now.Top - UpdateRect().Top;
    std::vector<TKestControl*> subtree;
    for (int i = 0; i < Count(); ++i)
        Controls(i)->ForEach([&](TKestControl* c) {
            subtree.push_back(c);
            return true;
        });
    for (TKestControl* c : subtree) {
        const TKestRect& r = c->ResizeRect();
        const TKestPoint o = c->ResizeOrigin();
        c->BeginUpdate();
        if (inUpdate && c->Parent() == this)
            c->RecordRectForUndo(dx, dy);
        c->SetDocRect({RoundToInt(r.Left * kx) + o.X, RoundToInt(r.Top * ky) + o.Y, RoundToInt(r.Right * kx) + o.X,
            RoundToInt(r.Bottom * ky) + o.Y});
        c->EndUpdate();
    }
}

void TKestGroup::PushMoveToLinkedPoints()
{
    TFlagScope moving(moving_);
    const TKestRect now = DocRect();
    const int32_t dx = moveRect_.Left - now.Left;
    const int32_t dy = moveRect_.Top - now.Top;
    std::vector<TKestControl*> linked;
    for (int i = 0; i < Count(); ++i)
        Controls(i)->ForEach([&](TKestControl* c) {
            if (c->LinkPointCount() > 0)
                linked.push_back(c);
            return true;
        });
    for (TKestControl* c : linked) {
        c->BeginUpdate();
        c->SetLinkPointsRect(OffsetRect(c->LinkPointsRect(), dx, dy));
        c->DoNotify(knRect);
        c->EndUpdate();
    }
}

void TKestGroup::Translate(const TTranslateInfo& info)
{
    if (IsHistorySource())
        return;
    if (info.Mirror && Props().IsReadOnlyProp(WidthProp()))
        return;
    if (std::abs(info.Rotate) == 180 && Props().IsReadOnlyProp(HeightProp()))
        return;
    BeginUpdate();
    const TKestRect saved = UpdateRect();
    BeginOperation();
    TKestControl::Translate(info);
    realignPending_ = false;
    EndOperation();
    const bool pending = PendingRect();
    SetPendingRect(false);
    EndUpdate();
    // One rectangle notice, measured from before the translation, and
    // without moving the linked points again (they were translated).
    if (pending) {
        BeginUpdate();
        SetUpdateRect(saved);
        SetPendingRect(true);
        EndUpdate();
    }
}

// The children have been translated already: the group fits itself around
// them (which is its translated rectangle) instead of being translated again.
void TKestGroup::ControlTranslate(const TTranslateInfo& info)
{
    if (Count() == 0) {
        TKestControl::ControlTranslate(info);
        return;
    }
    BeginTranslating();
    FitToChildren();
    EndTranslating();
    TranslateLinkPoints(info);
}

TKestRect TKestGroup::GetRefreshRect(int32_t paintX, int32_t paintY)
{
    TKestRect r = TKestControl::GetRefreshRect(paintX, paintY);
    for (int i = 0; i < Count(); ++i) {
        TKestControl* c = Controls(i);
        r = UnionRect(r, c->GetRefreshRect(paintX + c->Left(), paintY + c->Top()));
    }
    return r;
}

bool TKestGroup::IsPointInside(int32_t x, int32_t y)
{
    for (int i = Count() - 1; i >= 0; --i)
        if (Controls(i)->IsPointInside(x, y))
            return true;
    return false;
}

// ---------------------------------------------------------------------------
// TKestClone

KEST_CONTROL_CLASS_IMPL(TKestClone, TKestControl)

void TKestClone::CreateProperties()
{
    TKestControl::CreateProperties();
    sourceProp_ = Props().Add<TLinkProp>("Source");
    sourceProp_->OnLinkNotify = [this](TLinkProp*, TNotifyLinkInfo& info) { SourceNotify(info); };
    autoSizeProp_ = Props().Add<TBoolProp>("AutoSize");
}

void TKestClone::ControlCreate()
{
    SetWidth(1);
    SetHeight(1);
    SetAutoSize(true);
    TKestControl::ControlCreate();
    SetVisible(true);
}

TKestControl* TKestClone::Source() const
{
    return sourceProp_->LinkedControl();
}

void TKestClone::SetSource(TKestControl* source)
{
    sourceProp_->SetLinkedControl(source);
}

bool TKestClone::AutoSize() const
{
    return autoSizeProp_->BoolValue();
}

void TKestClone::SetAutoSize(bool value)
{
    autoSizeProp_->SetBoolValue(value);
}

void TKestClone::LockSize(bool locked)
{
    sizeLocked_ = locked;
    for (TIntProp* prop : {WidthProp(), HeightProp()})
        prop->SetStyle(locked ? prop->Style() | psReadOnly : prop->Style() & ~psReadOnly);
}

void TKestClone::UpdateAutoSize()
{
    TKestControl* source = Source();
    if (!source)
        return;
    LockSize(false);
    {
        TFlagScope autoSizing(autoSizing_);
        BeginUpdate();
        SetWidth(source->Width());
        SetHeight(source->Height());
        EndUpdate();
    }
    LockSize(true);
}

// The size of an auto-sized clone is its source's, whatever its layer
// allows: otherwise it would depend on whether the layer or the source
// came first when a document is loaded.
void TKestClone::PropReadOnly(TPropList* sender, TCustomProp* prop, bool& readOnly)
{
    TKestControl::PropReadOnly(sender, prop, readOnly);
    if (autoSizing_ && (prop == WidthProp() || prop == HeightProp()))
        readOnly = false;
}

void TKestClone::PropChanged(TPropList* sender, TCustomProp* prop)
{
    TKestControl::PropChanged(sender, prop);
    if (prop == sourceProp_) {
        TKestControl* source = Source();
        if (!source)
            LockSize(false);
        else if (dynamic_cast<TKestClone*>(source))
            SetSource(nullptr);
        else if (AutoSize())
            UpdateAutoSize();
    } else if (prop == autoSizeProp_) {
        if (!AutoSize())
            LockSize(false);
        else
            UpdateAutoSize();
    }
}

void TKestClone::SourceNotify(TNotifyLinkInfo& info)
{
    TKestControl* source = Source();
    if (!source || info.Code != ncPropChanged)
        return;
    auto* prop = reinterpret_cast<TCustomProp*>(info.Param1);
    if ((prop == source->WidthProp() || prop == source->HeightProp()) && AutoSize())
        UpdateAutoSize();
    else if (!prop->HasStyle(psNonVisual))
        Invalidate();
}

void TKestClone::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestControl::PropStored(sender, prop, subName, stored);
    if (prop == sourceProp_)
        stored = Source() != nullptr;
    else if (prop == autoSizeProp_)
        stored = !AutoSize();
}

TKestRect TKestClone::GetRefreshRect(int32_t paintX, int32_t paintY)
{
    TKestRect r = TKestControl::GetRefreshRect(paintX, paintY);
    TKestControl* source = Source();
    // A source that contains this clone would refer back here without end.
    if (!source || visiting_)
        return r;
    TFlagScope visiting(visiting_);
    const TKestRect outer = source->GetRefreshRect(0, 0);
    TKestRect margin {-outer.Left, -outer.Top, outer.Right - source->Width(), outer.Bottom - source->Height()};
    if (!AutoSize() && source->Width() > 0 && source->Height() > 0) {
        const double kx = double(Width()) / source->Width();
        const double ky = double(Height()) / source->Height();
        margin = {RoundToInt(margin.Left * kx), RoundToInt(margin.Top * ky), RoundToInt(margin.Right * kx),
            RoundToInt(margin.Bottom * ky)};
    }
    return {r.Left - margin.Left, r.Top - margin.Top, r.Right + margin.Right, r.Bottom + margin.Bottom};
}

void TKestClone::Paint(TKestCanvas& canvas, const TKestRect& paintRect)
{
    TKestControl* source = Source();
    TKestPanel* owner = Owner();
    if (!source || !owner || visiting_ || !source->Owner())
        return;
    TFlagScope visiting(visiting_);
    TKestPanel* sourcePanel = source->Owner();
    const int32_t scale = owner->Scale();
    const TKestRect sourceDoc = source->DocRect();
    const TKestPoint sourceOrigin {ScaleValue(sourceDoc.Left, scale), ScaleValue(sourceDoc.Top, scale)};
    const int32_t width = ScaleValue(sourceDoc.Right, scale) - sourceOrigin.X;
    const int32_t height = ScaleValue(sourceDoc.Bottom, scale) - sourceOrigin.Y;
    if (!AutoSize() && (RectWidth(paintRect) != width || RectHeight(paintRect) != height)) {
        if (width <= 0 || height <= 0)
            return;
        QPicture picture;
        picture.setBoundingRect(QRect(0, 0, width, height));
        {
            TKestCanvas pictureCanvas;
            if (!pictureCanvas.Attach(&picture))
                return;
            sourcePanel->PaintTo(pictureCanvas, {0, 0, width, height}, owner->HighQuality(), true, false, false, true,
                source, scale, sourceOrigin);
            pictureCanvas.Detach();
        }
        canvas.StretchDraw(paintRect, picture);
    } else if (sourcePanel == owner) {
        const TKestRect doc = DocRect();
        source->PaintAll(canvas, doc.Left, doc.Top);
    } else {
        sourcePanel->PaintTo(
            canvas, paintRect, owner->HighQuality(), true, false, false, true, source, scale, sourceOrigin);
    }
}

} // namespace kest
