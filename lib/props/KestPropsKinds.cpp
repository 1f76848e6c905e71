#include "KestPropsKinds.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "KestError.h"
#include "KestUtils.h"

namespace kest {

namespace {

// Thousandths are for people: shown and typed with the decimal separator of
// the C library's locale, unlike document values.
std::string FormatThousandths(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", value / 1000.0);
    return buffer;
}

// The typed number times 1000, rounded to nearest with halves to even;
// false for malformed text or a result outside [low, high].
bool ParseThousandths(const std::string& text, double low, double high, int64_t& out)
{
    std::string trimmed = TrimBlanks(text);
    // strtod would also take hexadecimal floats, "inf" and "nan".
    if (trimmed.empty() || trimmed.find_first_of("xX") != std::string::npos)
        return false;
    char* end = nullptr;
    double value = std::strtod(trimmed.c_str(), &end);
    if (end != trimmed.c_str() + trimmed.size() || !std::isfinite(value))
        return false;
    double scaled = std::nearbyint(value * 1000.0);
    if (!(scaled >= low && scaled <= high))
        return false;
    out = static_cast<int64_t>(scaled);
    return true;
}

// Documents hold a long word as a signed integer, people see it unsigned:
// both are taken.
bool ToLongWord(const TPropValue& value, uint32_t& out)
{
    int64_t wide = 0;
    if (const auto* l = std::get_if<int64_t>(&value)) {
        wide = *l;
    } else if (const auto* text = std::get_if<std::string>(&value)) {
        std::string trimmed = TrimBlanks(*text);
        const char* end = trimmed.data() + trimmed.size();
        auto result = std::from_chars(trimmed.data(), end, wide);
        if (trimmed.empty() || result.ec != std::errc() || result.ptr != end)
            return false;
    } else {
        int32_t i = 0;
        if (!ValueToInt32(value, i))
            return false;
        wide = i;
    }
    if (wide < std::numeric_limits<int32_t>::min() || wide > std::numeric_limits<uint32_t>::max())
        return false;
    out = static_cast<uint32_t>(wide);
    return true;
}

} // namespace

TStrings SplitTextLines(std::string_view text)
{
    TStrings lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// --- TEnumProp ---

KEST_CLASS_IMPL(TEnumProp, TCustomProp)

TEnumProp::TEnumProp(TStrings names)
    : TEnumProp(std::make_shared<const TStrings>(std::move(names)))
{
}

TEnumProp::TEnumProp(std::shared_ptr<const TStrings> names)
    : enumNames_(names ? std::move(names) : std::make_shared<const TStrings>())
{
    SetIsEnum(true);
}

void TEnumProp::SetValue(int32_t value)
{
    if (value == value_ || IsReadOnly())
        return;
    DoBeforeChanged();
    value_ = value;
    DoChanged();
}

std::string TEnumProp::GetDisplayValue()
{
    return ValueName();
}

std::string TEnumProp::ValueName() const
{
    const TStrings& names = *enumNames_;
    return value_ >= 0 && value_ < int32_t(names.size()) ? names[value_] : std::string();
}

int32_t TEnumProp::IndexOfEnumName(const TPropValue& value) const
{
    std::string name;
    if (!ValueToText(value, name))
        return -1;
    const TStrings& names = *enumNames_;
    for (size_t i = 0; i < names.size(); ++i)
        if (SameNameCI(names[i], name))
            return static_cast<int32_t>(i);
    return -1;
}

void TEnumProp::SetPropValue(std::string_view subName, const TPropValue& value)
{
    if (!subName.empty()) {
        TCustomProp::SetPropValue(subName, value);
        return;
    }
    int32_t index = IndexOfEnumName(value);
    if (index >= 0)
        SetValue(index);
}

TPropValue TEnumProp::GetPropValue(std::string_view subName)
{
    if (!subName.empty())
        return TCustomProp::GetPropValue(subName);
    return ValueName();
}

void TEnumProp::GetEnumList(TStrings& list)
{
    list = *enumNames_;
}

// --- TBoolProp ---

KEST_CLASS_IMPL(TBoolProp, TEnumProp)

TBoolProp::TBoolProp()
    : TEnumProp(BoolNames())
{
}

const std::shared_ptr<const TStrings>& TBoolProp::BoolNames()
{
    static const auto names = std::make_shared<const TStrings>(TStrings {"False", "True"});
    return names;
}

void TBoolProp::SetPropValue(std::string_view subName, const TPropValue& value)
{
    if (const auto* b = std::get_if<bool>(&value); b && subName.empty())
        SetBoolValue(*b);
    else
        TEnumProp::SetPropValue(subName, value);
}

TPropValue TBoolProp::GetPropValue(std::string_view subName)
{
    if (!subName.empty())
        return TEnumProp::GetPropValue(subName);
    return BoolValue();
}

// --- TIntProp ---

KEST_CLASS_IMPL(TIntProp, TCustomProp)

TIntProp::TIntProp() = default;

int32_t TIntProp::Value()
{
    if (OnGetValue) {
        int32_t value = 0;
        OnGetValue(this, value);
        return value;
    }
    return pValue_ ? *pValue_ : value_;
}

void TIntProp::SetValue(int32_t value)
{
    newValue_ = value;
    int32_t current = pValue_ ? *pValue_ : value_;
    if (current == value || IsReadOnly())
        return;
    DoBeforeChanged();
    if (pValue_)
        *pValue_ = value;
    value_ = value;
    DoChanged();
}

std::string TIntProp::GetDisplayValue()
{
    return HasStyle(psScaled) ? FormatThousandths(Value()) : std::to_string(Value());
}

void TIntProp::SetDisplayValue(const std::string& text)
{
    if (!HasStyle(psScaled)) {
        SetPropValue({}, TPropValue(text));
        return;
    }
    int64_t value = 0;
    if (ParseThousandths(text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), value))
        SetValue(static_cast<int32_t>(value));
}

void TIntProp::SetPropValue(std::string_view subName, const TPropValue& value)
{
    if (!subName.empty()) {
        TCustomProp::SetPropValue(subName, value);
        return;
    }
    int32_t number = 0;
    if (ValueToInt32(value, number))
        SetValue(number);
}

TPropValue TIntProp::GetPropValue(std::string_view subName)
{
    if (!subName.empty())
        return TCustomProp::GetPropValue(subName);
    return Value();
}

// --- TLongWordProp ---

KEST_CLASS_IMPL(TLongWordProp, TCustomProp)

TLongWordProp::TLongWordProp() = default;

void TLongWordProp::SetValue(uint32_t value)
{
    if (value == value_ || IsReadOnly())
        return;
    DoBeforeChanged();
    value_ = value;
    DoChanged();
}

std::string TLongWordProp::GetDisplayValue()
{
    return HasStyle(psScaled) ? FormatThousandths(value_) : std::to_string(value_);
}

void TLongWordProp::SetDisplayValue(const std::string& text)
{
    if (!HasStyle(psScaled)) {
        SetPropValue({}, TPropValue(text));
        return;
    }
    int64_t value = 0;
    if (ParseThousandths(text, 0, std::numeric_limits<uint32_t>::max(), value))
        SetValue(static_cast<uint32_t>(value));
}

void TLongWordProp::SetPropValue(std::string_view subName, const TPropValue& value)
{
    if (!subName.empty()) {
        TCustomProp::SetPropValue(subName, value);
        return;
    }
    uint32_t bits = 0;
    if (ToLongWord(value, bits))
        SetValue(bits);
}

TPropValue TLongWordProp::GetPropValue(std::string_view subName)
{
    if (!subName.empty())
        return TCustomProp::GetPropValue(subName);
    return static_cast<int32_t>(value_);
}

// --- TStrProp ---

KEST_CLASS_IMPL(TStrProp, TCustomProp)

TStrProp::TStrProp() = default;

std::string TStrProp::GetValue()
{
    if (!OnGetString)
        return value_;
    std::string value;
    OnGetString(this, value);
    return value;
}

void TStrProp::SetValue(const std::string& value)
{
    if (value == value_ || IsReadOnly())
        return;
    DoBeforeChanged();
    value_ = value;
    DoChanged();
}

std::string TStrProp::GetDisplayValue()
{
    return GetValue();
}

void TStrProp::SetPropValue(std::string_view subName, const TPropValue& value)
{
    if (!subName.empty()) {
        TCustomProp::SetPropValue(subName, value);
        return;
    }
    std::string text;
    if (IsEmptyValue(value) || ValueToText(value, text))
        SetValue(text);
}

TPropValue TStrProp::GetPropValue(std::string_view subName)
{
    if (!subName.empty())
        return TCustomProp::GetPropValue(subName);
    return GetValue();
}

// --- TStrListProp ---

KEST_CLASS_IMPL(TStrListProp, TCustomProp)

TStrListProp::TStrListProp()
{
    SetPropType(ptStringList);
}

void TStrListProp::SetStrings(const TStrings& lines)
{
    if (IsReadOnly())
        return;
    DoBeforeChanged();
    strings_ = lines;
    DoChanged();
}

int TStrListProp::IndexOfName(std::string_view name) const
{
    for (size_t i = 0; i < strings_.size(); ++i) {
        size_t eq = strings_[i].find('=');
        if (eq != std::string::npos && SameNameCI(std::string_view(strings_[i]).substr(0, eq), name))
            return static_cast<int>(i);
    }
    return -1;
}

std::string TStrListProp::GetValueByName(std::string_view name) const
{
    int index = IndexOfName(name);
    if (index < 0)
        return {};
    const std::string& line = strings_[index];
    size_t start = line.find_first_not_of(' ', line.find('=') + 1);
    return start == std::string::npos ? std::string() : line.substr(start);
}

void TStrListProp::SetValueByName(std::string_view name, std::string_view value)
{
    if (IsReadOnly())
        return;
    int index = IndexOfName(name);
    if (index >= 0) {
        SetValueByIndex(index, value);
        return;
    }
    // Appending inside the change protocol lets undo remove the line again.
    if (TrimBlanks(name).empty() || name.find_first_of("=\r\n") != std::string_view::npos)
        return;
    DoBeforeChanged();
    strings_.push_back(std::string(name) + "=" + std::string(value));
    DoChanged();
}

void TStrListProp::SetValueByIndex(int index, std::string_view value)
{
    if (IsReadOnly())
        return;
    if (index < 0 || index >= Count())
        throw EKestError("List index out of bounds (" + std::to_string(index) + ")");
    const std::string& line = strings_[index];
    std::string name = line.substr(0, line.find('='));
    if (TrimBlanks(name).empty())
        return;
    std::string newLine = name + "=" + std::string(value);
    if (newLine == line)
        return;
    DoBeforeChanged();
    strings_[index] = std::move(newLine);
    DoChanged();
}

std::string TStrListProp::GetText() const
{
    std::string text;
    for (size_t i = 0; i < strings_.size(); ++i) {
        if (i > 0)
            text += "\r\n";
        text += strings_[i];
    }
    return text;
}

void TStrListProp::SetText(std::string_view text)
{
    SetStrings(SplitTextLines(text));
}

std::string TStrListProp::GetDisplayValue()
{
    return "(Text)";
}

void TStrListProp::SetPropValue(std::string_view subName, const TPropValue& value)
{
    if (!subName.empty())
        TCustomProp::SetPropValue(subName, value);
    else if (IsEmptyValue(value))
        SetText({});
    else if (const auto* lines = std::get_if<TStrings>(&value))
        SetStrings(*lines);
}

TPropValue TStrListProp::GetPropValue(std::string_view subName)
{
    if (!subName.empty())
        return TCustomProp::GetPropValue(subName);
    if (strings_.empty())
        return {};
    return strings_;
}

// --- TUserDataProp ---

KEST_CLASS_IMPL(TUserDataProp, TStrListProp)

// --- TDataProp ---

KEST_CLASS_IMPL(TDataProp, TCustomProp)

TDataProp::TDataProp()
{
    SetPropType(ptHexData);
    SetStyle(Style() & ~psVisible);
}

std::string TDataProp::GetDisplayValue()
{
    return "(Data)";
}

void TDataProp::SetPropValue(std::string_view subName, const TPropValue& value)
{
    if (!subName.empty())
        TCustomProp::SetPropValue(subName, value);
    else if (OnSetData)
        OnSetData(this, value);
}

TPropValue TDataProp::GetPropValue(std::string_view subName)
{
    if (!subName.empty())
        return TCustomProp::GetPropValue(subName);
    TPropValue value;
    if (OnGetData)
        OnGetData(this, value);
    return value;
}

} // namespace kest
