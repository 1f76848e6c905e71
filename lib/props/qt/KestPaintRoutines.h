// The fills that brushes paint themselves: a bitmap tiled, centred or
// stretched, and the stepped colour gradient.
#pragma once

#include <cstdint>

#include <QImage>

#include "KestCanvas.h"
#include "KestGraphic.h"

namespace kest {

enum TGradientStyle : uint8_t {
    gsHorizontal,
    gsVertical,
    gsSquare,
    gsElliptic,
    gsTopLeft,
    gsTopRight,
    gsBottomLeft,
    gsBottomRight
};

enum TBitmapDisplay : uint8_t { bdCenter, bdTile, bdStretch };

// The bitmap repeated over an area, kept between paintings by its owner; it
// must be cleared whenever the bitmap changes.
struct TPatternCache {
    QImage Pattern;
    void Clear() { Pattern = QImage(); }
};

// Paints bitmap into rect. Tiling paints only the part of rect inside
// clipRect (and the canvas' device) and keeps the tile phase at rect's
// top-left; centre and stretch leave clipping to the caller. A transparent
// bitmap is drawn through a clip region of its drawn pixels when
// useMaskRegion is set, else through a mask of its transparent colour. No
// bitmap, an empty one or an empty rect paint nothing.
void PaintBitmap(TKestCanvas& canvas, const TKestRect& rect, const TKestRect& clipRect, bool useMaskRegion,
    int32_t scale, TPatternCache* cache, TBitmapDisplay display, const TKestBitmap* bitmap);
// The tiling case at 100 % without a mask region.
void TileBitmap(TKestCanvas& canvas, const TKestRect& rect, const TKestRect& clipRect, TPatternCache* cache,
    const TKestBitmap* bitmap);

// Fills rect in up to 256 steps from beginColor to endColor with a solid
// brush; the pen is left clear, its raster mode unchanged. Corner styles
// give their corner the begin colour.
void PaintGradient(
    TKestCanvas& canvas, const TKestRect& rect, TGradientStyle style, TColor beginColor, TColor endColor);

} // namespace kest
