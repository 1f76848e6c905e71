#include "CanvasTestSupport.h"
#include "KestAlpha.h"

#include <array>
#include <gtest/gtest.h>
#include <random>

namespace kest {
namespace {

using test::AlphaAt;
using test::ColorAt;
using test::MakeCanvas;

// The blend as the format defines it, one pixel at a time, with t = 255 -
// alpha; a source scaled to no opacity leaves the destination alone.
uint32_t ReferenceBlend(uint32_t s, uint32_t d, int transparency)
{
    int st = 255 - int(s >> 24), dt = 255 - int(d >> 24);
    int a = 255 - st;
    if (a == 0)
        return d;
    if (transparency > 0)
        a = (100 - transparency) * a / 100;
    if (a == 0)
        return d;
    if (a == 255 && dt == 255)
        return s;
    int da = 255 - dt;
    int x = (255 - a) * (255 - da) + 128;
    int combined = 255 - (((x >> 8) + x) >> 8);
    int w = (a * 65536 + combined / 2) / combined;
    uint32_t out = uint32_t(combined) << 24;
    for (int shift = 0; shift < 24; shift += 8) {
        int sc = int(s >> shift) & 255, dc = int(d >> shift) & 255;
        out |= uint32_t((dc + (((sc - dc) * w + 32768) >> 16)) & 255) << shift;
    }
    return out;
}

uint32_t* Bits(QImage& image, int y)
{
    return reinterpret_cast<uint32_t*>(image.scanLine(y));
}

// Blends random source pixels over random destination pixels and compares
// every result with the formula. Row y of the first half pairs source
// opacity x with destination opacity y (all 65536 pairs); the second half
// has opaque destinations under runs of mixed, drawn and untouched source
// pixels, as real drawings leave them.
TEST(AlphaBuffer, BlendMatchesTheFormula)
{
    std::mt19937 random(7);
    for (int transparency : {0, 1, 37, 50, 99}) {
        TKestCanvas target;
        MakeCanvas(target, 256, 512);
        TAlphaBuffer buffer;
        ASSERT_TRUE(buffer.BeginPaint(&target, {0, 0, 256, 512}));
        QImage& source = *buffer.Canvas().Image();
        QImage& dest = *target.Image();
        QImage expected(256, 512, QImage::Format_ARGB32);
        for (int y = 0; y < 512; ++y) {
            uint32_t runAlpha = 0;
            for (int x = 0; x < 256; ++x) {
                if (x % 8 == 0)
                    runAlpha = std::array<uint32_t, 4> {0, 255, 1, 128}[random() % 4];
                uint32_t sa = y < 256 ? uint32_t(x) : (random() % 3 ? runAlpha : random() & 255);
                uint32_t da = y < 256 ? uint32_t(y) : 255;
                uint32_t s = sa << 24 | (random() & 0xFFFFFF);
                uint32_t d = da << 24 | (random() & 0xFFFFFF);
                Bits(source, y)[x] = s;
                Bits(dest, y)[x] = d;
                Bits(expected, y)[x] = ReferenceBlend(s, d, transparency);
            }
        }
        ASSERT_TRUE(buffer.EndPaint(transparency));
        int mismatches = 0;
        for (int y = 0; y < 512; ++y)
            for (int x = 0; x < 256; ++x)
                mismatches += Bits(dest, y)[x] != Bits(expected, y)[x];
        EXPECT_EQ(mismatches, 0) << "transparency " << transparency;
    }
}

TEST(AlphaBuffer, UntouchedBufferLeavesTargetUnchanged)
{
    TKestCanvas target;
    MakeCanvas(target, 8, 8, RGBColor(10, 20, 30));
    QImage before = target.Image()->copy();
    TAlphaBuffer buffer;
    ASSERT_TRUE(buffer.BeginPaint(&target, {1, 1, 7, 7}));
    EXPECT_TRUE(buffer.EndPaint(0));
    EXPECT_EQ(*target.Image(), before);
}

TEST(AlphaBuffer, OpaqueRedAtHalfTransparencyOverWhite)
{
    TKestCanvas target;
    MakeCanvas(target, 4, 4);
    TAlphaBuffer buffer;
    ASSERT_TRUE(buffer.BeginPaint(&target, {0, 0, 4, 4}));
    buffer.Canvas().SetBrush({clRed, bsSolid});
    buffer.Canvas().FillRect({1, 1, 2, 2});
    ASSERT_TRUE(buffer.EndPaint(50));
    EXPECT_EQ(ColorAt(*target.Image(), 1, 1), RGBColor(255, 128, 128));
    EXPECT_EQ(AlphaAt(*target.Image(), 1, 1), 255);
    EXPECT_EQ(ColorAt(*target.Image(), 2, 1), clWhite);
}

TEST(AlphaBuffer, OpaqueOverOpaqueReplaces)
{
    TKestCanvas target;
    MakeCanvas(target, 4, 4, RGBColor(1, 2, 3));
    TAlphaBuffer buffer;
    ASSERT_TRUE(buffer.BeginPaint(&target, {0, 0, 4, 4}));
    buffer.Canvas().SetBrush({RGBColor(200, 100, 50), bsSolid});
    buffer.Canvas().FillRect({0, 0, 4, 4});
    ASSERT_TRUE(buffer.EndPaint(0));
    EXPECT_EQ(ColorAt(*target.Image(), 3, 3), RGBColor(200, 100, 50));
}

TEST(AlphaBuffer, EndPaintOutcomes)
{
    TKestCanvas target;
    MakeCanvas(target, 4, 4);
    QImage before = target.Image()->copy();
    TAlphaBuffer buffer;
    EXPECT_FALSE(buffer.EndPaint(0)); // not painting

    ASSERT_TRUE(buffer.BeginPaint(&target, {0, 0, 4, 4}));
    buffer.Canvas().SetBrush({clBlue, bsSolid});
    buffer.Canvas().FillRect({0, 0, 4, 4});
    EXPECT_TRUE(buffer.EndPaint(100)); // invisible, but blended "successfully"
    EXPECT_FALSE(buffer.Painting());
    EXPECT_EQ(*target.Image(), before);

    ASSERT_TRUE(buffer.BeginPaint(&target, {0, 0, 4, 4}));
    buffer.Canvas().FillRect({0, 0, 4, 4});
    EXPECT_FALSE(buffer.EndPaint(-1));
    EXPECT_FALSE(buffer.Painting());
    EXPECT_EQ(*target.Image(), before);
}

TEST(AlphaBuffer, BeginPaintRefusals)
{
    TKestCanvas target, idle;
    MakeCanvas(target, 4, 4);
    TAlphaBuffer buffer;
    EXPECT_FALSE(buffer.BeginPaint(nullptr, {0, 0, 4, 4}));
    EXPECT_FALSE(buffer.BeginPaint(&idle, {0, 0, 4, 4}));
    EXPECT_FALSE(buffer.BeginPaint(&target, {2, 0, 2, 4}));
    EXPECT_FALSE(buffer.BeginPaint(&target, {0, 3, 4, 1}));
    EXPECT_FALSE(buffer.BeginPaint(&target, {0, 0, MaxCanvasSide + 1, 1}));
    EXPECT_FALSE(buffer.BeginPaint(&buffer.Canvas(), {0, 0, 4, 4}));
    ASSERT_TRUE(buffer.BeginPaint(&target, {0, 0, 4, 4}));
    EXPECT_FALSE(buffer.BeginPaint(&target, {0, 0, 4, 4}));
    EXPECT_TRUE(buffer.EndPaint(0));
}

TEST(AlphaBuffer, PixelsOnlyGrowAndStartUntouched)
{
    TKestCanvas target;
    MakeCanvas(target, 200, 200);
    TAlphaBuffer buffer;
    ASSERT_TRUE(buffer.BeginPaint(&target, {0, 0, 100, 50}));
    buffer.Canvas().SetBrush({clRed, bsSolid});
    buffer.Canvas().FillRect({0, 0, 100, 50});
    buffer.EndPaint(0);
    ASSERT_TRUE(buffer.BeginPaint(&target, {10, 10, 50, 50}));
    EXPECT_EQ(buffer.BufferWidth(), 100);
    EXPECT_EQ(buffer.BufferHeight(), 50);
    EXPECT_EQ(buffer.Pixels().pixel(5, 5), 0u); // untouched: transparent black
    buffer.EndPaint(0);
    ASSERT_TRUE(buffer.BeginPaint(&target, {0, 0, 120, 10}));
    EXPECT_EQ(buffer.BufferWidth(), 120);
    EXPECT_EQ(buffer.BufferHeight(), 10);
    buffer.EndPaint(0);
}

TEST(AlphaBuffer, TargetClipLimitsTheBlend)
{
    TKestCanvas target;
    MakeCanvas(target, 4, 1);
    target.SelectClipRgn(TKestRegion(TKestRect {0, 0, 2, 1}));
    TAlphaBuffer buffer;
    ASSERT_TRUE(buffer.BeginPaint(&target, {0, 0, 4, 1}));
    buffer.Canvas().SetBrush({clBlack, bsSolid});
    buffer.Canvas().FillRect({0, 0, 4, 1});
    ASSERT_TRUE(buffer.EndPaint(0));
    EXPECT_EQ(test::Row(*target.Image(), 0, 0, 4, clBlack), "##..");
}

// Parent and child over the same area: the child blends into the parent's
// pixels (which become half-transparent red), and the parent's own blend
// then combines both transparencies.
TEST(AlphaBuffer, NestedOverTheSameAreaCombinesTransparencies)
{
    TKestCanvas target;
    MakeCanvas(target, 4, 1);
    TAlphaBuffer parent;
    ASSERT_TRUE(parent.BeginPaint(&target, {0, 0, 4, 1}));
    TAlphaBuffer child(&parent);
    ASSERT_TRUE(child.BeginPaint(&parent.Canvas(), {0, 0, 4, 1}));
    child.Canvas().SetBrush({clRed, bsSolid});
    child.Canvas().FillRect({1, 0, 2, 1});
    ASSERT_TRUE(child.EndPaint(50));
    EXPECT_EQ(parent.Pixels().pixel(1, 0), 0x7FFF0000u);
    EXPECT_EQ(parent.Pixels().pixel(0, 0), 0u);
    ASSERT_TRUE(parent.EndPaint(50));
    EXPECT_EQ(ColorAt(*target.Image(), 1, 0), RGBColor(255, 192, 192));
    EXPECT_EQ(ColorAt(*target.Image(), 0, 0), clWhite);
}

// A child over a different area goes through the parent's canvas at its own
// position and within that canvas' clip. Untouched parent pixels under it
// keep their transparency instead of turning opaque black, so the end
// result equals the nested case.
TEST(AlphaBuffer, NestedOverAnotherAreaBlendsThroughTheParentCanvas)
{
    TKestCanvas target;
    MakeCanvas(target, 4, 1);
    TAlphaBuffer parent;
    ASSERT_TRUE(parent.BeginPaint(&target, {0, 0, 4, 1}));
    parent.Canvas().SelectClipRgn(TKestRegion(TKestRect {0, 0, 2, 1}));
    TAlphaBuffer child(&parent);
    ASSERT_TRUE(child.BeginPaint(&parent.Canvas(), {1, 0, 3, 1}));
    child.Canvas().SetBrush({clRed, bsSolid});
    child.Canvas().FillRect({0, 0, 2, 1});
    ASSERT_TRUE(child.EndPaint(50));
    EXPECT_EQ(parent.Pixels().pixel(1, 0), 0x7FFF0000u);
    EXPECT_EQ(parent.Pixels().pixel(2, 0), 0u); // outside the parent canvas' clip
    ASSERT_TRUE(parent.EndPaint(50));
    EXPECT_EQ(ColorAt(*target.Image(), 1, 0), RGBColor(255, 192, 192));
    EXPECT_EQ(ColorAt(*target.Image(), 2, 0), clWhite);
}

// A faint pixel (opacity 1) at 50 % scales to opacity 0; over an untouched
// parent pixel the combined opacity would be 0 and its weight a division by
// zero. The pixel is skipped instead.
TEST(AlphaBuffer, FaintPixelOverUntouchedParentIsSkipped)
{
    TKestCanvas target;
    MakeCanvas(target, 2, 1);
    TAlphaBuffer parent;
    ASSERT_TRUE(parent.BeginPaint(&target, {0, 0, 2, 1}));
    TAlphaBuffer child(&parent);
    ASSERT_TRUE(child.BeginPaint(&parent.Canvas(), {0, 0, 2, 1}));
    Bits(*child.Canvas().Image(), 0)[0] = 0x01FF0000;
    Bits(*child.Canvas().Image(), 0)[1] = 0x02FF0000;
    ASSERT_TRUE(child.EndPaint(50));
    EXPECT_EQ(parent.Pixels().pixel(0, 0), 0u);
    EXPECT_EQ(parent.Pixels().pixel(1, 0), 0x01FF0000u);
    ASSERT_TRUE(parent.EndPaint(0));
}

TEST(AlphaBuffer, BlendsOntoOtherDevicesThroughQt)
{
    QImage premultiplied(3, 1, QImage::Format_ARGB32_Premultiplied);
    premultiplied.fill(Qt::white);
    TKestCanvas target;
    ASSERT_TRUE(target.Attach(&premultiplied));
    TAlphaBuffer buffer;
    ASSERT_TRUE(buffer.BeginPaint(&target, {0, 0, 3, 1}));
    buffer.Canvas().SetBrush({clRed, bsSolid});
    buffer.Canvas().FillRect({1, 0, 2, 1});
    ASSERT_TRUE(buffer.EndPaint(50));
    target.Detach();
    QColor blended = premultiplied.pixelColor(1, 0);
    EXPECT_EQ(blended.red(), 255);
    EXPECT_NEAR(blended.green(), 128, 1);
    EXPECT_NEAR(blended.blue(), 128, 1);
    EXPECT_EQ(premultiplied.pixelColor(0, 0), QColor(Qt::white));
}

TEST(AlphaBuffer, LoadPictureRendersAtTheGraphicsSize)
{
    QImage image(3, 2, QImage::Format_ARGB32);
    image.fill(0xFF102030);
    image.setPixel(2, 1, 0x80405060);
    TAlphaBuffer buffer;
    ASSERT_TRUE(buffer.LoadPicture(&image));
    EXPECT_TRUE(buffer.Loaded());
    EXPECT_EQ(buffer.BufferWidth(), 3);
    EXPECT_EQ(buffer.BufferHeight(), 2);
    EXPECT_EQ(buffer.Pixels().pixel(0, 0), 0xFF102030u);
    EXPECT_EQ(buffer.Pixels().pixel(2, 1), 0x80405060u);

    TAlphaBuffer* seen = nullptr;
    ASSERT_TRUE(buffer.LoadPicture(&image, [&](TAlphaBuffer& sender, TKestCanvas& canvas) {
        seen = &sender;
        canvas.SetBrush({clLime, bsSolid});
        canvas.FillRect({0, 0, 1, 1});
    }));
    EXPECT_EQ(seen, &buffer);
    EXPECT_EQ(buffer.Pixels().pixel(0, 0), 0xFF00FF00u);
    EXPECT_EQ(buffer.Pixels().pixel(1, 0), 0u); // the handler replaced the default drawing

    QImage larger(5, 4, QImage::Format_RGB32);
    larger.fill(Qt::blue);
    ASSERT_TRUE(buffer.LoadPicture(&larger));
    EXPECT_EQ(buffer.BufferWidth(), 5);
    EXPECT_EQ(buffer.Pixels().pixel(4, 3), 0xFF0000FFu);
    ASSERT_TRUE(buffer.LoadPicture(&image));
    EXPECT_EQ(buffer.BufferWidth(), 3); // reloading recreates at the picture's size

    ASSERT_TRUE(buffer.LoadPicture(nullptr));
    EXPECT_FALSE(buffer.Loaded());
    EXPECT_EQ(buffer.BufferWidth(), 0);

    TKestCanvas target;
    MakeCanvas(target, 2, 2);
    ASSERT_TRUE(buffer.BeginPaint(&target, {0, 0, 2, 2}));
    EXPECT_FALSE(buffer.LoadPicture(&image));
    buffer.EndPaint(0);
}

TEST(AlphaBuffer, PaintFrameScalesByNearestNeighbour)
{
    QImage image(2, 2, QImage::Format_ARGB32);
    image.setPixel(0, 0, 0xFF000001);
    image.setPixel(1, 0, 0xFF000002);
    image.setPixel(0, 1, 0xFF000003);
    image.setPixel(1, 1, 0x40000004);
    TAlphaBuffer picture;
    ASSERT_TRUE(picture.LoadPicture(&image));

    TKestCanvas target;
    MakeCanvas(target, 6, 6);
    TAlphaBuffer dest;
    ASSERT_TRUE(dest.BeginPaint(&target, {0, 0, 6, 6}));
    ASSERT_TRUE(picture.PaintFrame(dest, {1, 1, 5, 5}, {0, 0, 2, 2}));
    const uint32_t expected[4][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(dest.Pixels().pixel(x + 1, y + 1) & 0xFF, expected[y][x]) << x << "," << y;
    EXPECT_EQ(dest.Pixels().pixel(1 + 3, 1 + 3) >> 24, 0x40u); // transparency travels along
    EXPECT_EQ(dest.Pixels().pixel(0, 0), 0u);

    // Clipped to the destination's pixels; a source outside the picture or
    // an unloaded picture copies nothing.
    EXPECT_TRUE(picture.PaintFrame(dest, {-4, -4, 2, 2}, {0, 0, 2, 2}));
    EXPECT_EQ(dest.Pixels().pixel(0, 0) & 0xFF, 4u);
    EXPECT_TRUE(picture.PaintFrame(dest, {10, 10, 20, 20}, {0, 0, 2, 2}));
    EXPECT_FALSE(picture.PaintFrame(dest, {0, 0, 2, 2}, {0, 0, 3, 2}));
    EXPECT_FALSE(picture.PaintFrame(dest, {0, 0, 2, 2}, {-1, 0, 1, 2}));
    TAlphaBuffer empty;
    EXPECT_FALSE(empty.PaintFrame(dest, {0, 0, 2, 2}, {0, 0, 1, 1}));
    dest.EndPaint(0);
}

} // namespace
} // namespace kest
