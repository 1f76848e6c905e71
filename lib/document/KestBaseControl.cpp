// TKestControl: class registry, construction and destruction, the tree and
// the standard properties.
#include "KestBaseControl.h"

#include <algorithm>
#include <cmath>

#include "KestActions.h"
#include "KestBaseContainers.h"
#include "KestBaseLinks.h"
#include "KestBasePanel.h"
#include "KestError.h"

namespace kest {

namespace {

// The create-control cursor of the panel's cursor table.
constexpr int kCreateControlCursor = 7;

std::vector<const TKestControlClass*>& Registry()
{
    static std::vector<const TKestControlClass*> registry;
    return registry;
}

} // namespace

// ---------------------------------------------------------------------------
// Translation

TKestPoint TranslatePoint(const TTranslateInfo& info, TKestPoint point)
{
    const double x = info.Mirror ? double(info.Center.X) - point.X : double(point.X) - info.Center.X;
    const double y = double(point.Y) - info.Center.Y;
    const double a = -info.Rotate * 3.141592653589793 / 180.0;
    const double c = std::cos(a), s = std::sin(a);
    return {static_cast<int32_t>(std::lround(x * c - y * s) + info.Center.X),
        static_cast<int32_t>(std::lround(x * s + y * c) + info.Center.Y)};
}

TKestRect TranslateRect(const TTranslateInfo& info, const TKestRect& rect)
{
    // Translating the corners about the centre is the same as moving the
    // centre to the origin, mirroring and rotating, and moving back.
    const TKestPoint a = TranslatePoint(info, {rect.Left, rect.Top});
    const TKestPoint b = TranslatePoint(info, {rect.Right, rect.Bottom});
    return NormalizeRect({a.X, a.Y, b.X, b.Y});
}

// ---------------------------------------------------------------------------
// Registry

void RegisterControlClass(const TKestControlClass* cls)
{
    auto& registry = Registry();
    if (cls && std::find(registry.begin(), registry.end(), cls) == registry.end())
        registry.push_back(cls);
}

void TKestControlClass::NotePropDemand(int count, size_t bytes) const
{
    if (count > PropCountHint())
        propCount_.store(count, std::memory_order_relaxed);
    if (bytes > PropBytesHint())
        propBytes_.store(bytes, std::memory_order_relaxed);
}

void RegisterControlClasses(std::initializer_list<const TKestControlClass*> classes)
{
    for (const TKestControlClass* cls : classes)
        RegisterControlClass(cls);
}

const TKestControlClass* FindControlClass(std::string_view name)
{
    for (const TKestControlClass* cls : Registry())
        if (SameNameCI(cls->Name(), name))
            return cls;
    return nullptr;
}

const std::vector<const TKestControlClass*>& ControlClasses()
{
    return Registry();
}

void ClearControlClasses()
{
    Registry().clear();
}

void RegisterBaseControlClasses()
{
    RegisterControlClasses({TKestLayer::StaticClass(), TKestScheme::StaticClass(), TKestControl::StaticClass(),
        TKestServiceControl::StaticClass(), TKestGroup::StaticClass(), TKestClone::StaticClass()});
}

// ---------------------------------------------------------------------------
// Class information

const TKestControlClass* TKestControl::StaticClass()
{
    static const TKestControlClass info(
        "TKestControl", TKestObject::StaticClass(),
        [](TKestPanel* o, TKestControl* p, TKestLayer* l) -> TKestControl* { return Create<TKestControl>(o, p, l); },
        &TKestControl::CreationCursor, &TKestControl::ToolInfo);
    return &info;
}

int TKestControl::CreationCursor()
{
    return kCreateControlCursor;
}

bool TKestControl::ToolInfo(QImage*, std::string&)
{
    return false;
}

// ---------------------------------------------------------------------------
// Construction and destruction

TKestControl::TKestControl() = default;

TKestControl::~TKestControl() = default;

void TKestControl::Construct(TKestPanel* owner, TKestControl* parent, TKestLayer* layer)
{
    state_ = csCreating;
    owner_ = owner;
    try {
        Init(parent, layer);
    } catch (...) {
        ExcludeState(csCreating);
        Free();
        throw;
    }
}

void TKestControl::Init(TKestControl* parent, TKestLayer* layer)
{
    forceAlpha_ = false;
    props_ = std::make_unique<TPropList>(this);
    props_->OnPropChanged = [this](TPropList* sender, TCustomProp* prop) { PropChanged(sender, prop); };
    props_->OnPropBeforeChanged = [this](TPropList* sender, TCustomProp* prop) { PropBeforeChanged(sender, prop); };
    props_->OnPropStored = [this](TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) {
        PropStored(sender, prop, subName, stored);
    };
    props_->OnPropReadOnly
        = [this](TPropList* sender, TCustomProp* prop, bool& readOnly) { PropReadOnly(sender, prop, readOnly); };
    props_->OnPropHistoryAction = [this](TPropList* sender, TCustomProp* prop, const THistoryActionClass*& cls) {
        PropHistoryAction(sender, prop, cls);
    };
    props_->OnGetOwnerId = [this](TPropList*) { return ID(); };
    const auto* cls = static_cast<const TKestControlClass*>(ClassType());
    props_->Reserve(cls->PropCountHint(), cls->PropBytesHint());
    props_->BeginCreation();
    try {
        CreateProperties();
    } catch (...) {
        // Leave the list sorted, and learn nothing from an unfinished sequence.
        props_->EndCreation(nullptr);
        throw;
    }
    props_->EndCreation(&cls->PropOrder());
    cls->NotePropDemand(props_->Count(), props_->AddedBytes());

    if (parent)
        parent->AddChild(this);
    else if (owner_)
        owner_->AddOrphan(this);
    layer_ = layer;

    TKestPanel* creator = owner_;
    ControlCreate();
    ExcludeState(csCreating);
    if (owner_)
        props_->SetHistory(&owner_->History());
    if (HasState(csHistoryGroup) && owner_ == creator && owner_) {
        owner_->History().EndAction();
        ExcludeState(csHistoryGroup);
    }
}

void TKestControl::CreateProperties()
{
    TPropList& props = *props_;
    idProp_ = props.Add<TLongWordProp>("ID");
    idProp_->SetStyle(psVisible | psNonVisual);
    tagProp_ = props.Add<TIntProp>("Tag");
    tagProp_->SetStyle(psVisible | psNonVisual);
    nameProp_ = props.Add<TStrProp>("Name");
    nameProp_->SetStyle(psVisible | psNotStored | psNonVisual);
    leftProp_ = props.Add<TIntProp>("Left");
    topProp_ = props.Add<TIntProp>("Top");
    widthProp_ = props.Add<TIntProp>("Width");
    heightProp_ = props.Add<TIntProp>("Height");
    for (TIntProp* prop : {leftProp_, topProp_, widthProp_, heightProp_})
        prop->SetStyle(psVisible | psScaled);
    visibleProp_ = props.Add<TBoolProp>("Visible");
    visibleProp_->SetStyle(psNotStored);
    hintProp_ = props.Add<TStrListProp>("Hint");
    hintProp_->SetStyle(psVisible | psNonVisual);
    showHintProp_ = props.Add<TBoolProp>("ShowHint");
    showHintProp_->SetStyle(psVisible | psNonVisual);
    layerProp_ = props.Add<TLayerProp>("Layer");
    layerProp_->SetStyle(psVisible | psReference);
    referenceProp_ = props.Add<TSchemeRefProp>("Reference");
    referenceProp_->SetStyle(psVisible | psReference | psNonVisual);
    userDataProp_ = props.Add<TUserDataProp>("UserData");
    transparencyProp_ = props.Add<TIntProp>("Transparency");
    selectableProp_ = props.Add<TBoolProp>("Selectable");
    selectableProp_->SetStyle(psNonVisual);
}

void TKestControl::ControlCreate()
{
    if (owner_ && !owner_->Loading())
        owner_->GenerateId(this);
    if (owner_ && owner_->AutoNames() && Name().empty() && !owner_->Loading())
        SetName(owner_->GenerateName(this, nullptr, owner_->AutoNameNumbs()));
    if (owner_ && owner_->History().BeginAction(TControlCreateHistoryGroup::StaticClass(), this, true))
        IncludeState(csHistoryGroup);
    SetShowHint(true);
    SetSelectable(true);
    DoNotify(knCreated);
}

void TKestControl::Free()
{
    if (HasState(csDestroying))
        return;
    BeforeDestruction();
    IncludeState(csDestroying);
    FreeResources();
    delete this;
}

void TKestControl::BeforeDestruction() { }

void TKestControl::ReleaseLinks()
{
    if (notifyLink_)
        notifyLink_->DestroyNotify();
}

void TKestControl::FreeResources()
{
    ReleaseLinks();
    if (props_)
        ControlDestroy();
    ClearChildren();
    if (parent_)
        parent_->DeleteChild(parent_->IndexOf(this));
    if (owner_) {
        if (props_)
            owner_->IdPool().Release(ID());
        owner_->RemoveOrphan(this);
        owner_->ForgetControl(this);
        owner_->ReleaseActive(this);
        if (HasState(csHistoryGroup))
            owner_->History().EndAction();
    }
    ExcludeState(csHistoryGroup);
    props_.reset();
    children_.clear();
    notifyLink_.reset();
}

void TKestControl::ControlDestroy()
{
    if (owner_ && owner_->History().BeginAction(TControlDestroyHistoryGroup::StaticClass(), this, true))
        IncludeState(csHistoryGroup);
    DoNotify(knDestroyed);
}

// ---------------------------------------------------------------------------
// Tree

// From the last: the children looked up most are the ones just added or
// about to be deleted from the end.
int TKestControl::IndexOf(const TKestControl* control) const
{
    auto it = std::find(children_.rbegin(), children_.rend(), control);
    return it == children_.rend() ? -1 : static_cast<int>(children_.rend() - it) - 1;
}

int TKestControl::AddChild(TKestControl* control)
{
    if (!control)
        return -1;
    // A control cannot hold itself or one of its ancestors.
    for (const TKestControl* p = this; p; p = p->parent_)
        if (p == control)
            return -1;
    if (control->parent_ == this)
        return IndexOf(control);

    TKestPanel* oldOwner = control->owner_;
    const bool otherOwner = oldOwner && oldOwner != owner_;
    TKestLayer* oldLayer = control->layer_;
    const bool hadParent = control->parent_ != nullptr;
    bool oldOwnerGroup = false;
    if (otherOwner) {
        oldOwnerGroup
            = oldOwner->History().BeginAction(TControlDestroyHistoryGroup::StaticClass(), control, true) != nullptr;
        if (owner_)
            owner_->History().DisableRecording();
    } else if (owner_) {
        owner_->History().RecordAction(TOrderHistoryAction::StaticClass(), control);
    }

    control->IncludeState(csInserting);
    if (control->parent_)
        control->parent_->RemoveChild(control);
    if (control->owner_ != owner_)
        control->SetOwner(owner_);
    children_.push_back(control);
    if (!hadParent && owner_)
        owner_->RemoveOrphan(control);
    control->parent_ = this;
    control->ExcludeState(csInserting);

    if (layer_ && layer_ != control->layer_)
        control->SetLayer(layer_);
    else if (!oldLayer)
        control->Invalidate();
    else if (dynamic_cast<TKestCustomScheme*>(this))
        control->SetLayer(oldLayer);
    else
        control->Invalidate();

    bool newOwnerGroup = false;
    if (otherOwner && owner_) {
        owner_->History().EnableRecording();
        newOwnerGroup
            = owner_->History().BeginAction(TControlCreateHistoryGroup::StaticClass(), control, true) != nullptr;
    }
    if (newOwnerGroup)
        owner_->History().EndAction();
    if (oldOwnerGroup)
        oldOwner->History().EndAction();

    control->DoNotify(knParent);
    DoNotify(knOrder);
    return IndexOf(control);
}

void TKestControl::DeleteChild(int index)
{
    if (index < 0 || index >= Count())
        return;
    TKestControl* child = children_[static_cast<size_t>(index)];
    if (!child->HasState(csDestroying) && !HasState(csRemovingChild)) {
        child->Free();
        return;
    }
    child->parent_ = nullptr;
    if (child->owner_) {
        if (!child->HasState(csDestroying))
            child->owner_->AddOrphan(child);
        child->owner_->Unselect(child);
    }
    children_.erase(children_.begin() + index);
    if (!child->HasState(csInserting)) {
        child->DoNotify(knParent);
        DoNotify(knOrder);
    }
}

void TKestControl::RemoveChild(TKestControl* control)
{
    const int index = IndexOf(control);
    if (index < 0)
        return;
    IncludeState(csRemovingChild);
    if (owner_)
        owner_->Unselect(control);
    control->Invalidate();
    DeleteChild(index);
    if (IndexOf(control) < 0) {
        control->parent_ = nullptr;
        control->layer_ = nullptr;
    }
    ExcludeState(csRemovingChild);
}

void TKestControl::ClearChildren()
{
    for (int i = Count() - 1; i >= 0; --i)
        if (i < Count())
            DeleteChild(i);
}

void TKestControl::ChangeOrder(int curIndex, int newIndex)
{
    if (curIndex == newIndex || curIndex < 0 || curIndex >= Count())
        return;
    newIndex = std::clamp(newIndex, 0, Count() - 1);
    if (curIndex == newIndex)
        return;
    TKestControl* child = children_[static_cast<size_t>(curIndex)];
    if (owner_)
        owner_->History().RecordAction(TOrderHistoryAction::StaticClass(), child);
    children_.erase(children_.begin() + curIndex);
    children_.insert(children_.begin() + newIndex, child);
    child->Invalidate();
    DoNotify(knOrder);
}

TKestControl* TKestControl::FindControlAtPoint(int32_t x, int32_t y)
{
    for (int i = Count() - 1; i >= 0; --i) {
        TKestControl* child = Controls(i);
        if (child->Visible() && child->IsSelectable() && child->IsPointInside(x, y))
            return child;
    }
    return nullptr;
}

void TKestControl::SetLayer(TKestLayer* layer)
{
    if (layer == layer_ || !owner_ || (layer && layer->Owner() != owner_) || props_->IsReadOnlyProp(layerProp_))
        return;
    layerProp_->DoBeforeChanged();
    layer_ = layer;
    if (Selected() && !IsSelectable())
        owner_->Unselect(this);
    for (TKestControl* child : std::vector<TKestControl*>(children_))
        child->SetLayer(layer);
    Invalidate();
    layerProp_->DoChanged();
}

void TKestControl::SetOwner(TKestPanel* panel)
{
    if (panel == owner_)
        return;
    Invalidate();
    TKestPanel* old = owner_;
    const bool oldGroup
        = old && old->History().BeginAction(TControlDestroyHistoryGroup::StaticClass(), this, true) != nullptr;
    if (parent_ && parent_->owner_ != panel)
        parent_->RemoveChild(this);
    if (old) {
        old->RemoveOrphan(this);
        old->ForgetControl(this);
        old->IdPool().Release(ID());
        props_->SetHistory(nullptr);
    }
    owner_ = panel;
    // A layer of the panel left behind would dangle once that panel goes.
    if (layer_ && layer_->Owner() != panel)
        layer_ = nullptr;
    bool newGroup = false;
    if (panel) {
        if (ID() == 0 || !panel->IdPool().Use(ID()))
            panel->GenerateId(this);
        props_->SetHistory(&panel->History());
        if (!parent_)
            panel->AddOrphan(this);
        newGroup = panel->History().BeginAction(TControlCreateHistoryGroup::StaticClass(), this, true) != nullptr;
    }
    for (TKestControl* child : std::vector<TKestControl*>(children_))
        child->SetOwner(panel);
    Invalidate();
    if (newGroup)
        panel->History().EndAction();
    if (oldGroup)
        old->History().EndAction();
}

bool TKestControl::Selected() const
{
    return owner_ && owner_->IsSelected(this);
}

void TKestControl::SetSelected(bool value)
{
    if (!owner_)
        return;
    if (value)
        owner_->Select(this);
    else
        owner_->Unselect(this);
}

TKestCustomScheme* TKestControl::ParentScheme() const
{
    for (TKestControl* p = parent_; p; p = p->parent_)
        if (auto* scheme = dynamic_cast<TKestCustomScheme*>(p))
            return scheme;
    return nullptr;
}

TKestControl* TKestControl::Root()
{
    TKestControl* root = this;
    while (root->parent_)
        root = root->parent_;
    return root;
}

TKestControl* TKestControl::FindChildByName(std::string_view name) const
{
    for (TKestControl* child : children_)
        if (child->Name() == name)
            return child;
    return nullptr;
}

bool TKestControl::ForEach(const std::function<bool(TKestControl*)>& visit)
{
    if (!visit(this))
        return false;
    for (size_t i = 0; i < children_.size(); ++i)
        if (!children_[i]->ForEach(visit))
            return false;
    return true;
}

TKestControl* TKestControl::FindByName(std::string_view name)
{
    TKestControl* found = nullptr;
    ForEach([&](TKestControl* c) {
        if (c->Name() == name)
            found = c;
        return !found;
    });
    return found;
}

TKestControl* TKestControl::FindById(int32_t id)
{
    TKestControl* found = nullptr;
    ForEach([&](TKestControl* c) {
        if (c->ID() == id)
            found = c;
        return !found;
    });
    return found;
}

// ---------------------------------------------------------------------------
// Standard properties

std::string TKestControl::Name() const
{
    return nameProp_->GetValue();
}

void TKestControl::SetName(const std::string& value)
{
    nameProp_->SetValue(value);
}

int32_t TKestControl::ID() const
{
    return static_cast<int32_t>(idProp_->Value());
}

void TKestControl::SetID(int32_t value)
{
    idProp_->SetValue(static_cast<uint32_t>(value));
}

int32_t TKestControl::Tag() const
{
    return tagProp_->Value();
}

void TKestControl::SetTag(int32_t value)
{
    tagProp_->SetValue(value);
}

int32_t TKestControl::Left() const
{
    return leftProp_->Value();
}

void TKestControl::SetLeft(int32_t value)
{
    leftProp_->SetValue(value);
}

int32_t TKestControl::Top() const
{
    return topProp_->Value();
}

void TKestControl::SetTop(int32_t value)
{
    topProp_->SetValue(value);
}

int32_t TKestControl::Width() const
{
    return widthProp_->Value();
}

void TKestControl::SetWidth(int32_t value)
{
    widthProp_->SetValue(value);
}

int32_t TKestControl::Height() const
{
    return heightProp_->Value();
}

void TKestControl::SetHeight(int32_t value)
{
    heightProp_->SetValue(value);
}

bool TKestControl::Visible() const
{
    return visibleProp_->BoolValue();
}

void TKestControl::SetVisible(bool value)
{
    visibleProp_->SetBoolValue(value);
}

const TStrings& TKestControl::Hint() const
{
    return hintProp_->Strings();
}

void TKestControl::SetHint(const TStrings& lines)
{
    hintProp_->SetStrings(lines);
}

bool TKestControl::ShowHint() const
{
    return showHintProp_->BoolValue();
}

void TKestControl::SetShowHint(bool value)
{
    showHintProp_->SetBoolValue(value);
}

TKestCustomScheme* TKestControl::Reference() const
{
    return referenceProp_->Scheme();
}

void TKestControl::SetReference(TKestCustomScheme* scheme)
{
    referenceProp_->SetScheme(scheme);
}

bool TKestControl::Selectable() const
{
    return selectableProp_->BoolValue();
}

void TKestControl::SetSelectable(bool value)
{
    selectableProp_->SetBoolValue(value);
}

int32_t TKestControl::Transparency() const
{
    return transparencyProp_->Value();
}

void TKestControl::SetTransparency(int32_t value)
{
    transparencyProp_->SetValue(value);
}

bool TKestControl::IsStoredProp(TCustomProp* prop)
{
    if (prop->HasStyle(psNotStored))
        return false;
    bool stored = true;
    PropStored(props_.get(), prop, {}, stored);
    return stored;
}

bool TKestControl::IsGeometryProp(const TCustomProp* prop) const
{
    return prop == leftProp_ || prop == topProp_ || prop == widthProp_ || prop == heightProp_;
}

void TKestControl::HideProp(TCustomProp* prop)
{
    prop->SetStyle(psReadOnly | psNotStored | psNonVisual);
}

// ---------------------------------------------------------------------------
// Queries

bool TKestControl::IsNameValid(bool checkEmpty, bool checkUnique) const
{
    const std::string name = Name();
    if (checkEmpty && name.empty())
        return false;
    if (checkUnique && parent_)
        for (const TKestControl* sibling : parent_->children_)
            if (sibling != this && sibling->Name() == name)
                return false;
    return true;
}

bool TKestControl::IsSelectable() const
{
    if (!Selectable())
        return false;
    if (layer_ && !layer_->Selectable())
        return false;
    for (const TKestControl* p = parent_; p; p = p->parent_)
        if (!p->Selectable())
            return false;
    return true;
}

bool TKestControl::IsContainerGroup() const
{
    return false;
}

bool TKestControl::IsConnectorKind() const
{
    return false;
}

void TKestControl::GetHint(std::string& hintText) const
{
    if (ShowHint())
        hintText = hintProp_->GetText();
}

TNotifyLink* TKestControl::GetNotifyLink()
{
    if (!notifyLink_ && !HasState(csDestroying))
        notifyLink_ = std::make_unique<TNotifyLink>(this);
    return notifyLink_.get();
}

bool TKestControl::IsHistorySource() const
{
    if (!owner_)
        return false;
    TKestObject* source = owner_->History().CurrentSource();
    if (!source)
        return false;
    if (source == this)
        return true;
    auto* prop = dynamic_cast<TCustomProp*>(source);
    return prop && prop->Owner() && prop->Owner()->Owner() == this;
}

} // namespace kest
