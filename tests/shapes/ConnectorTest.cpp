// The connector: links of its ends, the lock on its geometry, rerouting when
// a linked box moves, undo of a reroute, and its stored properties.
#include <gtest/gtest.h>

#include "KestActions.h"
#include "KestBaseLinks.h"
#include "KestControlsCurve.h"
#include "document/support/DocTestSupport.h"

namespace kest::doctest {
namespace {

struct TConnectorFixture : TPanelFixture {
    TBox* boxA = nullptr;
    TBox* boxB = nullptr;
    TKestConnector* connector = nullptr;
    TConnectorFixture()
    {
        RegisterControlClasses({TKestCurve::StaticClass(), TKestConnector::StaticClass()});
        boxA = AddBox({10000, 10000, 30000, 30000});
        boxB = AddBox({80000, 50000, 100000, 70000});
        connector = TKestControl::Create<TKestConnector>(&panel, Scheme(), Layer());
        connector->SetName("Connector1");
    }
    // Links the ends to the right side of A and the left side of B.
    void Link()
    {
        connector->SetPathPoints({{30000, 20000}, {80000, 60000}}, {ptNode, ptOpenEnd});
        connector->LinkA()->SetLinkedControl(boxA);
        connector->LinkB()->SetLinkedControl(boxB);
    }
    // Document point p in the connector's coordinates.
    TKestPoint Local(TKestPoint p) const { return {p.X - connector->Left(), p.Y - connector->Top()}; }
    TPointArray DocPoints() const
    {
        TPointArray points;
        for (int i = 0; i < connector->PointCount(); ++i) {
            const TKestPoint p = connector->Point(i);
            points.push_back({connector->DocRect().Left + p.X, connector->DocRect().Top + p.Y});
        }
        return points;
    }
};

TEST(ConnectorTest, NewConnectorHasThreePointsAndDefaults)
{
    TConnectorFixture f;
    EXPECT_EQ(f.connector->PointCount(), 3);
    EXPECT_EQ(f.connector->PointType(1), ptNode);
    EXPECT_EQ(f.connector->PointType(2), ptOpenEnd);
    EXPECT_TRUE(f.connector->Ortogonal());
    EXPECT_EQ(f.connector->RerouteMode(), rmAlways);
    EXPECT_TRUE(f.connector->IsConnectorKind());
    f.connector->SetMinimalGap(-5);
    EXPECT_EQ(f.connector->MinimalGap(), 0);
}

TEST(ConnectorTest, EndsWriteTheLinkPoints)
{
    TConnectorFixture f;
    f.connector->SetPathPoints({{30000, 20000}, {80000, 60000}}, {ptNode, ptOpenEnd});
    EXPECT_EQ(f.connector->LinkA()->LinkPoint(), (TKestPoint {30000, 20000}));
    EXPECT_EQ(f.connector->LinkB()->LinkPoint(), (TKestPoint {80000, 60000}));
}

TEST(ConnectorTest, LinkedGeometryIsLocked)
{
    TConnectorFixture f;
    f.Link();
    ASSERT_EQ(f.connector->LinkA()->LinkedControl(), f.boxA);
    const TKestRect rect = f.connector->DocRect();
    f.connector->SetDocRect({0, 0, 5000, 5000});
    f.connector->SetLeft(rect.Left + 7000);
    f.connector->Translate({{0, 0}, 90, false});
    EXPECT_EQ(f.connector->DocRect(), rect);
    // Unlinked, it moves again.
    f.connector->LinkA()->SetLinkedControl(nullptr);
    f.connector->LinkB()->SetLinkedControl(nullptr);
    f.connector->SetLeft(rect.Left + 7000);
    EXPECT_EQ(f.connector->Left(), rect.Left + 7000);
}

TEST(ConnectorTest, ReroutesWhenALinkedBoxMoves)
{
    TConnectorFixture f;
    f.Link();
    f.connector->Reroute();
    f.panel.History().Clear();
    const TPointArray before = f.DocPoints();
    f.panel.History().BeginPanelGroup(TPanelSizeMoveHistoryGroup::StaticClass());
    f.boxB->SetDocRect({80000, 90000, 100000, 110000});
    f.panel.History().EndPanelGroup(TPanelSizeMoveHistoryGroup::StaticClass());

    const TPointArray points = f.DocPoints();
    ASSERT_GE(points.size(), 2u);
    EXPECT_EQ(points.front(), (TKestPoint {30000, 20000}));
    EXPECT_EQ(points.back(), (TKestPoint {80000, 100000}));
    for (size_t i = 1; i < points.size(); ++i)
        EXPECT_TRUE(points[i].X == points[i - 1].X || points[i].Y == points[i - 1].Y) << "segment " << i;
    // The route keeps the gap around the boxes: no inner point inside them.
    const int32_t gap = f.panel.ConnectorsMinGap();
    for (size_t i = 1; i + 1 < points.size(); ++i) {
        const TKestPoint p = points[i];
        for (const TKestRect& r : {f.boxA->DocRect(), f.boxB->DocRect()})
            EXPECT_FALSE(p.X > r.Left - gap && p.X < r.Right + gap && p.Y > r.Top - gap && p.Y < r.Bottom + gap)
                << "point " << i;
    }

    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(f.DocPoints(), before);
    EXPECT_EQ(f.connector->LinkB()->LinkPoint(), (TKestPoint {80000, 60000}));
}

// Every segment horizontal or vertical.
bool AxisParallel(const TPointArray& points)
{
    for (size_t i = 1; i < points.size(); ++i)
        if (points[i].X != points[i - 1].X && points[i].Y != points[i - 1].Y)
            return false;
    return true;
}

TEST(ConnectorTest, FacingBoxesRouteHalfWayOrStraight)
{
    TConnectorFixture f;
    f.Link();
    f.connector->Reroute();
    const int32_t gap = f.panel.ConnectorsMinGap();
    // Two bends; the vertical segment half-way between the grown boxes.
    const int32_t middle = (f.boxA->DocRect().Right + gap + f.boxB->DocRect().Left - gap) / 2;
    EXPECT_EQ(f.DocPoints(), (TPointArray {{30000, 20000}, {middle, 20000}, {middle, 60000}, {80000, 60000}}));

    // Box B level with A: its link point moves along, and the route is straight.
    f.boxB->SetDocRect({80000, 10000, 100000, 30000});
    EXPECT_EQ(f.DocPoints(), (TPointArray {{30000, 20000}, {80000, 20000}}));

    // A larger own gap moves nothing while the boxes face each other, but a
    // vertical offset brings the half-way bends back.
    f.connector->SetMinimalGap(20000);
    f.boxB->SetDocRect({80000, 30000, 100000, 50000});
    const TPointArray points = f.DocPoints();
    ASSERT_EQ(points.size(), 4u);
    EXPECT_EQ(points[1].X, (30000 + 20000 + 80000 - 20000) / 2);
    EXPECT_EQ(points.back(), (TKestPoint {80000, 40000}));
}

TEST(ConnectorTest, BothEndsOnOneObjectRouteAroundIt)
{
    TConnectorFixture f;
    // From the right side of A to its bottom side.
    f.connector->SetPathPoints({{30000, 20000}, {20000, 30000}}, {ptNode, ptOpenEnd});
    f.connector->LinkA()->SetLinkedControl(f.boxA);
    f.connector->LinkB()->SetLinkedControl(f.boxA);
    f.connector->Reroute();
    const TPointArray points = f.DocPoints();
    const int32_t gap = f.panel.ConnectorsMinGap();
    const TKestRect r = f.boxA->DocRect();
    const TKestRect grown {r.Left - gap, r.Top - gap, r.Right + gap, r.Bottom + gap};
    ASSERT_EQ(points.size(), 5u);
    EXPECT_EQ(points.front(), (TKestPoint {30000, 20000}));
    EXPECT_EQ(points.back(), (TKestPoint {20000, 30000}));
    EXPECT_TRUE(AxisParallel(points));
    // The inner points lie on the grown box's outline, the corner between them.
    for (size_t i = 1; i + 1 < points.size(); ++i) {
        const TKestPoint p = points[i];
        EXPECT_TRUE((p.X == grown.Left || p.X == grown.Right || p.Y == grown.Top || p.Y == grown.Bottom)
            && p.X >= grown.Left && p.X <= grown.Right && p.Y >= grown.Top && p.Y <= grown.Bottom)
            << "point " << i;
    }
    EXPECT_EQ(points[2], (TKestPoint {grown.Right, grown.Bottom}));
}

TEST(ConnectorTest, MovingAPointKeepsTheRouteOrthogonal)
{
    TConnectorFixture f;
    f.Link();
    f.connector->Reroute();
    const TPointArray before = f.DocPoints();
    ASSERT_EQ(before.size(), 4u);
    // In mode "Always" the editor offers no handle on the route or the linked ends.
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(f.connector->IsPointEditable(i)) << i;

    // The first bend dragged right and down: next to the fixed end it keeps
    // its height, and the next bend follows along the vertical segment.
    f.connector->MovePoint(1, f.Local({before[1].X + 5000, 25000}));
    EXPECT_EQ(f.connector->RerouteMode(), rmNever);
    const TPointArray moved = f.DocPoints();
    EXPECT_EQ(moved, (TPointArray {before[0], {before[1].X + 5000, 20000}, {before[1].X + 5000, 60000}, before[3]}));
    EXPECT_TRUE(f.connector->IsPointEditable(1));

    // Within 4 pixels of the end's x the bend snaps to it.
    f.connector->MovePoint(2, f.Local({80000 - 3000, 60000}));
    EXPECT_EQ(f.DocPoints()[2].X, 80000);
    EXPECT_TRUE(AxisParallel(f.DocPoints()));

    // The middle point of a three-point connector stays.
    TConnectorFixture g;
    g.connector->SetPathPoints({{10000, 40000}, {40000, 40000}, {40000, 60000}}, {ptNode, ptNode, ptOpenEnd});
    g.connector->SetRerouteMode(rmNever);
    const TPointArray three = g.DocPoints();
    g.connector->MovePoint(1, g.Local({30000, 50000}));
    EXPECT_EQ(g.DocPoints(), three);
}

TEST(ConnectorTest, DraggingAnEndUnlinksItUnlessLinksGoToPoints)
{
    TConnectorFixture f;
    f.Link();
    f.connector->Reroute();
    f.connector->MovePoint(0, f.Local({30000, 15000}));
    EXPECT_EQ(f.connector->LinkA()->LinkedControl(), nullptr);
    EXPECT_EQ(f.connector->LinkB()->LinkedControl(), f.boxB);
    EXPECT_EQ(f.DocPoints().front(), (TKestPoint {30000, 15000}));

    TConnectorFixture g;
    g.panel.Schemes()->SetConnectorLinkToPoint(true);
    g.Link();
    g.connector->Reroute();
    g.connector->MovePoint(3, g.Local({85000, 60000}));
    EXPECT_EQ(g.connector->LinkB()->LinkedControl(), g.boxB);
}

TEST(ConnectorTest, DraggingASegment)
{
    TConnectorFixture f;
    f.Link();
    f.connector->Reroute();
    const TPointArray before = f.DocPoints();
    // A run with a linked end does not move.
    EXPECT_FALSE(f.connector->MoveSegment(0, 1, {0, 5000}));
    EXPECT_EQ(f.DocPoints(), before);

    // The vertical middle segment moves only sideways.
    ASSERT_TRUE(f.connector->MoveSegment(1, 2, {6000, 9000}));
    EXPECT_EQ(f.connector->RerouteMode(), rmNever);
    TPointArray points = f.DocPoints();
    EXPECT_EQ(points[1], (TKestPoint {before[1].X + 6000, 20000}));
    EXPECT_EQ(points[2], (TKestPoint {before[2].X + 6000, 60000}));
    f.connector->EndPointsDrag();
    EXPECT_EQ(f.DocPoints(), points) << "a drag in mode Never keeps its route";

    // Dragged back into the grown box B the segment is rerouted when the
    // mode asks for it.
    f.connector->SetRerouteMode(rmAsNeeded);
    points = f.DocPoints();
    ASSERT_TRUE(f.connector->MoveSegment(1, 2, {75000 - points[1].X, 0}));
    EXPECT_EQ(f.DocPoints()[1].X, 75000);
    f.connector->EndPointsDrag();
    const int32_t gap = f.panel.ConnectorsMinGap();
    points = f.DocPoints();
    for (size_t i = 1; i + 1 < points.size(); ++i)
        EXPECT_FALSE(points[i].X > 80000 - gap && points[i].X < 100000 + gap && points[i].Y > 50000 - gap
            && points[i].Y < 70000 + gap)
            << "point " << i;
    EXPECT_TRUE(AxisParallel(f.DocPoints()));
}

TEST(ConnectorTest, InsertingAndDeletingPoints)
{
    TConnectorFixture f;
    f.Link();
    f.connector->Reroute();
    const TPointArray before = f.DocPoints();
    // Two coincident nodes on the vertical segment, at the clicked height.
    const int index = f.connector->InsertNearestPoint(f.Local({before[1].X + 1000, 40000}));
    ASSERT_EQ(index, 2);
    EXPECT_EQ(f.connector->RerouteMode(), rmNever);
    TPointArray points = f.DocPoints();
    ASSERT_EQ(points.size(), 6u);
    EXPECT_EQ(points[2], (TKestPoint {before[1].X, 40000}));
    EXPECT_EQ(points[3], points[2]);

    // A step dragged out of them, and the lone point it leaves stays.
    ASSERT_TRUE(f.connector->MoveSegment(3, 4, {7000, 0}));
    EXPECT_TRUE(AxisParallel(f.DocPoints()));
    EXPECT_FALSE(f.connector->DeletePoint(2));
    EXPECT_EQ(f.DocPoints().size(), 6u);
    // Dragged back, the drag's end removes the coincident pair.
    ASSERT_TRUE(f.connector->MoveSegment(3, 4, {-7000, 0}));
    f.connector->EndPointsDrag();
    EXPECT_EQ(f.DocPoints(), before);

    // A coincident pair goes through deleting one of them.
    ASSERT_EQ(f.connector->InsertNearestPoint(f.Local({before[1].X, 40000})), 2);
    ASSERT_TRUE(f.connector->DeletePoint(3));
    EXPECT_EQ(f.DocPoints(), before);

    // Deleting an end unlinks it and takes the point away.
    ASSERT_TRUE(f.connector->DeletePoint(3));
    EXPECT_EQ(f.connector->LinkB()->LinkedControl(), nullptr);
    EXPECT_EQ(f.DocPoints(), (TPointArray(before.begin(), before.end() - 1)));
    EXPECT_EQ(f.connector->PointType(2), ptOpenEnd);
}

TEST(ConnectorTest, NeverModeKeepsTheRoute)
{
    TConnectorFixture f;
    f.Link();
    f.connector->SetRerouteMode(rmNever);
    const size_t count = f.DocPoints().size();
    f.boxA->SetDocRect({10000, 12000, 30000, 32000});
    EXPECT_EQ(f.DocPoints().size(), count);
}

TEST(ConnectorTest, PropertiesSurviveSaveAndLoad)
{
    TConnectorFixture f;
    f.Link();
    f.connector->SetRerouteMode(rmAsNeeded);
    f.connector->SetMinimalGap(3000);
    f.connector->SetOrtogonal(false);
    const std::string saved = SaveText(f.panel);
    for (const char* name : {"LinkA", "LinkB", "RerouteMode", "MinimalGap", "Ortogonal"})
        EXPECT_NE(saved.find(name), std::string::npos) << name;

    TConnectorFixture g;
    g.connector->Free();
    g.boxA->Free();
    g.boxB->Free();
    LoadText(g.panel, saved);
    auto* loaded = dynamic_cast<TKestConnector*>(g.panel.FindControlByName("Connector1"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_NE(loaded->LinkA()->LinkedControl(), nullptr);
    EXPECT_EQ(loaded->RerouteMode(), rmAsNeeded);
    EXPECT_EQ(loaded->MinimalGap(), 3000);
    EXPECT_EQ(SaveText(g.panel), saved);
}

TEST(ConnectorTest, DeletingTheConnectorUnlinksBothEnds)
{
    TConnectorFixture f;
    f.Link();
    ASSERT_EQ(f.boxA->LinkPointCount(), 1);
    f.connector->Free();
    EXPECT_EQ(f.boxA->LinkPointCount(), 0);
    EXPECT_EQ(f.boxB->LinkPointCount(), 0);
}

} // namespace
} // namespace kest::doctest
