// The box: what it saves, hits filled and unfilled, rounded corners, its
// connection points, painting and turning.
#include <gtest/gtest.h>

#include "ShapeTestSupport.h"

namespace kest::shapetest {
namespace {

TEST(BoxTest, SavesOnlyWhatDiffersAndLoadsBackTheSame)
{
    TShapeFixture f;
    TKestBox* plain = f.Add<TKestBox>({10000, 10000, 50000, 30000});
    TKestBox* styled = f.Add<TKestBox>({60000, 10000, 90000, 40000});
    styled->Brush()->SetColor(clRed);
    styled->Brush()->SetStyle(bsCross);
    styled->Pen()->SetWidth(3500);
    styled->Pen()->SetColor(clBlue);
    styled->SetRoundness(7500);
    styled->SetName("Styled");

    const std::string text = doctest::SaveText(f.panel);
    EXPECT_EQ(Resaved(text), text);
    // A plain box has no roundness line; the styled one keeps its value.
    const size_t plainAt = text.find(": TKestBox");
    const size_t styledAt = text.find("object Styled: TKestBox");
    ASSERT_NE(plainAt, std::string::npos);
    ASSERT_NE(styledAt, std::string::npos);
    EXPECT_EQ(text.find("Roundness", plainAt), text.find("Roundness", styledAt));

    TShapeFixture other;
    doctest::LoadText(other.panel, text);
    auto* loaded = dynamic_cast<TKestBox*>(other.panel.FindControlByName("Styled"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Roundness(), 7500);
    EXPECT_EQ(loaded->Pen()->Width(), 3500);
    EXPECT_EQ(loaded->Brush()->Style(), bsCross);
    EXPECT_EQ(loaded->DocRect(), (TKestRect {60000, 10000, 90000, 40000}));
    EXPECT_TRUE(loaded->Visible());
    (void)plain;
}

TEST(BoxTest, FilledBoxIsHitInsideClearBoxOnlyNearItsFrame)
{
    TShapeFixture f;
    TKestBox* box = f.Add<TKestBox>({10000, 10000, 110000, 60000}); // pixels 10..110 x 10..60
    box->Brush()->SetColor(clRed);
    EXPECT_TRUE(box->IsPointInside(60, 35));
    EXPECT_TRUE(box->IsPointInside(10, 10));
    EXPECT_TRUE(box->IsPointInside(109, 59));
    EXPECT_FALSE(box->IsPointInside(110, 35));
    EXPECT_FALSE(box->IsPointInside(9, 35));

    box->Brush()->SetStyle(bsClear);
    EXPECT_FALSE(box->IsPointInside(60, 35));
    // The frame reaches one pixel out (the pen's reach) and three in.
    EXPECT_TRUE(box->IsPointInside(9, 35));
    EXPECT_TRUE(box->IsPointInside(12, 35));
    EXPECT_FALSE(box->IsPointInside(14, 35));
    EXPECT_FALSE(box->IsPointInside(8, 35));
    EXPECT_TRUE(box->IsPointInside(60, 59));
    EXPECT_FALSE(box->IsPointInside(60, 62));

    f.panel.SetSelectAsFilled(true);
    EXPECT_TRUE(box->IsPointInside(60, 35));
    f.panel.SetSelectAsFilled(false);

    // Hit tests follow the scale.
    f.panel.SetScale(200);
    box->Brush()->SetStyle(bsSolid);
    EXPECT_TRUE(box->IsPointInside(210, 110));
    EXPECT_FALSE(box->IsPointInside(221, 110));
}

TEST(BoxTest, RoundedCornersAreNotHit)
{
    TShapeFixture f;
    TKestBox* box = f.Add<TKestBox>({10000, 10000, 110000, 60000});
    box->Brush()->SetColor(clRed);
    EXPECT_TRUE(box->IsPointInside(11, 11));
    box->SetRoundness(40000);
    EXPECT_FALSE(box->IsPointInside(11, 11));
    EXPECT_TRUE(box->IsPointInside(60, 11));
    EXPECT_TRUE(box->IsPointInside(60, 35));

    box->Brush()->SetStyle(bsClear);
    EXPECT_FALSE(box->IsPointInside(60, 35));
    EXPECT_TRUE(box->IsPointInside(60, 10));
}

TEST(BoxTest, RoundnessSendsShapeNoticeAndMovesAnchor)
{
    TShapeFixture f;
    TKestBox* box = f.Add<TKestBox>({10000, 20000, 50000, 40000});
    doctest::TNotifyLog log(f.panel);
    box->SetRoundness(6000);
    EXPECT_EQ(log.Count(knShape, box), 1);
    EXPECT_EQ(log.Count(knRect, box), 0);
    EXPECT_EQ(box->AnchorPoint(), (TKestPoint {13, 20}));
    box->SetRoundness(90000); // wider than the box: half the width
    EXPECT_EQ(box->AnchorPoint(), (TKestPoint {30, 20}));
}

TEST(BoxTest, ConnectionPointsFollowTheCorners)
{
    TShapeFixture f;
    TKestBox* box = f.Add<TKestBox>({0, 0, 40001, 20001});
    ASSERT_EQ(box->ConnectionPointCount(), 9);
    EXPECT_EQ(box->ConnectionPoint(0), (TKestPoint {0, 0}));
    EXPECT_EQ(box->ConnectionPoint(3), (TKestPoint {40001, 10000}));
    EXPECT_EQ(box->ConnectionPoint(5), (TKestPoint {20000, 20001}));
    EXPECT_EQ(box->ConnectionPoint(8), (TKestPoint {20000, 10000}));

    box->SetRoundness(8000);
    ASSERT_EQ(box->ConnectionPointCount(), 13);
    EXPECT_EQ(box->ConnectionPoint(0), (TKestPoint {4000, 0}));
    EXPECT_EQ(box->ConnectionPoint(2), (TKestPoint {36001, 0}));
    EXPECT_EQ(box->ConnectionPoint(5), (TKestPoint {40001, 16001}));
    EXPECT_EQ(box->ConnectionPoint(9), (TKestPoint {0, 16001}));
    EXPECT_EQ(box->ConnectionPoint(12), (TKestPoint {20000, 10000}));

    // Too round for the height: the side points meet at the middle.
    box->SetRoundness(30000);
    EXPECT_EQ(box->ConnectionPoint(3), box->ConnectionPoint(4));
    EXPECT_EQ(box->ConnectionPoint(11), box->ConnectionPoint(10));
    EXPECT_EQ(box->ConnectionPoint(0), (TKestPoint {15000, 0}));
    // And for the width too.
    box->SetRoundness(50000);
    EXPECT_EQ(box->ConnectionPoint(0), (TKestPoint {20000, 0}));
    EXPECT_EQ(box->ConnectionPoint(2), (TKestPoint {20000, 0}));
    EXPECT_EQ(box->ConnectionPoint(6), (TKestPoint {20000, 20001}));
    EXPECT_EQ(box->ConnectionPoint(8), (TKestPoint {20000, 20001}));
}

TEST(BoxTest, PaintsFillFrameAndRoundCorners)
{
    TShapeFixture f;
    TKestBox* box = f.Add<TKestBox>({20000, 20000, 120000, 80000});
    box->Brush()->SetColor(clRed);
    box->Pen()->SetColor(clBlue);
    {
        TPainted p(f.panel);
        EXPECT_TRUE(Near(p.At(70, 50), clRed));
        EXPECT_TRUE(Near(p.At(20, 50), clBlue));
        EXPECT_TRUE(Near(p.At(119, 50), clBlue));
        EXPECT_TRUE(Near(p.At(21, 21), clRed));
        EXPECT_TRUE(Near(p.At(19, 50), clWhite));
        EXPECT_TRUE(Near(p.At(120, 50), clWhite));
    }
    box->SetRoundness(30000);
    box->Pen()->SetWidth(4000);
    {
        TPainted p(f.panel);
        EXPECT_TRUE(Near(p.At(21, 21), clWhite));
        EXPECT_TRUE(Near(p.At(70, 21), clBlue));
        EXPECT_TRUE(Near(p.At(70, 25), clRed));
        EXPECT_TRUE(Near(p.At(70, 50), clRed));
    }
    // A gradient brush fills only inside the rounded outline.
    box->Brush()->SetMethod(bmGradient);
    box->Brush()->SetGradBeginColor(clLime);
    box->Brush()->SetGradEndColor(clLime);
    {
        TPainted p(f.panel);
        EXPECT_TRUE(Near(p.At(70, 50), clLime, 8));
        EXPECT_TRUE(Near(p.At(21, 21), clWhite));
    }
}

TEST(BoxTest, RefreshRectangleTakesInAWidePen)
{
    TShapeFixture f;
    TKestBox* box = f.Add<TKestBox>({20000, 20000, 60000, 40000});
    EXPECT_EQ(box->GetRefreshRect(20000, 20000), (TKestRect {20000, 20000, 60000, 40000}));
    box->Pen()->SetWidth(6000);
    box->Pen()->SetSolidAsInside(false);
    EXPECT_EQ(box->GetRefreshRect(20000, 20000), (TKestRect {17000, 17000, 63000, 43000}));
    box->Pen()->SetSolidAsInside(true); // drawn inside the box
    EXPECT_EQ(box->GetRefreshRect(20000, 20000), (TKestRect {20000, 20000, 60000, 40000}));
}

TEST(BoxTest, TurnsAndMirrorsAboutTheCentre)
{
    TShapeFixture f;
    TKestBox* box = f.Add<TKestBox>({20000, 30000, 60000, 50000});
    box->Translate({{40000, 40000}, 90, false});
    EXPECT_EQ(box->DocRect(), (TKestRect {30000, 20000, 50000, 60000}));
    box->Translate({{0, 40000}, 0, true});
    EXPECT_EQ(box->DocRect(), (TKestRect {-50000, 20000, -30000, 60000}));

    // A gradient turns with the box.
    box->Brush()->SetMethod(bmGradient);
    box->Brush()->SetGradStyle(gsHorizontal);
    box->Translate({{0, 0}, 90, false});
    EXPECT_NE(box->Brush()->GradStyle(), gsHorizontal);
}

} // namespace
} // namespace kest::shapetest
