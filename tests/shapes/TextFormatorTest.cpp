#include "KestTextFormator.h"

#include "foundation/qt/CanvasTestSupport.h"

#include <gtest/gtest.h>

namespace kest {
namespace {

using test::InkBounds;
using test::MakeCanvas;

// The formator on a canvas with an "Arial" font of the given pixel height.
struct TFormatorFixture {
    TKestCanvas canvas;
    TTextFormator formator;

    explicit TFormatorFixture(double height = -20, int width = 400, int imageHeight = 300)
    {
        MakeCanvas(canvas, width, imageHeight);
        TKestFont font;
        font.Name = "Arial";
        font.Height = int32_t(height);
        canvas.SetFont(font);
        EXPECT_TRUE(formator.Setup(canvas, height, false));
    }

    int64_t Width(std::u32string_view text) { return formator.MeasureRun(text, 0, text.size()); }

    std::vector<std::u32string> Lines(std::u32string_view text, int64_t maxWidth, bool wordWrap)
    {
        std::vector<std::u32string> out;
        for (const TTextLine& line : formator.Lines(text, maxWidth, wordWrap))
            out.emplace_back(text.substr(line.First, line.Last - line.First));
        return out;
    }

    QImage Paint(std::string_view text, const TKestRect& rect, int angle, bool justify, TTextLayout layout,
        TTextAlignment alignment, bool wordWrap)
    {
        canvas.Image()->fill(Qt::white);
        formator.PaintText(canvas, rect, text, angle, justify, layout, alignment, wordWrap);
        return *canvas.Image();
    }
};

using TLines = std::vector<std::u32string>;

// Bands of rows holding ink, as [top, bottom) pairs.
std::vector<std::pair<int, int>> InkBands(const QImage& image)
{
    std::vector<std::pair<int, int>> bands;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        bool ink = false;
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = test::ColorAt(image, x, y) != clWhite;
        if (ink && !inBand)
            bands.emplace_back(y, y + 1);
        else if (ink)
            bands.back().second = y + 1;
        inBand = ink;
    }
    return bands;
}

QImage RowsOf(const QImage& image, std::pair<int, int> band)
{
    return image.copy(0, band.first, image.width(), band.second - band.first);
}

TEST(TextFormator, WordWrapBreaksAfterTheLastWordThatFits)
{
    TFormatorFixture f;
    const std::u32string text = U"alpha beta gamma delta epsilon";
    int64_t three = f.Width(U"alpha beta gamma");
    EXPECT_EQ(f.Lines(text, three, true), (TLines {U"alpha beta gamma", U"delta epsilon"}));
    EXPECT_EQ(f.Lines(text, three - 1, true), (TLines {U"alpha beta", U"gamma delta", U"epsilon"}));
    // Blanks at the break belong to no line; without word wrap nothing breaks.
    EXPECT_EQ(f.Lines(U"alpha    beta", f.Width(U"alpha"), true), (TLines {U"alpha", U"beta"}));
    EXPECT_EQ(f.Lines(text, 1, false), (TLines {text}));
}

TEST(TextFormator, LongWordsKeepALineOfTheirOwnAndHyphensBreak)
{
    TFormatorFixture f;
    int64_t narrow = f.Width(U"ab cd");
    EXPECT_EQ(f.Lines(U"ab incomprehensibilities cd", narrow, true), (TLines {U"ab", U"incomprehensibilities", U"cd"}));
    EXPECT_EQ(f.Lines(U"incomprehensibilities", 1, true), (TLines {U"incomprehensibilities"}));
    EXPECT_EQ(f.Lines(U"well-known facts", f.Width(U"well-kn"), true), (TLines {U"well-", U"known", U"facts"}));
    EXPECT_EQ(f.Lines(U"well-known facts", f.Width(U"well-known"), true), (TLines {U"well-known", U"facts"}));
}

TEST(TextFormator, EveryKindOfLineBreakCountsOnce)
{
    TFormatorFixture f;
    const TLines expected {U"one", U"two", U"three", U"four", U"five"};
    for (bool wrap : {false, true}) {
        EXPECT_EQ(f.Lines(U"one\r\ntwo\nthree\rfour\n\rfive", 100000, wrap), expected);
        EXPECT_EQ(f.Lines(U"\n\n", 100000, wrap), (TLines {U"", U"", U""}));
        EXPECT_EQ(f.Lines(U"a\r\n", 100000, wrap), (TLines {U"a", U""}));
        EXPECT_EQ(f.Lines(U"a\n\nb", 100000, wrap), (TLines {U"a", U"", U"b"}));
    }
    // Indentation survives without word wrap.
    EXPECT_EQ(f.Lines(U"a\n  b", 100000, false), (TLines {U"a", U"  b"}));
}

TEST(TextFormator, EmptyTextIsOneLineStepHigh)
{
    TFormatorFixture f;
    TTextExtent extent = f.formator.MeasureText(U"", 1000, true);
    EXPECT_EQ(extent.Lines, 1);
    EXPECT_EQ(extent.Width, 0);
    EXPECT_EQ(extent.Height, f.formator.LineStep());
    EXPECT_GT(f.formator.LineStep(), 0);

    extent = f.formator.MeasureText(U"wide line\nx", 100000, false);
    EXPECT_EQ(extent.Lines, 2);
    EXPECT_EQ(extent.Width, f.Width(U"wide line"));
    EXPECT_EQ(extent.Height, 2 * f.formator.LineStep());
    // Nothing is painted for an empty text.
    QImage image = f.Paint("", {0, 0, 400, 300}, 0, false, tlTop, taLeftJustify, true);
    EXPECT_EQ(InkBounds(image, clWhite), TKestRect {});
}

TEST(TextFormator, RunsMeasureInDesignUnits)
{
    TFormatorFixture f;
    // The em square of a scalable font is a few thousand units whatever the pixel size.
    EXPECT_GE(f.formator.EmSquare(), 1000);
    int64_t ab = f.Width(U"ab");
    EXPECT_EQ(ab, f.formator.CharWidth('a') + f.formator.CharWidth('b') + f.formator.CharABC('b').abcC);
    EXPECT_EQ(f.formator.RunFirstA(), f.formator.CharABC('a').abcA);
    // Control characters take no room; a tab jumps to the next stop.
    EXPECT_EQ(f.Width(U"a\x01"), f.formator.CharWidth('a'));
    int64_t stop = f.Width(U"\tb") - f.Width(U"b");
    EXPECT_GT(stop, f.Width(U"abc"));
    EXPECT_EQ(f.Width(U"a\tb"), f.Width(U"\tb"));
    EXPECT_EQ(f.Width(U"\t\tb") - f.Width(U"b"), 2 * stop);
    // A tab separates words for wrapping.
    EXPECT_EQ(f.Lines(U"a\tb", f.Width(U"a"), true), (TLines {U"a", U"b"}));
    // Beyond the first 256 codes the font's own widths are used.
    EXPECT_GT(f.formator.CharWidth(U'\u0416'), 0);
}

TEST(TextFormator, WordsSplitWithTheirWidths)
{
    TFormatorFixture f;
    const std::u32string text = U"  to be\tor  not ";
    TTextWordInfoArray words;
    f.formator.SplitWords(text, 0, text.size(), words);
    ASSERT_EQ(words.size(), 4u);
    const char32_t* expected[] = {U"to", U"be", U"or", U"not"};
    for (size_t i = 0; i < words.size(); ++i) {
        std::u32string word = text.substr(size_t(words[i].StartIndex), size_t(words[i].EndIndex - words[i].StartIndex));
        EXPECT_EQ(word, expected[i]);
        EXPECT_EQ(words[i].Width, f.Width(word));
    }
}

TEST(TextFormator, LineBreaksDoNotDependOnTheZoom)
{
    // The same paragraph at 100 % and 250 %: the box and the font scale
    // together, so the words on each line must be the same.
    const std::string text = "The quick brown fox jumps over the lazy dog while five boxing wizards jump quickly";
    const std::u32string chars = U"The quick brown fox jumps over the lazy dog while five boxing wizards jump quickly";
    TFormatorFixture small(-13.3333, 200, 200);
    TFormatorFixture large(-33.3333, 500, 500);
    auto smallLines = small.Lines(chars, small.formator.ToUnits(180), true);
    EXPECT_EQ(smallLines, large.Lines(chars, large.formator.ToUnits(450), true));
    EXPECT_GE(smallLines.size(), 3u);

    QImage a = small.Paint(text, {10, 10, 190, 190}, 0, false, tlTop, taLeftJustify, true);
    QImage b = large.Paint(text, {25, 25, 475, 475}, 0, false, tlTop, taLeftJustify, true);
    auto bandsA = InkBands(a), bandsB = InkBands(b);
    ASSERT_EQ(bandsA.size(), smallLines.size());
    ASSERT_EQ(bandsB.size(), smallLines.size());
    for (size_t i = 0; i < bandsA.size(); ++i) {
        TKestRect inkA = InkBounds(RowsOf(a, bandsA[i]), clWhite);
        TKestRect inkB = InkBounds(RowsOf(b, bandsB[i]), clWhite);
        EXPECT_NEAR(RectWidth(inkA) * 2.5, RectWidth(inkB), 4.0) << "line " << i;
        EXPECT_NEAR(bandsA[i].first * 2.5, bandsB[i].first, 4.0) << "line " << i;
    }
}

TEST(TextFormator, AlignmentShiftsByTheFreeWidth)
{
    TFormatorFixture f;
    const TKestRect rect {20, 10, 320, 60};
    int32_t free = f.formator.ToPixels(f.formator.ToUnits(300) - f.Width(U"Hello"));
    TKestRect left = InkBounds(f.Paint("Hello", rect, 0, false, tlTop, taLeftJustify, false), clWhite);
    TKestRect right = InkBounds(f.Paint("Hello", rect, 0, false, tlTop, taRightJustify, false), clWhite);
    TKestRect centre = InkBounds(f.Paint("Hello", rect, 0, false, tlTop, taCenter, false), clWhite);
    ASSERT_GT(RectWidth(left), 0);
    EXPECT_NEAR(left.Left, rect.Left, 3);
    EXPECT_NEAR(right.Left - left.Left, free, 1);
    EXPECT_NEAR(centre.Left - left.Left, free / 2, 1);
    EXPECT_EQ(RectWidth(left), RectWidth(right));
    EXPECT_EQ(left.Top, right.Top);
}

TEST(TextFormator, LayoutMovesTheBlockDownByTheFreeHeight)
{
    TFormatorFixture f;
    const TKestRect rect {0, 20, 400, 280};
    const std::string text = "first\nsecond";
    double free = RectHeight(rect) - 2 * f.formator.LineStep() * f.formator.ScaleFactor();
    TKestRect top = InkBounds(f.Paint(text, rect, 0, false, tlTop, taLeftJustify, false), clWhite);
    TKestRect centre = InkBounds(f.Paint(text, rect, 0, false, tlCenter, taLeftJustify, false), clWhite);
    TKestRect bottom = InkBounds(f.Paint(text, rect, 0, false, tlBottom, taLeftJustify, false), clWhite);
    EXPECT_NEAR(top.Top, rect.Top + 2, 3);
    EXPECT_NEAR(centre.Top - top.Top, free / 2, 1);
    EXPECT_NEAR(bottom.Top - top.Top, free, 1);
    EXPECT_LE(bottom.Bottom, rect.Bottom);
}

TEST(TextFormator, JustifiedLinesFillTheWidthExceptTheLast)
{
    TFormatorFixture f(-20, 400, 300);
    const TKestRect rect {10, 10, 310, 290};
    const std::string text = "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor "
                             "incididunt ut labore et dolore magna aliqua";
    QImage image = f.Paint(text, rect, 0, true, tlTop, taLeftJustify, true);
    auto bands = InkBands(image);
    ASSERT_GE(bands.size(), 3u);
    // The ink of the last glyph ends a C width short of the edge.
    int32_t slack = std::abs(f.formator.ToPixels(2 * f.formator.CharABC('m').abcC)) + 2;
    for (size_t i = 0; i + 1 < bands.size(); ++i) {
        TKestRect ink = InkBounds(RowsOf(image, bands[i]), clWhite);
        EXPECT_NEAR(ink.Left, rect.Left, 3) << "line " << i;
        EXPECT_LE(ink.Right, rect.Right + 1) << "line " << i;
        EXPECT_GE(ink.Right, rect.Right - slack) << "line " << i;
    }
    TKestRect last = InkBounds(RowsOf(image, bands.back()), clWhite);
    QList<uint> ucs4 = QString::fromStdString(text).toUcs4();
    std::u32string wide(ucs4.begin(), ucs4.end());
    TTextLine lastLine = f.formator.Lines(wide, f.formator.ToUnits(RectWidth(rect)), true).back();
    std::string lastText
        = QString::fromUcs4(wide.data() + lastLine.First, qsizetype(lastLine.Last - lastLine.First)).toStdString();
    TKestRect plain = InkBounds(f.Paint(lastText, rect, 0, false, tlTop, taLeftJustify, true), clWhite);
    EXPECT_EQ(RectWidth(last), RectWidth(plain));
    EXPECT_LT(last.Right, rect.Right - slack);
}

TEST(TextFormator, JustifyLeavesASingleWordAlone)
{
    TFormatorFixture f;
    const TKestRect rect {10, 10, 310, 290};
    TKestRect justified = InkBounds(f.Paint("single\nword", rect, 0, true, tlTop, taLeftJustify, false), clWhite);
    TKestRect plain = InkBounds(f.Paint("single\nword", rect, 0, false, tlTop, taLeftJustify, false), clWhite);
    EXPECT_EQ(justified, plain);
}

TEST(TextFormator, TurnedTextStaysInsideItsRectangle)
{
    TFormatorFixture f(-16, 300, 300);
    const TKestRect rect {50, 80, 250, 220};
    for (int angle : {30, 90, 135, 200, 270, 315}) {
        QImage image = f.Paint("Turned text\nin two lines", rect, angle, false, tlCenter, taCenter, true);
        TKestRect ink = InkBounds(image, clWhite);
        ASSERT_GT(RectWidth(ink), 0) << angle;
        EXPECT_GE(ink.Left, rect.Left) << angle;
        EXPECT_GE(ink.Top, rect.Top) << angle;
        EXPECT_LE(ink.Right, rect.Right) << angle;
        EXPECT_LE(ink.Bottom, rect.Bottom) << angle;
    }
    // At 90 degrees the lines run upwards: the ink is taller than wide.
    TKestRect upright = InkBounds(f.Paint("Upright line", rect, 90, false, tlTop, taLeftJustify, false), clWhite);
    EXPECT_GT(RectHeight(upright), 2 * RectWidth(upright));
}

TEST(TextFormator, RoundedLinesAreWholePixels)
{
    TFormatorFixture f(-13.3333);
    int32_t exact = f.formator.LineStep();
    ASSERT_TRUE(f.formator.Setup(f.canvas, -13.3333, true));
    double pixels = f.formator.LineStep() * f.formator.ScaleFactor();
    EXPECT_NEAR(pixels, std::trunc(exact * f.formator.ScaleFactor()) + 1, 0.01);
    EXPECT_GT(f.formator.LineStep(), exact);
}

} // namespace
} // namespace kest
