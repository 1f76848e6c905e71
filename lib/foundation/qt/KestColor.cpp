#include "KestColor.h"

#include <array>

namespace kest {

namespace {

constexpr TColor Rgb(uint32_t rrggbb)
{
    return RGBColor(rrggbb >> 16, rrggbb >> 8, rrggbb);
}

std::array<TColor, SysColorCount>& SysColors()
{
    static std::array<TColor, SysColorCount> table = {
        Rgb(0xC8C8C8),
        Rgb(0x000000),
        Rgb(0x99B4D1),
        Rgb(0xBFCDDB),
        Rgb(0xF0F0F0),
        Rgb(0xFFFFFF),
        Rgb(0x646464),
        Rgb(0x000000),
        Rgb(0x000000),
        Rgb(0x000000),
        Rgb(0xB4B4B4),
        Rgb(0xF4F7FC),
        Rgb(0xABABAB),
        Rgb(0x0078D7),
        Rgb(0xFFFFFF),
        Rgb(0xF0F0F0),
        Rgb(0xA0A0A0),
        Rgb(0x6D6D6D),
        Rgb(0x000000),
        Rgb(0x000000),
        Rgb(0xFFFFFF),
        Rgb(0x696969),
        Rgb(0xE3E3E3),
        Rgb(0x000000),
        Rgb(0xFFFFE1),
        Rgb(0x000000),
        Rgb(0x0066CC),
        Rgb(0xB9D1EA),
        Rgb(0xD7E4F2),
        Rgb(0x3399FF),
        Rgb(0xF0F0F0),
    };
    return table;
}

} // namespace

TColor GetSysColor(int index)
{
    if (index < 0 || index >= SysColorCount)
        return clBlack;
    return SysColors()[index];
}

void SetSysColor(int index, TColor rgb)
{
    if (index >= 0 && index < SysColorCount)
        SysColors()[index] = rgb & 0xFFFFFF;
}

TColor ColorToRGB(TColor color)
{
    if (color < 0)
        return GetSysColor(color & 0xFF);
    return color;
}

QColor ColorToQColor(TColor color)
{
    TColor c = ColorToRGB(color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

uint32_t ColorToQRgb(TColor color)
{
    TColor c = ColorToRGB(color);
    return 0xFF000000u | uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | uint32_t(GetBValue(c));
}

TColor QRgbToColor(uint32_t argb)
{
    return RGBColor(argb >> 16, argb >> 8, argb);
}

} // namespace kest
