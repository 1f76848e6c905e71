// Brushes: what they set up on a canvas and paint themselves, gradients
// under rotation and mirroring, their own bitmap and its link.
#include <gtest/gtest.h>

#include "GraphicPropsTestSupport.h"
#include "KestGraphicProps.h"
#include "foundation/qt/CanvasTestSupport.h"

namespace kest {
namespace {

using test::ColorAt;
using test::GridColor;
using test::MakeCanvas;

struct TBrushList {
    TPropList list;
    TBrushProp* brush = list.Add<TBrushProp>("Brush");
    int changes = 0;
    int beforeChanges = 0;
    TBrushList()
    {
        list.OnPropChanged = [this](TPropList*, TCustomProp*) { ++changes; };
        list.OnPropBeforeChanged = [this](TPropList*, TCustomProp*) { ++beforeChanges; };
    }
};

TEST(BrushProp, SetupClearsTheCanvasBrushForSelfPaintingAndColourlessBrushes)
{
    TBrushList b;
    TKestCanvas canvas;
    b.brush->SetColor(clRed);
    b.brush->SetStyle(bsCross);
    b.brush->Setup(&canvas, 100);
    EXPECT_EQ(canvas.Brush().Color, clRed);
    EXPECT_EQ(canvas.Brush().Style, bsCross);
    EXPECT_FALSE(b.brush->IsClear());
    EXPECT_FALSE(b.brush->IsPaintAlternate());

    b.brush->SetMethod(bmGradient);
    b.brush->Setup(&canvas, 100);
    EXPECT_EQ(canvas.Brush().Style, bsClear);
    EXPECT_FALSE(b.brush->IsClear());
    EXPECT_TRUE(b.brush->IsPaintAlternate());

    b.brush->SetMethod(bmBitmap);
    EXPECT_TRUE(b.brush->IsClear());
    b.brush->SetBitmapData(test::BmpFile(2, 2));
    EXPECT_FALSE(b.brush->IsClear());

    b.brush->SetMethod(bmHatch);
    b.brush->SetColor(clNone);
    b.brush->Setup(&canvas, 100);
    EXPECT_EQ(canvas.Brush().Style, bsClear);
    EXPECT_TRUE(b.brush->IsClear());
    b.brush->SetColor(clBlue);
    b.brush->SetStyle(bsClear);
    EXPECT_TRUE(b.brush->IsClear());
}

TEST(BrushProp, GradientsTurnWithTheirOwner)
{
    struct TCase {
        TGradientStyle Style;
        int32_t Angle;
        bool Mirrored;
        TGradientStyle Expected;
        bool Exchanged;
    };
    for (const TCase& c : {
             TCase {gsTopLeft, 90, false, gsBottomLeft, false},
             TCase {gsTopLeft, 0, true, gsTopRight, false},
             TCase {gsTopLeft, 180, false, gsBottomRight, false},
             TCase {gsTopLeft, -90, false, gsTopRight, false},
             TCase {gsBottomLeft, 90, true, gsTopRight, false},
             TCase {gsHorizontal, 0, true, gsHorizontal, true},
             TCase {gsHorizontal, 90, false, gsVertical, true},
             TCase {gsHorizontal, 90, true, gsVertical, false},
             TCase {gsHorizontal, 180, false, gsHorizontal, true},
             TCase {gsHorizontal, 270, false, gsVertical, false},
             TCase {gsHorizontal, 45, false, gsHorizontal, false}, // half a quarter rounds to even: 0
             TCase {gsHorizontal, 135, false, gsHorizontal, true}, // 1.5 rounds to 2
             TCase {gsHorizontal, 315, false, gsHorizontal, false}, // 3.5 rounds to 4, a full turn
             TCase {gsVertical, 90, true, gsHorizontal, false},
             TCase {gsVertical, 180, false, gsVertical, true},
             TCase {gsVertical, -90, false, gsHorizontal, true},
             TCase {gsSquare, 90, true, gsSquare, false},
             TCase {gsElliptic, 180, false, gsElliptic, false},
         }) {
        TBrushList b;
        b.brush->SetMethod(bmGradient);
        b.brush->SetGradStyle(c.Style);
        b.brush->SetGradBeginColor(clRed);
        b.brush->SetGradEndColor(clBlue);
        b.changes = 0;
        b.brush->Translate(c.Angle, c.Mirrored);
        EXPECT_EQ(b.brush->GradStyle(), c.Expected) << int(c.Style) << " " << c.Angle << " " << c.Mirrored;
        EXPECT_EQ(b.brush->GradBeginColor(), c.Exchanged ? clBlue : clRed) << int(c.Style) << " " << c.Angle;
        const bool changed = c.Expected != c.Style || c.Exchanged;
        EXPECT_EQ(b.changes, changed ? 1 : 0) << int(c.Style) << " " << c.Angle;
    }
    TBrushList b;
    b.brush->SetGradStyle(gsTopLeft);
    b.brush->Translate(90, false);
    EXPECT_EQ(b.brush->GradStyle(), gsTopLeft);
}

TEST(BrushProp, PaintsItsGradientOrItsTiledBitmapThroughTheCache)
{
    TBrushList b;
    TKestCanvas canvas;
    MakeCanvas(canvas, 20, 4, clRed);
    b.brush->SetMethod(bmGradient);
    b.brush->SetGradBeginColor(clBlack);
    b.brush->SetGradEndColor(RGBColor(0, 0, 1));
    b.brush->PaintAlternate(canvas, {0, 0, 10, 4}, {0, 0, 10, 4}, false, 100);
    EXPECT_EQ(ColorAt(*canvas.Image(), 9, 3), clBlack);
    EXPECT_EQ(ColorAt(*canvas.Image(), 10, 3), clRed);

    b.brush->SetMethod(bmBitmap);
    b.brush->SetBitmapData(test::BmpFile(3, 2));
    b.brush->PaintAlternate(canvas, {2, 0, 20, 4}, {4, 0, 20, 3}, false, 100);
    EXPECT_EQ(ColorAt(*canvas.Image(), 4, 1), GridColor(2, 1));
    EXPECT_EQ(ColorAt(*canvas.Image(), 4, 3), clBlack);
    EXPECT_FALSE(b.brush->PatternCache().Pattern.isNull());

    // Any change of the bitmap or of caching drops the pattern.
    b.brush->SetBitmapMasked(true);
    EXPECT_TRUE(b.brush->PatternCache().Pattern.isNull());
    b.brush->PaintAlternate(canvas, {2, 0, 20, 4}, {4, 0, 20, 3}, false, 100);
    b.brush->Bitmap()->SetImage(test::GridImage(5, 5));
    EXPECT_TRUE(b.brush->PatternCache().Pattern.isNull());
    b.brush->SetBitmapCache(false);
    b.brush->PaintAlternate(canvas, {2, 0, 20, 4}, {4, 0, 20, 3}, false, 100);
    EXPECT_TRUE(b.brush->PatternCache().Pattern.isNull());
}

TEST(BrushProp, TheBitmapTakesTheMaskAndIsWatched)
{
    TBrushList b;
    b.brush->SetBitmapMasked(true);
    b.brush->SetBitmapMaskColor(clBtnFace);
    EXPECT_EQ(b.changes, 2);
    const auto source = test::MakeBitmap(test::GridImage(4, 4));
    b.brush->SetBitmap(source.get());
    ASSERT_NE(b.brush->Bitmap(), nullptr);
    EXPECT_NE(b.brush->Bitmap(), source.get());
    EXPECT_TRUE(b.brush->Bitmap()->Transparent());
    EXPECT_EQ(TColor(b.brush->Bitmap()->TransparentColor()), ColorToRGB(clBtnFace));
    EXPECT_FALSE(source->Transparent());

    b.brush->SetBitmapMaskColor(GridColor(1, 1));
    EXPECT_EQ(TColor(b.brush->Bitmap()->TransparentColor()), GridColor(1, 1));
    b.brush->SetBitmapMasked(false);
    EXPECT_FALSE(b.brush->Bitmap()->Transparent());
    EXPECT_EQ(b.changes, b.beforeChanges);

    // Changes made to the bitmap itself are read back and notified.
    b.changes = 0;
    b.brush->Bitmap()->SetTransparentColor(uint32_t(GridColor(2, 2)));
    b.brush->Bitmap()->SetTransparent(true);
    EXPECT_EQ(b.changes, 2);
    EXPECT_TRUE(b.brush->BitmapMasked());
    EXPECT_EQ(b.brush->BitmapMaskColor(), GridColor(2, 2));

    // Equal data changes nothing; none removes the bitmap.
    b.changes = 0;
    b.brush->SetBitmapData(b.brush->BitmapData());
    EXPECT_EQ(b.changes, 0);
    b.brush->SetBitmap(nullptr);
    EXPECT_EQ(b.brush->Bitmap(), nullptr);
    b.brush->SetBitmap(nullptr);
    EXPECT_EQ(b.changes, 1);
}

TEST(BrushProp, HostileBitmapDataLeavesNoBitmap)
{
    TBrushList b;
    b.brush->SetBitmapData(test::BmpFile(6, 6));
    TBytes truncated = test::BmpFile(6, 6);
    truncated.resize(truncated.size() - 10);
    b.brush->SetBitmapData(truncated);
    EXPECT_EQ(b.brush->Bitmap(), nullptr);

    // A header declaring 100000 x 100000 pixels in a few bytes.
    TBytes huge = test::BmpFile(1, 1);
    for (size_t offset : {18u, 22u}) {
        huge[offset] = 0xA0;
        huge[offset + 1] = 0x86;
        huge[offset + 2] = 0x01;
    }
    b.brush->SetBitmapData(huge);
    EXPECT_EQ(b.brush->Bitmap(), nullptr);
    b.brush->SetPropValue("Bitmap", TPropValue(std::string("not bytes")));
    EXPECT_EQ(b.brush->Bitmap(), nullptr);
    test::LoadList(b.list,
        "property Brush\r\n"
        "  Bitmap = {\r\n"
        "    424D3A00\r\n"
        "    00 }\r\n"
        "end\r\n");
    EXPECT_EQ(b.brush->Bitmap(), nullptr);
}

TEST(BrushProp, LinkedBitmapsComeFromTheProgramsFolderOrTheResolver)
{
    const TBytes file = test::BmpFile(3, 3);
    test::TAppFile linked("brushprop-link.bmp", file);
    TBrushList b;
    b.brush->SetBitmapMasked(true);
    b.brush->SetBitmapLinkName("brushprop-link.bmp");
    ASSERT_NE(b.brush->Bitmap(), nullptr);
    EXPECT_EQ(b.brush->BitmapData(), file);
    EXPECT_TRUE(b.brush->Bitmap()->Transparent());
    EXPECT_EQ(b.changes, 2);

    b.brush->SetBitmapLinkName("brushprop-missing.bmp");
    EXPECT_EQ(b.brush->Bitmap(), nullptr);
    EXPECT_EQ(b.brush->BitmapLinkName(), "brushprop-missing.bmp");
    b.brush->SetBitmapLinkName("brushprop-link.bmp");
    b.brush->SetBitmapLinkName("");
    EXPECT_EQ(b.brush->Bitmap(), nullptr);

    std::string asked;
    SetBrushLinkResolver([&](TBrushProp* prop, const std::string& name, TKestBitmap& bitmap) {
        EXPECT_EQ(prop, b.brush);
        asked = name;
        bitmap.SetImage(test::GridImage(7, 1));
    });
    b.brush->SetBitmapLinkName("brushprop-link.bmp");
    SetBrushLinkResolver(nullptr);
    EXPECT_EQ(asked, "brushprop-link.bmp");
    ASSERT_NE(b.brush->Bitmap(), nullptr);
    EXPECT_EQ(b.brush->Bitmap()->Width(), 7);
}

} // namespace
} // namespace kest
