#include "KestUtils.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace kest {

namespace {

char UpCase(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

int HexDigitValue(char c)
{
    if (IsDigit(c))
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Skips [0-9]* at pos and returns how many digits there were.
size_t SkipDigits(std::string_view text, size_t& pos)
{
    size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos]))
        ++pos;
    return pos - start;
}

// Accepts [sign] digits [. digits] [(e|E) [sign] digits] with at least one
// mantissa digit; from_chars alone would also take "inf", "nan" and hex.
bool IsDecimalFloatText(std::string_view text)
{
    size_t pos = 0;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        ++pos;
    size_t digits = SkipDigits(text, pos);
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        digits += SkipDigits(text, pos);
    }
    if (digits == 0)
        return false;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            ++pos;
        if (SkipDigits(text, pos) == 0)
            return false;
    }
    return pos == text.size();
}

} // namespace

int32_t MulDiv(int32_t a, int32_t b, int32_t c)
{
    if (c == 0)
        return -1;
    int64_t product = static_cast<int64_t>(a) * b;
    int64_t divisor = c;
    bool negative = (product < 0) != (divisor < 0);
    // |product| <= 2^62 and |divisor| <= 2^31, so the rounded sum cannot overflow.
    uint64_t magnitude = static_cast<uint64_t>(product < 0 ? -product : product);
    uint64_t absDivisor = static_cast<uint64_t>(divisor < 0 ? -divisor : divisor);
    uint64_t quotient = (magnitude + absDivisor / 2) / absDivisor;
    if (quotient > (negative ? uint64_t(1) << 31 : (uint64_t(1) << 31) - 1))
        return -1; // out of range, as the platform's MulDiv reports it
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(quotient)) : static_cast<int32_t>(quotient);
}

int32_t ScaleValue(int32_t value, int32_t scale)
{
    return MulDiv(value, scale, 100000);
}

int32_t UnscaleValue(int32_t value, int32_t scale)
{
    return MulDiv(value, 100000, scale);
}

TKestRect NormalizeRect(const TKestRect& r)
{
    return {std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right), std::max(r.Top, r.Bottom)};
}

bool StrBeginsWith(std::string_view a, std::string_view b)
{
    size_t n = std::min(a.size(), b.size());
    return a.substr(0, n) == b.substr(0, n);
}

bool NeedsQuoting(std::string_view text)
{
    if (text.empty())
        return false;
    if (text.front() == '(' || text.front() == '{')
        return true;
    return std::any_of(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 33 || c == '\''; });
}

std::string ExtractField(std::string_view text, int n, char separator)
{
    if (n < 1)
        return {};
    size_t start = 0;
    for (int field = 1; field < n; ++field) {
        size_t next = text.find(separator, start);
        if (next == std::string_view::npos)
            return {};
        start = next + 1;
    }
    size_t end = text.find(separator, start);
    return std::string(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
}

std::string ByteToHex(uint8_t value)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    return {digits[value >> 4], digits[value & 15]};
}

bool HexToByte(const char* digits, uint8_t& value)
{
    if (!digits)
        return false;
    int high = HexDigitValue(digits[0]);
    if (high < 0)
        return false;
    int low = HexDigitValue(digits[1]);
    if (low < 0)
        return false;
    value = static_cast<uint8_t>(high * 16 + low);
    return true;
}

std::string FloatToStrDot(double value)
{
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (value == 0)
        return "0"; // also for -0, as the general format shows it

    // d.dddddddddddddde±x: 15 significant digits, correctly rounded, no locale.
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    std::string_view text(buffer, static_cast<size_t>(end - buffer));
    bool negative = text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    size_t ePos = text.find('e');
    std::string digits;
    digits += text[0];
    digits.append(text.substr(2, ePos - 2));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = std::atoi(std::string(text.substr(ePos + 1)).c_str());

    std::string result = negative ? "-" : "";
    // Scientific below 1E-4 and from 15 integer digits on, like the general format of the document writer.
    if (exponent < -4 || exponent >= 15) {
        result += digits[0];
        if (digits.size() > 1) {
            result += '.';
            result.append(digits, 1);
        }
        result += 'E';
        result += std::to_string(exponent);
    } else if (exponent < 0) {
        result += "0.";
        result.append(static_cast<size_t>(-exponent - 1), '0');
        result += digits;
    } else {
        size_t intDigits = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
            result += digits;
            result.append(intDigits - digits.size(), '0');
        } else {
            result.append(digits, 0, intDigits);
            result += '.';
            result.append(digits, intDigits);
        }
    }
    return result;
}

bool StrToFloatDot(std::string_view text, double& value)
{
    std::string_view trimmed = text;
    while (!trimmed.empty() && trimmed.front() == ' ')
        trimmed.remove_prefix(1);
    while (!trimmed.empty() && trimmed.back() == ' ')
        trimmed.remove_suffix(1);
    if (!IsDecimalFloatText(trimmed))
        return false;
    if (trimmed.front() == '+')
        trimmed.remove_prefix(1);
    double parsed = 0;
    auto [end, ec] = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), parsed);
    if (ec != std::errc() || end != trimmed.data() + trimmed.size())
        return false;
    value = parsed;
    return true;
}

bool SameNameCI(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && CompareTextCI(a, b) == 0;
}

int CompareTextCI(std::string_view a, std::string_view b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(UpCase(a[i]));
        auto cb = static_cast<unsigned char>(UpCase(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string TrimBlanks(std::string_view text)
{
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    size_t first = 0;
    size_t last = text.size();
    while (first < last && blank(text[first]))
        ++first;
    while (last > first && blank(text[last - 1]))
        --last;
    return std::string(text.substr(first, last - first));
}

int IndexOfInt(int32_t value, const int32_t* array, int count)
{
    return IndexOfIntFrom(value, array, 0, count);
}

int IndexOfIntFrom(int32_t value, const int32_t* array, int start, int count)
{
    if (!array)
        return -1;
    for (int i = std::max(start, 0); i < count; ++i)
        if (array[i] == value)
            return i;
    return -1;
}

int FirstNotLess(int32_t value, const int32_t* array, int count)
{
    if (!array || count <= 0)
        return 0;
    return static_cast<int>(std::lower_bound(array, array + count, value) - array);
}

} // namespace kest
