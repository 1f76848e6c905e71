// Property changes recorded in a history: what is recorded, what undo and
// redo bring back, and groups of changes.
#include <gtest/gtest.h>

#include <string>

#include "KestProps.h"
#include "PropTestSupport.h"

namespace kest {
namespace {

using test::SaveText;
using test::THistoryRig;

TEST(PropHistoryTest, NothingIsRecordedWithoutAnOwnerId)
{
    THistoryRig rig;
    TPropList list;
    list.SetHistory(&rig.history);
    auto* left = list.Add<TIntProp>("Left");
    left->SetValue(5);
    list.OnGetOwnerId = [](TPropList*) { return 0; };
    left->SetValue(6);
    EXPECT_EQ(rig.history.Count(), 0);
    EXPECT_EQ(rig.history.State(), hsIdle);
    EXPECT_EQ(left->Value(), 6);
}

TEST(PropHistoryTest, UndoAndRedoRestoreThroughTheChangeProtocol)
{
    THistoryRig rig;
    TPropList list;
    rig.Attach(list, 3);
    auto* left = list.Add<TIntProp>("Left");
    auto* name = list.Add<TStrProp>("Name");
    int changes = 0;
    list.OnPropChanged = [&](TPropList*, TCustomProp*) { ++changes; };

    left->SetValue(5);
    left->SetValue(7);
    name->SetValue("door");
    ASSERT_EQ(rig.history.Count(), 3);
    EXPECT_EQ(static_cast<TIdHistoryAction*>(rig.history.Item(2))->SourceName(), "Name");

    changes = 0;
    EXPECT_TRUE(rig.history.Undo());
    EXPECT_EQ(name->GetValue(), "");
    EXPECT_TRUE(rig.history.Undo());
    EXPECT_EQ(left->Value(), 5);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(list.HistoryState(), hsIdle);
    EXPECT_EQ(list.Mode(), pmNone);
    // Restoring records nothing new.
    EXPECT_EQ(rig.history.Count(), 3);

    EXPECT_TRUE(rig.history.Redo());
    EXPECT_EQ(left->Value(), 7);
    EXPECT_TRUE(rig.history.Redo());
    EXPECT_EQ(name->GetValue(), "door");
    EXPECT_FALSE(rig.history.Redo());
}

TEST(PropHistoryTest, ReadOnlyPropertiesFollowUndoReadOnly)
{
    for (bool undoReadOnly : {true, false}) {
        THistoryRig rig;
        TPropList list;
        rig.Attach(list, 1);
        list.SetUndoReadOnly(undoReadOnly);
        auto* left = list.Add<TIntProp>("Left");
        left->SetValue(5);
        left->SetStyle(psVisible | psReadOnly);
        EXPECT_TRUE(rig.history.Undo());
        EXPECT_EQ(left->Value(), undoReadOnly ? 0 : 5);
        EXPECT_TRUE(list.IsReadOnlyProp(left));
        left->SetValue(9);
        EXPECT_EQ(left->Value(), undoReadOnly ? 0 : 5);
    }
}

TEST(PropHistoryTest, GroupsKeepTheFirstRecordingAndVanishWhenEmpty)
{
    THistoryRig rig;
    TPropList list;
    rig.Attach(list, 1);
    auto* left = list.Add<TIntProp>("Left");
    auto* top = list.Add<TIntProp>("Top");

    ASSERT_NE(rig.history.BeginAction(TPropHistoryGroup::StaticClass(), nullptr, false), nullptr);
    EXPECT_TRUE(rig.history.EndAction());
    EXPECT_EQ(rig.history.Count(), 0);

    auto* group
        = dynamic_cast<THistoryGroup*>(rig.history.BeginAction(TPropHistoryGroup::StaticClass(), nullptr, false));
    ASSERT_NE(group, nullptr);
    left->SetValue(1);
    left->SetValue(2);
    top->SetValue(4);
    left->SetValue(3);
    rig.history.EndAction();
    ASSERT_EQ(rig.history.Count(), 1);
    EXPECT_EQ(group->Count(), 2);

    EXPECT_TRUE(rig.history.Undo());
    EXPECT_EQ(left->Value(), 0);
    EXPECT_EQ(top->Value(), 0);
    EXPECT_TRUE(rig.history.Redo());
    EXPECT_EQ(left->Value(), 3);
    EXPECT_EQ(top->Value(), 4);
}

TEST(PropHistoryTest, UndoRestoresEveryKindOfStartingState)
{
    THistoryRig rig;
    TPropList list;
    rig.Attach(list, 1);
    auto* name = list.Add<TStrProp>("Name");
    auto* user = list.Add<TUserDataProp>("UserData");
    auto* pen = list.Add<test::TTestPen>("Pen");
    std::string start = SaveText(list, true);

    // An empty text, a name appended to user data, sub-properties at their
    // declared defaults and a sub-property object all come back.
    name->SetValue("x");
    user->SetValueByName("Zone", "A");
    pen->SetWidth(5);
    pen->SetCaption("c");
    pen->Cap().SetFilled(true);
    pen->Level().SetValue(8);
    EXPECT_EQ(rig.history.Count(), 6);
    while (rig.history.Undo()) { }
    EXPECT_EQ(SaveText(list, true), start);
    EXPECT_EQ(user->Count(), 0);
    EXPECT_EQ(pen->Width(), 1);
    EXPECT_FALSE(pen->Cap().Filled());
}

TEST(PropHistoryTest, ActionsFindTheirPropertyByOwnerIdAndName)
{
    THistoryRig rig;
    TPropList first, second;
    rig.Attach(first, 1);
    rig.Attach(second, 2);
    auto* a = first.Add<TIntProp>("Value");
    auto* b = second.Add<TIntProp>("value");
    a->SetValue(1);
    b->SetValue(2);
    // A property that is gone leaves its action without a source.
    rig.lists.erase(2);
    EXPECT_FALSE(rig.history.Undo());
    EXPECT_EQ(b->Value(), 2);
    rig.lists[2] = &second;
    EXPECT_TRUE(rig.history.Undo());
    EXPECT_TRUE(rig.history.Undo());
    EXPECT_EQ(a->Value(), 0);
    EXPECT_EQ(b->Value(), 0);
}

} // namespace
} // namespace kest
