// Feeds arbitrary paths (points, types, selections, path infos that may be
// stale) through every path routine, the connector router and the line-cap
// geometry, and checks that what they return is a consistent path.
#include <QPainterPath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "KestPath.h"

namespace kest {
namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

class TReader {
public:
    TReader(const uint8_t* data, size_t size)
        : data_(data)
        , size_(size)
    {
    }
    uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    int32_t Int(bool wide)
    {
        if (!wide)
            return int32_t(int8_t(Byte())) * 100 + Byte() % 100;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | Byte();
        return int32_t(v);
    }
    TKestPoint Point(bool wide) { return {Int(wide), Int(wide)}; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

bool consistentInput = true;

// Routines keep equal lengths equal (mismatched input stays as it was).
void RequireConsistent(const TPointArray& points, const TPointTypeArray& types)
{
    Require(!consistentInput || points.size() == types.size());
    for (TPointType t : types)
        Require(t <= ptControl);
}

void RequireInfo(const TPointArray& points, const TPointTypeArray& types)
{
    TPathInfo info;
    GetPathInfo(points, types, info);
    for (const TPathFigureInfo& f : info.Figures) {
        Require(f.FirstNode >= 0 && f.FirstNode < int32_t(points.size()));
        Require(f.LastPoint < int32_t(points.size()));
        Require(f.LastNode == -1 || (f.LastNode >= f.FirstNode && f.LastPoint >= f.LastNode));
    }
}

} // namespace
} // namespace kest

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kest;
    TReader in(data, size);
    const uint8_t flags = in.Byte();
    const bool wide = flags & 1;
    const size_t count = in.Byte() % 40;
    TPointArray points(count);
    TPointTypeArray types(count);
    TSelectedArray selected(count);
    for (size_t i = 0; i < count; ++i) {
        points[i] = in.Point(wide);
        const uint8_t t = in.Byte();
        types[i] = TPointType(t % 4);
        selected[i] = t & 0x80;
    }
    if (flags & 2 && count > 0)
        types.pop_back(); // mismatched lengths
    consistentInput = points.size() == types.size();
    // Another path's info, or a truthful one.
    TPathInfo info;
    if (flags & 4) {
        TPointArray other(in.Byte() % 8);
        TPointTypeArray otherTypes(other.size(), TPointType(in.Byte() % 4));
        GetPathInfo(other, otherTypes, info);
        info.PointCount = flags & 8 ? int32_t(points.size()) : info.PointCount;
    } else {
        GetPathInfo(points, types, info);
    }
    const TPathInfo* infoArg = flags & 16 ? &info : nullptr;
    static const float scales[] = {0.001f, 0.25f, 1.0f, 16.0f};
    const float scale = scales[in.Byte() % 4];
    const TKestPoint probe = in.Point(wide);
    const int32_t tolerance = in.Byte() * 37;

    RequireInfo(points, types);
    TKestRect rect;
    GetPathBounds(points, types, rect, infoArg);
    QPainterPath qp;
    bool all = false;
    PaintPath(qp, points, types, infoArg, flags & 32, all, flags & 64, flags & 128);
    TNearestPointInfo nearest;
    if (PointOnPath(points, types, probe, infoArg, &nearest, tolerance, true, true) || nearest.Index >= 0) {
        if (!(nearest.Index >= 0 && nearest.Index < int32_t(points.size()))) {
            fprintf(stderr, "idx %d n %zu hit\n", nearest.Index, points.size());
            for (size_t i = 0; i < points.size(); ++i)
                fprintf(stderr, "%d %d %d\n", points[i].X, points[i].Y, i < types.size() ? types[i] : 9);
            fprintf(stderr, "probe %d %d tol %d\n", probe.X, probe.Y, tolerance);
        }
        Require(nearest.Index >= 0 && nearest.Index < int32_t(points.size()));
    }
    int32_t second = 0, first = 0;
    FindNearestPathSegment(points, types, probe, flags & 32, infoArg, nullptr, second, first);

    {
        TPointArray p = points;
        TPointTypeArray t = types;
        if (FlattenPath(p, t, infoArg, scale)) {
            RequireConsistent(p, t);
            for (TPointType type : t)
                Require(type != ptControl);
        } else {
            Require(p == points && t == types);
        }
    }
    {
        TPointArray p = points;
        TPointTypeArray t = types;
        const int32_t index = InsertPathPoint(
            p, t, int32_t(in.Byte() % 41) - 1, infoArg, tolerance, probe, int32_t(in.Byte() % 42) - 1);
        RequireConsistent(p, t);
        if (index < 0)
            Require(p == points && t == types);
        else
            Require(index < int32_t(p.size()) && t[index] != ptControl);
        InsertNearestPathPoint(p, t, probe, nullptr, tolerance);
        RequireConsistent(p, t);
        RequireInfo(p, t);
    }
    for (int func = pfOffset; func <= pfToCurve; ++func) {
        TPointArray p = points;
        TPointTypeArray t = types;
        const TPathEditParams params {probe, bool(flags & 32)};
        GetEditPathCaps(p, t, selected);
        if (!EditPath(p, t, selected, TPathEditFunc(func), &params))
            Require(p == points && t == types);
        RequireConsistent(p, t);
        RequireInfo(p, t);
    }
    {
        TConnectorRouteInput route;
        route.Gap = in.Int(wide);
        route.Mode = TRerouteMode(in.Byte() % 3);
        route.Ortogonal = flags & 32;
        route.SameObject = flags & 64;
        route.PointA = in.Point(wide);
        route.PointB = in.Point(wide);
        route.RectA = {in.Int(wide), in.Int(wide), in.Int(wide), in.Int(wide)};
        route.RectB = {in.Int(wide), in.Int(wide), in.Int(wide), in.Int(wide)};
        TPointArray p = points;
        TPointTypeArray t = types;
        if (RouteConnector(p, t, route)) {
            RequireConsistent(p, t);
            for (size_t i = 0; i < t.size(); ++i)
                Require(t[i] == (i + 1 == t.size() ? ptOpenEnd : ptNode));
        }
        bool horizontal = false;
        GetRouteSegmentHorizontal(p, int32_t(in.Byte() % 8), horizontal);
    }
    {
        TLineCapData cap;
        if (GetLineCapData(
                -int32_t(in.Byte() % 20), in.Int(wide), probe, points.empty() ? TKestPoint {} : points[0], cap)) {
            RequireConsistent(cap.Points, cap.Types);
            GetPathBounds(cap.Points, cap.Types, rect);
        }
    }
    return 0;
}
