#include "CanvasTestSupport.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::ColorAt;
using test::MakeCanvas;
using test::Row;

QImage Strip(std::initializer_list<uint32_t> pixels)
{
    QImage image(int(pixels.size()), 1, QImage::Format_ARGB32);
    int x = 0;
    for (uint32_t p : pixels)
        image.setPixel(x++, 0, p);
    return image;
}

TEST(CanvasImages, TransparentBltSkipsTheKeyColour)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 8, 2, clBlue);
    QImage source = Strip({0xFFFF00FF, 0xFFFF0000, 0x00FF00FF, 0x8000FF00});
    ASSERT_TRUE(canvas.TransparentBlt({0, 0, 4, 1}, source, {0, 0, 4, 1}, RGBColor(255, 0, 255)));
    const QImage& image = *canvas.Image();
    EXPECT_EQ(ColorAt(image, 0, 0), clBlue);
    EXPECT_EQ(ColorAt(image, 1, 0), clRed);
    EXPECT_EQ(ColorAt(image, 2, 0), clBlue); // the key whatever its alpha
    EXPECT_EQ(ColorAt(image, 3, 0), clLime);
    EXPECT_EQ(test::AlphaAt(image, 3, 0), 255); // copied pixels become opaque

    // Stretched twice as wide, and mirrored.
    ASSERT_TRUE(canvas.TransparentBlt({0, 1, 8, 2}, source, {0, 0, 4, 1}, RGBColor(255, 0, 255)));
    EXPECT_EQ(Row(image, 1, 0, 8, clRed), "..##....");
    ASSERT_TRUE(canvas.TransparentBlt({8, 1, 0, 2}, source, {0, 0, 4, 1}, RGBColor(255, 0, 255)));
    EXPECT_EQ(Row(image, 1, 0, 8, clRed), "..####..");
    EXPECT_EQ(Row(image, 1, 0, 8, clLime), "##....##");
    EXPECT_FALSE(canvas.TransparentBlt({0, 0, 4, 1}, QImage(), {0, 0, 4, 1}, clBlack));
}

TEST(CanvasImages, BlockTransfers)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 6, 2);
    QImage source = Strip({0x00000000, 0xFF112233, 0x80445566});
    ASSERT_TRUE(canvas.BitBlt(1, 0, 3, 1, source, 0, 0));
    const QImage& image = *canvas.Image();
    EXPECT_EQ(image.pixel(1, 0), 0x00000000u); // a plain copy carries alpha along
    EXPECT_EQ(image.pixel(2, 0), 0xFF112233u);
    EXPECT_EQ(image.pixel(3, 0), 0x80445566u);

    MakeCanvas(canvas, 6, 2, RGBColor(1, 2, 3));
    QImage before = image.copy();
    QImage pattern = Strip({0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF});
    ASSERT_TRUE(canvas.BitBlt(0, 0, 4, 1, pattern, 0, 0, SRCINVERT));
    EXPECT_NE(image, before);
    ASSERT_TRUE(canvas.BitBlt(0, 0, 4, 1, pattern, 0, 0, SRCINVERT));
    EXPECT_EQ(image, before);
    ASSERT_TRUE(canvas.BitBlt(0, 1, 2, 1, pattern, 0, 0, WHITENESS));
    EXPECT_EQ(Row(image, 1, 0, 6, clWhite), "##....");
    ASSERT_TRUE(canvas.BitBlt(0, 1, 3, 1, pattern, 0, 0, DSTINVERT));
    EXPECT_EQ(Row(image, 1, 0, 6, clBlack), "##....");
    EXPECT_EQ(ColorAt(image, 2, 1), RGBColor(254, 253, 252));
    EXPECT_FALSE(canvas.BitBlt(0, 0, 1, 1, pattern, 0, 0, 0x12345678));

    // Within one image: the source is read before it is overwritten.
    MakeCanvas(canvas, 6, 1);
    canvas.BitBlt(0, 0, 4, 1, pattern, 0, 0);
    ASSERT_TRUE(canvas.BitBlt(1, 0, 4, 1, image, 0, 0));
    EXPECT_EQ(ColorAt(image, 1, 0), clRed);
    EXPECT_EQ(ColorAt(image, 4, 0), clWhite);

    // A source rectangle reaching outside the image copies what exists.
    MakeCanvas(canvas, 6, 1);
    ASSERT_TRUE(canvas.BitBlt(0, 0, 6, 1, pattern, -2, 0));
    EXPECT_EQ(Row(image, 0, 0, 6, clWhite), "##...#");
    EXPECT_FALSE(canvas.BitBlt(0, 0, 2, 1, pattern, 10, 0));
}

TEST(CanvasImages, StretchBltUsesNearestPixels)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 8, 4);
    QImage source = Strip({0xFFFF0000, 0xFF00FF00});
    ASSERT_TRUE(canvas.StretchBlt({0, 0, 8, 2}, source, {0, 0, 2, 1}));
    EXPECT_EQ(Row(*canvas.Image(), 1, 0, 8, clRed), "####....");
    EXPECT_EQ(Row(*canvas.Image(), 1, 0, 8, clLime), "....####");
    ASSERT_TRUE(canvas.StretchBlt({8, 2, 0, 4}, source, {0, 0, 2, 1}));
    EXPECT_EQ(Row(*canvas.Image(), 3, 0, 8, clRed), "....####");
}

TEST(CanvasImages, PixelsRespectTheClip)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 4, 4);
    EXPECT_EQ(canvas.SetPixel(1, 1, clRed), clRed);
    EXPECT_EQ(canvas.Pixel(1, 1), clRed);
    EXPECT_EQ(canvas.SetPixel(2, 2, clBtnFace), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(canvas.Pixel(4, 0), CLR_INVALID);
    EXPECT_EQ(canvas.Pixel(-1, 0), CLR_INVALID);
    canvas.IntersectClipRect({0, 0, 2, 2});
    EXPECT_EQ(canvas.Pixel(2, 2), CLR_INVALID);
    EXPECT_EQ(canvas.SetPixel(3, 3, clRed), CLR_INVALID);
    EXPECT_EQ(ColorAt(*canvas.Image(), 3, 3), clWhite);
    TKestCanvas none;
    EXPECT_EQ(none.Pixel(0, 0), CLR_INVALID);
    EXPECT_EQ(none.SetPixel(0, 0, clRed), CLR_INVALID);
}

TEST(CanvasImages, DrawBlendsImagesWithTheirAlpha)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 4, 4);
    QImage icon = Strip({0x00000000, 0xFF000000, 0x80000000});
    canvas.Draw(0, 0, icon);
    EXPECT_EQ(ColorAt(*canvas.Image(), 0, 0), clWhite);
    EXPECT_EQ(ColorAt(*canvas.Image(), 1, 0), clBlack);
    EXPECT_NEAR(GetRValue(ColorAt(*canvas.Image(), 2, 0)), 127, 1);
    canvas.StretchDraw({0, 1, 4, 3}, Strip({0xFF0000FF, 0xFFFF0000}));
    EXPECT_EQ(Row(*canvas.Image(), 2, 0, 4, clBlue), "##..");
}

TEST(CanvasImages, DevicesAndSizes)
{
    TKestCanvas canvas;
    EXPECT_FALSE(canvas.Active());
    EXPECT_FALSE(canvas.SetSize(0, 10));
    EXPECT_FALSE(canvas.SetSize(10, MaxCanvasSide + 1));
    EXPECT_FALSE(canvas.Active());
    canvas.Rectangle({0, 0, 5, 5}); // without a device: nothing, and no crash
    ASSERT_TRUE(canvas.SetSize(3, 2));
    EXPECT_EQ(canvas.Width(), 3);
    EXPECT_EQ(canvas.Image()->format(), QImage::Format_ARGB32);
    EXPECT_EQ(canvas.Image()->pixel(2, 1), 0u);

    QImage external(5, 5, QImage::Format_RGB32);
    external.fill(Qt::white);
    canvas.SetPen(TKestPen(clRed));
    ASSERT_TRUE(canvas.Attach(&external));
    EXPECT_EQ(canvas.Image(), &external);
    EXPECT_EQ(canvas.Pen().Color, clRed); // the tools stay
    canvas.MoveTo(0, 0);
    canvas.LineTo(5, 0);
    canvas.Detach();
    EXPECT_EQ(Row(external, 0, 0, 5, clRed), "#####");
    QImage null;
    EXPECT_FALSE(canvas.Attach(&null));
    EXPECT_FALSE(canvas.Attach(nullptr));
}

} // namespace
} // namespace kest
