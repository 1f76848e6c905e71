// TKestConnector: the links of its two ends, the lock that ties its
// geometry to the linked objects, rerouting and the editing rules that keep
// an orthogonal route axis-parallel.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "KestActions.h"
#include "KestBaseContainers.h"
#include "KestBaseLinks.h"
#include "KestBasePanel.h"
#include "KestControlsCurve.h"

namespace kest {

namespace {

// Restores a flag or counter on every way out.
template <class T> class TScopedChange {
public:
    TScopedChange(T& target, T value)
        : target_(target)
        , old_(target)
    {
        target_ = value;
    }
    ~TScopedChange() { target_ = old_; }
    TScopedChange(const TScopedChange&) = delete;
    TScopedChange& operator=(const TScopedChange&) = delete;

private:
    T& target_;
    T old_;
};

TKestRect RelativeRect(const TKestRect& r, TKestPoint origin)
{
    return {r.Left - origin.X, r.Top - origin.Y, r.Right - origin.X, r.Bottom - origin.Y};
}

} // namespace

KEST_CONTROL_CLASS_IMPL(TKestConnector, TKestCurve)

void TKestConnector::CreateProperties()
{
    TKestCurve::CreateProperties();
    static const auto kRerouteModeNames = std::make_shared<const TStrings>(TStrings {"Always", "AsNeeded", "Never"});
    rerouteModeProp_ = Props().Add<TEnumProp>("RerouteMode", kRerouteModeNames);
    ortogonalProp_ = Props().Add<TBoolProp>("Ortogonal");
    linkAProp_ = Props().Add<TLinkPointProp>("LinkA", &Props());
    linkBProp_ = Props().Add<TLinkPointProp>("LinkB", &Props());
    for (TLinkPointProp* link : {linkAProp_, linkBProp_})
        link->OnLinkNotify = [this](TLinkProp* sender, TNotifyLinkInfo& info) { LinkNotify(sender, info); };
    minimalGapProp_ = Props().Add<TIntProp>("MinimalGap");
    minimalGapProp_->SetStyle(minimalGapProp_->Style() | psScaled | psNonVisual);
}

void TKestConnector::ControlCreate()
{
    ortogonalProp_->SetBoolValue(true);
    TKestCurve::ControlCreate();
    Points() = {{0, 0}, {0, 0}, {0, 0}};
    Types() = {ptNode, ptNode, ptOpenEnd};
}

void TKestConnector::BeforeDestruction()
{
    linkAProp_->SetLinkedControl(nullptr);
    linkBProp_->SetLinkedControl(nullptr);
    TKestCurve::BeforeDestruction();
}

bool TKestConnector::IsConnectorKind() const
{
    return true;
}

TRerouteMode TKestConnector::RerouteMode() const
{
    const int32_t mode = rerouteModeProp_->Value();
    return mode >= rmAlways && mode <= rmNever ? static_cast<TRerouteMode>(mode) : rmAlways;
}

void TKestConnector::SetRerouteMode(TRerouteMode value)
{
    rerouteModeProp_->SetValue(value);
}

bool TKestConnector::Ortogonal() const
{
    return ortogonalProp_->BoolValue();
}

void TKestConnector::SetOrtogonal(bool value)
{
    ortogonalProp_->SetBoolValue(value);
}

int32_t TKestConnector::MinimalGap() const
{
    return minimalGapProp_->Value();
}

void TKestConnector::SetMinimalGap(int32_t value)
{
    minimalGapProp_->SetValue(value);
}

// ---------------------------------------------------------------------------
// The lock

bool TKestConnector::Locked() const
{
    return (linkAProp_->LinkedControl() || linkBProp_->LinkedControl()) && lockSuspended_ == 0 && !IsHistorySource();
}

void TKestConnector::PropReadOnly(TPropList* sender, TCustomProp* prop, bool& readOnly)
{
    TKestCurve::PropReadOnly(sender, prop, readOnly);
    if (IsGeometryProp(prop) && Locked())
        readOnly = true;
}

void TKestConnector::SetDocRect(const TKestRect& rect)
{
    if (!Locked())
        TKestCurve::SetDocRect(rect);
}

void TKestConnector::MirrorResizePoints(bool mirrorX, bool mirrorY)
{
    if (!Locked())
        TKestCurve::MirrorResizePoints(mirrorX, mirrorY);
}

void TKestConnector::ControlTranslate(const TTranslateInfo& info)
{
    if (!Locked())
        TKestCurve::ControlTranslate(info);
}

// Moving together with every linked object, the connector moves as a whole.
void TKestConnector::SaveUpdateRect()
{
    TKestCurve::SaveUpdateRect();
    if (movingWithLinked_ || !Selected())
        return;
    TKestControl* a = linkAProp_->LinkedControl();
    TKestControl* b = linkBProp_->LinkedControl();
    if ((a || b) && (!a || a->Selected()) && (!b || b->Selected())) {
        movingWithLinked_ = true;
        ++lockSuspended_;
    }
}

void TKestConnector::RestoreLock()
{
    if (!movingWithLinked_)
        return;
    movingWithLinked_ = false;
    --lockSuspended_;
}

bool TKestConnector::EndUpdate()
{
    const bool done = TKestCurve::EndUpdate();
    if (done)
        RestoreLock();
    return done;
}

void TKestConnector::PointsChanged()
{
    TScopedChange<int32_t> suspend(lockSuspended_, lockSuspended_ + 1);
    TKestCurve::PointsChanged();
}

// ---------------------------------------------------------------------------
// Properties and notifications

void TKestConnector::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestCurve::PropStored(sender, prop, subName, stored);
    if (!subName.empty())
        return;
    if (prop == rerouteModeProp_)
        stored = RerouteMode() != rmAlways;
    else if (prop == ortogonalProp_)
        stored = !Ortogonal();
    else if (prop == linkAProp_ || prop == linkBProp_)
        stored = static_cast<TLinkPointProp*>(prop)->LinkedControl() != nullptr;
    else if (prop == minimalGapProp_)
        stored = MinimalGap() > 0;
}

void TKestConnector::PropChanged(TPropList* sender, TCustomProp* prop)
{
    if (prop == minimalGapProp_ && MinimalGap() < 0) {
        minimalGapProp_->SetValue(0);
        return;
    }
    TKestCurve::PropChanged(sender, prop);
    if (IsGeometryProp(prop) && UpdateCounter() == 0)
        RestoreLock();
    if (HasState(csCreating) || HasState(csDestroying))
        return;
    const bool loading = HasState(csLoading) || (Owner() && Owner()->Loading());
    if ((prop == minimalGapProp_ || prop == rerouteModeProp_) && RerouteMode() != rmNever && !loading)
        Reroute();
    else if (prop == ortogonalProp_ && RerouteMode() != rmNever)
        Reroute();
}

void TKestConnector::DoNotify(TKestNotify notify)
{
    TKestCurve::DoNotify(notify);
    if (notify == knPoints || notify == knLoaded)
        WriteLinkPoints();
}

std::vector<int> TKestConnector::HandleIndexes() const
{
    std::vector<int> ends = TKestCurve::HandleIndexes();
    std::erase_if(ends, [this](int i) { return !IsPointEditable(i); });
    return ends;
}

void TKestConnector::MoveHandle(int index, TKestPoint point)
{
    const int i = HandlePointIndex(index);
    const TKestRect doc = DocRect();
    if (i >= 0)
        MovePoint(i, {point.X - doc.Left, point.Y - doc.Top});
}

void TKestConnector::SetPathPoints(const TPointArray& points, const TPointTypeArray& types)
{
    TKestCurve::SetPathPoints(points, types);
    // Restored points tie the links back to where the ends are.
    if (IsHistorySource())
        WriteLinkPoints();
}

void TKestConnector::WriteLinkPoints()
{
    if (PointCount() < 2 || writingLinkPoints_)
        return;
    TScopedChange<bool> writing(writingLinkPoints_, true);
    const TKestRect doc = DocRect();
    const TKestPoint first = Point(0), last = Point(PointCount() - 1);
    linkAProp_->SetLinkPoint({doc.Left + first.X, doc.Top + first.Y});
    linkBProp_->SetLinkPoint({doc.Left + last.X, doc.Top + last.Y});
}

void TKestConnector::LinkNotify(TLinkProp*, TNotifyLinkInfo& info)
{
    if (info.Code != ncCustom)
        return;
    const auto notify = static_cast<TKestNotify>(info.Param1);
    if (notify != knRect && notify != knLinkPoints && notify != knPoints && notify != knShape)
        return;
    if (PointCount() < 2 || movingWithLinked_ || writingLinkPoints_ || HasState(csCreating) || HasState(csDestroying)
        || HasState(csLoading) || (Owner() && Owner()->Loading()))
        return;
    Reroute();
}

// ---------------------------------------------------------------------------
// Rerouting

void TKestConnector::Reroute()
{
    if (HasState(csCreating) || HasState(csDestroying))
        return;
    TKestControl* a = linkAProp_->LinkedControl();
    TKestControl* b = linkBProp_->LinkedControl();
    TKestPanel* panel = Owner();
    if (panel) {
        const TKestObject* source = panel->History().CurrentSource();
        if (source && (source == a || source == b))
            return;
    }
    const bool group = panel && panel->History().BeginPanelGroup(TPanelRerouteHistoryGroup::StaticClass());

    const TKestRect doc = DocRect();
    const TKestPoint origin {doc.Left, doc.Top};
    TConnectorRouteInput input;
    input.Gap = MinimalGap() > 0 ? MinimalGap() : (panel ? panel->ConnectorsMinGap() : 0);
    input.Mode = RerouteMode();
    input.Ortogonal = Ortogonal();
    input.SameObject = a && a == b;
    const TKestPoint pa = linkAProp_->LinkPoint(), pb = linkBProp_->LinkPoint();
    input.PointA = {pa.X - origin.X, pa.Y - origin.Y};
    input.PointB = {pb.X - origin.X, pb.Y - origin.Y};
    input.RectA = a ? RelativeRect(a->DocRect(), origin)
                    : TKestRect {input.PointA.X, input.PointA.Y, input.PointA.X, input.PointA.Y};
    input.RectB = b ? RelativeRect(b->DocRect(), origin)
                    : TKestRect {input.PointB.X, input.PointB.Y, input.PointB.X, input.PointB.Y};

    TPointArray points;
    TPointTypeArray types;
    GetPathPoints(points, types);
    if (a || b) {
        if (RouteConnector(points, types, input) && (points != Points() || types != Types()))
            ReplacePoints(std::move(points), std::move(types));
    } else {
        if (points.size() < 2) {
            points = {input.PointA, input.PointB};
            types = {ptNode, ptOpenEnd};
        } else {
            const bool fresh = points.size() == 3 && points[0] == points[1] && points[1] == points[2];
            points.front() = input.PointA;
            if (fresh)
                points[1] = input.PointA;
            points.back() = input.PointB;
        }
        if (points != Points() || types != Types())
            ReplacePoints(std::move(points), std::move(types));
    }
    if (group)
        panel->History().EndPanelGroup(TPanelRerouteHistoryGroup::StaticClass());
}

// ---------------------------------------------------------------------------
// Editing

bool TKestConnector::IsPointEditable(int index) const
{
    const int count = PointCount();
    if (index < 0 || index >= count)
        return false;
    if (RerouteMode() != rmAlways)
        return true;
    if (index == 0)
        return !linkAProp_->LinkedControl();
    if (index == count - 1)
        return !linkBProp_->LinkedControl();
    return false;
}

bool TKestConnector::LinkToPoint() const
{
    return Owner() && Owner()->Schemes() && Owner()->Schemes()->ConnectorLinkToPoint();
}

void TKestConnector::UnlinkEnd(int index)
{
    (index == 0 ? linkAProp_ : linkBProp_)->SetLinkedControl(nullptr);
}

void TKestConnector::SetModeNever()
{
    if (RerouteMode() == rmAlways)
        SetRerouteMode(rmNever);
}

bool TKestConnector::SegmentHorizontal(int segmentEnd, bool& horizontal) const
{
    TPointArray points;
    TPointTypeArray types;
    GetPathPoints(points, types);
    return GetRouteSegmentHorizontal(points, segmentEnd, horizontal);
}

void TKestConnector::MovePoint(int index, TKestPoint point)
{
    const int count = PointCount();
    // Which points offer a handle is the editor's choice (IsPointEditable);
    // a move asked for is carried out, turning an automatic route manual.
    if (index < 0 || index >= count || !Editable())
        return;
    const bool end = index == 0 || index == count - 1;
    if (!end)
        SetModeNever();
    TPointArray points;
    TPointTypeArray types;
    GetPathPoints(points, types);
    const auto at = [&points](int i) -> TKestPoint& { return points[static_cast<size_t>(i)]; };
    if (Ortogonal() && count > 2) {
        if (count == 3 && index == 1)
            return;
        const int32_t snap = UnscaledPixels(4);
        for (int neighbour : {index - 1, index + 1}) {
            if (neighbour < 0 || neighbour >= count)
                continue;
            if (std::abs(point.X - at(neighbour).X) <= snap)
                point.X = at(neighbour).X;
            if (std::abs(point.Y - at(neighbour).Y) <= snap)
                point.Y = at(neighbour).Y;
        }
        // Segments alternate: the one leaving the point is across the one
        // that reaches it.
        bool incoming = false;
        if (!SegmentHorizontal(index > 0 ? index : 1, incoming))
            incoming = true;
        const bool outgoing = index > 0 ? !incoming : incoming;
        const TKestPoint old = at(index);
        // An end next to the point stays: only the component across their
        // segment moves. A middle neighbour follows to keep its segment straight.
        const auto fixed = [count](int n) { return n == 0 || n == count - 1; };
        for (const auto& [n, horizontal] : {std::pair {index - 1, incoming}, std::pair {index + 1, outgoing}})
            if (n >= 0 && n < count && fixed(n)) {
                if (horizontal)
                    point.Y = old.Y;
                else
                    point.X = old.X;
            }
        for (const auto& [n, horizontal] : {std::pair {index - 1, incoming}, std::pair {index + 1, outgoing}})
            if (n >= 0 && n < count && !fixed(n)) {
                if (horizontal)
                    at(n).Y = point.Y;
                else
                    at(n).X = point.X;
            }
    }
    if (at(index) == point && points == Points())
        return;
    at(index) = point;
    if (end && !LinkToPoint())
        UnlinkEnd(index == 0 ? 0 : count - 1);
    ReplacePoints(std::move(points), std::move(types));
}

bool TKestConnector::MoveSegment(int first, int last, TKestPoint offset)
{
    const int count = PointCount();
    if (first < 0 || last >= count || first > last || !Editable())
        return false;
    if ((first == 0 && linkAProp_->LinkedControl()) || (last == count - 1 && linkBProp_->LinkedControl()))
        return false;
    TPointArray points;
    TPointTypeArray types;
    GetPathPoints(points, types);
    const auto at = [&points](int i) -> TKestPoint& { return points[static_cast<size_t>(i)]; };
    if (Ortogonal() && last > first) {
        bool horizontal = false;
        if (!SegmentHorizontal(first + 1, horizontal))
            horizontal = first % 2 == 0;
        const int32_t snap = UnscaledPixels(4);
        if (horizontal) {
            offset.X = 0;
            const int32_t y = at(first).Y + offset.Y;
            for (int neighbour : {first - 1, last + 1})
                if (neighbour >= 0 && neighbour < count && std::abs(y - at(neighbour).Y) <= snap)
                    offset.Y = at(neighbour).Y - at(first).Y;
        } else {
            offset.Y = 0;
            const int32_t x = at(first).X + offset.X;
            for (int neighbour : {first - 1, last + 1})
                if (neighbour >= 0 && neighbour < count && std::abs(x - at(neighbour).X) <= snap)
                    offset.X = at(neighbour).X - at(first).X;
        }
    }
    SetModeNever();
    pointsDragged_ = true;
    dragFirst_ = first;
    dragLast_ = last;
    for (int i = first; i <= last; ++i)
        at(i) = {at(i).X + offset.X, at(i).Y + offset.Y};
    if (points != Points())
        ReplacePoints(std::move(points), std::move(types));
    return true;
}

void TKestConnector::RemoveCoincidentPairs(int first, int last)
{
    TPointArray points;
    TPointTypeArray types;
    GetPathPoints(points, types);
    const int count = static_cast<int>(points.size());
    const auto at = [&points](int i) { return points[static_cast<size_t>(i)]; };
    // Only middle points go, two at a time, so the segments keep alternating.
    if (last >= 1 && last + 1 <= count - 2 && at(last) == at(last + 1)) {
        points.erase(points.begin() + last, points.begin() + last + 2);
        types.erase(types.begin() + last, types.begin() + last + 2);
    }
    if (first - 1 >= 1 && first <= count - 2 && first < static_cast<int>(points.size()) && at(first - 1) == at(first)) {
        points.erase(points.begin() + first - 1, points.begin() + first + 1);
        types.erase(types.begin() + first - 1, types.begin() + first + 1);
    }
    if (points.size() != static_cast<size_t>(count))
        ReplacePoints(std::move(points), std::move(types));
}

void TKestConnector::EndPointsDrag()
{
    if (!pointsDragged_)
        return;
    pointsDragged_ = false;
    if (PointCount() > 4)
        RemoveCoincidentPairs(dragFirst_, dragLast_);
    dragFirst_ = dragLast_ = -1;
    if (RerouteMode() != rmNever)
        Reroute();
}

int TKestConnector::InsertNearestPoint(TKestPoint point)
{
    if (!Editable())
        return -1;
    int32_t first = -1, second = -1;
    bool within = false;
    TNearestPointInfo nearest;
    if (!FindNearestSegment(point, false, first, second, within) || !FindNearestPoint(point, nearest))
        return -1;
    const int index = std::max(first, second);
    if (index <= 0 || index >= PointCount())
        return -1;
    SetModeNever();
    TPointArray points;
    TPointTypeArray types;
    GetPathPoints(points, types);
    points.insert(points.begin() + index, 2, nearest.Point);
    types.insert(types.begin() + index, 2, ptNode);
    return ReplacePoints(std::move(points), std::move(types)) ? index : -1;
}

bool TKestConnector::DeletePoint(int index)
{
    const int count = PointCount();
    if (index < 0 || index >= count || !Editable())
        return false;
    TPointArray points;
    TPointTypeArray types;
    GetPathPoints(points, types);
    const auto at = [&points](int i) { return points[static_cast<size_t>(i)]; };
    int from = index, removed = 1;
    if (index == 0 || index == count - 1) {
        if (count <= 2)
            return false;
        if (!LinkToPoint())
            UnlinkEnd(index);
    } else if (at(index - 1) == at(index)) {
        if (index - 1 > 0) {
            from = index - 1;
            removed = 2;
        }
    } else if (at(index + 1) == at(index)) {
        if (index + 1 < count - 1)
            removed = 2;
    } else {
        return false;
    }
    SetModeNever();
    points.erase(points.begin() + from, points.begin() + from + removed);
    types.assign(points.size(), ptNode);
    types.back() = ptOpenEnd;
    ReplacePoints(std::move(points), std::move(types));
    return true;
}

} // namespace kest
