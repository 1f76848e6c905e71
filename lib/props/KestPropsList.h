// TPropList: the named properties of one object, saved as indented text lines
// (or binary records) through the filer and loaded back line by line; and
// TPropRefList, which holds reference values back until loading ends.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "KestHistory.h"
#include "KestIdPool.h"
#include "KestPropsBase.h"

namespace kest {

class TKestFiler;
class TPropList;
class TPropRefList;

using TPropChangedEvent = std::function<void(TPropList* sender, TCustomProp* prop)>;
using TPropStoredEvent
    = std::function<void(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)>;
using TPropReadOnlyEvent = std::function<void(TPropList* sender, TCustomProp* prop, bool& readOnly)>;
using TPropHistoryActionEvent
    = std::function<void(TPropList* sender, TCustomProp* prop, const THistoryActionClass*& actionClass)>;
// The identifier of the object that owns the list; 0 when it has none.
using TPropOwnerIdEvent = std::function<int32_t(TPropList* sender)>;

// How a property list lets go of a property: those in its reserved block are
// destroyed in place, as the block goes with the list.
struct TPropDeleter {
    bool InPlace = false;
    void operator()(TCustomProp* prop) const
    {
        if (InPlace)
            prop->~TCustomProp();
        else
            delete prop;
    }
};
using TPropPtr = std::unique_ptr<TCustomProp, TPropDeleter>;

enum TPropListMode : uint8_t { pmNone = 0, pmLoading = 1, pmSaving = 2 };

// The name order that one sequence of additions ends in: entry k is the
// position the k-th added property takes. Learned from the first list built
// by the sequence and offered to the next ones, which only check it; it may
// be shared between threads.
class TPropOrder {
public:
    TPropOrder() = default;
    TPropOrder(const TPropOrder&) = delete;
    TPropOrder& operator=(const TPropOrder&) = delete;
    ~TPropOrder() { delete known_.load(std::memory_order_relaxed); }

    const std::vector<uint16_t>* Known() const { return known_.load(std::memory_order_acquire); }
    // The first order learned stays.
    void Learn(std::vector<uint16_t> order);

private:
    std::atomic<const std::vector<uint16_t>*> known_ {nullptr};
};

class TPropList : public TKestObject {
    KEST_CLASS(TPropList)
public:
    explicit TPropList(TKestObject* owner = nullptr);
    ~TPropList() override;
    TPropList(const TPropList&) = delete;
    TPropList& operator=(const TPropList&) = delete;

    TKestObject* Owner() const { return owner_; }

    // Creates a property of kind T and adds it under name; throws
    // EKestError("Property NAME already exist") for a reserved or taken name.
    template <class T, class... A> T* Add(std::string_view name, A&&... args)
    {
        TPropPtr prop;
        if (void* place = TakeReserved(sizeof(T), alignof(T)))
            prop = TPropPtr(new (place) T(std::forward<A>(args)...), TPropDeleter {true});
        else
            prop = TPropPtr(new T(std::forward<A>(args)...));
        T* result = static_cast<T*>(prop.get());
        InsertOwned(std::move(prop), name);
        return result;
    }
    TCustomProp* Insert(std::unique_ptr<TCustomProp> prop, std::string_view name);

    // Room for count properties taking bytes in all, made once before the
    // first Add: the properties of an object then share one allocation.
    // Properties beyond it are allocated one by one as usual.
    void Reserve(int count, size_t bytes);
    // The bytes the properties added so far asked for, as Reserve counts them.
    size_t AddedBytes() const { return addedBytes_; }

    // Properties added between the two calls to an empty list are put in
    // name order once, at the end, with the order the same additions ended
    // in before when order knows it (or learns it now). A name added twice
    // in between throws at the end, as Add would have.
    void BeginCreation();
    void EndCreation(TPropOrder* order);

    int Count() const { return static_cast<int>(items_.size()); }
    // Index order is the alphabetical order of the names, ignoring case.
    TCustomProp* Prop(int index) const { return items_[index].Prop; }
    std::string_view Name(int index) const { return items_[index].Name; }
    TCustomProp* PropByName(std::string_view name) const;
    int IndexOf(const TCustomProp* prop) const;
    void Delete(int index);
    void Clear();

    TPropRefList* RefList() const { return refList_; }
    void SetRefList(TPropRefList* value) { refList_ = value; }
    // Created on first request.
    TNotifyLink* NotifyLink();
    THistory* History() const { return history_; }
    void SetHistory(THistory* value) { history_ = value; }
    bool UndoReadOnly() const { return undoReadOnly_; }
    void SetUndoReadOnly(bool value) { undoReadOnly_ = value; }
    THistoryState HistoryState() const { return historyState_; }
    bool Assigning() const { return assigning_; }
    bool Resolving() const { return resolvingDepth_ > 0; }
    TPropListMode Mode() const { return mode_; }

    bool IsReadOnlyProp(const TCustomProp* prop);

    void SaveToFiler(TKestFiler& filer, std::string_view indent, bool force);
    bool SaveProperty(TKestFiler& filer, TCustomProp* prop, bool force, std::string_view name, std::string_view indent);
    TCustomProp* LoadProperty(TKestFiler& filer, const std::string& firstLine);
    TCustomProp* LoadPropertyDeferred(TKestFiler& filer, const std::string& firstLine, TPropRefList* refList);

    void BeginLoading();
    void BeginSaving();
    void EndMode();

    bool RegisterIdChange(int32_t oldId, int32_t newId);

    // The change protocol's list side, run by the properties.
    void PropBeforeChanged(TCustomProp* prop);
    void PropChanged(TCustomProp* prop);

    TPropChangedEvent OnPropChanged;
    TPropChangedEvent OnPropBeforeChanged;
    TPropStoredEvent OnPropStored;
    TPropReadOnlyEvent OnPropReadOnly;
    TPropHistoryActionEvent OnPropHistoryAction;
    TPropOwnerIdEvent OnGetOwnerId;

    // Deepest nesting of property blocks saved or loaded; deeper blocks in
    // a document are skipped.
    static constexpr int kMaxNesting = 16;
    // Properties needing a stricter alignment than this are allocated alone.
    static constexpr size_t kReservedAlign = alignof(void*);

private:
    friend class TPropRefList;
    friend class TPropHistoryAction;
    friend class TPropLoader;

    // Plain data, so that inserting in name order moves entries as bytes.
    // The name lies in the reserved block or in an allocation of its own.
    struct TEntry {
        std::string_view Name;
        TCustomProp* Prop;
        bool PropInPlace;
        bool NameInPlace;
    };

    TCustomProp* InsertOwned(TPropPtr prop, std::string_view name);
    void* TakeReserved(size_t size, size_t align);
    static void Destroy(const TEntry& entry);

    // Position of name in the sorted list, and whether it is there.
    std::pair<size_t, bool> Locate(std::string_view name) const;
    // Sorts the entries added while creating and learns their order.
    void SortCreated(TPropOrder* order);
    void Assign(TCustomProp& prop, const std::string& subName, const TPropValue& value);

    TKestObject* owner_;
    TPropRefList* refList_ = nullptr;
    std::vector<TEntry> items_;
    std::unique_ptr<std::byte[]> reserved_;
    size_t reservedSize_ = 0;
    size_t reservedUsed_ = 0;
    size_t addedBytes_ = 0;
    mutable size_t lastFound_ = 0;
    std::unique_ptr<TNotifyLink> notifyLink_;
    THistory* history_ = nullptr;
    bool undoReadOnly_ = true;
    THistoryState historyState_ = hsIdle;
    bool assigning_ = false;
    int32_t resolvingDepth_ = 0;
    TPropListMode mode_ = pmNone;
    int32_t modeDepth_ = 0;
    bool creating_ = false; // entries in the order they were added
};

class TPropRefList {
public:
    TPropRefList() = default;
    TPropRefList(const TPropRefList&) = delete;
    TPropRefList& operator=(const TPropRefList&) = delete;

    // The entries point at their properties: apply or clear them before any
    // of those properties goes away.
    void AddDeferred(TCustomProp* prop, std::string subName, TPropValue value);
    int Count() const { return static_cast<int>(items_.size()); }
    bool RegisterId(int32_t oldId, int32_t newId);
    int32_t TranslateId(int32_t id) const;
    // Applies and removes the entries, from the last to the first.
    void Apply();
    void Clear();

private:
    struct TDeferred {
        TCustomProp* Prop;
        std::string SubName;
        TPropValue Value;
    };
    std::vector<TDeferred> items_;
    TIdPool keptIds_;
    std::vector<std::pair<int32_t, int32_t>> idPairs_;
};

} // namespace kest
