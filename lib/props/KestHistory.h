// THistory: the generic undo/redo engine. Actions know how to put a source
// object back into an earlier state and forward again; the engine keeps them
// in a linear list with a current position, nests them into groups, limits
// the list's length and leaves everything document-specific to hooks.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "KestClass.h"
#include "KestStream.h"

namespace kest {

class THistory;
class THistoryAction;
class THistoryGroup;

enum THistoryState : uint8_t { hsIdle = 0, hsRecord = 1, hsUndo = 2, hsRedo = 3 };

// Class information of an action class: how to create one, and the class
// operation asked before an instance exists.
class THistoryActionClass : public TKestClass {
public:
    using TCreate = std::unique_ptr<THistoryAction> (*)(THistory& owner, THistoryGroup* parent);
    using TIsRecordable = bool (*)(TKestObject* source, THistoryGroup* parent);

    THistoryActionClass(const char* name, const TKestClass* parent, TCreate create, TIsRecordable isRecordable = nullptr)
        : TKestClass(name, parent), create_(create), isRecordable_(isRecordable)
    {
    }
    std::unique_ptr<THistoryAction> Create(THistory& owner, THistoryGroup* parent) const { return create_(owner, parent); }
    bool IsRecordable(TKestObject* source, THistoryGroup* parent) const
    {
        return isRecordable_ ? isRecordable_(source, parent) : true;
    }

private:
    TCreate create_;
    TIsRecordable isRecordable_;
};

// Declares / defines the action-class information of a THistoryAction descendant.
#define KEST_ACTION_CLASS(Self)                                                            \
public:                                                                                    \
    static const ::kest::THistoryActionClass* StaticClass();                               \
    const ::kest::TKestClass* ClassType() const override { return StaticClass(); }

#define KEST_ACTION_CLASS_IMPL(Self, Parent, IsRecordableFn)                               \
    const ::kest::THistoryActionClass* Self::StaticClass()                                 \
    {                                                                                      \
        static const ::kest::THistoryActionClass info(                                     \
            #Self, Parent::StaticClass(),                                                  \
            [](::kest::THistory& o, ::kest::THistoryGroup* p) -> std::unique_ptr<::kest::THistoryAction> { \
                return std::make_unique<Self>(o, p);                                       \
            },                                                                             \
            IsRecordableFn);                                                               \
        return &info;                                                                      \
    }

// Adds a class to the registry of recordable action classes (once).
void RegisterHistoryAction(const THistoryActionClass* cls);
bool IsHistoryActionRegistered(const THistoryActionClass* cls);

class THistoryAction : public TKestObject {
public:
    static const TKestClass* StaticClass();
    const TKestClass* ClassType() const override { return StaticClass(); }

    THistoryAction(THistory& owner, THistoryGroup* parent);
    ~THistoryAction() override = default;

    THistory& Owner() const { return owner_; }
    THistoryGroup* Parent() const { return parent_; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(std::string caption) { caption_ = std::move(caption); }
    int32_t Tag() const { return tag_; }
    void SetTag(int32_t tag) { tag_ = tag; }
    THistoryState State() const { return state_; }
    bool Discard() const { return discard_; }
    void SetDiscard(bool value) { discard_ = value; }

    virtual void SetState(THistoryState state);
    virtual bool ChangeState(THistoryState state);
    virtual bool EndState();
    virtual bool IsSameAction(const THistoryActionClass* cls, TKestObject* source);
    virtual void GetCaption(TKestObject* source, std::string& caption);
    virtual void BeginRecord(TKestObject* source);
    virtual void EndRecord();
    virtual void Record(TKestObject* source) = 0;
    virtual void Undo(TKestObject* source) = 0;
    virtual void Redo(TKestObject* source) = 0;

private:
    THistory& owner_;
    THistoryGroup* parent_;
    std::string caption_;
    int32_t tag_ = 0;
    THistoryState state_ = hsIdle;
    bool discard_ = false;
};

// An action that keeps the undo and redo states as in-memory streams.
class THistoryStreamAction : public THistoryAction {
public:
    static const TKestClass* StaticClass();
    const TKestClass* ClassType() const override { return StaticClass(); }

    using THistoryAction::THistoryAction;

    TKestMemoryStream* UndoStream() const { return undoStream_.get(); }
    TKestMemoryStream* RedoStream() const { return redoStream_.get(); }

    void Record(TKestObject* source) override;
    void Undo(TKestObject* source) override;
    void Redo(TKestObject* source) override;
    // restore false: write the source's state into stream; true: read it back.
    virtual void ProcessSource(TKestStream& stream, TKestObject* source, bool restore) = 0;

private:
    std::unique_ptr<TKestMemoryStream> undoStream_;
    std::unique_ptr<TKestMemoryStream> redoStream_;
};

class THistoryGroup : public THistoryAction {
    KEST_ACTION_CLASS(THistoryGroup)
public:
    THistoryGroup(THistory& owner, THistoryGroup* parent);
    ~THistoryGroup() override;

    int Count() const { return static_cast<int>(children_.size()); }
    THistoryAction* Item(int index) const { return children_[index].get(); }
    int ChildIndex() const { return childIndex_; }
    TKestObject* ChildSource() const { return childSource_; }
    bool DestroyIfEmpty() const { return destroyIfEmpty_; }
    void SetDestroyIfEmpty(bool value) { destroyIfEmpty_ = value; }

    void Add(std::unique_ptr<THistoryAction> action);
    void Delete(int index);
    THistoryAction* Last() const { return children_.empty() ? nullptr : children_.back().get(); }

    void EndRecord() override;
    void Record(TKestObject* source) override;
    void Undo(TKestObject* source) override;
    void Redo(TKestObject* source) override;

private:
    // Undoes (hsUndo, last child first) or redoes (hsRedo, first child first).
    void Replay(THistoryState state);

    std::vector<std::unique_ptr<THistoryAction>> children_;
    int childIndex_ = -1;
    TKestObject* childSource_ = nullptr;
    bool destroyIfEmpty_ = false;
};

class THistory : public TKestObject {
    KEST_CLASS(THistory)
public:
    explicit THistory(TKestObject* owner = nullptr);
    ~THistory() override;

    TKestObject* Owner() const { return owner_; }
    bool Active() const { return active_; }
    void SetActive(bool value);
    THistoryState State() const { return state_; }
    int Count() const { return static_cast<int>(actions_.size()); }
    THistoryAction* Item(int index) const { return actions_[index].get(); }
    int ActionIndex() const { return actionIndex_; }
    int ActionLimit() const { return actionLimit_; }
    THistoryGroup* CurrentGroup() const { return currentGroup_; }
    int GroupLevel() const { return groupLevel_; }
    int DisableCount() const { return disableCount_; }
    bool CanRecord() const { return active_ && (state_ == hsIdle || state_ == hsRecord); }

    void Clear();
    void DeleteActions(int first, int last);
    void DeleteLast();

    THistoryAction* BeginAction(const THistoryActionClass* cls, TKestObject* source, bool recordNow, int32_t tag = 0);
    bool EndAction();
    THistoryAction* RecordAction(const THistoryActionClass* cls, TKestObject* source, int32_t tag = 0);
    THistoryGroup* ContinueGroup();
    void DisableRecording() { ++disableCount_; }
    void EnableRecording()
    {
        if (disableCount_ > 0)
            --disableCount_;
    }
    TKestObject* CurrentSource() const;

    virtual void SetState(THistoryState state) { state_ = state; }
    virtual void DoChange();
    virtual TKestObject* GetActionSource(THistoryAction* action, bool& found);
    virtual void SetActionSource(THistoryAction* action, TKestObject* source);
    virtual std::string GetActionCaption(THistoryAction* action, TKestObject* source);
    virtual bool IsRecordable(const THistoryActionClass*& cls, TKestObject*& source, THistoryGroup* parent);
    virtual bool IsSameAction(THistoryAction* action, const THistoryActionClass* cls, TKestObject* source);
    virtual bool Undo();
    virtual bool Redo();

    std::function<void(THistory* sender)> OnChange;
    std::function<void(THistory* sender, THistoryAction* action, std::string& caption, TKestObject* source)> OnGetActionCaption;
    std::function<void(THistory* sender, THistoryAction* action, bool& found, TKestObject*& source)> OnGetActionSource;
    std::function<void(THistory* sender, THistoryAction* action, TKestObject* source)> OnSetActionSource;
    std::function<void(THistory* sender, const THistoryActionClass*& cls, bool& result, THistoryGroup* parent, TKestObject*& source)> OnIsRecordable;
    std::function<void(THistory* sender, THistoryAction* action, bool& result, const THistoryActionClass* cls, TKestObject* source)> OnIsSameAction;

private:
    bool Replay(int index, THistoryState state);
    // EndAction; removed tells whether the action it ended was discarded.
    bool EndRecording(bool& removed);
    // Deletes an action from its group or from the list, and raises DoChange.
    void RemoveAction(THistoryAction* action);

    TKestObject* owner_;
    bool active_ = false;
    std::vector<std::unique_ptr<THistoryAction>> actions_;
    int actionIndex_ = -1;
    int actionLimit_ = 100;
    THistoryGroup* currentGroup_ = nullptr;
    int groupLevel_ = 0;
    int disableCount_ = 0;
    THistoryState state_ = hsIdle;
    TKestObject* currentSource_ = nullptr;
};

}  // namespace kest
