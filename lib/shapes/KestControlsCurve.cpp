// TKestCurve: properties and their byte forms, the point list and its
// editing, the rectangle that follows the points, resizing and turning.
#include "KestControlsCurve.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "KestActions.h"
#include "KestBaseContainers.h"
#include "KestBasePanel.h"
#include "KestGraphicProps.h"

namespace kest {

namespace {

void PutInt32(TBytes& bytes, size_t at, int32_t value)
{
    const auto u = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t GetInt32(const TBytes& bytes, size_t at)
{
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i)
        u |= uint32_t(bytes[at + i]) << (8 * i);
    return static_cast<int32_t>(u);
}

TKestPoint GetPoint(const TBytes& bytes, size_t at)
{
    return {GetInt32(bytes, at), GetInt32(bytes, at + 4)};
}

void CheckIndex(int index, size_t count)
{
    if (index < 0 || static_cast<size_t>(index) >= count)
        throw std::out_of_range("Point index out of bounds (" + std::to_string(index) + ")");
}

// Points and their extent stay far enough inside 32 bits that the fitted
// points (0 ... extent), the rectangle and their sums cannot overflow.
constexpr int32_t kMaxCoordinate = 1 << 28;

bool FitsRange(const TPointArray& points)
{
    int64_t minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (size_t i = 0; i < points.size(); ++i) {
        const TKestPoint p = points[i];
        if (std::abs(int64_t(p.X)) > kMaxCoordinate || std::abs(int64_t(p.Y)) > kMaxCoordinate)
            return false;
        minX = i == 0 ? p.X : std::min<int64_t>(minX, p.X);
        minY = i == 0 ? p.Y : std::min<int64_t>(minY, p.Y);
        maxX = i == 0 ? p.X : std::max<int64_t>(maxX, p.X);
        maxY = i == 0 ? p.Y : std::max<int64_t>(maxY, p.Y);
    }
    return maxX - minX <= kMaxCoordinate && maxY - minY <= kMaxCoordinate;
}

int32_t RoundScaled(int32_t value, double factor)
{
    const double scaled = std::nearbyint(value * factor);
    return static_cast<int32_t>(std::clamp(scaled, double(-kMaxCoordinate), double(kMaxCoordinate)));
}

} // namespace

KEST_CONTROL_CLASS_IMPL(TKestCurve, TKestControl)

int TKestCurve::CreationCursor()
{
    return 12;
}

void TKestCurve::CreateProperties()
{
    TKestControl::CreateProperties();
    brushProp_ = Props().Add<TBrushProp>("Brush");
    penProp_ = Props().Add<TPenProp>("Pen");
    beginCapProp_ = Props().Add<TLineCapProp>("BeginCap");
    endCapProp_ = Props().Add<TLineCapProp>("EndCap");
    isSolidProp_ = Props().Add<TBoolProp>("IsSolid");
    // The points have their own undo record; the byte forms only carry them.
    pointsProp_ = Props().Add<TDataProp>("Points");
    pointsProp_->SetStyle(pointsProp_->Style() | psNotStored);
    pointsProp_->SetNotHistory(true);
    pointsProp_->OnGetData = [this](TDataProp*, TPropValue& value) { PointsData(value); };
    pointsProp_->OnSetData = [this](TDataProp*, const TPropValue& value) { SetPointsData(value); };
    pathPointsProp_ = Props().Add<TDataProp>("PathPoints");
    pathPointsProp_->SetNotHistory(true);
    pathPointsProp_->OnGetData = [this](TDataProp*, TPropValue& value) { PathPointsData(value); };
    pathPointsProp_->OnSetData = [this](TDataProp*, const TPropValue& value) { SetPathPointsData(value); };
}

void TKestCurve::ControlCreate()
{
    points_ = {{0, 0}, {0, 0}};
    types_ = {ptNode, ptOpenEnd};
    pathInfoStale_ = true;
    TKestControl::ControlCreate();
    SetVisible(true);
}

bool TKestCurve::IsSolid() const
{
    return isSolidProp_->BoolValue();
}

void TKestCurve::SetIsSolid(bool value)
{
    isSolidProp_->SetBoolValue(value);
}

// ---------------------------------------------------------------------------
// Byte forms

void TKestCurve::PathPointsData(TPropValue& value) const
{
    const size_t n = points_.size();
    TBytes bytes(4 + 9 * n);
    PutInt32(bytes, 0, static_cast<int32_t>(n));
    for (size_t i = 0; i < n; ++i) {
        PutInt32(bytes, 4 + 8 * i, points_[i].X);
        PutInt32(bytes, 8 + 8 * i, points_[i].Y);
        bytes[4 + 8 * n + i] = types_[i];
    }
    value = std::move(bytes);
}

void TKestCurve::SetPathPointsData(const TPropValue& value)
{
    const TBytes* bytes = std::get_if<TBytes>(&value);
    if (!bytes || bytes->size() < 4)
        return;
    const int32_t n = GetInt32(*bytes, 0);
    if (n < 0 || uint64_t(n) * 9 + 4 != bytes->size())
        return;
    const size_t count = static_cast<size_t>(n);
    TPointArray points(count);
    TPointTypeArray types(count);
    for (size_t i = 0; i < count; ++i) {
        points[i] = GetPoint(*bytes, 4 + 8 * i);
        const uint8_t type = (*bytes)[4 + 8 * count + i];
        // A type outside the four known ones has no meaning to any routine.
        if (type > ptControl)
            return;
        types[i] = static_cast<TPointType>(type);
    }
    ReplacePoints(std::move(points), std::move(types));
}

void TKestCurve::PointsData(TPropValue& value) const
{
    TBytes bytes(8 * points_.size());
    for (size_t i = 0; i < points_.size(); ++i) {
        PutInt32(bytes, 8 * i, points_[i].X);
        PutInt32(bytes, 8 * i + 4, points_[i].Y);
    }
    value = std::move(bytes);
}

void TKestCurve::SetPointsData(const TPropValue& value)
{
    const TBytes* bytes = std::get_if<TBytes>(&value);
    if (!bytes || bytes->size() % 8 != 0)
        return;
    const size_t count = bytes->size() / 8;
    TPointArray points(count);
    for (size_t i = 0; i < count; ++i)
        points[i] = GetPoint(*bytes, 8 * i);
    TPointTypeArray types(count, ptNode);
    if (count > 0)
        types.back() = IsSolid() ? ptClosedEnd : ptOpenEnd;
    ReplacePoints(std::move(points), std::move(types));
}

void TKestCurve::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestControl::PropStored(sender, prop, subName, stored);
    if (!subName.empty())
        return;
    if (prop == isSolidProp_)
        stored = IsSolid();
    else if (prop == pointsProp_)
        stored = false;
    else if (prop == pathPointsProp_)
        stored = true; // even empty: a loaded curve would otherwise keep a new curve's points
}

void TKestCurve::PropChanged(TPropList* sender, TCustomProp* prop)
{
    if (prop == isSolidProp_ && !settingSolid_) {
        const TPathInfo& info = PathInfo();
        if (!info.Figures.empty()) {
            const int32_t last = info.Figures.back().LastNode;
            if (last >= 0 && static_cast<size_t>(last) < types_.size()) {
                types_[static_cast<size_t>(last)] = IsSolid() ? ptClosedEnd : ptOpenEnd;
                PointsChanged();
            }
        }
    }
    TKestControl::PropChanged(sender, prop);
}

// ---------------------------------------------------------------------------
// The point list

int TKestCurve::PointCount() const
{
    return static_cast<int>(points_.size());
}

TKestPoint TKestCurve::Point(int index) const
{
    CheckIndex(index, points_.size());
    return points_[static_cast<size_t>(index)];
}

void TKestCurve::SetPoint(int index, TKestPoint point)
{
    CheckIndex(index, points_.size());
    if (!Editable() || points_[static_cast<size_t>(index)] == point)
        return;
    TPointArray points = points_;
    points[static_cast<size_t>(index)] = point;
    ReplacePoints(std::move(points), types_);
}

TPointType TKestCurve::PointType(int index) const
{
    CheckIndex(index, types_.size());
    return types_[static_cast<size_t>(index)];
}

void TKestCurve::SetPointType(int index, TPointType type)
{
    CheckIndex(index, types_.size());
    if (!Editable() || type > ptControl || types_[static_cast<size_t>(index)] == type)
        return;
    BeginPointsChange();
    types_[static_cast<size_t>(index)] = type;
    pathInfoStale_ = true;
    PointsChanged();
}

bool TKestCurve::IsClosed() const
{
    return IsSolid();
}

const TPathInfo& TKestCurve::PathInfo()
{
    if (pathInfoStale_ || pathInfo_.PointCount != PointCount()) {
        GetPathInfo(points_, types_, pathInfo_);
        pathInfoStale_ = false;
    }
    return pathInfo_;
}

void TKestCurve::GetPathPoints(TPointArray& points, TPointTypeArray& types) const
{
    points = points_;
    types = types_;
}

void TKestCurve::SetPathPoints(const TPointArray& points, const TPointTypeArray& types)
{
    if (points.size() != types.size())
        return;
    ReplacePoints(points, types);
}

bool TKestCurve::ReplacePoints(TPointArray points, TPointTypeArray types)
{
    if (!FitsRange(points))
        return false;
    BeginPointsChange();
    points_ = std::move(points);
    types_ = std::move(types);
    pathInfoStale_ = true;
    PointsChanged();
    return true;
}

bool TKestCurve::Editable() const
{
    const TKestLayer* layer = Layer();
    return !layer || (!layer->IsReadOnly() && layer->IsResizable());
}

std::vector<int> TKestCurve::HandleIndexes() const
{
    TPathInfo info;
    GetPathInfo(points_, types_, info);
    std::vector<int> ends;
    for (const TPathFigureInfo& figure : info.Figures) {
        if (figure.IsClosed || figure.LastNode < 0)
            continue;
        ends.push_back(figure.FirstNode);
        if (figure.LastNode != figure.FirstNode)
            ends.push_back(figure.LastNode);
    }
    return ends;
}

int TKestCurve::HandlePointIndex(int index) const
{
    const std::vector<int> ends = HandleIndexes();
    return index >= 0 && static_cast<size_t>(index) < ends.size() ? ends[static_cast<size_t>(index)] : -1;
}

int TKestCurve::HandleCount() const
{
    return static_cast<int>(HandleIndexes().size());
}

TKestPoint TKestCurve::HandlePoint(int index) const
{
    const int i = HandlePointIndex(index);
    if (i < 0)
        return {};
    const TKestRect doc = DocRect();
    const TKestPoint p = points_[static_cast<size_t>(i)];
    return {doc.Left + p.X, doc.Top + p.Y};
}

void TKestCurve::MoveHandle(int index, TKestPoint point)
{
    const int i = HandlePointIndex(index);
    const TKestRect doc = DocRect();
    if (i >= 0)
        SetPoint(i, {point.X - doc.Left, point.Y - doc.Top});
}

int32_t TKestCurve::PanelScale() const
{
    return Owner() ? Owner()->Scale() : 100;
}

int32_t TKestCurve::UnscaledPixels(int32_t n) const
{
    return UnscaleValue(n, PanelScale());
}

TPointArray TKestCurve::ConnectionPoints() const
{
    TPointArray nodes;
    for (size_t i = 0; i < points_.size(); ++i)
        if (types_[i] != ptControl)
            nodes.push_back(points_[i]);
    return nodes;
}

TKestPoint TKestCurve::AnchorPoint() const
{
    return ClientToOwner(points_.empty() ? TKestPoint {0, 0} : points_.front());
}

// ---------------------------------------------------------------------------
// Editing

int TKestCurve::InsertNode(int index, TKestPoint point)
{
    if (!Editable() || index < 0 || index >= PointCount() || types_[static_cast<size_t>(index)] == ptControl)
        return -1;
    TPointArray points = points_;
    TPointTypeArray types = types_;
    points.insert(points.begin() + index, point);
    types.insert(types.begin() + index, ptNode);
    return ReplacePoints(std::move(points), std::move(types)) ? index : -1;
}

int TKestCurve::InsertCurveNode(int index, TKestPoint point, TKestPoint control1, TKestPoint control2)
{
    if (!Editable() || index < 0 || index >= PointCount() || types_[static_cast<size_t>(index)] == ptControl)
        return -1;
    TPointArray points = points_;
    TPointTypeArray types = types_;
    points.insert(points.begin() + index, {point, control1, control2});
    types.insert(types.begin() + index, {ptNode, ptControl, ptControl});
    return ReplacePoints(std::move(points), std::move(types)) ? index : -1;
}

bool TKestCurve::DeletePoint(int index)
{
    if (!Editable() || index < 0 || index >= PointCount() || types_[static_cast<size_t>(index)] == ptControl)
        return false;
    const TPathInfo& info = PathInfo();
    const int32_t f = FindPathFigure(info, index);
    if (f < 0)
        return false;
    const TPathFigureInfo figure = info.Figures[static_cast<size_t>(f)];
    const int count = PointCount();
    auto isControl
        = [this, count](int i) { return i >= 0 && i < count && types_[static_cast<size_t>(i)] == ptControl; };

    int prev = index - 1;
    if (index == figure.FirstNode)
        prev = figure.LastNode;
    else if (isControl(prev))
        prev = index - 3;
    if (prev < 0 || prev >= count)
        return false;

    BeginPointsChange();
    if (index == figure.LastNode && prev != index)
        types_[static_cast<size_t>(prev)] = figure.IsClosed ? ptClosedEnd : ptOpenEnd;
    const bool deletedHasControls = isControl(index + 1) && isControl(index + 2);
    if (prev != index && deletedHasControls && isControl(prev + 1) && isControl(prev + 2))
        points_[static_cast<size_t>(prev + 2)] = points_[static_cast<size_t>(index + 2)];
    int from = index, to = index + (deletedHasControls ? 3 : 1);
    // Without the deleted end the curve leading to it has no end node: its
    // control points go too, or they would dangle after the new end.
    if (index == figure.LastNode && !figure.IsClosed && prev != index && isControl(prev + 1))
        from = prev + 1;
    points_.erase(points_.begin() + from, points_.begin() + to);
    types_.erase(types_.begin() + from, types_.begin() + to);
    pathInfoStale_ = true;
    PointsChanged();
    return true;
}

int TKestCurve::InsertNearestPoint(TKestPoint point)
{
    if (!Editable())
        return -1;
    TPointArray points = points_;
    TPointTypeArray types = types_;
    const int32_t index = InsertNearestPathPoint(points, types, point, &PathInfo(), UnscaledPixels(4));
    return index >= 0 && ReplacePoints(std::move(points), std::move(types)) ? index : -1;
}

TPathEditFuncs TKestCurve::EditCaps(const TSelectedArray& selected) const
{
    return GetEditPathCaps(points_, types_, selected);
}

bool TKestCurve::EditPoints(const TSelectedArray& selected, TPathEditFunc func, const TPathEditParams* params)
{
    if (!Editable())
        return false;
    TPointArray points = points_;
    TPointTypeArray types = types_;
    return EditPath(points, types, selected, func, params) && ReplacePoints(std::move(points), std::move(types));
}

bool TKestCurve::Flatten(float curveScale)
{
    TPointArray points = points_;
    TPointTypeArray types = types_;
    if (!FlattenPath(points, types, &PathInfo(), curveScale))
        return false;
    if (points != points_ || types != types_)
        ReplacePoints(std::move(points), std::move(types));
    return true;
}

bool TKestCurve::FindNearestPoint(TKestPoint point, TNearestPointInfo& nearest)
{
    PointOnPath(points_, types_, point, &PathInfo(), &nearest, 0, false, true);
    return nearest.Index >= 0;
}

bool TKestCurve::FindNearestSegment(
    TKestPoint point, bool allowOutside, int32_t& firstIndex, int32_t& secondIndex, bool& within)
{
    TNearestPointInfo nearest;
    const bool found
        = FindNearestPathSegment(points_, types_, point, allowOutside, &PathInfo(), &nearest, secondIndex, firstIndex);
    const double t = HitTolerance();
    within = nearest.Index >= 0 && double(nearest.Distance) <= t * t;
    return found;
}

// ---------------------------------------------------------------------------
// Undo and the rectangle

void TKestCurve::BeginPointsChange()
{
    Invalidate();
    TKestPanel* panel = Owner();
    if (panel && !panel->Loading() && panel->History().Recording())
        panel->History().RecordAction(TPointsHistoryAction::StaticClass(), this);
}

void TKestCurve::PointsChanged()
{
    pathInfoStale_ = true;
    if (UpdateCounter() > 0 || fitting_ || (Owner() && Owner()->Loading()) || IsHistorySource()) {
        Invalidate();
        return;
    }
    FitToPoints();
}

void TKestCurve::FitToPoints()
{
    fitting_ = true;
    try {
        TKestRect extent {0, 0, 0, 0};
        if (!points_.empty()) {
            extent = {points_[0].X, points_[0].Y, points_[0].X, points_[0].Y};
            for (const TKestPoint& p : points_)
                extent = {std::min(extent.Left, p.X), std::min(extent.Top, p.Y), std::max(extent.Right, p.X),
                    std::max(extent.Bottom, p.Y)};
            TKestRect bounds;
            if (PathInfo().IsCurve && GetPathBounds(points_, types_, bounds, &PathInfo()))
                extent = bounds;
            if (extent.Right == extent.Left)
                ++extent.Right;
            if (extent.Bottom == extent.Top)
                ++extent.Bottom;
            if (extent.Left != 0 || extent.Top != 0)
                for (TKestPoint& p : points_)
                    p = {p.X - extent.Left, p.Y - extent.Top};
        }
        BeginUpdate();
        SetLeft(Left() + extent.Left);
        SetTop(Top() + extent.Top);
        SetWidth(extent.Right - extent.Left);
        SetHeight(extent.Bottom - extent.Top);
        EndUpdate();
        // Inside an outer update the rectangle is reported by its end: that
        // report must not be taken for a resize from outside.
        rectFromPoints_ = UpdateCounter() > 0;
        const TPathInfo& info = PathInfo();
        settingSolid_ = true;
        isSolidProp_->SetBoolValue(!info.Figures.empty() && info.Figures.back().IsClosed);
        settingSolid_ = false;
    } catch (...) {
        fitting_ = false;
        settingSolid_ = false;
        throw;
    }
    fitting_ = false;
    Invalidate();
    DoNotify(knPoints);
}

void TKestCurve::DoNotify(TKestNotify notify)
{
    if (notify == knRect && UpdateCounter() == 0) {
        if (!fitting_ && !rectFromPoints_ && !(Owner() && Owner()->Loading()) && !IsHistorySource())
            ScalePoints();
        rectFromPoints_ = false;
    }
    TKestControl::DoNotify(notify);
}

void TKestCurve::ScalePoints()
{
    const bool fromCopy = HasState(csResizing) && resizeCopy_.size() == points_.size() && !resizeCopy_.empty();
    const int32_t oldWidth = fromCopy ? resizeWidth_ : UpdateRect().Right - UpdateRect().Left;
    const int32_t oldHeight = fromCopy ? resizeHeight_ : UpdateRect().Bottom - UpdateRect().Top;
    const double sx = oldWidth != 0 ? double(Width()) / oldWidth : 0.0;
    const double sy = oldHeight != 0 ? double(Height()) / oldHeight : 0.0;
    const TPointArray& from = fromCopy ? resizeCopy_ : points_;
    TPointArray scaled(from.size());
    for (size_t i = 0; i < from.size(); ++i)
        scaled[i] = {RoundScaled(from[i].X, sx), RoundScaled(from[i].Y, sy)};
    if (scaled == points_)
        return;
    // The undo record needs the rectangle from before the change.
    Invalidate();
    RecordRectForUndo(0, 0);
    points_ = std::move(scaled);
}

void TKestCurve::StartResizing(TKestPoint origin)
{
    if (!HasState(csResizing)) {
        resizeCopy_ = points_;
        resizeWidth_ = Width();
        resizeHeight_ = Height();
    }
    TKestControl::StartResizing(origin);
}

void TKestCurve::FinishResizing()
{
    resizeCopy_.clear();
    TKestControl::FinishResizing();
}

void TKestCurve::MirrorResizePoints(bool mirrorX, bool mirrorY)
{
    if (HasState(csResizing))
        for (TKestPoint& p : resizeCopy_) {
            if (mirrorX)
                p.X = resizeWidth_ - p.X;
            if (mirrorY)
                p.Y = resizeHeight_ - p.Y;
        }
    TKestControl::MirrorResizePoints(mirrorX, mirrorY);
}

void TKestCurve::ControlTranslate(const TTranslateInfo& info)
{
    if (IsHistorySource())
        return;
    const TKestRect doc = DocRect();
    BeginPointsChange();
    for (TKestPoint& p : points_) {
        const TKestPoint turned = TranslatePoint(info, {doc.Left + p.X, doc.Top + p.Y});
        p = {turned.X - doc.Left, turned.Y - doc.Top};
    }
    brushProp_->Translate(info.Rotate, info.Mirror);
    // The rectangle follows the turned points; the linked points are turned
    // on their own rather than moved with the rectangle.
    BeginTranslating();
    try {
        FitToPoints();
    } catch (...) {
        EndTranslating();
        throw;
    }
    EndTranslating();
    TranslateLinkPoints(info);
}

} // namespace kest
