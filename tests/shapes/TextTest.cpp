// The text shape: what a new text shows, saving, turning, automatic size and
// font, and what it paints (turned, greyed, precise at two zooms).
#include <gtest/gtest.h>

#include "ShapeTestSupport.h"

namespace kest::shapetest {
namespace {

struct TTextFixture : TShapeFixture {
    TTextFixture() { RegisterControlClass(TKestText::StaticClass()); }

    TKestText* AddText(const TKestRect& rect, const std::string& text)
    {
        TKestText* shape = Add<TKestText>(rect);
        shape->SetText(text);
        shape->Font()->SetName("Arial");
        return shape;
    }
};

// Rectangle of the pixels that are not white.
TKestRect Ink(const TPainted& painted)
{
    const QImage& image = *painted.canvas.Image();
    TKestRect r {image.width(), image.height(), 0, 0};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (painted.At(x, y) != clWhite) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.Right > r.Left ? r : TKestRect {};
}

// Number of bands of rows with ink.
int InkLines(const TPainted& painted)
{
    const QImage& image = *painted.canvas.Image();
    int bands = 0;
    bool previous = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = painted.At(x, y) != clWhite;
        bands += ink && !previous;
        previous = ink;
    }
    return bands;
}

TEST(TextTest, NewTextShowsItsNameWithoutFrame)
{
    TTextFixture f;
    f.panel.SetAutoNames(true);
    auto* text = dynamic_cast<TKestText*>(f.panel.CreateControl(TKestText::StaticClass(), 10000, 10000));
    ASSERT_NE(text, nullptr);
    ASSERT_FALSE(text->Name().empty());
    EXPECT_EQ(text->Text(), text->Name());
    EXPECT_EQ(text->Pen()->Style(), psClear);
    EXPECT_EQ(TKestText::StaticClass()->CreationCursor(), 10);
    EXPECT_EQ(text->ConvertToCurve(), nullptr);
    // A text is hit inside even with a clear brush; a box would not be.
    text->SetDocRect({10000, 10000, 110000, 60000});
    text->Brush()->SetStyle(bsClear);
    EXPECT_TRUE(text->IsPointInside(60, 35));
    EXPECT_FALSE(text->IsPointInside(120, 35));
}

TEST(TextTest, SavesWhatDiffersAndLoadsBackTheSame)
{
    TTextFixture f;
    TKestText* plain = f.AddText({10000, 10000, 60000, 30000}, "");
    plain->SetName("Plain");
    TKestText* styled = f.AddText({60000, 10000, 160000, 90000}, "first line\r\nsecond line");
    styled->SetName("Styled");
    styled->SetWordWrap(true);
    styled->SetGrayed(true);
    styled->SetAngle(30);
    styled->SetAlignment(taCenter);
    styled->SetLayout(tlBottom);
    styled->SetPrecise(true);
    styled->SetPreciseJustify(true);
    styled->SetMaxFontSize(12000);
    styled->Font()->SetSize(14000);
    styled->Pen()->SetStyle(psSolid);

    const std::string text = doctest::SaveText(f.panel);
    EXPECT_EQ(Resaved(text), text);
    const std::string plainPart
        = text.substr(text.find("object Plain"), text.find("object Styled") - text.find("object Plain"));
    for (const char* name : {"AutoSize", "Text", "WordWrap", "Grayed", "Angle", "Alignment", "Layout", "Precise",
             "AutoScaleFontSize", "MaxFontSize"})
        EXPECT_EQ(plainPart.find(std::string(name) + " ="), std::string::npos) << name;
    // A text's pen is clear unless the document says otherwise: only the
    // framed text names its pen's style.
    EXPECT_EQ(plainPart.find("Style ="), std::string::npos);
    EXPECT_NE(text.find("Style = psSolid", text.find("object Styled")), std::string::npos);

    TShapeFixture other;
    doctest::LoadText(other.panel, text);
    auto* loaded = dynamic_cast<TKestText*>(other.panel.FindControlByName("Styled"));
    auto* loadedPlain = dynamic_cast<TKestText*>(other.panel.FindControlByName("Plain"));
    ASSERT_NE(loaded, nullptr);
    ASSERT_NE(loadedPlain, nullptr);
    EXPECT_EQ(loaded->Text(), "first line\r\nsecond line");
    EXPECT_TRUE(loaded->WordWrap() && loaded->Grayed() && loaded->Precise() && loaded->PreciseJustify());
    EXPECT_EQ(loaded->Angle(), 30);
    EXPECT_EQ(loaded->Alignment(), taCenter);
    EXPECT_EQ(loaded->Layout(), tlBottom);
    EXPECT_EQ(loaded->MaxFontSize(), 12000);
    EXPECT_EQ(loaded->Font()->Size(), styled->Font()->Size());
    EXPECT_EQ(loaded->Pen()->Style(), psSolid);
    EXPECT_EQ(loadedPlain->Pen()->Style(), psClear);
    EXPECT_EQ(loadedPlain->Text(), "");
}

TEST(TextTest, TurningAddsToTheAngleAndMirroringKeepsIt)
{
    TTextFixture f;
    TKestText* text = f.AddText({10000, 10000, 50000, 30000}, "turn");
    TTranslateInfo turn {{30000, 20000}, 90, false};
    text->Translate(turn);
    EXPECT_EQ(text->Angle(), 90);
    text->Translate(turn);
    EXPECT_EQ(text->Angle(), 180);
    text->Translate({{30000, 20000}, 0, true});
    EXPECT_EQ(text->Angle(), 180);
    text->Translate({{30000, 20000}, -270, false});
    EXPECT_EQ(text->Angle(), 270);
}

TEST(TextTest, AutoSizeFollowsTheText)
{
    TTextFixture f;
    TKestText* text = f.AddText({10000, 10000, 20000, 20000}, "Short");
    text->Font()->SetHeight(-20000);
    text->SetAutoSize(true);
    int32_t shortWidth = text->Width();
    int32_t oneLine = text->Height();
    EXPECT_GT(shortWidth, 20000);
    EXPECT_GT(oneLine, 20000);
    EXPECT_EQ(oneLine % PixelScale, 0);

    text->SetText("Short and longer");
    EXPECT_GT(text->Width(), shortWidth);
    text->SetText("Short\r\nShort");
    EXPECT_EQ(text->Width(), shortWidth);
    EXPECT_EQ(text->Height(), 2 * oneLine);
    // The size is the text's: direct changes are refused.
    text->SetWidth(500000);
    text->SetHeight(500000);
    EXPECT_EQ(text->Width(), shortWidth);
    EXPECT_EQ(text->Height(), 2 * oneLine);
    // A frame adds its width on both sides.
    text->Pen()->SetStyle(psSolid);
    text->Pen()->SetWidth(3000);
    EXPECT_EQ(text->Width(), shortWidth + 6000);
    EXPECT_EQ(text->Height(), 2 * oneLine + 6000);

    // Switched off, the size is free again.
    text->SetAutoSize(false);
    text->SetWidth(500000);
    EXPECT_EQ(text->Width(), 500000);
}

TEST(TextTest, AutoSizeWithWordWrapKeepsTheWidth)
{
    TTextFixture f;
    TKestText* text = f.AddText({0, 0, 400000, 20000}, "one two three four five six seven eight nine ten");
    text->Font()->SetHeight(-20000);
    text->SetWordWrap(true);
    text->SetAutoSize(true);
    EXPECT_EQ(text->Width(), 400000);
    int32_t wide = text->Height();
    text->SetWidth(120000);
    EXPECT_EQ(text->Width(), 120000);
    EXPECT_GT(text->Height(), wide);
    // Height follows the text, not the user.
    int32_t narrow = text->Height();
    text->SetHeight(5000);
    EXPECT_EQ(text->Height(), narrow);

    // Precise measuring breaks the same words at any zoom, and sizes alike.
    text->SetPrecise(true);
    EXPECT_EQ(text->Width(), 120000);
    EXPECT_GT(text->Height(), wide);
}

TEST(TextTest, AutoScaledFontFollowsTheBoxUpToItsMaximum)
{
    TTextFixture f;
    TKestText* text = f.AddText({0, 0, 100000, 30000}, "Scaled");
    text->SetMaxFontSize(12000);
    text->SetAutoScaleFontSize(true);
    EXPECT_EQ(text->Font()->Height(), 12000);
    text->SetMaxFontSize(0);
    text->SetHeight(25000);
    EXPECT_EQ(text->Font()->Height(), 25000);
    // At 90 degrees the width governs; at 45 nothing does.
    text->SetAngle(90);
    text->SetWidth(40000);
    EXPECT_EQ(text->Font()->Height(), 40000);
    text->SetHeight(50000);
    EXPECT_EQ(text->Font()->Height(), 40000);
    text->SetAngle(45);
    text->SetWidth(60000);
    EXPECT_EQ(text->Font()->Height(), 40000);
}

TEST(TextTest, TurnedTextPaintsInsideItsBox)
{
    for (bool precise : {false, true})
        for (int angle : {30, 90, 200, 300}) {
            TTextFixture f;
            TKestText* text = f.AddText({40000, 30000, 160000, 120000}, "Turned text line");
            text->Font()->SetHeight(-16000);
            text->SetAngle(angle);
            text->SetPrecise(precise);
            TPainted painted(f.panel, 200, 150);
            if (const char* dir = std::getenv("KEST_TEXT_PNG"))
                painted.Save(std::string(dir) + "/turned_" + std::to_string(angle) + (precise ? "p" : "") + ".png");
            TKestRect ink = Ink(painted);
            ASSERT_GT(RectWidth(ink), 0) << angle;
            EXPECT_GE(ink.Left, 40) << angle << " " << precise;
            EXPECT_GE(ink.Top, 30) << angle << " " << precise;
            EXPECT_LE(ink.Right, 160) << angle << " " << precise;
            EXPECT_LE(ink.Bottom, 120) << angle << " " << precise;
            if (angle == 90) {
                EXPECT_GT(RectHeight(ink), 2 * RectWidth(ink)) << precise;
            }
        }
}

TEST(TextTest, GreyedTextIsShadowOverHighlight)
{
    for (bool precise : {false, true}) {
        TTextFixture f;
        TKestText* text = f.AddText({10000, 10000, 190000, 60000}, "Greyed");
        text->Font()->SetHeight(-30000);
        text->Brush()->SetColor(clBlack);
        text->SetGrayed(true);
        text->SetPrecise(precise);
        TPainted painted(f.panel, 200, 80);
        if (const char* dir = std::getenv("KEST_TEXT_PNG"))
            painted.Save(std::string(dir) + "/greyed" + (precise ? "p" : "") + ".png");
        int shadow = 0, highlight = 0, other = 0;
        for (int y = 10; y < 60; ++y)
            for (int x = 10; x < 190; ++x) {
                TColor c = painted.At(x, y);
                shadow += c == ColorToRGB(clBtnShadow);
                highlight += c == ColorToRGB(clBtnHighlight);
                other += c != clBlack && c != ColorToRGB(clBtnShadow) && c != ColorToRGB(clBtnHighlight);
            }
        EXPECT_GT(shadow, 50) << precise;
        EXPECT_GT(highlight, 10) << precise;
        EXPECT_GT(other, 0) << precise; // antialiased edges
        text->SetGrayed(false);
        TPainted plain(f.panel, 200, 80);
        EXPECT_EQ(Ink(plain).Top, Ink(painted).Top) << precise;
    }
}

TEST(TextTest, LayoutMovesPlatformTextDown)
{
    TTextFixture f;
    TKestText* text = f.AddText({0, 0, 200000, 140000}, "Layout");
    text->Font()->SetHeight(-20000);
    TPainted top(f.panel, 200, 150);
    text->SetLayout(tlCenter);
    TPainted centre(f.panel, 200, 150);
    text->SetLayout(tlBottom);
    TPainted bottom(f.panel, 200, 150);
    int32_t free = Ink(bottom).Top - Ink(top).Top;
    EXPECT_GT(free, 90);
    EXPECT_NEAR(Ink(centre).Top - Ink(top).Top, free / 2, 1);
    EXPECT_LE(Ink(bottom).Bottom, 140);
}

TEST(TextTest, PreciseTextBreaksTheSameAtEveryZoom)
{
    const std::string paragraph = "Precise text keeps its line breaks when the view zooms in or out, "
                                  "whatever rounding the pixel grid does";
    int lines[2] = {0, 0};
    int i = 0;
    for (int32_t scale : {100, 250}) {
        TTextFixture f;
        TKestText* text = f.AddText({10000, 10000, 190000, 150000}, paragraph);
        text->Font()->SetHeight(-14000);
        text->SetWordWrap(true);
        text->SetPrecise(true);
        text->SetPreciseJustify(true);
        f.panel.SetScale(scale);
        TPainted painted(f.panel, 2 * scale, 16 * scale / 10);
        if (const char* dir = std::getenv("KEST_TEXT_PNG"))
            painted.Save(std::string(dir) + "/precise_" + std::to_string(scale) + ".png");
        lines[i++] = InkLines(painted);
        TKestRect ink = Ink(painted);
        EXPECT_LE(ink.Right, 190 * scale / 100) << scale;
    }
    EXPECT_GE(lines[0], 3);
    EXPECT_EQ(lines[0], lines[1]);
}

TEST(TextTest, AutoSizedTextRefreshesItsGlyphOverhangs)
{
    TTextFixture f;
    TKestText* text = f.AddText({10000, 10000, 20000, 20000}, "fjord");
    text->Font()->SetHeight(-30000);
    text->Font()->SetStyle(fsItalic);
    TKestRect box = text->GetRefreshRect(0, 0);
    EXPECT_EQ(box, (TKestRect {0, 0, text->Width(), text->Height()}));
    text->SetAutoSize(true);
    TKestRect grown = text->GetRefreshRect(0, 0);
    EXPECT_LE(grown.Left, 0);
    EXPECT_GE(grown.Right, text->Width() + PixelScale);
    // A longer text is measured afresh.
    text->SetText("fjord fjord");
    EXPECT_GE(text->GetRefreshRect(0, 0).Right, text->Width() + PixelScale);
    // Precise text stays in its box.
    text->SetPrecise(true);
    EXPECT_EQ(text->GetRefreshRect(5000, 7000), (TKestRect {5000, 7000, 5000 + text->Width(), 7000 + text->Height()}));
}

} // namespace
} // namespace kest::shapetest
