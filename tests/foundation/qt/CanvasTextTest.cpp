#include "CanvasTestSupport.h"

#include <gtest/gtest.h>
#include <numeric>

namespace kest {
namespace {

using test::InkBounds;
using test::MakeCanvas;

TKestFont Font(int32_t height, TFontStyles style = 0, int32_t escapement = 0)
{
    TKestFont font;
    font.Name = "Arial";
    font.Height = height;
    font.Style = style;
    font.Escapement = escapement;
    return font;
}

void UseFont(TKestCanvas& canvas, const TKestFont& font)
{
    canvas.SetFont(font);
    canvas.SetBrush({clNone, bsClear});
}

TEST(CanvasText, ExtentIsTheSumOfTheAdvances)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 10, 10);
    UseFont(canvas, Font(-17));
    const std::string text = "Hello, Wörld! 123";
    std::u32string chars = U"Hello, Wörld! 123";
    int32_t sum = 0;
    for (char32_t c : chars) {
        int32_t w = 0;
        ASSERT_TRUE(canvas.GetCharWidth(c, c, std::span(&w, 1)));
        EXPECT_GT(w, 0);
        sum += w;
    }
    TKestSize extent = canvas.TextExtent(text);
    EXPECT_EQ(extent.cx, sum);
    EXPECT_EQ(extent.cy, canvas.GetTextMetrics().tmHeight);
    EXPECT_EQ(canvas.TextExtent("").cx, 0);

    int32_t widths[256];
    ASSERT_TRUE(canvas.GetCharWidth(0, 255, widths));
    EXPECT_EQ(widths['W'], canvas.TextWidth("W"));
    EXPECT_GT(widths['W'], widths['i']);
    EXPECT_FALSE(canvas.GetCharWidth(10, 5, widths));
    EXPECT_FALSE(canvas.GetCharWidth(0, 256, widths));
}

TEST(CanvasText, TextOutDrawsWithTheFontsOwnAdvances)
{
    TKestCanvas a, b;
    for (TKestCanvas* canvas : {&a, &b}) {
        MakeCanvas(*canvas, 200, 40);
        UseFont(*canvas, Font(-20));
    }
    const std::string text = "Advances";
    a.TextOut(5, 5, text);
    std::vector<int32_t> advances;
    for (char c : text)
        advances.push_back(b.TextWidth(std::string(1, c)));
    b.ExtTextOut(5, 5, 0, nullptr, text, advances);
    EXPECT_EQ(*a.Image(), *b.Image());
    TKestRect ink = InkBounds(*a.Image(), clWhite);
    EXPECT_GE(ink.Left, 5);
    EXPECT_LE(ink.Right, 5 + a.TextWidth(text) + 2);
    EXPECT_GE(ink.Right, 5 + a.TextWidth(text) - 4);

    // Other advances move the glyphs.
    MakeCanvas(b, 200, 40);
    const int32_t wide[] = {30};
    b.ExtTextOut(5, 5, 0, nullptr, "ll", wide);
    TKestRect first = InkBounds(b.Image()->copy(0, 0, 25, 40), clWhite);
    TKestRect second = InkBounds(b.Image()->copy(25, 0, 100, 40), clWhite);
    EXPECT_EQ(second.Left + 25 - first.Left, 30); // the same glyph, 30 pixels on
    EXPECT_EQ(RectWidth(second), RectWidth(first));
}

TEST(CanvasText, AlignmentAndOpaqueBackground)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 200, 60);
    canvas.SetFont(Font(-20));
    canvas.SetBrush({clYellow, bsSolid}); // solid: the text cell is filled
    TTextMetric tm = canvas.GetTextMetrics();
    int32_t width = canvas.TextWidth("Cell");
    canvas.SetTextAlign(TA_RIGHT | TA_BASELINE);
    canvas.TextOut(150, 40, "Cell");
    TKestRect cell = InkBounds(*canvas.Image(), clWhite);
    EXPECT_EQ(cell, (TKestRect {150 - width, 40 - tm.tmAscent, 150, 40 + tm.tmDescent}));
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 150 - width, 40 - tm.tmAscent), clYellow);
}

TEST(CanvasText, Metrics)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 10, 10);
    canvas.SetFont(Font(-20));
    TTextMetric tm = canvas.GetTextMetrics();
    EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent);
    EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 20);
    EXPECT_GT(tm.tmInternalLeading, 0);
    EXPECT_GT(tm.tmAveCharWidth, 0);
    EXPECT_GT(tm.tmMaxCharWidth, tm.tmAveCharWidth);
    EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
    EXPECT_EQ(tm.tmWeight, 400);

    // A positive height is the cell height.
    canvas.SetFont(Font(30, fsBold | fsItalic));
    tm = canvas.GetTextMetrics();
    EXPECT_EQ(tm.tmHeight, 30);
    EXPECT_LT(tm.tmHeight - tm.tmInternalLeading, 30);
    EXPECT_EQ(tm.tmWeight, 700);
    EXPECT_TRUE(tm.tmItalic);

    // Outline metrics give design units when the font's height is one em.
    TOutlineTextMetric otm;
    ASSERT_TRUE(canvas.GetOutlineTextMetrics(otm));
    ASSERT_GT(otm.otmEMSquare, 0u);
    canvas.SetFont(Font(-int32_t(otm.otmEMSquare)));
    TABC abc[256];
    int32_t widths[256];
    ASSERT_TRUE(canvas.GetCharABCWidths(0, 255, abc));
    ASSERT_TRUE(canvas.GetCharWidth(0, 255, widths));
    for (int c = 32; c < 256; ++c)
        EXPECT_EQ(abc[c].abcA + abc[c].abcB + abc[c].abcC, widths[c]) << c;
    EXPECT_GT(abc['W'].abcB, abc['i'].abcB);
    EXPECT_LT(abc['j'].abcA, 0); // j hangs left of its cell in this face
    canvas.SetFont(Font(-10));
    int32_t small = canvas.TextWidth("W");
    EXPECT_NEAR(double(widths['W']) * 10 / otm.otmEMSquare, small, 1);
}

TEST(CanvasText, RotatedTextTurnsItsBoundingBox)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 200, 200);
    UseFont(canvas, Font(-20));
    canvas.TextOut(20, 100, "WWWWWW");
    TKestRect flat = InkBounds(*canvas.Image(), clWhite);
    ASSERT_GT(RectWidth(flat), 2 * RectHeight(flat));

    MakeCanvas(canvas, 200, 200);
    UseFont(canvas, Font(-20, 0, 900));
    canvas.TextOut(100, 150, "WWWWWW");
    TKestRect up = InkBounds(*canvas.Image(), clWhite);
    // Counter-clockwise by 90 degrees: the run climbs from the reference
    // point and the glyphs' tops face left.
    EXPECT_NEAR(RectHeight(up), RectWidth(flat), 2);
    EXPECT_NEAR(RectWidth(up), RectHeight(flat), 2);
    EXPECT_LE(up.Bottom, 151);
    EXPECT_GE(up.Left, 99);

    MakeCanvas(canvas, 200, 200);
    UseFont(canvas, Font(-20, 0, 450));
    canvas.TextOut(60, 140, "WWWWWW");
    TKestRect diagonal = InkBounds(*canvas.Image(), clWhite);
    EXPECT_GT(RectHeight(diagonal), 3 * RectHeight(flat));
    EXPECT_LT(RectWidth(diagonal), RectWidth(flat));
}

TEST(CanvasText, DrawTextMeasuresAndLaysOut)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 300, 200);
    UseFont(canvas, Font(-16));
    TTextMetric tm = canvas.GetTextMetrics();

    TKestRect r {10, 10, 300, 200};
    EXPECT_EQ(canvas.DrawText("one line", r, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
    EXPECT_EQ(r, (TKestRect {10, 10, 10 + canvas.TextWidth("one line"), 10 + tm.tmHeight}));
    EXPECT_EQ(test::CountColor(*canvas.Image(), clWhite), 300 * 200); // measuring draws nothing

    for (const char* text : {"a\r\nbb\rc", "a\nbb\n\rc", "a\rbb\r\nc"}) {
        r = {0, 0, 300, 200};
        EXPECT_EQ(canvas.DrawText(text, r, DT_CALCRECT), 3 * tm.tmHeight) << text;
        EXPECT_EQ(RectWidth(r), canvas.TextWidth("bb"));
    }
    r = {0, 0, 300, 200};
    EXPECT_EQ(canvas.DrawText("", r, DT_CALCRECT), tm.tmHeight);
    EXPECT_EQ(RectWidth(r), 0);

    // Word break: lines fill up to the width; a word wider than it keeps its
    // own line.
    int32_t wordWidth = canvas.TextWidth("word word");
    r = {0, 0, wordWidth, 200};
    EXPECT_EQ(canvas.DrawText("word word word word word", r, DT_CALCRECT | DT_WORDBREAK), 3 * tm.tmHeight);
    EXPECT_EQ(RectWidth(r), wordWidth);
    r = {0, 0, 5, 200};
    EXPECT_EQ(canvas.DrawText("unbreakable word", r, DT_CALCRECT | DT_WORDBREAK), 2 * tm.tmHeight);
    EXPECT_EQ(RectWidth(r), canvas.TextWidth("unbreakable"));

    // Tabs jump to stops eight average characters apart.
    r = {0, 0, 300, 200};
    canvas.DrawText("a\tb", r, DT_CALCRECT | DT_EXPANDTABS);
    EXPECT_EQ(RectWidth(r), 8 * tm.tmAveCharWidth + canvas.TextWidth("b"));

    // Prefixes: "&&" stands for "&", "&F" underlines F.
    r = {0, 0, 300, 200};
    canvas.DrawText("&File && Edit", r, DT_CALCRECT);
    EXPECT_EQ(RectWidth(r), canvas.TextWidth("File & Edit"));
    r = {0, 0, 300, 200};
    canvas.DrawText("&File", r, DT_CALCRECT | DT_NOPREFIX);
    EXPECT_EQ(RectWidth(r), canvas.TextWidth("&File"));
}

TEST(CanvasText, DrawTextAlignsWithinTheRectangle)
{
    TKestCanvas canvas;
    UseFont(canvas, Font(-16));
    TKestRect box {20, 20, 220, 120};
    auto ink = [&](uint32_t format, int32_t* result = nullptr) {
        MakeCanvas(canvas, 240, 140);
        TKestRect r = box;
        int32_t height = canvas.DrawText("Mmm", r, format);
        if (result)
            *result = height;
        return InkBounds(*canvas.Image(), clWhite);
    };
    int32_t width = canvas.TextWidth("Mmm"), lineHeight = canvas.GetTextMetrics().tmHeight;
    TKestRect left = ink(DT_LEFT), right = ink(DT_RIGHT), centre = ink(DT_CENTER);
    EXPECT_NEAR(left.Left, 20, 2);
    EXPECT_NEAR(right.Right, 220, 2);
    EXPECT_NEAR((centre.Left + centre.Right) / 2, 120, 2);
    EXPECT_NEAR(right.Left - left.Left, 200 - width, 1);
    int32_t height = 0;
    TKestRect bottom = ink(DT_BOTTOM | DT_SINGLELINE, &height);
    EXPECT_EQ(height, 100);
    EXPECT_NEAR(bottom.Bottom, 120 - canvas.GetTextMetrics().tmDescent, 1);
    TKestRect middle = ink(DT_VCENTER | DT_SINGLELINE, &height);
    EXPECT_EQ(height, (100 - lineHeight) / 2 + lineHeight);
    EXPECT_GT(middle.Top, left.Top + 30);

    // Clipped to the rectangle unless told otherwise.
    box = {20, 20, 35, 120};
    EXPECT_LE(ink(DT_LEFT).Right, 35);
    EXPECT_GT(ink(DT_LEFT | DT_NOCLIP).Right, 35);
}

// DrawText leaves the clip out for text well inside its rectangle; every
// text, inside or sticking out by a pixel or more, must come out as clipped
// by a clip region of the rectangle.
TEST(CanvasText, DrawTextPaintsAsClippedToItsRectangle)
{
    TKestCanvas canvas, clipped;
    int unclipped = 0;
    for (const TKestFont& font : {Font(-11), Font(-16, fsItalic), Font(-13, fsBold)})
        for (TBkMode mode : {TRANSPARENT, OPAQUE})
            for (uint32_t align : {DT_LEFT, DT_CENTER, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE, DT_WORDBREAK})
                for (int shrink = -2; shrink <= 4; ++shrink) {
                    UseFont(canvas, font);
                    const TKestSize size = canvas.TextExtent("Wolf jig Ag");
                    const TKestRect box {10 + shrink, 10 + shrink, 10 + size.cx - shrink, 10 + size.cy - shrink};
                    // Clipped by DrawText itself, by a clip region, or not at all.
                    enum { byDrawText, byRegion, none };
                    auto paint = [&](TKestCanvas& target, int clip) {
                        MakeCanvas(target, size.cx + 20, size.cy + 20);
                        UseFont(target, font);
                        target.SetBkMode(mode);
                        target.SetBkColor(clYellow);
                        if (clip == byRegion)
                            target.SelectClipRgn(TKestRegion(box));
                        TKestRect r = box;
                        target.DrawText("Wolf jig Ag", r, align | (clip == byDrawText ? 0 : DT_NOCLIP));
                        return *target.Image();
                    };
                    const QImage image = paint(canvas, byDrawText), expected = paint(clipped, byRegion);
                    ASSERT_EQ(image, expected) << "shrink " << shrink << " format " << align;
                    // Cases where the clip has something to cut.
                    unclipped += image != paint(clipped, none);
                }
    EXPECT_GT(unclipped, 0);
}

TEST(CanvasText, ClippedAndOpaqueExtTextOut)
{
    TKestCanvas canvas;
    MakeCanvas(canvas, 100, 40);
    UseFont(canvas, Font(-20));
    canvas.SetBkColor(clAqua);
    TKestRect r {10, 5, 30, 35};
    canvas.ExtTextOut(10, 10, ETO_OPAQUE | ETO_CLIPPED, &r, "WWWWWW");
    EXPECT_EQ(InkBounds(*canvas.Image(), clWhite), r);
    EXPECT_EQ(test::ColorAt(*canvas.Image(), 10, 5), clAqua);
}

} // namespace
} // namespace kest
