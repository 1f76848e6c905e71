#include "CanvasTestSupport.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::Column;
using test::MakeCanvas;
using test::Row;

TKestPen Pen(TColor color, int32_t width = 1, TPenStyle style = psSolid)
{
    return TKestPen(color, width, style);
}

TEST(CanvasFigures, RectangleCoversRightAndBottomExclusively)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 16, 16);
    canvas.SetPen(Pen(clBlack));
    canvas.SetBrush({clRed, bsSolid});
    canvas.Rectangle({2, 2, 12, 12});
    const QImage& image = *canvas.Image();
    EXPECT_EQ(Row(image, 6, 0, 14, clBlack), "..#........#..");
    EXPECT_EQ(Row(image, 6, 0, 14, clRed), "...########...");
    EXPECT_EQ(Column(image, 6, 0, 14, clBlack), "..#........#..");

    // Without a pen the fill stops one pixel short; FillRect does not.
    MakeCanvas(canvas, 16, 16);
    canvas.SetPen(Pen(clNone));
    canvas.Rectangle({2, 2, 12, 12});
    EXPECT_EQ(Row(image, 6, 0, 14, clRed), "..#########...");
    EXPECT_EQ(Column(image, 6, 0, 14, clRed), "..#########...");
    MakeCanvas(canvas, 16, 16);
    canvas.FillRect({2, 2, 12, 12});
    EXPECT_EQ(Row(image, 6, 0, 14, clRed), "..##########..");
    EXPECT_EQ(Column(image, 6, 0, 14, clRed), "..##########..");
}

TEST(CanvasFigures, LinesLeaveOutTheirLastPixelInEveryDirection)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 16, 16);
    canvas.SetPen(Pen(clBlack));
    canvas.MoveTo(2, 1);
    canvas.LineTo(8, 1);
    canvas.MoveTo(8, 3);
    canvas.LineTo(2, 3);
    canvas.MoveTo(10, 2);
    canvas.LineTo(10, 8);
    canvas.MoveTo(12, 8);
    canvas.LineTo(12, 2);
    canvas.MoveTo(1, 5);
    canvas.LineTo(6, 10);
    const QImage& image = *canvas.Image();
    EXPECT_EQ(Row(image, 1, 0, 10, clBlack), "..######..");
    EXPECT_EQ(Row(image, 3, 0, 10, clBlack), "...######.");
    EXPECT_EQ(Column(image, 10, 0, 10, clBlack), "..######..");
    EXPECT_EQ(Column(image, 12, 0, 10, clBlack), "...######.");
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(test::ColorAt(image, 1 + i, 5 + i), clBlack);
    EXPECT_EQ(test::ColorAt(image, 6, 10), clWhite);
    EXPECT_EQ(canvas.PenPos(), (TKestPoint {6, 10}));

    // A closed figure has no last pixel to leave out.
    MakeCanvas(canvas, 16, 16);
    const TKestPoint triangle[] = {{2, 2}, {10, 2}, {2, 10}};
    canvas.SetBrush({clNone, bsClear});
    canvas.Polygon(triangle);
    EXPECT_EQ(Row(image, 2, 0, 12, clBlack), "..#########.");
    // An open one does.
    MakeCanvas(canvas, 16, 16);
    canvas.Polyline(triangle);
    EXPECT_EQ(Column(image, 2, 0, 12, clBlack), "..#.........");
    EXPECT_EQ(test::ColorAt(image, 3, 9), clBlack);
}

TEST(CanvasFigures, WidePensCentreOnTheLine)
{
    TKestCanvas canvas;
    for (int width : {2, 3, 4, 5}) {
        MakeCanvas(canvas, 20, 20);
        canvas.SetPen(Pen(clBlack, width));
        canvas.MoveTo(3, 10);
        canvas.LineTo(16, 10);
        std::string expected(20, '.');
        int first = 10 - width / 2; // even widths lean up
        for (int i = 0; i < width; ++i)
            expected[size_t(first + i)] = '#';
        EXPECT_EQ(Column(*canvas.Image(), 9, 0, 20, clBlack), expected) << "width " << width;
    }
}

TEST(CanvasFigures, GeometricPenCapsDecideTheEnds)
{
    TKestCanvas canvas;
    auto draw = [&](TPenEndCap cap) {
        MakeCanvas(canvas, 30, 12);
        TKestPen pen = Pen(clBlack, 5);
        pen.Geometric = true;
        pen.EndCap = cap;
        canvas.SetPen(pen);
        canvas.MoveTo(10, 5);
        canvas.LineTo(20, 5);
        return Row(*canvas.Image(), 5, 0, 30, clBlack);
    };
    EXPECT_EQ(draw(pecFlat), "..........##########..........");
    EXPECT_EQ(draw(pecSquare), "........###############.......");
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 8, 3), clBlack);
    EXPECT_EQ(draw(pecRound), "........###############.......");
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 8, 3), clWhite); // rounded, not square
}

TEST(CanvasFigures, InsideFramePenStaysInsideTheBox)
{
    TKestCanvas canvas;
    for (bool ellipse : {false, true}) {
        MakeCanvas(canvas, 30, 30);
        canvas.SetPen(Pen(clBlack, 4, psInsideFrame));
        canvas.SetBrush({clRed, bsSolid});
        TKestRect box {5, 5, 25, 25};
        ellipse ? canvas.Ellipse(box) : canvas.Rectangle(box);
        TKestRect ink = test::InkBounds(*canvas.Image(), clWhite);
        EXPECT_EQ(ink, box) << (ellipse ? "ellipse" : "rectangle");
        EXPECT_EQ(Row(*canvas.Image(), 15, 0, 30, clBlack), ".....####............####.....");
    }
    // A solid pen of the same width straddles the outline.
    MakeCanvas(canvas, 30, 30);
    canvas.SetPen(Pen(clBlack, 4));
    canvas.Rectangle({5, 5, 25, 25});
    TKestRect ink = test::InkBounds(*canvas.Image(), clWhite);
    EXPECT_LT(ink.Left, 5);
    EXPECT_GT(ink.Right, 25);
}

TEST(CanvasFigures, NotXorDrawnTwiceRestoresThePixels)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 40, 40);
    QImage& image = *canvas.Image();
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            image.setPixel(x, y, 0xFF000000u | uint32_t(x * 6) << 16 | uint32_t(y * 6) << 8 | uint32_t(x ^ y));
    const QImage original = image.copy();
    auto drawAll = [&]() {
        for (int width : {1, 3}) {
            TKestPen pen = Pen(RGBColor(90, 160, 30), width, width == 1 ? psDot : psSolid);
            pen.Mode = pmNotXor;
            canvas.SetPen(pen);
            canvas.SetBrush({clNone, bsClear});
            canvas.Rectangle({3, 3, 30, 20});
            canvas.Ellipse({5, 8, 35, 38});
            const TKestPoint line[] = {{0, 39}, {20, 2}, {39, 30}, {10, 10}};
            canvas.Polyline(line);
            canvas.SetBrush({clBlue, bsDiagCross});
            canvas.RoundRect({12, 12, 38, 36}, 8, 8);
        }
        canvas.DrawFocusRect({1, 1, 39, 39});
    };
    drawAll();
    EXPECT_NE(image, original);
    drawAll();
    EXPECT_EQ(image, original);
}

TEST(CanvasFigures, RasterModesCombineWithTheDestination)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 4, 1, RGBColor(0x10, 0x20, 0x30));
    TKestPen pen = Pen(clBlack);
    pen.Mode = pmNot;
    canvas.SetPen(pen);
    canvas.MoveTo(0, 0);
    canvas.LineTo(2, 0);
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 1, 0), RGBColor(0xEF, 0xDF, 0xCF));
    EXPECT_EQ(test::AlphaAt(*canvas.Image(), 1, 0), 255);
    pen.Mode = pmNop;
    canvas.SetPen(pen);
    canvas.LineTo(4, 0);
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 3, 0), RGBColor(0x10, 0x20, 0x30));
    pen.Mode = pmWhite;
    canvas.SetPen(pen);
    canvas.MoveTo(2, 0);
    canvas.LineTo(4, 0);
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 3, 0), clWhite);
}

TEST(CanvasFigures, HatchesFollowTheBrushOrigin)
{
    TKestCanvas canvas;
    auto hatch = [&](TBrushStyle style, TKestPoint origin) {
        MakeCanvas(canvas, 16, 16);
        canvas.SetBrush({clBlack, style});
        canvas.SetBrushOrigin(origin);
        canvas.FillRect({0, 0, 16, 16});
        return canvas.Image();
    };
    const QImage* image = hatch(bsHorizontal, {0, 0});
    EXPECT_EQ(Column(*image, 5, 0, 16, clBlack), "...#.......#....");
    EXPECT_EQ(test::CountColor(*image, clWhite), 16 * 14); // the background stays
    image = hatch(bsHorizontal, {0, 2});
    EXPECT_EQ(Column(*image, 5, 0, 16, clBlack), ".....#.......#..");
    image = hatch(bsVertical, {3, 0});
    EXPECT_EQ(Row(*image, 9, 0, 16, clBlack), ".......#.......#");
    image = hatch(bsFDiagonal, {0, 0});
    EXPECT_EQ(Row(*image, 2, 0, 16, clBlack), "..#.......#.....");
    EXPECT_EQ(Row(*image, 3, 0, 16, clBlack), "...#.......#....");
    image = hatch(bsBDiagonal, {1, 0});
    EXPECT_EQ(Row(*image, 0, 0, 16, clBlack), "#.......#.......");
    EXPECT_EQ(Row(*image, 1, 0, 16, clBlack), ".......#.......#");
    image = hatch(bsCross, {0, 0});
    EXPECT_EQ(Row(*image, 3, 0, 16, clBlack), "################");
    EXPECT_EQ(Row(*image, 4, 0, 16, clBlack), "....#.......#...");
    image = hatch(bsDiagCross, {0, 0});
    EXPECT_EQ(Row(*image, 1, 0, 16, clBlack), ".#....#..#....#.");

    // An opaque background mode fills the gaps with the background colour.
    MakeCanvas(canvas, 16, 16);
    canvas.SetBrush({clBlack, bsHorizontal});
    canvas.SetBkMode(OPAQUE);
    canvas.SetBkColor(clYellow);
    canvas.FillRect({0, 0, 16, 16});
    EXPECT_EQ(test::CountColor(*canvas.Image(), clYellow), 16 * 14);
}

TEST(CanvasFigures, PatternBrushesTileFromTheBrushOrigin)
{
    QImage pattern(3, 2, QImage::Format_RGB32);
    pattern.fill(Qt::white);
    pattern.setPixel(0, 0, qRgb(255, 0, 0));
    TKestCanvas canvas;
    MakeCanvas(canvas, 12, 6, clBlack);
    canvas.SetBrush(TKestBrush(pattern));
    canvas.SetBrushOrigin({1, 1});
    canvas.FillRect({0, 0, 12, 5});
    EXPECT_EQ(Row(*canvas.Image(), 1, 0, 12, clRed), ".#..#..#..#.");
    EXPECT_EQ(Row(*canvas.Image(), 2, 0, 12, clRed), "............");
    EXPECT_EQ(Row(*canvas.Image(), 3, 0, 12, clRed), ".#..#..#..#.");
    EXPECT_EQ(Row(*canvas.Image(), 5, 0, 12, clBlack), "############");
    // Figures fill with it too, under the same phase; a new device starts
    // with the origin at (0, 0).
    MakeCanvas(canvas, 12, 6, clBlack);
    EXPECT_EQ(canvas.BrushOrigin(), (TKestPoint {0, 0}));
    canvas.SetBrushOrigin({1, 1});
    canvas.SetPen(Pen(clNone));
    canvas.Ellipse({0, 0, 13, 7});
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 4, 3), clRed);
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 5, 3), clWhite);
}

TEST(CanvasFigures, PolygonFillModes)
{
    const TKestPoint star[] = {{20, 2}, {31, 38}, {2, 15}, {38, 15}, {9, 38}};
    TKestCanvas canvas;
    MakeCanvas(canvas, 40, 40);
    canvas.SetPen(Pen(clNone));
    canvas.SetBrush({clBlack, bsSolid});
    canvas.Polygon(star);
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 20, 20), clWhite);
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 20, 8), clBlack);
    canvas.SetPolyFillMode(WINDING);
    canvas.Polygon(star);
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 20, 20), clBlack);
}

TEST(CanvasFigures, FillsCoverTheSamePixelsAsRegions)
{
    TKestCanvas canvas;
    const TKestRect box {3, 4, 40, 27};
    const TKestPoint shape[] = {{2, 3}, {37, 9}, {30, 30}, {12, 22}, {6, 33}};
    for (int kind = 0; kind < 3; ++kind) {
        MakeCanvas(canvas, 44, 36);
        canvas.SetPen(Pen(clNone));
        canvas.SetBrush({clBlack, bsSolid});
        TKestRegion region;
        if (kind == 0) {
            canvas.Ellipse(box);
            region = TKestRegion::Ellipse(box);
        } else if (kind == 1) {
            canvas.RoundRect(box, 14, 10);
            region = TKestRegion::RoundRect(box, 14, 10);
        } else {
            canvas.Polygon(shape);
            region = TKestRegion::Polygon(shape, ALTERNATE);
        }
        int differ = 0;
        for (int y = 0; y < 36; ++y)
            for (int x = 0; x < 44; ++x)
                differ += (test::ColorAt(*canvas.Image(), x, y) == clBlack) != region.Contains(x, y);
        EXPECT_EQ(differ, 0) << "figure " << kind;
    }
}

TEST(CanvasFigures, PieAndChordFollowTheRadials)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 41, 41);
    canvas.SetPen(Pen(clBlack));
    canvas.SetBrush({clRed, bsSolid});
    // From the radial to the right, counter-clockwise to the radial upwards.
    canvas.Pie({0, 0, 41, 41}, {40, 20}, {20, 0});
    const QImage& image = *canvas.Image();
    EXPECT_EQ(test::ColorAt(image, 28, 12), clRed);
    EXPECT_EQ(test::ColorAt(image, 12, 12), clWhite);
    EXPECT_EQ(test::ColorAt(image, 28, 28), clWhite);
    EXPECT_EQ(test::ColorAt(image, 20, 20), clBlack); // the centre is on the outline

    MakeCanvas(canvas, 41, 41);
    canvas.Chord({0, 0, 41, 41}, {40, 20}, {20, 0});
    EXPECT_EQ(test::ColorAt(image, 32, 10), clRed);
    EXPECT_EQ(test::ColorAt(image, 22, 18), clWhite); // beyond the chord

    // Equal radials give the whole ellipse.
    MakeCanvas(canvas, 41, 41);
    canvas.SetBrush({clNone, bsClear});
    canvas.Arc({0, 0, 41, 41}, {40, 20}, {40, 20});
    EXPECT_EQ(test::ColorAt(image, 0, 20), clBlack);
    EXPECT_EQ(test::ColorAt(image, 40, 20), clBlack);
    EXPECT_EQ(test::ColorAt(image, 20, 40), clBlack);

    MakeCanvas(canvas, 41, 41);
    canvas.MoveTo(0, 0);
    canvas.ArcTo({0, 0, 41, 41}, {40, 20}, {20, 0});
    EXPECT_EQ(test::ColorAt(image, 20, 10), clBlack); // the line to the arc's start
    EXPECT_EQ(canvas.PenPos(), (TKestPoint {20, 0}));
}

TEST(CanvasFigures, DottedPensFollowThePlatformPatterns)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 40, 3);
    canvas.SetBrush({clNone, bsClear});
    canvas.SetPen(Pen(clBlack, 1, psDot));
    canvas.MoveTo(0, 1);
    canvas.LineTo(40, 1);
    EXPECT_EQ(Row(*canvas.Image(), 1, 0, 12, clBlack), "###...###...");
    canvas.SetPen(Pen(clBlack, 1, psDash));
    canvas.MoveTo(0, 0);
    canvas.LineTo(40, 0);
    EXPECT_EQ(Row(*canvas.Image(), 0, 0, 26, clBlack), "##################......##");
    // A solid brush makes the gaps opaque in its colour.
    canvas.SetBrush({clLime, bsSolid});
    canvas.SetPen(Pen(clBlack, 1, psDot));
    canvas.MoveTo(0, 2);
    canvas.LineTo(12, 2);
    EXPECT_EQ(Row(*canvas.Image(), 2, 0, 12, clLime), "...###...###");
}

TEST(CanvasFigures, BeziersStartAndEndOnTheirNodes)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 40, 40);
    canvas.SetPen(Pen(clBlack));
    const TKestPoint curve[] = {{2, 30}, {10, 0}, {30, 0}, {37, 30}};
    EXPECT_TRUE(canvas.PolyBezier(curve));
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 2, 30), clBlack);
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 37, 30), clWhite);
    EXPECT_EQ(test::InkBounds(*canvas.Image(), clWhite).Top, 8); // the curve peaks at 3/4 of the control height
    EXPECT_FALSE(canvas.PolyBezier(std::span(curve, 3)));
    canvas.MoveTo(2, 35);
    EXPECT_TRUE(canvas.PolyBezierTo(std::span(curve + 1, 3)));
    EXPECT_EQ(canvas.PenPos(), (TKestPoint {37, 30}));
    EXPECT_FALSE(canvas.PolyBezierTo(std::span(curve, 2)));
}

TEST(CanvasFigures, PathsStrokeFillAndClip)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 20, 20);
    canvas.SetPen(Pen(clBlack));
    canvas.SetBrush({clRed, bsSolid});
    canvas.BeginPath();
    canvas.MoveTo(2, 2);
    canvas.LineTo(12, 2);
    canvas.LineTo(12, 12);
    canvas.LineTo(2, 12);
    EXPECT_TRUE(canvas.CloseFigure());
    EXPECT_EQ(test::CountColor(*canvas.Image(), clWhite), 400); // recorded, not drawn
    EXPECT_TRUE(canvas.EndPath());
    EXPECT_TRUE(canvas.HasPath());
    EXPECT_TRUE(canvas.FillPath());
    EXPECT_FALSE(canvas.HasPath());
    EXPECT_EQ(Row(*canvas.Image(), 5, 0, 14, clRed), "..##########..");
    EXPECT_FALSE(canvas.StrokePath());

    // Stroke and fill closes open figures.
    MakeCanvas(canvas, 20, 20);
    canvas.BeginPath();
    const TKestPoint open[] = {{2, 2}, {12, 2}, {12, 12}};
    canvas.Polyline(open);
    canvas.EndPath();
    EXPECT_TRUE(canvas.StrokeAndFillPath());
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 7, 7), clBlack); // the closing diagonal
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 10, 5), clRed);

    // The path as clip, and as a region.
    MakeCanvas(canvas, 20, 20);
    canvas.BeginPath();
    canvas.Ellipse({0, 0, 21, 21});
    canvas.EndPath();
    EXPECT_TRUE(canvas.SelectClipPath(RGN_COPY));
    canvas.FillRect({0, 0, 20, 20});
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 10, 10), clRed);
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 0, 0), clWhite);
    canvas.BeginPath();
    canvas.Rectangle({2, 2, 9, 6});
    canvas.EndPath();
    std::optional<TKestRegion> region = canvas.PathToRegion();
    ASSERT_TRUE(region);
    EXPECT_EQ(*region, TKestRegion(TKestRect {2, 2, 8, 5}));
    EXPECT_FALSE(canvas.PathToRegion());
    canvas.BeginPath();
    canvas.LineTo(5, 5);
    canvas.AbortPath();
    EXPECT_FALSE(canvas.EndPath());
}

TEST(CanvasFigures, SavedStatesComeBack)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 10, 10);
    canvas.SetPen(Pen(clRed, 3));
    int level = canvas.SaveDC();
    EXPECT_EQ(level, 1);
    canvas.SetPen(Pen(clBlue));
    canvas.IntersectClipRect({0, 0, 5, 5});
    EXPECT_EQ(canvas.SaveDC(), 2);
    canvas.ExcludeClipRect({0, 0, 2, 2});
    canvas.SetBrush({clLime, bsSolid});
    canvas.FillRect({0, 0, 10, 10});
    EXPECT_EQ(test::CountColor(*canvas.Image(), clLime), 25 - 4);
    EXPECT_TRUE(canvas.RestoreDC(-1));
    EXPECT_EQ(*canvas.ClipRegion(), TKestRegion(TKestRect {0, 0, 5, 5}));
    EXPECT_TRUE(canvas.RestoreDC(level));
    EXPECT_FALSE(canvas.ClipRegion());
    EXPECT_EQ(canvas.Pen(), Pen(clRed, 3));
    EXPECT_FALSE(canvas.RestoreDC(1));
    EXPECT_FALSE(canvas.RestoreDC(-1));
    canvas.FillRect({0, 0, 10, 10});
    EXPECT_EQ(test::CountColor(*canvas.Image(), clWhite), 100); // the brush came back too
}

TEST(CanvasFigures, HostileCoordinatesStayCheap)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 32, 32);
    canvas.SetPen(Pen(clBlack));
    canvas.SetBrush({clRed, bsSolid});
    canvas.MoveTo(INT32_MIN, INT32_MIN);
    canvas.LineTo(INT32_MAX, INT32_MAX);
    canvas.Rectangle({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    canvas.Ellipse({-2000000000, 5, 2000000000, 30});
    const TKestPoint wild[] = {{INT32_MIN, 0}, {INT32_MAX, 16}, {0, INT32_MAX}};
    canvas.Polygon(wild);
    canvas.DrawFocusRect({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX});
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 16, 20), clRed);
}

} // namespace
} // namespace kest
