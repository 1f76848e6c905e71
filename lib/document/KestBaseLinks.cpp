#include "KestBaseLinks.h"

#include <charconv>

#include "KestBaseContainers.h"
#include "KestBaseControl.h"
#include "KestBasePanel.h"
#include "KestError.h"

namespace kest {

namespace {

TDocumentNameOf& DocumentNameOfRoutine()
{
    static TDocumentNameOf routine;
    return routine;
}

TPanelByDocumentName& PanelByDocumentNameRoutine()
{
    static TPanelByDocumentName routine;
    return routine;
}

TKestControl* ControlOfList(const TPropList* list)
{
    return list ? dynamic_cast<TKestControl*>(list->Owner()) : nullptr;
}

bool NeedsDocumentQuotes(std::string_view name)
{
    for (char c : name)
        if (static_cast<unsigned char>(c) <= 32 || c == '"' || c == '\\')
            return true;
    return false;
}

// The quoted document name at the start of text; pos is left on the
// character after the closing quote. False when the quote is not closed.
bool ReadQuotedName(std::string_view text, size_t& pos, std::string& name)
{
    for (pos = 1; pos < text.size(); ++pos) {
        if (text[pos] != '"') {
            name += text[pos];
            continue;
        }
        if (pos + 1 < text.size() && text[pos + 1] == '"') {
            name += '"';
            ++pos;
            continue;
        }
        ++pos;
        return true;
    }
    return false;
}

int32_t ParseId(std::string_view text)
{
    uint32_t id = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc() || end != text.data() + text.size())
        return 0;
    return static_cast<int32_t>(id);
}

} // namespace

// ---------------------------------------------------------------------------
// Document names

void SetDocumentNameOf(TDocumentNameOf routine)
{
    DocumentNameOfRoutine() = std::move(routine);
}

void SetPanelByDocumentName(TPanelByDocumentName routine)
{
    PanelByDocumentNameRoutine() = std::move(routine);
}

std::string DocumentNameOf(TKestPanel* panel)
{
    if (DocumentNameOfRoutine())
        return DocumentNameOfRoutine()(panel);
    return panel ? panel->objectName().toStdString() : std::string();
}

TKestPanel* PanelByDocumentName(const std::string& name)
{
    return PanelByDocumentNameRoutine() ? PanelByDocumentNameRoutine()(name) : nullptr;
}

// ---------------------------------------------------------------------------
// Link text

std::string BuildLinkText(TKestControl* control, TCustomProp* prop, bool crossDocument)
{
    if (!control)
        return {};
    std::string name;
    for (char c : control->Name())
        if (static_cast<unsigned char>(c) >= 32 && c != '\\')
            name += c;
    std::string text = "\\" + std::to_string(static_cast<uint32_t>(control->ID())) + ":" + name;
    if (prop && prop->Owner() == &control->Props())
        text += "\\" + prop->Name();
    if (!crossDocument)
        return text;
    const std::string document = DocumentNameOf(control->Owner());
    if (!NeedsDocumentQuotes(document))
        return document + text;
    std::string quoted = "\"";
    for (char c : document)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"" + text;
}

bool ParseLinkText(std::string_view text, TKestPanel* panel, TKestControl* contextControl, const TPropRefList* idMap,
    TLinkTarget& target)
{
    target = {};
    if (text.empty())
        return true;
    size_t pos = 0;
    if (text.front() == '"') {
        std::string document;
        if (!ReadQuotedName(text, pos, document) || pos >= text.size() || text[pos] != '\\')
            return false;
        panel = PanelByDocumentName(document);
        if (!panel)
            return false;
    } else if (text.front() != '\\') {
        pos = text.find('\\');
        if (pos == std::string_view::npos)
            return false;
        panel = PanelByDocumentName(std::string(text.substr(0, pos)));
        if (!panel)
            return false;
    }
    ++pos;
    size_t end = text.find_first_of(":\\", pos);
    int32_t id = ParseId(text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos));
    if (idMap && id != 0) {
        if (const int32_t replaced = idMap->TranslateId(id); replaced != 0)
            id = replaced;
    }
    if (id == 0)
        return false;
    TKestControl* control = panel ? panel->FindControlById(id) : nullptr;
    if (!control && contextControl)
        control = contextControl->Root()->FindById(id);
    if (!control)
        return false;
    if (end != std::string_view::npos && text[end] == ':')
        end = text.find('\\', end + 1);
    TCustomProp* prop = nullptr;
    if (end != std::string_view::npos && end + 1 < text.size()) {
        prop = control->Props().PropByName(text.substr(end + 1));
        if (!prop)
            return false;
    }
    target = {control, prop};
    return true;
}

// ---------------------------------------------------------------------------
// TLayerProp

KEST_CLASS_IMPL(TLayerProp, TStrProp)

TLayerProp::TLayerProp() = default;

TKestControl* TLayerProp::OwnerControl() const
{
    return ControlOfList(Owner());
}

std::string TLayerProp::GetValue()
{
    TKestControl* control = OwnerControl();
    if (!control)
        return TStrProp::GetValue();
    return control->Layer() ? control->Layer()->Name() : std::string();
}

void TLayerProp::SetValue(const std::string& value)
{
    TKestControl* control = OwnerControl();
    if (!control) {
        TStrProp::SetValue(value);
        return;
    }
    TKestPanel* panel = control->Owner();
    if (!panel)
        return;
    TKestLayer* layer = nullptr;
    if (!value.empty()) {
        layer = panel->Layers()->ByName(value);
        if (!layer) {
            if (control->Layer() || !control->ParentScheme())
                return;
            layer = panel->ActiveLayer();
        }
    }
    control->SetLayer(layer);
}

void TLayerProp::GetEnumList(TStrings& list)
{
    list.clear();
    TKestControl* control = OwnerControl();
    if (!control || !control->Owner())
        return;
    const TKestLayers* layers = control->Owner()->Layers();
    for (int i = 0; i < layers->Count(); ++i)
        list.push_back(layers->Controls(i)->Name());
}

// ---------------------------------------------------------------------------
// TSchemeRefProp

KEST_CLASS_IMPL(TSchemeRefProp, TCustomProp)

TSchemeRefProp::TSchemeRefProp()
{
    SetStyle(psVisible | psReference | psNonVisual);
}

TKestControl* TSchemeRefProp::OwnerControl() const
{
    return ControlOfList(Owner());
}

void TSchemeRefProp::SetScheme(TKestCustomScheme* scheme)
{
    if (HasStyle(psReadOnly) || scheme == scheme_)
        return;
    DoBeforeChanged();
    scheme_ = scheme;
    DoChanged();
}

std::string TSchemeRefProp::GetDisplayValue()
{
    return scheme_ ? scheme_->Name() : std::string();
}

TPropValue TSchemeRefProp::GetPropValue(std::string_view subName)
{
    if (!subName.empty())
        return TCustomProp::GetPropValue(subName);
    return GetDisplayValue();
}

void TSchemeRefProp::SetPropValue(std::string_view subName, const TPropValue& value)
{
    if (!subName.empty()) {
        TCustomProp::SetPropValue(subName, value);
        return;
    }
    TKestControl* control = OwnerControl();
    TKestPanel* panel = control ? control->Owner() : nullptr;
    std::string text;
    if (!panel || !panel->InDocument(control) || !(IsEmptyValue(value) || ValueToText(value, text)))
        return;
    if (text.empty()) {
        SetScheme(nullptr);
        return;
    }
    const TKestSchemes* schemes = panel->Schemes();
    for (int i = 0; i < schemes->Count(); ++i)
        if (schemes->Controls(i)->Name() == text) {
            SetScheme(schemes->ByIndex(i));
            return;
        }
}

void TSchemeRefProp::GetEnumList(TStrings& list)
{
    list.assign(1, std::string());
    TKestControl* control = OwnerControl();
    if (!control || !control->Owner())
        return;
    const TKestSchemes* schemes = control->Owner()->Schemes();
    for (int i = 0; i < schemes->Count(); ++i)
        list.push_back(schemes->Controls(i)->Name());
}

// ---------------------------------------------------------------------------
// TLinkProp

KEST_CLASS_IMPL(TLinkProp, TCustomProp)

TLinkProp::TLinkProp()
    : linkNotify_(std::make_unique<TNotifyLink>(this))
{
    SetStyle(psVisible | psReference);
    linkNotify_->OnNotify = [this](TNotifyLink*, TNotifyLink* source, TNotifyLinkInfo& info) {
        // A property link also listens to its control, for its end only.
        if (source == TargetLink(linkedControl_, linkedProp_))
            ControlNotify(info);
    };
    linkNotify_->OnFreeNotify = [this](TNotifyLink*, TNotifyLink* source, TNotifyLinkInfo& info) {
        if (!source)
            return;
        // The dying link has let go of this one already; the other
        // subscription of a property link goes too.
        TNotifyLink* controlLink
            = linkedControl_ && linkedControl_->HasNotifyLink() ? linkedControl_->GetNotifyLink() : nullptr;
        TNotifyLink* propLink = linkedProp_ && linkedProp_->HasNotifyLink() ? linkedProp_->NotifyLink() : nullptr;
        for (TNotifyLink* link : {controlLink, propLink})
            if (link && link != source)
                link->Unlink(linkNotify_.get());
        LinkFreed(info);
    };
}

TLinkProp::~TLinkProp()
{
    Unsubscribe();
}

TKestControl* TLinkProp::OwnerControl() const
{
    return ControlOfList(Owner());
}

bool TLinkProp::CrossDocument() const
{
    const TKestControl* owner = OwnerControl();
    return linkedControl_ && owner && linkedControl_->Owner() != owner->Owner();
}

TNotifyLink* TLinkProp::TargetLink(TKestControl* control, TCustomProp* prop) const
{
    if (prop)
        return prop->NotifyLink();
    return control ? control->GetNotifyLink() : nullptr;
}

void TLinkProp::Unsubscribe()
{
    if (!linkedControl_)
        return;
    if (TNotifyLink* link = TargetLink(linkedControl_, linkedProp_))
        link->Unlink(linkNotify_.get());
    if (linkedProp_ && linkedControl_->HasNotifyLink())
        linkedControl_->GetNotifyLink()->Unlink(linkNotify_.get());
}

bool TLinkProp::SetLink(TKestControl* control, TCustomProp* prop)
{
    if (control && control->HasState(csDestroying))
        return false;
    if (prop && (!control || prop->Owner() != &control->Props()))
        prop = nullptr;
    Unsubscribe();
    linkedControl_ = control;
    linkedProp_ = prop;
    if (control) {
        TargetLink(control, prop)->LinkTo(linkNotify_.get());
        if (prop)
            control->GetNotifyLink()->LinkTo(linkNotify_.get());
    }
    return true;
}

void TLinkProp::SetLinkedControl(TKestControl* control)
{
    if ((control == linkedControl_ && !linkedProp_) || IsReadOnly())
        return;
    DoBeforeChanged();
    SetLink(control, nullptr);
    DoChanged();
}

void TLinkProp::SetText(const std::string& text)
{
    TKestControl* owner = OwnerControl();
    if (!owner)
        return;
    TLinkTarget target;
    if (!ParseLinkText(text, owner->Owner(), owner, Owner()->RefList(), target))
        return;
    if ((target.Control == linkedControl_ && target.Prop == linkedProp_) || IsReadOnly())
        return;
    DoBeforeChanged();
    SetLink(target.Control, target.Prop);
    DoChanged();
}

std::string TLinkProp::Text()
{
    return BuildLinkText(linkedControl_, linkedProp_, CrossDocument());
}

std::string TLinkProp::GetDisplayValue()
{
    return Text();
}

void TLinkProp::SetDisplayValue(const std::string& text)
{
    // Positions counted from 1, an absent character counting as 0.
    const size_t slash = text.find('\\'), colon = text.find(':');
    const size_t slashPos = slash == std::string::npos ? 0 : slash + 1;
    const size_t colonPos = colon == std::string::npos ? 0 : colon + 1;
    SetText(!text.empty() && slashPos >= colonPos ? "\\" + text : text);
}

TPropValue TLinkProp::GetPropValue(std::string_view subName)
{
    if (!subName.empty())
        return TCustomProp::GetPropValue(subName);
    return Text();
}

void TLinkProp::SetPropValue(std::string_view subName, const TPropValue& value)
{
    if (!subName.empty()) {
        TCustomProp::SetPropValue(subName, value);
        return;
    }
    std::string text;
    if (IsEmptyValue(value) || ValueToText(value, text))
        SetText(text);
}

void TLinkProp::ControlNotify(TNotifyLinkInfo& info)
{
    if (OnLinkNotify)
        OnLinkNotify(this, info);
}

void TLinkProp::LinkFreed(TNotifyLinkInfo& info)
{
    if (linkedControl_) {
        DoBeforeChanged();
        linkedControl_ = nullptr;
        linkedProp_ = nullptr;
        DoChanged();
    }
    if (OnLinkNotify)
        OnLinkNotify(this, info);
}

// ---------------------------------------------------------------------------
// TLinkPointProp

KEST_CLASS_IMPL(TLinkPointProp, TLinkProp)

TLinkPointProp::TLinkPointProp(TPropList* list)
    : ownerControl_(ControlOfList(list))
{
    if (!ownerControl_)
        throw EKestError("Can't create link prop");
}

TLinkPointProp::~TLinkPointProp()
{
    if (TKestControl* control = LinkedControl()) {
        const int index = control->IndexOfLinkPoint(&linkPoint_);
        if (index >= 0)
            control->DeleteLinkPoint(index);
    }
}

// The dying control may still move its link points while it lets go of its
// children (this link's owner among them): the point must leave its list now.
void TLinkPointProp::LinkFreed(TNotifyLinkInfo& info)
{
    if (TKestControl* control = LinkedControl()) {
        const int index = control->IndexOfLinkPoint(&linkPoint_);
        if (index >= 0)
            control->DeleteLinkPoint(index);
    }
    TLinkProp::LinkFreed(info);
}

bool TLinkPointProp::SetLink(TKestControl* control, TCustomProp* prop)
{
    if (control == LinkedControl() || control == ownerControl_)
        return false;
    if (TKestControl* old = LinkedControl()) {
        const int index = old->IndexOfLinkPoint(&linkPoint_);
        if (index >= 0)
            old->DeleteLinkPoint(index);
    }
    const bool result = TLinkProp::SetLink(control, prop);
    if (TKestControl* linked = LinkedControl()) {
        linked->AddLinkPoint(&linkPoint_);
        linkedRect_ = linked->DocRect();
    }
    return result;
}

void TLinkPointProp::SetLinkPoint(TKestPoint point)
{
    if (point == linkPoint_ || IsReadOnly())
        return;
    DoBeforeChanged();
    linkPoint_ = point;
    if (TKestControl* linked = LinkedControl()) {
        linked->DoNotify(knLinkPoints);
    } else {
        TNotifyLinkInfo info {ncCustom, knLinkPoints, reinterpret_cast<intptr_t>(ownerControl_)};
        ControlNotify(info);
    }
    DoChanged();
}

void TLinkPointProp::ControlNotify(TNotifyLinkInfo& info)
{
    if (info.Code == ncCustom && info.Param1 == knLinkPoints) {
        if (linkPoint_ == lastLinkPoint_)
            return;
        lastLinkPoint_ = linkPoint_;
    }
    TLinkProp::ControlNotify(info);
}

} // namespace kest
