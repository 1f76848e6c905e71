// The undo actions of what happens to document objects as objects: a change
// of rectangle, of points, of place in the tree, grouping and ungrouping,
// creation and deletion; and the panel groups under which the panel collects
// one user operation. They refer to objects by identifier, so they survive
// an object being deleted and created again; the panel's history turns the
// identifiers back into objects and gives the captions.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "KestBasePoints.h"
#include "KestHistory.h"
#include "KestPropsHistory.h"
#include "KestStream.h"
#include "KestUtils.h"

namespace kest {

class TKestControl;
class TKestControlClass;
class TKestPanel;

// The name of a control in captions: its name, or "<" class name ">".
std::string CaptionName(const TKestControl* control);

// An identifier action whose source is a control; the same action of the
// same control within one group covers later recordings.
class TControlHistoryAction : public TIdHistoryAction {
public:
    static const TKestClass* StaticClass();
    const TKestClass* ClassType() const override { return StaticClass(); }
    using TIdHistoryAction::TIdHistoryAction;

    bool IsSameAction(const THistoryActionClass* cls, TKestObject* source) override;
    void ProcessSource(TKestStream& stream, TKestObject* source, bool restore) override;
};

class TDocRectHistoryAction : public TControlHistoryAction {
    KEST_ACTION_CLASS(TDocRectHistoryAction)
public:
    using TControlHistoryAction::TControlHistoryAction;

    const TKestRect& UndoRect() const { return undoRect_; }
    // Used while recording the members of a moved container.
    void ShiftUndoRect(int32_t dx, int32_t dy);

    void GetCaption(TKestObject* source, std::string& caption) override;
    void Record(TKestObject* source) override;
    void Undo(TKestObject* source) override;
    void Redo(TKestObject* source) override;

private:
    TKestRect undoRect_;
    TKestRect redoRect_;
    bool undoValid_ = false;
    bool redoValid_ = false;
};

class TPointsHistoryAction : public TControlHistoryAction {
    KEST_ACTION_CLASS(TPointsHistoryAction)
public:
    using TControlHistoryAction::TControlHistoryAction;

    struct TInfo {
        bool Valid = false;
        TKestRect Rect;
        TPointArray Points;
        TPointTypeArray Types;
    };

    const TInfo& UndoInfo() const { return undoInfo_; }
    void ShiftUndoRect(int32_t dx, int32_t dy);
    // The undo rectangle becomes the control's UpdateRect unless it is resizing.
    void TakeUpdateRect(const TKestControl& control);

    void GetCaption(TKestObject* source, std::string& caption) override;
    void Record(TKestObject* source) override;
    void Undo(TKestObject* source) override;
    void Redo(TKestObject* source) override;

private:
    static void Capture(TInfo& info, const TKestControl& control);
    static void Apply(const TInfo& info, TKestControl& control);

    TInfo undoInfo_;
    TInfo redoInfo_;
};

class TOrderHistoryAction : public TControlHistoryAction {
    KEST_ACTION_CLASS(TOrderHistoryAction)
public:
    using TControlHistoryAction::TControlHistoryAction;

    struct TInfo {
        bool Valid = false;
        int32_t Index = -1;
        int32_t ParentId = 0;
        int32_t LayerId = 0;
    };

    void GetCaption(TKestObject* source, std::string& caption) override;
    void Record(TKestObject* source) override;
    void Undo(TKestObject* source) override;
    void Redo(TKestObject* source) override;

private:
    static void Capture(TInfo& info, const TKestControl& control);
    static void Apply(const TInfo& info, TKestControl& control);

    TInfo undoInfo_;
    TInfo redoInfo_;
};

class TGroupUngroupHistoryAction : public TIdHistoryAction {
public:
    static const TKestClass* StaticClass();
    const TKestClass* ClassType() const override { return StaticClass(); }
    using TIdHistoryAction::TIdHistoryAction;

    TKestPanel* Panel() const { return panel_; }
    const TKestControlClass* GroupClass() const { return groupClass_; }
    const std::vector<int32_t>& MemberIds() const { return memberIds_; }
    // The members' places in the parent before they were grouped: dissolving
    // puts them back there, so an undone grouping leaves the order as it was.
    void SetMemberIndexes(std::vector<int32_t> indexes) { memberIndexes_ = std::move(indexes); }

    void Record(TKestObject* source) override;
    void ProcessSource(TKestStream& stream, TKestObject* source, bool restore) override;

protected:
    void Dissolve(TKestObject* source);
    void Reform(TKestObject* source);

private:
    bool IsOwnGroup(TKestObject* source) const;

    TKestPanel* panel_ = nullptr;
    const TKestControlClass* groupClass_ = nullptr;
    std::vector<int32_t> memberIds_;
    std::vector<int32_t> memberIndexes_;
    // The group's own stored properties (its name, hint, user data and so
    // on): a group formed again gets them back, not only its identifier.
    std::string groupProps_;
    std::string groupName_;
};

class TControlGroupHistoryAction : public TGroupUngroupHistoryAction {
    KEST_ACTION_CLASS(TControlGroupHistoryAction)
public:
    using TGroupUngroupHistoryAction::TGroupUngroupHistoryAction;

    void GetCaption(TKestObject* source, std::string& caption) override;
    void Undo(TKestObject* source) override;
    void Redo(TKestObject* source) override;
};

class TControlUngroupHistoryAction : public TGroupUngroupHistoryAction {
    KEST_ACTION_CLASS(TControlUngroupHistoryAction)
public:
    using TGroupUngroupHistoryAction::TGroupUngroupHistoryAction;

    void GetCaption(TKestObject* source, std::string& caption) override;
    void Undo(TKestObject* source) override;
    void Redo(TKestObject* source) override;
};

// Creation and deletion: the object's whole state is kept as document text.
// The actions recorded inside such a group change other objects (a link
// that let go of a deleted object, for example); they are undone after the
// object is back and redone before it goes again.
class TCreateDestroyHistoryGroup : public THistoryGroup {
public:
    static const TKestClass* StaticClass();
    const TKestClass* ClassType() const override { return StaticClass(); }
    using THistoryGroup::THistoryGroup;

    TKestPanel* Panel() const { return panel_; }
    int32_t ControlId() const { return controlId_; }
    int32_t ParentId() const { return parentId_; }
    int32_t Index() const { return index_; }
    const TKestMemoryStream* Stream() const { return stream_.get(); }

protected:
    void CaptureInfo(const TKestControl& control);
    void Save(TKestControl& control);
    void Restore();
    void DestroyControl(TKestObject* source);
    // Undoes or redoes the recorded children, without the group's own state change.
    void ReplayChildren(THistoryState state);

private:
    std::unique_ptr<TKestMemoryStream> stream_;
    TKestPanel* panel_ = nullptr;
    int32_t controlId_ = 0;
    int32_t parentId_ = 0;
    int32_t index_ = -1;
};

class TControlCreateHistoryGroup : public TCreateDestroyHistoryGroup {
    KEST_ACTION_CLASS(TControlCreateHistoryGroup)
public:
    using TCreateDestroyHistoryGroup::TCreateDestroyHistoryGroup;

    void GetCaption(TKestObject* source, std::string& caption) override;
    void Record(TKestObject* source) override;
    void Undo(TKestObject* source) override;
    void Redo(TKestObject* source) override;
};

class TControlDestroyHistoryGroup : public TCreateDestroyHistoryGroup {
    KEST_ACTION_CLASS(TControlDestroyHistoryGroup)
public:
    using TCreateDestroyHistoryGroup::TCreateDestroyHistoryGroup;

    void GetCaption(TKestObject* source, std::string& caption) override;
    void Record(TKestObject* source) override;
    void Undo(TKestObject* source) override;
    void Redo(TKestObject* source) override;
};

// A group of one user operation on the panel; its class names the operation.
class TKestPanelHistoryGroup : public THistoryGroup {
public:
    static const TKestClass* StaticClass();
    const TKestClass* ClassType() const override { return StaticClass(); }
    TKestPanelHistoryGroup(THistory& owner, THistoryGroup* parent);

    TKestPanel* Panel() const { return panel_; }
    void BeginRecord(TKestObject* source) override;

private:
    TKestPanel* panel_ = nullptr;
};

#define KEST_PANEL_GROUP(Name)                                                                                         \
    class Name : public TKestPanelHistoryGroup {                                                                       \
        KEST_ACTION_CLASS(Name)                                                                                        \
    public:                                                                                                            \
        using TKestPanelHistoryGroup::TKestPanelHistoryGroup;                                                          \
        void GetCaption(TKestObject* source, std::string& caption) override;                                           \
    };

KEST_PANEL_GROUP(TPanelSizeMoveHistoryGroup)
KEST_PANEL_GROUP(TPanelAlignHistoryGroup)
KEST_PANEL_GROUP(TPanelCreateControlsHistoryGroup)
KEST_PANEL_GROUP(TPanelDestroyControlsHistoryGroup)
KEST_PANEL_GROUP(TPanelUngroupControlsHistoryGroup)
KEST_PANEL_GROUP(TPanelDuplicateHistoryGroup)
KEST_PANEL_GROUP(TPanelCloneHistoryGroup)
KEST_PANEL_GROUP(TPanelOrderHistoryGroup)
KEST_PANEL_GROUP(TPanelPointsHistoryGroup)
KEST_PANEL_GROUP(TPanelRerouteHistoryGroup)
KEST_PANEL_GROUP(TPanelColorHistoryGroup)
KEST_PANEL_GROUP(TPanelPropsHistoryGroup)

#undef KEST_PANEL_GROUP

// Registers the action classes above with the history, once.
void RegisterKestActions();

} // namespace kest
