// Editing a panel and undoing it: moves, deletions, grouping, creation,
// captions and empty groups; the selection; the drag object.
#include <gtest/gtest.h>

#include "KestActions.h"
#include "KestError.h"
#include "support/DocTestSupport.h"

namespace kest::doctest {
namespace {

struct THistoryFixture : TPanelFixture {
    TBox* a = nullptr;
    TBox* b = nullptr;
    TBox* c = nullptr;
    THistoryFixture()
    {
        a = AddBox({0, 0, 10000, 10000});
        b = AddBox({20000, 0, 30000, 10000});
        c = AddBox({40000, 0, 50000, 10000});
        a->SetName("A");
        b->SetName("B");
        c->SetName("C");
        panel.History().Clear();
    }
    TKestPanelHistory& History() { return panel.History(); }
    std::string LastCaption() { return History().Item(History().ActionIndex())->Caption(); }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (int i = 0; i < Scheme()->Count(); ++i)
            names.push_back(Scheme()->Controls(i)->Name());
        return names;
    }
};

TEST(PanelHistoryTest, MoveIsUndoneExactlyEvenAfterTheControlCameBack)
{
    THistoryFixture f;
    const std::string before = SaveText(f.panel);
    const int32_t id = f.b->ID();
    f.panel.Select(f.b);
    f.panel.MoveSelected(1234, -567);
    EXPECT_EQ(f.b->DocRect(), (TKestRect {21234, -567, 31234, 9433}));
    ASSERT_EQ(f.History().Count(), 1);
    EXPECT_EQ(f.LastCaption(), "Size/move control(s)");
    const std::string moved = SaveText(f.panel);

    f.panel.DeleteSelected();
    EXPECT_EQ(f.LastCaption(), "Delete control(s)");
    ASSERT_TRUE(f.History().Undo());
    TKestControl* back = f.panel.FindControlById(id);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(SaveText(f.panel), moved);
    ASSERT_TRUE(f.History().Undo());
    EXPECT_EQ(back->DocRect(), (TKestRect {20000, 0, 30000, 10000}));
    EXPECT_EQ(SaveText(f.panel), before);
    ASSERT_TRUE(f.History().Redo());
    EXPECT_EQ(SaveText(f.panel), moved);
    ASSERT_TRUE(f.History().Redo());
    EXPECT_EQ(f.panel.FindControlById(id), nullptr);
}

TEST(PanelHistoryTest, UndoneDeletionReturnsToItsPlaceWithItsIdentifier)
{
    THistoryFixture f;
    const std::string before = SaveText(f.panel);
    const int32_t idA = f.a->ID(), idC = f.c->ID();
    f.panel.Select(f.c);
    f.panel.Select(f.a);
    f.panel.DeleteSelected();
    EXPECT_EQ(f.Names(), std::vector<std::string> {"B"});
    ASSERT_EQ(f.History().Count(), 1);
    ASSERT_TRUE(f.History().Undo());
    EXPECT_EQ(f.Names(), (std::vector<std::string> {"A", "B", "C"}));
    EXPECT_EQ(f.Scheme()->Controls(0)->ID(), idA);
    EXPECT_EQ(f.Scheme()->Controls(2)->ID(), idC);
    EXPECT_EQ(f.Scheme()->Controls(2)->Layer(), f.Layer());
    EXPECT_EQ(SaveText(f.panel), before);
    ASSERT_TRUE(f.History().Redo());
    EXPECT_EQ(f.Names(), std::vector<std::string> {"B"});
}

TEST(PanelHistoryTest, GroupingAndUngroupingAreUndoneAndRedone)
{
    THistoryFixture f;
    const std::string before = SaveText(f.panel);
    f.panel.Select(f.a);
    f.panel.Select(f.c);
    ASSERT_TRUE(f.panel.Group());
    TKestControl* group = f.panel.LastGroup();
    ASSERT_NE(group, nullptr);
    const int32_t groupId = group->ID();
    EXPECT_EQ(f.Names(), (std::vector<std::string> {"B", "Group"}));
    EXPECT_EQ(group->DocRect(), (TKestRect {0, 0, 50000, 10000}));
    EXPECT_EQ(f.c->Left(), 40000);
    EXPECT_TRUE(group->Selected());
    ASSERT_EQ(f.History().Count(), 1);
    EXPECT_EQ(f.LastCaption(), "Group controls");
    const std::string grouped = SaveText(f.panel);

    ASSERT_TRUE(f.History().Undo());
    EXPECT_EQ(SaveText(f.panel), before);
    EXPECT_EQ(f.panel.SelectedCount(), 2);
    EXPECT_TRUE(f.a->Selected() && f.c->Selected());
    ASSERT_TRUE(f.History().Redo());
    EXPECT_EQ(SaveText(f.panel), grouped);
    group = f.panel.FindControlById(groupId);
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->IsContainerGroup());

    f.panel.UnselectAll();
    f.panel.Select(group);
    ASSERT_TRUE(f.panel.Ungroup());
    EXPECT_EQ(f.LastCaption(), "Ungroup control(s)");
    EXPECT_EQ(f.Names(), (std::vector<std::string> {"B", "A", "C"}));
    EXPECT_EQ(f.c->DocRect(), (TKestRect {40000, 0, 50000, 10000}));
    const std::string ungrouped = SaveText(f.panel);
    ASSERT_TRUE(f.History().Undo());
    EXPECT_EQ(SaveText(f.panel), grouped);
    ASSERT_TRUE(f.History().Redo());
    EXPECT_EQ(SaveText(f.panel), ungrouped);
}

TEST(PanelHistoryTest, GroupingNeedsTwoOfTheSameParentAndLayer)
{
    THistoryFixture f;
    f.panel.Select(f.a);
    EXPECT_FALSE(f.panel.Group());
    auto* line = TKestControl::Create<TLine>(&f.panel, f.Scheme(), f.Layer());
    f.panel.Select(line);
    EXPECT_FALSE(f.panel.Group());
    f.panel.Select(f.b);
    ASSERT_TRUE(f.panel.Group());
    // The connector stays where it is.
    EXPECT_EQ(line->Parent(), f.Scheme());
    EXPECT_EQ(f.a->Parent(), f.panel.LastGroup());

    TKestLayer* second = f.panel.Layers()->NewLayer();
    f.c->SetLayer(second);
    f.panel.UnselectAll();
    f.panel.Select(f.c);
    f.panel.Select(line);
    EXPECT_FALSE(f.panel.Group());
}

TEST(PanelHistoryTest, EmptyPanelGroupsLeaveNothing)
{
    THistoryFixture f;
    EXPECT_TRUE(f.History().BeginPanelGroup(TPanelAlignHistoryGroup::StaticClass()));
    EXPECT_TRUE(f.History().EndPanelGroup(TPanelAlignHistoryGroup::StaticClass()));
    EXPECT_EQ(f.History().Count(), 0);
    f.panel.Select(f.a);
    f.panel.MoveSelected(0, 0);
    f.panel.DeleteSelected();
    ASSERT_EQ(f.History().Count(), 1);
    f.panel.DeleteSelected();
    EXPECT_EQ(f.History().Count(), 1);
    // A group of another class is not ended.
    EXPECT_TRUE(f.History().BeginPanelGroup(TPanelColorHistoryGroup::StaticClass()));
    EXPECT_FALSE(f.History().EndPanelGroup(TPanelAlignHistoryGroup::StaticClass()));
    EXPECT_TRUE(f.History().EndPanelGroup(TPanelColorHistoryGroup::StaticClass()));
}

TEST(PanelHistoryTest, ActionsAreNamedAfterTheirObjects)
{
    THistoryFixture f;
    f.b->SetTag(3);
    EXPECT_EQ(f.LastCaption(), "Change B.Tag property");
    f.b->SetName("");
    f.b->SetTag(4);
    EXPECT_EQ(f.LastCaption(), "Change <TBox>.Tag property");
    f.Scheme()->ChangeOrder(0, 2);
    EXPECT_EQ(f.LastCaption(), "Change A order");
    f.a->SetDocRect({1, 2, 3000, 4000});
    EXPECT_EQ(f.LastCaption(), "Size/move control(s)");
    f.c->Free();
    EXPECT_EQ(f.LastCaption(), "Destroy C control");
    f.panel.CreateControl(TBox::StaticClass(), 1000, 1000, false, nullptr, nullptr, 5000, 5000);
    EXPECT_EQ(f.LastCaption(), "Create control(s)");
    f.panel.SetAutoNames(false);
    TBox* lone = TKestControl::Create<TBox>(&f.panel, f.Scheme(), f.Layer());
    lone->SetName("Lone");
    EXPECT_EQ(f.History().Item(f.History().ActionIndex() - 1)->Caption(), "Create <TBox> control");

    // Every step comes back.
    while (f.History().Undo()) { }
    EXPECT_EQ(f.Names(), (std::vector<std::string> {"A", "B", "C"}));
    EXPECT_EQ(f.b->Name(), "B");
    EXPECT_EQ(f.b->Tag(), 0);
    EXPECT_EQ(f.a->DocRect(), (TKestRect {0, 0, 10000, 10000}));
}

TEST(PanelHistoryTest, CreatedControlIsUndoneAndRedoneWithItsRectangle)
{
    THistoryFixture f;
    TKestControl* created = f.panel.CreateControl(TBox::StaticClass(), 5000, 6000, false, nullptr, nullptr, 7000, 8000);
    const int32_t id = created->ID();
    ASSERT_EQ(f.History().Count(), 1);
    const std::string after = SaveText(f.panel);
    ASSERT_TRUE(f.History().Undo());
    EXPECT_EQ(f.panel.FindControlById(id), nullptr);
    ASSERT_TRUE(f.History().Redo());
    ASSERT_NE(f.panel.FindControlById(id), nullptr);
    EXPECT_EQ(f.panel.FindControlById(id)->DocRect(), (TKestRect {5000, 6000, 12000, 14000}));
    EXPECT_EQ(SaveText(f.panel), after);

    // Snapping to the grid and the creation event.
    f.panel.Grid()->SetSnapToGrid(true);
    f.panel.OnControlCreate = [](TKestPanel*, TKestControl*, TKestRect& rect) { rect.Bottom += 1000; };
    TKestControl* snapped
        = f.panel.CreateControl(TBox::StaticClass(), 12000, 18000, true, nullptr, nullptr, 5000, 5000);
    EXPECT_EQ(snapped->DocRect(), (TKestRect {10000, 20000, 15000, 26000}));
}

TEST(PanelHistoryTest, CreationNeedsAnOpenLayer)
{
    THistoryFixture f;
    auto expectError = [&](const char* message) {
        try {
            f.panel.CreateControl(TBox::StaticClass(), 0, 0);
            ADD_FAILURE() << "created";
        } catch (const EKestError& e) {
            EXPECT_STREQ(e.what(), message);
        }
    };
    f.Layer()->SetVisible(false);
    expectError("Can't create control on invisible or disabled layer");
    f.Layer()->SetVisible(true);
    f.Layer()->SetMoveable(false);
    expectError("Can't create control on invisible or disabled layer");
    f.Layer()->SetMoveable(true);
    f.panel.SetActiveLayer(nullptr);
    expectError("Layer must exist");
    f.panel.SetActiveScheme(nullptr);
    expectError("Scheme must exist");
    EXPECT_EQ(f.panel.Schemes()->ByIndex(0)->Count(), 3);
}

TEST(PanelHistoryTest, DeletedLinkTargetInsideAGroupComesBackLinked)
{
    THistoryFixture f;
    auto* clone = TKestControl::Create<TKestClone>(&f.panel, f.Scheme(), f.Layer());
    clone->SetSource(f.a);
    f.panel.Select(f.a);
    f.panel.Select(f.b);
    ASSERT_TRUE(f.panel.Group());
    f.History().Clear();
    const std::string before = SaveText(f.panel);
    f.panel.DeleteSelected();
    EXPECT_EQ(clone->Source(), nullptr);
    ASSERT_TRUE(f.History().Undo());
    ASSERT_NE(clone->Source(), nullptr);
    EXPECT_EQ(clone->Source()->Name(), "A");
    EXPECT_EQ(SaveText(f.panel), before);
}

TEST(PanelHistoryTest, TranslationTurnsByQuarters)
{
    THistoryFixture f;
    f.panel.Select(f.a);
    f.panel.TranslateSelected({{5000, 5000}, 100, false});
    EXPECT_EQ(f.a->DocRect(), (TKestRect {0, 0, 10000, 10000}));
    f.b->SetHeight(5000);
    f.panel.UnselectAll();
    f.panel.Select(f.b);
    f.panel.TranslateSelected({{25000, 5000}, 100, false});
    EXPECT_EQ(f.b->DocRect(), (TKestRect {20000, 0, 25000, 10000}));
    // 45 degrees is half a quarter: to the even quarter, none.
    f.panel.TranslateSelected({{25000, 5000}, 45, false});
    EXPECT_EQ(f.b->DocRect(), (TKestRect {20000, 0, 25000, 10000}));
    EXPECT_EQ(f.LastCaption(), "Size/move control(s)");
    ASSERT_TRUE(f.History().Undo());
    EXPECT_EQ(f.b->DocRect(), (TKestRect {20000, 0, 30000, 5000}));
}

TEST(PanelHistoryTest, SelectionTakesSchemeChildrenOnly)
{
    THistoryFixture f;
    int begins = 0, ends = 0;
    f.panel.OnBeginSelectionUpdate = [&](TKestPanel*) { ++begins; };
    f.panel.OnEndSelectionUpdate = [&](TKestPanel*) { ++ends; };
    EXPECT_TRUE(f.panel.Select(f.a));
    EXPECT_FALSE(f.panel.Select(f.a));
    EXPECT_TRUE(f.panel.Select(f.c));
    EXPECT_EQ(f.panel.SelectionRect(), (TKestRect {0, 0, 50000, 10000}));
    TBox* inner = f.AddBox({0, 0, 10, 10}, f.b);
    EXPECT_FALSE(f.panel.Select(inner));
    f.b->SetSelectable(false);
    EXPECT_FALSE(f.panel.Select(f.b));
    f.c->SetSelectable(false);
    EXPECT_FALSE(f.c->Selected());
    EXPECT_EQ(f.panel.SelectionRect(), (TKestRect {0, 0, 10000, 10000}));
    f.panel.UnselectAll();
    EXPECT_EQ(f.panel.SelectedCount(), 0);
    EXPECT_EQ(f.panel.SelectionRect(), TKestRect {});
    EXPECT_EQ(begins, 1);
    EXPECT_EQ(ends, 1);
}

TEST(PanelHistoryTest, DragObjectCarriesTheSelection)
{
    THistoryFixture f;
    f.b->SetColor(clGreen);
    f.History().Clear();
    f.panel.Select(f.b);
    f.panel.Select(f.c);
    std::unique_ptr<TKestDragObject> drag = f.panel.CreateDragObject();
    ASSERT_NE(drag, nullptr);
    TKestGroup* group = drag->Group();
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->ID(), 0);
    EXPECT_EQ(group->Parent(), nullptr);
    EXPECT_EQ(group->DocRect(), (TKestRect {20000, 0, 50000, 10000}));
    ASSERT_EQ(group->Count(), 2);
    EXPECT_EQ(group->Controls(0)->Left(), 0);
    EXPECT_EQ(group->Controls(1)->Left(), 20000);
    EXPECT_EQ(f.History().Count(), 0);

    TPanelFixture target;
    drag->SetOffset({1000, 2000});
    drag->PlaceInto(target.panel, {100000, 100000});
    EXPECT_TRUE(drag->Dropped());
    EXPECT_EQ(group->Owner(), &target.panel);
    EXPECT_EQ(group->Layer(), target.Layer());
    EXPECT_EQ(group->DocRect(), (TKestRect {99000, 98000, 129000, 108000}));
    EXPECT_EQ(static_cast<TBox*>(group->Controls(0))->Color(), clGreen);
    EXPECT_NE(group->Controls(0)->ID(), 0);
    EXPECT_EQ(target.panel.History().Count(), 0);

    drag->TakeOut();
    EXPECT_FALSE(drag->Dropped());
    EXPECT_EQ(group->Owner(), &f.panel);
    EXPECT_EQ(group->Controls(1)->ID(), 0);
    EXPECT_EQ(target.Scheme()->Count(), 0);
    drag.reset();
    EXPECT_TRUE(f.panel.Orphans().empty());

    // A dropped group belongs to the document it was dropped into.
    std::unique_ptr<TKestDragObject> single = f.panel.CreateDragObject(f.a);
    ASSERT_EQ(single->Group()->Count(), 1);
    single->PlaceInto(target.panel, {0, 0});
    target.panel.Schemes()->ByIndex(0)->ClearChildren();
    EXPECT_EQ(single->Group(), nullptr);
    single.reset();
}

} // namespace
} // namespace kest::doctest
