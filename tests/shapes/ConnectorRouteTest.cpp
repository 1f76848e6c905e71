// Connector routes between linked objects, checked by the properties a user
// sees: they start and end at the link points, run axis-parallel, keep out
// of the objects, and bend no more than needed.
#include <gtest/gtest.h>

#include <algorithm>

#include "KestPath.h"

namespace kest {
namespace {

struct TRouted {
    TPointArray Points;
    TPointTypeArray Types;
};

TRouted Route(const TConnectorRouteInput& in, TRouted start = {{{}, {}, {}}, {ptNode, ptNode, ptOpenEnd}})
{
    EXPECT_TRUE(RouteConnector(start.Points, start.Types, in));
    return start;
}

bool AxisParallel(const TPointArray& p)
{
    for (size_t i = 1; i < p.size(); ++i)
        if (p[i - 1].X != p[i].X && p[i - 1].Y != p[i].Y)
            return false;
    return true;
}

// An axis-parallel segment passes through the open inside of r.
bool EntersInside(TKestPoint a, TKestPoint b, const TKestRect& r)
{
    const int l = std::min(a.X, b.X), t = std::min(a.Y, b.Y), rr = std::max(a.X, b.X), bb = std::max(a.Y, b.Y);
    const bool xIn = a.X == b.X ? (a.X > r.Left && a.X < r.Right) : (l < r.Right && rr > r.Left);
    const bool yIn = a.Y == b.Y ? (a.Y > r.Top && a.Y < r.Bottom) : (t < r.Bottom && bb > r.Top);
    return xIn && yIn;
}

void ExpectSoundRoute(const TRouted& r, const TConnectorRouteInput& in)
{
    ASSERT_GE(r.Points.size(), 2u);
    EXPECT_EQ(r.Points.front(), in.PointA);
    EXPECT_EQ(r.Points.back(), in.PointB);
    EXPECT_TRUE(AxisParallel(r.Points));
    EXPECT_EQ(r.Types.back(), ptOpenEnd);
    for (size_t i = 0; i + 1 < r.Types.size(); ++i)
        EXPECT_EQ(r.Types[i], ptNode);
    for (size_t i = 1; i < r.Points.size(); ++i) {
        EXPECT_FALSE(EntersInside(r.Points[i - 1], r.Points[i], in.RectA)) << "segment " << i;
        EXPECT_FALSE(EntersInside(r.Points[i - 1], r.Points[i], in.RectB)) << "segment " << i;
    }
}

TConnectorRouteInput SideBySide(int32_t bY)
{
    TConnectorRouteInput in;
    in.Gap = 200;
    in.RectA = {0, 0, 1000, 1000};
    in.RectB = {3000, 0, 4000, 1200};
    in.PointA = {1000, 500};
    in.PointB = {3000, bY};
    return in;
}

TEST(ConnectorRoute, FacingSides)
{
    const TConnectorRouteInput aligned = SideBySide(500);
    const TRouted straight = Route(aligned);
    ExpectSoundRoute(straight, aligned);
    EXPECT_EQ(straight.Points.size(), 2u);

    const TConnectorRouteInput offset = SideBySide(900);
    const TRouted stepped = Route(offset);
    ExpectSoundRoute(stepped, offset);
    ASSERT_EQ(stepped.Points.size(), 4u);
    // The vertical run lies half-way between the gap-expanded boxes.
    EXPECT_EQ(stepped.Points[1].X, ((1000 + 200) + (3000 - 200)) / 2);
    EXPECT_EQ(stepped.Points[1].X, stepped.Points[2].X);
}

TEST(ConnectorRoute, OneBendAroundCorner)
{
    TConnectorRouteInput in;
    in.Gap = 100;
    in.RectA = {0, 0, 1000, 1000};
    in.PointA = {1000, 500};
    in.RectB = {2500, 2000, 3500, 3000};
    in.PointB = {3000, 2000}; // on the top edge
    const TRouted r = Route(in);
    ExpectSoundRoute(r, in);
    ASSERT_EQ(r.Points.size(), 3u);
    EXPECT_EQ(r.Points[1], (TKestPoint {3000, 500}));
}

TEST(ConnectorRoute, ThreeAndFourBends)
{
    // B's top edge faces away from A: the route has to come round.
    TConnectorRouteInput in;
    in.Gap = 100;
    in.RectA = {0, 0, 1000, 1000};
    in.PointA = {1000, 500};
    in.RectB = {2500, -3000, 3500, -2000};
    in.PointB = {3000, -2000}; // bottom edge, B leaves downwards: crossing axes
    const TRouted three = Route(in);
    ExpectSoundRoute(three, in);
    EXPECT_EQ(three.Points.size(), 3u); // the corner (3000, 500) is free
    in.PointB = {3000, -3000}; // top edge
    const TRouted around = Route(in);
    ExpectSoundRoute(around, in);
    EXPECT_EQ(around.Points.size(), 5u);
    // Both leaving right, B further right: down the gap and round B.
    in.RectB = {2500, 0, 3500, 1000};
    in.PointB = {3500, 200};
    const TRouted four = Route(in);
    ExpectSoundRoute(four, in);
    EXPECT_EQ(four.Points.size(), 6u);
}

TEST(ConnectorRoute, SameObject)
{
    TConnectorRouteInput in;
    in.Gap = 100;
    in.SameObject = true;
    in.RectA = in.RectB = {0, 0, 1000, 2000};
    in.PointA = {1000, 500}; // right
    in.PointB = {500, 0}; // top
    const TRouted corner = Route(in);
    ExpectSoundRoute(corner, in);
    ASSERT_EQ(corner.Points.size(), 5u);
    EXPECT_EQ(corner.Points[2], (TKestPoint {1100, -100}));
    in.PointB = {0, 300}; // left: both near the top, so round the top
    const TRouted sides = Route(in);
    ExpectSoundRoute(sides, in);
    ASSERT_EQ(sides.Points.size(), 6u);
    EXPECT_EQ(sides.Points[2].Y, -100);
}

TEST(ConnectorRoute, NeverModeMovesOnlyEnds)
{
    const TConnectorRouteInput first = SideBySide(900);
    const TRouted routed = Route(first);
    ASSERT_EQ(routed.Points.size(), 4u);
    TConnectorRouteInput moved = first;
    moved.Mode = rmNever;
    moved.RectB = {3000, 400, 4000, 1600};
    moved.PointB = {3000, 1300};
    const TRouted kept = Route(moved, routed);
    ASSERT_EQ(kept.Points.size(), 4u);
    EXPECT_EQ(kept.Points.back(), moved.PointB);
    EXPECT_EQ(kept.Points[1], routed.Points[1]); // the middle run stays where it was
    EXPECT_EQ(kept.Points[2], (TKestPoint {routed.Points[2].X, 1300}));
    EXPECT_TRUE(AxisParallel(kept.Points));
}

TEST(ConnectorRoute, AsNeededKeepsUntilCrossing)
{
    const TConnectorRouteInput first = SideBySide(900);
    const TRouted routed = Route(first);
    TConnectorRouteInput in = first;
    in.Mode = rmAsNeeded;
    // B slides down a little: the route is kept, ends follow.
    in.RectB = {3000, 100, 4000, 1300};
    in.PointB = {3000, 1000};
    const TRouted kept = Route(in, routed);
    ASSERT_EQ(kept.Points.size(), 4u);
    EXPECT_EQ(kept.Points[1], routed.Points[1]);
    // B jumps behind A's gap: the kept run would cross it, so a new route.
    in.RectB = {-3000, 0, -2000, 1000};
    in.PointB = {-2000, 500};
    const TRouted renewed = Route(in, routed);
    ExpectSoundRoute(renewed, in);
    // A diagonal segment in an orthogonal connector asks for a new route too.
    TRouted diagonal {{{0, 0}, {700, 300}, {3000, 900}}, {ptNode, ptNode, ptOpenEnd}};
    in = first;
    in.Mode = rmAsNeeded;
    ExpectSoundRoute(Route(in, diagonal), in);
}

TEST(ConnectorRoute, FallbackAndStraight)
{
    // Two objects on top of each other, ends on opposite sides: nothing fits.
    TConnectorRouteInput in;
    in.Gap = 100;
    in.RectA = in.RectB = {0, 0, 1000, 1000};
    in.PointA = {0, 500};
    in.PointB = {1000, 500};
    EXPECT_EQ(Route(in).Points, (TPointArray {in.PointA, in.PointB}));
    in.PointB = {500, 0};
    EXPECT_EQ(Route(in).Points, (TPointArray {in.PointA, {500, 500}, in.PointB}));
    in.Ortogonal = false;
    in.PointB = {700, 100};
    EXPECT_EQ(Route(in).Points, (TPointArray {in.PointA, in.PointB}));
}

TEST(ConnectorRoute, RefusesOtherPaths)
{
    TRouted curve {{{}, {}, {}, {}}, {ptNode, ptControl, ptControl, ptOpenEnd}};
    EXPECT_FALSE(RouteConnector(curve.Points, curve.Types, SideBySide(500)));
    TRouted closed {{{}, {}}, {ptNode, ptClosedEnd}};
    EXPECT_FALSE(RouteConnector(closed.Points, closed.Types, SideBySide(500)));
    closed.Types.pop_back();
    EXPECT_FALSE(RouteConnector(closed.Points, closed.Types, SideBySide(500)));
}

TEST(ConnectorRoute, SegmentOrientationAlternates)
{
    const TPointArray p {{0, 0}, {0, 0}, {500, 0}, {500, 800}, {900, 800}};
    bool horizontal = false;
    ASSERT_TRUE(GetRouteSegmentHorizontal(p, 1, horizontal));
    EXPECT_FALSE(horizontal); // the first real segment (ending at 2) is horizontal
    ASSERT_TRUE(GetRouteSegmentHorizontal(p, 4, horizontal));
    EXPECT_TRUE(horizontal);
    EXPECT_FALSE(GetRouteSegmentHorizontal(p, 5, horizontal));
    EXPECT_FALSE(GetRouteSegmentHorizontal({{1, 1}, {1, 1}}, 1, horizontal));
}

} // namespace
} // namespace kest
