// TKestControl: the base of every object of a document. It gives an object
// its identity (name and identifier), a rectangle in document units relative
// to its parent, a property list through which all persistent state is read,
// written, saved and undone, a place in the tree of its panel, notifications,
// painting with transparency, hit testing and the points of other objects
// tied to it.
//
// Construction and destruction run virtual steps, so neither happens through
// plain new and delete: TKestControl::Create<T>(owner, parent, layer) (or a
// registered class's Create) makes a control, Free() destroys it with its
// subtree. A container owns its children through raw pointers and frees them
// with Free(); a control without a parent is kept among its panel's orphans
// and freed with the panel.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "KestBasePoints.h"
#include "KestClass.h"
#include "KestNotifyLink.h"
#include "KestProps.h"
#include "KestUtils.h"

class QImage;

namespace kest {

class TAlphaBuffer;
class TKestCanvas;
class TKestControl;
class TKestCustomScheme;
class TKestFiler;
class TKestLayer;
class TKestPanel;
class TLayerProp;
class TSchemeRefProp;

// Notification kinds; the values are part of the event interface.
enum TKestNotify : uint8_t {
    knName = 0,
    knId = 1,
    knRect = 2,
    knShape = 3,
    knPoints = 4,
    knLinkPoints = 5,
    knOrder = 6,
    knParent = 7,
    knLoaded = 8,
    knLayers = 9,
    knSchemes = 10,
    knCreated = 11,
    knDestroyed = 12,
    knSelection = 13,
    knEditPointSelection = 14,
    knScale = 15,
    knPan = 16,
};

using TKestNotifyEvent = std::function<void(TKestPanel* sender, TKestControl* control, TKestNotify notify)>;
using TKestControlCreateEvent
    = std::function<void(TKestPanel* sender, TKestControl* control, TKestRect& controlDocRect)>;
using TKestPaintEvent
    = std::function<void(TKestCanvas* canvas, TKestControl* control, bool childrenOnly, bool selectedOnly)>;

// Bits of a control's State.
enum TKestControlState : uint8_t {
    csCreating = 1,
    csDestroying = 2,
    csInserting = 4,
    csRemovingChild = 8,
    csResizing = 16,
    csEndUpdate = 32,
    csHistoryGroup = 64,
    csLoading = 128,
};

// A rotation by Rotate degrees and an optional mirroring about Center.
struct TTranslateInfo {
    TKestPoint Center;
    int32_t Rotate = 0;
    bool Mirror = false;
};

TKestPoint TranslatePoint(const TTranslateInfo& info, TKestPoint point);
// Both corners translated, the result normalised.
TKestRect TranslateRect(const TTranslateInfo& info, const TKestRect& rect);

// Class information of a control class: the virtual constructor and the
// class-level operations. A class that does not declare its own static
// CreationCursor or ToolInfo inherits its parent's.
class TKestControlClass : public TKestClass {
public:
    using TCreate = TKestControl* (*)(TKestPanel* owner, TKestControl* parent, TKestLayer* layer);
    using TCreationCursor = int (*)();
    using TToolInfo = bool (*)(QImage* bitmap, std::string& hint);

    TKestControlClass(
        const char* name, const TKestClass* parent, TCreate create, TCreationCursor cursor, TToolInfo toolInfo)
        : TKestClass(name, parent)
        , create_(create)
        , cursor_(cursor)
        , toolInfo_(toolInfo)
    {
    }

    TKestControl* Create(TKestPanel* owner, TKestControl* parent, TKestLayer* layer) const
    {
        return create_(owner, parent, layer);
    }
    int CreationCursor() const { return cursor_(); }
    bool ToolInfo(QImage* bitmap, std::string& hint) const { return toolInfo_(bitmap, hint); }

    // The most properties (and their bytes) an object of the class has made
    // so far: the next one reserves room for them at once, which matters
    // when a document brings thousands.
    int PropCountHint() const { return propCount_.load(std::memory_order_relaxed); }
    size_t PropBytesHint() const { return propBytes_.load(std::memory_order_relaxed); }
    void NotePropDemand(int count, size_t bytes) const;
    // The name order its properties end in, once the first object has made them.
    TPropOrder& PropOrder() const { return propOrder_; }

private:
    TCreate create_;
    TCreationCursor cursor_;
    TToolInfo toolInfo_;
    mutable std::atomic<int> propCount_ {0};
    mutable std::atomic<size_t> propBytes_ {0};
    mutable TPropOrder propOrder_;
};

#define KEST_CONTROL_CLASS(Self)                                                                                       \
public:                                                                                                                \
    static const ::kest::TKestControlClass* StaticClass();                                                             \
    const ::kest::TKestClass* ClassType() const override                                                               \
    {                                                                                                                  \
        return StaticClass();                                                                                          \
    }

#define KEST_CONTROL_CLASS_IMPL(Self, Parent)                                                                          \
    const ::kest::TKestControlClass* Self::StaticClass()                                                               \
    {                                                                                                                  \
        static const ::kest::TKestControlClass info(                                                                   \
            #Self, Parent::StaticClass(),                                                                              \
            [](::kest::TKestPanel* o, ::kest::TKestControl* p, ::kest::TKestLayer* l) -> ::kest::TKestControl* {       \
                return ::kest::TKestControl::Create<Self>(o, p, l);                                                    \
            },                                                                                                         \
            &Self::CreationCursor, &Self::ToolInfo);                                                                   \
        return &info;                                                                                                  \
    }

// The process-wide registry of control classes documents may name.
void RegisterControlClass(const TKestControlClass* cls);
void RegisterControlClasses(std::initializer_list<const TKestControlClass*> classes);
// Looked up ignoring case; none when not registered.
const TKestControlClass* FindControlClass(std::string_view name);
const std::vector<const TKestControlClass*>& ControlClasses();
void ClearControlClasses();
// Registers the classes of the document model (layers, schemes, controls,
// service controls, groups and clones), once.
void RegisterBaseControlClasses();

class TKestControl : public TKestObject {
    KEST_CONTROL_CLASS(TKestControl)
public:
    TKestControl();
    TKestControl(const TKestControl&) = delete;
    TKestControl& operator=(const TKestControl&) = delete;

    template <class T> static T* Create(TKestPanel* owner, TKestControl* parent = nullptr, TKestLayer* layer = nullptr)
    {
        T* control = new T();
        control->Construct(owner, parent, layer);
        return control;
    }
    // Destroys the control and its subtree.
    void Free();

    const TKestControlClass* ControlClass() const { return static_cast<const TKestControlClass*>(ClassType()); }
    // Cursor number (Part of the panel's cursor table) shown while creating
    // this class with the mouse; hint and tool picture of a creation tool.
    static int CreationCursor();
    static bool ToolInfo(QImage* bitmap, std::string& hint);

    // --- identity and tree
    TKestPanel* Owner() const { return owner_; }
    void SetOwner(TKestPanel* panel);
    TKestControl* Parent() const { return parent_; }
    TKestLayer* Layer() const { return layer_; }
    void SetLayer(TKestLayer* layer);
    uint8_t State() const { return state_; }
    bool HasState(TKestControlState flag) const { return (state_ & flag) != 0; }
    int Count() const { return static_cast<int>(children_.size()); }
    TKestControl* Controls(int index) const { return children_[static_cast<size_t>(index)]; }
    int IndexOf(const TKestControl* control) const;
    TPropList& Props() const { return *props_; }
    bool Selected() const;
    void SetSelected(bool value);
    TKestCustomScheme* ParentScheme() const;
    TKestControl* Root();

    TKestControl* FindChildByName(std::string_view name) const;
    TKestControl* FindByName(std::string_view name);
    TKestControl* FindById(int32_t id);
    // Pre-order over the subtree, the control first; visit returns false to stop.
    bool ForEach(const std::function<bool(TKestControl*)>& visit);

    // --- standard properties
    std::string Name() const;
    void SetName(const std::string& value);
    int32_t ID() const;
    void SetID(int32_t value);
    int32_t Tag() const;
    void SetTag(int32_t value);
    int32_t Left() const;
    void SetLeft(int32_t value);
    int32_t Top() const;
    void SetTop(int32_t value);
    int32_t Width() const;
    void SetWidth(int32_t value);
    int32_t Height() const;
    void SetHeight(int32_t value);
    bool Visible() const;
    void SetVisible(bool value);
    const TStrings& Hint() const;
    void SetHint(const TStrings& lines);
    bool ShowHint() const;
    void SetShowHint(bool value);
    TKestCustomScheme* Reference() const;
    void SetReference(TKestCustomScheme* scheme);
    bool Selectable() const;
    void SetSelectable(bool value);
    int32_t Transparency() const;
    void SetTransparency(int32_t value);
    TStrListProp& UserData() const { return *userDataProp_; }
    // Whether saving writes the property.
    bool IsStoredProp(TCustomProp* prop);
    // Left, Top, Width or Height.
    bool IsGeometryProp(const TCustomProp* prop) const;

    TIntProp* LeftProp() const { return leftProp_; }
    TIntProp* TopProp() const { return topProp_; }
    TIntProp* WidthProp() const { return widthProp_; }
    TIntProp* HeightProp() const { return heightProp_; }
    TLongWordProp* IdProp() const { return idProp_; }
    TStrProp* NameProp() const { return nameProp_; }
    TBoolProp* VisibleProp() const { return visibleProp_; }
    TLayerProp* LayerProp() const { return layerProp_; }
    TSchemeRefProp* ReferenceProp() const { return referenceProp_; }
    TIntProp* TransparencyProp() const { return transparencyProp_; }
    TBoolProp* SelectableProp() const { return selectableProp_; }

    // --- geometry
    // The rectangle in document coordinates: offset by every ancestor.
    TKestRect DocRect() const;
    virtual void SetDocRect(const TKestRect& rect);
    TKestPoint ClientToOwner(TKestPoint point) const;
    TKestPoint OwnerToClient(TKestPoint point) const;
    const TKestRect& UpdateRect() const { return updateRect_; }
    const TKestRect& LinkPointsRect() const { return linkPointsRect_; }
    void SetLinkPointsRect(const TKestRect& rect) { linkPointsRect_ = rect; }
    const TKestRect& ResizeRect() const { return resizeRect_; }
    TKestPoint ResizeOrigin() const { return resizeOrigin_; }
    const TPointArray& ResizePoints() const { return resizePoints_; }
    int32_t UpdateCounter() const { return updateCounter_; }
    int32_t OperationCounter() const { return operationCounter_; }
    bool SkipSelfPaint() const { return skipSelfPaint_; }
    bool AlwaysPaint() const { return alwaysPaint_; }
    bool ForceAlpha() const { return forceAlpha_; }
    void SetForceAlpha(bool value) { forceAlpha_ = value; }
    // True while an undo or redo is restoring this control or one of its properties.
    bool IsHistorySource() const;

    // Records the rectangle (or the points) for undo as it was before the
    // container moved by (dx, dy); call inside an update of this control.
    void RecordRectForUndo(int32_t dx, int32_t dy);

    // Returns whether this was the outermost call.
    virtual bool BeginUpdate();
    // Returns whether the depth reached 0.
    virtual bool EndUpdate();
    virtual bool BeginOperation();
    virtual bool EndOperation();
    virtual void StartResizing(TKestPoint origin);
    virtual void FinishResizing();
    virtual void MirrorResizePoints(bool mirrorX, bool mirrorY);
    virtual void Translate(const TTranslateInfo& info);
    virtual void Reroute();
    virtual TKestControl* ConvertToCurve();

    // --- points (the base has none)
    virtual int PointCount() const;
    virtual TKestPoint Point(int index) const;
    virtual void SetPoint(int index, TKestPoint point);
    virtual TPointType PointType(int index) const;
    // The whole point list at once, for history records.
    virtual void GetPathPoints(TPointArray& points, TPointTypeArray& types) const;
    virtual void SetPathPoints(const TPointArray& points, const TPointTypeArray& types);

    // --- handles of its own: what the one selected control offers to drag
    // besides its rectangle (a corner's roundness, a line's ends), in
    // document units; the base offers none.
    virtual int HandleCount() const;
    virtual TKestPoint HandlePoint(int index) const;
    virtual void MoveHandle(int index, TKestPoint point);

    // --- linked points: points of other objects' link-point properties
    // that move with this control. Indexes outside the list throw.
    int AddLinkPoint(TKestPoint* point);
    int IndexOfLinkPoint(const TKestPoint* point) const;
    void DeleteLinkPoint(int index);
    int LinkPointCount() const;
    TKestPoint* LinkPoint(int index) const;
    virtual void MoveLinkPoints(const TKestRect& oldRect, const TKestRect& newRect);
    virtual void TranslateLinkPoints(const TTranslateInfo& info);
    void BeginLinkPointsLock();
    void EndLinkPointsLock();
    bool LinkPointsLocked() const { return linkPointsLock_ > 0; }

    // --- tree operations
    virtual int AddChild(TKestControl* control);
    virtual void DeleteChild(int index);
    virtual void RemoveChild(TKestControl* control);
    virtual void ClearChildren();
    virtual void ChangeOrder(int curIndex, int newIndex);
    virtual TKestControl* FindControlAtPoint(int32_t x, int32_t y);

    // --- queries
    virtual bool IsNameValid(bool checkEmpty, bool checkUnique) const;
    virtual bool IsSelectable() const;
    virtual bool IsContainerGroup() const;
    virtual bool IsConnectorKind() const;
    // Panel pixels, left/top inclusive, right/bottom exclusive.
    virtual bool IsPointInside(int32_t x, int32_t y);
    // The top-left corner of the document rectangle, in panel pixels.
    virtual TKestPoint AnchorPoint() const;
    // The points connectors attach to, in the control's own coordinates
    // (relative to its top-left); the base offers none.
    virtual int ConnectionPointCount() const;
    virtual TKestPoint ConnectionPoint(int index) const;
    virtual void GetHint(std::string& hintText) const;
    TNotifyLink* GetNotifyLink();
    bool HasNotifyLink() const { return notifyLink_ != nullptr; }
    // Tells the linked properties that the control goes away; nothing can
    // link to it afterwards.
    void ReleaseLinks();

    // --- painting; paintX/paintY are the document position of the top-left
    virtual TKestRect GetRefreshRect(int32_t paintX, int32_t paintY);
    virtual void Paint(TKestCanvas& canvas, const TKestRect& paintRect);
    virtual void PaintAll(TKestCanvas& canvas, int32_t paintX, int32_t paintY);
    virtual void Invalidate();

    // --- notifications and persistence
    virtual void DoNotify(TKestNotify notify);
    virtual void SaveToFiler(TKestFiler& filer, const std::string& indent);
    virtual void LoadFromFiler(TKestFiler& filer);

protected:
    virtual ~TKestControl() override;

    // Second half of construction: the list, the properties, the place in
    // the tree, ControlCreate.
    virtual void Init(TKestControl* parent, TKestLayer* layer);
    virtual void CreateProperties();
    virtual void ControlCreate();
    // Runs before the control is marked destroying (subclasses that must
    // act on the document before they go override it and call the base last).
    virtual void BeforeDestruction();
    virtual void FreeResources();
    virtual void ControlDestroy();
    virtual void ControlTranslate(const TTranslateInfo& info);
    virtual void SaveUpdateRect();

    virtual void PropBeforeChanged(TPropList* sender, TCustomProp* prop);
    virtual void PropChanged(TPropList* sender, TCustomProp* prop);
    virtual void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored);
    virtual void PropReadOnly(TPropList* sender, TCustomProp* prop, bool& readOnly);
    virtual void PropHistoryAction(TPropList* sender, TCustomProp* prop, const THistoryActionClass*& actionClass);

    // Hidden, read-only, not stored and non-visual: for geometry a kind does not use.
    static void HideProp(TCustomProp* prop);
    void SetSkipSelfPaint(bool value) { skipSelfPaint_ = value; }
    void SetAlwaysPaint(bool value) { alwaysPaint_ = value; }
    void IncludeState(TKestControlState flag) { state_ |= flag; }
    void ExcludeState(TKestControlState flag) { state_ &= static_cast<uint8_t>(~flag); }
    TAlphaBuffer* PaintAlphaBuffer() const { return paintAlphaBuffer_; }
    bool PendingRect() const { return pendingRect_; }
    void SetPendingRect(bool value) { pendingRect_ = value; }
    void SetUpdateRect(const TKestRect& rect) { updateRect_ = rect; }
    // While translating, linked points are not moved proportionally.
    void BeginTranslating() { ++translateCounter_; }
    void EndTranslating() { --translateCounter_; }

private:
    friend class TKestPanel;

    void Construct(TKestPanel* owner, TKestControl* parent, TKestLayer* layer);
    // Records the size/move history of a rectangle change (knRect).
    void RecordSizeMove();
    void RecordChildrenSizeMove(int32_t dx, int32_t dy);
    std::vector<TKestPoint*>& EnsureLinkedPoints();
    TKestPanel* SwitchOwner(TKestPanel* panel);

    TKestPanel* owner_ = nullptr;
    TKestControl* parent_ = nullptr;
    TKestLayer* layer_ = nullptr;
    uint8_t state_ = 0;
    std::vector<TKestControl*> children_;
    std::unique_ptr<TPropList> props_;
    int32_t prevId_ = 0;
    bool skipSelfPaint_ = false;
    bool alwaysPaint_ = false;
    int32_t updateCounter_ = 0;
    std::unique_ptr<TNotifyLink> notifyLink_;
    std::unique_ptr<std::vector<TKestPoint*>> linkedPoints_;
    bool pendingRect_ = false;
    bool pendingLinkPoints_ = false;
    int32_t translateCounter_ = 0;
    int32_t linkPointsLock_ = 0;

    TLongWordProp* idProp_ = nullptr;
    TIntProp* tagProp_ = nullptr;
    TStrProp* nameProp_ = nullptr;
    TIntProp* leftProp_ = nullptr;
    TIntProp* topProp_ = nullptr;
    TIntProp* widthProp_ = nullptr;
    TIntProp* heightProp_ = nullptr;
    TBoolProp* visibleProp_ = nullptr;
    TStrListProp* hintProp_ = nullptr;
    TBoolProp* showHintProp_ = nullptr;
    TLayerProp* layerProp_ = nullptr;
    TSchemeRefProp* referenceProp_ = nullptr;
    TUserDataProp* userDataProp_ = nullptr;
    TIntProp* transparencyProp_ = nullptr;
    TBoolProp* selectableProp_ = nullptr;

    TKestRect updateRect_;
    TKestRect linkPointsRect_;
    TKestPoint resizeOrigin_;
    TKestRect resizeRect_;
    TPointArray resizePoints_;
    bool forceAlpha_ = false;
    TAlphaBuffer* paintAlphaBuffer_ = nullptr;
    int32_t operationCounter_ = 0;
};

} // namespace kest
