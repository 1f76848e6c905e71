// The property list: names, ownership, modes, the change protocol, the
// read-only test, edit forms and deferred references.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "KestError.h"
#include "KestProps.h"
#include "PropTestSupport.h"

namespace kest {
namespace {

std::string MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const EKestError& e) {
        return e.what();
    }
    return "(no error)";
}

TEST(PropListTest, ReservedDuplicateAndListedNamesAreRefused)
{
    TPropList list;
    list.Add<TIntProp>("Left");
    for (const char* name : {"document", "Clipboard", "LIBRARY", "object", "Property", "end", "KestBinary"})
        EXPECT_EQ(MessageOf([&] { list.Add<TIntProp>(name); }), std::string("Property ") + name + " already exist");
    EXPECT_EQ(MessageOf([&] { list.Add<TStrProp>("LEFT"); }), "Property LEFT already exist");

    // A property that is already listed keeps its place and stays usable.
    TCustomProp* left = list.PropByName("Left");
    EXPECT_EQ(
        MessageOf([&] { list.Insert(std::unique_ptr<TCustomProp>(left), "Other"); }), "Property Other already exist");
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.PropByName("left"), left);
    EXPECT_EQ(left->Owner(), &list);
    EXPECT_EQ(left->Name(), "Left");
}

TEST(PropListTest, NamesAreSortedIgnoringCaseAndKeepTheirCase)
{
    TPropList list;
    auto* gamma = list.Add<TIntProp>("gamma");
    auto* alpha = list.Add<TIntProp>("Alpha");
    auto* alpha2 = list.Add<TIntProp>("ALPHA2");
    auto* beta = list.Add<TIntProp>("beta");
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Name(0), "Alpha");
    EXPECT_EQ(list.Name(1), "ALPHA2");
    EXPECT_EQ(list.Name(2), "beta");
    EXPECT_EQ(list.Name(3), "gamma");
    EXPECT_EQ(list.PropByName("BETA"), beta);
    EXPECT_EQ(list.PropByName("alpha"), alpha);
    EXPECT_EQ(list.PropByName("alph"), nullptr);
    EXPECT_EQ(list.IndexOf(alpha2), 1);
    EXPECT_EQ(list.IndexOf(gamma), 3);

    list.Delete(1);
    EXPECT_EQ(list.PropByName("alpha2"), nullptr);
    EXPECT_EQ(list.IndexOf(beta), 1);
    EXPECT_THROW(list.Delete(3), EKestError);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

// Room reserved for fewer properties than are added: the rest are allocated
// one by one, and both kinds keep their names and values, go on deletion and
// are counted so that the next list can reserve enough.
TEST(PropListTest, ReservedRoomAndPropertiesBeyondItBehaveAlike)
{
    TPropList probe;
    probe.Add<TIntProp>("Left");
    probe.Add<TStrProp>("A name longer than any short string buffer");
    const size_t demand = probe.AddedBytes();
    EXPECT_GE(demand, sizeof(TIntProp) + sizeof(TStrProp));

    TPropList list;
    list.Reserve(2, demand);
    auto* left = list.Add<TIntProp>("Left");
    auto* text = list.Add<TStrProp>("A name longer than any short string buffer");
    EXPECT_EQ(list.AddedBytes(), demand);
    auto* extra = list.Add<TStrProp>("Zeta, beyond the reserved room");
    auto* flag = list.Add<TBoolProp>("Flag");
    left->SetValue(-7);
    text->SetValue(std::string(100, 'x'));
    extra->SetValue("outside");
    flag->SetBoolValue(true);
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Name(0), "A name longer than any short string buffer");
    EXPECT_EQ(list.Name(3), "Zeta, beyond the reserved room");
    EXPECT_EQ(extra->Name(), "Zeta, beyond the reserved room");
    EXPECT_EQ(flag->GetDisplayValue(), "True");

    list.Delete(list.IndexOf(text));
    list.Delete(list.IndexOf(extra));
    EXPECT_EQ(list.PropByName("left"), left);
    EXPECT_EQ(left->Value(), -7);
    EXPECT_EQ(list.Name(0), "Flag");
    // A name may come back after its property went.
    list.Add<TStrProp>("Zeta, beyond the reserved room")->SetValue("again");
    EXPECT_EQ(list.PropByName("ZETA, BEYOND THE RESERVED ROOM")->GetDisplayValue(), "again");
}

// Properties made in one go are sorted once at the end; the order learned from
// the first list is only trusted after checking it, so a list made by another
// sequence of the same length still ends sorted, and a name made twice still
// throws and leaves the first one.
TEST(PropListTest, PropertiesMadeInOneGoEndSortedAndUnique)
{
    TPropOrder order;
    auto names = [](const TPropList& list) {
        std::vector<std::string> all;
        for (int i = 0; i < list.Count(); ++i)
            all.emplace_back(list.Name(i));
        return all;
    };
    const std::vector<std::string> sorted {"alpha", "Beta", "gamma", "Zeta"};

    TPropList first;
    first.BeginCreation();
    auto* zeta = first.Add<TIntProp>("Zeta");
    first.Add<TIntProp>("gamma");
    EXPECT_EQ(first.PropByName("ZETA"), zeta);
    EXPECT_EQ(first.PropByName("beta"), nullptr);
    EXPECT_EQ(MessageOf([&] { first.Add<TIntProp>("object"); }), "Property object already exist");
    auto* alpha = first.Add<TIntProp>("alpha");
    first.Add<TIntProp>("Beta");
    first.EndCreation(&order);
    EXPECT_EQ(names(first), sorted);
    EXPECT_EQ(first.IndexOf(alpha), 0);
    EXPECT_EQ(first.PropByName("zeta"), zeta);
    ASSERT_NE(order.Known(), nullptr);
    EXPECT_EQ(*order.Known(), (std::vector<uint16_t> {3, 2, 0, 1}));
    // Outside the bracket additions are placed at once.
    first.Add<TIntProp>("Delta");
    EXPECT_EQ(first.Name(2), "Delta");

    // The same sequence again, then another one of the same length.
    for (const auto& sequence : {std::vector<const char*> {"Zeta", "gamma", "alpha", "Beta"},
             std::vector<const char*> {"Beta", "Zeta", "alpha", "gamma"}}) {
        TPropList list;
        list.BeginCreation();
        for (const char* name : sequence)
            list.Add<TIntProp>(name);
        list.EndCreation(&order);
        EXPECT_EQ(names(list), sorted);
        EXPECT_EQ(list.PropByName("BETA"), list.Prop(1));
    }

    for (TPropOrder* known : {&order, static_cast<TPropOrder*>(nullptr)}) {
        TPropList twice;
        twice.BeginCreation();
        auto* firstZeta = twice.Add<TIntProp>("Zeta");
        twice.Add<TIntProp>("gamma");
        twice.Add<TIntProp>("alpha");
        twice.Add<TStrProp>("ZETA");
        EXPECT_EQ(MessageOf([&] { twice.EndCreation(known); }), "Property ZETA already exist");
        EXPECT_EQ(names(twice), (std::vector<std::string> {"alpha", "gamma", "Zeta"}));
        EXPECT_EQ(twice.PropByName("zeta"), firstZeta);
    }
    EXPECT_EQ(order.Known()->size(), 4u);
}

TEST(PropListTest, DeletingAPropertyTellsItsLinkPartners)
{
    TPropList list;
    auto* prop = list.Add<TIntProp>("Left");
    TKestObject watcher;
    TNotifyLink link(&watcher);
    int freed = 0;
    link.OnFreeNotify = [&](TNotifyLink*, TNotifyLink*, TNotifyLinkInfo&) { ++freed; };
    link.LinkTo(prop->NotifyLink());
    prop->NotifyLink()->LinkTo(&link);
    list.Delete(0);
    EXPECT_EQ(freed, 1);
    EXPECT_EQ(link.PartnerCount(), 0);
}

TEST(PropListTest, ModesNestButNeverMix)
{
    TPropList list;
    list.BeginLoading();
    list.BeginLoading();
    EXPECT_EQ(MessageOf([&] { list.BeginSaving(); }), "Can't switch to saving mode");
    list.EndMode();
    EXPECT_EQ(list.Mode(), pmLoading);
    list.EndMode();
    EXPECT_EQ(list.Mode(), pmNone);
    list.EndMode(); // below zero is ignored
    list.BeginSaving();
    EXPECT_EQ(MessageOf([&] { list.BeginLoading(); }), "Can't switch to loading mode");
    list.EndMode();

    // Saving inside a load fails without leaving the list in a wrong mode.
    list.Add<TIntProp>("Left");
    list.BeginLoading();
    EXPECT_THROW(test::SaveText(list), EKestError);
    EXPECT_EQ(list.Mode(), pmLoading);
    list.EndMode();
    EXPECT_EQ(test::SaveText(list), "Left = 0\r\n");
    EXPECT_EQ(list.Mode(), pmNone);
}

// Records the change protocol's steps in order.
struct TProtocolLog {
    std::vector<std::string> steps;
    TKestObject partnerOwner;
    TNotifyLink listPartner {&partnerOwner};
    TNotifyLink propPartner {&partnerOwner};

    void Attach(TPropList& list, TCustomProp& prop)
    {
        list.OnPropBeforeChanged = [this](TPropList*, TCustomProp* p) { steps.push_back("before " + p->Name()); };
        list.OnPropChanged = [this](TPropList*, TCustomProp* p) { steps.push_back("changed " + p->Name()); };
        list.NotifyLink()->LinkTo(&listPartner);
        prop.NotifyLink()->LinkTo(&propPartner);
        listPartner.OnNotify = [this](TNotifyLink*, TNotifyLink*, TNotifyLinkInfo& info) {
            steps.push_back("list link " + std::to_string(info.Code));
        };
        propPartner.OnNotify = [this](TNotifyLink*, TNotifyLink*, TNotifyLinkInfo& info) {
            steps.push_back("prop link " + std::to_string(info.Code));
        };
    }
};

TEST(PropListTest, ChangeProtocolRunsInOrderAndOnlyForRealChanges)
{
    TPropList list;
    auto* left = list.Add<TIntProp>("Left");
    TProtocolLog log;
    log.Attach(list, *left);
    int seenBefore = -1, newBefore = -1;
    list.OnPropBeforeChanged = [&](TPropList*, TCustomProp*) {
        log.steps.push_back("before");
        seenBefore = left->Value();
        newBefore = left->NewValue();
    };

    left->SetValue(7);
    std::vector<std::string> expected
        = {"before", "list link 2", "prop link 2", "changed Left", "list link 3", "prop link 3"};
    EXPECT_EQ(log.steps, expected);
    EXPECT_EQ(seenBefore, 0);
    EXPECT_EQ(newBefore, 7);

    log.steps.clear();
    left->SetValue(7);
    left->SetPropValue({}, TPropValue(std::string("7")));
    EXPECT_TRUE(log.steps.empty());

    left->SetStyle(left->Style() | psReadOnly);
    left->SetValue(8);
    EXPECT_EQ(left->Value(), 7);
    left->SetStyle(psVisible);
    list.OnPropReadOnly = [](TPropList*, TCustomProp* p, bool& readOnly) { readOnly = p->Name() == "Left"; };
    left->SetValue(9);
    EXPECT_EQ(left->Value(), 7);
    EXPECT_TRUE(log.steps.empty());
    EXPECT_TRUE(list.IsReadOnlyProp(left));
}

TEST(PropListTest, HistoryActionIsChosenBeforeTheChange)
{
    THistory history;
    history.SetActive(true);
    TPropList list;
    list.SetHistory(&history);
    list.OnGetOwnerId = [](TPropList*) { return 5; };
    auto* left = list.Add<TIntProp>("Left");
    auto* top = list.Add<TIntProp>("Top");
    auto* tag = list.Add<TIntProp>("Tag");
    tag->SetNotHistory(true);
    list.OnPropHistoryAction = [&](TPropList*, TCustomProp* p, const THistoryActionClass*& cls) {
        if (p == top)
            cls = nullptr;
    };

    left->SetValue(1);
    top->SetValue(2);
    tag->SetValue(3);
    ASSERT_EQ(history.Count(), 1);
    auto* action = dynamic_cast<TPropHistoryAction*>(history.Item(0));
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->SourceId(), 5);
    EXPECT_EQ(action->SourceName(), "Left");
    // The snapshot was taken before the value changed.
    ASSERT_NE(action->UndoStream(), nullptr);
    EXPECT_EQ(action->UndoStream()->Text(), "Left = 0\r\n");
}

class TTestDialog : public TPropEditDialog {
public:
    static inline std::vector<std::string> log;
    static inline bool answer = true;
    void SetProp(TCustomProp* prop) override { log.push_back(std::string("prop ") + prop->ClassName()); }
    bool ShowModal() override
    {
        log.push_back("shown");
        return answer;
    }
};

class TEditedProp : public TIntProp {
    KEST_CLASS(TEditedProp)
};
KEST_CLASS_IMPL(TEditedProp, TIntProp)

class TEditedChildProp : public TEditedProp {
    KEST_CLASS(TEditedChildProp)
};
KEST_CLASS_IMPL(TEditedChildProp, TEditedProp)

TEST(PropListTest, EditFormsAreFoundForExactlyTheirClass)
{
    RegisterPropEditForm(TEditedProp::StaticClass(), [] { return std::unique_ptr<TPropEditDialog>(new TTestDialog); });
    RegisterPropEditForm(TEditedProp::StaticClass(), [] { return std::unique_ptr<TPropEditDialog>(); });
    TPropList list;
    auto* edited = list.Add<TEditedProp>("Edited");
    auto* child = list.Add<TEditedChildProp>("Child");
    auto* plain = list.Add<TIntProp>("Plain");
    EXPECT_EQ(edited->Style(), psVisible | psEditForm);
    EXPECT_EQ(child->Style(), psVisible);
    EXPECT_EQ(plain->Style(), psVisible);
    EXPECT_NE(edited->EditFormClass(), nullptr);
    EXPECT_EQ(child->EditFormClass(), nullptr);

    TTestDialog::log.clear();
    TTestDialog::answer = true;
    EXPECT_TRUE(edited->Edit());
    TTestDialog::answer = false;
    EXPECT_FALSE(edited->Edit());
    EXPECT_EQ(TTestDialog::log, (std::vector<std::string> {"prop TEditedProp", "shown", "prop TEditedProp", "shown"}));
    EXPECT_FALSE(child->Edit());
    // Without the style flag the dialog is not offered.
    edited->SetStyle(psVisible);
    EXPECT_FALSE(edited->Edit());
    EXPECT_EQ(TTestDialog::log.size(), 4u);
}

TEST(PropListTest, ReferenceListRegistersAndTranslatesIds)
{
    TPropRefList refs;
    EXPECT_FALSE(refs.RegisterId(0, 4));
    EXPECT_FALSE(refs.RegisterId(4, 0));
    EXPECT_TRUE(refs.RegisterId(3, 3));
    EXPECT_TRUE(refs.RegisterId(5, 9));
    EXPECT_FALSE(refs.RegisterId(5, 10));
    EXPECT_EQ(refs.TranslateId(3), 3);
    EXPECT_EQ(refs.TranslateId(5), 9);
    EXPECT_EQ(refs.TranslateId(9), 0);
    EXPECT_EQ(refs.TranslateId(7), 0);

    TPropList list;
    EXPECT_FALSE(list.RegisterIdChange(1, 2));
    list.SetRefList(&refs);
    EXPECT_TRUE(list.RegisterIdChange(1, 2));
    EXPECT_EQ(refs.TranslateId(1), 2);
    refs.Clear();
    EXPECT_EQ(refs.TranslateId(1), 0);
    EXPECT_EQ(refs.TranslateId(3), 0);
}

TEST(PropListTest, ReferenceValuesWaitUntilApplied)
{
    TPropList list;
    auto* link = list.Add<TStrProp>("Link");
    auto* other = list.Add<TStrProp>("Other");
    auto* name = list.Add<TStrProp>("Name");
    link->SetStyle(psVisible | psReference);
    other->SetStyle(psVisible | psReference);
    TPropRefList refs;
    std::vector<std::string> applied;
    list.OnPropChanged = [&](TPropList* sender, TCustomProp* prop) {
        applied.push_back(prop->Name() + (sender->Resolving() && sender->RefList() == &refs ? " resolving" : ""));
    };

    TKestMemoryStream empty;
    TKestFiler filer(empty);
    EXPECT_EQ(list.LoadPropertyDeferred(filer, "Link = \\1:Door", &refs), link);
    list.LoadPropertyDeferred(filer, "Other = \\2:Lamp", &refs);
    list.LoadPropertyDeferred(filer, "Name = Panel", &refs);
    EXPECT_EQ(list.RefList(), nullptr);
    EXPECT_EQ(link->GetValue(), "");
    EXPECT_EQ(name->GetValue(), "Panel");
    EXPECT_EQ(refs.Count(), 2);

    // Without a reference list the value is assigned at once.
    list.LoadProperty(filer, "Other = now");
    EXPECT_EQ(other->GetValue(), "now");

    applied.clear();
    refs.Apply();
    EXPECT_EQ(refs.Count(), 0);
    EXPECT_EQ(applied, (std::vector<std::string> {"Other resolving", "Link resolving"}));
    EXPECT_EQ(link->GetValue(), "\\1:Door");
    EXPECT_EQ(other->GetValue(), "\\2:Lamp");
    EXPECT_FALSE(list.Resolving());
    EXPECT_EQ(list.RefList(), nullptr);

    list.LoadPropertyDeferred(filer, "Link = \\3:Gate", &refs);
    refs.Clear();
    refs.Apply();
    EXPECT_EQ(link->GetValue(), "\\1:Door");
}

TEST(PropListTest, DestroyingAListTellsItsPartnersFirst)
{
    std::vector<std::string> log;
    TKestObject watcherOwner;
    TNotifyLink watcher(&watcherOwner);
    int propsLeft = -1;
    {
        TPropList list;
        list.Add<TIntProp>("Left");
        list.NotifyLink()->LinkTo(&watcher);
        watcher.OnFreeNotify = [&](TNotifyLink*, TNotifyLink* source, TNotifyLinkInfo&) {
            if (source) // none when the watcher itself goes
                propsLeft = static_cast<TPropList*>(source->Owner())->Count();
        };
    }
    EXPECT_EQ(propsLeft, 1);
}

} // namespace
} // namespace kest
