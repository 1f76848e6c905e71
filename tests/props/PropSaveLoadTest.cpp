// Saving and loading property lists: the canonical text lines, what loading
// accepts and skips, and round trips through the text and binary forms.
#include <gtest/gtest.h>

#include <string>

#include "KestError.h"
#include "KestProps.h"
#include "PropTestSupport.h"

namespace kest {
namespace {

using test::LoadText;
using test::SaveText;

// One property of each scalar kind; the data property keeps its bytes here.
struct TKindsList {
    TPropList list;
    TBytes data;
    TEnumProp* align;
    TBoolProp* visible;
    TIntProp* left;
    TLongWordProp* id;
    TStrProp* name;
    TStrListProp* hint;
    TUserDataProp* user;
    TDataProp* blob;

    TKindsList()
    {
        align = list.Add<TEnumProp>("Align", TStrings {"alNone", "alTop", "alClient"});
        visible = list.Add<TBoolProp>("Visible");
        left = list.Add<TIntProp>("Left");
        id = list.Add<TLongWordProp>("ID");
        name = list.Add<TStrProp>("Name");
        hint = list.Add<TStrListProp>("Hint");
        user = list.Add<TUserDataProp>("UserData");
        blob = list.Add<TDataProp>("Blob");
        blob->OnGetData = [this](TDataProp*, TPropValue& v) { v = data; };
        blob->OnSetData = [this](TDataProp* p, const TPropValue& v) {
            const auto* bytes = std::get_if<TBytes>(&v);
            TBytes incoming = bytes ? *bytes : TBytes();
            if (incoming == data || p->IsReadOnly())
                return;
            p->DoBeforeChanged();
            data = incoming;
            p->DoChanged();
        };
    }

    void Fill()
    {
        align->SetValue(2);
        visible->SetBoolValue(true);
        left->SetValue(-1500);
        id->SetValue(4294967295u);
        name->SetValue("it's a door");
        hint->SetText("first line\r\n(second)\r\n");
        user->SetValueByName("Zone", "Hall A");
        for (int i = 0; i < 40; ++i)
            data.push_back(static_cast<uint8_t>(i * 7));
    }
};

TEST(PropSaveLoadTest, CanonicalTextOfEveryKind)
{
    TKindsList k;
    EXPECT_EQ(SaveText(k.list),
        "Align = alNone\r\n"
        "Blob = { }\r\n"
        "Hint = ( )\r\n"
        "ID = 0\r\n"
        "Left = 0\r\n"
        "Name = \r\n"
        "UserData = ( )\r\n"
        "Visible = False\r\n");
    k.Fill();
    std::string hex1 = "00070E151C232A31383F464D545B626970777E858C939AA1A8AFB6BDC4CBD2D9";
    std::string hex2 = "E0E7EEF5FC030A11";
    EXPECT_EQ(SaveText(k.list),
        "Align = alClient\r\n"
        "Blob = {\r\n"
        "  " + hex1
            + "\r\n"
              "  "
            + hex2
            + " }\r\n"
              "Hint = (\r\n"
              "  'first line'\r\n"
              "  '(second)' )\r\n"
              "ID = -1\r\n"
              "Left = -1500\r\n"
              "Name = 'it's a door'\r\n"
              "UserData = (\r\n"
              "  'Zone=Hall A' )\r\n"
              "Visible = True\r\n");

    // Indentation applies to every line of a multi-line value.
    TKestMemoryStream stream;
    TKestFiler filer(stream);
    EXPECT_TRUE(k.list.SaveProperty(filer, k.hint, false, "Hint", "    "));
    EXPECT_EQ(stream.Text(), "    Hint = (\r\n      'first line'\r\n      '(second)' )\r\n");
}

TEST(PropSaveLoadTest, NotStoredAndVetoedPropertiesAreSkippedUnlessForced)
{
    TPropList list;
    auto* name = list.Add<TStrProp>("Name");
    list.Add<TIntProp>("Tag");
    list.Add<TIntProp>("Left");
    name->SetStyle(psVisible | psNotStored);
    list.OnPropStored = [](TPropList*, TCustomProp* p, const std::string& sub, bool& stored) {
        EXPECT_TRUE(sub.empty());
        stored = p->Name() != "Tag";
    };
    EXPECT_EQ(SaveText(list), "Left = 0\r\n");
    EXPECT_EQ(SaveText(list, true), "Left = 0\r\nName = \r\nTag = 0\r\n");

    TKestMemoryStream stream;
    TKestFiler filer(stream);
    EXPECT_FALSE(list.SaveProperty(filer, name, false, "Name", ""));
    EXPECT_TRUE(list.SaveProperty(filer, name, true, "Name", ""));
}

TEST(PropSaveLoadTest, ValueLinesLoadByNameIgnoringCase)
{
    TKindsList k;
    LoadText(k.list,
        "name = a=b = c\r\n"
        "VISIBLE = true\r\n"
        "align = ALTOP\r\n"
        "  Left   =   -12  \r\n"
        "ID = -2\r\n");
    EXPECT_EQ(k.name->GetValue(), "a=b = c");
    EXPECT_TRUE(k.visible->BoolValue());
    EXPECT_EQ(k.align->Value(), 1);
    EXPECT_EQ(k.left->Value(), -12);
    EXPECT_EQ(k.id->Value(), 4294967294u);

    LoadText(k.list, "Name = ' padded '\r\nName = ''\r\n");
    EXPECT_EQ(k.name->GetValue(), "");
    LoadText(k.list, "Name = ' padded '\r\n");
    EXPECT_EQ(k.name->GetValue(), " padded ");
    LoadText(k.list, "Name = 'it's'\r\n");
    EXPECT_EQ(k.name->GetValue(), "it's");
    LoadText(k.list, "Name = '\r\n");
    EXPECT_EQ(k.name->GetValue(), "'");
    LoadText(k.list, "Name =\r\n");
    EXPECT_EQ(k.name->GetValue(), "");
}

TEST(PropSaveLoadTest, LoadPropertyReportsWhichPropertyTookTheValue)
{
    TKindsList k;
    TKestMemoryStream stream;
    TKestFiler filer(stream);
    EXPECT_EQ(k.list.LoadProperty(filer, "Left = 4"), k.left);
    EXPECT_EQ(k.list.LoadProperty(filer, "Width = 4"), nullptr);
    EXPECT_EQ(k.list.LoadProperty(filer, "no equals sign"), nullptr);
    EXPECT_EQ(k.list.LoadProperty(filer, "kestbinary"), nullptr);
    EXPECT_EQ(k.list.Mode(), pmNone);
}

TEST(PropSaveLoadTest, UnknownNamesAndBlocksAreSkippedWithTheirLines)
{
    TKindsList k;
    LoadText(k.list,
        "Lines = (\r\n"
        "  'Left = 5'\r\n"
        "  'x' )\r\n"
        "Bytes = {\r\n"
        "  0102 }\r\n"
        "property Font\r\n"
        "  Name = Arial\r\n"
        "  property Inner\r\n"
        "    Left = 6\r\n"
        "  end\r\n"
        "  Left = 7\r\n"
        "end\r\n"
        "Left = 8\r\n");
    EXPECT_EQ(k.left->Value(), 8);
    EXPECT_EQ(k.name->GetValue(), "");
}

TEST(PropSaveLoadTest, StringListAndHexLinesLoadAsWritten)
{
    TKindsList k;
    LoadText(k.list,
        "Hint = (\r\n"
        "  'one'\r\n"
        "  not quoted\r\n"
        "  ''\r\n"
        "  'it's' \r\n"
        "  'last'   )\r\n"
        "Blob = {\r\n"
        "  00FF10\r\n"
        "  ABC\r\n"
        "  12zz34\r\n"
        "  7F }\r\n"
        "Left = 3\r\n");
    EXPECT_EQ(k.hint->Strings(), (TStrings {"one", "", "last"}));
    EXPECT_EQ(k.data, (TBytes {0x00, 0xFF, 0x10, 0xAB, 0x12, 0x7F}));
    EXPECT_EQ(k.left->Value(), 3);

    LoadText(k.list, "Hint = ( )\r\nBlob = { }\r\n");
    EXPECT_EQ(k.hint->Count(), 0);
    EXPECT_TRUE(k.data.empty());

    // Data that ends before the closing line still loads what was there.
    LoadText(k.list, "Hint = (\r\n  'a'\r\n  'b'");
    EXPECT_EQ(k.hint->Strings(), (TStrings {"a", "b"}));
}

TEST(PropSaveLoadTest, TextRoundTripIsStable)
{
    TKindsList k;
    k.Fill();
    std::string text = SaveText(k.list);
    TKindsList copy;
    LoadText(copy.list, text);
    EXPECT_EQ(SaveText(copy.list), text);
    EXPECT_EQ(copy.id->Value(), 4294967295u);
    EXPECT_EQ(copy.name->GetValue(), "it's a door");
    EXPECT_EQ(copy.hint->Strings(), (TStrings {"first line", "(second)"}));
    EXPECT_EQ(copy.data, k.data);
}

TEST(PropSaveLoadTest, BinaryFormLoadsBackToTheSameValues)
{
    for (bool force : {false, true}) {
        TKindsList k;
        k.Fill();
        k.list.Add<TStrProp>("Empty");
        std::string binary = SaveText(k.list, force, true);
        EXPECT_EQ(binary.rfind("kestbinary\r\n", 0), 0u);
        TKindsList copy;
        copy.list.Add<TStrProp>("Empty");
        copy.name->SetValue("not yet");
        LoadText(copy.list, binary);
        EXPECT_EQ(SaveText(copy.list, force), SaveText(k.list, force));
        EXPECT_EQ(copy.name->GetValue(), "it's a door");
    }
}

TEST(PropSaveLoadTest, LineBreaksInValuesCannotSplitTheDocument)
{
    TKindsList k;
    k.name->SetValue("a\r\nend\nLeft = 9");
    k.hint->SetStrings({"x\r\ny", ""});
    std::string text = SaveText(k.list);
    EXPECT_NE(text.find("Name = 'a  end Left = 9'\r\n"), std::string::npos);
    EXPECT_NE(text.find("Hint = (\r\n  'x'\r\n  'y'\r\n  '' )\r\n"), std::string::npos);
    TKindsList copy;
    LoadText(copy.list, text);
    EXPECT_EQ(copy.left->Value(), 0);
    EXPECT_EQ(copy.name->GetValue(), "a  end Left = 9");
    EXPECT_EQ(copy.hint->Strings(), (TStrings {"x", "y", ""}));

    // The binary form keeps them, and loads them back whole.
    TKindsList viaBinary;
    LoadText(viaBinary.list, SaveText(k.list, false, true));
    EXPECT_EQ(viaBinary.name->GetValue(), "a\r\nend\nLeft = 9");
    EXPECT_EQ(viaBinary.left->Value(), 0);
}

} // namespace
} // namespace kest
