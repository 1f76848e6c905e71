#include <gtest/gtest.h>

#include <limits>

#include "KestValue.h"

namespace kest {
namespace {

TEST(Value, TextFromEveryScalar)
{
    const std::pair<TPropValue, const char*> cases[] = {
        {TPropValue(int32_t(-7)), "-7"},
        {TPropValue(int64_t(-9000000000)), "-9000000000"},
        {TPropValue(true), "True"},
        {TPropValue(false), "False"},
        {TPropValue(2.0), "2"},
        {TPropValue(1e20), "1E20"},
        {TPropValue(std::string("it's")), "it's"},
    };
    for (const auto& [value, text] : cases) {
        std::string out;
        EXPECT_TRUE(ValueToText(value, out)) << text;
        EXPECT_EQ(out, text);
    }
    for (const TPropValue& none :
        {TPropValue(), TPropValue(TNullValue()), TPropValue(TStrings {"a"}), TPropValue(TBytes {1})}) {
        std::string out = "kept";
        EXPECT_FALSE(ValueToText(none, out)) << none.index();
        EXPECT_EQ(out, "kept");
    }
}

TEST(Value, Int32FromTextIsAStrictDecimal)
{
    const std::pair<const char*, int32_t> good[]
        = {{"123", 123}, {"+5", 5}, {"-0", 0}, {"-2147483648", std::numeric_limits<int32_t>::min()},
            {"2147483647", std::numeric_limits<int32_t>::max()}, {"007", 7}};
    for (auto [text, expected] : good) {
        int32_t out = 42;
        EXPECT_TRUE(ValueToInt32(std::string(text), out)) << text;
        EXPECT_EQ(out, expected);
    }
    for (const char* bad : {"", "2147483648", "-2147483649", "99999999999999999999", "12a", " 1", "1 ", "1.5", "+-1",
             "-+1", "--1", "+", "0x10", "True"}) {
        int32_t out = 42;
        EXPECT_FALSE(ValueToInt32(std::string(bad), out)) << bad;
        EXPECT_EQ(out, 42);
    }
}

TEST(Value, Int32FromNumbers)
{
    int32_t out = 0;
    EXPECT_TRUE(ValueToInt32(int64_t(-2147483648LL), out));
    EXPECT_EQ(out, std::numeric_limits<int32_t>::min());
    EXPECT_TRUE(ValueToInt32(true, out));
    EXPECT_EQ(out, 1);
    // Floating values round to nearest, halves to even, like variant conversion.
    const std::pair<double, int32_t> rounded[] = {{2.5, 2}, {3.5, 4}, {-2.5, -2}, {2.4, 2}, {-2.6, -3},
        {2147483647.4, 2147483647}, {-2147483648.4, std::numeric_limits<int32_t>::min()}};
    for (auto [value, expected] : rounded) {
        EXPECT_TRUE(ValueToInt32(value, out)) << value;
        EXPECT_EQ(out, expected) << value;
    }
    out = 42;
    for (const TPropValue& bad :
        {TPropValue(int64_t(1) << 31), TPropValue(2147483647.6), TPropValue(-2147483648.6), TPropValue(3e9),
            TPropValue(std::numeric_limits<double>::quiet_NaN()), TPropValue(std::numeric_limits<double>::infinity()),
            TPropValue(), TPropValue(TNullValue()), TPropValue(TBytes {})}) {
        EXPECT_FALSE(ValueToInt32(bad, out)) << bad.index();
        EXPECT_EQ(out, 42);
    }
}

TEST(Value, DoubleConversions)
{
    double out = 0;
    EXPECT_TRUE(ValueToDouble(std::string("1.25E-7"), out));
    EXPECT_EQ(out, 1.25e-7);
    EXPECT_TRUE(ValueToDouble(int32_t(-3), out));
    EXPECT_EQ(out, -3);
    EXPECT_TRUE(ValueToDouble(int64_t(1) << 40, out));
    EXPECT_EQ(out, 1099511627776.0);
    EXPECT_TRUE(ValueToDouble(0.5, out));
    EXPECT_EQ(out, 0.5);
    out = 9;
    for (const TPropValue& bad :
        {TPropValue(std::string("1,5")), TPropValue(std::string("")), TPropValue(), TPropValue(TStrings {})}) {
        EXPECT_FALSE(ValueToDouble(bad, out)) << bad.index();
        EXPECT_EQ(out, 9);
    }
}

TEST(Value, BoolConversions)
{
    const std::pair<TPropValue, bool> good[] = {{TPropValue(true), true}, {TPropValue(false), false},
        {TPropValue(int32_t(0)), false}, {TPropValue(int32_t(-5)), true}, {TPropValue(int64_t(1) << 40), true},
        {TPropValue(std::string("TRUE")), true}, {TPropValue(std::string("tRuE")), true},
        {TPropValue(std::string("false")), false}};
    for (const auto& [value, expected] : good) {
        bool out = !expected;
        EXPECT_TRUE(ValueToBool(value, out)) << value.index();
        EXPECT_EQ(out, expected);
    }
    for (const TPropValue& bad :
        {TPropValue(std::string("yes")), TPropValue(std::string("1")), TPropValue(std::string("True ")),
            TPropValue(std::string("")), TPropValue(1.0), TPropValue(), TPropValue(TNullValue())}) {
        bool out = true;
        EXPECT_FALSE(ValueToBool(bad, out)) << bad.index();
        EXPECT_TRUE(out);
    }
}

} // namespace
} // namespace kest
