#include "KestPropsList.h"

#include <algorithm>

#include "KestError.h"
#include "KestPropsHistory.h"
#include "KestUtils.h"

namespace kest {

namespace {

// Document keywords; a property of one of these names would read back as a
// block line.
constexpr std::string_view kReservedNames[]
    = {"document", "clipboard", "library", "object", "property", "end", "kestbinary"};

bool IsReservedName(std::string_view name)
{
    return std::any_of(std::begin(kReservedNames), std::end(kReservedNames),
        [&](std::string_view reserved) { return SameNameCI(reserved, name); });
}

} // namespace

KEST_CLASS_IMPL(TPropList, TKestObject)

TPropList::TPropList(TKestObject* owner)
    : owner_(owner)
{
    RegisterPropHistoryActions();
}

TPropList::~TPropList()
{
    if (notifyLink_)
        notifyLink_->DestroyNotify();
    Clear();
}

TCustomProp* TPropList::Insert(std::unique_ptr<TCustomProp> prop, std::string_view name)
{
    return InsertOwned(TPropPtr(prop.release()), name);
}

TCustomProp* TPropList::InsertOwned(TPropPtr prop, std::string_view name)
{
    // Formatted only when thrown: every property of every control passes here.
    const auto refuse = [name] { throw EKestError(FormatMessage("Property %s already exist", std::string(name))); };
    // A property that belongs somewhere already stays with its owner (a
    // listed property always has one).
    if (prop && (prop->owner_ || prop->parentProp_)) {
        (void)prop.release();
        refuse();
    }
    auto [pos, found] = creating_ ? std::pair {items_.size(), false} : Locate(name);
    if (!prop || found || IsReservedName(name))
        refuse();
    char* text = static_cast<char*>(TakeReserved(name.size(), 1));
    const bool nameInPlace = text != nullptr;
    if (!nameInPlace)
        text = new char[name.size()];
    std::copy(name.begin(), name.end(), text);
    const TEntry entry {{text, name.size()}, prop.get(), prop.get_deleter().InPlace, nameInPlace};
    try {
        items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(pos), entry);
    } catch (...) {
        if (!nameInPlace)
            delete[] text;
        throw;
    }
    prop->owner_ = this;
    prop->AfterConstruction();
    return prop.release();
}

void TPropList::Destroy(const TEntry& entry)
{
    TPropPtr(entry.Prop, TPropDeleter {entry.PropInPlace}).reset();
    if (!entry.NameInPlace)
        delete[] entry.Name.data();
}

void TPropList::Reserve(int count, size_t bytes)
{
    if (count > 0)
        items_.reserve(static_cast<size_t>(count));
    if (!reserved_ && bytes > 0) {
        reserved_ = std::make_unique_for_overwrite<std::byte[]>(bytes);
        reservedSize_ = bytes;
    }
}

void* TPropList::TakeReserved(size_t size, size_t align)
{
    // Counted as the block would place it, so that a count taken from one
    // list reserves exactly enough for the next of the same kind.
    const size_t step = (size + kReservedAlign - 1) / kReservedAlign * kReservedAlign;
    addedBytes_ += step;
    if (align > kReservedAlign || reservedUsed_ + step > reservedSize_)
        return nullptr;
    void* place = reserved_.get() + reservedUsed_;
    reservedUsed_ += step;
    return place;
}

void TPropOrder::Learn(std::vector<uint16_t> order)
{
    auto learned = std::make_unique<const std::vector<uint16_t>>(std::move(order));
    const std::vector<uint16_t>* none = nullptr;
    if (known_.compare_exchange_strong(none, learned.get(), std::memory_order_acq_rel))
        (void)learned.release();
}

void TPropList::BeginCreation()
{
    creating_ = items_.empty();
}

void TPropList::EndCreation(TPropOrder* order)
{
    if (!creating_)
        return;
    creating_ = false;
    const std::vector<uint16_t>* known = order ? order->Known() : nullptr;
    const size_t count = items_.size();
    if (known && known->size() == count) {
        thread_local std::vector<TEntry> added;
        added.assign(items_.begin(), items_.end());
        for (size_t k = 0; k < count; ++k)
            items_[(*known)[k]] = added[k];
        // Strictly ascending means sorted without a name twice: the additions
        // were the same as those the order was learned from.
        bool sorted = true;
        for (size_t i = 1; i < count && sorted; ++i)
            sorted = CompareTextCI(items_[i - 1].Name, items_[i].Name) < 0;
        if (sorted)
            return;
        std::copy(added.begin(), added.end(), items_.begin());
    }
    SortCreated(order);
}

void TPropList::SortCreated(TPropOrder* order)
{
    const size_t count = items_.size();
    std::vector<size_t> byName(count);
    for (size_t k = 0; k < count; ++k)
        byName[k] = k;
    std::stable_sort(byName.begin(), byName.end(),
        [&](size_t a, size_t b) { return CompareTextCI(items_[a].Name, items_[b].Name) < 0; });
    std::vector<TEntry> sorted(count);
    for (size_t i = 0; i < count; ++i)
        sorted[i] = items_[byName[i]];
    // The later of two equal names goes, as Add would have refused it; the
    // stable sort put it second.
    for (size_t i = 1; i < count; ++i) {
        if (CompareTextCI(sorted[i - 1].Name, sorted[i].Name) == 0) {
            const TEntry later = sorted[i];
            const std::string name(later.Name);
            sorted.erase(sorted.begin() + static_cast<std::ptrdiff_t>(i));
            items_.assign(sorted.begin(), sorted.end());
            Destroy(later);
            throw EKestError(FormatMessage("Property %s already exist", name));
        }
    }
    std::copy(sorted.begin(), sorted.end(), items_.begin());
    if (!order || count > UINT16_MAX)
        return;
    std::vector<uint16_t> position(count);
    for (size_t i = 0; i < count; ++i)
        position[byName[i]] = static_cast<uint16_t>(i);
    order->Learn(std::move(position));
}

std::pair<size_t, bool> TPropList::Locate(std::string_view name) const
{
    if (creating_) {
        const auto it
            = std::find_if(items_.begin(), items_.end(), [&](const TEntry& e) { return SameNameCI(e.Name, name); });
        return {static_cast<size_t>(it - items_.begin()), it != items_.end()};
    }
    auto it = std::lower_bound(items_.begin(), items_.end(), name,
        [](const TEntry& e, std::string_view n) { return CompareTextCI(e.Name, n) < 0; });
    size_t pos = static_cast<size_t>(it - items_.begin());
    return {pos, it != items_.end() && CompareTextCI(it->Name, name) == 0};
}

TCustomProp* TPropList::PropByName(std::string_view name) const
{
    // Documents list properties in name order, so the one after the last
    // found is the likely next one.
    const size_t next = lastFound_ + 1;
    if (next < items_.size() && SameNameCI(items_[next].Name, name)) {
        lastFound_ = next;
        return items_[next].Prop;
    }
    auto [pos, found] = Locate(name);
    if (!found)
        return nullptr;
    lastFound_ = pos;
    return items_[pos].Prop;
}

int TPropList::IndexOf(const TCustomProp* prop) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].Prop == prop)
            return static_cast<int>(i);
    return -1;
}

void TPropList::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw EKestError("Property index out of bounds (" + std::to_string(index) + ")");
    // Out of the list first, so that the property's destruction notices
    // never find it listed.
    const TEntry entry = items_[index];
    items_.erase(items_.begin() + index);
    Destroy(entry);
}

void TPropList::Clear()
{
    while (!items_.empty())
        Delete(Count() - 1);
}

TNotifyLink* TPropList::NotifyLink()
{
    if (!notifyLink_)
        notifyLink_ = std::make_unique<TNotifyLink>(this);
    return notifyLink_.get();
}

bool TPropList::IsReadOnlyProp(const TCustomProp* prop)
{
    if (assigning_ && (historyState_ == hsUndo || historyState_ == hsRedo) && undoReadOnly_ && history_)
        return false;
    bool readOnly = prop->HasStyle(psReadOnly);
    if (!readOnly && OnPropReadOnly)
        OnPropReadOnly(this, const_cast<TCustomProp*>(prop), readOnly);
    return readOnly;
}

void TPropList::BeginLoading()
{
    if (mode_ == pmSaving)
        throw EKestError("Can't switch to loading mode");
    mode_ = pmLoading;
    ++modeDepth_;
}

void TPropList::BeginSaving()
{
    if (mode_ == pmLoading)
        throw EKestError("Can't switch to saving mode");
    mode_ = pmSaving;
    ++modeDepth_;
}

void TPropList::EndMode()
{
    if (modeDepth_ > 0 && --modeDepth_ == 0)
        mode_ = pmNone;
}

bool TPropList::RegisterIdChange(int32_t oldId, int32_t newId)
{
    return refList_ && refList_->RegisterId(oldId, newId);
}

void TPropList::PropBeforeChanged(TCustomProp* prop)
{
    if (history_ && !prop->NotHistory()) {
        const THistoryActionClass* actionClass = TPropHistoryAction::StaticClass();
        if (OnPropHistoryAction)
            OnPropHistoryAction(this, prop, actionClass);
        if (actionClass)
            history_->RecordAction(actionClass, prop);
    }
    if (OnPropBeforeChanged)
        OnPropBeforeChanged(this, prop);
    if (notifyLink_)
        notifyLink_->NotifyProp(prop, true);
}

void TPropList::PropChanged(TCustomProp* prop)
{
    if (OnPropChanged)
        OnPropChanged(this, prop);
    if (notifyLink_)
        notifyLink_->NotifyProp(prop, false);
}

void TPropList::Assign(TCustomProp& prop, const std::string& subName, const TPropValue& value)
{
    struct TAssigning {
        bool& flag;
        bool saved;
        explicit TAssigning(bool& f)
            : flag(f)
            , saved(f)
        {
            flag = true;
        }
        ~TAssigning() { flag = saved; }
    } assigning(assigning_);
    if (resolvingDepth_ == 0 && prop.HasStyle(psReference) && refList_)
        refList_->AddDeferred(&prop, subName, value);
    else
        prop.SetPropValue(subName, value);
}

void TPropRefList::AddDeferred(TCustomProp* prop, std::string subName, TPropValue value)
{
    if (prop)
        items_.push_back({prop, std::move(subName), std::move(value)});
}

bool TPropRefList::RegisterId(int32_t oldId, int32_t newId)
{
    if (oldId == 0 || newId == 0)
        return false;
    if (oldId == newId) {
        keptIds_.Use(oldId);
        return true;
    }
    if (std::any_of(idPairs_.begin(), idPairs_.end(), [&](const auto& pair) { return pair.first == oldId; }))
        return false;
    idPairs_.emplace_back(oldId, newId);
    return true;
}

int32_t TPropRefList::TranslateId(int32_t id) const
{
    if (keptIds_.Used(id))
        return id;
    for (const auto& [oldId, newId] : idPairs_)
        if (oldId == id)
            return newId;
    return 0;
}

void TPropRefList::Apply()
{
    while (!items_.empty()) {
        TDeferred item = std::move(items_.back());
        items_.pop_back();
        TPropList* list = item.Prop->Owner();
        if (!list) {
            item.Prop->SetPropValue(item.SubName, item.Value);
            continue;
        }
        struct TResolving {
            TPropList& list;
            TPropRefList* savedRefList;
            TResolving(TPropList& l, TPropRefList* refList)
                : list(l)
                , savedRefList(l.refList_)
            {
                ++list.resolvingDepth_;
                list.refList_ = refList;
            }
            ~TResolving()
            {
                --list.resolvingDepth_;
                list.refList_ = savedRefList;
            }
        } resolving(*list, this);
        item.Prop->SetPropValue(item.SubName, item.Value);
    }
}

void TPropRefList::Clear()
{
    items_.clear();
    keptIds_.Clear();
    idPairs_.clear();
}

} // namespace kest
