// TKestControl: how changes travel — property hooks, update batching,
// notifications with their size/move history, resizing, linked points and
// rotation or mirroring.
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "KestActions.h"
#include "KestBaseContainers.h"
#include "KestBaseControl.h"
#include "KestBaseLinks.h"
#include "KestBasePanel.h"

namespace kest {

namespace {

TKestRect OffsetRect(const TKestRect& r, int32_t dx, int32_t dy)
{
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

int32_t RoundToInt(double value)
{
    return static_cast<int32_t>(std::lround(value));
}

} // namespace

// ---------------------------------------------------------------------------
// Property hooks

void TKestControl::PropBeforeChanged(TPropList*, TCustomProp* prop)
{
    if (IsGeometryProp(prop) && updateCounter_ == 0) {
        SaveUpdateRect();
        if (LinkPointCount() > 0)
            linkPointsRect_ = updateRect_;
    } else if (prop == idProp_) {
        prevId_ = ID();
    }
    if (!prop->HasStyle(psNonVisual))
        Invalidate();
    if (owner_)
        owner_->PropBeforeChanged(this, prop);
    if (notifyLink_)
        notifyLink_->NotifyProp(prop, true);
}

void TKestControl::PropChanged(TPropList*, TCustomProp* prop)
{
    if (IsGeometryProp(prop)) {
        auto* size = static_cast<TIntProp*>(prop);
        if ((prop == widthProp_ || prop == heightProp_) && size->Value() <= 0)
            size->SetValue(1);
        else
            DoNotify(knRect);
    } else if (prop == nameProp_) {
        DoNotify(knName);
    } else if (prop == idProp_) {
        if (ID() != prevId_ && owner_ && owner_->ChangeId(this, prevId_))
            DoNotify(knId);
    } else if (prop == selectableProp_) {
        if (!Selectable() && Selected())
            owner_->Unselect(this);
    }
    if (!prop->HasStyle(psNonVisual))
        Invalidate();
    if (owner_)
        owner_->PropChanged(this, prop);
    if (notifyLink_)
        notifyLink_->NotifyProp(prop, false);
}

void TKestControl::PropStored(TPropList*, TCustomProp* prop, const std::string& subName, bool& stored)
{
    if (!subName.empty())
        return;
    if (prop == tagProp_)
        stored = Tag() != 0;
    else if (prop == hintProp_)
        stored = hintProp_->Count() > 0;
    else if (prop == showHintProp_)
        stored = !ShowHint();
    else if (prop == referenceProp_)
        stored = Reference() != nullptr;
    else if (prop == userDataProp_)
        stored = userDataProp_->Count() > 0;
    else if (prop == transparencyProp_)
        stored = Transparency() > 0;
    else if (prop == selectableProp_)
        stored = !Selectable();
}

void TKestControl::PropReadOnly(TPropList*, TCustomProp* prop, bool& readOnly)
{
    if (!layer_)
        return;
    if (layer_->IsReadOnly()) {
        readOnly = true;
    } else if (!layer_->IsMoveable()) {
        if (prop == leftProp_ || prop == topProp_)
            readOnly = true;
    } else if (!layer_->IsResizable()) {
        if (prop == widthProp_ || prop == heightProp_)
            readOnly = true;
    }
}

void TKestControl::PropHistoryAction(TPropList*, TCustomProp*, const THistoryActionClass*&) { }

// ---------------------------------------------------------------------------
// Updates and operations

void TKestControl::SaveUpdateRect()
{
    updateRect_ = DocRect();
}

bool TKestControl::BeginUpdate()
{
    const bool outermost = updateCounter_ == 0;
    if (outermost) {
        Invalidate();
        pendingRect_ = false;
        pendingLinkPoints_ = false;
        SaveUpdateRect();
        if (!HasState(csEndUpdate))
            linkPointsRect_ = updateRect_;
    }
    ++updateCounter_;
    return outermost;
}

bool TKestControl::EndUpdate()
{
    if (updateCounter_ == 0)
        return false;
    const bool wasEnding = HasState(csEndUpdate);
    IncludeState(csEndUpdate);
    --updateCounter_;
    if (updateCounter_ == 0) {
        if (pendingRect_) {
            pendingRect_ = false;
            DoNotify(knRect);
        }
        if (pendingLinkPoints_) {
            pendingLinkPoints_ = false;
            DoNotify(knLinkPoints);
        }
        Invalidate();
    }
    if (!wasEnding)
        ExcludeState(csEndUpdate);
    return updateCounter_ == 0;
}

bool TKestControl::BeginOperation()
{
    return operationCounter_++ == 0;
}

bool TKestControl::EndOperation()
{
    if (operationCounter_ == 0)
        return false;
    return --operationCounter_ == 0;
}

// ---------------------------------------------------------------------------
// Notifications

void TKestControl::DoNotify(TKestNotify notify)
{
    if (notify == knLinkPoints && updateCounter_ > 0) {
        pendingLinkPoints_ = true;
        return;
    }
    if (notify == knRect && updateCounter_ > 0) {
        pendingRect_ = true;
        return;
    }
    if (notify == knRect && owner_)
        RecordSizeMove();
    if (notify == knRect || notify == knParent) {
        const TKestRect oldRect = linkPointsRect_;
        auto* group = dynamic_cast<TKestGroup*>(parent_);
        if (group && !HasState(csResizing) && !(owner_ && owner_->Loading()))
            group->Realign();
        if (translateCounter_ == 0 && LinkPointCount() > 0) {
            MoveLinkPoints(oldRect, DocRect());
            linkPointsRect_ = DocRect();
        }
    }
    if (owner_)
        owner_->DoNotify(this, notify);
    if (notifyLink_)
        notifyLink_->NotifyCustom(notify, reinterpret_cast<intptr_t>(this));
}

// The rectangle of a control is restored by a document-rectangle action (or
// a points action for a control with points). Recorded only for changes
// made inside an update: outside one the property actions of Left, Top,
// Width and Height cover the change, and the children, being relative,
// follow their parent on their own.
void TKestControl::RecordSizeMove()
{
    TKestPanelHistory& history = owner_->History();
    if (!history.Recording() || (updateCounter_ == 0 && !HasState(csEndUpdate)))
        return;
    const bool opened = !history.CurrentGroup() && history.BeginPanelGroup(TPanelSizeMoveHistoryGroup::StaticClass());
    const int32_t dx = DocRect().Left - updateRect_.Left;
    const int32_t dy = DocRect().Top - updateRect_.Top;
    RecordChildrenSizeMove(dx, dy);
    RecordRectForUndo(0, 0);
    if (opened)
        history.EndPanelGroup(TPanelSizeMoveHistoryGroup::StaticClass());
}

void TKestControl::RecordChildrenSizeMove(int32_t dx, int32_t dy)
{
    for (TKestControl* child : std::vector<TKestControl*>(children_)) {
        child->BeginUpdate();
        child->RecordRectForUndo(dx, dy);
        child->RecordChildrenSizeMove(dx, dy);
        child->EndUpdate();
    }
}

void TKestControl::RecordRectForUndo(int32_t dx, int32_t dy)
{
    if (!owner_)
        return;
    TKestPanelHistory& history = owner_->History();
    if (PointCount() > 0) {
        if (auto* action
            = dynamic_cast<TPointsHistoryAction*>(history.RecordAction(TPointsHistoryAction::StaticClass(), this))) {
            action->TakeUpdateRect(*this);
            action->ShiftUndoRect(-dx, -dy);
        }
    } else if (auto* action
        = dynamic_cast<TDocRectHistoryAction*>(history.RecordAction(TDocRectHistoryAction::StaticClass(), this))) {
        action->ShiftUndoRect(-dx, -dy);
    }
}

// ---------------------------------------------------------------------------
// Geometry

TKestRect TKestControl::DocRect() const
{
    TKestRect r {Left(), Top(), Left() + Width(), Top() + Height()};
    for (const TKestControl* p = parent_; p; p = p->parent_)
        r = OffsetRect(r, p->Left(), p->Top());
    return r;
}

void TKestControl::SetDocRect(const TKestRect& rect)
{
    int32_t dx = 0, dy = 0;
    for (const TKestControl* p = parent_; p; p = p->parent_) {
        dx += p->Left();
        dy += p->Top();
    }
    BeginUpdate();
    SetLeft(rect.Left - dx);
    SetTop(rect.Top - dy);
    SetWidth(rect.Right - rect.Left);
    SetHeight(rect.Bottom - rect.Top);
    EndUpdate();
}

TKestPoint TKestControl::ClientToOwner(TKestPoint point) const
{
    for (const TKestControl* c = this; c; c = c->parent_) {
        point.X += c->Left();
        point.Y += c->Top();
    }
    return owner_ ? owner_->TransformPoint(point) : point;
}

TKestPoint TKestControl::OwnerToClient(TKestPoint point) const
{
    if (owner_)
        point = owner_->UnTransformPoint(point);
    for (const TKestControl* c = this; c; c = c->parent_) {
        point.X -= c->Left();
        point.Y -= c->Top();
    }
    return point;
}

TKestPoint TKestControl::AnchorPoint() const
{
    const TKestRect r = DocRect();
    return owner_ ? owner_->TransformPoint({r.Left, r.Top}) : TKestPoint {r.Left, r.Top};
}

int TKestControl::ConnectionPointCount() const
{
    return 0;
}

TKestPoint TKestControl::ConnectionPoint(int) const
{
    return {};
}

bool TKestControl::IsPointInside(int32_t x, int32_t y)
{
    const TKestRect doc = DocRect();
    const TKestRect r = owner_ ? owner_->TransformRect(doc) : doc;
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

void TKestControl::StartResizing(TKestPoint origin)
{
    if (HasState(csResizing))
        return;
    IncludeState(csResizing);
    resizeRect_ = OffsetRect(DocRect(), -origin.X, -origin.Y);
    resizeOrigin_ = origin;
    resizePoints_.clear();
    for (int i = 0; i < LinkPointCount(); ++i)
        resizePoints_.push_back({LinkPoint(i)->X - origin.X, LinkPoint(i)->Y - origin.Y});
    for (TKestControl* child : children_)
        child->StartResizing(origin);
}

void TKestControl::FinishResizing()
{
    resizePoints_.clear();
    for (TKestControl* child : children_)
        child->FinishResizing();
    ExcludeState(csResizing);
}

void TKestControl::MirrorResizePoints(bool mirrorX, bool mirrorY)
{
    if (!HasState(csResizing))
        return;
    for (TKestPoint& p : resizePoints_) {
        if (mirrorX)
            p.X = resizeRect_.Left + resizeRect_.Right - p.X;
        if (mirrorY)
            p.Y = resizeRect_.Top + resizeRect_.Bottom - p.Y;
    }
}

void TKestControl::Translate(const TTranslateInfo& info)
{
    Invalidate();
    for (TKestControl* child : std::vector<TKestControl*>(children_))
        child->Translate(info);
    ControlTranslate(info);
}

void TKestControl::ControlTranslate(const TTranslateInfo& info)
{
    ++translateCounter_;
    try {
        SetDocRect(TranslateRect(info, DocRect()));
    } catch (...) {
        --translateCounter_;
        throw;
    }
    --translateCounter_;
    TranslateLinkPoints(info);
}

void TKestControl::Reroute() { }

TKestControl* TKestControl::ConvertToCurve()
{
    return nullptr;
}

// ---------------------------------------------------------------------------
// Points: the base has none

int TKestControl::PointCount() const
{
    return 0;
}

TKestPoint TKestControl::Point(int index) const
{
    throw std::out_of_range("Point index out of bounds (" + std::to_string(index) + ")");
}

void TKestControl::SetPoint(int index, TKestPoint)
{
    throw std::out_of_range("Point index out of bounds (" + std::to_string(index) + ")");
}

TPointType TKestControl::PointType(int index) const
{
    throw std::out_of_range("Point index out of bounds (" + std::to_string(index) + ")");
}

void TKestControl::GetPathPoints(TPointArray& points, TPointTypeArray& types) const
{
    points.clear();
    types.clear();
}

void TKestControl::SetPathPoints(const TPointArray&, const TPointTypeArray&) { }

int TKestControl::HandleCount() const
{
    return 0;
}

TKestPoint TKestControl::HandlePoint(int) const
{
    return {};
}

void TKestControl::MoveHandle(int, TKestPoint) { }

// ---------------------------------------------------------------------------
// Linked points

std::vector<TKestPoint*>& TKestControl::EnsureLinkedPoints()
{
    if (!linkedPoints_)
        linkedPoints_ = std::make_unique<std::vector<TKestPoint*>>();
    return *linkedPoints_;
}

int TKestControl::AddLinkPoint(TKestPoint* point)
{
    std::vector<TKestPoint*>& points = EnsureLinkedPoints();
    points.push_back(point);
    DoNotify(knLinkPoints);
    return static_cast<int>(points.size()) - 1;
}

int TKestControl::IndexOfLinkPoint(const TKestPoint* point) const
{
    if (!linkedPoints_)
        return -1;
    auto it = std::find(linkedPoints_->begin(), linkedPoints_->end(), point);
    return it == linkedPoints_->end() ? -1 : static_cast<int>(it - linkedPoints_->begin());
}

void TKestControl::DeleteLinkPoint(int index)
{
    if (!linkedPoints_ || index < 0 || index >= LinkPointCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    linkedPoints_->erase(linkedPoints_->begin() + index);
    if (linkedPoints_->empty())
        linkedPoints_.reset();
    if (!HasState(csDestroying))
        DoNotify(knLinkPoints);
}

int TKestControl::LinkPointCount() const
{
    return linkedPoints_ ? static_cast<int>(linkedPoints_->size()) : 0;
}

TKestPoint* TKestControl::LinkPoint(int index) const
{
    if (!linkedPoints_ || index < 0 || index >= LinkPointCount())
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    return (*linkedPoints_)[static_cast<size_t>(index)];
}

void TKestControl::BeginLinkPointsLock()
{
    ++linkPointsLock_;
}

void TKestControl::EndLinkPointsLock()
{
    if (linkPointsLock_ > 0)
        --linkPointsLock_;
}

void TKestControl::MoveLinkPoints(const TKestRect& oldRect, const TKestRect& newRect)
{
    if (LinkPointCount() == 0 || oldRect == newRect || IsHistorySource())
        return;
    BeginLinkPointsLock();
    const bool resized = HasState(csResizing) && static_cast<int>(resizePoints_.size()) == LinkPointCount();
    const TKestRect& base = resized ? resizeRect_ : oldRect;
    const double kx = RectWidth(base) != 0 ? double(RectWidth(newRect)) / RectWidth(base) : 0.0;
    const double ky = RectHeight(base) != 0 ? double(RectHeight(newRect)) / RectHeight(base) : 0.0;
    for (int i = 0; i < LinkPointCount(); ++i) {
        TKestPoint* p = LinkPoint(i);
        const TKestPoint from = resized ? resizePoints_[static_cast<size_t>(i)] : *p;
        p->X = newRect.Left + RoundToInt((from.X - base.Left) * kx);
        p->Y = newRect.Top + RoundToInt((from.Y - base.Top) * ky);
    }
    EndLinkPointsLock();
    // Inside an update the moved points are reported by its end, after the
    // rectangle; outside one there is no end to wait for.
    if (updateCounter_ > 0 || HasState(csEndUpdate))
        pendingLinkPoints_ = true;
    else
        DoNotify(knLinkPoints);
}

void TKestControl::TranslateLinkPoints(const TTranslateInfo& info)
{
    if (LinkPointCount() == 0)
        return;
    for (int i = 0; i < LinkPointCount(); ++i)
        *LinkPoint(i) = TranslatePoint(info, *LinkPoint(i));
    linkPointsRect_ = DocRect();
    DoNotify(knLinkPoints);
}

} // namespace kest
