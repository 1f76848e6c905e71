// Complex properties with published sub-properties: "property" blocks,
// declared defaults and stored-conditions, vetoes, nested objects, and the
// default-value test.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KestError.h"
#include "KestProps.h"
#include "PropTestSupport.h"

namespace kest {
namespace {

using test::LoadText;
using test::SaveText;
using test::TTestPen;

struct TPenList {
    TPropList list;
    TTestPen* pen = list.Add<TTestPen>("Pen");
    TIntProp* left = list.Add<TIntProp>("Left");

    void Change()
    {
        pen->SetColor(255);
        pen->SetPenStyle(test::tpsDash);
        pen->SetWidth(3);
        pen->SetOptions(test::tpoRound | test::tpoDashed);
        pen->SetScale(1.25);
        pen->SetCaption("a b");
        pen->SetBig(12345678901234);
        pen->SetDash(4);
        pen->Cap().SetSize(9000);
        pen->Cap().SetFilled(true);
        pen->Level().SetValue(2);
    }
};

const char* const kChangedPen = "Left = 0\r\n"
                                "property Pen\r\n"
                                "  Color = 255\r\n"
                                "  Style = tpsDash\r\n"
                                "  Width = 3\r\n"
                                "  Options = [tpoRound,tpoDashed]\r\n"
                                "  Scale = 1.25\r\n"
                                "  Caption = 'a b'\r\n"
                                "  Big = 12345678901234\r\n"
                                "  Dash = 4\r\n"
                                "  property Cap\r\n"
                                "    Size = 9000\r\n"
                                "    Filled = True\r\n"
                                "  end\r\n"
                                "  Level = 2\r\n"
                                "end\r\n";

TEST(PropPublishedTest, DefaultsAreNotWrittenUnlessForced)
{
    TPenList p;
    EXPECT_EQ(SaveText(p.list),
        "Left = 0\r\n"
        "property Pen\r\n"
        "  Color = 0\r\n"
        "  Level = 0\r\n"
        "end\r\n");
    EXPECT_EQ(SaveText(p.list, true),
        "Left = 0\r\n"
        "property Pen\r\n"
        "  Color = 0\r\n"
        "  Style = tpsSolid\r\n"
        "  Width = 1\r\n"
        "  Options = []\r\n"
        "  Scale = 0\r\n"
        "  Caption = \r\n"
        "  Big = 0\r\n"
        "  Dash = 3\r\n"
        "  property Cap\r\n"
        "    Size = 8000\r\n"
        "    Filled = False\r\n"
        "  end\r\n"
        "  Level = 0\r\n"
        "end\r\n");
}

TEST(PropPublishedTest, ChangedSubPropertiesRoundTripInBothForms)
{
    TPenList p;
    p.Change();
    EXPECT_EQ(SaveText(p.list), kChangedPen);
    for (bool binary : {false, true}) {
        TPenList copy;
        LoadText(copy.list, SaveText(p.list, false, binary));
        EXPECT_EQ(SaveText(copy.list), kChangedPen) << binary;
        EXPECT_EQ(copy.pen->Big(), 12345678901234);
        EXPECT_EQ(copy.pen->Scale(), 1.25);
        EXPECT_TRUE(copy.pen->Cap().Filled());
    }
}

TEST(PropPublishedTest, VetoedSubPropertiesAndEmptyBlocksAreLeftOut)
{
    TPenList p;
    std::string offered;
    p.list.OnPropStored = [&](TPropList*, TCustomProp* prop, const std::string& sub, bool& stored) {
        offered += std::string(prop->ClassName()) + ":" + sub + " ";
        stored = sub != "Color" && sub != "Level";
    };
    EXPECT_EQ(SaveText(p.list), "Left = 0\r\n");
    EXPECT_EQ(offered, "TIntProp: TTestPen: TTestPen:Color TTestPen:Cap TTestPen:Level ");

    p.pen->Cap().SetSize(1);
    EXPECT_EQ(SaveText(p.list),
        "Left = 0\r\n"
        "property Pen\r\n"
        "  property Cap\r\n"
        "    Size = 1\r\n"
        "  end\r\n"
        "end\r\n");
    // Forced saving asks nobody.
    offered.clear();
    SaveText(p.list, true);
    EXPECT_EQ(offered, "");
}

TEST(PropPublishedTest, NestedBlocksLoadOnlyIntoPropertyObjects)
{
    TPenList p;
    LoadText(p.list,
        "property Pen\r\n"
        "  property Width\r\n"
        "    Color = 1\r\n"
        "  end\r\n"
        "  property Spare\r\n"
        "    Color = 2\r\n"
        "  end\r\n"
        "  property Nope\r\n"
        "    property Deeper\r\n"
        "    end\r\n"
        "    Color = 3\r\n"
        "  end\r\n"
        "  property Cap\r\n"
        "    size = 100\r\n"
        "    property Inner\r\n"
        "      Size = 5\r\n"
        "    end\r\n"
        "  end\r\n"
        "  color = 7\r\n"
        "  Level = 4\r\n"
        "  Unknown = 1\r\n"
        "  = 9\r\n"
        "end\r\n"
        "property Left\r\n"
        "  property Cap\r\n"
        "    Size = 1\r\n"
        "  end\r\n"
        "  Color = 3\r\n"
        "end\r\n"
        "Left = 3\r\n");
    EXPECT_EQ(p.pen->Color(), 7);
    EXPECT_EQ(p.pen->Width(), 1);
    EXPECT_EQ(p.pen->Cap().Size(), 100);
    EXPECT_EQ(p.pen->Level().Value(), 4);
    EXPECT_EQ(p.left->Value(), 3);
}

TEST(PropPublishedTest, SubPropertyValuesInPublishedAndRawForms)
{
    TPenList p;
    TTestPen& pen = *p.pen;
    pen.SetPropValue("style", TPropValue(std::string("TPSDOT")));
    EXPECT_EQ(pen.PenStyle(), test::tpsDot);
    pen.SetPropValue("Style", TPropValue(int32_t(1)));
    EXPECT_EQ(pen.PenStyle(), test::tpsDash);
    for (const TPropValue& bad : {TPropValue(std::string("nope")), TPropValue(int32_t(4)), TPropValue(int32_t(-1))})
        pen.SetPropValue("Style", bad);
    EXPECT_EQ(pen.GetPropValue("STYLE"), TPropValue(std::string("tpsDash")));

    pen.SetPropValue("Options", TPropValue(std::string("[tpoShadow]")));
    EXPECT_EQ(pen.Options(), test::tpoShadow);
    pen.SetPropValue("Options", TPropValue(std::string(" TPOROUND , tpoShadow ")));
    EXPECT_EQ(pen.Options(), test::tpoRound | test::tpoShadow);
    pen.SetPropValue("Options", TPropValue(std::string("[tpoRound,bad]")));
    EXPECT_EQ(pen.GetPropValue("Options"), TPropValue(std::string("tpoRound,tpoShadow")));
    pen.SetPropValue("Options", TPropValue(int32_t(4)));
    EXPECT_EQ(pen.Options(), test::tpoDashed);

    pen.SetPropValue("Scale", TPropValue(std::string("2.5")));
    pen.SetPropValue("Scale", TPropValue(std::string("2,75")));
    EXPECT_EQ(pen.Scale(), 2.5);
    pen.SetPropValue("Big", TPropValue(std::string("-9000000000")));
    EXPECT_EQ(pen.Big(), -9000000000);
    pen.SetPropValue("Big", TPropValue(std::string("12x")));
    EXPECT_EQ(pen.Big(), -9000000000);
    pen.SetPropValue("Caption", TPropValue(int32_t(5)));
    EXPECT_EQ(pen.Caption(), "5");
    pen.SetPropValue("Caption", TPropValue());
    EXPECT_EQ(pen.Caption(), "");
    pen.SetPropValue("Level", TPropValue(std::string("12")));
    EXPECT_EQ(pen.Level().Value(), 12);
    EXPECT_EQ(pen.GetPropValue("Level"), TPropValue(int32_t(12)));
    EXPECT_EQ(pen.GetPropValue("Cap"), TPropValue());
    EXPECT_EQ(pen.GetPropValue("Unknown"), TPropValue());
    EXPECT_EQ(pen.GetPropType("Style"), ptSimple);
    EXPECT_EQ(pen.GetPropType({}), ptComplex);
    EXPECT_EQ(pen.GetDisplayValue(), "(TestPen)");

    // A value without a sub-name is not a complex property's.
    pen.SetPropValue({}, TPropValue(int32_t(1)));
    EXPECT_EQ(pen.GetPropValue({}), TPropValue());
}

TEST(PropPublishedTest, SubPropertyObjectsChangeAsTheirHolder)
{
    TPenList p;
    std::vector<std::string> changed;
    p.list.OnPropChanged = [&](TPropList*, TCustomProp* prop) { changed.push_back(prop->Name()); };
    p.pen->Cap().SetSize(1);
    p.pen->Level().SetValue(3);
    p.pen->SetWidth(2);
    EXPECT_EQ(changed, (std::vector<std::string> {"Pen", "Pen", "Pen"}));
    EXPECT_EQ(p.pen->Cap().Owner(), &p.list);

    p.pen->SetStyle(psVisible | psReadOnly);
    p.pen->Cap().SetSize(2);
    p.pen->Level().SetValue(4);
    EXPECT_EQ(p.pen->Cap().Size(), 1);
    EXPECT_EQ(p.pen->Level().Value(), 3);
}

TEST(PropPublishedTest, StoredFollowsDefaultsAndConditions)
{
    TPenList p;
    TTestPen& pen = *p.pen;
    EXPECT_TRUE(pen.IsSubPropStored("NoSuchThing"));
    EXPECT_TRUE(pen.IsSubPropStored("Color")); // no declared default
    EXPECT_FALSE(pen.IsSubPropStored("Width"));
    EXPECT_FALSE(pen.IsSubPropStored("Scale"));
    EXPECT_FALSE(pen.IsSubPropStored("Dash"));
    EXPECT_TRUE(pen.IsSubPropStored("Cap"));
    pen.SetWidth(2);
    pen.SetPenStyle(test::tpsDash);
    EXPECT_TRUE(pen.IsSubPropStored("width"));
    EXPECT_TRUE(pen.IsSubPropStored("Dash"));
}

// Holds values of the kinds that have no natural C++ member type.
class TLooseProp : public TCustomProp {
    KEST_CLASS(TLooseProp)
public:
    TPropValue variant, method, other;
    const TSubPropTable* SubProps() const override
    {
        static const TSubPropTable table
            = TSubPropTableBuilder<TLooseProp>()
                  .Value(
                      "Variant", skVariant, [](const TLooseProp& p) { return p.variant; },
                      [](TLooseProp& p, const TPropValue& v) { p.variant = v; })
                  .Value(
                      "Method", skMethod, [](const TLooseProp& p) { return p.method; },
                      [](TLooseProp& p, const TPropValue& v) { p.method = v; })
                  .Value(
                      "Other", skOther, [](const TLooseProp& p) { return p.other; },
                      [](TLooseProp& p, const TPropValue& v) { p.other = v; })
                  .Char(
                      "Letter", [](const TLooseProp&) { return 'q'; }, [](TLooseProp&, char) {});
        return &table;
    }
};
KEST_CLASS_IMPL(TLooseProp, TCustomProp)

TEST(PropPublishedTest, DefaultValueTestByKind)
{
    TTestPen pen, ancestor;
    const TSubPropTable& table = *pen.SubProps();
    auto isDefault
        = [&](const char* name, TCustomProp* anc) { return IsDefaultPropValue(pen, *table.Find(name), anc); };

    // Ordinal kinds: the declared default, or the ancestor's value; without
    // a declared default never.
    EXPECT_TRUE(isDefault("Width", nullptr));
    EXPECT_FALSE(isDefault("Color", nullptr));
    EXPECT_TRUE(isDefault("Color", &ancestor));
    pen.SetWidth(5);
    ancestor.SetWidth(5);
    EXPECT_FALSE(isDefault("Width", nullptr));
    EXPECT_TRUE(isDefault("Width", &ancestor));
    EXPECT_TRUE(isDefault("Options", nullptr));

    // Floats, texts and 64-bit integers: zero or empty, or the ancestor's.
    EXPECT_TRUE(isDefault("Scale", nullptr));
    EXPECT_TRUE(isDefault("Caption", nullptr));
    EXPECT_TRUE(isDefault("Big", nullptr));
    pen.SetScale(0.5);
    pen.SetCaption("x");
    pen.SetBig(1);
    EXPECT_FALSE(isDefault("Scale", nullptr));
    EXPECT_FALSE(isDefault("Caption", nullptr));
    EXPECT_FALSE(isDefault("Big", nullptr));
    ancestor.SetScale(0.5);
    EXPECT_TRUE(isDefault("Scale", &ancestor));
    EXPECT_FALSE(isDefault("Caption", &ancestor));

    // Objects: none, or the very object of the ancestor.
    EXPECT_TRUE(isDefault("Spare", nullptr));
    EXPECT_FALSE(isDefault("Cap", nullptr));
    EXPECT_FALSE(isDefault("Cap", &ancestor));
    EXPECT_TRUE(isDefault("Spare", &ancestor));

    TLooseProp loose, looseAncestor;
    const TSubPropTable& looseTable = *loose.SubProps();
    auto looseDefault
        = [&](const char* name, TCustomProp* anc) { return IsDefaultPropValue(loose, *looseTable.Find(name), anc); };
    EXPECT_TRUE(looseDefault("Variant", nullptr));
    EXPECT_TRUE(looseDefault("Method", nullptr));
    EXPECT_FALSE(looseDefault("Other", nullptr));
    EXPECT_FALSE(looseDefault("Letter", nullptr));
    loose.variant = int32_t(3);
    EXPECT_FALSE(looseDefault("Variant", nullptr));
    looseAncestor.variant = int32_t(3);
    EXPECT_TRUE(looseDefault("Variant", &looseAncestor));
    EXPECT_FALSE(looseDefault("Other", &looseAncestor));
    EXPECT_EQ(GetSubPropValue(loose, *looseTable.Find("Letter")), TPropValue(std::string("q")));

    EXPECT_THROW(IsDefaultPropValue(loose, *looseTable.Find("Variant"), &pen), EKestError);
}

// A chain of complex properties, each holding the next as an object.
class TChainProp : public TCustomProp {
    KEST_CLASS(TChainProp)
public:
    explicit TChainProp(int links)
    {
        SetPropType(ptComplex);
        if (links > 1) {
            next_ = std::make_unique<TChainProp>(links - 1);
            next_->SetParentProp(this);
        }
    }
    int32_t value = 0;
    TChainProp* Next() const { return next_.get(); }
    const TSubPropTable* SubProps() const override
    {
        static const TSubPropTable table
            = TSubPropTableBuilder<TChainProp>()
                  .Integer(
                      "Value", [](const TChainProp& p) { return p.value; },
                      [](TChainProp& p, int32_t v) { test::ChangeField(p, p.value, v); })
                  .Object("Next", [](TChainProp& p) -> TCustomProp* { return p.next_.get(); });
        return &table;
    }

private:
    std::unique_ptr<TChainProp> next_;
};
KEST_CLASS_IMPL(TChainProp, TCustomProp)

TEST(PropPublishedTest, NestingIsLimited)
{
    TPropList list;
    auto* chain = list.Add<TChainProp>("Chain", TPropList::kMaxNesting + 4);
    auto* left = list.Add<TIntProp>("Left");
    std::string text, indent;
    for (int level = 1; level <= TPropList::kMaxNesting + 4; ++level, indent += "  ")
        text += indent + (level == 1 ? "property Chain" : "property Next") + "\r\n" + indent
            + "  Value = " + std::to_string(level) + "\r\n";
    for (int level = TPropList::kMaxNesting + 4; level >= 1; --level)
        text += std::string(static_cast<size_t>(level - 1) * 2, ' ') + "end\r\n";
    LoadText(list, text + "Left = 5\r\n");

    int level = 1;
    for (TChainProp* link = chain; link; link = link->Next(), ++level)
        EXPECT_EQ(link->value, level <= TPropList::kMaxNesting ? level : 0) << level;
    EXPECT_EQ(left->Value(), 5);
    EXPECT_THROW(SaveText(list), EKestError);

    TPropList shorter;
    shorter.Add<TChainProp>("Chain", TPropList::kMaxNesting);
    EXPECT_NO_THROW(SaveText(shorter, true));
}

TEST(PropPublishedTest, TablesRefuseMistakes)
{
    EXPECT_THROW((TSubPropTableBuilder<TTestPen>().Float("Scale", &TTestPen::Scale, &TTestPen::SetScale).Default(1)),
        EKestError);
    EXPECT_THROW((TSubPropTableBuilder<TTestPen>()
                         .Integer("Width", &TTestPen::Width, &TTestPen::SetWidth)
                         .Integer("WIDTH", &TTestPen::Width, &TTestPen::SetWidth)),
        EKestError);
    // A derived table starts with its base's entries.
    TSubPropTable derived = TSubPropTableBuilder<TTestPen>(*TTestPen().SubProps())
                                .Integer("Extra", &TTestPen::Width, &TTestPen::SetWidth);
    EXPECT_EQ(derived.Count(), TTestPen().SubProps()->Count() + 1);
    EXPECT_EQ(derived.Item(0).Name, "Color");
}

} // namespace
} // namespace kest
