// Shapes converted into curves: the curve keeps the shape's place, its
// common properties and its outline (hits far from the outline agree, the
// painted pixels match up to a pixel of rasterisation), and the arc pieces
// are cut at the quarter turns.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "ShapeTestSupport.h"

namespace kest::shapetest {
namespace {

struct TConverted {
    TKestControl* shape;
    TKestCurve* curve;
};

TConverted Convert(TKestControl* shape)
{
    shape->SetName("Shape1");
    auto* curve = dynamic_cast<TKestCurve*>(shape->ConvertToCurve());
    return {shape, curve};
}

// Hits agree wherever the point lies clearly off the outline, and the
// curve is hit right on it. An arc's own test takes the ellipse's ring (or
// for a pie its inside) across its whole rectangle, so there the curve's
// hits need only be among the arc's.
void ExpectSameHits(TConverted c, const std::string& kind, bool shapeWider)
{
    // Hit tests take panel pixels.
    TKestPanel& panel = *c.shape->Owner();
    const TKestRect doc = c.shape->DocRect();
    const TKestPoint topLeft = panel.TransformPoint({doc.Left, doc.Top});
    const TKestPoint bottomRight = panel.TransformPoint({doc.Right, doc.Bottom});
    const int32_t margin = 15;
    int compared = 0, inside = 0;
    for (int32_t y = topLeft.Y - margin; y <= bottomRight.Y + margin; y += 2)
        for (int32_t x = topLeft.X - margin; x <= bottomRight.X + margin; x += 2) {
            TNearestPointInfo nearest;
            ASSERT_TRUE(c.curve->FindNearestPoint(c.curve->OwnerToClient({x, y}), nearest)) << kind;
            const double distance = std::sqrt(double(nearest.Distance));
            const bool shapeHit = c.shape->IsPointInside(x, y);
            const bool curveHit = c.curve->IsPointInside(x, y);
            if (distance > 12000) {
                if (shapeWider)
                    EXPECT_TRUE(!curveHit || shapeHit) << kind << " at " << x << "," << y;
                else
                    EXPECT_EQ(shapeHit, curveHit) << kind << " at " << x << "," << y;
                ++compared;
                inside += shapeHit;
            } else if (distance < 700) {
                EXPECT_TRUE(curveHit) << kind << " at " << x << "," << y;
            }
        }
    // The grid must really test both sides of the outline.
    EXPECT_GT(compared, 100) << kind;
    EXPECT_GT(inside, 0) << kind;
}

// Pixels of one image with no pixel of the same colour within one pixel in
// the other, both ways.
int StrayPixels(const QImage& a, const QImage& b)
{
    const auto hasNear = [](const QImage& image, int x, int y, QRgb colour) {
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                const int nx = x + dx, ny = y + dy;
                if (nx >= 0 && ny >= 0 && nx < image.width() && ny < image.height() && image.pixel(nx, ny) == colour)
                    return true;
            }
        return false;
    };
    int stray = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            stray += !hasNear(b, x, y, a.pixel(x, y));
            stray += !hasNear(a, x, y, b.pixel(x, y));
        }
    return stray;
}

void ExpectSamePixels(TShapeFixture& f, TConverted c, const std::string& kind)
{
    c.curve->SetVisible(false);
    const TPainted shape(f.panel);
    c.curve->SetVisible(true);
    c.shape->SetVisible(false);
    const TPainted curve(f.panel);
    c.shape->SetVisible(true);
    const int stray = StrayPixels(*shape.canvas.Image(), *curve.canvas.Image());
    if (stray > 40) {
        shape.Save(::testing::TempDir() + kind + "_shape.png");
        curve.Save(::testing::TempDir() + kind + "_curve.png");
    }
    EXPECT_LE(stray, 40) << kind << ": images in " << ::testing::TempDir();
}

void ExpectSameFrame(TConverted c, const std::string& kind, int32_t tolerance)
{
    ASSERT_NE(c.curve, nullptr) << kind;
    EXPECT_EQ(c.curve->Owner(), c.shape->Owner());
    EXPECT_EQ(c.curve->Parent(), c.shape->Parent());
    EXPECT_EQ(c.curve->Layer(), c.shape->Layer());
    EXPECT_NE(c.curve->ID(), c.shape->ID());
    EXPECT_EQ(c.curve->Name(), "Shape1");
    const TKestRect a = c.shape->DocRect();
    const TKestRect b = c.curve->DocRect();
    EXPECT_NEAR(a.Left, b.Left, tolerance) << kind;
    EXPECT_NEAR(a.Top, b.Top, tolerance) << kind;
    EXPECT_NEAR(a.Right, b.Right, tolerance) << kind;
    EXPECT_NEAR(a.Bottom, b.Bottom, tolerance) << kind;
}

TKestPoint Doc(const TKestControl* control, TKestPoint p)
{
    return {control->DocRect().Left + p.X, control->DocRect().Top + p.Y};
}

template <class T> void Style(T* shape, TColor brush, TBrushStyle style)
{
    shape->Brush()->SetColor(brush);
    shape->Brush()->SetStyle(style);
    shape->Pen()->SetColor(clBlue);
}

TEST(ConvertToCurveTest, EveryKindKeepsItsOutline)
{
    struct TCase {
        std::string kind;
        std::function<TKestControl*(TShapeFixture&)> make;
        int32_t frameTolerance;
    };
    const std::vector<TCase> cases {
        {"box",
            [](TShapeFixture& f) {
                auto* s = f.Add<TKestBox>({20000, 15000, 170000, 125000});
                Style(s, clRed, bsSolid);
                return s;
            },
            0},
        {"rounded",
            [](TShapeFixture& f) {
                auto* s = f.Add<TKestBox>({20000, 15000, 170000, 125000});
                Style(s, clYellow, bsSolid);
                s->SetRoundness(60000);
                return s;
            },
            0},
        {"ellipse",
            [](TShapeFixture& f) {
                auto* s = f.Add<TKestEllipse>({15000, 10000, 185000, 140000});
                Style(s, clLime, bsSolid);
                return s;
            },
            2},
        {"pie",
            [](TShapeFixture& f) {
                auto* s = f.Add<TKestEllipse>({15000, 10000, 185000, 140000});
                Style(s, clAqua, bsSolid);
                s->SetBeginAngle(30000);
                s->SetEndAngle(250000);
                return s;
            },
            1000},
        {"arc",
            [](TShapeFixture& f) {
                auto* s = f.Add<TKestArc>({15000, 10000, 185000, 140000});
                Style(s, clWhite, bsClear);
                s->Pen()->SetWidth(3000);
                s->SetBeginAngle(300000);
                s->SetEndAngle(100000);
                return s;
            },
            1000},
        {"polygon",
            [](TShapeFixture& f) {
                auto* s = f.Add<TKestRegularPolygon>({20000, 10000, 180000, 140000});
                Style(s, clFuchsia, bsSolid);
                s->SetSides(7);
                s->SetAngle(20);
                return s;
            },
            0},
    };
    for (const TCase& c : cases) {
        TShapeFixture f;
        const TConverted converted = Convert(c.make(f));
        ExpectSameFrame(converted, c.kind, c.frameTolerance);
        if (!converted.curve)
            continue;
        ExpectSameHits(converted, c.kind, c.kind == "pie" || c.kind == "arc");
        ExpectSamePixels(f, converted, c.kind);
    }
}

TEST(ConvertToCurveTest, ArcsAreCutAtQuarterTurnsAndPiesClosedAtTheCentre)
{
    struct TCase {
        int32_t begin, end;
        bool filled;
        int pieces;
    };
    // 45..225 crosses 90 and 180; 270..45 wraps through 0; 10..20 stays
    // within its quarter; 100..90 goes nearly all the way round.
    for (const TCase c : {TCase {45000, 225000, false, 3}, TCase {270000, 45000, true, 2},
             TCase {10000, 20000, false, 1}, TCase {100000, 90000, true, 4}}) {
        TShapeFixture f;
        auto* e = f.Add<TKestEllipse>({0, 0, 200000, 100000});
        Style(e, clRed, c.filled ? bsSolid : bsClear);
        e->SetBeginAngle(c.begin);
        e->SetEndAngle(c.end);
        const TKestPoint firstEnd = Doc(e, e->Point(0));
        const TKestPoint lastEnd = Doc(e, e->Point(1));
        const TConverted converted = Convert(e);
        ASSERT_NE(converted.curve, nullptr);
        TKestCurve* curve = converted.curve;
        const int expected = 1 + 3 * c.pieces + (c.filled ? 1 : 0);
        ASSERT_EQ(curve->PointCount(), expected) << c.begin << ".." << c.end;
        const int lastNode = 3 * c.pieces;
        const auto at = [&](int i) { return Doc(curve, curve->Point(i)); };
        // The curve starts and ends at the arc's own end points.
        EXPECT_NEAR(at(0).X, firstEnd.X, 2);
        EXPECT_NEAR(at(0).Y, firstEnd.Y, 2);
        EXPECT_NEAR(at(lastNode).X, lastEnd.X, 2);
        EXPECT_NEAR(at(lastNode).Y, lastEnd.Y, 2);
        for (int i = 1; i < lastNode; ++i)
            EXPECT_EQ(curve->PointType(i), i % 3 == 0 ? ptNode : ptControl) << i;
        if (c.filled) {
            EXPECT_EQ(curve->PointType(expected - 1), ptClosedEnd);
            EXPECT_EQ(at(expected - 1), (TKestPoint {100000, 50000}));
            EXPECT_TRUE(curve->IsSolid());
        } else {
            EXPECT_EQ(curve->PointType(lastNode), ptOpenEnd);
            EXPECT_FALSE(curve->IsSolid());
        }
        // Every inner node lies on the ellipse at a quarter turn.
        for (int i = 3; i < lastNode; i += 3) {
            const TKestPoint p = at(i);
            const bool onAxis = p == TKestPoint {200000, 50000} || p == TKestPoint {100000, 0}
                || p == TKestPoint {0, 50000} || p == TKestPoint {100000, 100000};
            EXPECT_TRUE(onAxis) << p.X << "," << p.Y;
        }
    }
}

TEST(ConvertToCurveTest, CurveCopiesPenAndBrushAndSavesLikeAnyCurve)
{
    TShapeFixture f;
    auto* box = f.Add<TKestBox>({10000, 10000, 60000, 40000});
    box->Brush()->SetColor(clRed);
    box->Brush()->SetStyle(bsDiagCross);
    box->Pen()->SetWidth(4000);
    box->Pen()->SetColor(clGreen);
    box->SetTransparency(30);
    box->SetRoundness(20000);
    auto* curve = dynamic_cast<TKestCurve*>(box->ConvertToCurve());
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(curve->Brush()->Color(), clRed);
    EXPECT_EQ(curve->Brush()->Style(), bsDiagCross);
    EXPECT_EQ(curve->Pen()->Width(), 4000);
    EXPECT_EQ(curve->Pen()->Color(), clGreen);
    EXPECT_EQ(curve->Transparency(), 30);
    EXPECT_TRUE(curve->IsSolid());
    // The shape replaced by its curve survives a save and load unchanged.
    box->Free();
    const std::string text = doctest::SaveText(f.panel);
    EXPECT_EQ(Resaved(text), text);
    EXPECT_NE(text.find("TKestCurve"), std::string::npos);

    // Texts do not convert.
    auto* t = f.Add<TKestText>({0, 0, 10000, 10000});
    EXPECT_EQ(t->ConvertToCurve(), nullptr);
}

} // namespace
} // namespace kest::shapetest
