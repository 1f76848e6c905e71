// The scalar and list kinds: what each accepts, shows and ignores.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "KestError.h"
#include "KestProps.h"

namespace kest {
namespace {

// Counts the before and after notices of one list.
struct TNoticeCounter {
    int before = 0;
    int after = 0;
    explicit TNoticeCounter(TPropList& list)
    {
        list.OnPropBeforeChanged = [this](TPropList*, TCustomProp*) { ++before; };
        list.OnPropChanged = [this](TPropList*, TCustomProp*) { ++after; };
    }
};

TEST(PropKindsTest, EnumerationsTakeNamesInAnyCase)
{
    TPropList list;
    TNoticeCounter notices(list);
    auto* align = list.Add<TEnumProp>("Align", TStrings {"alNone", "alTop", "alClient"});
    EXPECT_TRUE(align->IsEnum());
    align->SetPropValue({}, TPropValue(std::string("ALCLIENT")));
    EXPECT_EQ(align->Value(), 2);
    EXPECT_EQ(notices.after, 1);
    align->SetPropValue({}, TPropValue(std::string("alLeft")));
    align->SetPropValue({}, TPropValue(int32_t(1)));
    EXPECT_EQ(align->Value(), 2);
    EXPECT_EQ(notices.before, 1);
    EXPECT_EQ(align->GetPropValue({}), TPropValue(std::string("alClient")));
    align->SetDisplayValue("altop");
    EXPECT_EQ(align->GetDisplayValue(), "alTop");

    TStrings names;
    align->GetEnumList(names);
    EXPECT_EQ(names, align->EnumNames());
    // No range check on the index; outside the names it shows as empty.
    align->SetValue(7);
    EXPECT_EQ(align->Value(), 7);
    EXPECT_EQ(align->GetDisplayValue(), "");
}

TEST(PropKindsTest, BooleansTakeBooleansAndTheirNames)
{
    TPropList list;
    auto* flag = list.Add<TBoolProp>("Flag");
    EXPECT_TRUE(flag->IsEnum());
    EXPECT_EQ(flag->GetPropValue({}), TPropValue(false));
    flag->SetPropValue({}, TPropValue(true));
    EXPECT_TRUE(flag->BoolValue());
    flag->SetPropValue({}, TPropValue(std::string("false")));
    EXPECT_FALSE(flag->BoolValue());
    flag->SetPropValue({}, TPropValue(std::string("yes")));
    EXPECT_FALSE(flag->BoolValue());
    EXPECT_EQ(flag->GetDisplayValue(), "False");
}

TEST(PropKindsTest, IntegersReadThroughHandlerOrExternalValue)
{
    TPropList list;
    TNoticeCounter notices(list);
    auto* width = list.Add<TIntProp>("Width");
    int32_t external = 0;
    width->SetPValue(&external);
    width->SetValue(10);
    EXPECT_EQ(external, 10);

    // Another party changed the variable: the comparison uses it.
    external = 5;
    EXPECT_EQ(width->Value(), 5);
    width->SetValue(5);
    EXPECT_EQ(notices.after, 1);
    width->SetValue(10);
    EXPECT_EQ(notices.after, 2);
    EXPECT_EQ(external, 10);

    width->OnGetValue = [](TIntProp*, int32_t& v) { v += 42; };
    EXPECT_EQ(width->Value(), 42);
    EXPECT_EQ(width->GetPropValue({}), TPropValue(int32_t(42)));
    width->OnGetValue = nullptr;

    width->SetPropValue({}, TPropValue(std::string("-17")));
    EXPECT_EQ(width->Value(), -17);
    for (const char* bad : {"1.5", "abc", "99999999999", ""})
        width->SetPropValue({}, TPropValue(std::string(bad)));
    EXPECT_EQ(width->Value(), -17);
    // A value with a sub-name is not the integer's own.
    width->SetPropValue("Sub", TPropValue(int32_t(3)));
    EXPECT_EQ(width->Value(), -17);
}

TEST(PropKindsTest, ThousandthsShowAndTakeTheLocaleSeparator)
{
    TPropList list;
    auto* left = list.Add<TIntProp>("Left");
    left->SetValue(1500);
    EXPECT_EQ(left->GetDisplayValue(), "1500");
    left->SetStyle(psVisible | psScaled);
    char separator = *std::localeconv()->decimal_point;
    EXPECT_EQ(left->GetDisplayValue(), std::string("1") + separator + "500");
    left->SetDisplayValue(std::string("2") + separator + "25");
    EXPECT_EQ(left->Value(), 2250);
    left->SetValue(-1);
    EXPECT_EQ(left->GetDisplayValue(), std::string("-0") + separator + "001");

    // Halves go to the even neighbour.
    struct {
        const char* text;
        int32_t value;
    } halves[] = {{"0.0025", 2}, {"0.0035", 4}, {"-0.0025", -2}, {"1.0005", 1000}};
    for (const auto& half : halves) {
        std::string text = half.text;
        text[text.find('.')] = separator;
        left->SetDisplayValue(text);
        EXPECT_EQ(left->Value(), half.value) << half.text;
    }
    for (const char* bad : {"abc", "1.5x", "0x10", "inf", "nan", ""})
        left->SetDisplayValue(bad);
    left->SetDisplayValue(std::string("2147483") + separator + "648");
    EXPECT_EQ(left->Value(), 1000);
    left->SetDisplayValue(std::string("2147483") + separator + "647");
    EXPECT_EQ(left->Value(), 2147483647);
    // Documents keep plain integers whatever the style.
    EXPECT_EQ(left->GetPropValue({}), TPropValue(int32_t(2147483647)));

    // Where a locale with a decimal comma exists, it is the one shown and taken.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
        left->SetValue(1500);
        EXPECT_EQ(left->GetDisplayValue(), "1,500");
        left->SetDisplayValue("2,25");
        EXPECT_EQ(left->Value(), 2250);
        std::setlocale(LC_NUMERIC, "C");
    }
}

TEST(PropKindsTest, LongWordsKeepAllThirtyTwoBits)
{
    TPropList list;
    auto* id = list.Add<TLongWordProp>("ID");
    id->SetValue(4294967295u);
    EXPECT_EQ(id->GetPropValue({}), TPropValue(int32_t(-1)));
    EXPECT_EQ(id->GetDisplayValue(), "4294967295");
    id->SetValue(0);
    id->SetPropValue({}, TPropValue(int32_t(-1)));
    EXPECT_EQ(id->Value(), 4294967295u);

    // What is shown can be typed back; documents' signed form is taken too.
    id->SetDisplayValue("4294967294");
    EXPECT_EQ(id->Value(), 4294967294u);
    id->SetDisplayValue("-3");
    EXPECT_EQ(id->Value(), 4294967293u);
    for (const char* bad : {"4294967296", "-2147483649", "x"})
        id->SetDisplayValue(bad);
    EXPECT_EQ(id->Value(), 4294967293u);

    id->SetStyle(psVisible | psScaled);
    id->SetValue(4294967295u);
    char separator = *std::localeconv()->decimal_point;
    EXPECT_EQ(id->GetDisplayValue(), std::string("4294967") + separator + "295");
    id->SetDisplayValue(std::string("1") + separator + "5");
    EXPECT_EQ(id->Value(), 1500u);
    id->SetDisplayValue("-1");
    EXPECT_EQ(id->Value(), 1500u);
}

TEST(PropKindsTest, TextsCompareExactly)
{
    TPropList list;
    TNoticeCounter notices(list);
    auto* name = list.Add<TStrProp>("Name");
    name->SetValue("door");
    name->SetValue("DOOR");
    EXPECT_EQ(notices.after, 2);
    name->SetValue("DOOR");
    EXPECT_EQ(notices.after, 2);
    name->SetPropValue({}, TPropValue());
    EXPECT_EQ(name->GetValue(), "");
    name->SetPropValue({}, TPropValue(int32_t(12)));
    EXPECT_EQ(name->GetValue(), "12");

    name->OnGetString = [](TStrProp*, std::string& v) { v += "computed"; };
    EXPECT_EQ(name->GetValue(), "computed");
    EXPECT_EQ(name->GetDisplayValue(), "computed");
    EXPECT_EQ(name->GetPropValue({}), TPropValue(std::string("computed")));
}

TEST(PropKindsTest, StringListsAlwaysNotifyOnWholeChanges)
{
    TPropList list;
    TNoticeCounter notices(list);
    auto* hint = list.Add<TStrListProp>("Hint");
    EXPECT_EQ(hint->PropType(), ptStringList);
    EXPECT_EQ(hint->GetDisplayValue(), "(Text)");
    EXPECT_EQ(hint->GetPropValue({}), TPropValue());

    hint->SetPropValue({}, TPropValue());
    EXPECT_EQ(notices.before, 1);
    EXPECT_EQ(notices.after, 1);
    hint->SetText("");
    EXPECT_EQ(notices.after, 2);

    hint->SetText("a\r\nb\nc\rd\n\re\r\n");
    EXPECT_EQ(hint->Strings(), (TStrings {"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(hint->GetText(), "a\r\nb\r\nc\r\nd\r\n\r\ne");
    hint->SetPropValue({}, TPropValue(TStrings {"x", "y"}));
    EXPECT_EQ(hint->GetPropValue({}), TPropValue(TStrings {"x", "y"}));
    hint->SetPropValue({}, TPropValue(std::string("not a list")));
    EXPECT_EQ(hint->Count(), 2);

    hint->SetStyle(psVisible | psReadOnly);
    int before = notices.before;
    hint->SetText("z");
    hint->SetPropValue({}, TPropValue());
    hint->SetValueByName("k", "v");
    EXPECT_EQ(notices.before, before);
    EXPECT_EQ(hint->Count(), 2);
}

TEST(PropKindsTest, NameValueLines)
{
    TPropList list;
    TNoticeCounter notices(list);
    auto* data = list.Add<TUserDataProp>("UserData");
    EXPECT_EQ(data->PropType(), ptStringList);
    data->SetText("Zone=Hall\r\n  =blank name\r\nno equals\r\nEmpty=   \r\nPad=  x ");
    notices.before = notices.after = 0;

    EXPECT_EQ(data->IndexOfName("ZONE"), 0);
    EXPECT_EQ(data->IndexOfName("no equals"), -1);
    EXPECT_EQ(data->GetValueByName("zone"), "Hall");
    EXPECT_EQ(data->GetValueByName("Empty"), "");
    EXPECT_EQ(data->GetValueByName("Pad"), "x ");
    EXPECT_EQ(data->GetValueByName("Missing"), "");

    data->SetValueByName("zone", "Yard");
    EXPECT_EQ(data->Strings()[0], "Zone=Yard");
    data->SetValueByName("Zone", "Yard");
    EXPECT_EQ(notices.after, 1);

    // A new name is appended with its value as one change.
    data->SetValueByName("Door", "7");
    EXPECT_EQ(data->Strings().back(), "Door=7");
    EXPECT_EQ(notices.before, 2);
    EXPECT_EQ(notices.after, 2);
    for (const char* bad : {"", "  ", "a=b", "a\nb"})
        data->SetValueByName(bad, "v");
    EXPECT_EQ(data->Count(), 6);
    EXPECT_EQ(notices.after, 2);

    // A line whose name part is blank cannot be set by index.
    data->SetValueByIndex(1, "set");
    EXPECT_EQ(data->Strings()[1], "  =blank name");
    data->SetValueByIndex(2, "now");
    EXPECT_EQ(data->Strings()[2], "no equals=now");
    EXPECT_THROW(data->SetValueByIndex(6, "x"), EKestError);
    EXPECT_THROW(data->SetValueByIndex(-1, "x"), EKestError);
}

} // namespace
} // namespace kest
