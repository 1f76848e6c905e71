// The route of a connector between two link points: straight, or an
// orthogonal polyline with as few bends as possible that keeps the minimal
// gap around the linked objects.
#include <algorithm>
#include <array>
#include <optional>

#include "KestPathInternal.h"

namespace kest {

using namespace pathimpl;

namespace {

// Route geometry runs in 64 bits so that rectangles grown by the gap cannot
// overflow; the result is clamped back.
struct TPt {
    int64_t X = 0, Y = 0;
    bool operator==(const TPt&) const = default;
};
struct TRc {
    int64_t L = 0, T = 0, R = 0, B = 0;
};
using TRoute = std::vector<TPt>;

enum TDir { dUp = 0, dRight = 1, dDown = 2, dLeft = 3 };

bool IsHorizontal(int d)
{
    return d == dRight || d == dLeft;
}
int Opposite(int d)
{
    return (d + 2) % 4;
}
// Exchanging x and y turns up into left and right into down.
int Transposed(int d)
{
    return 3 - d;
}
TPt Transposed(TPt p)
{
    return {p.Y, p.X};
}
TRc Transposed(const TRc& r)
{
    return {r.T, r.L, r.B, r.R};
}

TPt ToPt(TKestPoint p)
{
    return {p.X, p.Y};
}

TRc Normalized(const TKestRect& r)
{
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right), std::max(r.Top, r.Bottom)};
}

TRc Including(TRc r, TPt p)
{
    return {std::min(r.L, p.X), std::min(r.T, p.Y), std::max(r.R, p.X), std::max(r.B, p.Y)};
}

TRc Grown(TRc r, int64_t gap)
{
    return {r.L - gap, r.T - gap, r.R + gap, r.B + gap};
}

TRc Union(const TRc& a, const TRc& b)
{
    return {std::min(a.L, b.L), std::min(a.T, b.T), std::max(a.R, b.R), std::max(a.B, b.B)};
}

bool Overlap(const TRc& a, const TRc& b)
{
    return std::max(a.L, b.L) < std::min(a.R, b.R) && std::max(a.T, b.T) < std::min(a.B, b.B);
}

// The edge of r on side d, as a coordinate.
int64_t Edge(const TRc& r, int d)
{
    switch (d) {
    case dUp:
        return r.T;
    case dRight:
        return r.R;
    case dDown:
        return r.B;
    default:
        return r.L;
    }
}

// p lies on or beyond r's edge on side d.
bool Beyond(TPt p, const TRc& r, int d)
{
    switch (d) {
    case dUp:
        return p.Y <= r.T;
    case dRight:
        return p.X >= r.R;
    case dDown:
        return p.Y >= r.B;
    default:
        return p.X <= r.L;
    }
}

// The directions an end may leave in: the sides its point lies beyond, or,
// from inside, the nearest sides.
std::vector<int> ExitDirections(TPt p, const TRc& r)
{
    std::vector<int> dirs;
    if (p.X < r.L || p.X > r.R || p.Y < r.T || p.Y > r.B) {
        if (p.Y < r.T)
            dirs.push_back(dUp);
        if (p.X > r.R)
            dirs.push_back(dRight);
        if (p.Y > r.B)
            dirs.push_back(dDown);
        if (p.X < r.L)
            dirs.push_back(dLeft);
        return dirs;
    }
    const std::array<int64_t, 4> distance {p.Y - r.T, r.R - p.X, r.B - p.Y, p.X - r.L};
    const int64_t least = *std::min_element(distance.begin(), distance.end());
    for (int d = 0; d < 4; ++d)
        if (distance[d] == least)
            dirs.push_back(d);
    return dirs;
}

// The one unit wide strip from p to its rectangle's edge in direction d.
TRc Corridor(TPt p, const TRc& r, int d)
{
    switch (d) {
    case dUp:
        return {p.X, r.T, p.X + 1, p.Y};
    case dRight:
        return {p.X, p.Y, r.R, p.Y + 1};
    case dDown:
        return {p.X, p.Y, p.X + 1, r.B};
    default:
        return {r.L, p.Y, p.X, p.Y + 1};
    }
}

// An axis-parallel segment passes through the open inside of r.
bool EntersInside(TPt a, TPt b, const TRc& r)
{
    const bool xIn = std::min(a.X, b.X) < r.R && std::max(a.X, b.X) > r.L;
    const bool yIn = std::min(a.Y, b.Y) < r.B && std::max(a.Y, b.Y) > r.T;
    return xIn && yIn;
}

int64_t Length(const TRoute& route)
{
    int64_t length = 0;
    for (size_t i = 1; i < route.size(); ++i)
        length += std::abs(route[i].X - route[i - 1].X) + std::abs(route[i].Y - route[i - 1].Y);
    return length;
}

struct TEnds {
    TPt A, B;
    TRc RA, RB;
    int DA, DB;
};

// Attempts with A leaving horizontally (the caller transposes otherwise).
std::optional<TRoute> RouteHorizontal(const TEnds& e, int bends)
{
    const TPt a = e.A, b = e.B;
    const TRc &ra = e.RA, &rb = e.RB;
    const int da = e.DA, db = e.DB;
    const bool right = da == dRight;
    switch (bends) {
    case 0:
        if (db == Opposite(da) && a.Y == b.Y && (right ? b.X > a.X : b.X < a.X))
            return TRoute {a, b};
        return std::nullopt;
    case 1: {
        const TPt corner {b.X, a.Y};
        if (Beyond(corner, ra, da) && Beyond(corner, rb, db))
            return TRoute {a, corner, b};
        return std::nullopt;
    }
    case 2: {
        int64_t x;
        if (da == db) {
            x = right ? std::max(ra.R, rb.R) : std::min(ra.L, rb.L);
            // Out to the outer edge must not run through the other object.
            if (EntersInside(a, {x, a.Y}, rb) || EntersInside({x, b.Y}, b, ra))
                return std::nullopt;
        } else {
            const int64_t from = Edge(ra, da), to = Edge(rb, db);
            if (right ? from > to : from < to)
                return std::nullopt;
            x = (from + to) / 2;
        }
        return TRoute {a, {x, a.Y}, {x, b.Y}, b};
    }
    default:
        break;
    }
    if (Overlap(Corridor(a, ra, da), rb) || Overlap(Corridor(b, rb, db), ra))
        return std::nullopt;
    if (bends == 3) {
        const bool up = db == dUp;
        const int64_t yB = up ? rb.T : rb.B;
        if (right ? ra.R < rb.L : rb.R < ra.L) {
            const int64_t x = right ? (ra.R + rb.L) / 2 : (rb.R + ra.L) / 2;
            return TRoute {a, {x, a.Y}, {x, yB}, {b.X, yB}, b};
        }
        if (up ? ra.B < rb.T : rb.B < ra.T) {
            const int64_t x = Edge(ra, da), y = up ? (ra.B + rb.T) / 2 : (rb.B + ra.T) / 2;
            return TRoute {a, {x, a.Y}, {x, y}, {b.X, y}, b};
        }
        const int64_t x = right ? std::max(ra.R, rb.R) : std::min(ra.L, rb.L);
        const int64_t y = up ? std::min(ra.T, rb.T) : std::max(ra.B, rb.B);
        return TRoute {a, {x, a.Y}, {x, y}, {b.X, y}, b};
    }
    if (da == db) {
        const auto level = [&](const TRc& r) {
            return std::abs(a.Y - r.T) + std::abs(b.Y - r.T) < std::abs(a.Y - r.B) + std::abs(b.Y - r.B) ? r.T : r.B;
        };
        const int64_t x = ra.L < rb.R ? (ra.R + rb.L) / 2 : (ra.L + rb.R) / 2;
        if (right ? ra.R < rb.L : rb.R < ra.L) {
            const int64_t y = level(rb), xb = Edge(rb, db);
            return TRoute {a, {x, a.Y}, {x, y}, {xb, y}, {xb, b.Y}, b};
        }
        const int64_t y = level(ra), xa = Edge(ra, da);
        return TRoute {a, {xa, a.Y}, {xa, y}, {x, y}, {x, b.Y}, b};
    }
    // Opposite exits without a gap: around the union, above or below.
    const TRc u = Union(ra, rb);
    const int64_t xa = Edge(u, da), xb = Edge(u, db);
    const TRoute above {a, {xa, a.Y}, {xa, u.T}, {xb, u.T}, {xb, b.Y}, b};
    const TRoute below {a, {xa, a.Y}, {xa, u.B}, {xb, u.B}, {xb, b.Y}, b};
    return Length(below) < Length(above) ? below : above;
}

std::optional<TRoute> RouteAttempt(TEnds e, int bends)
{
    const bool sameAxis = IsHorizontal(e.DA) == IsHorizontal(e.DB);
    if (sameAxis != (bends % 2 == 0))
        return std::nullopt;
    if (IsHorizontal(e.DA))
        return RouteHorizontal(e, bends);
    const TEnds t {
        Transposed(e.A), Transposed(e.B), Transposed(e.RA), Transposed(e.RB), Transposed(e.DA), Transposed(e.DB)};
    std::optional<TRoute> route = RouteHorizontal(t, bends);
    if (route)
        for (TPt& p : *route)
            p = Transposed(p);
    return route;
}

// Both ends on one object: around its expanded rectangle r.
TRoute RouteSameObject(TPt a, TPt b, const TRc& r, int da, int db)
{
    if (IsHorizontal(da) != IsHorizontal(db)) {
        if (IsHorizontal(da)) {
            const TPt corner {Edge(r, da), Edge(r, db)};
            return {a, {corner.X, a.Y}, corner, {b.X, corner.Y}, b};
        }
        const TPt corner {Edge(r, db), Edge(r, da)};
        return {a, {a.X, corner.Y}, corner, {corner.X, b.Y}, b};
    }
    if (IsHorizontal(da)) {
        const int64_t y = (r.B - a.Y) + (r.B - b.Y) <= (a.Y - r.T) + (b.Y - r.T) ? r.B : r.T;
        const int64_t xa = Edge(r, da), xb = Edge(r, db);
        return {a, {xa, a.Y}, {xa, y}, {xb, y}, {xb, b.Y}, b};
    }
    const int64_t x = (a.X - r.L) + (b.X - r.L) < (r.R - a.X) + (r.R - b.X) ? r.L : r.R;
    const int64_t ya = Edge(r, da), yb = Edge(r, db);
    return {a, {a.X, ya}, {x, ya}, {x, yb}, {b.X, yb}, b};
}

// When nothing fits: a line, a Z through the middle, or an L.
TRoute PlainRoute(TPt a, TPt b, int da, int db)
{
    if (IsHorizontal(da) == IsHorizontal(db)) {
        if (IsHorizontal(da) ? a.Y == b.Y : a.X == b.X)
            return {a, b};
        if (IsHorizontal(da)) {
            const int64_t x = a.X + (b.X - a.X) / 2;
            return {a, {x, a.Y}, {x, b.Y}, b};
        }
        const int64_t y = a.Y + (b.Y - a.Y) / 2;
        return {a, {a.X, y}, {b.X, y}, b};
    }
    return {a, IsHorizontal(da) ? TPt {b.X, a.Y} : TPt {a.X, b.Y}, b};
}

std::optional<TRoute> OrthogonalRoute(const TConnectorRouteInput& in)
{
    const TPt a = ToPt(in.PointA), b = ToPt(in.PointB);
    const TRc rectA = Normalized(in.RectA), rectB = Normalized(in.RectB);
    const int64_t gap = std::max(in.Gap, 0);
    TRc ra = Grown(Including(rectA, a), gap), rb = Grown(Including(rectB, b), gap);
    if (in.SameObject)
        ra = rb = Grown(Including(Including(rectA, a), b), gap);
    const std::vector<int> dirsA = ExitDirections(a, rectA), dirsB = ExitDirections(b, rectB);
    if (dirsA.empty() || dirsB.empty())
        return std::nullopt;
    for (int bends = 0; bends <= 4; ++bends) {
        for (int da : dirsA) {
            for (int db : dirsB) {
                if (in.SameObject) {
                    if (bends == (IsHorizontal(da) == IsHorizontal(db) ? 4 : 3))
                        return RouteSameObject(a, b, ra, da, db);
                    continue;
                }
                if (std::optional<TRoute> route = RouteAttempt({a, b, ra, rb, da, db}, bends))
                    return route;
            }
        }
    }
    return PlainRoute(a, b, dirsA.front(), dirsB.front());
}

// Orientation of the segment ending at index end, from the first segment of
// distinct points met searching forward (or backward) from there.
std::optional<bool> SegmentHorizontal(const TPointArray& points, int32_t end, bool backward)
{
    const int32_t count = int32_t(points.size());
    if (end < 1 || end >= count)
        return std::nullopt;
    for (int32_t k = backward ? count - 1 : 1; backward ? k >= 1 : k < count; k += backward ? -1 : 1) {
        if (points[k - 1] == points[k])
            continue;
        const bool horizontal = points[k - 1].Y == points[k].Y;
        return (end - k) % 2 == 0 ? horizontal : !horizontal;
    }
    return std::nullopt;
}

int Outcode(TKestPoint p, const TRc& r)
{
    return (p.X <= r.L ? 1 : 0) | (p.X >= r.R ? 2 : 0) | (p.Y >= r.B ? 4 : 0) | (p.Y <= r.T ? 8 : 0);
}

bool Crosses(TKestPoint p, TKestPoint q, const TRc& r)
{
    return (Outcode(p, r) & Outcode(q, r)) == 0;
}

// Whether a kept route runs through either linked object.
bool RouteCrossesObjects(const TPointArray& points, const TConnectorRouteInput& in)
{
    const TPt a = ToPt(in.PointA), b = ToPt(in.PointB);
    const TRc rectA = Normalized(in.RectA), rectB = Normalized(in.RectB);
    const int64_t gap = std::max(in.Gap, 0);
    TRc ra = Grown(Including(rectA, a), gap), rb = Grown(Including(rectB, b), gap);
    if (in.SameObject)
        ra = rb = Grown(Including(Including(rectA, a), b), gap);
    const size_t last = points.size() - 1;
    for (size_t i = 1; i <= last; ++i) {
        if (Crosses(points[i - 1], points[i], i == 1 ? rectA : ra)
            || Crosses(points[i - 1], points[i], i == last ? rectB : rb))
            return true;
    }
    return false;
}

// Moves the ends of a kept route to the link points; orthogonal routes take
// the neighbours along so that the end segments stay axis-parallel.
void MoveEnds(TPointArray& points, const TConnectorRouteInput& in)
{
    const size_t count = points.size();
    if (count == 0)
        return;
    const size_t last = count - 1;
    if (!in.Ortogonal || count == 2) {
        points[0] = in.PointA;
        points[last] = in.PointB;
        return;
    }
    if (count < 2 || (points[0] == in.PointA && points[last] == in.PointB))
        return;
    const std::optional<bool> first = SegmentHorizontal(points, 1, false);
    const std::optional<bool> end = SegmentHorizontal(points, int32_t(last), true);
    points[0] = in.PointA;
    if (first)
        (*first ? points[1].Y : points[1].X) = *first ? in.PointA.Y : in.PointA.X;
    points[last] = in.PointB;
    if (end)
        (*end ? points[last - 1].Y : points[last - 1].X) = *end ? in.PointB.Y : in.PointB.X;
}

bool AllAxisParallel(const TPointArray& points)
{
    for (size_t i = 1; i < points.size(); ++i)
        if (points[i - 1].X != points[i].X && points[i - 1].Y != points[i].Y)
            return false;
    return true;
}

} // namespace

bool RouteConnector(TPointArray& points, TPointTypeArray& types, const TConnectorRouteInput& input)
{
    if (points.size() != types.size())
        return false;
    for (size_t i = 0; i < types.size(); ++i)
        if (types[i] != (i + 1 == types.size() ? ptOpenEnd : ptNode))
            return false;
    const bool renew = input.Mode == rmAlways
        || (input.Mode == rmAsNeeded && (points.size() < 2 || (input.Ortogonal && !AllAxisParallel(points))));
    if (!renew) {
        TPointArray kept = points;
        MoveEnds(kept, input);
        if (input.Mode != rmAsNeeded || kept.size() < 2 || !RouteCrossesObjects(kept, input)) {
            points = std::move(kept);
            return true;
        }
    }
    TRoute route;
    if (!input.Ortogonal) {
        route = {ToPt(input.PointA), ToPt(input.PointB)};
    } else {
        std::optional<TRoute> found = OrthogonalRoute(input);
        if (!found)
            return false;
        route = std::move(*found);
    }
    points.resize(route.size());
    for (size_t i = 0; i < route.size(); ++i)
        points[i] = {ClampCoord(route[i].X), ClampCoord(route[i].Y)};
    types.assign(route.size(), ptNode);
    types.back() = ptOpenEnd;
    return true;
}

bool GetRouteSegmentHorizontal(const TPointArray& points, int32_t segmentEnd, bool& horizontal)
{
    const std::optional<bool> found = SegmentHorizontal(points, segmentEnd, false);
    if (found)
        horizontal = *found;
    return found.has_value();
}

} // namespace kest
