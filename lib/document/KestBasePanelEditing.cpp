// TKestPanel, the model side of editing: the selection, creating, deleting,
// moving, translating, grouping and ungrouping controls, and the drag object.
#include <QGuiApplication>
#include <algorithm>
#include <cmath>

#include "KestActions.h"
#include "KestBasePanel.h"
#include "KestError.h"

namespace kest {

namespace {

TKestRect UnionRect(const TKestRect& a, const TKestRect& b)
{
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right), std::max(a.Bottom, b.Bottom)};
}

bool IsSchemeChild(const TKestControl* control)
{
    return dynamic_cast<const TKestCustomScheme*>(control->Parent()) != nullptr;
}

// Realignment of a group parent waits until the work inside it is done.
class TOperationScope {
public:
    explicit TOperationScope(TKestControl* control)
        : control_(dynamic_cast<TKestGroup*>(control))
    {
        if (control_)
            control_->BeginOperation();
    }
    ~TOperationScope()
    {
        if (control_)
            control_->EndOperation();
    }
    TOperationScope(const TOperationScope&) = delete;
    TOperationScope& operator=(const TOperationScope&) = delete;

private:
    TKestGroup* control_;
};

class TRecordingOff {
public:
    explicit TRecordingOff(TKestPanelHistory& history)
        : history_(history)
    {
        history_.DisableRecording();
    }
    ~TRecordingOff() { history_.EnableRecording(); }
    TRecordingOff(const TRecordingOff&) = delete;
    TRecordingOff& operator=(const TRecordingOff&) = delete;

private:
    TKestPanelHistory& history_;
};

class TSelectionUpdate {
public:
    TSelectionUpdate(TKestPanel& panel, bool notifyControls, const THistoryActionClass* groupClass)
        : panel_(panel)
        , notify_(notifyControls)
        , groupClass_(groupClass)
    {
        panel_.BeginSelectionUpdate(notify_, groupClass_);
    }
    ~TSelectionUpdate() { panel_.EndSelectionUpdate(notify_, groupClass_); }
    TSelectionUpdate(const TSelectionUpdate&) = delete;
    TSelectionUpdate& operator=(const TSelectionUpdate&) = delete;

private:
    TKestPanel& panel_;
    bool notify_;
    const THistoryActionClass* groupClass_;
};

} // namespace

// ---------------------------------------------------------------------------
// Selection

bool TKestPanel::Select(TKestControl* control)
{
    if (!control || control->Owner() != this || IsSelected(control) || !control->IsSelectable())
        return false;
    auto* scheme = dynamic_cast<TKestCustomScheme*>(control->Parent());
    if (!scheme || scheme->Parent() != schemes_)
        return false;
    selected_.push_back(control);
    DoNotify(control, knSelection);
    return true;
}

bool TKestPanel::Unselect(TKestControl* control)
{
    auto it = std::find(selected_.begin(), selected_.end(), control);
    if (it == selected_.end())
        return false;
    selected_.erase(it);
    DoNotify(control, knSelection);
    if ((toolMode_ >= tmMove && toolMode_ <= tmEditPoints) || toolMode_ == tmCreating)
        SetToolMode(baseToolMode_);
    return true;
}

void TKestPanel::UnselectAll()
{
    TSelectionUpdate update(*this, false, nullptr);
    while (!selected_.empty())
        Unselect(selected_.back());
}

bool TKestPanel::IsSelected(const TKestControl* control) const
{
    return std::find(selected_.begin(), selected_.end(), control) != selected_.end();
}

void TKestPanel::RefreshSelection()
{
    if (selectionUpdateCounter_ > 0) {
        selectionChanged_ = true;
        return;
    }
    TKestRect rect;
    for (size_t i = 0; i < selected_.size(); ++i)
        rect = i == 0 ? selected_[i]->DocRect() : UnionRect(rect, selected_[i]->DocRect());
    const TKestRect oldRect = selectionRect_;
    selectionRect_ = rect;
    if (!destroying_)
        UpdateSelectionDisplay(oldRect);
}

void TKestPanel::BeginSelectionUpdate(bool notifyControls, const THistoryActionClass* historyGroupClass)
{
    TSelectionLevel level;
    level.GroupOpened = historyGroupClass && history_->BeginPanelGroup(historyGroupClass);
    if (notifyControls) {
        level.Controls = selected_;
        for (TKestControl* control : level.Controls)
            control->BeginUpdate();
    }
    selectionLevels_.push_back(std::move(level));
    if (selectionUpdateCounter_++ == 0) {
        selectionChanged_ = false;
        if (OnBeginSelectionUpdate)
            OnBeginSelectionUpdate(this);
    }
}

void TKestPanel::EndSelectionUpdate(bool, const THistoryActionClass* historyGroupClass)
{
    if (selectionLevels_.empty())
        return;
    TSelectionLevel level = std::move(selectionLevels_.back());
    selectionLevels_.pop_back();
    // A control that went away meanwhile was taken off the level.
    for (TKestControl* control : level.Controls)
        control->EndUpdate();
    if (--selectionUpdateCounter_ == 0) {
        if (selectionChanged_) {
            selectionChanged_ = false;
            RefreshSelection();
        }
        if (OnEndSelectionUpdate)
            OnEndSelectionUpdate(this);
    }
    if (level.GroupOpened)
        history_->EndPanelGroup(historyGroupClass);
}

// ---------------------------------------------------------------------------
// Editing operations

TKestControl* TKestPanel::CreateControl(const TKestControlClass* controlClass, int32_t left, int32_t top, bool snap,
    TKestLayer* layer, TKestCustomScheme* scheme, int32_t width, int32_t height)
{
    if (!scheme)
        scheme = activeScheme_;
    if (!layer)
        layer = activeLayer_;
    if (!scheme)
        throw EKestError("Scheme must exist");
    if (!layer)
        throw EKestError("Layer must exist");
    if (!layer->Visible() || !layer->Selectable() || layer->IsReadOnly() || !layer->IsMoveable())
        throw EKestError("Can't create control on invisible or disabled layer");
    const bool opened
        = !history_->CurrentGroup() && history_->BeginPanelGroup(TPanelCreateControlsHistoryGroup::StaticClass());
    struct TGroupScope {
        TKestPanelHistory& history;
        bool opened;
        ~TGroupScope()
        {
            if (opened)
                history.EndPanelGroup(TPanelCreateControlsHistoryGroup::StaticClass());
        }
    } group {*history_, opened};
    TKestControl* control = controlClass->Create(this, scheme, layer);
    TKestRect rect {
        left, top, left + (width != 0 ? width : control->Width()), top + (height != 0 ? height : control->Height())};
    if (snap && grid_->SnapToGrid()) {
        TKestPoint delta;
        grid_->DoSnap(rect, delta);
        rect = {rect.Left + delta.X, rect.Top + delta.Y, rect.Right + delta.X, rect.Bottom + delta.Y};
    }
    if (OnControlCreate)
        OnControlCreate(this, control, rect);
    control->SetDocRect(rect);
    return control;
}

void TKestPanel::DeleteSelected()
{
    TSelectionUpdate update(*this, false, TPanelDestroyControlsHistoryGroup::StaticClass());
    while (!selected_.empty())
        selected_.back()->Free();
}

void TKestPanel::MoveSelected(int32_t dx, int32_t dy)
{
    if ((dx == 0 && dy == 0) || selected_.empty())
        return;
    // A drag records its own group.
    const bool dragging = toolMode_ == tmMoving || toolMode_ == tmResizing || toolMode_ == tmControlResizing;
    TSelectionUpdate update(*this, true, dragging ? nullptr : TPanelSizeMoveHistoryGroup::StaticClass());
    for (TKestControl* control : std::vector<TKestControl*>(selected_)) {
        if (!IsSchemeChild(control))
            continue;
        control->BeginUpdate();
        control->SetLeft(control->Left() + dx);
        control->SetTop(control->Top() + dy);
        control->EndUpdate();
    }
}

void TKestPanel::TranslateSelected(const TTranslateInfo& info)
{
    TTranslateInfo turn = info;
    // To quarter turns, halves to even.
    turn.Rotate = static_cast<int32_t>(std::nearbyint((info.Rotate % 360) / 90.0)) * 90;
    TSelectionUpdate update(*this, false, TPanelSizeMoveHistoryGroup::StaticClass());
    for (TKestControl* control : std::vector<TKestControl*>(selected_))
        if (!(control->Layer() && control->Layer()->IsReadOnly()))
            control->Translate(turn);
}

bool TKestPanel::Group(const TKestControlClass* groupClass)
{
    if (!groupClass)
        groupClass = TKestGroup::StaticClass();
    if (selected_.size() < 2 || !groupClass->InheritsFrom(TKestGroup::StaticClass()))
        return false;
    TKestControl* parent = selected_.front()->Parent();
    TKestLayer* layer = selected_.front()->Layer();
    if (!parent || !layer || layer->IsReadOnly())
        return false;
    int maxIndex = -1;
    TKestRect rect = selected_.front()->DocRect();
    for (TKestControl* control : selected_) {
        if (control->Parent() != parent || control->Layer() != layer)
            return false;
        maxIndex = std::max(maxIndex, parent->IndexOf(control));
        rect = UnionRect(rect, control->DocRect());
    }
    std::vector<TKestControl*> members;
    std::vector<int32_t> places;
    for (int i = 0; i < parent->Count(); ++i) {
        TKestControl* control = parent->Controls(i);
        if (IsSelected(control) && !control->IsConnectorKind()) {
            members.push_back(control);
            places.push_back(i);
        }
    }
    if (members.size() < 2)
        return false;

    TKestGroup* group = nullptr;
    {
        TRecordingOff recordingOff(*history_);
        TSelectionUpdate update(*this, false, nullptr);
        TOperationScope parentOperation(parent);
        group = static_cast<TKestGroup*>(groupClass->Create(this, parent, layer));
        parent->ChangeOrder(parent->IndexOf(group), maxIndex);
        group->SetDocRect(rect);
        Select(group);
        {
            TOperationScope operation(group);
            for (TKestControl* member : members) {
                // Both are children of the parent: the member's place relative to the group.
                const int32_t left = member->Left() - group->Left(), top = member->Top() - group->Top();
                member->BeginUpdate();
                group->AddChild(member);
                member->SetLeft(left);
                member->SetTop(top);
                member->EndUpdate();
            }
        }
        group->FitToChildren();
    }
    if (auto* action = dynamic_cast<TControlGroupHistoryAction*>(
            history_->RecordAction(TControlGroupHistoryAction::StaticClass(), group)))
        action->SetMemberIndexes(std::move(places));
    lastGroup_ = group;
    return true;
}

bool TKestPanel::Ungroup()
{
    std::vector<TKestControl*> groups;
    for (TKestControl* control : selected_) {
        TKestLayer* layer = control->Layer();
        // Children of a group on a fixed layer could not be placed back.
        if (control->IsContainerGroup() && !(layer && (layer->IsReadOnly() || !layer->IsMoveable())))
            groups.push_back(control);
    }
    if (groups.empty())
        return false;
    TSelectionUpdate update(*this, false, TPanelUngroupControlsHistoryGroup::StaticClass());
    for (TKestControl* group : groups) {
        // Links to the group let go while recording, before the group's
        // record: undone after the group is formed again, they find it.
        group->ReleaseLinks();
        history_->RecordAction(TControlUngroupHistoryAction::StaticClass(), group);
        TRecordingOff recordingOff(*history_);
        TKestControl* parent = group->Parent();
        TKestLayer* layer = group->Layer();
        const int index = parent->IndexOf(group);
        TOperationScope parentOperation(parent);
        for (int i = group->Count() - 1; i >= 0; --i) {
            TKestControl* child = group->Controls(i);
            child->BeginUpdate();
            child->SetLeft(child->Left() + group->Left());
            child->SetTop(child->Top() + group->Top());
            parent->AddChild(child);
            child->SetLayer(layer);
            parent->ChangeOrder(parent->IndexOf(child), index);
            Select(child);
            child->EndUpdate();
        }
        group->Free();
    }
    return true;
}

std::unique_ptr<TKestDragObject> TKestPanel::CreateDragObject(TKestControl* control)
{
    if (!control && selected_.empty())
        return nullptr;
    return std::make_unique<TKestDragObject>(*this, control);
}

// ---------------------------------------------------------------------------
// TKestDragObject

TKestDragObject::TKestDragObject(TKestPanel& source, TKestControl* control)
    : source_(source)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    struct TCursorScope {
        ~TCursorScope() { QGuiApplication::restoreOverrideCursor(); }
    } cursor;
    const TKestRect rect = control ? control->DocRect() : source.SelectionRect();
    TKestMemoryStream stream;
    {
        std::unique_ptr<TKestFiler> filer = source.CreateFiler(stream, ppSave, false);
        source.SaveToFiler(*filer, control == nullptr, control);
    }
    TRecordingOff recordingOff(source.History());
    group_ = TKestControl::Create<TKestGroup>(&source);
    watch_.OnFreeNotify = [this](TNotifyLink*, TNotifyLink* dying, TNotifyLinkInfo&) {
        if (dying)
            group_ = nullptr;
    };
    group_->GetNotifyLink()->LinkTo(&watch_);
    group_->SetID(0);
    group_->IdProp()->SetStyle(group_->IdProp()->Style() | psReadOnly);

    stream.Seek(0);
    std::unique_ptr<TKestFiler> filer = source.CreateFiler(stream, ppLoad, false);
    source.BeginLoading();
    struct TLoadingScope {
        TKestPanel& panel;
        ~TLoadingScope() { panel.EndLoading(); }
    } loading {source};
    TPropList documentProps;
    std::string line;
    bool more = filer->LoadStrCheck(line);
    while (more) {
        more = filer->LoadStrCheck(line);
        if (!more && line.empty())
            break;
        if (line.rfind("end", 0) == 0)
            break;
        if (line.rfind("object", 0) == 0) {
            if (TKestControl* loaded = source.LoadControl(*filer, group_, line)) {
                loaded->SetLeft(control ? 0 : loaded->Left() - rect.Left);
                loaded->SetTop(control ? 0 : loaded->Top() - rect.Top);
            }
        } else if (!line.empty()) {
            documentProps.LoadProperty(*filer, line);
        }
    }
    group_->Realign();
    group_->SetLeft(rect.Left);
    group_->SetTop(rect.Top);
}

TKestDragObject::~TKestDragObject()
{
    if (!group_ || group_->Parent())
        return;
    TKestPanel* owner = group_->Owner();
    if (owner)
        owner->History().DisableRecording();
    group_->Free();
    if (owner)
        owner->History().EnableRecording();
}

bool TKestDragObject::Dropped() const
{
    return group_ && group_->Parent();
}

void TKestDragObject::PlaceInto(TKestPanel& target, TKestPoint pointer)
{
    if (!group_ || !target.ActiveScheme())
        return;
    TRecordingOff recordingOff(target.History());
    target.ActiveScheme()->AddChild(group_);
    group_->SetLayer(target.ActiveLayer());
    group_->BeginUpdate();
    group_->SetLeft(pointer.X - offset_.X);
    group_->SetTop(pointer.Y - offset_.Y);
    group_->EndUpdate();
}

void TKestDragObject::TakeOut()
{
    if (!group_)
        return;
    TKestPanel* target = group_->Owner();
    if (target)
        target->History().DisableRecording();
    source_.History().DisableRecording();
    group_->SetOwner(&source_);
    source_.Unselect(group_);
    group_->SetLayer(nullptr);
    group_->ForEach([](TKestControl* c) {
        c->SetID(0);
        return true;
    });
    group_->SetLeft(0);
    group_->SetTop(0);
    source_.History().EnableRecording();
    if (target)
        target->History().EnableRecording();
}

} // namespace kest
