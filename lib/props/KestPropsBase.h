// TCustomProp: the common base of every property kind, and the registry of
// edit dialogs that property classes can be given.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "KestClass.h"
#include "KestNotifyLink.h"
#include "KestValue.h"

namespace kest {

class TCustomProp;
class TKestCanvas;
class TPropList;
class TSubPropTable;

// Style flags of a property.
enum TPropStyle : uint8_t {
    psReadOnly = 1,
    psVisible = 2,
    psNotStored = 4,
    psNonVisual = 8,
    psEditForm = 32,
    psScaled = 64,
    psReference = 128,
};

enum TPropType : uint8_t { ptSimple = 0, ptComplex = 1, ptStringList = 2, ptHexData = 3 };

// What an edit dialog offers the property framework; the dialogs themselves
// live in the layers that draw.
class TPropEditDialog {
public:
    virtual ~TPropEditDialog() = default;
    virtual void SetProp(TCustomProp* prop) = 0;
    // True when the dialog was closed with OK.
    virtual bool ShowModal() = 0;
};

// The "dialog class" of a property class: creates a new dialog.
using TPropEditFormClass = std::unique_ptr<TPropEditDialog> (*)();

// Adds a (property class, dialog class) pair; the first pair registered for
// exactly a property's class wins.
void RegisterPropEditForm(const TKestClass* propClass, TPropEditFormClass formClass);
TPropEditFormClass FindPropEditForm(const TKestClass* propClass);

class TCustomProp : public TKestObject {
    KEST_CLASS(TCustomProp)
public:
    TCustomProp() = default;
    ~TCustomProp() override;
    TCustomProp(const TCustomProp&) = delete;
    TCustomProp& operator=(const TCustomProp&) = delete;

    // The list the property belongs to; a sub-property object answers with
    // the list of the property that holds it.
    TPropList* Owner() const;
    // The name under which the owner list keeps it; empty without a list.
    std::string Name() const;
    // The complex property this one is an object sub-property of, or none.
    TCustomProp* ParentProp() const { return parentProp_; }
    void SetParentProp(TCustomProp* parent) { parentProp_ = parent; }

    uint8_t Style() const { return style_; }
    void SetStyle(uint8_t value) { style_ = value; }
    bool HasStyle(TPropStyle flag) const { return (style_ & flag) != 0; }
    TPropEditFormClass EditFormClass() const { return editFormClass_; }
    TPropType PropType() const { return propType_; }
    bool IsEnum() const { return isEnum_; }
    bool NotHistory() const { return notHistory_; }
    void SetNotHistory(bool value) { notHistory_ = value; }
    // Created on first request.
    TNotifyLink* NotifyLink();
    bool HasNotifyLink() const { return notifyLink_ != nullptr; }
    // The read-only test of the owner list (the style flag without one).
    bool IsReadOnly() const;

    virtual std::string GetDisplayValue();
    virtual void SetDisplayValue(const std::string& text);
    virtual void DoBeforeChanged();
    virtual void DoChanged();
    virtual void SetPropValue(std::string_view subName, const TPropValue& value);
    virtual TPropValue GetPropValue(std::string_view subName);
    virtual TPropType GetPropType(std::string_view subName);
    virtual void Setup(TKestCanvas* canvas, int32_t scale);
    virtual bool Edit();
    virtual void GetEnumList(TStrings& list);
    virtual bool IsSubPropStored(std::string_view subName);
    // The published sub-properties of the class, or none.
    virtual const TSubPropTable* SubProps() const;

    // The object sub-property of that name, when the class publishes one.
    TCustomProp* SubPropObject(std::string_view subName);

protected:
    void SetPropType(TPropType value) { propType_ = value; }
    void SetIsEnum(bool value) { isEnum_ = value; }

private:
    friend class TPropList;
    // Runs once the object is complete, so that the edit form is looked up
    // for the most derived class.
    void AfterConstruction();

    // Pointers first and the flags together: a document holds a great many
    // properties.
    TPropList* owner_ = nullptr;
    TCustomProp* parentProp_ = nullptr;
    TPropEditFormClass editFormClass_ = nullptr;
    std::unique_ptr<TNotifyLink> notifyLink_;
    uint8_t style_ = psVisible;
    TPropType propType_ = ptSimple;
    bool isEnum_ = false;
    bool notHistory_ = false;
};

} // namespace kest
