// Pixel helpers shared by the drawing-surface tests.
#pragma once

#include "KestCanvas.h"

#include <QImage>
#include <string>

namespace kest::test {

// 0x00BBGGRR of an image pixel, alpha ignored.
inline TColor ColorAt(const QImage& image, int x, int y)
{
    return QRgbToColor(image.pixel(x, y));
}

inline int AlphaAt(const QImage& image, int x, int y)
{
    return qAlpha(image.pixel(x, y));
}

// A canvas of its own image filled opaquely with one colour.
inline void MakeCanvas(TKestCanvas& canvas, int width, int height, TColor fill = clWhite)
{
    canvas.SetSize(width, height);
    canvas.Image()->fill(ColorToQRgb(fill));
}

// Columns x0..x1-1 of row y: '#' where the pixel has colour ink, '.' elsewhere.
inline std::string Row(const QImage& image, int y, int x0, int x1, TColor ink)
{
    std::string out;
    for (int x = x0; x < x1; ++x)
        out += ColorAt(image, x, y) == ink ? '#' : '.';
    return out;
}

inline std::string Column(const QImage& image, int x, int y0, int y1, TColor ink)
{
    std::string out;
    for (int y = y0; y < y1; ++y)
        out += ColorAt(image, x, y) == ink ? '#' : '.';
    return out;
}

inline int CountColor(const QImage& image, TColor color)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += ColorAt(image, x, y) == color;
    return n;
}

// Smallest rectangle (right and bottom exclusive) holding every pixel that
// differs from background; empty when none does.
inline TKestRect InkBounds(const QImage& image, TColor background)
{
    TKestRect r {image.width(), image.height(), 0, 0};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (ColorAt(image, x, y) != background) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.Right > r.Left ? r : TKestRect {};
}

} // namespace kest::test
