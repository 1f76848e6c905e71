// Inserting a node into a segment of a path, and finding the segment
// nearest to a point.
#include <algorithm>
#include <cstdlib>

#include "KestPathInternal.h"

namespace kest {

using namespace pathimpl;

namespace {

// The nearest point on a line segment.
TNearestPointInfo NearestOnLine(TKestPoint a, TKestPoint b, TKestPoint point)
{
    TNearestPointInfo nearest;
    TPathWalkContext c;
    c.Mode = pwHitTest;
    c.TestPoint = point;
    c.Nearest = &nearest;
    TestSegment(c, a, b);
    return nearest;
}

TKestPoint Blend(long double t, TKestPoint p0, TKestPoint p1)
{
    return {RoundCoord((1 - t) * p0.X + t * p1.X), RoundCoord((1 - t) * p0.Y + t * p1.Y)};
}

TKestPoint Blend(long double t, TKestPoint p0, TKestPoint p1, TKestPoint p2)
{
    const long double u = 1 - t;
    return {RoundCoord(u * u * p0.X + 2 * t * u * p1.X + t * t * p2.X),
        RoundCoord(u * u * p0.Y + 2 * t * u * p1.Y + t * t * p2.Y)};
}

// Splits the curve start, c1, c2, end at the nearest point to point (or at
// point itself, the controls pulled so that the curve passes through it when
// it lies farther than tolerance), writing the new node and the four
// controls into the slots from start on.
void SplitCurve(TPointArray& points, int32_t start, int32_t end, TKestPoint point, int32_t tolerance)
{
    const TKestPoint p0 = points[start], p3 = points[end];
    TKestPoint c1 = points[start + 1], c2 = points[start + 2];
    const TPointArray curve {p0, c1, c2, p3};
    const TPointTypeArray types {ptNode, ptControl, ptControl, ptOpenEnd};
    TNearestPointInfo nearest;
    PointOnPath(curve, types, point, nullptr, &nearest, 0, false, true);
    const long double t = nearest.Parameter;
    TKestPoint node = nearest.Point;
    if ((long double)tolerance * tolerance < (long double)nearest.Distance) {
        node = point;
        const int64_t dx = int64_t(point.X) - nearest.Point.X, dy = int64_t(point.Y) - nearest.Point.Y;
        if (t != 0 && t != 1 && (dx != 0 || dy != 0)) {
            const long double f = 3 * t * (1 - t);
            const int32_t mx = RoundCoord(dx / f), my = RoundCoord(dy / f);
            c1 = {ClampCoord(int64_t(c1.X) + mx), ClampCoord(int64_t(c1.Y) + my)};
            c2 = {ClampCoord(int64_t(c2.X) + mx), ClampCoord(int64_t(c2.Y) + my)};
        }
    }
    points[start + 1] = Blend(t, p0, c1);
    points[start + 2] = Blend(t, p0, c1, c2);
    points[start + 3] = node;
    points[start + 4] = Blend(t, c1, c2, p3);
    points[start + 5] = Blend(t, c2, p3);
}

} // namespace

int32_t InsertPathPoint(TPointArray& points, TPointTypeArray& types, int32_t firstIndex, const TPathInfo* info,
    int32_t tolerance, TKestPoint point, int32_t secondIndex)
{
    const int32_t count = int32_t(points.size());
    if (types.size() != points.size() || secondIndex == firstIndex || firstIndex < 0 || firstIndex > count - 1
        || secondIndex < -1 || secondIndex > count || types[firstIndex] == ptControl
        || (secondIndex >= 0 && secondIndex < count && types[secondIndex] == ptControl))
        return -1;
    TPathInfo local;
    const TPathInfo* usable = UsableInfo(points, types, info, local);
    if (!usable)
        return -1;
    const int32_t figure = FindPathFigure(*usable, firstIndex);
    if (figure < 0)
        return -1;
    const TPathFigureInfo f = usable->Figures[figure];
    if (f.FirstNode < 0 || f.LastNode < f.FirstNode || f.LastPoint < f.LastNode || f.LastPoint >= count)
        return -1;
    const bool outside = secondIndex < f.FirstNode || secondIndex > f.LastNode;
    bool closing = secondIndex == f.FirstNode && firstIndex == f.LastNode;
    if (!outside) {
        if (closing && !f.IsClosed)
            return -1;
        if ((secondIndex < firstIndex) != closing) {
            std::swap(firstIndex, secondIndex);
            closing = secondIndex == f.FirstNode && firstIndex == f.LastNode;
        }
    } else if (f.IsClosed || (secondIndex < f.FirstNode && firstIndex != f.FirstNode)
        || (secondIndex > f.LastNode && firstIndex != f.LastNode)) {
        return -1;
    }
    const int32_t s = firstIndex;
    const bool curve = !outside && s < f.LastPoint && s + 2 < count && types[s + 1] == ptControl;
    if (!(closing || std::abs(secondIndex - s) < 2 || (curve && secondIndex == s + 3)))
        return -1;
    int32_t index = secondIndex;
    if (closing)
        index = f.LastPoint + 1;
    else if (outside && secondIndex < f.FirstNode)
        index = s;
    const int32_t end = closing ? f.FirstNode : secondIndex;
    if (curve) {
        InsertPathPoints(points, types, index, 3);
        // The end node moved up by three unless the segment closes the figure.
        SplitCurve(points, s, end < index ? end : end + 3, point, tolerance);
        types[s + 3] = ptNode;
        types[s + 4] = types[s + 5] = ptControl;
    } else {
        TKestPoint node = point;
        if (!outside) {
            const TNearestPointInfo nearest = NearestOnLine(points[s], points[end], point);
            if ((long double)nearest.Distance <= (long double)tolerance * 1000)
                node = nearest.Point;
        }
        InsertPathPoints(points, types, index, 1);
        points[index] = node;
        types[index] = ptNode;
    }
    if (closing) {
        types[s] = ptNode;
        types[index] = ptClosedEnd;
    } else if (outside && secondIndex > f.LastNode) {
        types[s] = ptNode;
        types[index] = ptOpenEnd;
    }
    return index;
}

bool FindNearestPathSegment(const TPointArray& points, const TPointTypeArray& types, TKestPoint point,
    bool allowOutside, const TPathInfo* info, TNearestPointInfo* nearest, int32_t& secondIndex, int32_t& firstIndex)
{
    secondIndex = firstIndex = -1;
    TPathInfo local;
    const TPathInfo* usable = UsableInfo(points, types, info, local);
    if (!usable)
        return false;
    TNearestPointInfo own;
    TNearestPointInfo& n = nearest ? *nearest : own;
    n = TNearestPointInfo {};
    TPathWalkContext c;
    c.Mode = pwHitTest;
    c.Info = usable;
    c.TestPoint = point;
    c.Nearest = &n;
    if (!WalkPath(points, types, c) || n.Index < 0)
        return false;
    const int32_t figure = FindPathFigure(*usable, n.Index);
    if (figure < 0)
        return false;
    const TPathFigureInfo& f = usable->Figures[figure];
    const int32_t count = int32_t(points.size());
    const int32_t node = n.Index;
    firstIndex = node;
    if (f.IsClosed && node == f.LastNode)
        secondIndex = f.FirstNode;
    else if (!f.IsClosed && node == f.LastNode)
        secondIndex = node < f.LastPoint ? node + 3 : node + 1;
    else if (!f.IsClosed && node == f.FirstNode && point == points[node])
        secondIndex = node - 1;
    else
        secondIndex = node + 1 < count && types[node + 1] == ptControl ? node + 3 : node + 1;
    return allowOutside || (secondIndex >= f.FirstNode && secondIndex <= f.LastNode);
}

int32_t InsertNearestPathPoint(
    TPointArray& points, TPointTypeArray& types, TKestPoint point, const TPathInfo* info, int32_t tolerance)
{
    TPathInfo local;
    const TPathInfo* usable = UsableInfo(points, types, info, local);
    int32_t second = -1, first = -1;
    if (!usable || !FindNearestPathSegment(points, types, point, true, usable, nullptr, second, first))
        return -1;
    return InsertPathPoint(points, types, first, usable, tolerance, point, second);
}

} // namespace kest
