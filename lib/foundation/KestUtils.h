// Shared routines of the document format: scaling of document units,
// rectangles, text routines and integer lists.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kest {

constexpr int32_t PixelScale = 1000;

struct TKestRect {
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TKestRect&) const = default;
};

struct TKestPoint {
    int32_t X = 0, Y = 0;
    bool operator==(const TKestPoint&) const = default;
};

// a * b / c with a 64-bit intermediate, rounded to nearest, halves away from
// zero; c == 0 yields -1 as the platform's MulDiv does.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);
int32_t ScaleValue(int32_t value, int32_t scale);
int32_t UnscaleValue(int32_t value, int32_t scale);
inline int32_t PixelToDoc(int32_t value) { return value * PixelScale; }
inline int32_t DocToPixel(int32_t value) { return value / PixelScale; }

inline int32_t RectWidth(const TKestRect& r) { return r.Right - r.Left; }
inline int32_t RectHeight(const TKestRect& r) { return r.Bottom - r.Top; }
TKestRect NormalizeRect(const TKestRect& r);

bool StrBeginsWith(std::string_view a, std::string_view b);
bool NeedsQuoting(std::string_view text);
std::string ExtractField(std::string_view text, int n, char separator);
std::string ByteToHex(uint8_t value);
// Two digits "0"-"9"/"A"-"F"; false for anything else.
bool HexToByte(const char* digits, uint8_t& value);
std::string FloatToStrDot(double value);
// Reads "." as decimal separator whatever the locale; false on malformed text.
bool StrToFloatDot(std::string_view text, double& value);
bool SameNameCI(std::string_view a, std::string_view b);
// Compares ignoring ASCII case: <0, 0, >0.
int CompareTextCI(std::string_view a, std::string_view b);
std::string TrimBlanks(std::string_view text);

int IndexOfInt(int32_t value, const int32_t* array, int count);
int IndexOfIntFrom(int32_t value, const int32_t* array, int start, int count);
int FirstNotLess(int32_t value, const int32_t* array, int count);

}  // namespace kest
