// Ellipses and arcs: the tight bounds of an arc and its full ellipse,
// "ArcAxes", undo of angle changes, the ring hit test, painting, turning and
// the edit points.
#include <gtest/gtest.h>

#include "ShapeTestSupport.h"

namespace kest::shapetest {
namespace {

TEST(EllipseTest, ArcShrinksToItsQuarterWhileArcAxesKeepsTheEllipse)
{
    TShapeFixture f;
    auto* e = f.Add<TKestEllipse>({10000, 10000, 50000, 30000});
    EXPECT_FALSE(e->AxesSet());
    e->SetEndAngle(90000);
    EXPECT_TRUE(e->AxesSet());
    EXPECT_EQ(e->DocRect(), (TKestRect {30000, 10000, 50000, 20000}));
    EXPECT_EQ(e->ArcAxes(), "10000;10000;50000;30000;0;90000");
    // Back to equal angles: the shape takes the whole ellipse again.
    e->SetEndAngle(0);
    EXPECT_FALSE(e->AxesSet());
    EXPECT_EQ(e->DocRect(), (TKestRect {10000, 10000, 50000, 30000}));
}

TEST(EllipseTest, TightBoundsFollowTheQuadrantsPassed)
{
    TShapeFixture f;
    auto* e = f.Add<TKestArc>({0, 0, 40000, 20000});
    struct TCase {
        int32_t Begin, End;
        TKestRect Bounds;
    };
    // cos 45 = sin 45 = 0.70711, cos 30 = 0.86603.
    const TCase cases[] = {
        {0, 180000, {0, 0, 40000, 10000}},
        {90000, 0, {0, 0, 40000, 20000}},
        {45000, 135000, {5858, 0, 34142, 2929}},
        {100000, 95000, {0, 0, 40000, 20000}},
        {100000, 80000, {0, 152, 40000, 20000}}, // all but the top between 80 and 100 degrees
        {300000, 30000, {30000, 5000, 40000, 18660}},
        {180000, 270000, {0, 10000, 20000, 20000}},
    };
    for (const TCase& c : cases) {
        e->SetArcAxes("0;0;40000;20000;" + std::to_string(c.Begin) + ";" + std::to_string(c.End));
        EXPECT_EQ(e->DocRect(), c.Bounds) << c.Begin << " " << c.End;
        EXPECT_EQ(e->ArcAxes(), "0;0;40000;20000;" + std::to_string(c.Begin) + ";" + std::to_string(c.End));
    }
    // A filled pie takes in the centre.
    e->Brush()->SetColor(clRed);
    e->SetArcAxes("0;0;40000;20000;45000;135000");
    EXPECT_EQ(e->DocRect(), (TKestRect {5858, 0, 34142, 10000}));
}

TEST(EllipseTest, ArcAxesNeedsSixNumbers)
{
    TShapeFixture f;
    auto* e = f.Add<TKestEllipse>({10000, 10000, 50000, 30000});
    const std::string before = doctest::SaveText(f.panel);
    for (const char* bad :
        {"1;2;3;4;5", "1;2;3;4;5;6;7", "1;2;3;x;5;6", "1;2;3;4;5;", "-2000000000;0;2000000000;5;0;9"})
        e->SetArcAxes(bad);
    EXPECT_EQ(doctest::SaveText(f.panel), before);
    e->SetArcAxes("20000;0;60000;40000;0;0");
    EXPECT_EQ(e->DocRect(), (TKestRect {20000, 0, 60000, 40000}));
    EXPECT_FALSE(e->AxesSet());
}

TEST(EllipseTest, SavedArcsLoadBackTheSame)
{
    TShapeFixture f;
    auto* arc = f.Add<TKestArc>({10000, 10000, 90000, 50000});
    arc->SetName("Arc");
    arc->SetBeginAngle(30000);
    arc->SetEndAngle(250000);
    arc->Pen()->SetWidth(2500);
    auto* pie = f.Add<TKestEllipse>({100000, 10000, 140000, 30000});
    pie->Brush()->SetColor(clYellow);
    pie->SetArcAxes("100000;10000;140000;30000;300000;45000");
    auto* round = f.Add<TKestEllipse>({10000, 60000, 50000, 90000});
    round->SetBeginAngle(45000);
    round->SetEndAngle(45000);
    round->Brush()->SetColor(clBlue);

    const std::string text = doctest::SaveText(f.panel);
    EXPECT_EQ(Resaved(text), text);
    EXPECT_NE(text.find("TKestArc"), std::string::npos);

    TShapeFixture other;
    doctest::LoadText(other.panel, text);
    auto* loaded = dynamic_cast<TKestEllipse*>(other.panel.FindControlByName("Arc"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->ClassName(), std::string("TKestArc"));
    EXPECT_TRUE(loaded->AxesSet());
    EXPECT_EQ(loaded->ArcAxes(), arc->ArcAxes());
    EXPECT_EQ(loaded->DocRect(), arc->DocRect());
    EXPECT_EQ(loaded->Point(0), arc->Point(0));
    EXPECT_EQ(loaded->Point(1), arc->Point(1));
}

TEST(EllipseTest, UndoBringsRectangleAndAnglesBackTogether)
{
    TShapeFixture f;
    auto* e = f.Add<TKestEllipse>({10000, 10000, 50000, 30000});
    f.panel.History().Clear();
    const std::string before = doctest::SaveText(f.panel);
    e->SetEndAngle(90000);
    e->SetBeginAngle(200000);
    const std::string after = doctest::SaveText(f.panel);
    ASSERT_NE(after, before);
    while (f.panel.History().Undo()) { }
    EXPECT_EQ(doctest::SaveText(f.panel), before);
    EXPECT_FALSE(e->AxesSet());
    while (f.panel.History().Redo()) { }
    EXPECT_EQ(doctest::SaveText(f.panel), after);
}

TEST(EllipseTest, RingHitTestOfClearAndFilledEllipses)
{
    TShapeFixture f;
    auto* e = f.Add<TKestEllipse>({10000, 10000, 110000, 70000}); // pixels 10..110 x 10..70
    EXPECT_FALSE(e->IsPointInside(60, 40));
    EXPECT_TRUE(e->IsPointInside(10, 40));
    EXPECT_TRUE(e->IsPointInside(60, 11));
    EXPECT_TRUE(e->IsPointInside(108, 40));
    EXPECT_FALSE(e->IsPointInside(60, 22));
    EXPECT_FALSE(e->IsPointInside(14, 14)); // the rectangle's corner is off the ellipse
    EXPECT_FALSE(e->IsPointInside(60, 76));
    f.panel.SetSelectAsFilled(true);
    EXPECT_TRUE(e->IsPointInside(60, 40));
    f.panel.SetSelectAsFilled(false);

    e->Brush()->SetColor(clRed);
    EXPECT_TRUE(e->IsPointInside(60, 40));
    EXPECT_TRUE(e->IsPointInside(60, 22));
    EXPECT_FALSE(e->IsPointInside(14, 14));

    // An arc is hit only near its own part of the ellipse.
    e->Brush()->SetStyle(bsClear);
    e->SetEndAngle(90000); // the upper right quarter: 60..110 x 10..40
    EXPECT_TRUE(e->IsPointInside(60, 11));
    EXPECT_TRUE(e->IsPointInside(109, 40));
    EXPECT_FALSE(e->IsPointInside(10, 40));
    EXPECT_FALSE(e->IsPointInside(60, 69));
}

TEST(EllipseTest, PaintsEllipsesAndPies)
{
    TShapeFixture f;
    auto* e = f.Add<TKestEllipse>({10000, 10000, 110000, 70000});
    e->Brush()->SetColor(clRed);
    {
        TPainted p(f.panel);
        EXPECT_TRUE(Near(p.At(60, 40), clRed));
        EXPECT_TRUE(Near(p.At(12, 12), clWhite));
        EXPECT_TRUE(Near(p.At(60, 10), clBlack) || Near(p.At(60, 11), clBlack));
        EXPECT_TRUE(Near(p.At(60, 75), clWhite));
    }
    e->SetEndAngle(90000);
    {
        TPainted p(f.panel);
        EXPECT_TRUE(Near(p.At(80, 30), clRed));
        EXPECT_TRUE(Near(p.At(40, 30), clWhite));
        EXPECT_TRUE(Near(p.At(80, 50), clWhite));
    }
    // Only the arc line without a fill.
    e->Brush()->SetStyle(bsClear);
    e->SetArcAxes("10000;10000;110000;70000;0;180000");
    {
        TPainted p(f.panel);
        EXPECT_TRUE(Near(p.At(60, 10), clBlack) || Near(p.At(60, 11), clBlack));
        EXPECT_TRUE(Near(p.At(60, 30), clWhite));
        EXPECT_TRUE(Near(p.At(60, 69), clWhite));
    }
}

TEST(EllipseTest, TurningAndMirroringMoveTheAngles)
{
    TShapeFixture f;
    auto* e = f.Add<TKestEllipse>({0, 0, 40000, 20000});
    e->SetEndAngle(90000); // upper right quarter of the ellipse centred at (20000, 10000)
    e->Translate({{20000, 10000}, 90, false});
    EXPECT_EQ(e->BeginAngle(), 90000);
    EXPECT_EQ(e->EndAngle(), 180000);
    // The full ellipse turned with it: now 20000 wide and 40000 high, the
    // arc its upper left quarter.
    EXPECT_EQ(e->ArcAxes(), "10000;-10000;30000;30000;90000;180000");
    EXPECT_EQ(e->DocRect(), (TKestRect {10000, -10000, 20000, 10000}));

    e->Translate({{20000, 10000}, 0, true});
    EXPECT_EQ(e->BeginAngle(), 0);
    EXPECT_EQ(e->EndAngle(), 90000);
    EXPECT_EQ(e->DocRect(), (TKestRect {20000, -10000, 30000, 10000}));

    e->Translate({{20000, 10000}, 270, false});
    EXPECT_EQ(e->BeginAngle(), 270000);
    EXPECT_EQ(e->EndAngle(), 0);
}

TEST(EllipseTest, EditPointsSetTheAngles)
{
    TShapeFixture f;
    auto* e = f.Add<TKestEllipse>({0, 0, 40000, 20000});
    ASSERT_EQ(e->PointCount(), 2);
    e->SetPoint(0, {0, 10000}); // the left end
    EXPECT_EQ(e->BeginAngle(), 180000);
    // The lower half: the points lie on its rectangle's top corners.
    EXPECT_EQ(e->DocRect(), (TKestRect {0, 10000, 40000, 20000}));
    EXPECT_EQ(e->Point(0), (TKestPoint {0, 0}));
    EXPECT_EQ(e->Point(1), (TKestPoint {40000, 0}));
    e->SetPoint(1, {20000, 10000}); // straight below the centre
    EXPECT_EQ(e->EndAngle(), 270000);
    EXPECT_EQ(e->DocRect(), (TKestRect {0, 10000, 20000, 20000}));

    // A point off the circle of a flat ellipse takes the angle of the
    // ellipse's own parameter: (x, y) scaled by a/b before atan2.
    e->SetArcAxes("0;0;40000;20000;0;0");
    e->SetPoint(0, {40000, 0}); // the corner: atan2(10000 * 2, 20000) = 45 degrees
    EXPECT_EQ(e->BeginAngle(), 45000);
}

TEST(EllipseTest, ResizedArcTakesItsEllipseAlong)
{
    TShapeFixture f;
    auto* e = f.Add<TKestEllipse>({0, 0, 40000, 20000});
    e->SetEndAngle(90000);
    ASSERT_EQ(e->DocRect(), (TKestRect {20000, 0, 40000, 10000}));
    e->SetWidth(40000);
    EXPECT_EQ(e->ArcAxes(), "-20000;0;60000;20000;0;90000");
    EXPECT_EQ(e->DocRect(), (TKestRect {20000, 0, 60000, 10000}));
}

} // namespace
} // namespace kest::shapetest
