#include "KestHistory.h"

#include <algorithm>
#include <utility>

namespace kest {

namespace {

// Runs a clean-up when the scope ends, also when an action throws, so that
// neither an action nor the history stays stuck outside hsIdle.
template <class F> class TOnExit {
public:
    explicit TOnExit(F f)
        : f_(std::move(f))
    {
    }
    ~TOnExit() { f_(); }
    TOnExit(const TOnExit&) = delete;
    TOnExit& operator=(const TOnExit&) = delete;

private:
    F f_;
};

std::vector<const THistoryActionClass*>& Registry()
{
    static std::vector<const THistoryActionClass*> registry {THistoryGroup::StaticClass()};
    return registry;
}

void ResetStream(std::unique_ptr<TKestMemoryStream>& stream)
{
    if (stream)
        stream->Clear();
    else
        stream = std::make_unique<TKestMemoryStream>();
}

} // namespace

void RegisterHistoryAction(const THistoryActionClass* cls)
{
    if (cls && !IsHistoryActionRegistered(cls))
        Registry().push_back(cls);
}

bool IsHistoryActionRegistered(const THistoryActionClass* cls)
{
    const auto& registry = Registry();
    return cls && std::find(registry.begin(), registry.end(), cls) != registry.end();
}

// ---------------------------------------------------------------------------
// THistoryAction

const TKestClass* THistoryAction::StaticClass()
{
    static const TKestClass info("THistoryAction", TKestObject::StaticClass());
    return &info;
}

THistoryAction::THistoryAction(THistory& owner, THistoryGroup* parent)
    : owner_(owner)
    , parent_(parent)
{
}

void THistoryAction::SetState(THistoryState state)
{
    state_ = state;
}

bool THistoryAction::ChangeState(THistoryState state)
{
    if (state == state_ || (state != hsIdle && state_ != hsIdle))
        return false;
    SetState(state);
    return true;
}

bool THistoryAction::EndState()
{
    if (state_ == hsIdle)
        return false;
    SetState(hsIdle);
    return true;
}

bool THistoryAction::IsSameAction(const THistoryActionClass*, TKestObject*)
{
    return false;
}

void THistoryAction::GetCaption(TKestObject*, std::string&) { }

void THistoryAction::BeginRecord(TKestObject*)
{
    if (state_ == hsIdle)
        SetState(hsRecord);
}

void THistoryAction::EndRecord()
{
    if (state_ == hsRecord)
        SetState(hsIdle);
}

// ---------------------------------------------------------------------------
// THistoryStreamAction

const TKestClass* THistoryStreamAction::StaticClass()
{
    static const TKestClass info("THistoryStreamAction", THistoryAction::StaticClass());
    return &info;
}

void THistoryStreamAction::Record(TKestObject* source)
{
    if (State() != hsRecord)
        return;
    ResetStream(undoStream_);
    ProcessSource(*undoStream_, source, false);
}

void THistoryStreamAction::Undo(TKestObject* source)
{
    if (!undoStream_ || !ChangeState(hsUndo))
        return;
    TOnExit end([this] { EndState(); });
    ResetStream(redoStream_);
    ProcessSource(*redoStream_, source, false);
    undoStream_->Seek(0);
    ProcessSource(*undoStream_, source, true);
}

void THistoryStreamAction::Redo(TKestObject* source)
{
    if (!redoStream_ || !ChangeState(hsRedo))
        return;
    TOnExit end([this] { EndState(); });
    redoStream_->Seek(0);
    ProcessSource(*redoStream_, source, true);
}

// ---------------------------------------------------------------------------
// THistoryGroup

KEST_ACTION_CLASS_IMPL(THistoryGroup, THistoryAction, nullptr)

THistoryGroup::THistoryGroup(THistory& owner, THistoryGroup* parent)
    : THistoryAction(owner, parent)
{
}

THistoryGroup::~THistoryGroup()
{
    while (!children_.empty())
        children_.pop_back();
}

void THistoryGroup::Add(std::unique_ptr<THistoryAction> action)
{
    if (action)
        children_.push_back(std::move(action));
}

void THistoryGroup::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    // Out of the list before it dies, so its destructor never sees a half-removed child.
    std::unique_ptr<THistoryAction> doomed = std::move(children_[index]);
    children_.erase(children_.begin() + index);
}

void THistoryGroup::EndRecord()
{
    THistoryAction::EndRecord();
    SetDiscard(destroyIfEmpty_ && children_.empty());
}

void THistoryGroup::Record(TKestObject*) { }

void THistoryGroup::Undo(TKestObject*)
{
    Replay(hsUndo);
}

void THistoryGroup::Redo(TKestObject*)
{
    Replay(hsRedo);
}

void THistoryGroup::Replay(THistoryState state)
{
    if (!ChangeState(state))
        return;
    TOnExit end([this] {
        childIndex_ = -1;
        childSource_ = nullptr;
        EndState();
    });
    bool undo = state == hsUndo;
    for (int step = 0; step < Count(); ++step) {
        childIndex_ = undo ? Count() - 1 - step : step;
        THistoryAction* child = children_[childIndex_].get();
        bool found = false;
        childSource_ = Owner().GetActionSource(child, found);
        if (!found)
            continue;
        if (undo)
            child->Undo(childSource_);
        else
            child->Redo(childSource_);
    }
}

// ---------------------------------------------------------------------------
// THistory

KEST_CLASS_IMPL(THistory, TKestObject)

THistory::THistory(TKestObject* owner)
    : owner_(owner)
{
}

THistory::~THistory()
{
    while (!actions_.empty())
        actions_.pop_back();
}

void THistory::SetActive(bool value)
{
    if (value == active_ || state_ != hsIdle)
        return;
    active_ = value;
    if (!value) {
        DeleteActions(0, -1);
        DoChange();
    }
}

void THistory::Clear()
{
    int before = Count();
    DeleteActions(0, -1);
    if (Count() != before)
        DoChange();
}

void THistory::DeleteActions(int first, int last)
{
    // The action being undone or redone must outlive its own Undo or Redo.
    if (state_ == hsUndo || state_ == hsRedo)
        return;
    int count = Count();
    first = std::max(first, 0);
    if (last < 0)
        last += count;
    last = std::min(last, count - 1);
    if (first > last)
        return;
    if (currentGroup_) {
        // Deleting an open group would leave CurrentGroup dangling: recording ends with it.
        THistoryAction* root = currentGroup_;
        while (root->Parent())
            root = root->Parent();
        for (int i = first; i <= last; ++i)
            if (actions_[i].get() == root) {
                currentGroup_ = nullptr;
                groupLevel_ = 0;
                SetState(hsIdle);
                break;
            }
    }
    for (int i = last; i >= first; --i) {
        std::unique_ptr<THistoryAction> doomed = std::move(actions_[i]);
        actions_.erase(actions_.begin() + i);
    }
    if (actionIndex_ >= Count())
        actionIndex_ = Count() - 1;
}

void THistory::DeleteLast()
{
    if (!active_ || actions_.empty())
        return;
    int before = Count();
    DeleteActions(before - 1, before - 1);
    if (Count() != before)
        DoChange();
}

void THistory::RemoveAction(THistoryAction* action)
{
    if (THistoryGroup* parent = action->Parent()) {
        for (int i = 0; i < parent->Count(); ++i)
            if (parent->Item(i) == action) {
                parent->Delete(i);
                break;
            }
    } else {
        for (int i = 0; i < Count(); ++i)
            if (actions_[i].get() == action) {
                DeleteActions(i, i);
                break;
            }
    }
    DoChange();
}

THistoryAction* THistory::BeginAction(const THistoryActionClass* cls, TKestObject* source, bool recordNow, int32_t tag)
{
    if (!cls || !active_ || disableCount_ > 0 || (state_ != hsIdle && state_ != hsRecord))
        return nullptr;
    THistoryGroup* parent = currentGroup_;
    if (!IsRecordable(cls, source, parent) || !IsHistoryActionRegistered(cls))
        return nullptr;
    if (parent)
        for (int i = 0; i < parent->Count(); ++i)
            if (IsSameAction(parent->Item(i), cls, source))
                return nullptr;

    std::unique_ptr<THistoryAction> action = cls->Create(*this, parent);
    if (!action)
        return nullptr;
    // The action joins the list only once it is recording (and has recorded,
    // when asked to): an action that refuses or throws leaves the list, its
    // redo tail, the open groups and the state as they were.
    THistoryState oldState = state_;
    int oldLevel = groupLevel_;
    bool committed = false;
    TOnExit rollback([&] {
        if (committed)
            return;
        currentGroup_ = parent;
        groupLevel_ = oldLevel;
        if (state_ != oldState)
            SetState(oldState);
    });
    if (!parent)
        SetState(hsRecord);
    SetActionSource(action.get(), source);
    action->SetCaption(GetActionCaption(action.get(), source));
    if (auto* group = dynamic_cast<THistoryGroup*>(action.get())) {
        currentGroup_ = group;
        ++groupLevel_;
    }
    action->BeginRecord(source);
    if (action->State() != hsRecord)
        return nullptr;
    if (recordNow)
        action->Record(source);

    THistoryAction* result = action.get();
    if (parent) {
        action->SetTag(0);
        parent->Add(std::move(action));
    } else {
        int oldIndex = actionIndex_;
        DeleteActions(oldIndex + 1, -1);
        action->SetTag(tag);
        actions_.push_back(std::move(action));
        int dropped = std::max(Count() - actionLimit_, 0);
        if (dropped > 0)
            DeleteActions(0, dropped - 1);
        actionIndex_ = oldIndex + 1 - dropped;
    }
    committed = true;
    DoChange();
    return result;
}

bool THistory::EndAction()
{
    bool removed = false;
    return EndRecording(removed);
}

bool THistory::EndRecording(bool& removed)
{
    removed = false;
    if (!active_ || disableCount_ > 0 || actionIndex_ < 0 || state_ != hsRecord)
        return false;
    if (THistoryGroup* group = currentGroup_) {
        THistoryAction* last = group->Last();
        if (last && last->State() == hsRecord) {
            last->EndRecord();
            if (last->Discard()) {
                RemoveAction(last);
                removed = true;
            }
        } else {
            group->EndRecord();
        }
        if (group->State() == hsIdle) {
            currentGroup_ = group->Parent();
            --groupLevel_;
            if (group->Discard()) {
                RemoveAction(group);
                removed = true;
            }
        }
        if (!currentGroup_)
            SetState(hsIdle);
        return true;
    }
    THistoryAction* action = actions_[actionIndex_].get();
    bool result = false;
    if (action->State() == hsRecord) {
        action->EndRecord();
        result = true;
    }
    if (action->State() == hsIdle || action->Discard()) {
        SetState(hsIdle);
        if (action->Discard()) {
            RemoveAction(action);
            removed = true;
        }
    }
    return result;
}

THistoryAction* THistory::RecordAction(const THistoryActionClass* cls, TKestObject* source, int32_t tag)
{
    THistoryAction* action = BeginAction(cls, source, true, tag);
    if (!action)
        return nullptr;
    bool removed = false;
    EndRecording(removed);
    // A discarded action is gone; never hand out its address.
    return removed ? nullptr : action;
}

THistoryGroup* THistory::ContinueGroup()
{
    if (state_ != hsIdle || disableCount_ > 0)
        return nullptr;
    THistoryGroup* candidate = nullptr;
    if (currentGroup_) {
        if (currentGroup_->Count() > 0 && currentGroup_->State() == hsIdle)
            candidate = dynamic_cast<THistoryGroup*>(currentGroup_->Last());
    } else if (actionIndex_ >= 0 && actionIndex_ == Count() - 1) {
        // Only the action last done: joining an undone group would put new
        // changes where neither undo nor redo reaches them.
        candidate = dynamic_cast<THistoryGroup*>(actions_.back().get());
    }
    if (!candidate || !candidate->ChangeState(hsRecord))
        return nullptr;
    SetState(hsRecord);
    currentGroup_ = candidate;
    ++groupLevel_;
    DoChange();
    return candidate;
}

TKestObject* THistory::CurrentSource() const
{
    if (state_ != hsUndo && state_ != hsRedo)
        return currentSource_;
    int index = state_ == hsRedo ? actionIndex_ + 1 : actionIndex_;
    if (index < 0 || index >= Count())
        return currentSource_;
    auto* group = dynamic_cast<THistoryGroup*>(actions_[index].get());
    if (!group)
        return currentSource_;
    while (group->ChildIndex() >= 0 && group->ChildIndex() < group->Count()) {
        auto* child = dynamic_cast<THistoryGroup*>(group->Item(group->ChildIndex()));
        if (!child)
            break;
        group = child;
    }
    return group->ChildSource();
}

void THistory::DoChange()
{
    if (OnChange)
        OnChange(this);
}

TKestObject* THistory::GetActionSource(THistoryAction* action, bool& found)
{
    found = false;
    TKestObject* source = nullptr;
    if (OnGetActionSource) {
        found = true;
        OnGetActionSource(this, action, found, source);
    }
    return source;
}

void THistory::SetActionSource(THistoryAction* action, TKestObject* source)
{
    if (OnSetActionSource)
        OnSetActionSource(this, action, source);
}

std::string THistory::GetActionCaption(THistoryAction* action, TKestObject* source)
{
    std::string caption;
    action->GetCaption(source, caption);
    if (OnGetActionCaption)
        OnGetActionCaption(this, action, caption, source);
    return caption;
}

bool THistory::IsRecordable(const THistoryActionClass*& cls, TKestObject*& source, THistoryGroup* parent)
{
    bool result = cls->IsRecordable(source, parent);
    if (result && OnIsRecordable)
        OnIsRecordable(this, cls, result, parent, source);
    return result && cls;
}

bool THistory::IsSameAction(THistoryAction* action, const THistoryActionClass* cls, TKestObject* source)
{
    bool result = action->IsSameAction(cls, source);
    if (OnIsSameAction)
        OnIsSameAction(this, action, result, cls, source);
    return result;
}

bool THistory::Undo()
{
    if (state_ != hsIdle || actionIndex_ < 0)
        return false;
    return Replay(actionIndex_, hsUndo);
}

bool THistory::Redo()
{
    if (state_ != hsIdle || actionIndex_ >= Count() - 1)
        return false;
    return Replay(actionIndex_ + 1, hsRedo);
}

bool THistory::Replay(int index, THistoryState state)
{
    SetState(state);
    TOnExit end([this] {
        currentSource_ = nullptr;
        SetState(hsIdle);
    });
    THistoryAction* action = actions_[index].get();
    bool found = false;
    currentSource_ = GetActionSource(action, found);
    if (!found)
        return false;
    if (state == hsUndo) {
        action->Undo(currentSource_);
        --actionIndex_;
    } else {
        action->Redo(currentSource_);
        ++actionIndex_;
    }
    return true;
}

} // namespace kest
