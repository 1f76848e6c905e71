// Little-endian field readers for the graphic file headers. Callers check
// the length first; these never read past data.size().
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kest {

inline uint16_t ReadLE16(std::span<const uint8_t> data, size_t offset)
{
    if (offset + 2 > data.size())
        return 0;
    return uint16_t(data[offset] | data[offset + 1] << 8);
}

inline uint32_t ReadLE32(std::span<const uint8_t> data, size_t offset)
{
    if (offset + 4 > data.size())
        return 0;
    return uint32_t(data[offset]) | uint32_t(data[offset + 1]) << 8 | uint32_t(data[offset + 2]) << 16
        | uint32_t(data[offset + 3]) << 24;
}

inline int32_t ReadLE32Signed(std::span<const uint8_t> data, size_t offset)
{
    return static_cast<int32_t>(ReadLE32(data, offset));
}

inline int16_t ReadLE16Signed(std::span<const uint8_t> data, size_t offset)
{
    return static_cast<int16_t>(ReadLE16(data, offset));
}

// 0x00BBGGRR from Qt's 0xAARRGGBB.
inline uint32_t RgbToColor(uint32_t rgb)
{
    return (rgb & 0xFF) << 16 | (rgb & 0xFF00) | (rgb >> 16 & 0xFF);
}

} // namespace kest
