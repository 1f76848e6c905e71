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
