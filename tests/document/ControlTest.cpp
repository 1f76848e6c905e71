// The control base: geometry in document units, update batching and its
// notices, what a control saves, generated names and identifiers, what the
// layer allows, linked points and turning.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "support/DocTestSupport.h"

namespace kest::doctest {
namespace {

// The property names a control's object block writes, in order.
std::vector<std::string> SavedNames(TKestControl& control)
{
    TKestMemoryStream stream;
    {
        TKestFiler filer(stream);
        control.Props().SaveToFiler(filer, "", false);
    }
    std::vector<std::string> names;
    std::string text = stream.Text();
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find("\r\n", pos);
        std::string line = text.substr(pos, end - pos);
        if (line.find(" = ") != std::string::npos)
            names.push_back(line.substr(0, line.find(" = ")));
        pos = end + 2;
    }
    return names;
}

TEST(ControlTest, DocumentRectangleAddsEveryAncestor)
{
    TPanelFixture f;
    TBox* outer = f.AddBox({2000, 1000, 90000, 90000});
    TBox* inner = TKestControl::Create<TBox>(&f.panel, outer, f.Layer());
    inner->SetLeft(10000);
    inner->SetTop(5000);
    inner->SetWidth(3000);
    inner->SetHeight(4000);
    EXPECT_EQ(inner->DocRect(), (TKestRect {12000, 6000, 15000, 10000}));
    EXPECT_EQ(f.panel.TransformRect(inner->DocRect()), (TKestRect {12, 6, 15, 10}));
    EXPECT_EQ(inner->AnchorPoint(), (TKestPoint {12, 6}));

    // SetDocRect takes document coordinates and stores parent-relative ones.
    inner->SetDocRect({20000, 30000, 25000, 31000});
    EXPECT_EQ(inner->Left(), 18000);
    EXPECT_EQ(inner->Top(), 29000);
    EXPECT_EQ(inner->Width(), 5000);
    EXPECT_EQ(inner->Height(), 1000);

    // Panel pixels to client units and back, at another scale and origin.
    f.panel.SetScale(200);
    f.panel.SetOrigin(7, 3);
    const TKestPoint pixel = inner->ClientToOwner({1000, 500});
    EXPECT_EQ(pixel, (TKestPoint {2 * 21 - 7, 61 - 3}));
    EXPECT_EQ(inner->OwnerToClient(pixel), (TKestPoint {1000, 500}));
}

TEST(ControlTest, UpdateReportsTheRectangleOnceAndBeforeTheLinkedPoints)
{
    TPanelFixture f;
    TBox* box = f.AddBox({0, 0, 10000, 10000});
    auto* anchored = TKestControl::Create<TAnchored>(&f.panel, f.Scheme(), f.Layer());
    anchored->Anchor()->SetLinkedControl(box);
    anchored->Anchor()->SetLinkPoint({5000, 5000});
    TNotifyLog log(f.panel);

    box->BeginUpdate();
    box->SetLeft(1000);
    box->SetTop(2000);
    box->SetWidth(20000);
    box->SetHeight(30000);
    EXPECT_EQ(log.Count(knRect, box), 0);
    box->EndUpdate();

    EXPECT_EQ(log.Count(knRect, box), 1);
    ASSERT_EQ(log.Count(knLinkPoints, box), 1);
    EXPECT_LT(log.IndexOf(knRect, box), log.IndexOf(knLinkPoints, box));
    // The point kept its place within the rectangle.
    EXPECT_EQ(anchored->Anchor()->LinkPoint(), (TKestPoint {11000, 17000}));

    // Nested updates report at the outermost end only.
    log.Entries.clear();
    box->BeginUpdate();
    box->BeginUpdate();
    box->SetLeft(0);
    EXPECT_FALSE(box->EndUpdate());
    EXPECT_EQ(log.Count(knRect, box), 0);
    EXPECT_TRUE(box->EndUpdate());
    EXPECT_EQ(log.Count(knRect, box), 1);
    EXPECT_FALSE(box->EndUpdate());
}

TEST(ControlTest, SizeBelowOneBecomesOneWithoutReportingTheNegativeValue)
{
    TPanelFixture f;
    TBox* box = f.AddBox({0, 0, 10000, 10000});
    std::vector<int32_t> widths;
    f.panel.OnNotify = [&](TKestPanel*, TKestControl* control, TKestNotify notify) {
        if (control == box && notify == knRect)
            widths.push_back(box->Width());
    };
    box->SetWidth(-5);
    EXPECT_EQ(box->Width(), 1);
    EXPECT_EQ(widths, std::vector<int32_t> {1});
    box->SetHeight(0);
    EXPECT_EQ(box->Height(), 1);
}

TEST(ControlTest, DefaultControlSavesOnlyItsIdentityAndGeometry)
{
    TPanelFixture f;
    TBox* box = f.AddBox({1000, 2000, 3000, 4000});
    EXPECT_EQ(SavedNames(*box), (std::vector<std::string> {"Height", "ID", "Layer", "Left", "Top", "Width"}));

    TKestScheme* other = TKestControl::Create<TKestScheme>(&f.panel, f.panel.Schemes());
    box->SetTag(7);
    box->SetHint({"a", "b"});
    box->SetShowHint(false);
    box->SetReference(other);
    box->UserData().SetValueByName("key", "value");
    box->SetTransparency(30);
    box->SetSelectable(false);
    box->SetColor(clBlue);
    EXPECT_EQ(SavedNames(*box),
        (std::vector<std::string> {"Color", "Height", "Hint", "ID", "Layer", "Left", "Reference", "Selectable",
            "ShowHint", "Tag", "Top", "Transparency", "UserData", "Width"}));
    // The name stands only in the object line.
    box->SetName("Door");
    const std::string text = SaveText(f.panel);
    EXPECT_NE(text.find("    object Door: TBox\r\n"), std::string::npos);
    EXPECT_EQ(text.find("Name ="), std::string::npos);
}

TEST(ControlTest, GeneratedNamesTakeTheSmallestFreeNumber)
{
    TPanelFixture f;
    f.panel.SetAutoNameNumbs(false);
    EXPECT_EQ(f.AddBox({0, 0, 10, 10})->Name(), "Box");
    EXPECT_EQ(f.AddBox({0, 0, 10, 10})->Name(), "Box");

    f.panel.SetAutoNameNumbs(true);
    f.AddBox({0, 0, 10, 10})->SetName("Box1");
    f.AddBox({0, 0, 10, 10})->SetName("Box3");
    f.AddBox({0, 0, 10, 10})->SetName("Boxer");
    // "Box" and "Boxer" contribute no number.
    EXPECT_EQ(f.AddBox({0, 0, 10, 10})->Name(), "Box2");
    EXPECT_EQ(f.AddBox({0, 0, 10, 10})->Name(), "Box4");
    // Prefixes: TKest for long class names, T for short ones.
    EXPECT_EQ(f.panel.GenerateName(f.Layer(), nullptr, false), "Layer");
    // A control's own name does not count.
    EXPECT_EQ(f.panel.GenerateName(f.Layer(), nullptr, true), "Layer1");
    EXPECT_EQ(f.panel.Layers()->NewLayer()->Name(), "Layer2");
    EXPECT_EQ(f.panel.GenerateName(f.Layer(), f.Scheme(), true), "Layer1");

    f.panel.SetAutoNames(false);
    EXPECT_EQ(f.AddBox({0, 0, 10, 10})->Name(), "");
}

TEST(ControlTest, IdentifiersStayUnique)
{
    TPanelFixture f;
    TBox* a = f.AddBox({0, 0, 10, 10});
    TBox* b = f.AddBox({0, 0, 10, 10});
    ASSERT_NE(a->ID(), b->ID());
    TNotifyLog log(f.panel);

    const int32_t old = b->ID();
    b->SetID(a->ID());
    EXPECT_EQ(b->ID(), old);
    EXPECT_EQ(log.Count(knId, b), 0);

    b->SetID(500);
    EXPECT_EQ(b->ID(), 500);
    EXPECT_EQ(log.Count(knId, b), 1);
    EXPECT_TRUE(f.panel.IdPool().Used(500));
    EXPECT_FALSE(f.panel.IdPool().Used(old));
    EXPECT_EQ(f.panel.FindControlById(500), b);

    // The old identifier is free again and a new control may take it.
    EXPECT_EQ(f.AddBox({0, 0, 10, 10})->ID(), old);

    b->SetID(0);
    EXPECT_FALSE(f.panel.IdPool().Used(500));
    EXPECT_EQ(f.panel.FindControlById(500), nullptr);

    // A destroyed control gives its identifier back.
    const int32_t aId = a->ID();
    a->Free();
    EXPECT_FALSE(f.panel.IdPool().Used(aId));
}

TEST(ControlTest, NoticesOfControlsOutsideTheDocumentStayWithThePanel)
{
    TPanelFixture f;
    TNotifyLog log(f.panel);
    TBox* orphan = TKestControl::Create<TBox>(&f.panel);
    orphan->SetLeft(100);
    EXPECT_EQ(log.Count(knCreated, orphan), 0);
    EXPECT_EQ(log.Count(knRect, orphan), 0);
    ASSERT_EQ(f.panel.Orphans().size(), 1u);

    TBox* box = f.AddBox({0, 0, 10, 10});
    EXPECT_EQ(log.Count(knCreated, box), 1);
    EXPECT_EQ(log.Count(knParent, box), 1);
    EXPECT_EQ(log.Count(knOrder, f.Scheme()), 1);

    orphan->Free();
    EXPECT_EQ(log.Count(knDestroyed, orphan), 1);
    EXPECT_TRUE(f.panel.Orphans().empty());
}

TEST(ControlTest, RemovedChildStaysAliveAsAnOrphan)
{
    TPanelFixture f;
    TBox* box = f.AddBox({0, 0, 10, 10});
    box->SetSelected(true);
    ASSERT_TRUE(box->Selected());
    f.Scheme()->RemoveChild(box);
    EXPECT_EQ(box->Parent(), nullptr);
    EXPECT_EQ(box->Layer(), nullptr);
    EXPECT_FALSE(box->Selected());
    EXPECT_EQ(f.panel.Orphans(), std::vector<TKestControl*> {box});
    // Back in the scheme: the remembered layer is not kept by an orphan.
    EXPECT_EQ(f.Scheme()->AddChild(box), 0);
    EXPECT_TRUE(f.panel.Orphans().empty());
    // A control never holds itself or an ancestor.
    EXPECT_EQ(box->AddChild(f.Scheme()), -1);
    EXPECT_EQ(box->AddChild(box), -1);
}

TEST(ControlTest, LayerDecidesWhatMayChange)
{
    TPanelFixture f;
    TBox* box = f.AddBox({0, 0, 10000, 10000});
    TKestLayer* layer = f.Layer();

    layer->SetResizable(false);
    box->SetWidth(5000);
    box->SetLeft(100);
    EXPECT_EQ(box->Width(), 10000);
    EXPECT_EQ(box->Left(), 100);

    layer->SetResizable(true);
    layer->SetMoveable(false);
    box->SetLeft(200);
    box->SetWidth(5000);
    EXPECT_EQ(box->Left(), 100);
    EXPECT_EQ(box->Width(), 5000);

    layer->SetMoveable(true);
    layer->SetReadOnly(true);
    box->SetTag(3);
    box->SetLeft(300);
    EXPECT_EQ(box->Tag(), 0);
    EXPECT_EQ(box->Left(), 100);
    // A control on a read-only layer keeps its layer.
    TKestLayer* second = f.panel.Layers()->NewLayer();
    box->SetLayer(second);
    EXPECT_EQ(box->Layer(), layer);

    layer->SetReadOnly(false);
    layer->SetSelectable(false);
    EXPECT_FALSE(box->IsSelectable());
    EXPECT_FALSE(f.panel.Select(box));
}

TEST(ControlTest, NamesAreValidWhenPresentAndUniqueAmongSiblings)
{
    TPanelFixture f;
    TBox* a = f.AddBox({0, 0, 10, 10});
    TBox* b = f.AddBox({0, 0, 10, 10});
    a->SetName("Gate");
    b->SetName("gate");
    EXPECT_TRUE(b->IsNameValid(true, true));
    b->SetName("Gate");
    EXPECT_FALSE(b->IsNameValid(true, true));
    EXPECT_TRUE(b->IsNameValid(true, false));
    b->SetName("");
    EXPECT_FALSE(b->IsNameValid(true, false));
    EXPECT_TRUE(b->IsNameValid(false, true));
    EXPECT_EQ(f.panel.FindControlByName("Gate"), a);
    EXPECT_EQ(f.panel.FindControlByName("gate"), nullptr);
}

TEST(ControlTest, LinkedPointsListRefusesIndexesOutside)
{
    TPanelFixture f;
    TBox* box = f.AddBox({0, 0, 10, 10});
    EXPECT_EQ(box->LinkPointCount(), 0);
    EXPECT_THROW(box->LinkPoint(0), std::out_of_range);
    EXPECT_THROW(box->DeleteLinkPoint(0), std::out_of_range);
    TKestPoint p {1, 2};
    EXPECT_EQ(box->AddLinkPoint(&p), 0);
    EXPECT_EQ(box->IndexOfLinkPoint(&p), 0);
    EXPECT_THROW(box->LinkPoint(1), std::out_of_range);
    box->DeleteLinkPoint(0);
    EXPECT_EQ(box->LinkPointCount(), 0);
}

TEST(ControlTest, TurningAndMirroringAboutACentre)
{
    const TTranslateInfo quarter {{0, 0}, 90, false};
    // A negative angle in the formula: a quarter turn takes (1, 0) to (0, -1).
    EXPECT_EQ(TranslatePoint(quarter, {1000, 0}), (TKestPoint {0, -1000}));
    const TTranslateInfo mirror {{5000, 0}, 0, true};
    EXPECT_EQ(TranslatePoint(mirror, {1000, 7}), (TKestPoint {9000, 7}));
    EXPECT_EQ(TranslateRect(quarter, {0, 0, 2000, 1000}), (TKestRect {0, -2000, 1000, 0}));

    TPanelFixture f;
    TBox* box = f.AddBox({0, 0, 2000, 1000});
    auto* anchored = TKestControl::Create<TAnchored>(&f.panel, f.Scheme(), f.Layer());
    anchored->Anchor()->SetLinkedControl(box);
    anchored->Anchor()->SetLinkPoint({2000, 0});
    box->Translate({{1000, 500}, 180, false});
    EXPECT_EQ(box->DocRect(), (TKestRect {0, 0, 2000, 1000}));
    // Linked points turn with the control rather than scaling with it.
    EXPECT_EQ(anchored->Anchor()->LinkPoint(), (TKestPoint {0, 1000}));
}

} // namespace
} // namespace kest::doctest
