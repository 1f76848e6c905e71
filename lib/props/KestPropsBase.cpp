#include "KestPropsBase.h"

#include <vector>

#include "KestPropsList.h"
#include "KestPropsPublished.h"

namespace kest {

namespace {

struct TEditFormEntry {
    const TKestClass* PropClass;
    TPropEditFormClass FormClass;
};

std::vector<TEditFormEntry>& EditForms()
{
    static std::vector<TEditFormEntry> forms;
    return forms;
}

} // namespace

void RegisterPropEditForm(const TKestClass* propClass, TPropEditFormClass formClass)
{
    if (propClass && formClass)
        EditForms().push_back({propClass, formClass});
}

TPropEditFormClass FindPropEditForm(const TKestClass* propClass)
{
    for (const TEditFormEntry& entry : EditForms())
        if (entry.PropClass == propClass)
            return entry.FormClass;
    return nullptr;
}

KEST_CLASS_IMPL(TCustomProp, TKestObject)

TCustomProp::~TCustomProp() = default;

void TCustomProp::AfterConstruction()
{
    editFormClass_ = FindPropEditForm(ClassType());
    if (editFormClass_)
        style_ |= psEditForm;
}

TPropList* TCustomProp::Owner() const
{
    return parentProp_ ? parentProp_->Owner() : owner_;
}

std::string TCustomProp::Name() const
{
    int index = owner_ ? owner_->IndexOf(this) : -1;
    return index >= 0 ? std::string(owner_->Name(index)) : std::string();
}

TNotifyLink* TCustomProp::NotifyLink()
{
    if (!notifyLink_)
        notifyLink_ = std::make_unique<TNotifyLink>(this);
    return notifyLink_.get();
}

bool TCustomProp::IsReadOnly() const
{
    if (parentProp_)
        return parentProp_->IsReadOnly();
    if (owner_)
        return owner_->IsReadOnlyProp(this);
    return HasStyle(psReadOnly);
}

std::string TCustomProp::GetDisplayValue()
{
    return std::string("(") + ClassName() + ")";
}

void TCustomProp::SetDisplayValue(const std::string& text)
{
    SetPropValue({}, TPropValue(text));
}

// A sub-property object's change is a change of the property holding it, so
// that the whole complex property is recorded and notified.
void TCustomProp::DoBeforeChanged()
{
    if (parentProp_)
        parentProp_->DoBeforeChanged();
    else if (owner_)
        owner_->PropBeforeChanged(this);
    if (notifyLink_)
        notifyLink_->NotifyProp(this, true);
}

void TCustomProp::DoChanged()
{
    if (parentProp_)
        parentProp_->DoChanged();
    else if (owner_)
        owner_->PropChanged(this);
    if (notifyLink_)
        notifyLink_->NotifyProp(this, false);
}

void TCustomProp::SetPropValue(std::string_view subName, const TPropValue& value)
{
    const TSubPropTable* table = subName.empty() ? nullptr : SubProps();
    if (const TSubPropInfo* info = table ? table->Find(subName) : nullptr)
        SetSubPropValue(*this, *info, value);
}

TPropValue TCustomProp::GetPropValue(std::string_view subName)
{
    const TSubPropTable* table = subName.empty() ? nullptr : SubProps();
    if (const TSubPropInfo* info = table ? table->Find(subName) : nullptr)
        return GetSubPropValue(*this, *info);
    return {};
}

TPropType TCustomProp::GetPropType(std::string_view subName)
{
    return subName.empty() ? propType_ : ptSimple;
}

void TCustomProp::Setup(TKestCanvas*, int32_t) { }

bool TCustomProp::Edit()
{
    if (!HasStyle(psEditForm) || !editFormClass_)
        return false;
    std::unique_ptr<TPropEditDialog> dialog = editFormClass_();
    if (!dialog)
        return false;
    dialog->SetProp(this);
    return dialog->ShowModal();
}

void TCustomProp::GetEnumList(TStrings&) { }

bool TCustomProp::IsSubPropStored(std::string_view subName)
{
    const TSubPropTable* table = SubProps();
    const TSubPropInfo* info = table ? table->Find(subName) : nullptr;
    if (!info)
        return true;
    if (info->Kind != skObject && IsDefaultPropValue(*this, *info, nullptr))
        return false;
    return !info->Stored || info->Stored(*this);
}

const TSubPropTable* TCustomProp::SubProps() const
{
    return nullptr;
}

TCustomProp* TCustomProp::SubPropObject(std::string_view subName)
{
    const TSubPropTable* table = SubProps();
    const TSubPropInfo* info = table ? table->Find(subName) : nullptr;
    return info && info->Kind == skObject ? info->Object(*this) : nullptr;
}

} // namespace kest
