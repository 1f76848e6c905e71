// Analysis, traversal, bounds, painting, hit testing and flattening of paths.
#include <gtest/gtest.h>

#include <QPainterPath>
#include <cmath>
#include <random>

#include "KestPath.h"

namespace kest {
namespace {

struct TPath {
    TPointArray Points;
    TPointTypeArray Types;
};

TPath Triangle()
{
    return {{{0, 0}, {1000, 0}, {0, 1000}}, {ptNode, ptNode, ptClosedEnd}};
}

// An S-shaped open curve of one segment.
TPath Wave()
{
    return {{{0, 0}, {3000, -6000}, {6000, 6000}, {9000, 0}}, {ptNode, ptControl, ptControl, ptOpenEnd}};
}

TKestPoint Bezier(const TPath& p, int first, double t)
{
    const double u = 1 - t;
    const auto at = [&](int k) { return p.Points[first + k]; };
    const double x = u * u * u * at(0).X + 3 * u * u * t * at(1).X + 3 * u * t * t * at(2).X + t * t * t * at(3).X;
    const double y = u * u * u * at(0).Y + 3 * u * u * t * at(1).Y + 3 * u * t * t * at(2).Y + t * t * t * at(3).Y;
    return {int32_t(std::lround(x)), int32_t(std::lround(y))};
}

double DistanceToPolyline(const TPointArray& line, TKestPoint p)
{
    double best = 1e300;
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        const double ax = line[i].X, ay = line[i].Y, bx = line[i + 1].X, by = line[i + 1].Y;
        const double len = (bx - ax) * (bx - ax) + (by - ay) * (by - ay);
        double t = len == 0 ? 0 : ((p.X - ax) * (bx - ax) + (p.Y - ay) * (by - ay)) / len;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(ax + t * (bx - ax) - p.X, ay + t * (by - ay) - p.Y));
    }
    return best;
}

TEST(PathInfo, FiguresOfMixedPath)
{
    // An open line, a closed curve with a curved closing segment, a lone closed point.
    const TPath p {{{}, {}, {}, {}, {}, {}, {}, {}, {}},
        {ptNode, ptOpenEnd, ptNode, ptControl, ptControl, ptClosedEnd, ptControl, ptControl, ptClosedEnd}};
    TPathInfo info;
    info.Figures.resize(7); // stale slots are reused and trimmed
    GetPathInfo(p.Points, p.Types, info);
    ASSERT_EQ(info.Figures.size(), 3u);
    EXPECT_EQ(info.PointCount, 9);
    EXPECT_TRUE(info.IsCurve);
    EXPECT_EQ(info.Figures[0].LastPoint, 1);
    EXPECT_FALSE(info.Figures[0].IsClosed);
    EXPECT_EQ(info.Figures[1].FirstNode, 2);
    EXPECT_EQ(info.Figures[1].LastNode, 5);
    EXPECT_EQ(info.Figures[1].LastPoint, 7);
    EXPECT_TRUE(info.Figures[1].IsCurve && info.Figures[1].IsClosed);
    EXPECT_EQ(info.Figures[2].FirstNode, 8);
    EXPECT_EQ(FindPathFigure(info, 7), 1);
    EXPECT_EQ(FindPathFigure(info, 9), -1);
}

TEST(PathInfo, InsertPathPointsMovesTailAndCopies)
{
    TPath p = Triangle();
    ASSERT_TRUE(InsertPathPoints(p.Points, p.Types, 1, 2));
    ASSERT_EQ(p.Points.size(), 5u);
    EXPECT_EQ(p.Points[1], (TKestPoint {1000, 0}));
    EXPECT_EQ(p.Points[2], (TKestPoint {0, 1000}));
    EXPECT_EQ(p.Points[3], (TKestPoint {1000, 0}));
    EXPECT_EQ(p.Types[4], ptClosedEnd);
    ASSERT_TRUE(InsertPathPoints(p.Points, p.Types, 1, -2));
    EXPECT_EQ(p.Points, Triangle().Points);
    EXPECT_FALSE(InsertPathPoints(p.Points, p.Types, 2, -2)); // past the end
    EXPECT_FALSE(InsertPathPoints(p.Points, p.Types, 4, 1));
    p.Types.pop_back();
    EXPECT_FALSE(InsertPathPoints(p.Points, p.Types, 0, 1));
}

TEST(PathTraversal, InconsistentInputFailsWithoutChange)
{
    TPath p = Wave();
    p.Types.pop_back();
    const TPath before = p;
    TKestRect r;
    bool all = true;
    QPainterPath qp;
    TNearestPointInfo n;
    EXPECT_FALSE(GetPathBounds(p.Points, p.Types, r));
    EXPECT_FALSE(PaintPath(qp, p.Points, p.Types, nullptr, false, all));
    EXPECT_FALSE(all);
    EXPECT_TRUE(qp.isEmpty());
    EXPECT_FALSE(PointOnPath(p.Points, p.Types, {0, 0}, nullptr, &n, 100, true, true));
    EXPECT_FALSE(FlattenPath(p.Points, p.Types, nullptr, 1));
    EXPECT_EQ(p.Points, before.Points);
    EXPECT_EQ(p.Types, before.Types);

    // A stale info (built for another count) and a control where a node belongs.
    TPath t = Triangle();
    TPathInfo stale;
    GetPathInfo(Wave().Points, Wave().Types, stale);
    EXPECT_FALSE(PointOnPath(t.Points, t.Types, {0, 0}, &stale, nullptr, 100, false, true));
    EXPECT_FALSE(FlattenPath(t.Points, t.Types, &stale, 1));
    t.Types[1] = ptControl;
    EXPECT_FALSE(GetPathBounds(t.Points, t.Types, r));
    EXPECT_EQ(t.Points, Triangle().Points);
}

TEST(PathFlatten, ClosedTriangleDropsRepeatedStart)
{
    TPath p = Triangle();
    ASSERT_TRUE(FlattenPath(p.Points, p.Types, nullptr, 1));
    EXPECT_EQ(p.Points, Triangle().Points);
    EXPECT_EQ(p.Types, (TPointTypeArray {ptNode, ptNode, ptClosedEnd}));
}

TEST(PathFlatten, CoincidentCurveBecomesOneLine)
{
    TPath p {{{5, 5}, {5, 5}, {5, 5}, {5, 5}}, {ptNode, ptControl, ptControl, ptOpenEnd}};
    ASSERT_TRUE(FlattenPath(p.Points, p.Types, nullptr, 1000));
    EXPECT_EQ(p.Points, (TPointArray {{5, 5}, {5, 5}}));
    EXPECT_EQ(p.Types, (TPointTypeArray {ptNode, ptOpenEnd}));
}

TEST(PathFlatten, PolylineFollowsCurveWithinTolerance)
{
    const TPath wave = Wave();
    size_t previousCount = 0;
    for (float scale : {0.01f, 1.0f, 10.0f}) {
        TPath p = wave;
        ASSERT_TRUE(FlattenPath(p.Points, p.Types, nullptr, scale));
        EXPECT_GT(p.Points.size(), previousCount); // finer flatness, more points
        previousCount = p.Points.size();
        EXPECT_EQ(p.Points.front(), wave.Points.front());
        EXPECT_EQ(p.Points.back(), wave.Points.back());
        EXPECT_EQ(p.Types.back(), ptOpenEnd);
        for (size_t i = 0; i + 1 < p.Types.size(); ++i)
            ASSERT_EQ(p.Types[i], ptNode);
        // Every point of the curve lies near the polyline: 1/scale plus rounding.
        for (int k = 0; k <= 100; ++k)
            EXPECT_LE(DistanceToPolyline(p.Points, Bezier(wave, 0, k / 100.0)), 1.0 / scale + 2) << scale;
    }
}

TEST(PathBounds, CurveExtentNotControlBox)
{
    const TPath wave = Wave();
    TKestRect r;
    ASSERT_TRUE(GetPathBounds(wave.Points, wave.Types, r));
    double minY = 0, maxY = 0;
    for (int k = 0; k <= 1000; ++k) {
        const TKestPoint b = Bezier(wave, 0, k / 1000.0);
        minY = std::min<double>(minY, b.Y);
        maxY = std::max<double>(maxY, b.Y);
    }
    EXPECT_EQ(r.Left, 0);
    EXPECT_EQ(r.Right, 9000);
    EXPECT_NEAR(r.Top, minY, 2);
    EXPECT_NEAR(r.Bottom, maxY, 2);
    EXPECT_GT(r.Top, -6000);

    TPath empty;
    EXPECT_FALSE(GetPathBounds(empty.Points, empty.Types, r));
    EXPECT_EQ(r, TKestRect {});
}

TEST(PathHitTest, FillAgreesWithQtEvenOdd)
{
    // A self-intersecting star and a hole: even-odd decides the inside.
    const TPath p {{{0, 10000}, {6000, -8000}, {12000, 10000}, {-3000, -1000}, {15000, -1000}, {5000, 2000},
                       {7000, 2000}, {7000, 4000}, {5000, 4000}},
        {ptNode, ptNode, ptNode, ptNode, ptClosedEnd, ptNode, ptNode, ptNode, ptClosedEnd}};
    QPainterPath qp;
    bool all = false;
    ASSERT_TRUE(PaintPath(qp, p.Points, p.Types, nullptr, false, all));
    EXPECT_TRUE(all);
    EXPECT_EQ(qp.fillRule(), Qt::OddEvenFill);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coord(-4000, 16000);
    int inside = 0;
    for (int i = 0; i < 2000; ++i) {
        // Within a unit of the outline the crossings are truncated: skip.
        const TKestPoint pt {coord(random), coord(random)};
        TNearestPointInfo n;
        PointOnPath(p.Points, p.Types, pt, nullptr, &n, 0, false, true);
        if (n.Distance < 4)
            continue;
        const bool hit = PointOnPath(p.Points, p.Types, pt, nullptr, nullptr, 0, true, false);
        ASSERT_EQ(hit, qp.contains(QPointF(pt.X, pt.Y))) << pt.X << "," << pt.Y;
        inside += hit;
    }
    EXPECT_GT(inside, 200);
}

TEST(PathHitTest, HorizontalEdgeAndOutline)
{
    const TPath square {{{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}, {ptNode, ptNode, ptNode, ptClosedEnd}};
    // On the top edge: no crossing from it, but the left and right edges count.
    EXPECT_TRUE(PointOnPath(square.Points, square.Types, {500, 0}, nullptr, nullptr, 0, true, false));
    // On the bottom edge, y at the excluded end of the half-open ranges.
    EXPECT_FALSE(PointOnPath(square.Points, square.Types, {500, 1000}, nullptr, nullptr, 0, true, false));
    EXPECT_TRUE(PointOnPath(square.Points, square.Types, {500, 1000}, nullptr, nullptr, 1, false, true));
    EXPECT_TRUE(PointOnPath(square.Points, square.Types, {500, 1003}, nullptr, nullptr, 3, false, true));
    EXPECT_FALSE(PointOnPath(square.Points, square.Types, {500, 1004}, nullptr, nullptr, 3, false, true));
    // On the right edge the crossing equals the point: inside.
    EXPECT_TRUE(PointOnPath(square.Points, square.Types, {1000, 500}, nullptr, nullptr, 0, true, false));
    EXPECT_FALSE(PointOnPath(square.Points, square.Types, {1001, 500}, nullptr, nullptr, 0, true, false));
    // An open figure has no inside.
    TPath open = square;
    open.Types.back() = ptOpenEnd;
    EXPECT_FALSE(PointOnPath(open.Points, open.Types, {500, 500}, nullptr, nullptr, 10, true, true));
}

TEST(PathHitTest, ZeroToleranceFillsNearestOnly)
{
    const TPath square {{{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}, {ptNode, ptNode, ptNode, ptClosedEnd}};
    TNearestPointInfo n;
    n.Index = 99;
    EXPECT_FALSE(PointOnPath(square.Points, square.Types, {1000, 300}, nullptr, &n, 0, false, true));
    EXPECT_EQ(n.Point, (TKestPoint {1000, 300}));
    EXPECT_EQ(n.Index, 1);
    EXPECT_EQ(n.Distance, 0);

    // Beyond a corner the nearer end point is taken, attributed to its node.
    EXPECT_FALSE(PointOnPath(square.Points, square.Types, {1300, 1400}, nullptr, &n, 0, false, true));
    EXPECT_EQ(n.Point, (TKestPoint {1000, 1000}));
    EXPECT_FLOAT_EQ(n.Distance, 300 * 300 + 400 * 400);

    // Equidistant from the left and the top edge: the top (segment 0) was first.
    EXPECT_FALSE(PointOnPath(square.Points, square.Types, {200, 200}, nullptr, &n, 0, false, true));
    EXPECT_EQ(n.Point, (TKestPoint {200, 0}));
    EXPECT_EQ(n.Index, 0);
}

TEST(PathHitTest, NearestOnCurveCarriesParameter)
{
    const TPath wave = Wave();
    for (double t : {0.2, 0.5, 0.8}) {
        const TKestPoint onCurve = Bezier(wave, 0, t);
        TNearestPointInfo n;
        EXPECT_TRUE(PointOnPath(wave.Points, wave.Types, onCurve, nullptr, &n, 5, false, true));
        EXPECT_LE(n.Distance, 4.0f);
        EXPECT_NEAR(n.Parameter, t, 0.02);
        EXPECT_EQ(n.Index, 0);
    }
}

TEST(PathPaint, FigureSelectionAndNativeCurves)
{
    const TPath p {{{0, 0}, {100, 0}, {100, 100}, {200, 0}, {300, 100}, {400, 0}, {500, 0}},
        {ptNode, ptNode, ptClosedEnd, ptNode, ptControl, ptControl, ptOpenEnd}};
    QPainterPath qp;
    bool all = true;
    ASSERT_TRUE(PaintPath(qp, p.Points, p.Types, nullptr, true, all, false, true));
    EXPECT_FALSE(all);
    EXPECT_EQ(qp.elementCount(), 4); // move and three lines back to the start
    ASSERT_TRUE(PaintPath(qp, p.Points, p.Types, nullptr, true, all, true, false));
    EXPECT_FALSE(all);
    ASSERT_EQ(qp.elementCount(), 4); // move and one cubic of three elements
    EXPECT_EQ(qp.elementAt(1).type, QPainterPath::CurveToElement);
    ASSERT_TRUE(PaintPath(qp, p.Points, p.Types, nullptr, false, all));
    EXPECT_TRUE(all);
    EXPECT_GT(qp.elementCount(), 8); // flattened
    const TPath closedOnly = Triangle();
    EXPECT_FALSE(PaintPath(qp, closedOnly.Points, closedOnly.Types, nullptr, false, all, true, false));
    EXPECT_TRUE(qp.isEmpty());
}

TEST(PathPointList, GrowsByDoublingDelta)
{
    TPointList list(2);
    for (int i = 0; i < 7; ++i)
        list.Add({i, -i}, ptNode);
    // 2 -> 4 (delta 4) -> 8.
    EXPECT_EQ(list.Capacity(), 8);
    EXPECT_EQ(list.Delta(), 8);
    ASSERT_EQ(list.Count(), 7);
    EXPECT_EQ(list[6].Point, (TKestPoint {6, -6}));
    list.Delete();
    EXPECT_EQ(list.Count(), 6);
}

} // namespace
} // namespace kest
