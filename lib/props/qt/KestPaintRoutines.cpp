#include "KestPaintRoutines.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace kest {

namespace {

bool Intersect(const TKestRect& a, const TKestRect& b, TKestRect& out)
{
    out = {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom)};
    return out.Left < out.Right && out.Top < out.Bottom;
}

// The part of rect the tiling paints: inside the clip rectangle and, as far
// as the canvas tells, inside what it can show, so that a far too large
// rectangle never builds a pattern larger than the device.
bool TilePart(const TKestCanvas& canvas, const TKestRect& rect, const TKestRect& clipRect, TKestRect& part)
{
    if (!Intersect(rect, clipRect, part))
        return false;
    if (canvas.Image() && !Intersect(part, {0, 0, canvas.Width(), canvas.Height()}, part))
        return false;
    if (canvas.ClipRegion() && !Intersect(part, canvas.ClipRegion()->Bounds(), part))
        return false;
    return int64_t(part.Right) - part.Left <= MaxCanvasSide && int64_t(part.Bottom) - part.Top <= MaxCanvasSide;
}

// The tile repeated over width x height pixels from the origin: the tile
// once, then the covered area doubled downwards and then rightwards.
QImage BuildPattern(const QImage& tile, int32_t width, int32_t height)
{
    QImage pattern(width, height, tile.format());
    if (pattern.isNull())
        return pattern;
    const int32_t tileWidth = std::min(tile.width(), width), tileHeight = std::min(tile.height(), height);
    const size_t pixel = sizeof(uint32_t);
    for (int32_t y = 0; y < tileHeight; ++y)
        std::memcpy(pattern.scanLine(y), tile.constScanLine(y), size_t(tileWidth) * pixel);
    for (int32_t covered = tileHeight; covered < height;) {
        const int32_t count = std::min(covered, height - covered);
        for (int32_t y = 0; y < count; ++y)
            std::memcpy(pattern.scanLine(covered + y), pattern.constScanLine(y), size_t(tileWidth) * pixel);
        covered += count;
    }
    for (int32_t covered = tileWidth; covered < width;) {
        const int32_t count = std::min(covered, width - covered);
        for (int32_t y = 0; y < height; ++y) {
            uchar* line = pattern.scanLine(y);
            std::memcpy(line + size_t(covered) * pixel, line, size_t(count) * pixel);
        }
        covered += count;
    }
    return pattern;
}

int32_t Clamp32(int64_t value)
{
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

TColor KeyColor(const TKestBitmap& bitmap)
{
    return TColor(bitmap.TransparentColor() & 0xFFFFFF);
}

// Copies source (a part of image) to dest, scaled, the way a bitmap of that
// transparency is drawn.
void DrawPart(TKestCanvas& canvas, const TKestRect& dest, const QImage& image, const TKestRect& source,
    const TKestBitmap& bitmap, bool useMaskRegion)
{
    if (!bitmap.Transparent()) {
        canvas.StretchBlt(dest, image, source);
        return;
    }
    if (!useMaskRegion) {
        canvas.TransparentBlt(dest, image, source, KeyColor(bitmap));
        return;
    }
    // The region of the whole image placed so that source lands on dest.
    const int32_t width = RectWidth(source), height = RectHeight(source);
    const int32_t destWidth = RectWidth(dest), destHeight = RectHeight(dest);
    const TKestRect placed {dest.Left - MulDiv(source.Left, destWidth, width),
        dest.Top - MulDiv(source.Top, destHeight, height),
        dest.Left + MulDiv(image.width() - source.Left, destWidth, width),
        dest.Top + MulDiv(image.height() - source.Top, destHeight, height)};
    std::optional<TKestRegion> drawn
        = CreateTransparentRegion(image, image.width(), image.height(), KeyColor(bitmap), placed);
    if (!drawn)
        return;
    drawn->Combine(TKestRegion(dest), RGN_AND);
    std::optional<TKestRegion> previous = IntersectClipRgn(canvas, *drawn);
    canvas.StretchBlt(dest, image, source);
    canvas.SelectClipRgn(previous);
}

void PaintTiled(TKestCanvas& canvas, const TKestRect& rect, const TKestRect& clipRect, bool useMaskRegion,
    TPatternCache* cache, const TKestBitmap& bitmap)
{
    TKestRect part;
    if (!TilePart(canvas, rect, clipRect, part))
        return;
    const QImage& tile = bitmap.Image();
    const int32_t ox = int32_t((int64_t(part.Left) - rect.Left) % tile.width());
    const int32_t oy = int32_t((int64_t(part.Top) - rect.Top) % tile.height());
    const int32_t width = ox + RectWidth(part), height = oy + RectHeight(part);
    QImage built;
    const QImage* pattern = nullptr;
    if (cache && cache->Pattern.width() >= width && cache->Pattern.height() >= height) {
        pattern = &cache->Pattern;
    } else {
        built = BuildPattern(tile, width, height);
        if (built.isNull())
            return;
        if (cache)
            cache->Pattern = built;
        pattern = &built;
    }
    DrawPart(canvas, part, *pattern, {ox, oy, width, height}, bitmap, useMaskRegion);
}

// Fills outer without inner, which lies within it.
void FillRing(TKestCanvas& canvas, const TKestRect& outer, const TKestRect& inner)
{
    canvas.FillRect({outer.Left, outer.Top, outer.Right, inner.Top});
    canvas.FillRect({outer.Left, inner.Bottom, outer.Right, outer.Bottom});
    canvas.FillRect({outer.Left, inner.Top, inner.Left, inner.Bottom});
    canvas.FillRect({inner.Right, inner.Top, outer.Right, inner.Bottom});
}

// Each colour over its ellipse (nested, the first the largest) as the
// canvas fills them: every pixel is written once into an image of the
// largest ellipse's bounds, which is copied through that ellipse's region.
void FillEllipseRings(TKestCanvas& canvas, const std::vector<TKestRect>& boxes, const std::vector<TColor>& colours)
{
    const TKestRect device {0, 0, canvas.Width(), canvas.Height()};
    const TKestRegion outer = TKestRegion::Ellipse(boxes.front(), device);
    if (outer.IsEmpty())
        return;
    const TKestRect bounds = outer.Bounds();
    QImage rings(RectWidth(bounds), RectHeight(bounds), QImage::Format_ARGB32);
    if (rings.isNull())
        return;
    uchar* const origin = rings.bits();
    const qsizetype stride = rings.bytesPerLine();
    TKestRegion ring = outer;
    for (size_t i = 0; i < boxes.size(); ++i) {
        TKestRegion next = i + 1 < boxes.size() ? TKestRegion::Ellipse(boxes[i + 1], device) : TKestRegion();
        ring.Combine(next, RGN_DIFF);
        const uint32_t pixel = ColorToQRgb(colours[i]);
        for (const QRect& r : ring.ToQRegion())
            for (int y = r.top(); y <= r.bottom(); ++y)
                std::fill_n(reinterpret_cast<uint32_t*>(origin + (y - bounds.Top) * stride) + (r.left() - bounds.Left),
                    r.width(), pixel);
        ring = std::move(next);
    }
    std::optional<TKestRegion> previous = IntersectClipRgn(canvas, outer);
    canvas.BitBlt(bounds.Left, bounds.Top, rings.width(), rings.height(), rings, 0, 0);
    canvas.SelectClipRgn(previous);
}

// The colour of step i of n from c1 by delta, per channel.
TColor StepColor(TColor c1, const int delta[3], int32_t i, int32_t n)
{
    if (n == 1)
        return c1;
    return RGBColor(GetRValue(c1) + i * delta[0] / (n - 1), GetGValue(c1) + i * delta[1] / (n - 1),
        GetBValue(c1) + i * delta[2] / (n - 1));
}

} // namespace

void PaintBitmap(TKestCanvas& canvas, const TKestRect& rect, const TKestRect& clipRect, bool useMaskRegion,
    int32_t scale, TPatternCache* cache, TBitmapDisplay display, const TKestBitmap* bitmap)
{
    if (!bitmap || bitmap->Empty())
        return;
    const int32_t width = bitmap->Width(), height = bitmap->Height();
    const int64_t rectWidth = int64_t(rect.Right) - rect.Left, rectHeight = int64_t(rect.Bottom) - rect.Top;
    if (width <= 0 || height <= 0 || rectWidth <= 0 || rectHeight <= 0 || rectWidth > INT32_MAX
        || rectHeight > INT32_MAX)
        return;
    const TKestRect source {0, 0, width, height};
    switch (display) {
    case bdTile:
        PaintTiled(canvas, rect, clipRect, useMaskRegion, cache, *bitmap);
        break;
    case bdCenter: {
        const int32_t w = MulDiv(width, scale, 100), h = MulDiv(height, scale, 100);
        if (w <= 0 || h <= 0)
            return;
        const int64_t left = rect.Left + (rectWidth - w) / 2, top = rect.Top + (rectHeight - h) / 2;
        if (left + w > INT32_MAX || top + h > INT32_MAX)
            return;
        const TKestRect dest {int32_t(left), int32_t(top), int32_t(left + w), int32_t(top + h)};
        DrawPart(canvas, dest, bitmap->Image(), source, *bitmap, useMaskRegion);
        break;
    }
    case bdStretch:
        DrawPart(canvas, rect, bitmap->Image(), source, *bitmap, useMaskRegion);
        break;
    }
}

void TileBitmap(TKestCanvas& canvas, const TKestRect& rect, const TKestRect& clipRect, TPatternCache* cache,
    const TKestBitmap* bitmap)
{
    PaintBitmap(canvas, rect, clipRect, false, 100, cache, bdTile, bitmap);
}

void PaintGradient(TKestCanvas& canvas, const TKestRect& rect, TGradientStyle style, TColor beginColor, TColor endColor)
{
    const int64_t width64 = int64_t(rect.Right) - rect.Left, height64 = int64_t(rect.Bottom) - rect.Top;
    if (width64 <= 0 || height64 <= 0 || width64 > INT32_MAX || height64 > INT32_MAX)
        return;
    const int32_t L = rect.Left, T = rect.Top, W = int32_t(width64), H = int32_t(height64);
    const bool corner = style >= gsTopLeft;
    TColor c1 = ColorToRGB(beginColor), c2 = ColorToRGB(endColor);
    if (corner)
        std::swap(c1, c2);
    const int delta[3] = {GetRValue(c2) - GetRValue(c1), GetGValue(c2) - GetGValue(c1), GetBValue(c2) - GetBValue(c1)};
    int32_t n = std::max({std::abs(delta[0]), std::abs(delta[1]), std::abs(delta[2]), 1});
    switch (style) {
    case gsHorizontal:
        n = std::min(n, W);
        break;
    case gsVertical:
        n = std::min(n, H);
        break;
    case gsSquare:
    case gsElliptic:
        n = std::min(n, std::max(W, H) / 2);
        break;
    default:
        n = std::min(n, std::max(W, H));
        break;
    }
    // A rectangle of one or two pixels caps the centred styles at 0 steps.
    n = std::max(n, 1);

    TKestPen pen = canvas.Pen();
    pen.Style = psClear;
    canvas.SetPen(pen);
    const int32_t cx = L + W / 2, cy = T + H / 2;
    // The pixels step i fills, right and bottom exclusive.
    auto area = [&](int32_t i) -> TKestRect {
        const int32_t sx = MulDiv(n - i, W, n), sy = MulDiv(n - i, H, n);
        switch (style) {
        case gsHorizontal:
            return {L + MulDiv(i, W, n), T, L + MulDiv(i + 1, W, n), T + H};
        case gsVertical:
            return {L, T + MulDiv(i, H, n), L + W, T + MulDiv(i + 1, H, n)};
        case gsSquare:
            return {cx - sx / 2, cy - sy / 2, cx + sx / 2 + 1, cy + sy / 2 + 1};
        case gsElliptic: {
            const auto rx = int64_t(std::nearbyint(sx / 1.4)), ry = int64_t(std::nearbyint(sy / 1.4));
            return {Clamp32(cx - rx), Clamp32(cy - ry), Clamp32(cx + rx), Clamp32(cy + ry)};
        }
        case gsTopLeft:
            return {L, T, L + sx, T + sy};
        case gsTopRight:
            return {L + W - sx, T, L + W, T + sy};
        case gsBottomLeft:
            return {L, T + H - sy, L + sx, T + H};
        default:
            return {L + W - sx, T + H - sy, L + W, T + H};
        }
    };
    std::vector<TKestRect> areas;
    std::vector<TColor> colours;
    for (int32_t i = 0; i < n; ++i) {
        areas.push_back(area(i));
        colours.push_back(StepColor(c1, delta, i, n));
    }
    // Ellipses fill in the pen's raster mode; in the copy mode, on an image,
    // they are composed off the canvas and copied at once.
    if (canvas.Image() && style == gsElliptic && pen.Mode == pmCopy) {
        FillEllipseRings(canvas, areas, colours);
    } else {
        // Squares and corners nest, so each step fills only what the next
        // one will not cover, as if every area were filled whole; ellipses
        // in another raster mode combine with what they cover.
        const bool nested = style == gsSquare || style >= gsTopLeft;
        for (int32_t i = 0; i < n; ++i) {
            canvas.SetBrush(TKestBrush(colours[i], bsSolid));
            if (style == gsElliptic)
                canvas.Ellipse(areas[i]);
            else if (nested && i + 1 < n)
                FillRing(canvas, areas[i], areas[i + 1]);
            else
                canvas.FillRect(areas[i]);
        }
    }
    canvas.SetBrush(TKestBrush(colours.back(), bsSolid));
}

} // namespace kest
