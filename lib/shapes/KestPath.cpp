// Path analysis and the walk over a path's segments, with the four things
// done on that walk: flattening, hit testing, bounds and painting.
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "KestPathInternal.h"

namespace kest {

using namespace pathimpl;

namespace {

// Deep enough for any curve of 32-bit coordinates at a curve scale of 1 to
// reach one unit of flatness; bounds the work a hostile curve scale causes.
constexpr int kMaxCurveDepth = 20;

struct TCurve {
    double X[4], Y[4];
    double T0, T1;
};

// Which nodes a curve segment joins, for attributing hits to them.
struct TCurveNodes {
    int32_t Start;
    double T0, T1;
};

void ExtendBounds(TKestRect& rect, TKestPoint p)
{
    if (p.X < rect.Left)
        rect.Left = p.X;
    else if (p.X > rect.Right)
        rect.Right = p.X;
    if (p.Y < rect.Top)
        rect.Top = p.Y;
    else if (p.Y > rect.Bottom)
        rect.Bottom = p.Y;
}

void ProcessLine(TPathWalkContext& c, const TCurveNodes* curve)
{
    switch (c.Mode) {
    case pwFlatten:
        c.Output->Add(c.CurrentPoint, ptNode);
        break;
    case pwBounds:
        ExtendBounds(c.Bounds, c.CurrentPoint);
        break;
    case pwPaint:
        c.Painter->lineTo(c.CurrentPoint.X, c.CurrentPoint.Y);
        break;
    case pwHitTest:
        if (c.Hit && !c.Nearest)
            break;
        TestSegment(c, c.PreviousPoint, c.CurrentPoint);
        if (curve && c.Nearest && c.Nearest->Updated) {
            TNearestPointInfo& n = *c.Nearest;
            if (curve->T1 < 1)
                n.Index = curve->Start;
            const long double dx = (long double)c.CurrentPoint.X - c.PreviousPoint.X;
            if (dx == 0)
                n.Parameter = float(curve->T0);
            else
                n.Parameter
                    = float(curve->T0 + (curve->T1 - curve->T0) * ((long double)n.Point.X - c.PreviousPoint.X) / dx);
        }
        break;
    }
    c.PreviousPoint = c.CurrentPoint;
}

void ProcessCurve(TPathWalkContext& c, const TCurve& q, int32_t startNode, int depth)
{
    const double a = q.Y[3] - q.Y[0], b = q.X[0] - q.X[3];
    const double cc = a * q.X[0] + b * q.Y[0];
    const double d1 = (a * q.X[1] + b * q.Y[1] - cc) * c.CurveScale;
    const double d2 = (a * q.X[2] + b * q.Y[2] - cc) * c.CurveScale;
    const double chord = a * a + b * b;
    bool flat = !(d1 * d1 >= chord || d2 * d2 >= chord) || depth >= kMaxCurveDepth;
    if (!flat) {
        const double mx = (q.X[0] + 3 * q.X[1] + 3 * q.X[2] + q.X[3]) / 8;
        const double my = (q.Y[0] + 3 * q.Y[1] + 3 * q.Y[2] + q.Y[3]) / 8;
        if (mx == q.X[0] && my == q.Y[0]) {
            flat = true;
        } else {
            const double tm = q.T0 + (q.T1 - q.T0) / 2;
            TCurve half;
            half.X[0] = q.X[0];
            half.Y[0] = q.Y[0];
            half.X[1] = (q.X[0] + q.X[1]) / 2;
            half.Y[1] = (q.Y[0] + q.Y[1]) / 2;
            half.X[2] = (q.X[0] + 2 * q.X[1] + q.X[2]) / 4;
            half.Y[2] = (q.Y[0] + 2 * q.Y[1] + q.Y[2]) / 4;
            half.X[3] = mx;
            half.Y[3] = my;
            half.T0 = q.T0;
            half.T1 = tm;
            ProcessCurve(c, half, startNode, depth + 1);
            half.X[0] = mx;
            half.Y[0] = my;
            half.X[1] = (q.X[1] + 2 * q.X[2] + q.X[3]) / 4;
            half.Y[1] = (q.Y[1] + 2 * q.Y[2] + q.Y[3]) / 4;
            half.X[2] = (q.X[2] + q.X[3]) / 2;
            half.Y[2] = (q.Y[2] + q.Y[3]) / 2;
            half.X[3] = q.X[3];
            half.Y[3] = q.Y[3];
            half.T0 = tm;
            half.T1 = q.T1;
            ProcessCurve(c, half, startNode, depth + 1);
            return;
        }
    }
    c.CurrentPoint = {RoundCoord(q.X[3]), RoundCoord(q.Y[3])};
    const TCurveNodes nodes {startNode, q.T0, q.T1};
    ProcessLine(c, &nodes);
}

void ProcessCurveSegment(
    TPathWalkContext& c, TKestPoint p0, TKestPoint p1, TKestPoint p2, TKestPoint p3, int32_t startNode)
{
    if (c.Mode == pwPaint && c.NativeCurves) {
        c.Painter->cubicTo(p1.X, p1.Y, p2.X, p2.Y, p3.X, p3.Y);
        c.PreviousPoint = c.CurrentPoint = p3;
        return;
    }
    const TCurve q {{double(p0.X), double(p1.X), double(p2.X), double(p3.X)},
        {double(p0.Y), double(p1.Y), double(p2.Y), double(p3.Y)}, 0.0, 1.0};
    ProcessCurve(c, q, startNode, 0);
}

bool FigureIsSound(const TPathFigureInfo& f, int32_t count)
{
    return f.FirstNode >= 0 && f.FirstNode <= f.LastNode && f.LastNode < count && f.LastPoint >= f.LastNode
        && f.LastPoint < count;
}

bool WalkFigure(const TPointArray& points, const TPointTypeArray& types, const TPathFigureInfo& f, TPathWalkContext& c)
{
    const int32_t count = int32_t(points.size());
    const int32_t last = f.IsClosed ? f.LastNode : f.LastNode - 1;
    std::vector<int32_t>* crossings = c.Crossings;
    if (!f.IsClosed)
        c.Crossings = nullptr; // only closed figures have an inside
    bool ok = true;
    for (int32_t i = f.FirstNode; i <= last;) {
        if (types[i] == ptControl) {
            ok = false;
            break;
        }
        if (c.Nearest)
            c.Nearest->SegmentStart = i;
        const bool closing = types[i] == ptClosedEnd;
        if (i < count - 2 && types[i + 1] == ptControl) {
            const int32_t end = closing ? f.FirstNode : i + 3;
            if (end >= count) {
                ok = false;
                break;
            }
            if (c.Nearest)
                c.Nearest->SegmentEnd = end;
            ProcessCurveSegment(c, points[i], points[i + 1], points[i + 2], points[end], i);
            i += 3;
        } else {
            const int32_t end = closing ? f.FirstNode : i + 1;
            if (end >= count) {
                ok = false;
                break;
            }
            if (c.Nearest)
                c.Nearest->SegmentEnd = end;
            c.CurrentPoint = points[end];
            ProcessLine(c, nullptr);
            i += 1;
        }
        if (c.Mode == pwHitTest && c.Hit && !c.Nearest)
            break;
    }
    c.Crossings = crossings;
    return ok;
}

} // namespace

namespace pathimpl {

const TPathInfo* UsableInfo(
    const TPointArray& points, const TPointTypeArray& types, const TPathInfo* info, TPathInfo& local)
{
    if (!info) {
        GetPathInfo(points, types, local);
        return &local;
    }
    return info->PointCount == int32_t(points.size()) ? info : nullptr;
}

void TestSegment(TPathWalkContext& c, TKestPoint a, TKestPoint b)
{
    const TKestPoint p = c.TestPoint;
    const int64_t w = c.Tolerance;
    const bool canHit = w > 0 && int64_t(p.X) >= int64_t(std::min(a.X, b.X)) - w
        && int64_t(p.X) <= int64_t(std::max(a.X, b.X)) + w && int64_t(p.Y) >= int64_t(std::min(a.Y, b.Y)) - w
        && int64_t(p.Y) <= int64_t(std::max(a.Y, b.Y)) + w;
    if (canHit || c.Nearest) {
        const long double abx = (long double)b.X - a.X, aby = (long double)b.Y - a.Y;
        const long double apx = (long double)p.X - a.X, apy = (long double)p.Y - a.Y;
        const long double bpx = (long double)p.X - b.X, bpy = (long double)p.Y - b.Y;
        const long double len = abx * abx + aby * aby;
        const long double da = apx * apx + apy * apy, db = bpx * bpx + bpy * bpy;
        long double dist;
        if (len >= 1) {
            // The squared height of the triangle a, b, p over ab.
            const long double cross = abx * apy - aby * apx;
            dist = cross * cross / len;
            if (canHit && dist <= (long double)(w * w))
                c.Hit = true;
        } else {
            dist = da;
            if (canHit && std::llabs(int64_t(p.X) - a.X) <= w && std::llabs(int64_t(p.Y) - a.Y) <= w)
                c.Hit = true;
        }
        if (TNearestPointInfo* n = c.Nearest) {
            n->Updated = false;
            if (n->Index == -1 || float(dist) < n->Distance) {
                const long double t = len == 0 ? 0 : (da - db + len) / (2 * len);
                const TKestPoint x {
                    ClampCoord(int64_t(a.X) + RoundCoord(abx * t)), ClampCoord(int64_t(a.Y) + RoundCoord(aby * t))};
                TKestPoint candidate = x;
                int32_t index = n->SegmentStart;
                long double candidateDist = dist;
                if (x.X < std::min(a.X, b.X) || x.X > std::max(a.X, b.X) || x.Y < std::min(a.Y, b.Y)
                    || x.Y > std::max(a.Y, b.Y)) {
                    if (da >= db) {
                        candidate = b;
                        index = n->SegmentEnd;
                        candidateDist = db;
                    } else {
                        candidate = a;
                        candidateDist = da;
                    }
                }
                if (n->Index == -1 || float(candidateDist) < n->Distance) {
                    n->Point = candidate;
                    n->Index = index;
                    n->Distance = float(candidateDist);
                    n->Updated = true;
                }
            }
        }
    }
    if (std::vector<int32_t>* crossings = c.Crossings) {
        if (p.Y >= std::min(a.Y, b.Y) && p.Y < std::max(a.Y, b.Y)) {
            const int64_t x = int64_t(a.X) + (int64_t(b.X) - a.X) * (int64_t(p.Y) - a.Y) / (int64_t(b.Y) - a.Y);
            const int32_t cx = ClampCoord(x);
            crossings->insert(std::lower_bound(crossings->begin(), crossings->end(), cx), cx);
        }
    }
}

} // namespace pathimpl

void GetPathInfo(const TPointArray& points, const TPointTypeArray& types, TPathInfo& info)
{
    info.IsCurve = false;
    if (points.empty() || types.size() != points.size()) {
        info.PointCount = int32_t(points.size());
        info.Figures.clear();
        return;
    }
    const int32_t count = int32_t(points.size());
    info.PointCount = count;
    size_t figures = 0;
    int32_t nextStart = 0;
    for (int32_t i = 0; i < count; ++i) {
        if (i == nextStart) {
            if (figures == info.Figures.size())
                info.Figures.emplace_back();
            info.Figures[figures++] = TPathFigureInfo {i, -1, -1, false, false};
        }
        TPathFigureInfo& f = info.Figures[figures - 1];
        if (IsEndType(types[i])) {
            f.LastNode = i;
            f.IsClosed = types[i] == ptClosedEnd;
            int32_t step = 1;
            if (i < count - 2 && types[i + 1] == ptControl) {
                step = 3;
                f.IsCurve = true;
            }
            nextStart = i + step;
            f.LastPoint = i + step - 1;
            if (f.IsCurve)
                info.IsCurve = true;
        } else if (types[i] == ptControl) {
            f.IsCurve = true;
        }
    }
    info.Figures.resize(figures);
}

int32_t FindPathFigure(const TPathInfo& info, int32_t pointIndex)
{
    for (size_t i = 0; i < info.Figures.size(); ++i)
        if (info.Figures[i].FirstNode <= pointIndex && pointIndex <= info.Figures[i].LastPoint)
            return int32_t(i);
    return -1;
}

bool InsertPathPoints(TPointArray& points, TPointTypeArray& types, int32_t index, int32_t delta)
{
    const int64_t count = int64_t(points.size());
    if (types.size() != points.size() || index < 0 || index > count)
        return false;
    if (delta > 0) {
        points.insert(points.begin() + index, size_t(delta), TKestPoint {});
        types.insert(types.begin() + index, size_t(delta), ptNode);
        // The new slots keep copies of what stood there before.
        for (int64_t i = index; i < index + delta && i < count; ++i) {
            points[i] = points[i + delta];
            types[i] = types[i + delta];
        }
    } else if (delta < 0) {
        if (int64_t(index) - delta > count)
            return false;
        points.erase(points.begin() + index, points.begin() + index - delta);
        types.erase(types.begin() + index, types.begin() + index - delta);
    }
    return true;
}

TPointList::TPointList(int32_t capacity)
    : capacity_(std::max(capacity, 1))
    , delta_(capacity_)
{
    data_.reset(new TRecord[capacity_]);
}

void TPointList::Add(TKestPoint point, TPointType type)
{
    if (count_ == capacity_) {
        const int32_t grown = capacity_ + delta_;
        std::unique_ptr<TRecord[]> block(new TRecord[grown]);
        std::copy(data_.get(), data_.get() + count_, block.get());
        data_ = std::move(block);
        capacity_ = grown;
        delta_ *= 2;
    }
    data_[count_++] = TRecord {point, type};
}

void TPointList::Delete()
{
    if (count_ > 0)
        --count_;
}

bool WalkPath(const TPointArray& points, const TPointTypeArray& types, TPathWalkContext& c)
{
    c.FigureCount = 0;
    if (points.size() != types.size())
        return false;
    if (points.empty() || (!c.IncludeClosed && !c.IncludeOpen))
        return true;
    TPathInfo local;
    const TPathInfo* info = UsableInfo(points, types, c.Info, local);
    if (!info)
        return false;
    const int32_t count = int32_t(points.size());
    for (const TPathFigureInfo& f : info->Figures) {
        if (!FigureIsSound(f, count))
            return false;
        if ((f.IsClosed && !c.IncludeClosed) || (!f.IsClosed && !c.IncludeOpen)) {
            c.AllIncluded = false;
            continue;
        }
        const TKestPoint first = points[f.FirstNode];
        c.PreviousPoint = first;
        ++c.FigureCount;
        c.FigureClosed = f.IsClosed;
        switch (c.Mode) {
        case pwFlatten:
            c.Output->Add(first, ptNode);
            break;
        case pwBounds:
            ExtendBounds(c.Bounds, first);
            break;
        case pwPaint:
            c.Painter->moveTo(first.X, first.Y);
            break;
        case pwHitTest:
            break;
        }
        if (!WalkFigure(points, types, f, c))
            return false;
        if (c.Mode == pwHitTest && c.Hit && !c.Nearest)
            return true;
        if (c.Mode == pwFlatten) {
            if (f.IsClosed && c.Output->Count() > 1)
                c.Output->Delete();
            (*c.Output)[c.Output->Count() - 1].Type = f.IsClosed ? ptClosedEnd : ptOpenEnd;
        } else if (c.Mode == pwPaint && f.IsClosed) {
            c.Painter->closeSubpath();
        }
    }
    return true;
}

bool GetPathBounds(const TPointArray& points, const TPointTypeArray& types, TKestRect& rect, const TPathInfo* info)
{
    if (points.empty() || points.size() != types.size()) {
        rect = TKestRect {};
        return false;
    }
    TPathWalkContext c;
    c.Mode = pwBounds;
    c.Info = info;
    c.Bounds = TKestRect {points[0].X, points[0].Y, points[0].X, points[0].Y};
    const bool ok = WalkPath(points, types, c);
    rect = c.Bounds;
    return ok;
}

bool PaintPath(QPainterPath& path, const TPointArray& points, const TPointTypeArray& types, const TPathInfo* info,
    bool nativeCurves, bool& allIncluded, bool includeOpen, bool includeClosed)
{
    path = QPainterPath();
    TPathWalkContext c;
    c.Mode = pwPaint;
    c.Info = info;
    c.NativeCurves = nativeCurves;
    c.IncludeOpen = includeOpen;
    c.IncludeClosed = includeClosed;
    c.Painter = &path;
    const bool ok = WalkPath(points, types, c);
    allIncluded = ok && c.AllIncluded;
    if (!ok || c.FigureCount == 0) {
        path = QPainterPath();
        return false;
    }
    return true;
}

bool PointOnPath(const TPointArray& points, const TPointTypeArray& types, TKestPoint point, const TPathInfo* info,
    TNearestPointInfo* nearest, int32_t tolerance, bool fillTest, bool strokeTest)
{
    if (nearest)
        *nearest = TNearestPointInfo {};
    std::vector<int32_t> crossings;
    TPathWalkContext c;
    c.Mode = pwHitTest;
    c.Info = info;
    c.TestPoint = point;
    c.Nearest = nearest;
    c.IncludeClosed = fillTest || strokeTest;
    c.IncludeOpen = strokeTest;
    c.Tolerance = strokeTest ? tolerance : 0;
    if (fillTest) {
        crossings.reserve(64);
        c.Crossings = &crossings;
    }
    if (!WalkPath(points, types, c))
        return false;
    if (c.Hit || !fillTest)
        return c.Hit;
    // Even-odd: an odd number of crossings left of the point means inside.
    const auto first = std::lower_bound(crossings.begin(), crossings.end(), point.X);
    if (first == crossings.end())
        return false;
    return (first - crossings.begin()) % 2 == 1 || *first == point.X;
}

bool FlattenPath(TPointArray& points, TPointTypeArray& types, const TPathInfo* info, float curveScale)
{
    TPointList list(32);
    TPathWalkContext c;
    c.Mode = pwFlatten;
    c.Info = info;
    c.CurveScale = curveScale;
    c.Output = &list;
    if (!WalkPath(points, types, c))
        return false;
    points.resize(size_t(list.Count()));
    types.resize(size_t(list.Count()));
    for (int32_t i = 0; i < list.Count(); ++i) {
        points[i] = list[i].Point;
        types[i] = list[i].Type;
    }
    return true;
}

} // namespace kest
