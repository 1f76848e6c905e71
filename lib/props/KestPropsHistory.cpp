#include "KestPropsHistory.h"

#include "KestError.h"
#include "KestFiler.h"
#include "KestPropsBase.h"
#include "KestPropsList.h"
#include "KestUtils.h"

namespace kest {

namespace {

// The owner's identifier and the property's name: how a property action
// finds its source again.
std::pair<int32_t, std::string> PropSourceKey(const TCustomProp& prop)
{
    TPropList* list = prop.Owner();
    int32_t id = list && list->OnGetOwnerId ? list->OnGetOwnerId(list) : 0;
    return {id, prop.Name()};
}

} // namespace

const TKestClass* TIdHistoryAction::StaticClass()
{
    static const TKestClass info("TIdHistoryAction", THistoryStreamAction::StaticClass());
    return &info;
}

void TIdHistoryAction::BeginRecord(TKestObject* source)
{
    THistoryStreamAction::BeginRecord(source);
    if (sourceId_ == 0)
        SetState(hsIdle);
}

KEST_ACTION_CLASS_IMPL(TPropHistoryAction, TIdHistoryAction, nullptr)

void TPropHistoryAction::BeginRecord(TKestObject* source)
{
    auto* prop = dynamic_cast<TCustomProp*>(source);
    if (prop && SourceId() == 0) {
        auto [id, name] = PropSourceKey(*prop);
        SetSourceId(id);
        SetSourceName(std::move(name));
    }
    TIdHistoryAction::BeginRecord(source);
}

bool TPropHistoryAction::IsSameAction(const THistoryActionClass* cls, TKestObject* source)
{
    auto* prop = dynamic_cast<TCustomProp*>(source);
    if (cls != StaticClass() || !prop || SourceId() == 0)
        return false;
    auto [id, name] = PropSourceKey(*prop);
    return id == SourceId() && SameNameCI(name, SourceName());
}

void TPropHistoryAction::ProcessSource(TKestStream& stream, TKestObject* source, bool restore)
{
    auto* prop = dynamic_cast<TCustomProp*>(source);
    TPropList* list = prop ? prop->Owner() : nullptr;
    if (!list)
        throw EKestError("Property history action without a listed property");
    struct THistoryStateScope {
        TPropList& list;
        ~THistoryStateScope() { list.historyState_ = hsIdle; }
    } scope {*list};
    list->historyState_ = Owner().State();
    TKestFiler filer(stream);
    if (!restore) {
        list->SaveProperty(filer, prop, true, prop->Name(), {});
        return;
    }
    std::string line;
    if (filer.LoadStrCheck(line) || !line.empty())
        list->LoadProperty(filer, line);
}

KEST_ACTION_CLASS_IMPL(TPropHistoryGroup, THistoryGroup, nullptr)

TPropHistoryGroup::TPropHistoryGroup(THistory& owner, THistoryGroup* parent)
    : THistoryGroup(owner, parent)
{
    SetDestroyIfEmpty(true);
}

void RegisterPropHistoryActions()
{
    static const bool registered = [] {
        RegisterHistoryAction(TPropHistoryAction::StaticClass());
        RegisterHistoryAction(TPropHistoryGroup::StaticClass());
        return true;
    }();
    (void)registered;
}

} // namespace kest
