#include "CanvasTestSupport.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

int Area(const TKestRegion& region)
{
    int area = 0;
    for (const TKestRect& r : region.Rects())
        area += RectWidth(r) * RectHeight(r);
    return area;
}

TEST(Region, RectanglesExcludeRightAndBottom)
{
    TKestRegion r(TKestRect {2, 3, 6, 8});
    EXPECT_TRUE(r.Contains(2, 3));
    EXPECT_TRUE(r.Contains(5, 7));
    EXPECT_FALSE(r.Contains(6, 7));
    EXPECT_FALSE(r.Contains(5, 8));
    EXPECT_EQ(r.Bounds(), (TKestRect {2, 3, 6, 8}));
    EXPECT_EQ(r.Complexity(), SIMPLEREGION);
    EXPECT_TRUE(TKestRegion(TKestRect {5, 5, 5, 9}).IsEmpty());
    EXPECT_EQ(TKestRegion(TKestRect {6, 8, 2, 3}), r); // reversed corners are put in order
    EXPECT_EQ(TKestRegion().Complexity(), NULLREGION);
}

TEST(Region, CombineOperations)
{
    const TKestRegion a(TKestRect {0, 0, 10, 10}), b(TKestRegion(TKestRect {5, 5, 15, 15}));
    TKestRegion r = a;
    EXPECT_EQ(r.Combine(b, RGN_AND), SIMPLEREGION);
    EXPECT_EQ(r, TKestRegion(TKestRect {5, 5, 10, 10}));
    r = a;
    EXPECT_EQ(r.Combine(b, RGN_OR), COMPLEXREGION);
    EXPECT_EQ(Area(r), 175);
    EXPECT_TRUE(r.Contains(12, 12) && r.Contains(1, 1) && !r.Contains(12, 1));
    r = a;
    r.Combine(b, RGN_DIFF);
    EXPECT_EQ(Area(r), 75);
    EXPECT_FALSE(r.Contains(7, 7));
    r = a;
    r.Combine(b, RGN_XOR);
    EXPECT_EQ(Area(r), 150);
    EXPECT_FALSE(r.Contains(7, 7));
    EXPECT_TRUE(r.Contains(12, 12));
    r = a;
    EXPECT_EQ(r.Combine(TKestRegion(TKestRect {20, 20, 30, 30}), RGN_AND), NULLREGION);
    r.Combine(b, RGN_COPY);
    EXPECT_EQ(r, b);
}

TEST(Region, EqualityIsAboutPixels)
{
    TKestRegion halves(TKestRect {0, 0, 4, 8});
    halves.Combine(TKestRegion(TKestRect {4, 0, 8, 8}), RGN_OR);
    EXPECT_EQ(halves, TKestRegion(TKestRect {0, 0, 8, 8}));
    TKestRegion rows = TKestRegion::FromRects(std::vector<TKestRect> {{0, 0, 8, 1}, {0, 1, 8, 8}});
    EXPECT_EQ(rows, halves);
    EXPECT_FALSE(rows == TKestRegion(TKestRect {0, 0, 8, 7}));
}

TEST(Region, ExportAndRecreate)
{
    TKestRegion ellipse = TKestRegion::Ellipse({3, 2, 40, 25});
    std::vector<TKestRect> data = ellipse.Rects();
    ASSERT_GT(data.size(), 4u);
    for (size_t i = 1; i < data.size(); ++i)
        EXPECT_TRUE(
            data[i].Top > data[i - 1].Top || (data[i].Top == data[i - 1].Top && data[i].Left >= data[i - 1].Right));
    EXPECT_EQ(TKestRegion::FromRects(data), ellipse);
    std::reverse(data.begin(), data.end());
    EXPECT_EQ(TKestRegion::FromRects(data), ellipse);
}

TEST(Region, EllipsesAreSymmetricAndInsideTheirBox)
{
    TKestRegion e = TKestRegion::Ellipse({0, 0, 21, 13});
    // As a figure without pen: the box minus its last column and row.
    EXPECT_EQ(e.Bounds(), (TKestRect {0, 0, 20, 12}));
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 20; ++x) {
            EXPECT_EQ(e.Contains(x, y), e.Contains(19 - x, y)) << x << "," << y;
            EXPECT_EQ(e.Contains(x, y), e.Contains(x, 11 - y)) << x << "," << y;
        }
    EXPECT_TRUE(e.Contains(10, 6));
    EXPECT_FALSE(e.Contains(0, 0));
    EXPECT_TRUE(e.Contains(0, 6));
    EXPECT_TRUE(TKestRegion::Ellipse({5, 5, 6, 30}).IsEmpty());
}

TEST(Region, RoundedCornersCutOnlyTheCorners)
{
    TKestRegion r = TKestRegion::RoundRect({0, 0, 31, 21}, 10, 10);
    EXPECT_FALSE(r.Contains(0, 0));
    EXPECT_TRUE(r.Contains(5, 0));
    EXPECT_TRUE(r.Contains(0, 5));
    EXPECT_TRUE(r.Contains(29, 10));
    EXPECT_FALSE(r.Contains(29, 19));
    // No rounding: the figure's rectangle.
    EXPECT_EQ(TKestRegion::RoundRect({0, 0, 31, 21}, 0, 0), TKestRegion(TKestRect {0, 0, 30, 20}));
    // Corners larger than the box give the ellipse.
    EXPECT_EQ(TKestRegion::RoundRect({0, 0, 31, 21}, 100, 100), TKestRegion::Ellipse({0, 0, 31, 21}));
}

TEST(Region, PolygonFillModes)
{
    const TKestPoint ring[]
        = {{0, 0}, {30, 0}, {30, 30}, {0, 30}, {0, 0}, {10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}};
    TKestRegion alternate = TKestRegion::Polygon(ring, ALTERNATE);
    TKestRegion winding = TKestRegion::Polygon(ring, WINDING);
    EXPECT_FALSE(alternate.Contains(15, 15));
    EXPECT_TRUE(winding.Contains(15, 15));
    EXPECT_TRUE(alternate.Contains(5, 5));
    EXPECT_EQ(Area(alternate), 900 - 100);
    EXPECT_EQ(winding, TKestRegion(TKestRect {0, 0, 30, 30}));
    const TKestPoint triangle[] = {{0, 0}, {10, 0}, {0, 10}};
    TKestRegion t = TKestRegion::Polygon(triangle, ALTERNATE);
    EXPECT_TRUE(t.Contains(0, 0) && t.Contains(8, 0) && !t.Contains(9, 1) && !t.Contains(10, 0));
    EXPECT_TRUE(TKestRegion::Polygon(std::span(triangle, 2), ALTERNATE).IsEmpty());
}

TEST(Region, OffsetMovesAndCutsAtTheLimit)
{
    TKestRegion r(TKestRect {0, 0, 10, 10});
    r.Offset(5, -3);
    EXPECT_EQ(r, TKestRegion(TKestRect {5, -3, 15, 7}));
    EXPECT_TRUE(r.Intersects({14, 6, 20, 20}));
    EXPECT_FALSE(r.Intersects({15, 6, 20, 20}));
    r.Offset(RegionCoordLimit - 10, 0);
    EXPECT_EQ(r.Bounds().Right, RegionCoordLimit);
    r.Offset(INT32_MAX, 0);
    EXPECT_TRUE(r.IsEmpty());
}

TEST(Region, HostileShapesAreBounded)
{
    const TKestPoint huge[] = {{INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MIN + 7}, {0, INT32_MAX}};
    TKestRegion p = TKestRegion::Polygon(huge, WINDING);
    EXPECT_TRUE(p.Contains(0, 0));
    EXPECT_LE(p.Bounds().Right, RegionCoordLimit);
    TKestRegion e = TKestRegion::Ellipse({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    EXPECT_TRUE(e.Contains(0, 0));
}

TEST(Region, FrameInvertAndFill)
{
    TKestCanvas canvas;
    test::MakeCanvas(canvas, 20, 20);
    TKestRegion region(TKestRect {2, 2, 18, 18});
    region.Combine(TKestRegion(TKestRect {10, 10, 18, 18}), RGN_DIFF); // an L shape
    canvas.FrameRgn(region, {clBlack, bsSolid}, 2, 1);
    const QImage& image = *canvas.Image();
    EXPECT_EQ(test::Row(image, 5, 0, 20, clBlack), "..##............##..");
    EXPECT_EQ(test::Row(image, 12, 0, 20, clBlack), "..##....##..........");
    EXPECT_EQ(test::Column(image, 5, 0, 20, clBlack), "..#..............#..");
    EXPECT_EQ(test::Column(image, 14, 0, 20, clBlack), "..#......#..........");

    test::MakeCanvas(canvas, 20, 20);
    canvas.FillRgn(region, {clBlue, bsSolid});
    EXPECT_EQ(test::CountColor(image, clBlue), Area(region));
    QImage filled = image.copy();
    canvas.InvertRgn(region);
    EXPECT_EQ(test::CountColor(image, RGBColor(255, 255, 0)), Area(region));
    canvas.InvertRgn(region);
    EXPECT_EQ(image, filled);
}

TEST(Region, ClipHelpersReturnThePreviousClip)
{
    TKestCanvas canvas;
    test::MakeCanvas(canvas, 10, 10);
    std::optional<TKestRegion> previous = IntersectClipRgn(canvas, TKestRegion(TKestRect {0, 0, 6, 6}));
    EXPECT_FALSE(previous);
    EXPECT_EQ(*canvas.ClipRegion(), TKestRegion(TKestRect {0, 0, 6, 6}));
    std::optional<TKestRegion> inner = IntersectClipRgn(canvas, TKestRegion(TKestRect {3, 3, 10, 10}));
    ASSERT_TRUE(inner);
    EXPECT_EQ(*inner, TKestRegion(TKestRect {0, 0, 6, 6}));
    canvas.SetBrush({clBlack, bsSolid});
    canvas.FillRect({0, 0, 10, 10});
    EXPECT_EQ(test::InkBounds(*canvas.Image(), clWhite), (TKestRect {3, 3, 6, 6}));
    canvas.SelectClipRgn(inner);
    canvas.SelectClipRgn(previous);
    EXPECT_FALSE(canvas.ClipRegion());

    // A path narrows the clip; no path and no clip leaves nothing to draw.
    canvas.BeginPath();
    canvas.Rectangle({0, 0, 4, 11});
    canvas.EndPath();
    EXPECT_FALSE(IntersectClipPath(canvas));
    EXPECT_EQ(*canvas.ClipRegion(), TKestRegion(TKestRect {0, 0, 3, 10}));
    canvas.SelectClipRgn(std::nullopt);
    EXPECT_FALSE(IntersectClipPath(canvas));
    ASSERT_TRUE(canvas.ClipRegion());
    EXPECT_TRUE(canvas.ClipRegion()->IsEmpty());
    test::MakeCanvas(canvas, 10, 10);
    canvas.FillRect({0, 0, 10, 10});
    EXPECT_EQ(test::CountColor(*canvas.Image(), clBlack), 100); // a new image starts without clip
}

TEST(Region, TransparentRegionsOfBitmaps)
{
    QImage bitmap(4, 3, QImage::Format_RGB32);
    bitmap.fill(Qt::magenta);
    bitmap.setPixel(1, 0, qRgb(0, 0, 0));
    bitmap.setPixel(2, 0, qRgb(0, 0, 1));
    bitmap.setPixel(3, 2, qRgb(9, 9, 9));
    const TColor key = RGBColor(255, 0, 255);
    std::optional<TKestRegion> r = CreateTransparentRegion(bitmap, 4, 3, key, {10, 20, 14, 23});
    ASSERT_TRUE(r);
    EXPECT_EQ(Area(*r), 3);
    EXPECT_TRUE(r->Contains(11, 20) && r->Contains(12, 20) && r->Contains(13, 22));
    EXPECT_FALSE(r->Contains(10, 20));

    // Scaled onto a destination twice as large.
    r = CreateTransparentRegion(bitmap, 4, 3, key, {0, 0, 8, 6});
    ASSERT_TRUE(r);
    EXPECT_EQ(Area(*r), 12);
    EXPECT_TRUE(r->Contains(2, 0) && r->Contains(5, 1) && r->Contains(7, 5));
    EXPECT_FALSE(r->Contains(1, 1));

    QImage clear(5, 5, QImage::Format_ARGB32);
    clear.fill(qRgba(255, 0, 255, 0)); // alpha does not count
    EXPECT_FALSE(CreateTransparentRegion(clear, 5, 5, key, {0, 0, 5, 5}));
    EXPECT_FALSE(CreateTransparentRegion(bitmap, 0, 3, key, {0, 0, 5, 5}));
    EXPECT_FALSE(CreateTransparentRegion(bitmap, 4, 3, key, {0, 0, 0, 5}));

    TKestRegion target(TKestRect {0, 0, 20, 20});
    IntersectTransparentRegion(bitmap, key, {0, 0, 4, 3}, target);
    EXPECT_EQ(Area(target), 3);
    IntersectTransparentRegion(clear, key, {0, 0, 4, 3}, target);
    EXPECT_TRUE(target.IsEmpty());
}

} // namespace
} // namespace kest
