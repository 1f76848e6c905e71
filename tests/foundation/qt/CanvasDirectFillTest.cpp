// A canvas on a 32-bit image writes opaque fills and one-pixel outlines
// straight into the pixels; on any other device everything goes through
// QPainter. Both must paint the same pixels, which these tests check on
// random figures by painting each scene on an image and on a pixmap.
#include "CanvasTestSupport.h"

#include <QPixmap>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace kest {
namespace {

constexpr int kSize = 96;

using TScene = std::function<void(TKestCanvas&)>;

// The scene painted on an image of the given format and on a pixmap, both
// starting from the same background, as ARGB32 pixels.
std::pair<QImage, QImage> PaintBoth(const TScene& scene, QImage::Format format, QColor background)
{
    QImage image(kSize, kSize, format);
    image.fill(background);
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(background);
    {
        TKestCanvas direct;
        EXPECT_TRUE(direct.Attach(&image));
        EXPECT_NE(direct.Image(), nullptr);
        scene(direct);
    }
    {
        TKestCanvas painted;
        EXPECT_TRUE(painted.Attach(&pixmap));
        EXPECT_EQ(painted.Image(), nullptr);
        scene(painted);
    }
    return {image.convertToFormat(QImage::Format_ARGB32), pixmap.toImage().convertToFormat(QImage::Format_ARGB32)};
}

// The first differing pixel, for a readable failure.
std::string FirstDifference(const QImage& a, const QImage& b)
{
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return "(" + std::to_string(x) + ", " + std::to_string(y) + "): " + std::to_string(a.pixel(x, y))
                    + " vs " + std::to_string(b.pixel(x, y));
    return {};
}

class TRandomScene {
public:
    explicit TRandomScene(unsigned seed)
        : random_(seed)
    {
    }

    int Coord() { return Between(-20, kSize + 20); }
    int Between(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
    TColor Color() { return TColor(Between(0, 0xFFFFFF)); }
    TKestRect Rect() { return {Coord(), Coord(), Coord(), Coord()}; }
    TKestPoint Point() { return {Coord(), Coord()}; }

    TKestPen Pen()
    {
        static constexpr TPenStyle styles[] = {psSolid, psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear};
        TKestPen pen(Between(0, 5) == 0 ? clNone : Color(), Between(0, 4) == 0 ? 3 : Between(0, 1),
            styles[Between(0, 6)]);
        // Mostly copying, sometimes a mode only QPainter can do or one that
        // imposes its colour.
        static constexpr TPenMode modes[] = {pmCopy, pmCopy, pmCopy, pmCopy, pmNotXor, pmBlack, pmWhite, pmNop};
        pen.Mode = modes[Between(0, 7)];
        return pen;
    }

    TKestBrush Brush()
    {
        static constexpr TBrushStyle styles[] = {bsSolid, bsSolid, bsSolid, bsClear, bsCross, bsBDiagonal};
        return {Between(0, 6) == 0 ? clNone : Color(), styles[Between(0, 5)]};
    }

    std::optional<TKestRegion> Clip()
    {
        switch (Between(0, 3)) {
        case 0:
            return TKestRegion(Rect());
        case 1:
            return TKestRegion::Ellipse({5, 3, kSize - 7, kSize - 2});
        case 2: {
            TKestRegion region(TKestRect {0, 0, kSize / 2, kSize / 2});
            region.Combine(TKestRegion(TKestRect {kSize / 3, kSize / 4, kSize, kSize * 3 / 4}), RGN_OR);
            region.Combine(TKestRegion(TKestRect {10, 10, 20, 60}), RGN_DIFF);
            return region;
        }
        default:
            return std::nullopt;
        }
    }

    // One figure with fresh tools, as a replayable step.
    TScene Figure()
    {
        const TKestPen pen = Pen();
        const TKestBrush brush = Brush();
        const TBkMode bkMode = Between(0, 1) ? OPAQUE : TRANSPARENT;
        const TKestRect r = Rect();
        const TKestPoint a = Point(), b = Point(), c = Point(), d = Point();
        const int corner = Between(0, 40);
        const int kind = Between(0, 10);
        return [=](TKestCanvas& canvas) {
            canvas.SetPen(pen);
            canvas.SetBrush(brush);
            canvas.SetBkMode(bkMode);
            const TKestPoint points[] = {a, b, c, d};
            switch (kind) {
            case 0:
                canvas.Rectangle(r);
                break;
            case 1:
                canvas.Ellipse(r);
                break;
            case 2:
                canvas.RoundRect(r, corner, corner / 2);
                break;
            case 3:
                canvas.MoveTo(a.X, a.Y);
                canvas.LineTo(b.X, b.Y);
                break;
            case 4:
                canvas.Polygon(points);
                break;
            case 5:
                canvas.Polyline(points);
                break;
            case 6:
                canvas.Arc(r, a, b);
                break;
            case 7:
                canvas.Pie(r, a, b);
                break;
            case 8:
                canvas.PolyBezier(points);
                break;
            case 9:
                canvas.FillRect(r);
                break;
            default:
                canvas.FrameRect(r);
                break;
            }
        };
    }

    TScene Scene(int figures)
    {
        std::vector<TScene> steps;
        for (int i = 0; i < figures; ++i) {
            if (Between(0, 5) == 0) {
                const std::optional<TKestRegion> clip = Clip();
                steps.push_back([clip](TKestCanvas& canvas) { canvas.SelectClipRgn(clip); });
            }
            steps.push_back(Figure());
        }
        return [steps](TKestCanvas& canvas) {
            for (const TScene& step : steps) {
                step(canvas);
                }
        };
    }

private:
    std::mt19937 random_;
};

TEST(CanvasDirectFill, RandomFiguresPaintAsThroughQPainter)
{
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const TScene scene = TRandomScene(seed).Scene(30);
        const auto [direct, painted] = PaintBoth(scene, QImage::Format_RGB32, Qt::white);
        ASSERT_EQ(FirstDifference(direct, painted), "");
    }
}

// The alpha buffer's pixels: untouched ones transparent, drawn ones opaque.
TEST(CanvasDirectFill, TransparentImagesGetOpaquePixelsAsThroughQPainter)
{
    for (unsigned seed = 100; seed < 110; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        const TScene scene = TRandomScene(seed).Scene(20);
        for (QImage::Format format : {QImage::Format_ARGB32, QImage::Format_ARGB32_Premultiplied}) {
            const auto [direct, painted] = PaintBoth(scene, format, Qt::transparent);
            ASSERT_EQ(FirstDifference(direct, painted), "");
        }
    }
}

// Long outlines far outside the image, and regions filled and framed
// under a clip of many rectangles.
TEST(CanvasDirectFill, FarOutlinesAndComplexClipsPaintAsThroughQPainter)
{
    const TScene scene = [](TKestCanvas& canvas) {
        canvas.SetPen(TKestPen(clBlue, 1, psDashDot));
        canvas.SetBrush({clYellow, bsSolid});
        canvas.Ellipse({-300, -20, 400, 150});
        canvas.MoveTo(-2000000000, -1000000000);
        canvas.LineTo(2000000000, 1000000007);
        canvas.SelectClipRgn(TKestRegion::Ellipse({10, 10, 90, 80}));
        canvas.FillRgn(TKestRegion::RoundRect({0, 0, 70, 90}, 30, 30), TKestBrush(clGreen, bsSolid));
        canvas.SetPen(TKestPen(clRed));
        canvas.SetBrush({clWhite, bsClear});
        canvas.Rectangle({12, 20, 88, 60});
        canvas.FrameRgn(TKestRegion(TKestRect {20, 20, 60, 60}), TKestBrush(clMaroon, bsSolid), 3, 2);
    };
    const auto [direct, painted] = PaintBoth(scene, QImage::Format_RGB32, Qt::white);
    EXPECT_EQ(FirstDifference(direct, painted), "");
    EXPECT_NE(test::CountColor(direct, clGreen), 0);
    EXPECT_NE(test::CountColor(direct, clMaroon), 0);
    EXPECT_NE(test::CountColor(direct, clBlue), 0);
    EXPECT_EQ(test::ColorAt(direct, 12, 44), clRed);
    EXPECT_EQ(test::ColorAt(direct, 12, 20), clYellow); // outside the clip
}

// Clipping switched off and a region of many rectangles selected again: the
// region clips, on every device.
TEST(CanvasDirectFill, ARegionSelectedAfterNoneClips)
{
    const TScene scene = [](TKestCanvas& canvas) {
        const TKestRegion ellipse = TKestRegion::Ellipse({5, 3, 89, 94});
        canvas.SelectClipRgn(ellipse);
        canvas.SelectClipRgn(std::nullopt);
        canvas.SelectClipRgn(ellipse);
        canvas.SetBrush({clRed, bsSolid});
        canvas.FillRect({0, 0, kSize, kSize});
        canvas.SetBrush({clGreen, bsCross});
        canvas.FillRect({0, 0, kSize, kSize});
    };
    const auto [direct, painted] = PaintBoth(scene, QImage::Format_RGB32, Qt::white);
    EXPECT_EQ(FirstDifference(direct, painted), "");
    for (const QImage* image : {&direct, &painted}) {
        EXPECT_EQ(test::ColorAt(*image, 0, 0), clWhite);
        EXPECT_EQ(test::ColorAt(*image, 47, 1), clWhite);
        EXPECT_NE(test::ColorAt(*image, 47, 48), clWhite);
    }
}

// Rectangle outlines of a solid one-pixel pen are written as four runs:
// boxes one and two pixels wide or high, boxes reaching past the image or
// lying far away, under a clip of several rectangles, in colours the pen
// mode imposes too.
TEST(CanvasDirectFill, RectangleOutlinesOfEveryShapePaintAsThroughQPainter)
{
    std::vector<TKestRect> boxes;
    for (int w : {1, 2, 3, 7})
        for (int h : {1, 2, 3, 5})
            boxes.push_back({3 + 9 * w, 4 + 7 * h, 3 + 10 * w, 4 + 8 * h});
    for (const TKestRect& r : {TKestRect {-5, -5, 30, 20}, TKestRect {80, 70, 120, 130}, TKestRect {-1, 40, kSize + 1, 50},
             TKestRect {-2000000000, -2000000000, 2000000000, 2000000000}, TKestRect {20, -2000000000, 21, 2000000000},
             TKestRect {2000000000, 10, 2100000000, 20}, TKestRect {60, 90, 40, 20}})
        boxes.push_back(r);
    for (const bool clipped : {false, true}) {
        SCOPED_TRACE(clipped ? "clipped" : "unclipped");
        const TScene scene = [&](TKestCanvas& canvas) {
            if (clipped) {
                TKestRegion clip(TKestRect {0, 0, 50, 50});
                clip.Combine(TKestRegion(TKestRect {30, 30, kSize, 80}), RGN_OR);
                canvas.SelectClipRgn(clip);
            }
            canvas.SetBrush({clWhite, bsClear});
            for (size_t i = 0; i < boxes.size(); ++i) {
                TKestPen pen(i % 2 ? clRed : clBlue, int32_t(i % 3 == 0), i % 4 == 0 ? psInsideFrame : psSolid);
                pen.Mode = i % 5 == 0 ? pmBlack : pmCopy;
                canvas.SetPen(pen);
                canvas.Rectangle(boxes[i]);
            }
        };
        const auto [direct, painted] = PaintBoth(scene, QImage::Format_RGB32, Qt::white);
        EXPECT_EQ(FirstDifference(direct, painted), "");
        EXPECT_NE(test::CountColor(direct, clRed), 0);
        EXPECT_NE(test::CountColor(direct, clBlue), 0);
        EXPECT_NE(test::CountColor(direct, clBlack), 0);
    }
}

// Whatever the canvas lets through to its painter still has its say: a
// transform or opacity set there sends the figures through QPainter.
TEST(CanvasDirectFill, PainterStateSetByCallersIsHonoured)
{
    const TScene scene = [](TKestCanvas& canvas) {
        canvas.SetPen(TKestPen(clBlack));
        canvas.SetBrush({clRed, bsSolid});
        canvas.Painter().setTransform(QTransform::fromTranslate(7, 3));
        canvas.Rectangle({10, 10, 40, 30});
        canvas.Painter().resetTransform();
        canvas.Painter().setOpacity(0.5);
        canvas.Ellipse({40, 40, 90, 70});
        canvas.Painter().setOpacity(1);
    };
    const auto [direct, painted] = PaintBoth(scene, QImage::Format_RGB32, Qt::white);
    EXPECT_EQ(FirstDifference(direct, painted), "");
    EXPECT_EQ(test::ColorAt(direct, 17, 13), clBlack);
    EXPECT_NE(test::ColorAt(direct, 65, 55), clRed);
    EXPECT_NE(test::ColorAt(direct, 65, 55), clWhite);
}

} // namespace
} // namespace kest
