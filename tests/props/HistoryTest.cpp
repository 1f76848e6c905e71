#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "KestHistory.h"

namespace kest {
namespace {

// A source object with one value that the actions save and restore.
struct TCounter : TKestObject {
    explicit TCounter(std::string n)
        : name(std::move(n))
    {
    }
    std::string name;
    int32_t value = 0;
    bool nothingToUndo = false; // its actions discard themselves
    bool failRestore = false; // restoring throws
};

std::vector<std::string>* gLog = nullptr;

void Log(const std::string& entry)
{
    if (gLog)
        gLog->push_back(entry);
}

class TCounterAction : public THistoryStreamAction {
    KEST_ACTION_CLASS(TCounterAction)
public:
    using THistoryStreamAction::THistoryStreamAction;
    ~TCounterAction() override { Log("free " + (target ? target->name : std::string("?"))); }

    TCounter* target = nullptr;

    void Record(TKestObject* source) override
    {
        THistoryStreamAction::Record(source);
        if (static_cast<TCounter*>(source)->nothingToUndo)
            SetDiscard(true);
    }
    void ProcessSource(TKestStream& stream, TKestObject* source, bool restore) override
    {
        auto* counter = static_cast<TCounter*>(source);
        if (!restore) {
            stream.Write(&counter->value, sizeof counter->value);
            return;
        }
        if (counter->failRestore)
            throw std::runtime_error("restore failed");
        int32_t value = 0;
        ASSERT_EQ(stream.Read(&value, sizeof value), 4);
        counter->value = value;
        Log((State() == hsUndo ? "undo " : "redo ") + counter->name + " current=" + CurrentName());
    }
    bool IsSameAction(const THistoryActionClass* cls, TKestObject* source) override
    {
        return cls == StaticClass() && source == target;
    }
    void GetCaption(TKestObject* source, std::string& caption) override
    {
        if (source)
            caption = "Change " + static_cast<TCounter*>(source)->name;
    }

private:
    std::string CurrentName() const
    {
        auto* current = static_cast<TCounter*>(Owner().CurrentSource());
        return current ? current->name : "none";
    }
};
KEST_ACTION_CLASS_IMPL(TCounterAction, THistoryStreamAction, nullptr)

// Like the property groups: gone when closed empty.
class TDiscardingGroup : public THistoryGroup {
    KEST_ACTION_CLASS(TDiscardingGroup)
public:
    TDiscardingGroup(THistory& owner, THistoryGroup* parent)
        : THistoryGroup(owner, parent)
    {
        SetDestroyIfEmpty(true);
    }
};
KEST_ACTION_CLASS_IMPL(TDiscardingGroup, THistoryGroup, nullptr)

// Refuses to start recording without a source, as identifier actions do without an identifier.
class TNeedsSourceAction : public TCounterAction {
    KEST_ACTION_CLASS(TNeedsSourceAction)
public:
    using TCounterAction::TCounterAction;
    void BeginRecord(TKestObject* source) override
    {
        TCounterAction::BeginRecord(source);
        if (!target)
            SetState(hsIdle);
    }
};
KEST_ACTION_CLASS_IMPL(TNeedsSourceAction, TCounterAction, nullptr)

bool OnlyOddCounters(TKestObject* source, THistoryGroup*)
{
    return source && static_cast<TCounter*>(source)->value % 2 != 0;
}

class TOddOnlyAction : public TCounterAction {
    KEST_ACTION_CLASS(TOddOnlyAction)
public:
    using TCounterAction::TCounterAction;
};
KEST_ACTION_CLASS_IMPL(TOddOnlyAction, TCounterAction, OnlyOddCounters)

class TUnregisteredAction : public TCounterAction {
    KEST_ACTION_CLASS(TUnregisteredAction)
public:
    using TCounterAction::TCounterAction;
};
KEST_ACTION_CLASS_IMPL(TUnregisteredAction, TCounterAction, nullptr)

const THistoryActionClass* const kCounter = TCounterAction::StaticClass();
const THistoryActionClass* const kGroup = THistoryGroup::StaticClass();
const THistoryActionClass* const kDiscarding = TDiscardingGroup::StaticClass();

class HistoryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const THistoryActionClass* cls :
            {kCounter, kDiscarding, TNeedsSourceAction::StaticClass(), TOddOnlyAction::StaticClass()})
            RegisterHistoryAction(cls);
        // Like the panel's history: actions remember their source; groups are always found.
        history.OnSetActionSource = [](THistory*, THistoryAction* action, TKestObject* source) {
            if (auto* counter = dynamic_cast<TCounterAction*>(action))
                counter->target = static_cast<TCounter*>(source);
        };
        history.OnGetActionSource = [](THistory*, THistoryAction* action, bool& found, TKestObject*& source) {
            if (auto* counter = dynamic_cast<TCounterAction*>(action)) {
                source = counter->target;
                found = source != nullptr;
            }
        };
        history.OnChange = [this](THistory*) { ++changes; };
        history.SetActive(true);
        gLog = &log;
    }
    void TearDown() override { gLog = nullptr; }

    // Records the change before making it, as property setters do.
    THistoryAction* Change(TCounter& counter, int32_t value, int32_t tag = 0)
    {
        THistoryAction* action = history.RecordAction(kCounter, &counter, tag);
        counter.value = value;
        return action;
    }

    THistory history;
    TCounter a {"a"}, b {"b"}, c {"c"};
    int changes = 0;
    std::vector<std::string> log;
};

TEST_F(HistoryTest, GroupsAreRegisteredFromTheStart)
{
    EXPECT_TRUE(IsHistoryActionRegistered(kGroup));
    EXPECT_FALSE(IsHistoryActionRegistered(TUnregisteredAction::StaticClass()));
    EXPECT_FALSE(IsHistoryActionRegistered(nullptr));
    EXPECT_EQ(history.RecordAction(TUnregisteredAction::StaticClass(), &a), nullptr);
    ASSERT_NE(history.BeginAction(kGroup, nullptr, false), nullptr);
    EXPECT_EQ(history.RecordAction(TUnregisteredAction::StaticClass(), &a), nullptr) << "also not inside groups";
    EXPECT_TRUE(history.EndAction());
}

TEST_F(HistoryTest, RecordsUndoesAndRedoesThroughStreams)
{
    THistoryAction* first = Change(a, 5, 42);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->Caption(), "Change a");
    EXPECT_EQ(first->Tag(), 42);
    EXPECT_EQ(first->State(), hsIdle);
    EXPECT_EQ(history.State(), hsIdle);
    Change(a, 7);
    EXPECT_EQ(history.Count(), 2);
    EXPECT_EQ(history.ActionIndex(), 1);

    // Undo and redo more than once, so the streams are reused.
    for (int round = 0; round < 2; ++round) {
        EXPECT_TRUE(history.Undo());
        EXPECT_EQ(a.value, 5);
        EXPECT_TRUE(history.Undo());
        EXPECT_EQ(a.value, 0);
        EXPECT_FALSE(history.Undo());
        EXPECT_EQ(history.ActionIndex(), -1);
        EXPECT_TRUE(history.Redo());
        EXPECT_EQ(a.value, 5);
        EXPECT_TRUE(history.Redo());
        EXPECT_EQ(a.value, 7);
        EXPECT_FALSE(history.Redo());
    }
    EXPECT_EQ(history.ActionIndex(), 1);
    EXPECT_EQ(log[0], "undo a current=a") << "the history's current source while undoing a single action";
    EXPECT_EQ(history.CurrentSource(), nullptr);
}

TEST_F(HistoryTest, InactiveHistoryRecordsNothingAndTurningOffForgetsEverything)
{
    THistory fresh;
    EXPECT_FALSE(fresh.Active());
    EXPECT_FALSE(fresh.CanRecord());
    EXPECT_EQ(fresh.RecordAction(kCounter, &a), nullptr);
    EXPECT_EQ(fresh.Count(), 0);

    Change(a, 1);
    Change(a, 2);
    changes = 0;
    history.SetActive(false);
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(history.ActionIndex(), -1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Change(a, 3), nullptr);
    history.SetActive(false);
    EXPECT_EQ(changes, 1) << "no change, no notice";
}

TEST_F(HistoryTest, KeepsTheNewestHundredActions)
{
    for (int32_t v = 1; v <= 101; ++v)
        ASSERT_NE(Change(a, v), nullptr);
    EXPECT_EQ(history.ActionLimit(), 100);
    EXPECT_EQ(history.Count(), 100);
    EXPECT_EQ(history.ActionIndex(), 99);
    while (history.Undo()) { }
    EXPECT_EQ(a.value, 1) << "the first action, which restored 0, is gone";
}

TEST_F(HistoryTest, RecordingAfterUndoDropsTheRedoTail)
{
    Change(a, 1);
    Change(a, 2);
    Change(a, 3);
    history.Undo();
    history.Undo();
    EXPECT_EQ(a.value, 1);
    log.clear();
    THistoryAction* fresh = Change(b, 9);
    EXPECT_EQ(log, (std::vector<std::string> {"free a", "free a"})) << "the newest undone action first";
    EXPECT_EQ(history.Count(), 2);
    EXPECT_EQ(history.ActionIndex(), 1);
    EXPECT_EQ(history.Item(1), fresh);
    EXPECT_FALSE(history.Redo());
    history.Undo();
    history.Undo();
    EXPECT_EQ(a.value, 0);
    EXPECT_EQ(b.value, 0);
}

TEST_F(HistoryTest, GroupUndoesItsChildrenLastFirstAndRedoesThemInOrder)
{
    auto* group = static_cast<THistoryGroup*>(history.BeginAction(kGroup, nullptr, false, 5));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(history.CurrentGroup(), group);
    EXPECT_EQ(history.GroupLevel(), 1);
    EXPECT_EQ(history.State(), hsRecord);
    EXPECT_EQ(Change(a, 1, 77)->Tag(), 0) << "children carry no tag";
    Change(b, 2);
    EXPECT_EQ(history.Count(), 1);
    EXPECT_TRUE(history.EndAction());
    EXPECT_EQ(history.CurrentGroup(), nullptr);
    EXPECT_EQ(history.GroupLevel(), 0);
    EXPECT_EQ(history.State(), hsIdle);
    EXPECT_EQ(group->Tag(), 5);
    EXPECT_EQ(group->Count(), 2);

    log.clear();
    EXPECT_TRUE(history.Undo());
    EXPECT_EQ(a.value, 0);
    EXPECT_EQ(b.value, 0);
    EXPECT_TRUE(history.Redo());
    EXPECT_EQ(a.value, 1);
    EXPECT_EQ(b.value, 2);
    EXPECT_EQ(log,
        (std::vector<std::string> {"undo b current=b", "undo a current=a", "redo a current=a", "redo b current=b"}));
    EXPECT_EQ(group->ChildIndex(), -1);
    EXPECT_EQ(group->ChildSource(), nullptr);
}

TEST_F(HistoryTest, NestedGroupsReportTheInnermostSourceWhileReplaying)
{
    history.BeginAction(kGroup, nullptr, false);
    Change(a, 1);
    auto* inner = history.BeginAction(kDiscarding, nullptr, false);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->Parent(), history.Item(0));
    EXPECT_EQ(history.GroupLevel(), 2);
    Change(b, 2);
    history.BeginAction(kGroup, nullptr, false);
    Change(c, 3);
    EXPECT_EQ(history.GroupLevel(), 3);
    EXPECT_TRUE(history.EndAction());
    EXPECT_TRUE(history.EndAction());
    EXPECT_EQ(history.GroupLevel(), 1);
    EXPECT_EQ(history.State(), hsRecord);
    Change(c, 4);
    EXPECT_TRUE(history.EndAction());
    EXPECT_EQ(history.State(), hsIdle);
    EXPECT_EQ(history.Count(), 1);

    log.clear();
    history.Undo();
    EXPECT_EQ(log,
        (std::vector<std::string> {"undo c current=c", "undo c current=c", "undo b current=b", "undo a current=a"}));
    EXPECT_EQ(a.value + b.value + c.value, 0);
    history.Redo();
    EXPECT_EQ(c.value, 4);
    EXPECT_EQ(b.value, 2);
}

TEST_F(HistoryTest, TheFirstRecordingOfASourceInAGroupWins)
{
    history.BeginAction(kGroup, nullptr, false);
    ASSERT_NE(Change(a, 1), nullptr);
    EXPECT_EQ(Change(a, 2), nullptr);
    EXPECT_NE(Change(b, 3), nullptr);
    history.EndAction();
    EXPECT_EQ(static_cast<THistoryGroup*>(history.Item(0))->Count(), 2);
    history.Undo();
    EXPECT_EQ(a.value, 0) << "back to before the group";
    history.Redo();
    EXPECT_EQ(a.value, 2);
}

TEST_F(HistoryTest, EmptyGroupsThatDestroyThemselvesLeaveNoTrace)
{
    Change(a, 1);
    changes = 0;
    ASSERT_NE(history.BeginAction(kDiscarding, nullptr, false), nullptr);
    EXPECT_EQ(history.Count(), 2);
    EXPECT_TRUE(history.EndAction());
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(history.ActionIndex(), 0);
    EXPECT_EQ(history.State(), hsIdle);
    EXPECT_EQ(history.CurrentGroup(), nullptr);
    EXPECT_EQ(changes, 2) << "opened and removed";
    EXPECT_EQ(history.RecordAction(kDiscarding, nullptr), nullptr) << "never the address of a freed group";
    EXPECT_EQ(history.Count(), 1);

    ASSERT_NE(history.RecordAction(kGroup, nullptr), nullptr) << "a plain group stays even when empty";
    EXPECT_EQ(history.Count(), 2);

    history.BeginAction(kGroup, nullptr, false);
    history.BeginAction(kDiscarding, nullptr, false);
    history.EndAction();
    history.EndAction();
    EXPECT_EQ(static_cast<THistoryGroup*>(history.Item(2))->Count(), 0) << "removed from its parent group";
}

TEST_F(HistoryTest, ActionsThatFindNothingToUndoAreDiscarded)
{
    Change(a, 1);
    b.nothingToUndo = true;
    EXPECT_EQ(Change(b, 5), nullptr);
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(history.ActionIndex(), 0);
    EXPECT_EQ(history.State(), hsIdle);

    history.BeginAction(kGroup, nullptr, false);
    changes = 0;
    EXPECT_EQ(Change(b, 6), nullptr);
    EXPECT_EQ(changes, 2) << "recorded, then removed from the group";
    Change(c, 1);
    history.EndAction();
    EXPECT_EQ(static_cast<THistoryGroup*>(history.Item(1))->Count(), 1);
}

TEST_F(HistoryTest, AnActionThatRefusesToRecordChangesNothing)
{
    Change(a, 1);
    Change(a, 2);
    history.Undo();
    changes = 0;
    EXPECT_EQ(history.RecordAction(TNeedsSourceAction::StaticClass(), nullptr), nullptr);
    EXPECT_EQ(history.State(), hsIdle) << "the history is not left recording";
    EXPECT_EQ(history.Count(), 2) << "the redo tail survives";
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(history.Redo());
    EXPECT_EQ(a.value, 2);

    history.BeginAction(kGroup, nullptr, false);
    EXPECT_EQ(history.BeginAction(TNeedsSourceAction::StaticClass(), nullptr, true), nullptr);
    EXPECT_EQ(history.CurrentGroup(), history.Item(2));
    EXPECT_EQ(history.State(), hsRecord);
    EXPECT_NE(history.BeginAction(TNeedsSourceAction::StaticClass(), &b, true), nullptr);
    EXPECT_TRUE(history.EndAction());
    EXPECT_TRUE(history.EndAction());
    EXPECT_EQ(static_cast<THistoryGroup*>(history.Item(2))->Count(), 1);
}

TEST_F(HistoryTest, UndoAndRedoWaitUntilRecordingEnds)
{
    Change(a, 1);
    history.BeginAction(kGroup, nullptr, false);
    Change(a, 2);
    EXPECT_FALSE(history.Undo());
    EXPECT_FALSE(history.Redo());
    EXPECT_EQ(a.value, 2);
    EXPECT_EQ(history.ActionIndex(), 1);
    history.EndAction();
    EXPECT_TRUE(history.Undo());
    EXPECT_EQ(a.value, 1);
}

TEST_F(HistoryTest, TheListCannotChangeWhileAnActionIsBeingUndone)
{
    Change(a, 1);
    Change(b, 1);
    bool tried = false;
    history.OnGetActionSource = [&](THistory* h, THistoryAction* action, bool&, TKestObject*& source) {
        source = static_cast<TCounterAction*>(action)->target;
        h->SetActive(false);
        h->Clear();
        h->DeleteLast();
        h->DeleteActions(0, -1);
        EXPECT_EQ(h->RecordAction(kCounter, &c), nullptr);
        EXPECT_EQ(h->ContinueGroup(), nullptr);
        tried = true;
    };
    EXPECT_TRUE(history.Undo());
    EXPECT_TRUE(tried);
    EXPECT_TRUE(history.Active());
    EXPECT_EQ(history.Count(), 2);
    EXPECT_EQ(b.value, 0);
}

TEST_F(HistoryTest, ContinueGroupReopensTheLastDoneGroup)
{
    EXPECT_EQ(history.ContinueGroup(), nullptr) << "nothing to continue";
    Change(a, 1);
    EXPECT_EQ(history.ContinueGroup(), nullptr) << "the last action is no group";

    auto* group = history.BeginAction(kGroup, nullptr, false);
    Change(b, 1);
    history.EndAction();
    changes = 0;
    ASSERT_EQ(history.ContinueGroup(), group);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(history.State(), hsRecord);
    EXPECT_EQ(history.GroupLevel(), 1);
    EXPECT_EQ(history.ContinueGroup(), nullptr) << "not while recording";
    Change(c, 1);
    EXPECT_TRUE(history.EndAction());
    EXPECT_EQ(history.Count(), 2);
    EXPECT_EQ(history.State(), hsIdle);
    history.Undo();
    EXPECT_EQ(b.value + c.value, 0) << "one undo covers both recordings";
    EXPECT_EQ(a.value, 1);

    EXPECT_EQ(history.ContinueGroup(), nullptr) << "an undone group stays closed";
    history.Redo();
    history.DisableRecording();
    EXPECT_EQ(history.ContinueGroup(), nullptr);
    history.EnableRecording();
    EXPECT_EQ(history.ContinueGroup(), group);
    history.EndAction();
}

TEST_F(HistoryTest, DisableRecordingNests)
{
    history.DisableRecording();
    history.DisableRecording();
    EXPECT_EQ(Change(a, 1), nullptr);
    history.EnableRecording();
    EXPECT_EQ(Change(a, 2), nullptr);
    history.EnableRecording();
    history.EnableRecording();
    EXPECT_EQ(history.DisableCount(), 0);
    EXPECT_NE(Change(a, 3), nullptr);

    history.BeginAction(kGroup, nullptr, false);
    history.DisableRecording();
    EXPECT_FALSE(history.EndAction()) << "the group stays open while recording is off";
    history.EnableRecording();
    EXPECT_TRUE(history.EndAction());
    EXPECT_EQ(history.State(), hsIdle);
}

TEST_F(HistoryTest, HooksMayReplaceClassAndSourceOrRefuse)
{
    history.OnIsRecordable
        = [&](THistory*, const THistoryActionClass*& cls, bool& result, THistoryGroup*, TKestObject*& source) {
              if (source == &a)
                  source = &b;
              else if (source == &c)
                  result = false;
              else if (!source)
                  cls = nullptr;
          };
    history.OnGetActionCaption = [](THistory*, THistoryAction*, std::string& caption, TKestObject*) { caption += "!"; };
    b.value = 4;
    THistoryAction* action = history.RecordAction(kCounter, &a);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(static_cast<TCounterAction*>(action)->target, &b);
    EXPECT_EQ(action->Caption(), "Change b!");
    EXPECT_EQ(history.RecordAction(kCounter, &c), nullptr);
    EXPECT_EQ(history.RecordAction(kCounter, nullptr), nullptr) << "a hook that clears the class refuses";
    b.value = 5;
    history.Undo();
    EXPECT_EQ(b.value, 4);

    history.OnIsRecordable = [&](THistory*, const THistoryActionClass*& cls, bool&, THistoryGroup*, TKestObject*&) {
        cls = TOddOnlyAction::StaticClass();
    };
    EXPECT_NE(dynamic_cast<TOddOnlyAction*>(history.RecordAction(kCounter, &b)), nullptr);
    history.OnIsRecordable = nullptr;
    a.value = 2;
    EXPECT_EQ(history.RecordAction(TOddOnlyAction::StaticClass(), &a), nullptr) << "the class's own test";
    a.value = 3;
    EXPECT_NE(history.RecordAction(TOddOnlyAction::StaticClass(), &a), nullptr);

    history.BeginAction(kGroup, nullptr, false);
    history.OnIsSameAction
        = [](THistory*, THistoryAction*, bool& result, const THistoryActionClass*, TKestObject*) { result = true; };
    EXPECT_NE(Change(a, 1), nullptr);
    EXPECT_EQ(Change(b, 1), nullptr) << "the hook says a covers b";
    history.EndAction();
}

TEST_F(HistoryTest, ActionsWhoseSourceIsNotFoundAreNotUndone)
{
    Change(a, 1);
    history.OnGetActionSource = nullptr;
    EXPECT_FALSE(history.Undo());
    EXPECT_EQ(history.ActionIndex(), 0);
    EXPECT_EQ(a.value, 1);
    EXPECT_EQ(history.State(), hsIdle);
}

TEST_F(HistoryTest, DeletingActionsClampsTheIndexAndFreesLastFirst)
{
    history.BeginAction(kGroup, nullptr, false);
    Change(a, 1);
    Change(b, 1);
    Change(c, 1);
    history.EndAction();
    Change(a, 2);
    Change(b, 2);
    log.clear();
    history.DeleteActions(-5, -2);
    EXPECT_EQ(log, (std::vector<std::string> {"free a", "free c", "free b", "free a"}));
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(history.ActionIndex(), 0);
    history.DeleteActions(3, 9);
    EXPECT_EQ(history.Count(), 1);
    changes = 0;
    history.DeleteLast();
    EXPECT_EQ(history.Count(), 0);
    EXPECT_EQ(history.ActionIndex(), -1);
    EXPECT_EQ(changes, 1);
    history.Clear();
    EXPECT_EQ(changes, 1) << "clearing an empty list raises no notice";
}

TEST_F(HistoryTest, ClearingWhileAGroupIsOpenEndsTheRecording)
{
    history.BeginAction(kGroup, nullptr, false);
    history.BeginAction(kGroup, nullptr, false);
    Change(a, 1);
    history.Clear();
    EXPECT_EQ(history.CurrentGroup(), nullptr);
    EXPECT_EQ(history.GroupLevel(), 0);
    EXPECT_EQ(history.State(), hsIdle);
    EXPECT_NE(Change(a, 2), nullptr);
    EXPECT_TRUE(history.Undo());
    EXPECT_EQ(a.value, 1);
}

TEST_F(HistoryTest, AFailingRestoreLeavesEverythingIdle)
{
    Change(a, 1);
    history.BeginAction(kGroup, nullptr, false);
    Change(b, 1);
    history.EndAction();
    b.failRestore = true;
    EXPECT_THROW(history.Undo(), std::runtime_error);
    EXPECT_EQ(history.State(), hsIdle);
    EXPECT_EQ(history.CurrentSource(), nullptr);
    auto* group = static_cast<THistoryGroup*>(history.Item(1));
    EXPECT_EQ(group->State(), hsIdle);
    EXPECT_EQ(group->ChildIndex(), -1);
    EXPECT_EQ(group->Item(0)->State(), hsIdle);
    b.failRestore = false;
    EXPECT_TRUE(history.Undo());
    EXPECT_EQ(b.value, 0);
}

// Random edits, groups, undos and redos against a model that keeps the
// counters' values after every top-level step.
TEST_F(HistoryTest, RandomSequencesMatchAModel)
{
    std::mt19937 random(1234);
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    TCounter* counters[] = {&a, &b, &c};
    using Values = std::vector<int32_t>;
    auto current = [&] { return Values {a.value, b.value, c.value}; };
    std::vector<Values> states {current()};
    size_t position = 0;
    bool reachedLimit = false;
    // A new top-level action drops the redo tail and, beyond the limit, the oldest.
    auto push = [&] {
        states.resize(position + 1);
        states.push_back(current());
        ++position;
        if (states.size() > 101) {
            states.erase(states.begin());
            --position;
            reachedLimit = true;
        }
    };
    for (int step = 0; step < 3000; ++step) {
        int op = pick(10);
        if (op < 4) {
            Change(*counters[pick(3)], pick(1000));
            push();
        } else if (op < 6) {
            const THistoryActionClass* cls = pick(2) ? kGroup : kDiscarding;
            history.BeginAction(cls, nullptr, false);
            int edits = pick(4);
            for (int i = 0; i < edits; ++i)
                Change(*counters[pick(3)], pick(1000));
            history.EndAction();
            push();
            if (edits == 0 && cls == kDiscarding) {
                states.pop_back();
                --position;
            }
        } else if (op < 8) {
            ASSERT_EQ(history.Undo(), position > 0);
            position -= position > 0;
        } else {
            ASSERT_EQ(history.Redo(), position + 1 < states.size());
            position += position + 1 < states.size();
        }
        ASSERT_EQ(current(), states[position]) << "step " << step;
        ASSERT_EQ(history.ActionIndex(), static_cast<int>(position) - 1);
        ASSERT_EQ(history.Count(), static_cast<int>(states.size()) - 1);
        ASSERT_EQ(history.State(), hsIdle);
    }
    EXPECT_TRUE(reachedLimit) << "the sequence never filled the list";
}

} // namespace
} // namespace kest
