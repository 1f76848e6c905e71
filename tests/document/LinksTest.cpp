// Links and references: link texts and their parsing, links that follow and
// let go of their targets, linked points, layers and schemes by name, and
// links between pasted controls.
#include <gtest/gtest.h>

#include <algorithm>

#include "KestError.h"
#include "support/DocTestSupport.h"

namespace kest::doctest {
namespace {

struct TLinkFixture : TPanelFixture {
    TBox* box = nullptr;
    TLinkFixture()
    {
        box = AddBox({0, 0, 10000, 10000});
        box->SetName("Box1");
        box->SetID(12);
    }
    ~TLinkFixture()
    {
        SetDocumentNameOf({});
        SetPanelByDocumentName({});
    }
};

TEST(LinksTest, LinkTextNamesIdentifierNameAndProperty)
{
    TLinkFixture f;
    EXPECT_EQ(BuildLinkText(nullptr, nullptr, false), "");
    EXPECT_EQ(BuildLinkText(f.box, nullptr, false), "\\12:Box1");
    EXPECT_EQ(BuildLinkText(f.box, f.box->Props().PropByName("Color"), false), "\\12:Box1\\Color");
    // A property of another control is left out.
    TBox* other = f.AddBox({0, 0, 10, 10});
    EXPECT_EQ(BuildLinkText(f.box, other->Props().PropByName("Color"), false), "\\12:Box1");

    TBox* odd = f.AddBox({0, 0, 10, 10});
    odd->SetName("Bo\\x\x01");
    odd->SetID(7);
    EXPECT_EQ(BuildLinkText(odd, nullptr, false), "\\7:Box");

    // Across documents the document name comes first, quoted when it must be.
    f.panel.setObjectName("Plan");
    EXPECT_EQ(BuildLinkText(f.box, nullptr, true), "Plan\\12:Box1");
    f.panel.setObjectName("Site \"A\"");
    EXPECT_EQ(BuildLinkText(f.box, nullptr, true), "\"Site \"\"A\"\"\"\\12:Box1");
    SetDocumentNameOf([](TKestPanel*) { return std::string("Other"); });
    EXPECT_EQ(BuildLinkText(f.box, nullptr, true), "Other\\12:Box1");
}

TEST(LinksTest, ParsingFindsTheTargetByIdentifier)
{
    TLinkFixture f;
    TLinkTarget target;
    EXPECT_TRUE(ParseLinkText("", &f.panel, nullptr, nullptr, target));
    EXPECT_EQ(target.Control, nullptr);

    ASSERT_TRUE(ParseLinkText("\\12:Box1", &f.panel, nullptr, nullptr, target));
    EXPECT_EQ(target.Control, f.box);
    EXPECT_EQ(target.Prop, nullptr);
    // The name is never used for the lookup.
    ASSERT_TRUE(ParseLinkText("\\12:Wrong", &f.panel, nullptr, nullptr, target));
    EXPECT_EQ(target.Control, f.box);
    ASSERT_TRUE(ParseLinkText("\\12:Box1\\color", &f.panel, nullptr, nullptr, target));
    EXPECT_EQ(target.Prop, f.box->Props().PropByName("Color"));
    ASSERT_TRUE(ParseLinkText("\\12\\Width", &f.panel, nullptr, nullptr, target));
    EXPECT_EQ(target.Prop, f.box->WidthProp());

    EXPECT_FALSE(ParseLinkText("\\12:Box1\\Nothing", &f.panel, nullptr, nullptr, target));
    EXPECT_FALSE(ParseLinkText("12:Box1", &f.panel, nullptr, nullptr, target));
    EXPECT_FALSE(ParseLinkText("\\99:Box1", &f.panel, nullptr, nullptr, target));
    EXPECT_FALSE(ParseLinkText("\\x:Box1", &f.panel, nullptr, nullptr, target));
    EXPECT_FALSE(ParseLinkText("\"unterminated\\12:Box1", &f.panel, nullptr, nullptr, target));
    // Another document is found through the replaceable routine only.
    EXPECT_FALSE(ParseLinkText("Other\\12:Box1", nullptr, nullptr, nullptr, target));
    TKestPanel other;
    TBox* there = TKestControl::Create<TBox>(&other, other.ActiveScheme(), other.ActiveLayer());
    there->SetID(12);
    SetPanelByDocumentName([&](const std::string& name) { return name == "Oth\"er" ? &other : nullptr; });
    ASSERT_TRUE(ParseLinkText("\"Oth\"\"er\"\\12:x", &f.panel, nullptr, nullptr, target));
    EXPECT_EQ(target.Control, there);

    // Identifiers replaced while loading are translated.
    TPropRefList map;
    map.RegisterId(40, 12);
    ASSERT_TRUE(ParseLinkText("\\40:Box1", &f.panel, nullptr, &map, target));
    EXPECT_EQ(target.Control, f.box);
    // Without a panel the tree of the context control is searched.
    TBox* orphan = TKestControl::Create<TBox>(nullptr);
    TBox* child = TKestControl::Create<TBox>(nullptr, orphan);
    child->SetID(3);
    ASSERT_TRUE(ParseLinkText("\\3:x", nullptr, orphan, nullptr, target));
    EXPECT_EQ(target.Control, child);
    orphan->Free();
}

TEST(LinksTest, DisplayTextGetsItsLeadingBackslash)
{
    TLinkFixture f;
    auto* clone = TKestControl::Create<TKestClone>(&f.panel, f.Scheme(), f.Layer());
    TLinkProp* link = clone->SourceProp();
    link->SetDisplayValue("12:Box1");
    EXPECT_EQ(clone->Source(), nullptr);
    link->SetDisplayValue("12:Box1\\Color");
    EXPECT_EQ(link->LinkedControl(), f.box);
    EXPECT_EQ(link->LinkedProp(), f.box->Props().PropByName("Color"));
    EXPECT_EQ(link->GetDisplayValue(), "\\12:Box1\\Color");
    link->SetDisplayValue("\\12:Box1");
    EXPECT_EQ(link->LinkedProp(), nullptr);
    // An unresolvable text leaves the link as it was.
    link->SetDisplayValue("\\77:Gone");
    EXPECT_EQ(clone->Source(), f.box);
    // The text follows the target's identifier and name.
    f.box->SetID(30);
    f.box->SetName("Gate");
    EXPECT_EQ(link->Text(), "\\30:Gate");
}

TEST(LinksTest, DestroyedTargetEmptiesTheLink)
{
    TLinkFixture f;
    auto* clone = TKestControl::Create<TKestClone>(&f.panel, f.Scheme(), f.Layer());
    clone->SetSource(f.box);
    ASSERT_TRUE(clone->SizeLocked());
    auto* anchored = TKestControl::Create<TAnchored>(&f.panel, f.Scheme(), f.Layer());
    anchored->Anchor()->SetLinkedControl(f.box);
    std::vector<TKestControl*> changed;
    f.panel.OnPropChanged = [&](TKestControl* control, TCustomProp* prop) {
        if (prop->Name() == "Source" || prop->Name() == "Anchor")
            changed.push_back(control);
    };

    f.box->Free();
    EXPECT_EQ(clone->Source(), nullptr);
    EXPECT_FALSE(clone->SizeLocked());
    EXPECT_EQ(anchored->Anchor()->LinkedControl(), nullptr);
    EXPECT_EQ(anchored->Notices(ncDestroy), 1);
    std::sort(changed.begin(), changed.end());
    std::vector<TKestControl*> expected {clone, anchored};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(changed, expected);
    EXPECT_EQ(clone->SourceProp()->Text(), "");
}

TEST(LinksTest, PropertyLinkHearsItsPropertyAndLetsGoWithTheControl)
{
    TLinkFixture f;
    auto* anchored = TKestControl::Create<TAnchored>(&f.panel, f.Scheme(), f.Layer());
    TLinkProp* link = anchored->Anchor();
    ASSERT_TRUE(link->SetLink(f.box, f.box->Props().PropByName("Color")));
    f.box->SetColor(clBlue);
    EXPECT_EQ(anchored->Notices(ncPropBefore), 1);
    EXPECT_EQ(anchored->Notices(ncPropChanged), 1);
    // Neither other properties nor the control's own notices reach it.
    f.box->SetTag(4);
    EXPECT_EQ(anchored->Notices(ncPropChanged), 1);
    EXPECT_EQ(anchored->Notices(ncCustom), 0);
    f.box->Free();
    EXPECT_EQ(link->LinkedControl(), nullptr);
    EXPECT_EQ(link->LinkedProp(), nullptr);
}

TEST(LinksTest, LinkPointBelongsToAControl)
{
    TPropList list;
    try {
        list.Add<TLinkPointProp>("Anchor", &list);
        FAIL() << "created";
    } catch (const EKestError& e) {
        EXPECT_STREQ(e.what(), "Can't create link prop");
    }

    TLinkFixture f;
    auto* anchored = TKestControl::Create<TAnchored>(&f.panel, f.Scheme(), f.Layer());
    TLinkPointProp* anchor = anchored->Anchor();
    EXPECT_FALSE(anchor->SetLink(anchored, nullptr));
    ASSERT_TRUE(anchor->SetLink(f.box, nullptr));
    EXPECT_EQ(f.box->LinkPointCount(), 1);
    EXPECT_EQ(anchor->LinkedRect(), f.box->DocRect());

    const int before = anchored->ControlNotices(knLinkPoints);
    anchor->SetLinkPoint({2000, 3000});
    EXPECT_EQ(anchored->ControlNotices(knLinkPoints), before + 1);
    // A notice with the point unchanged is dropped.
    f.box->DoNotify(knLinkPoints);
    EXPECT_EQ(anchored->ControlNotices(knLinkPoints), before + 1);
    f.box->SetDocRect({0, 0, 20000, 20000});
    EXPECT_EQ(anchor->LinkPoint(), (TKestPoint {4000, 6000}));
    EXPECT_EQ(anchored->ControlNotices(knLinkPoints), before + 2);

    // Re-linking moves the point to the new control's list.
    TBox* other = f.AddBox({0, 0, 10, 10});
    anchor->SetLinkedControl(other);
    EXPECT_EQ(f.box->LinkPointCount(), 0);
    EXPECT_EQ(other->LinkPointCount(), 1);
    anchored->Free();
    EXPECT_EQ(other->LinkPointCount(), 0);
}

TEST(LinksTest, LayerAndSchemeByName)
{
    TLinkFixture f;
    TKestLayer* second = f.panel.Layers()->NewLayer();
    TCustomProp* layerProp = f.box->LayerProp();
    EXPECT_EQ(layerProp->GetDisplayValue(), "Layer1");
    layerProp->SetPropValue({}, std::string("Layer2"));
    EXPECT_EQ(f.box->Layer(), second);
    // An unknown name changes nothing for a control that has a layer.
    layerProp->SetPropValue({}, std::string("Nowhere"));
    EXPECT_EQ(f.box->Layer(), second);
    layerProp->SetPropValue({}, std::string());
    EXPECT_EQ(f.box->Layer(), nullptr);
    // Without one it takes the active layer.
    layerProp->SetPropValue({}, std::string("Nowhere"));
    EXPECT_EQ(f.box->Layer(), f.panel.ActiveLayer());
    TStrings names;
    layerProp->GetEnumList(names);
    EXPECT_EQ(names, (TStrings {"Layer1", "Layer2"}));

    auto* hall = TKestControl::Create<TKestScheme>(&f.panel, f.panel.Schemes());
    hall->SetName("Hall");
    TCustomProp* reference = f.box->ReferenceProp();
    reference->SetPropValue({}, std::string("Hall"));
    EXPECT_EQ(f.box->Reference(), hall);
    reference->SetPropValue({}, std::string("Nothing"));
    EXPECT_EQ(f.box->Reference(), hall);
    reference->GetEnumList(names);
    EXPECT_EQ(names, (TStrings {"", "Scheme1", "Hall"}));
    reference->SetPropValue({}, std::string());
    EXPECT_EQ(f.box->Reference(), nullptr);
}

TEST(LinksTest, PastedControlsStayLinkedToEachOther)
{
    TLinkFixture f;
    auto* clone = TKestControl::Create<TKestClone>(&f.panel, f.Scheme(), f.Layer());
    clone->SetSource(f.box);
    clone->SetAutoSize(false);
    clone->SetDocRect({50000, 0, 60000, 5000});
    TBox* outside = f.AddBox({0, 0, 10, 10});
    auto* toOutside = TKestControl::Create<TKestClone>(&f.panel, f.Scheme(), f.Layer());
    toOutside->SetSource(outside);
    f.panel.UnselectAll();
    f.panel.Select(f.box);
    f.panel.Select(clone);
    f.panel.Select(toOutside);
    const std::string copied = SaveClipboardText(f.panel);

    LoadText(f.panel, copied, lmPaste);
    ASSERT_EQ(f.panel.SelectedCount(), 3);
    TKestControl* newBox = f.panel.SelectedControl(0);
    auto* newClone = dynamic_cast<TKestClone*>(f.panel.SelectedControl(1));
    auto* newToOutside = dynamic_cast<TKestClone*>(f.panel.SelectedControl(2));
    ASSERT_TRUE(newClone && newToOutside);
    EXPECT_NE(newBox, f.box);
    EXPECT_NE(newBox->ID(), f.box->ID());
    EXPECT_EQ(newClone->Source(), newBox);
    // A link to a control that was not pasted keeps its target.
    EXPECT_EQ(newToOutside->Source(), outside);
    EXPECT_EQ(clone->Source(), f.box);
}

} // namespace
} // namespace kest::doctest
