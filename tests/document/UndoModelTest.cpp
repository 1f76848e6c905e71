// Random edit sequences on a panel, each operation one step of the history:
// undoing everything gives back the starting document byte for byte, and
// redoing everything gives back the end.
#include <gtest/gtest.h>

#include <random>

#include "KestActions.h"
#include "support/DocTestSupport.h"

namespace kest::doctest {
namespace {

class TEditor {
public:
    TEditor(TKestPanel& panel, uint32_t seed)
        : panel_(panel)
        , random_(seed)
    {
    }

    // One user operation; returns its name for the failure message.
    std::string Step()
    {
        switch (Pick(11)) {
        case 0:
        case 1:
            return Create();
        case 2:
            return Move();
        case 3:
            return Resize();
        case 4:
            return GroupSome();
        case 5:
            return UngroupSome();
        case 6:
            return DeleteSome();
        case 7:
            return Reorder();
        case 8:
            return Turn();
        case 9:
            return CloneOne();
        default:
            return ChangeProperties();
        }
    }

private:
    int Pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(random_); }
    int32_t Coord() { return std::uniform_int_distribution<int32_t>(0, 300)(random_) * 1000; }
    TKestCustomScheme* Scheme() const { return panel_.ActiveScheme(); }

    std::vector<TKestControl*> SchemeChildren() const
    {
        std::vector<TKestControl*> children;
        for (int i = 0; i < Scheme()->Count(); ++i)
            children.push_back(Scheme()->Controls(i));
        return children;
    }

    std::vector<TKestControl*> AllControls() const
    {
        std::vector<TKestControl*> all;
        for (TKestControl* child : SchemeChildren())
            child->ForEach([&](TKestControl* c) {
                all.push_back(c);
                return true;
            });
        return all;
    }

    // Selects a random part of the scheme's children (at least one when any).
    void SelectSome(bool sameLayer = false)
    {
        panel_.UnselectAll();
        std::vector<TKestControl*> children = SchemeChildren();
        if (children.empty())
            return;
        TKestLayer* layer = children[static_cast<size_t>(Pick(static_cast<int>(children.size())))]->Layer();
        for (TKestControl* c : children)
            if ((!sameLayer || c->Layer() == layer) && Pick(2) == 0)
                panel_.Select(c);
        if (panel_.SelectedCount() == 0)
            for (TKestControl* c : children)
                if (!sameLayer || c->Layer() == layer) {
                    panel_.Select(c);
                    break;
                }
    }

    std::string Create()
    {
        panel_.SetActiveLayer(panel_.Layers()->Layers(Pick(panel_.Layers()->Count())));
        const TKestControlClass* cls = Pick(4) == 0 ? TPolyBox::StaticClass() : TBox::StaticClass();
        panel_.History().BeginPanelGroup(TPanelCreateControlsHistoryGroup::StaticClass());
        TKestControl* control
            = panel_.CreateControl(cls, Coord(), Coord(), false, nullptr, nullptr, Coord() + 1000, Coord() + 1000);
        if (auto* poly = dynamic_cast<TPolyBox*>(control))
            poly->SetPathPoints({{0, 0}, {Coord(), Coord()}}, {ptNode, ptOpenEnd});
        panel_.History().EndPanelGroup(TPanelCreateControlsHistoryGroup::StaticClass());
        return "create";
    }

    std::string Move()
    {
        SelectSome();
        panel_.MoveSelected(Coord() - 150000, Coord() - 150000);
        return "move";
    }

    std::string Resize()
    {
        std::vector<TKestControl*> children = SchemeChildren();
        if (children.empty())
            return "resize nothing";
        TKestControl* c = children[static_cast<size_t>(Pick(static_cast<int>(children.size())))];
        panel_.History().BeginPanelGroup(TPanelSizeMoveHistoryGroup::StaticClass());
        const int32_t left = Coord(), top = Coord();
        c->SetDocRect({left, top, left + Coord() + 1000, top + Coord() + 1000});
        panel_.History().EndPanelGroup(TPanelSizeMoveHistoryGroup::StaticClass());
        return "resize " + c->Name();
    }

    std::string GroupSome()
    {
        SelectSome(true);
        panel_.Group();
        return "group";
    }

    std::string UngroupSome()
    {
        panel_.UnselectAll();
        for (TKestControl* c : SchemeChildren())
            if (c->IsContainerGroup())
                panel_.Select(c);
        panel_.Ungroup();
        return "ungroup";
    }

    std::string DeleteSome()
    {
        SelectSome();
        panel_.DeleteSelected();
        return "delete";
    }

    std::string Reorder()
    {
        const int count = Scheme()->Count();
        if (count < 2)
            return "reorder nothing";
        panel_.History().BeginPanelGroup(TPanelOrderHistoryGroup::StaticClass());
        Scheme()->ChangeOrder(Pick(count), Pick(count));
        panel_.History().EndPanelGroup(TPanelOrderHistoryGroup::StaticClass());
        return "reorder";
    }

    std::string Turn()
    {
        SelectSome();
        panel_.TranslateSelected({{Coord(), Coord()}, 90 * Pick(4), Pick(2) == 0});
        return "turn";
    }

    std::string CloneOne()
    {
        std::vector<TKestControl*> all = AllControls();
        std::vector<TKestControl*> sources;
        for (TKestControl* c : all)
            if (!dynamic_cast<TKestClone*>(c))
                sources.push_back(c);
        if (sources.empty())
            return "clone nothing";
        panel_.History().BeginPanelGroup(TPanelCloneHistoryGroup::StaticClass());
        auto* clone = static_cast<TKestClone*>(
            panel_.CreateControl(TKestClone::StaticClass(), Coord(), Coord(), false, panel_.Layers()->Layers(0)));
        clone->SetSource(sources[static_cast<size_t>(Pick(static_cast<int>(sources.size())))]);
        if (Pick(2) == 0) {
            clone->SetAutoSize(false);
            clone->SetWidth(Coord() + 1000);
        }
        panel_.History().EndPanelGroup(TPanelCloneHistoryGroup::StaticClass());
        return "clone";
    }

    std::string ChangeProperties()
    {
        std::vector<TKestControl*> all = AllControls();
        if (all.empty())
            return "change nothing";
        TKestControl* c = all[static_cast<size_t>(Pick(static_cast<int>(all.size())))];
        panel_.History().BeginPanelGroup(TPanelPropsHistoryGroup::StaticClass());
        switch (Pick(7)) {
        case 0:
            c->SetTag(Pick(100));
            break;
        case 1:
            c->SetHint({"hint " + std::to_string(Pick(10)), "second line"});
            break;
        case 2:
            c->SetTransparency(Pick(3) * 25);
            break;
        case 3:
            c->SetName("N" + std::to_string(Pick(20)));
            break;
        case 4:
            if (auto* box = dynamic_cast<TBox*>(c))
                box->SetColor(RGBColor(Pick(256), Pick(256), Pick(256)));
            break;
        case 5:
            c->UserData().SetValueByName("k" + std::to_string(Pick(3)), std::to_string(Pick(9)));
            break;
        default:
            if (c->Parent() == Scheme())
                c->SetLayer(panel_.Layers()->Layers(Pick(panel_.Layers()->Count())));
            break;
        }
        panel_.History().EndPanelGroup(TPanelPropsHistoryGroup::StaticClass());
        return "change " + c->Name();
    }

    TKestPanel& panel_;
    std::mt19937 random_;
};

class UndoModelTest : public ::testing::TestWithParam<uint32_t> { };

TEST_P(UndoModelTest, UndoAllAndRedoAllGiveBackBothEnds)
{
    TPanelFixture f;
    f.panel.SetAutoNameNumbs(true);
    f.panel.Layers()->NewLayer();
    f.panel.Layers()->NewLayer()->SetTransparency(40);
    f.panel.History().Clear();
    TEditor editor(f.panel, GetParam());
    // A few steps to start from a document with something in it.
    for (int i = 0; i < 6; ++i)
        editor.Step();
    f.panel.History().Clear();
    const std::string start = SaveText(f.panel);

    std::vector<std::string> texts {start};
    std::vector<std::string> steps, recorded {""};
    for (int i = 0; i < 60; ++i) {
        const int before = f.panel.History().Count();
        steps.push_back(editor.Step());
        // An operation is at most one step of the history.
        ASSERT_LE(f.panel.History().Count(), before + 1) << steps.back();
        if (f.panel.History().Count() > before) {
            texts.push_back(SaveText(f.panel));
            recorded.push_back(steps.back());
        } else
            ASSERT_EQ(SaveText(f.panel), texts.back()) << "unrecorded change by " << steps.back();
    }
    const std::string end = SaveText(f.panel);
    ASSERT_EQ(static_cast<int>(texts.size()), f.panel.History().Count() + 1);

    for (size_t i = texts.size() - 1; i > 0; --i) {
        ASSERT_TRUE(f.panel.History().Undo());
        ASSERT_EQ(SaveText(f.panel), texts[i - 1]) << "undoing step " << i << ": " << recorded[i];
    }
    EXPECT_FALSE(f.panel.History().Undo());
    EXPECT_EQ(SaveText(f.panel), start);
    for (size_t i = 1; i < texts.size(); ++i) {
        ASSERT_TRUE(f.panel.History().Redo());
        ASSERT_EQ(SaveText(f.panel), texts[i]) << "redoing step " << i << ": " << recorded[i];
    }
    EXPECT_EQ(SaveText(f.panel), end);
}

INSTANTIATE_TEST_SUITE_P(Seeds, UndoModelTest, ::testing::Range(1u, 41u));

} // namespace
} // namespace kest::doctest
