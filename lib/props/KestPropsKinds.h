// The scalar and list property kinds: enumerations, Booleans, signed and
// unsigned integers, texts, string lists, user data and opaque data. Each
// setter runs the change protocol: an equal value or a read-only property
// changes nothing; otherwise before-change notice, store, changed notice.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "KestPropsBase.h"

namespace kest {

// The lines of a text split at CR, LF or CR LF; a final line break adds no
// empty line, so the empty text has none.
TStrings SplitTextLines(std::string_view text);

class TEnumProp : public TCustomProp {
    KEST_CLASS(TEnumProp)
public:
    explicit TEnumProp(TStrings names = {});
    // Names shared by every property of a kind: a document may hold many.
    explicit TEnumProp(std::shared_ptr<const TStrings> names);

    int32_t Value() const { return value_; }
    // No range check: an index outside the names shows as an empty text.
    virtual void SetValue(int32_t value);
    const TStrings& EnumNames() const { return *enumNames_; }
    void SetEnumNames(TStrings names) { enumNames_ = std::make_shared<const TStrings>(std::move(names)); }

    std::string GetDisplayValue() override;
    void SetPropValue(std::string_view subName, const TPropValue& value) override;
    TPropValue GetPropValue(std::string_view subName) override;
    void GetEnumList(TStrings& list) override;

protected:
    // Index of the name, ignoring case; -1 when absent.
    int32_t IndexOfEnumName(const TPropValue& value) const;
    // The name at Value; empty outside the names.
    std::string ValueName() const;

private:
    int32_t value_ = 0;
    std::shared_ptr<const TStrings> enumNames_;
};

class TBoolProp : public TEnumProp {
    KEST_CLASS(TBoolProp)
public:
    TBoolProp();

    bool BoolValue() const { return Value() != 0; }
    void SetBoolValue(bool value) { SetValue(value ? 1 : 0); }

    void SetPropValue(std::string_view subName, const TPropValue& value) override;
    TPropValue GetPropValue(std::string_view subName) override;

private:
    static const std::shared_ptr<const TStrings>& BoolNames();
};

class TIntProp : public TCustomProp {
    KEST_CLASS(TIntProp)
public:
    TIntProp();

    // The handler's answer when OnGetValue is set, else the external
    // integer when PValue is set, else the own value.
    int32_t Value();
    // Compares with the stored value (the external one when PValue is set);
    // before-change handlers find the incoming value in NewValue.
    void SetValue(int32_t value);
    int32_t* PValue() const { return pValue_; }
    void SetPValue(int32_t* value) { pValue_ = value; }
    int32_t NewValue() const { return newValue_; }

    // With psScaled: thousandths, "%.3f" in the C library's locale.
    std::string GetDisplayValue() override;
    void SetDisplayValue(const std::string& text) override;
    void SetPropValue(std::string_view subName, const TPropValue& value) override;
    TPropValue GetPropValue(std::string_view subName) override;

    std::function<void(TIntProp* sender, int32_t& value)> OnGetValue;

private:
    int32_t value_ = 0;
    int32_t newValue_ = 0;
    int32_t* pValue_ = nullptr;
};

class TLongWordProp : public TCustomProp {
    KEST_CLASS(TLongWordProp)
public:
    TLongWordProp();

    uint32_t Value() const { return value_; }
    virtual void SetValue(uint32_t value);

    std::string GetDisplayValue() override;
    // Takes unsigned decimals as displayed (and negative ones as written in
    // documents), or thousandths with psScaled.
    void SetDisplayValue(const std::string& text) override;
    // Documents hold the 32 bits as a signed integer.
    void SetPropValue(std::string_view subName, const TPropValue& value) override;
    TPropValue GetPropValue(std::string_view subName) override;

private:
    uint32_t value_ = 0;
};

class TStrProp : public TCustomProp {
    KEST_CLASS(TStrProp)
public:
    TStrProp();

    // The handler's answer when OnGetString is set, else the own text.
    virtual std::string GetValue();
    virtual void SetValue(const std::string& value);

    std::string GetDisplayValue() override;
    // The empty value sets the empty text.
    void SetPropValue(std::string_view subName, const TPropValue& value) override;
    TPropValue GetPropValue(std::string_view subName) override;

    std::function<void(TStrProp* sender, std::string& value)> OnGetString;

private:
    std::string value_;
};

class TStrListProp : public TCustomProp {
    KEST_CLASS(TStrListProp)
public:
    TStrListProp();

    const TStrings& Strings() const { return strings_; }
    int Count() const { return static_cast<int>(strings_.size()); }
    // Replaces the lines; always notifies.
    void SetStrings(const TStrings& lines);

    // Lines of the form name=value, the name compared ignoring case.
    int IndexOfName(std::string_view name) const;
    std::string GetValueByName(std::string_view name) const;
    // A missing name is appended with its value in one change; a name that
    // is blank or holds "=" or a line break is refused.
    void SetValueByName(std::string_view name, std::string_view value);
    // Throws EKestError for an index outside the lines.
    void SetValueByIndex(int index, std::string_view value);
    // Lines joined with CR LF, without a final one.
    std::string GetText() const;
    // Split at CR, LF or CR LF; always notifies.
    void SetText(std::string_view text);

    std::string GetDisplayValue() override;
    void SetPropValue(std::string_view subName, const TPropValue& value) override;
    TPropValue GetPropValue(std::string_view subName) override;

private:
    TStrings strings_;
};

class TUserDataProp : public TStrListProp {
    KEST_CLASS(TUserDataProp)
};

// Holds nothing itself: the owner's handlers give and take the bytes and run
// the change protocol on the owner's side.
class TDataProp : public TCustomProp {
    KEST_CLASS(TDataProp)
public:
    TDataProp();

    std::string GetDisplayValue() override;
    void SetPropValue(std::string_view subName, const TPropValue& value) override;
    TPropValue GetPropValue(std::string_view subName) override;

    std::function<void(TDataProp* sender, TPropValue& value)> OnGetData;
    std::function<void(TDataProp* sender, const TPropValue& value)> OnSetData;
};

} // namespace kest
