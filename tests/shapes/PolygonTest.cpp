// Regular polygons: the vertices for several side counts with the height
// kept in scale, what is saved, hits, painting and turning.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "ShapeTestSupport.h"

namespace kest::shapetest {
namespace {

double Distance(TKestPoint a, TKestPoint b)
{
    return std::hypot(double(a.X) - b.X, double(a.Y) - b.Y);
}

TEST(PolygonTest, VerticesFillTheRectangleAndStayRegular)
{
    for (int32_t sides = 3; sides <= 8; ++sides) {
        TShapeFixture f;
        // A square over the default diamond: both scales equal, and the
        // height correction must keep them equal for every side count.
        auto* p = f.Add<TKestRegularPolygon>({0, 0, 100000, 100000});
        p->SetSides(sides);
        const TPointArray& path = p->Path();
        ASSERT_EQ(int(path.size()), sides);
        ASSERT_EQ(p->PathTypes().back(), ptClosedEnd);
        EXPECT_EQ(p->PathTypes().front(), ptNode);
        int32_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
        for (TKestPoint v : path) {
            minX = std::min(minX, v.X);
            minY = std::min(minY, v.Y);
            maxX = std::max(maxX, v.X);
            maxY = std::max(maxY, v.Y);
        }
        EXPECT_EQ(minX, 0) << sides;
        EXPECT_EQ(minY, 0) << sides;
        EXPECT_EQ(maxX, p->Width()) << sides;
        EXPECT_EQ(maxY, p->Height()) << sides;
        // The first vertex points straight up, in the middle.
        EXPECT_NEAR(path[0].X, p->Width() / 2.0, 1.0) << sides;
        EXPECT_EQ(path[0].Y, 0) << sides;
        const double side = Distance(path[0], path[1]);
        for (size_t i = 1; i < path.size(); ++i)
            EXPECT_NEAR(Distance(path[i], path[(i + 1) % path.size()]), side, 3.0) << sides << " " << i;
        EXPECT_EQ(p->ConnectionPointCount(), sides);
        EXPECT_EQ(p->ConnectionPoint(sides - 1), path.back());
    }
}

TEST(PolygonTest, SidesBelowThreeAndDefaultsAreNotSaved)
{
    TShapeFixture f;
    auto* p = f.Add<TKestRegularPolygon>({10000, 10000, 50000, 50000});
    EXPECT_EQ(p->Sides(), 4);
    EXPECT_TRUE(p->Brush()->IsClear());
    std::string text = doctest::SaveText(f.panel);
    EXPECT_EQ(text.find("Sides"), std::string::npos);
    EXPECT_EQ(text.find("Angle"), std::string::npos);
    p->SetSides(2);
    EXPECT_EQ(p->Sides(), 3);
    p->SetSides(-7);
    EXPECT_EQ(p->Sides(), 3);
    p->SetSides(1 << 30);
    EXPECT_EQ(p->Sides(), TKestRegularPolygon::kMaxSides);

    p->SetSides(6);
    p->SetAngle(15);
    p->Brush()->SetColor(clGreen);
    p->SetName("Hex");
    text = doctest::SaveText(f.panel);
    EXPECT_EQ(Resaved(text), text);
    TShapeFixture other;
    doctest::LoadText(other.panel, text);
    auto* loaded = dynamic_cast<TKestRegularPolygon*>(other.panel.FindControlByName("Hex"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Sides(), 6);
    EXPECT_EQ(loaded->Angle(), 15);
    EXPECT_EQ(loaded->Path(), p->Path());
}

TEST(PolygonTest, HitsInsideWhenFilledAndNearTheOutlineAlways)
{
    TShapeFixture f;
    auto* p = f.Add<TKestRegularPolygon>({10000, 10000, 110000, 110000}); // a diamond
    EXPECT_FALSE(p->IsPointInside(60, 60));
    EXPECT_TRUE(p->IsPointInside(35, 35)); // the middle of the upper left edge
    EXPECT_FALSE(p->IsPointInside(15, 15)); // the rectangle's corner
    EXPECT_FALSE(p->IsPointInside(60, 120));
    p->Brush()->SetColor(clRed);
    EXPECT_TRUE(p->IsPointInside(60, 60));
    EXPECT_TRUE(p->IsPointInside(60, 20));
    EXPECT_FALSE(p->IsPointInside(15, 15));
}

TEST(PolygonTest, PaintsTheFilledPolygon)
{
    TShapeFixture f;
    auto* p = f.Add<TKestRegularPolygon>({10000, 10000, 110000, 110000});
    p->Brush()->SetColor(clRed);
    p->SetSides(3);
    TPainted painted(f.panel);
    const TKestRect r = p->DocRect();
    EXPECT_TRUE(Near(painted.At(60, (r.Top + r.Bottom) / 2000 + 10), clRed));
    EXPECT_TRUE(Near(painted.At(15, 15), clWhite));
    EXPECT_TRUE(Near(painted.At(105, 15), clWhite));
}

TEST(PolygonTest, TurningAndMirroringChangeTheAngle)
{
    TShapeFixture f;
    auto* p = f.Add<TKestRegularPolygon>({0, 0, 40000, 20000});
    p->SetAngle(30);
    p->Translate({{20000, 10000}, 0, true});
    EXPECT_EQ(p->Angle(), 330);
    p->Translate({{20000, 10000}, 90, false});
    EXPECT_EQ(p->Angle(), 60);
    EXPECT_EQ(p->DocRect(), (TKestRect {10000, -10000, 30000, 30000}));
    p->Translate({{20000, 10000}, -120, false});
    EXPECT_EQ(p->Angle(), 300);
}

} // namespace
} // namespace kest::shapetest
