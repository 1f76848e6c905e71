// Byte helpers for the graphic tests, which build and patch file images by hand.
#pragma once

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

#include "KestValue.h"

namespace kest {

inline uint32_t ReadLe32(const TBytes& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}

inline void WriteLe32(TBytes& b, size_t at, uint32_t v)
{
    for (size_t i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

inline void AppendLe16(TBytes& b, uint32_t v)
{
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}

inline void AppendLe32(TBytes& b, uint32_t v)
{
    AppendLe16(b, v);
    AppendLe16(b, v >> 16);
}

// The file Qt's own writer makes of image ("BMP", "ICO", "PNG").
inline TBytes SavedByQt(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format)) << format;
    return TBytes(bytes.begin(), bytes.end());
}

} // namespace kest
