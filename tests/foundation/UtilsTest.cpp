#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <locale>
#include <random>
#include <string>

#include "KestError.h"
#include "KestUtils.h"

namespace kest {
namespace {

constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

TEST(Utils, MulDivRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(1500, 100, 100000), 2);
    EXPECT_EQ(MulDiv(-1500, 100, 100000), -2);
    EXPECT_EQ(MulDiv(1500, -100, 100000), -2);
    EXPECT_EQ(MulDiv(1500, 100, -100000), -2);
    EXPECT_EQ(MulDiv(-1500, -100, -100000), -2);
    EXPECT_EQ(MulDiv(1499, 100, 100000), 1);
    EXPECT_EQ(MulDiv(-1499, 100, 100000), -1);
    EXPECT_EQ(MulDiv(5, 1, 3), 2); // 1.67
    EXPECT_EQ(MulDiv(4, 1, 3), 1); // 1.33
    EXPECT_EQ(MulDiv(-5, 1, 3), -2);
    EXPECT_EQ(MulDiv(0, 7, -3), 0);
}

TEST(Utils, MulDivKeepsTheFullProductAndReportsWhatDoesNotFit)
{
    EXPECT_EQ(MulDiv(kMax, kMax, kMax), kMax);
    EXPECT_EQ(MulDiv(kMin, kMax, kMax), kMin);
    EXPECT_EQ(MulDiv(100000, 100000, 1000), 10000000);
    EXPECT_EQ(MulDiv(kMin, 1, 1), kMin);
    EXPECT_EQ(MulDiv(kMin, -1, 1), -1) << "2^31 does not fit";
    EXPECT_EQ(MulDiv(kMax, 2, 1), -1);
    EXPECT_EQ(MulDiv(7, 7, 0), -1);
}

TEST(Utils, ScalingOfDocumentUnits)
{
    EXPECT_EQ(ScaleValue(1500, 100), 2);
    EXPECT_EQ(ScaleValue(-1500, 100), -2);
    EXPECT_EQ(ScaleValue(100000, 250), 250);
    EXPECT_EQ(UnscaleValue(250, 250), 100000);
    EXPECT_EQ(UnscaleValue(3, 200), 1500);
    EXPECT_EQ(UnscaleValue(3, 0), -1);
    EXPECT_EQ(PixelToDoc(-7), -7000);
    EXPECT_EQ(DocToPixel(1999), 1);
    EXPECT_EQ(DocToPixel(-1999), -1);
}

TEST(Utils, Rectangles)
{
    TKestRect r {10, 40, -5, 20};
    EXPECT_EQ(RectWidth(r), -15);
    EXPECT_EQ(RectHeight(r), -20);
    EXPECT_EQ(NormalizeRect(r), (TKestRect {-5, 20, 10, 40}));
    EXPECT_EQ(NormalizeRect(TKestRect {1, 2, 3, 4}), (TKestRect {1, 2, 3, 4}));
}

TEST(Utils, TextPrefixesAndQuoting)
{
    EXPECT_TRUE(StrBeginsWith("object Box", "object"));
    EXPECT_TRUE(StrBeginsWith("obj", "object"));
    EXPECT_TRUE(StrBeginsWith("", "end"));
    EXPECT_TRUE(StrBeginsWith("end", ""));
    EXPECT_FALSE(StrBeginsWith("Object", "object"));

    EXPECT_FALSE(NeedsQuoting(""));
    EXPECT_FALSE(NeedsQuoting("plain"));
    EXPECT_FALSE(NeedsQuoting("a(b){c}"));
    EXPECT_FALSE(NeedsQuoting("caf\xC3\xA9")) << "bytes above 127 are not control bytes";
    EXPECT_TRUE(NeedsQuoting("(Text)"));
    EXPECT_TRUE(NeedsQuoting("{"));
    EXPECT_TRUE(NeedsQuoting("two words"));
    EXPECT_TRUE(NeedsQuoting("it's"));
    EXPECT_TRUE(NeedsQuoting("tab\there"));
    EXPECT_TRUE(NeedsQuoting(std::string("nul\0", 4)));
}

TEST(Utils, ExtractField)
{
    EXPECT_EQ(ExtractField("a=b=c", 2, '='), "b");
    EXPECT_EQ(ExtractField("a=b=c", 1, '='), "a");
    EXPECT_EQ(ExtractField("a=b=c", 3, '='), "c");
    EXPECT_EQ(ExtractField("a=b=c", 4, '='), "");
    EXPECT_EQ(ExtractField("a=b=c", 0, '='), "");
    EXPECT_EQ(ExtractField("a=b=c", -1, '='), "");
    EXPECT_EQ(ExtractField("a==c", 2, '='), "");
    EXPECT_EQ(ExtractField("a==c", 3, '='), "c");
    EXPECT_EQ(ExtractField("whole", 1, ';'), "whole");
}

TEST(Utils, HexDigits)
{
    for (int b = 0; b < 256; ++b) {
        std::string hex = ByteToHex(static_cast<uint8_t>(b));
        ASSERT_EQ(hex.size(), 2u);
        uint8_t back = 0;
        ASSERT_TRUE(HexToByte(hex.c_str(), back)) << hex;
        ASSERT_EQ(back, b);
    }
    EXPECT_EQ(ByteToHex(0xAB), "AB");
    uint8_t value = 0x5A;
    for (const char* bad : {"ab", "aB", "0g", "G0", "1", "", " 1", "-1"})
        EXPECT_FALSE(HexToByte(bad, value)) << bad;
    EXPECT_FALSE(HexToByte(nullptr, value));
    EXPECT_EQ(value, 0x5A) << "left unchanged on failure";
}

TEST(Utils, FloatToStrDotUsesTheGeneralFormat)
{
    const std::pair<double, const char*> cases[] = {
        {1.5, "1.5"},
        {2.0, "2"},
        {-1.5, "-1.5"},
        {1e20, "1E20"},
        {-1e20, "-1E20"},
        {1.25e-7, "1.25E-7"},
        {0.0001, "0.0001"},
        {0.00012, "0.00012"},
        {1e-5, "1E-5"},
        {0.1, "0.1"},
        {100, "100"},
        {123456.789, "123456.789"},
        {1.0 / 3, "0.333333333333333"},
        {2.0 / 3, "0.666666666666667"},
        {1.23456789012345678, "1.23456789012346"},
        {999999999999999.0, "999999999999999"},
        {1e15, "1E15"},
        {1234567890123456789.0, "1.23456789012346E18"},
        {0.0, "0"},
        {-0.0, "0"},
        {std::numeric_limits<double>::max(), "1.79769313486232E308"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
        {std::numeric_limits<double>::infinity(), "INF"},
        {-std::numeric_limits<double>::infinity(), "-INF"},
    };
    for (auto [value, text] : cases)
        EXPECT_EQ(FloatToStrDot(value), text) << value;
}

TEST(Utils, StrToFloatDotReadsDocumentNumbersOnly)
{
    const std::pair<const char*, double> good[] = {
        {"1.5", 1.5},
        {"1E20", 1e20},
        {"1.25E-7", 1.25e-7},
        {"1e-5", 1e-5},
        {"-2", -2},
        {"+3", 3},
        {".5", 0.5},
        {"5.", 5},
        {" 2.5 ", 2.5},
        {"1.5E+3", 1500},
        {"0.333333333333333", 0.333333333333333},
    };
    for (auto [text, expected] : good) {
        double value = -99;
        EXPECT_TRUE(StrToFloatDot(text, value)) << text;
        EXPECT_EQ(value, expected) << text;
    }
    for (const char* bad : {"", " ", "1,5", "1.5x", "x", "1e", "e5", ".", "-", "+-1", "1..2", "1e2.5", "inf", "NAN",
             "0x10", "1e400", "- 1"}) {
        double value = -99;
        EXPECT_FALSE(StrToFloatDot(bad, value)) << bad;
        EXPECT_EQ(value, -99) << bad;
    }
}

TEST(Utils, FloatTextRoundTripsThroughFifteenDigits)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> mantissa(-10, 10);
    std::uniform_int_distribution<int> exponent(-30, 30);
    for (int i = 0; i < 5000; ++i) {
        double value = mantissa(random) * std::pow(10.0, exponent(random));
        std::string text = FloatToStrDot(value);
        double back = 0;
        ASSERT_TRUE(StrToFloatDot(text, back)) << text;
        ASSERT_NEAR(back, value, std::abs(value) * 1e-14) << text;
        ASSERT_EQ(FloatToStrDot(back), text) << "formatting a read value changes it";
    }
}

// Documents must read the same wherever they are opened, so a comma-decimal
// locale in the process must not leak into the number texts.
struct CommaDecimal : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
};

void ExpectDotFormsUnaffected()
{
    EXPECT_EQ(FloatToStrDot(1.5), "1.5");
    EXPECT_EQ(FloatToStrDot(-2.25e-9), "-2.25E-9");
    double value = 0;
    EXPECT_TRUE(StrToFloatDot("1.5", value));
    EXPECT_EQ(value, 1.5);
    EXPECT_FALSE(StrToFloatDot("1,5", value));
}

TEST(Utils, FloatTextIgnoresTheGlobalCppLocale)
{
    std::locale saved = std::locale::global(std::locale(std::locale::classic(), new CommaDecimal));
    ExpectDotFormsUnaffected();
    std::locale::global(saved);
}

TEST(Utils, FloatTextIgnoresACommaDecimalCLocale)
{
    std::string saved = std::setlocale(LC_ALL, nullptr);
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "ru_RU.UTF-8", "de_DE"})
        if (std::setlocale(LC_ALL, name)) {
            found = name;
            break;
        }
    if (!found)
        GTEST_SKIP() << "no comma-decimal C locale installed; the C++ locale test covers the rest";
    EXPECT_EQ(*std::localeconv()->decimal_point, ',') << found;
    ExpectDotFormsUnaffected();
    std::setlocale(LC_ALL, saved.c_str());
}

TEST(Utils, NamesCompareIgnoringAsciiCase)
{
    EXPECT_TRUE(SameNameCI("DocWidth", "docwidth"));
    EXPECT_FALSE(SameNameCI("DocWidth", "DocWidth2"));
    EXPECT_FALSE(SameNameCI("a", ""));
    EXPECT_TRUE(SameNameCI("", ""));
    EXPECT_EQ(CompareTextCI("abc", "ABC"), 0);
    EXPECT_LT(CompareTextCI("a", "B"), 0);
    EXPECT_GT(CompareTextCI("b", "A"), 0);
    EXPECT_LT(CompareTextCI("ab", "abc"), 0);
    EXPECT_GT(CompareTextCI("abc", "AB"), 0);
    EXPECT_GT(CompareTextCI("\xC3\xA9", "z"), 0) << "bytes above 127 sort after ASCII";
    EXPECT_FALSE(SameNameCI("\xC3\xA9", "\xC3\x89")) << "only ASCII letters fold";
}

TEST(Utils, TrimBlanksRemovesControlBytesAtBothEnds)
{
    EXPECT_EQ(TrimBlanks("  a b \t\r\n"), "a b");
    EXPECT_EQ(TrimBlanks("x"), "x");
    EXPECT_EQ(TrimBlanks(" \t "), "");
    EXPECT_EQ(TrimBlanks(""), "");
}

TEST(Utils, IntegerLists)
{
    const int32_t list[] = {4, 9, 4, -1};
    EXPECT_EQ(IndexOfInt(4, list, 4), 0);
    EXPECT_EQ(IndexOfInt(-1, list, 4), 3);
    EXPECT_EQ(IndexOfInt(-1, list, 3), -1) << "count limits the search";
    EXPECT_EQ(IndexOfInt(7, list, 4), -1);
    EXPECT_EQ(IndexOfInt(4, nullptr, 4), -1);
    EXPECT_EQ(IndexOfIntFrom(4, list, 1, 4), 2);
    EXPECT_EQ(IndexOfIntFrom(4, list, 3, 4), -1);
    EXPECT_EQ(IndexOfIntFrom(4, list, -2, 4), 0);
    EXPECT_EQ(IndexOfIntFrom(9, list, 9, 4), -1);

    const int32_t sorted[] = {1, 5, 5, 7};
    EXPECT_EQ(FirstNotLess(0, sorted, 4), 0);
    EXPECT_EQ(FirstNotLess(5, sorted, 4), 1);
    EXPECT_EQ(FirstNotLess(6, sorted, 4), 3);
    EXPECT_EQ(FirstNotLess(8, sorted, 4), 4);
    EXPECT_EQ(FirstNotLess(8, sorted, 0), 0);
}

TEST(Utils, FormatMessageSubstitutesText)
{
    EXPECT_EQ(FormatMessage("Property %s already exist", "Width"), "Property Width already exist");
    EXPECT_EQ(FormatMessage("%s", "%s"), "%s") << "the argument is not scanned again";
    EXPECT_EQ(FormatMessage("100%% of %s", "x"), "100% of x");
    EXPECT_EQ(FormatMessage("no argument", "x"), "no argument");
    EXPECT_EQ(FormatMessage("odd %d and 50%", "x"), "odd %d and 50%");
}

} // namespace
} // namespace kest
