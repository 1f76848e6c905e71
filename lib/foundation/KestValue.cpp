#include "KestValue.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "KestUtils.h"

namespace kest {

namespace {

// Whole-text decimal integer with an optional sign; from_chars alone takes no "+".
bool ParseInt64(std::string_view text, int64_t& out)
{
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
            return false;
    }
    int64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size())
        return false;
    out = value;
    return true;
}

bool FitsInt32(int64_t value)
{
    return value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max();
}

} // namespace

bool ValueToText(const TPropValue& v, std::string& out)
{
    if (const auto* s = std::get_if<std::string>(&v))
        out = *s;
    else if (const auto* i = std::get_if<int32_t>(&v))
        out = std::to_string(*i);
    else if (const auto* l = std::get_if<int64_t>(&v))
        out = std::to_string(*l);
    else if (const auto* b = std::get_if<bool>(&v))
        out = *b ? "True" : "False";
    else if (const auto* d = std::get_if<double>(&v))
        out = FloatToStrDot(*d);
    else
        return false;
    return true;
}

bool ValueToInt32(const TPropValue& v, int32_t& out)
{
    int64_t wide = 0;
    if (const auto* i = std::get_if<int32_t>(&v)) {
        wide = *i;
    } else if (const auto* l = std::get_if<int64_t>(&v)) {
        wide = *l;
    } else if (const auto* b = std::get_if<bool>(&v)) {
        wide = *b ? 1 : 0;
    } else if (const auto* d = std::get_if<double>(&v)) {
        // Variants round to nearest with halves to even; the range check comes
        // first so that the cast below is defined.
        if (!std::isfinite(*d) || *d <= std::numeric_limits<int32_t>::min() - 1.0
            || *d >= std::numeric_limits<int32_t>::max() + 1.0)
            return false;
        wide = static_cast<int64_t>(std::nearbyint(*d));
    } else if (const auto* s = std::get_if<std::string>(&v)) {
        if (!ParseInt64(*s, wide))
            return false;
    } else {
        return false;
    }
    if (!FitsInt32(wide))
        return false;
    out = static_cast<int32_t>(wide);
    return true;
}

bool ValueToDouble(const TPropValue& v, double& out)
{
    if (const auto* d = std::get_if<double>(&v))
        out = *d;
    else if (const auto* i = std::get_if<int32_t>(&v))
        out = *i;
    else if (const auto* l = std::get_if<int64_t>(&v))
        out = static_cast<double>(*l);
    else if (const auto* b = std::get_if<bool>(&v))
        out = *b ? 1.0 : 0.0;
    else if (const auto* s = std::get_if<std::string>(&v))
        return StrToFloatDot(*s, out);
    else
        return false;
    return true;
}

bool ValueToBool(const TPropValue& v, bool& out)
{
    if (const auto* b = std::get_if<bool>(&v))
        out = *b;
    else if (const auto* i = std::get_if<int32_t>(&v))
        out = *i != 0;
    else if (const auto* l = std::get_if<int64_t>(&v))
        out = *l != 0;
    else if (const auto* s = std::get_if<std::string>(&v)) {
        if (SameNameCI(*s, "True"))
            out = true;
        else if (SameNameCI(*s, "False"))
            out = false;
        else
            return false;
    } else
        return false;
    return true;
}

} // namespace kest
