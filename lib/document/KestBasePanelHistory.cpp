// TKestPanelHistory: the panel's undo history. Actions name their sources by
// identifier, so an action survives its object being deleted and created
// again; this history turns the identifiers back into objects.
#include "KestActions.h"
#include "KestBaseLinks.h"
#include "KestBasePanel.h"

namespace kest {

namespace {

TKestControl* PropOwnerControl(const TCustomProp* prop)
{
    const TPropList* list = prop ? prop->Owner() : nullptr;
    return list ? dynamic_cast<TKestControl*>(list->Owner()) : nullptr;
}

// Brackets undo and redo with a selection update, whatever happens inside.
class TSelectionScope {
public:
    explicit TSelectionScope(TKestPanel& panel)
        : panel_(panel)
    {
        panel_.BeginSelectionUpdate();
    }
    ~TSelectionScope() { panel_.EndSelectionUpdate(); }
    TSelectionScope(const TSelectionScope&) = delete;
    TSelectionScope& operator=(const TSelectionScope&) = delete;

private:
    TKestPanel& panel_;
};

} // namespace

KEST_CLASS_IMPL(TKestPanelHistory, THistory)

TKestPanelHistory::TKestPanelHistory(TKestPanel& panel)
    : THistory(&panel)
    , panel_(panel)
{
}

bool TKestPanelHistory::BeginPanelGroup(const THistoryActionClass* cls)
{
    return Recording() && BeginAction(cls, &panel_, false) != nullptr;
}

bool TKestPanelHistory::EndPanelGroup(const THistoryActionClass* cls)
{
    THistoryGroup* group = CurrentGroup();
    return group && group->ClassType() == cls && EndAction();
}

void TKestPanelHistory::DoChange()
{
    if (!panel_.Destroying())
        THistory::DoChange();
}

TKestObject* TKestPanelHistory::GetActionSource(THistoryAction* action, bool& found)
{
    TKestObject* source = nullptr;
    found = true;
    if (dynamic_cast<TKestPanelHistoryGroup*>(action)) {
        source = &panel_;
    } else if (auto* group = dynamic_cast<TCreateDestroyHistoryGroup*>(action)) {
        source = panel_.FindControlById(group->ControlId());
    } else if (auto* grouping = dynamic_cast<TGroupUngroupHistoryAction*>(action)) {
        source = panel_.FindControlById(grouping->SourceId());
    } else if (auto* prop = dynamic_cast<TPropHistoryAction*>(action)) {
        TKestControl* control = panel_.FindControlById(prop->SourceId());
        source = control ? control->Props().PropByName(prop->SourceName()) : nullptr;
        found = source != nullptr;
    } else if (auto* idAction = dynamic_cast<TIdHistoryAction*>(action)) {
        source = panel_.FindControlById(idAction->SourceId());
        found = source != nullptr;
    } else {
        found = dynamic_cast<THistoryGroup*>(action) != nullptr;
    }
    if (OnGetActionSource)
        OnGetActionSource(this, action, found, source);
    return source;
}

void TKestPanelHistory::SetActionSource(THistoryAction* action, TKestObject* source)
{
    if (auto* idAction = dynamic_cast<TIdHistoryAction*>(action)) {
        if (auto* prop = dynamic_cast<TCustomProp*>(source)) {
            TKestControl* control = PropOwnerControl(prop);
            idAction->SetSourceId(control ? control->ID() : 0);
            idAction->SetSourceName(prop->Name());
        } else if (auto* control = dynamic_cast<TKestControl*>(source)) {
            idAction->SetSourceId(control->ID());
            idAction->SetSourceName(control->Name());
        }
    }
    THistory::SetActionSource(action, source);
}

std::string TKestPanelHistory::GetActionCaption(THistoryAction* action, TKestObject* source)
{
    std::string caption;
    action->GetCaption(source, caption);
    if (caption.empty() && dynamic_cast<TPropHistoryAction*>(action)) {
        auto* prop = dynamic_cast<TCustomProp*>(source);
        TKestControl* control = PropOwnerControl(prop);
        caption = control ? "Change " + CaptionName(control) + "." + prop->Name() + " property"
                          : "Change control(s) properties";
    }
    if (OnGetActionCaption)
        OnGetActionCaption(this, action, caption, source);
    return caption;
}

// Creation and destruction record the object whole, loading restores it,
// and inside an update the size/move action records the rectangle: the
// single changes of such objects are not worth recording.
bool TKestPanelHistory::IsRecordable(const THistoryActionClass*& cls, TKestObject*& source, THistoryGroup* parent)
{
    if (!THistory::IsRecordable(cls, source, parent))
        return false;
    if (!InheritsFromClass(cls, TIdHistoryAction::StaticClass()))
        return true;
    auto* prop = dynamic_cast<TCustomProp*>(source);
    TKestControl* control = prop ? PropOwnerControl(prop) : dynamic_cast<TKestControl*>(source);
    if (!control)
        return true;
    if (control->HasState(csCreating) || control->HasState(csDestroying))
        return false;
    if (prop && InheritsFromClass(cls, TPropHistoryAction::StaticClass())) {
        if (control->HasState(csLoading))
            return false;
        if (control->UpdateCounter() > 0 && control->IsGeometryProp(prop))
            return false;
    }
    return true;
}

bool TKestPanelHistory::Undo()
{
    TSelectionScope scope(panel_);
    return THistory::Undo();
}

bool TKestPanelHistory::Redo()
{
    TSelectionScope scope(panel_);
    return THistory::Redo();
}

} // namespace kest
