// The fills brushes paint themselves: gradient steps and their areas, and
// bitmaps tiled with their phase, centred, stretched and masked.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <set>
#include <vector>

#include "GraphicPropsTestSupport.h"
#include "KestPaintRoutines.h"
#include "foundation/qt/CanvasTestSupport.h"

namespace kest {
namespace {

using test::ColorAt;
using test::GridColor;
using test::GridImage;
using test::MakeBitmap;
using test::MakeCanvas;

constexpr TColor kBackground = RGBColor(1, 99, 7);

// Red channels of row y, columns 0..count-1.
std::vector<int> Reds(const QImage& image, int y, int count)
{
    std::vector<int> reds;
    for (int x = 0; x < count; ++x)
        reds.push_back(GetRValue(ColorAt(image, x, y)));
    return reds;
}

TEST(PaintGradient, HorizontalUsesOneColumnPerStepUpToTheWidth)
{
    for (int width : {100, 50}) {
        TKestCanvas canvas;
        MakeCanvas(canvas, 120, 10, kBackground);
        PaintGradient(canvas, {5, 2, 5 + width, 8}, gsHorizontal, clBlack, clWhite);
        const QImage& image = *canvas.Image();
        std::set<TColor> colours;
        int previous = -1;
        for (int x = 5; x < 5 + width; ++x) {
            const TColor top = ColorAt(image, x, 2);
            EXPECT_EQ(ColorAt(image, x, 7), top) << x;
            EXPECT_GT(GetRValue(top), previous) << x;
            previous = GetRValue(top);
            colours.insert(top);
        }
        EXPECT_EQ(int(colours.size()), width);
        EXPECT_EQ(ColorAt(image, 5, 2), clBlack);
        EXPECT_EQ(ColorAt(image, 4 + width, 2), clWhite);
        for (auto [x, y] : {std::pair {4, 2}, {5 + width, 2}, {5, 1}, {5, 8}})
            EXPECT_EQ(ColorAt(image, x, y), kBackground) << x << "," << y;
    }
}

TEST(PaintGradient, StepsFollowTheLargestChannelDifference)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 12, 3, kBackground);
    // Four steps over ten columns: 0..2, 3..4, 5..7, 8..9; step i has i * 4 / 3.
    PaintGradient(canvas, {0, 0, 10, 3}, gsHorizontal, clBlack, RGBColor(4, 0, 0));
    EXPECT_EQ(Reds(*canvas.Image(), 1, 10), (std::vector<int> {0, 0, 0, 1, 1, 2, 2, 2, 4, 4}));
    // Equal colours give one fill, and a difference of one a single step of
    // the begin colour.
    PaintGradient(canvas, {0, 0, 10, 3}, gsHorizontal, RGBColor(9, 0, 0), RGBColor(9, 0, 0));
    EXPECT_EQ(Reds(*canvas.Image(), 1, 10), std::vector<int>(10, 9));
    PaintGradient(canvas, {0, 0, 10, 3}, gsHorizontal, RGBColor(7, 0, 0), RGBColor(8, 0, 0));
    EXPECT_EQ(Reds(*canvas.Image(), 1, 10), std::vector<int>(10, 7));
    // Vertically the same steps run down the rows.
    MakeCanvas(canvas, 3, 12, kBackground);
    PaintGradient(canvas, {0, 0, 3, 10}, gsVertical, clBlack, RGBColor(4, 0, 0));
    std::vector<int> column;
    for (int y = 0; y < 11; ++y)
        column.push_back(GetRValue(ColorAt(*canvas.Image(), 2, y)));
    EXPECT_EQ(column, (std::vector<int> {0, 0, 0, 1, 1, 2, 2, 2, 4, 4, GetRValue(kBackground)}));
}

TEST(PaintGradient, CentredStylesRunFromTheBeginColourOutsideToTheEndInTheCentre)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 12, 12, kBackground);
    // Squares of sides 10, 8, 5 and 3 around (5, 5), both ends included, so
    // the first one reaches a pixel beyond the rectangle.
    PaintGradient(canvas, {0, 0, 10, 10}, gsSquare, clBlack, RGBColor(4, 0, 0));
    EXPECT_EQ(Reds(*canvas.Image(), 5, 11), (std::vector<int> {0, 1, 1, 2, 4, 4, 4, 2, 1, 1, 0}));
    EXPECT_EQ(ColorAt(*canvas.Image(), 11, 5), kBackground);

    // Ellipses of radii 7, 6, 4 and 2 around (5, 5).
    TKestCanvas expected;
    MakeCanvas(expected, 12, 12, kBackground);
    expected.SetPen(TKestPen(clBlack, 1, psClear));
    const std::pair<int, int> steps[] = {{7, 0}, {6, 1}, {4, 2}, {2, 4}};
    for (auto [radius, red] : steps) {
        expected.SetBrush(TKestBrush(RGBColor(red, 0, 0), bsSolid));
        expected.Ellipse({5 - radius, 5 - radius, 5 + radius, 5 + radius});
    }
    MakeCanvas(canvas, 12, 12, kBackground);
    PaintGradient(canvas, {0, 0, 10, 10}, gsElliptic, clBlack, RGBColor(4, 0, 0));
    EXPECT_EQ(*canvas.Image(), *expected.Image());
    EXPECT_EQ(GetRValue(ColorAt(*canvas.Image(), 5, 5)), 4);
    // Ellipses fill in the pen's raster mode: exclusive-or twice is nothing.
    MakeCanvas(canvas, 12, 12, kBackground);
    TKestPen pen;
    pen.Mode = pmXor;
    canvas.SetPen(pen);
    PaintGradient(canvas, {0, 0, 10, 10}, gsElliptic, clBlack, RGBColor(4, 0, 0));
    EXPECT_NE(test::CountColor(*canvas.Image(), kBackground), 144);
    PaintGradient(canvas, {0, 0, 10, 10}, gsElliptic, clBlack, RGBColor(4, 0, 0));
    EXPECT_EQ(test::CountColor(*canvas.Image(), kBackground), 144);

    // One pixel leaves no room for steps but still takes one fill.
    MakeCanvas(canvas, 3, 3, kBackground);
    PaintGradient(canvas, {1, 1, 2, 2}, gsSquare, clWhite, clBlack);
    EXPECT_EQ(ColorAt(*canvas.Image(), 1, 1), clWhite);
    EXPECT_EQ(test::CountColor(*canvas.Image(), kBackground), 8);
    MakeCanvas(canvas, 3, 3, kBackground);
    PaintGradient(canvas, {1, 1, 2, 2}, gsElliptic, clWhite, clBlack);
    EXPECT_EQ(ColorAt(*canvas.Image(), 2, 2), kBackground);
}

TEST(PaintGradient, CornerStylesGiveTheirCornerTheBeginColour)
{
    struct TCase {
        TGradientStyle Style;
        int CornerX, CornerY;
    };
    // Corners of sides 10, 8, 5 and 3 with the colours exchanged: step i has
    // 4 - i * 4 / 3 counted from the far side.
    const std::vector<int> fromCorner {4, 4, 4, 2, 2, 1, 1, 1, 0, 0};
    for (const TCase& c :
        {TCase {gsTopLeft, 0, 0}, TCase {gsTopRight, 9, 0}, TCase {gsBottomLeft, 0, 9}, TCase {gsBottomRight, 9, 9}}) {
        TKestCanvas canvas;
        MakeCanvas(canvas, 10, 10, kBackground);
        PaintGradient(canvas, {0, 0, 10, 10}, c.Style, RGBColor(4, 0, 0), clBlack);
        std::vector<int> row = Reds(*canvas.Image(), c.CornerY, 10);
        if (c.CornerX == 9)
            std::reverse(row.begin(), row.end());
        EXPECT_EQ(row, fromCorner) << c.Style;
        EXPECT_EQ(GetRValue(ColorAt(*canvas.Image(), 9 - c.CornerX, 9 - c.CornerY)), 0) << c.Style;
    }
}

TEST(PaintGradient, LeavesThePenClearWithItsModeAndSkipsHostileRectangles)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 10, 10, kBackground);
    TKestPen pen(clRed, 3);
    pen.Mode = pmXor;
    canvas.SetPen(pen);
    PaintGradient(canvas, {0, 0, 10, 10}, gsElliptic, clBlack, clWhite);
    EXPECT_EQ(canvas.Pen().Style, psClear);
    EXPECT_EQ(canvas.Pen().Mode, pmXor);

    MakeCanvas(canvas, 10, 10, kBackground);
    PaintGradient(canvas, {INT32_MIN, 0, INT32_MAX, 10}, gsHorizontal, clBlack, clWhite);
    PaintGradient(canvas, {5, 5, 5, 9}, gsVertical, clBlack, clWhite);
    EXPECT_EQ(test::CountColor(*canvas.Image(), kBackground), 100);
}

TEST(PaintBitmap, TilingKeepsThePhaseAtTheRectangleAndPaintsOnlyWithinTheClip)
{
    const auto bitmap = MakeBitmap(GridImage(3, 2));
    TKestCanvas canvas;
    MakeCanvas(canvas, 40, 30, kBackground);
    const TKestRect rect {5, 7, 25, 17}, clip {9, 8, 20, 15};
    PaintBitmap(canvas, rect, clip, false, 250, nullptr, bdTile, bitmap.get());
    const QImage& image = *canvas.Image();
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom;
            EXPECT_EQ(ColorAt(image, x, y), inside ? GridColor((x - 5) % 3, (y - 7) % 2) : kBackground)
                << x << "," << y;
        }
}

TEST(PaintBitmap, TheCachedPatternIsReusedWhileLargeEnough)
{
    const auto bitmap = MakeBitmap(GridImage(3, 2));
    TKestCanvas canvas;
    MakeCanvas(canvas, 30, 30, kBackground);
    TPatternCache cache;
    const TKestRect rect {0, 0, 30, 30};
    TileBitmap(canvas, rect, {0, 0, 7, 5}, &cache, bitmap.get());
    ASSERT_FALSE(cache.Pattern.isNull());
    EXPECT_EQ(cache.Pattern.size(), QSize(7, 5));
    const qint64 first = cache.Pattern.cacheKey();

    TileBitmap(canvas, rect, {1, 1, 6, 4}, &cache, bitmap.get());
    EXPECT_EQ(cache.Pattern.cacheKey(), first);
    TileBitmap(canvas, rect, {4, 3, 20, 12}, &cache, bitmap.get());
    EXPECT_NE(cache.Pattern.cacheKey(), first);
    EXPECT_GE(cache.Pattern.width(), 1 + 16);
    EXPECT_GE(cache.Pattern.height(), 1 + 9);
    for (int y = 3; y < 12; ++y)
        for (int x = 4; x < 20; ++x)
            EXPECT_EQ(ColorAt(*canvas.Image(), x, y), GridColor(x % 3, y % 2)) << x << "," << y;
}

TEST(PaintBitmap, FarTooLargeRectanglesTileOnlyTheDevice)
{
    const auto bitmap = MakeBitmap(GridImage(3, 2));
    TKestCanvas canvas;
    MakeCanvas(canvas, 20, 20, kBackground);
    TPatternCache cache;
    const TKestRect huge {-1000000, -1000001, 1000000, 1000000};
    TileBitmap(canvas, huge, huge, &cache, bitmap.get());
    EXPECT_LE(cache.Pattern.width(), 2 + 20);
    EXPECT_LE(cache.Pattern.height(), 1 + 20);
    EXPECT_EQ(ColorAt(*canvas.Image(), 0, 0), GridColor(1000000 % 3, 1000001 % 2));
    EXPECT_EQ(ColorAt(*canvas.Image(), 19, 19), GridColor(1000019 % 3, 1000020 % 2));
    PaintBitmap(canvas, {INT32_MIN, 0, INT32_MAX, 5}, huge, true, 100, nullptr, bdStretch, bitmap.get());
}

TEST(PaintBitmap, CentredAtTheScaleAndStretchedToTheRectangle)
{
    const auto bitmap = MakeBitmap(GridImage(4, 2));
    TKestCanvas canvas;
    MakeCanvas(canvas, 12, 12, kBackground);
    PaintBitmap(canvas, {0, 0, 10, 10}, {}, false, 100, nullptr, bdCenter, bitmap.get());
    EXPECT_EQ(test::InkBounds(*canvas.Image(), kBackground), (TKestRect {3, 4, 7, 6}));
    EXPECT_EQ(ColorAt(*canvas.Image(), 6, 5), GridColor(3, 1));

    MakeCanvas(canvas, 12, 12, kBackground);
    PaintBitmap(canvas, {0, 0, 10, 10}, {}, false, 200, nullptr, bdCenter, bitmap.get());
    EXPECT_EQ(test::InkBounds(*canvas.Image(), kBackground), (TKestRect {1, 3, 9, 7}));
    EXPECT_EQ(ColorAt(*canvas.Image(), 2, 4), GridColor(0, 0));
    EXPECT_EQ(ColorAt(*canvas.Image(), 3, 5), GridColor(1, 1));

    MakeCanvas(canvas, 12, 12, kBackground);
    PaintBitmap(canvas, {1, 1, 9, 5}, {}, false, 300, nullptr, bdStretch, bitmap.get());
    EXPECT_EQ(test::InkBounds(*canvas.Image(), kBackground), (TKestRect {1, 1, 9, 5}));
    EXPECT_EQ(ColorAt(*canvas.Image(), 8, 4), GridColor(3, 1));
    EXPECT_EQ(ColorAt(*canvas.Image(), 2, 2), GridColor(0, 0));
}

TEST(PaintBitmap, MaskedBitmapsLeaveTheirTransparentPixels)
{
    QImage image = GridImage(2, 2);
    const TColor key = RGBColor(255, 0, 255);
    image.setPixel(0, 0, qRgb(255, 0, 255));
    const auto bitmap = MakeBitmap(image);
    bitmap->SetTransparentColor(uint32_t(key));
    bitmap->SetTransparent(true);
    for (TBitmapDisplay display : {bdTile, bdStretch, bdCenter})
        for (bool useMaskRegion : {false, true}) {
            TKestCanvas canvas;
            MakeCanvas(canvas, 8, 8, kBackground);
            const TKestRect rect = display == bdTile ? TKestRect {0, 0, 8, 8} : TKestRect {3, 3, 5, 5};
            PaintBitmap(canvas, rect, {0, 0, 8, 8}, useMaskRegion, 100, nullptr, display, bitmap.get());
            const QImage& out = *canvas.Image();
            EXPECT_EQ(ColorAt(out, rect.Left, rect.Top), kBackground) << display << useMaskRegion;
            EXPECT_EQ(ColorAt(out, rect.Left + 1, rect.Top), GridColor(1, 0)) << display << useMaskRegion;
            EXPECT_EQ(ColorAt(out, rect.Left + 1, rect.Top + 1), GridColor(1, 1)) << display << useMaskRegion;
            EXPECT_EQ(test::CountColor(out, key), 0);
            EXPECT_FALSE(canvas.ClipRegion()) << display << useMaskRegion;
        }
    // With nothing but transparent pixels nothing is drawn.
    QImage blank(3, 3, QImage::Format_RGB32);
    blank.fill(qRgb(255, 0, 255));
    bitmap->SetImage(blank);
    TKestCanvas canvas;
    MakeCanvas(canvas, 8, 8, kBackground);
    PaintBitmap(canvas, {0, 0, 8, 8}, {0, 0, 8, 8}, true, 100, nullptr, bdStretch, bitmap.get());
    PaintBitmap(canvas, {0, 0, 8, 8}, {0, 0, 8, 8}, true, 100, nullptr, bdTile, bitmap.get());
    PaintBitmap(canvas, {0, 0, 8, 8}, {0, 0, 8, 8}, true, 100, nullptr, bdTile, nullptr);
    EXPECT_EQ(test::CountColor(*canvas.Image(), kBackground), 64);
}

} // namespace
} // namespace kest
