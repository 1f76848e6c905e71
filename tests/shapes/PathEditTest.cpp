// Inserting nodes into paths and editing the selected points.
#include <gtest/gtest.h>

#include <cmath>

#include "KestPath.h"

namespace kest {
namespace {

struct TPath {
    TPointArray Points;
    TPointTypeArray Types;
};

TPath OpenLine()
{
    return {{{0, 0}, {1000, 0}, {2000, 0}}, {ptNode, ptNode, ptOpenEnd}};
}
TPath Square()
{
    return {{{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}}, {ptNode, ptNode, ptNode, ptClosedEnd}};
}
TPath Arch()
{
    return {{{0, 0}, {0, -3000}, {6000, -3000}, {6000, 0}}, {ptNode, ptControl, ptControl, ptOpenEnd}};
}

TSelectedArray Select(size_t count, std::initializer_list<size_t> indices)
{
    TSelectedArray s(count, false);
    for (size_t i : indices)
        s[i] = true;
    return s;
}

// The flattened outline, for comparing shapes independent of representation.
TPointArray Outline(TPath p)
{
    EXPECT_TRUE(FlattenPath(p.Points, p.Types, nullptr, 1));
    return p.Points;
}

bool NearOutline(const TPath& p, TKestPoint point, int tolerance)
{
    return PointOnPath(p.Points, p.Types, point, nullptr, nullptr, tolerance, false, true);
}

TEST(PathInsert, BeyondEndsOfOpenFigure)
{
    TPath p = OpenLine();
    EXPECT_EQ(InsertPathPoint(p.Points, p.Types, 2, nullptr, 0, {3000, 500}, 3), 3);
    EXPECT_EQ(p.Types, (TPointTypeArray {ptNode, ptNode, ptNode, ptOpenEnd}));
    EXPECT_EQ(p.Points[3], (TKestPoint {3000, 500}));
    EXPECT_EQ(InsertPathPoint(p.Points, p.Types, 0, nullptr, 0, {-1000, 0}, -1), 0);
    EXPECT_EQ(p.Points[0], (TKestPoint {-1000, 0}));
    EXPECT_EQ(p.Points[1], (TKestPoint {0, 0}));
    EXPECT_EQ(p.Types, (TPointTypeArray {ptNode, ptNode, ptNode, ptNode, ptOpenEnd}));
    // Extending from a middle node, or a closed figure, is refused.
    EXPECT_EQ(InsertPathPoint(p.Points, p.Types, 2, nullptr, 0, {0, 0}, -1), -1);
    TPath sq = Square();
    EXPECT_EQ(InsertPathPoint(sq.Points, sq.Types, 3, nullptr, 0, {0, 0}, 4), -1);
    EXPECT_EQ(sq.Points, Square().Points);
}

TEST(PathInsert, LineSegmentSnapsWithinTolerance)
{
    TPath p = OpenLine();
    // Either order of the two nodes names the same segment.
    EXPECT_EQ(InsertPathPoint(p.Points, p.Types, 2, nullptr, 10, {1500, 90}, 1), 2);
    EXPECT_EQ(p.Points[2], (TKestPoint {1500, 0})); // 90^2 <= 10 * 1000
    EXPECT_EQ(InsertPathPoint(p.Points, p.Types, 0, nullptr, 10, {500, 110}, 1), 1);
    EXPECT_EQ(p.Points[1], (TKestPoint {500, 110}));
    // Not a segment: nodes two apart, a control point, mismatched arrays.
    TPath q = OpenLine();
    EXPECT_EQ(InsertPathPoint(q.Points, q.Types, 0, nullptr, 10, {500, 0}, 2), -1);
    TPath a = Arch();
    EXPECT_EQ(InsertPathPoint(a.Points, a.Types, 1, nullptr, 10, {500, 0}, 0), -1);
    q.Types.pop_back();
    EXPECT_EQ(InsertPathPoint(q.Points, q.Types, 0, nullptr, 10, {500, 0}, 1), -1);
}

TEST(PathInsert, ClosingSegmentOfClosedFigure)
{
    TPath p = Square();
    EXPECT_EQ(InsertPathPoint(p.Points, p.Types, 3, nullptr, 10, {0, 500}, 0), 4);
    EXPECT_EQ(p.Types, (TPointTypeArray {ptNode, ptNode, ptNode, ptNode, ptClosedEnd}));
    EXPECT_EQ(p.Points[4], (TKestPoint {0, 500}));
    // The closing pair of an open figure is no segment.
    TPath o = OpenLine();
    EXPECT_EQ(InsertPathPoint(o.Points, o.Types, 2, nullptr, 10, {1000, 0}, 0), -1);
}

TEST(PathInsert, SplittingCurveKeepsItsShape)
{
    const TPath arch = Arch();
    TPath p = arch;
    const TKestPoint top {3000, -2250}; // the curve at t = 0.5
    ASSERT_EQ(InsertPathPoint(p.Points, p.Types, 0, nullptr, 10, top, 3), 3);
    ASSERT_EQ(p.Points.size(), 7u);
    EXPECT_EQ(p.Types, (TPointTypeArray {ptNode, ptControl, ptControl, ptNode, ptControl, ptControl, ptOpenEnd}));
    EXPECT_LE(std::abs(p.Points[3].X - top.X) + std::abs(p.Points[3].Y - top.Y), 40);
    for (const TKestPoint& q : Outline(arch))
        EXPECT_TRUE(NearOutline(p, q, 6)) << q.X << "," << q.Y;
    for (const TKestPoint& q : Outline(p))
        EXPECT_TRUE(NearOutline(arch, q, 6)) << q.X << "," << q.Y;
}

TEST(PathInsert, CurveThroughFarPointOrAtEnds)
{
    TPath p = Arch();
    const TKestPoint far {3000, -4000};
    ASSERT_EQ(InsertPathPoint(p.Points, p.Types, 0, nullptr, 10, far, 3), 3);
    EXPECT_EQ(p.Points[3], far);
    // The two new curves meet smoothly at the node: controls on one line.
    const TKestPoint l = p.Points[2], r = p.Points[4];
    const long long cross = (long long)(far.X - l.X) * (r.Y - far.Y) - (long long)(far.Y - l.Y) * (r.X - far.X);
    EXPECT_LE(std::llabs(cross), 3LL * (std::abs(r.X - l.X) + std::abs(r.Y - l.Y)));

    // At the start node (t = 0) the controls keep their places in the right half.
    TPath q = Arch();
    ASSERT_EQ(InsertPathPoint(q.Points, q.Types, 0, nullptr, 10, {-500, 100}, 3), 3);
    EXPECT_EQ(q.Points[3], (TKestPoint {-500, 100}));
    EXPECT_EQ(q.Points[4], Arch().Points[1]);
    EXPECT_EQ(q.Points[5], Arch().Points[2]);
}

TEST(PathInsert, NearestSegment)
{
    const TPath sq = Square();
    int32_t second = 0, first = 0;
    ASSERT_TRUE(FindNearestPathSegment(sq.Points, sq.Types, {1010, 600}, false, nullptr, nullptr, second, first));
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 2);
    ASSERT_TRUE(FindNearestPathSegment(sq.Points, sq.Types, {-10, 600}, false, nullptr, nullptr, second, first));
    EXPECT_EQ(first, 3);
    EXPECT_EQ(second, 0);
    const TPath line = OpenLine();
    // Past the open end: only with AllowOutside.
    EXPECT_FALSE(FindNearestPathSegment(line.Points, line.Types, {2500, 0}, false, nullptr, nullptr, second, first));
    EXPECT_TRUE(FindNearestPathSegment(line.Points, line.Types, {2500, 0}, true, nullptr, nullptr, second, first));
    EXPECT_EQ(first, 2);
    EXPECT_EQ(second, 3);
    TPath p = OpenLine();
    EXPECT_EQ(InsertNearestPathPoint(p.Points, p.Types, {1500, 3}, nullptr, 4), 2);
    EXPECT_EQ(p.Points[2], (TKestPoint {1500, 0}));
    EXPECT_EQ(InsertNearestPathPoint(p.Points, p.Types, {2600, 0}, nullptr, 4), 4);
    EXPECT_EQ(p.Types.back(), ptOpenEnd);
    EXPECT_EQ(p.Types[3], ptNode);
}

TEST(PathEditCaps, SelectionDecidesFunctions)
{
    const TPath a = Arch();
    EXPECT_EQ(GetEditPathCaps(a.Points, a.Types, Select(4, {0, 1})), PathEditFuncBit(pfOffset));
    const TPathEditFuncs node = GetEditPathCaps(a.Points, a.Types, Select(4, {0}));
    EXPECT_TRUE(HasPathEditFunc(node, pfToLine));
    EXPECT_FALSE(HasPathEditFunc(node, pfToCurve));
    EXPECT_TRUE(HasPathEditFunc(node, pfBreak));
    EXPECT_EQ(GetEditPathCaps(a.Points, a.Types, Select(3, {0})), 0);
    EXPECT_EQ(GetEditPathCaps(a.Points, a.Types, Select(4, {})), 0);
    const TPath line = OpenLine();
    const TPathEditFuncs ends = GetEditPathCaps(line.Points, line.Types, Select(3, {0, 2}));
    EXPECT_TRUE(HasPathEditFunc(ends, pfJoin) && HasPathEditFunc(ends, pfClose));
    EXPECT_FALSE(HasPathEditFunc(GetEditPathCaps(line.Points, line.Types, Select(3, {0, 1})), pfJoin));
}

TEST(PathEdit, OffsetMovesOwnedControls)
{
    TPath p {{{0, 0}, {10, 0}, {20, 0}, {30, 0}, {40, 0}, {50, 0}, {60, 0}},
        {ptNode, ptControl, ptControl, ptNode, ptControl, ptControl, ptClosedEnd}};
    TPath q = p;
    TPathEditParams params {{1, 2}, true};
    // Node 3 owns the control after it (4) and the one before it (2).
    ASSERT_TRUE(EditPath(p.Points, p.Types, Select(7, {3}), pfOffset, &params));
    for (int i : {2, 3, 4})
        EXPECT_EQ(p.Points[i], (TKestPoint {q.Points[i].X + 1, 2}));
    for (int i : {0, 1, 5, 6})
        EXPECT_EQ(p.Points[i], q.Points[i]);
    params.MoveControls = false;
    ASSERT_TRUE(EditPath(q.Points, q.Types, Select(7, {3}), pfOffset, &params));
    EXPECT_EQ(q.Points[2], (TKestPoint {20, 0}));
    EXPECT_FALSE(EditPath(q.Points, q.Types, Select(7, {3}), pfOffset, nullptr));
}

TEST(PathEdit, BreakClosedFigureAtOneNode)
{
    TPath p = Square();
    ASSERT_TRUE(EditPath(p.Points, p.Types, Select(4, {2}), pfBreak));
    EXPECT_EQ(p.Points, (TPointArray {{1000, 1000}, {0, 1000}, {0, 0}, {1000, 0}, {1000, 1000}}));
    EXPECT_EQ(p.Types, (TPointTypeArray {ptNode, ptNode, ptNode, ptNode, ptOpenEnd}));
    // Closing it again gives the same outline as before.
    ASSERT_TRUE(EditPath(p.Points, p.Types, Select(5, {0, 4}), pfJoin));
    EXPECT_EQ(p.Types, (TPointTypeArray {ptNode, ptNode, ptNode, ptClosedEnd}));
    TPath sq = Square();
    for (const TKestPoint& q : Outline(sq))
        EXPECT_TRUE(NearOutline(p, q, 1));
}

TEST(PathEdit, BreakCurvedClosedFigureKeepsClosingCurve)
{
    TPath p {{{0, 0}, {1000, 0}, {1000, 1000}, {1000, 2000}, {0, 2000}},
        {ptNode, ptNode, ptClosedEnd, ptControl, ptControl}};
    const TPointArray before = Outline(p);
    ASSERT_TRUE(EditPath(p.Points, p.Types, Select(5, {1}), pfBreak));
    EXPECT_EQ(p.Types, (TPointTypeArray {ptNode, ptNode, ptControl, ptControl, ptNode, ptOpenEnd}));
    EXPECT_EQ(p.Points.front(), (TKestPoint {1000, 0}));
    EXPECT_EQ(p.Points.back(), (TKestPoint {1000, 0}));
    for (const TKestPoint& q : before)
        EXPECT_TRUE(NearOutline(p, q, 2));
}

TEST(PathEdit, JoinAndCloseTwoOpenFigures)
{
    // Two lines; the first runs away from the second's start, so it is reversed.
    const TPath two {{{1000, 0}, {0, 0}, {2000, 0}, {3000, 0}}, {ptNode, ptOpenEnd, ptNode, ptOpenEnd}};
    TPath p = two;
    ASSERT_TRUE(EditPath(p.Points, p.Types, Select(4, {0, 2}), pfClose));
    EXPECT_EQ(p.Points, (TPointArray {{0, 0}, {1000, 0}, {2000, 0}, {3000, 0}}));
    EXPECT_EQ(p.Types, (TPointTypeArray {ptNode, ptNode, ptNode, ptOpenEnd}));
    p = two;
    ASSERT_TRUE(EditPath(p.Points, p.Types, Select(4, {0, 2}), pfJoin));
    EXPECT_EQ(p.Points, (TPointArray {{0, 0}, {1500, 0}, {3000, 0}}));
    EXPECT_EQ(p.Types, (TPointTypeArray {ptNode, ptNode, ptOpenEnd}));
}

TEST(PathEdit, ToCurveAndBackIsIdentity)
{
    TPath p = Square();
    const TSelectedArray all = Select(4, {0, 1, 2, 3});
    ASSERT_TRUE(EditPath(p.Points, p.Types, all, pfToCurve));
    ASSERT_EQ(p.Points.size(), 12u);
    EXPECT_EQ(p.Points[1], (TKestPoint {333, 0}));
    EXPECT_EQ(p.Points[2], (TKestPoint {667, 0}));
    EXPECT_EQ(p.Points[10], (TKestPoint {0, 667})); // the closing curve
    EXPECT_EQ(p.Types[9], ptClosedEnd);
    // A straight curve flattens to the same outline.
    EXPECT_EQ(Outline(p), Square().Points);
    ASSERT_TRUE(EditPath(p.Points, p.Types, Select(12, {0, 3, 6, 9}), pfToLine));
    EXPECT_EQ(p.Points, Square().Points);
    EXPECT_EQ(p.Types, Square().Types);
    EXPECT_FALSE(EditPath(p.Points, p.Types, Select(4, {0}), pfToLine)); // not offered
}

} // namespace
} // namespace kest
