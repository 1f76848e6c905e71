#include "KestPropsPublished.h"

#include <charconv>

#include "KestUtils.h"

namespace kest {

namespace {

int32_t IndexOfName(const TStrings& names, std::string_view name)
{
    for (size_t i = 0; i < names.size(); ++i)
        if (SameNameCI(names[i], name))
            return static_cast<int32_t>(i);
    return -1;
}

bool ToEnumOrdinal(const TSubPropInfo& info, const TPropValue& value, int32_t& ordinal)
{
    auto inRange = [&](int32_t v) { return info.EnumNames.empty() || (v >= 0 && v < int32_t(info.EnumNames.size())); };
    if (const auto* text = std::get_if<std::string>(&value))
        ordinal = IndexOfName(info.EnumNames, TrimBlanks(*text));
    else if (const auto* b = std::get_if<bool>(&value))
        ordinal = *b ? 1 : 0;
    else if (const auto* i = std::get_if<int32_t>(&value))
        ordinal = *i;
    else
        return false;
    return ordinal >= 0 && inRange(ordinal);
}

bool ToCharCode(const TPropValue& value, int32_t& code)
{
    if (const auto* text = std::get_if<std::string>(&value)) {
        if (text->size() != 1)
            return false;
        code = static_cast<unsigned char>(text->front());
        return true;
    }
    const auto* i = std::get_if<int32_t>(&value);
    if (!i || *i < 0 || *i > 255)
        return false;
    code = *i;
    return true;
}

bool ToInt64(const TPropValue& value, int64_t& out)
{
    if (const auto* l = std::get_if<int64_t>(&value)) {
        out = *l;
        return true;
    }
    if (const auto* i = std::get_if<int32_t>(&value)) {
        out = *i;
        return true;
    }
    const auto* text = std::get_if<std::string>(&value);
    if (!text)
        return false;
    std::string trimmed = TrimBlanks(*text);
    const char* end = trimmed.data() + trimmed.size();
    auto result = std::from_chars(trimmed.data(), end, out);
    return result.ec == std::errc() && result.ptr == end && !trimmed.empty();
}

// Converts a published or raw value to the raw form Set takes.
bool ToRaw(const TSubPropInfo& info, const TPropValue& value, TPropValue& raw)
{
    int32_t ordinal = 0;
    switch (info.Kind) {
    case skInteger:
        if (!ValueToInt32(value, ordinal))
            return false;
        raw = ordinal;
        return true;
    case skChar:
        if (!ToCharCode(value, ordinal))
            return false;
        raw = ordinal;
        return true;
    case skEnumeration:
        if (!ToEnumOrdinal(info, value, ordinal))
            return false;
        raw = ordinal;
        return true;
    case skSet: {
        uint32_t bits = 0;
        if (const auto* text = std::get_if<std::string>(&value)) {
            if (!TextToSet(*text, info.EnumNames, bits))
                return false;
        } else if (const auto* i = std::get_if<int32_t>(&value)) {
            bits = static_cast<uint32_t>(*i);
        } else {
            return false;
        }
        raw = static_cast<int32_t>(bits);
        return true;
    }
    case skFloat: {
        double d = 0;
        if (!ValueToDouble(value, d))
            return false;
        raw = d;
        return true;
    }
    case skText: {
        std::string text;
        if (!std::holds_alternative<std::monostate>(value) && !ValueToText(value, text))
            return false;
        raw = std::move(text);
        return true;
    }
    case skInt64: {
        int64_t l = 0;
        if (!ToInt64(value, l))
            return false;
        raw = l;
        return true;
    }
    default:
        raw = value;
        return true;
    }
}

} // namespace

const TSubPropInfo* TSubPropTable::Find(std::string_view name) const
{
    for (const TSubPropInfo& info : items_)
        if (SameNameCI(info.Name, name))
            return &info;
    return nullptr;
}

void TSubPropTable::Add(TSubPropInfo info)
{
    if (Find(info.Name))
        throw EKestError("Sub-property " + info.Name + " declared twice");
    items_.push_back(std::move(info));
}

TPropValue GetSubPropValue(TCustomProp& instance, const TSubPropInfo& info)
{
    if (info.Kind == skObject) {
        TCustomProp* object = info.Object(instance);
        return object ? object->GetPropValue({}) : TPropValue();
    }
    if (!info.Get)
        return {};
    TPropValue raw = info.Get(instance);
    switch (info.Kind) {
    case skChar:
        return std::string(1, static_cast<char>(std::get<int32_t>(raw)));
    case skEnumeration: {
        int32_t ordinal = std::get<int32_t>(raw);
        if (ordinal < 0 || ordinal >= int32_t(info.EnumNames.size()))
            return {};
        return info.EnumNames[ordinal];
    }
    case skSet:
        return SetToText(static_cast<uint32_t>(std::get<int32_t>(raw)), info.EnumNames);
    default:
        return raw;
    }
}

bool SetSubPropValue(TCustomProp& instance, const TSubPropInfo& info, const TPropValue& value)
{
    if (info.Kind == skObject) {
        TCustomProp* object = info.Object(instance);
        if (object)
            object->SetPropValue({}, value);
        return object != nullptr;
    }
    TPropValue raw;
    if (!info.Set || !ToRaw(info, value, raw))
        return false;
    info.Set(instance, raw);
    return true;
}

bool IsDefaultPropValue(TCustomProp& instance, const TSubPropInfo& info, TCustomProp* ancestor)
{
    // The table's accessors only fit objects of the class that declared it.
    if (ancestor && ancestor->ClassType() != instance.ClassType())
        throw EKestError(
            std::string("Ancestor of class ") + ancestor->ClassName() + " given for " + instance.ClassName());
    if (info.Kind == skObject) {
        TCustomProp* object = info.Object(instance);
        return !object || (ancestor && object == info.Object(*ancestor));
    }
    if (info.Kind == skOther || !info.Get)
        return false;
    TPropValue raw = info.Get(instance);
    if (ancestor)
        return raw == info.Get(*ancestor);
    switch (info.Kind) {
    case skFloat:
        return std::get<double>(raw) == 0.0;
    case skText:
        return std::get<std::string>(raw).empty();
    case skInt64:
        return std::get<int64_t>(raw) == 0;
    case skMethod:
    case skVariant:
        return std::holds_alternative<std::monostate>(raw);
    default:
        return info.Default && std::get<int32_t>(raw) == *info.Default;
    }
}

std::string SetToText(uint32_t bits, const TStrings& names)
{
    std::string text;
    for (size_t i = 0; i < names.size() && i < 32; ++i) {
        if (!(bits & (1u << i)))
            continue;
        if (!text.empty())
            text += ',';
        text += names[i];
    }
    return text;
}

bool TextToSet(std::string_view text, const TStrings& names, uint32_t& bits)
{
    std::string trimmed = TrimBlanks(text);
    std::string_view rest = trimmed;
    if (!rest.empty() && rest.front() == '[') {
        if (rest.back() != ']')
            return false;
        rest = rest.substr(1, rest.size() - 2);
    }
    uint32_t result = 0;
    while (!TrimBlanks(rest).empty()) {
        size_t comma = rest.find(',');
        int32_t index = IndexOfName(names, TrimBlanks(rest.substr(0, comma)));
        if (index < 0 || index >= 32)
            return false;
        result |= 1u << index;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    bits = result;
    return true;
}

} // namespace kest
