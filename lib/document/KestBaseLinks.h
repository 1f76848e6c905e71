// Links and references between the objects of a document: a control's
// layer (by name), its reference to a scheme (by name), a link to a control
// or to one of its properties (by identifier) and a link that also ties a
// point to the linked control. Link values are saved as text, resolved when
// loading ends, follow their target and let go of it when it dies.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "KestProps.h"
#include "KestUtils.h"

namespace kest {

class TKestControl;
class TKestCustomScheme;
class TKestPanel;

// The owner control's layer, by name; no storage of its own.
class TLayerProp : public TStrProp {
    KEST_CLASS(TLayerProp)
public:
    TLayerProp();

    std::string GetValue() override;
    // Finds the layer by name (case-sensitive) among the panel's layers; an
    // empty name means no layer.
    void SetValue(const std::string& value) override;
    void GetEnumList(TStrings& list) override;

private:
    TKestControl* OwnerControl() const;
};

// A reference to a scheme, by name.
class TSchemeRefProp : public TCustomProp {
    KEST_CLASS(TSchemeRefProp)
public:
    TSchemeRefProp();

    TKestCustomScheme* Scheme() const { return scheme_; }
    void SetScheme(TKestCustomScheme* scheme);

    std::string GetDisplayValue() override;
    TPropValue GetPropValue(std::string_view subName) override;
    void SetPropValue(std::string_view subName, const TPropValue& value) override;
    void GetEnumList(TStrings& list) override;

private:
    TKestControl* OwnerControl() const;

    TKestCustomScheme* scheme_ = nullptr;
};

// A link to a control, or to one property of a control.
class TLinkProp : public TCustomProp {
    KEST_CLASS(TLinkProp)
public:
    TLinkProp();
    ~TLinkProp() override;

    TKestControl* LinkedControl() const { return linkedControl_; }
    TCustomProp* LinkedProp() const { return linkedProp_; }
    // The linked control belongs to another panel than the owner control.
    bool CrossDocument() const;

    // Moves the subscription to the new target without the change protocol.
    virtual bool SetLink(TKestControl* control, TCustomProp* prop);
    void SetLinkedControl(TKestControl* control);
    // Parses the link text and links to its target: loading and editing.
    void SetText(const std::string& text);
    // The link text, built from the target as it is now (identifier, name, panel).
    std::string Text();

    std::string GetDisplayValue() override;
    void SetDisplayValue(const std::string& text) override;
    TPropValue GetPropValue(std::string_view subName) override;
    void SetPropValue(std::string_view subName, const TPropValue& value) override;

    // Every notification that reaches the link, after the link handled it.
    std::function<void(TLinkProp* sender, TNotifyLinkInfo& info)> OnLinkNotify;

protected:
    virtual void ControlNotify(TNotifyLinkInfo& info);
    virtual void LinkFreed(TNotifyLinkInfo& info);
    TKestControl* OwnerControl() const;

private:
    TNotifyLink* TargetLink(TKestControl* control, TCustomProp* prop) const;
    void Unsubscribe();

    std::unique_ptr<TNotifyLink> linkNotify_;
    TKestControl* linkedControl_ = nullptr;
    TCustomProp* linkedProp_ = nullptr;
};

// A link to a control plus a point that moves with it.
class TLinkPointProp : public TLinkProp {
    KEST_CLASS(TLinkPointProp)
public:
    // Throws EKestError("Can't create link prop") unless the list belongs to a control.
    explicit TLinkPointProp(TPropList* list);
    ~TLinkPointProp() override;

    TKestPoint LinkPoint() const { return linkPoint_; }
    void SetLinkPoint(TKestPoint point);
    const TKestRect& LinkedRect() const { return linkedRect_; }

    bool SetLink(TKestControl* control, TCustomProp* prop) override;

protected:
    void ControlNotify(TNotifyLinkInfo& info) override;
    void LinkFreed(TNotifyLinkInfo& info) override;

private:
    TKestControl* ownerControl_;
    TKestPoint linkPoint_;
    TKestPoint lastLinkPoint_;
    TKestRect linkedRect_;
};

// [document name] "\" identifier ":" name ["\" property name]; empty
// without a control. The property part only for a property of the control.
std::string BuildLinkText(TKestControl* control, TCustomProp* prop, bool crossDocument);

struct TLinkTarget {
    TKestControl* Control = nullptr;
    TCustomProp* Prop = nullptr;
};

// False when the text does not resolve; an empty text resolves to nothing.
// idMap, when given, translates identifiers replaced during the current load.
bool ParseLinkText(std::string_view text, TKestPanel* panel, TKestControl* contextControl, const TPropRefList* idMap,
    TLinkTarget& target);

// Process-wide routines of cross-document links; the application may
// replace them. By default a panel's document name is its object name and
// no panel is found by name.
using TDocumentNameOf = std::function<std::string(TKestPanel* panel)>;
using TPanelByDocumentName = std::function<TKestPanel*(const std::string& name)>;
void SetDocumentNameOf(TDocumentNameOf routine);
void SetPanelByDocumentName(TPanelByDocumentName routine);
std::string DocumentNameOf(TKestPanel* panel);
TKestPanel* PanelByDocumentName(const std::string& name);

} // namespace kest
