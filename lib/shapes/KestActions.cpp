#include "KestActions.h"

#include <algorithm>
#include <utility>

#include "KestBaseContainers.h"
#include "KestBaseControl.h"
#include "KestBasePanel.h"
#include "KestFiler.h"

namespace kest {

namespace {

TKestRect OffsetRect(const TKestRect& r, int32_t dx, int32_t dy)
{
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

// Histories ask every action of a group about each new recording, so the
// kind tests here go through the class information, which is a short walk
// up the parents, rather than the run-time type.
TKestControl* AsControl(TKestObject* source)
{
    return source && source->InheritsFrom(TKestControl::StaticClass()) ? static_cast<TKestControl*>(source) : nullptr;
}

// A control of a panel's document: the sources these actions can find again.
TKestControl* DocumentControl(TKestObject* source)
{
    TKestControl* control = AsControl(source);
    return control && control->Owner() && control->Owner()->InDocument(control) ? control : nullptr;
}

// Leaves the action's undo or redo state however the work ends.
class TStateScope {
public:
    TStateScope(THistoryAction& action, THistoryState state)
        : action_(action)
        , entered_(action.ChangeState(state))
    {
    }
    ~TStateScope()
    {
        if (entered_)
            action_.EndState();
    }
    TStateScope(const TStateScope&) = delete;
    TStateScope& operator=(const TStateScope&) = delete;
    explicit operator bool() const { return entered_; }

private:
    THistoryAction& action_;
    bool entered_;
};

bool IsDocRectRecordable(TKestObject* source, THistoryGroup* parent)
{
    TKestControl* control = DocumentControl(source);
    if (!control || (control->UpdateCounter() <= 0 && !control->HasState(csEndUpdate)))
        return false;
    for (int i = 0; parent && i < parent->Count(); ++i) {
        THistoryAction* item = parent->Item(i);
        if (item->InheritsFrom(TPointsHistoryAction::StaticClass())
            && static_cast<TPointsHistoryAction*>(item)->SourceId() == control->ID())
            return false;
    }
    return true;
}

bool IsControlRecordable(TKestObject* source, THistoryGroup*)
{
    return DocumentControl(source) != nullptr;
}

bool IsCreateDestroyRecordable(TKestObject* source, THistoryGroup* parent)
{
    if (!DocumentControl(source))
        return false;
    for (THistoryGroup* group = parent; group; group = group->Parent())
        if (dynamic_cast<TCreateDestroyHistoryGroup*>(group))
            return false;
    return true;
}

} // namespace

std::string CaptionName(const TKestControl* control)
{
    if (!control)
        return "<>";
    const std::string name = control->Name();
    return name.empty() ? "<" + std::string(control->ClassName()) + ">" : name;
}

// ---------------------------------------------------------------------------
// TControlHistoryAction

const TKestClass* TControlHistoryAction::StaticClass()
{
    static const TKestClass info("TControlHistoryAction", TIdHistoryAction::StaticClass());
    return &info;
}

bool TControlHistoryAction::IsSameAction(const THistoryActionClass* cls, TKestObject* source)
{
    if (cls != ClassType() || SourceId() == 0)
        return false;
    const TKestControl* control = AsControl(source);
    return control && control->ID() == SourceId();
}

// These actions keep their states in fields; the streams stay unused.
void TControlHistoryAction::ProcessSource(TKestStream&, TKestObject*, bool) { }

// ---------------------------------------------------------------------------
// TDocRectHistoryAction

KEST_ACTION_CLASS_IMPL(TDocRectHistoryAction, TControlHistoryAction, IsDocRectRecordable)

void TDocRectHistoryAction::GetCaption(TKestObject* source, std::string& caption)
{
    caption = "Change " + CaptionName(dynamic_cast<TKestControl*>(source)) + " size/position";
}

void TDocRectHistoryAction::ShiftUndoRect(int32_t dx, int32_t dy)
{
    undoRect_ = OffsetRect(undoRect_, dx, dy);
}

void TDocRectHistoryAction::Record(TKestObject* source)
{
    auto* control = dynamic_cast<TKestControl*>(source);
    if (State() != hsRecord || !control)
        return;
    undoRect_ = control->UpdateRect();
    undoValid_ = true;
    // No geometry yet: nothing worth restoring.
    if (undoRect_.Left == 0 && undoRect_.Top == 0 && undoRect_.Right < 2 && undoRect_.Bottom < 2)
        SetDiscard(true);
}

void TDocRectHistoryAction::Undo(TKestObject* source)
{
    auto* control = dynamic_cast<TKestControl*>(source);
    if (!undoValid_ || !control)
        return;
    TStateScope state(*this, hsUndo);
    if (!state)
        return;
    if (!redoValid_) {
        redoRect_ = control->DocRect();
        redoValid_ = true;
    }
    control->SetDocRect(undoRect_);
}

void TDocRectHistoryAction::Redo(TKestObject* source)
{
    auto* control = dynamic_cast<TKestControl*>(source);
    if (!redoValid_ || !control)
        return;
    TStateScope state(*this, hsRedo);
    if (state)
        control->SetDocRect(redoRect_);
}

// ---------------------------------------------------------------------------
// TPointsHistoryAction

KEST_ACTION_CLASS_IMPL(TPointsHistoryAction, TControlHistoryAction, IsControlRecordable)

void TPointsHistoryAction::GetCaption(TKestObject* source, std::string& caption)
{
    caption = "Change " + CaptionName(dynamic_cast<TKestControl*>(source)) + " points";
}

void TPointsHistoryAction::ShiftUndoRect(int32_t dx, int32_t dy)
{
    undoInfo_.Rect = OffsetRect(undoInfo_.Rect, dx, dy);
}

void TPointsHistoryAction::TakeUpdateRect(const TKestControl& control)
{
    if (!control.HasState(csResizing))
        undoInfo_.Rect = control.UpdateRect();
}

void TPointsHistoryAction::Capture(TInfo& info, const TKestControl& control)
{
    if (info.Valid)
        return;
    control.GetPathPoints(info.Points, info.Types);
    const TKestPoint origin = control.ResizeOrigin();
    info.Rect = control.HasState(csResizing) ? OffsetRect(control.ResizeRect(), origin.X, origin.Y) : control.DocRect();
    info.Valid = true;
}

void TPointsHistoryAction::Apply(const TInfo& info, TKestControl& control)
{
    control.SetDocRect(info.Rect);
    control.SetPathPoints(info.Points, info.Types);
}

void TPointsHistoryAction::Record(TKestObject* source)
{
    if (auto* control = dynamic_cast<TKestControl*>(source); control && State() == hsRecord)
        Capture(undoInfo_, *control);
}

void TPointsHistoryAction::Undo(TKestObject* source)
{
    auto* control = dynamic_cast<TKestControl*>(source);
    if (!undoInfo_.Valid || !control)
        return;
    TStateScope state(*this, hsUndo);
    if (!state)
        return;
    Capture(redoInfo_, *control);
    Apply(undoInfo_, *control);
}

void TPointsHistoryAction::Redo(TKestObject* source)
{
    auto* control = dynamic_cast<TKestControl*>(source);
    if (!redoInfo_.Valid || !control)
        return;
    TStateScope state(*this, hsRedo);
    if (state)
        Apply(redoInfo_, *control);
}

// ---------------------------------------------------------------------------
// TOrderHistoryAction

KEST_ACTION_CLASS_IMPL(TOrderHistoryAction, TControlHistoryAction, IsControlRecordable)

void TOrderHistoryAction::GetCaption(TKestObject* source, std::string& caption)
{
    caption = "Change " + CaptionName(dynamic_cast<TKestControl*>(source)) + " order";
}

void TOrderHistoryAction::Capture(TInfo& info, const TKestControl& control)
{
    const TKestControl* parent = control.Parent();
    info.Valid = true;
    info.ParentId = parent ? parent->ID() : 0;
    info.LayerId = control.Layer() ? control.Layer()->ID() : 0;
    info.Index = parent ? parent->IndexOf(&control) : -1;
}

// The current position is always looked up: after a move to another parent
// a remembered index would name a place in the wrong list.
void TOrderHistoryAction::Apply(const TInfo& info, TKestControl& control)
{
    TKestPanel* panel = control.Owner();
    if (!panel)
        return;
    TKestControl* parent = control.Parent();
    if ((parent ? parent->ID() : 0) != info.ParentId) {
        TKestControl* target = info.ParentId != 0 ? panel->FindControlById(info.ParentId) : nullptr;
        if (target)
            target->AddChild(&control);
        else if (parent)
            parent->RemoveChild(&control);
    }
    if ((control.Layer() ? control.Layer()->ID() : 0) != info.LayerId) {
        TKestControl* layer = info.LayerId != 0 ? panel->Layers()->FindById(info.LayerId) : nullptr;
        control.SetLayer(dynamic_cast<TKestLayer*>(layer));
    }
    if (TKestControl* now = control.Parent(); now && info.Index >= 0)
        now->ChangeOrder(now->IndexOf(&control), info.Index);
}

void TOrderHistoryAction::Record(TKestObject* source)
{
    if (auto* control = dynamic_cast<TKestControl*>(source); control && State() == hsRecord)
        Capture(undoInfo_, *control);
}

void TOrderHistoryAction::Undo(TKestObject* source)
{
    auto* control = dynamic_cast<TKestControl*>(source);
    if (!undoInfo_.Valid || !control)
        return;
    TStateScope state(*this, hsUndo);
    if (!state)
        return;
    Capture(redoInfo_, *control);
    Apply(undoInfo_, *control);
}

void TOrderHistoryAction::Redo(TKestObject* source)
{
    auto* control = dynamic_cast<TKestControl*>(source);
    if (!redoInfo_.Valid || !control)
        return;
    TStateScope state(*this, hsRedo);
    if (state)
        Apply(redoInfo_, *control);
}

// ---------------------------------------------------------------------------
// Grouping and ungrouping

const TKestClass* TGroupUngroupHistoryAction::StaticClass()
{
    static const TKestClass info("TGroupUngroupHistoryAction", TIdHistoryAction::StaticClass());
    return &info;
}

void TGroupUngroupHistoryAction::Record(TKestObject* source)
{
    auto* group = dynamic_cast<TKestControl*>(source);
    if (State() != hsRecord || !group || !group->IsContainerGroup() || !group->Owner())
        return;
    panel_ = group->Owner();
    groupClass_ = group->ControlClass();
    SetSourceId(group->ID());
    memberIds_.clear();
    for (int i = 0; i < group->Count(); ++i)
        memberIds_.push_back(group->Controls(i)->ID());
    TKestMemoryStream stream;
    {
        TKestFiler filer(stream);
        group->Props().SaveToFiler(filer, "", false);
    }
    groupProps_ = stream.Text();
    groupName_ = group->Name();
}

// The state lives in fields; the streams stay unused.
void TGroupUngroupHistoryAction::ProcessSource(TKestStream&, TKestObject*, bool) { }

bool TGroupUngroupHistoryAction::IsOwnGroup(TKestObject* source) const
{
    auto* control = dynamic_cast<TKestControl*>(source);
    return panel_ && control && control->Owner() == panel_ && control->IsContainerGroup();
}

void TGroupUngroupHistoryAction::Dissolve(TKestObject* source)
{
    if (!IsOwnGroup(source))
        return;
    auto* group = static_cast<TKestControl*>(source);
    TKestControl* parent = group->Parent();
    panel_->UnselectAll();
    panel_->Select(group);
    panel_->Ungroup();
    if (!parent || memberIndexes_.size() != memberIds_.size())
        return;
    std::vector<std::pair<int32_t, TKestControl*>> places;
    for (size_t i = 0; i < memberIds_.size(); ++i)
        if (TKestControl* member = panel_->FindControlById(memberIds_[i]); member && member->Parent() == parent)
            places.emplace_back(memberIndexes_[i], member);
    std::sort(places.begin(), places.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [index, member] : places)
        parent->ChangeOrder(parent->IndexOf(member), index);
}

void TGroupUngroupHistoryAction::Reform(TKestObject*)
{
    if (!panel_)
        return;
    panel_->UnselectAll();
    for (int32_t id : memberIds_)
        if (TKestControl* member = panel_->FindControlById(id))
            panel_->Select(member);
    if (!panel_->Group(groupClass_) || !panel_->LastGroup())
        return;
    TKestControl* group = panel_->LastGroup();
    group->SetID(SourceId());
    group->SetName(groupName_);
    TKestMemoryStream stream(groupProps_.data(), groupProps_.size());
    TKestFiler filer(stream);
    std::string line;
    while (filer.LoadStrCheck(line))
        group->Props().LoadProperty(filer, line);
}

KEST_ACTION_CLASS_IMPL(TControlGroupHistoryAction, TGroupUngroupHistoryAction, nullptr)

void TControlGroupHistoryAction::GetCaption(TKestObject*, std::string& caption)
{
    caption = "Group controls";
}

void TControlGroupHistoryAction::Undo(TKestObject* source)
{
    if (TStateScope state(*this, hsUndo); state)
        Dissolve(source);
}

void TControlGroupHistoryAction::Redo(TKestObject* source)
{
    if (TStateScope state(*this, hsRedo); state)
        Reform(source);
}

KEST_ACTION_CLASS_IMPL(TControlUngroupHistoryAction, TGroupUngroupHistoryAction, nullptr)

void TControlUngroupHistoryAction::GetCaption(TKestObject*, std::string& caption)
{
    caption = "Ungroup control";
}

void TControlUngroupHistoryAction::Undo(TKestObject* source)
{
    if (TStateScope state(*this, hsUndo); state)
        Reform(source);
}

void TControlUngroupHistoryAction::Redo(TKestObject* source)
{
    if (TStateScope state(*this, hsRedo); state)
        Dissolve(source);
}

// ---------------------------------------------------------------------------
// Creation and deletion

const TKestClass* TCreateDestroyHistoryGroup::StaticClass()
{
    static const TKestClass info("TCreateDestroyHistoryGroup", THistoryGroup::StaticClass());
    return &info;
}

void TCreateDestroyHistoryGroup::CaptureInfo(const TKestControl& control)
{
    const TKestControl* parent = control.Parent();
    panel_ = control.Owner();
    controlId_ = control.ID();
    parentId_ = parent ? parent->ID() : 0;
    index_ = parent ? parent->IndexOf(&control) : -1;
}

void TCreateDestroyHistoryGroup::Save(TKestControl& control)
{
    if (stream_)
        stream_->Clear();
    else
        stream_ = std::make_unique<TKestMemoryStream>();
    TKestFiler filer(*stream_);
    control.SaveToFiler(filer, "");
}

void TCreateDestroyHistoryGroup::Restore()
{
    if (!stream_ || !panel_)
        return;
    stream_->Seek(0);
    TKestFiler filer(*stream_);
    TKestControl* parent = parentId_ != 0 ? panel_->FindControlById(parentId_) : nullptr;
    std::string line;
    if (!filer.LoadStrCheck(line) && line.empty())
        return;
    TKestControl* control = panel_->LoadControl(filer, parent, line, true);
    if (control && parent && index_ >= 0)
        parent->ChangeOrder(parent->IndexOf(control), index_);
}

void TCreateDestroyHistoryGroup::DestroyControl(TKestObject* source)
{
    if (auto* control = dynamic_cast<TKestControl*>(source))
        control->Free();
}

KEST_ACTION_CLASS_IMPL(TControlCreateHistoryGroup, TCreateDestroyHistoryGroup, IsCreateDestroyRecordable)

void TControlCreateHistoryGroup::GetCaption(TKestObject* source, std::string& caption)
{
    caption = "Create " + CaptionName(dynamic_cast<TKestControl*>(source)) + " control";
}

void TControlCreateHistoryGroup::Record(TKestObject* source)
{
    if (auto* control = dynamic_cast<TKestControl*>(source))
        CaptureInfo(*control);
}

void TControlCreateHistoryGroup::Undo(TKestObject* source)
{
    THistoryGroup::Undo(source);
    auto* control = Panel() && ControlId() != 0 ? Panel()->FindControlById(ControlId()) : nullptr;
    if (!control)
        return;
    Save(*control);
    DestroyControl(control);
}

void TControlCreateHistoryGroup::Redo(TKestObject* source)
{
    Restore();
    THistoryGroup::Redo(source);
}

KEST_ACTION_CLASS_IMPL(TControlDestroyHistoryGroup, TCreateDestroyHistoryGroup, IsCreateDestroyRecordable)

void TControlDestroyHistoryGroup::GetCaption(TKestObject* source, std::string& caption)
{
    caption = "Destroy " + CaptionName(dynamic_cast<TKestControl*>(source)) + " control";
}

void TControlDestroyHistoryGroup::Record(TKestObject* source)
{
    if (auto* control = dynamic_cast<TKestControl*>(source)) {
        CaptureInfo(*control);
        Save(*control);
    }
}

void TControlDestroyHistoryGroup::Undo(TKestObject* source)
{
    Restore();
    THistoryGroup::Undo(source);
}

void TControlDestroyHistoryGroup::Redo(TKestObject* source)
{
    THistoryGroup::Redo(source);
    DestroyControl(Panel() && ControlId() != 0 ? Panel()->FindControlById(ControlId()) : nullptr);
}

// ---------------------------------------------------------------------------
// Panel groups

const TKestClass* TKestPanelHistoryGroup::StaticClass()
{
    static const TKestClass info("TKestPanelHistoryGroup", THistoryGroup::StaticClass());
    return &info;
}

TKestPanelHistoryGroup::TKestPanelHistoryGroup(THistory& owner, THistoryGroup* parent)
    : THistoryGroup(owner, parent)
{
    SetDestroyIfEmpty(true);
}

void TKestPanelHistoryGroup::BeginRecord(TKestObject* source)
{
    panel_ = dynamic_cast<TKestPanel*>(source);
    THistoryGroup::BeginRecord(source);
}

#define KEST_PANEL_GROUP_IMPL(Name, Text)                                                                              \
    KEST_ACTION_CLASS_IMPL(Name, TKestPanelHistoryGroup, nullptr)                                                      \
    void Name::GetCaption(TKestObject*, std::string& caption)                                                          \
    {                                                                                                                  \
        caption = Text;                                                                                                \
    }

KEST_PANEL_GROUP_IMPL(TPanelSizeMoveHistoryGroup, "Size/move control(s)")
KEST_PANEL_GROUP_IMPL(TPanelAlignHistoryGroup, "Align control(s)")
KEST_PANEL_GROUP_IMPL(TPanelCreateControlsHistoryGroup, "Create control(s)")
KEST_PANEL_GROUP_IMPL(TPanelDestroyControlsHistoryGroup, "Delete control(s)")
KEST_PANEL_GROUP_IMPL(TPanelUngroupControlsHistoryGroup, "Ungroup control(s)")
KEST_PANEL_GROUP_IMPL(TPanelDuplicateHistoryGroup, "Duplicate control(s)")
KEST_PANEL_GROUP_IMPL(TPanelCloneHistoryGroup, "Clone control(s)")
KEST_PANEL_GROUP_IMPL(TPanelOrderHistoryGroup, "Change control(s) order")
KEST_PANEL_GROUP_IMPL(TPanelPointsHistoryGroup, "Change control(s) points")
KEST_PANEL_GROUP_IMPL(TPanelRerouteHistoryGroup, "Reroute control(s)")
KEST_PANEL_GROUP_IMPL(TPanelColorHistoryGroup, "Change control(s) color")
KEST_PANEL_GROUP_IMPL(TPanelPropsHistoryGroup, "Change control(s) properties")

#undef KEST_PANEL_GROUP_IMPL

void RegisterKestActions()
{
    for (const THistoryActionClass* cls :
        {TDocRectHistoryAction::StaticClass(), TOrderHistoryAction::StaticClass(), TPointsHistoryAction::StaticClass(),
            TControlCreateHistoryGroup::StaticClass(), TControlDestroyHistoryGroup::StaticClass(),
            TControlGroupHistoryAction::StaticClass(), TControlUngroupHistoryAction::StaticClass(),
            TPanelSizeMoveHistoryGroup::StaticClass(), TPanelAlignHistoryGroup::StaticClass(),
            TPanelCreateControlsHistoryGroup::StaticClass(), TPanelDestroyControlsHistoryGroup::StaticClass(),
            TPanelUngroupControlsHistoryGroup::StaticClass(), TPanelDuplicateHistoryGroup::StaticClass(),
            TPanelCloneHistoryGroup::StaticClass(), TPanelOrderHistoryGroup::StaticClass(),
            TPanelPointsHistoryGroup::StaticClass(), TPanelRerouteHistoryGroup::StaticClass(),
            TPanelColorHistoryGroup::StaticClass(), TPanelPropsHistoryGroup::StaticClass()})
        RegisterHistoryAction(cls);
}

} // namespace kest
