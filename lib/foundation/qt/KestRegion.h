// Pixel regions for clipping, invalidation, zone frames and hit tests.
//
// A region is a set of device pixels. Shapes are turned into pixels by one
// rule shared with the canvas' fills: a pixel belongs to a shape when its
// centre lies inside the shape's outline (left and top edges included, right
// and bottom excluded). Outlines are taken exactly (ellipses and rounded
// corners analytically, polygons edge by edge), so a point test against a
// region agrees with what a fill of the same shape paints.
#pragma once

#include "KestUtils.h"

#include <QPainterPath>
#include <QRegion>
#include <functional>
#include <span>
#include <vector>

namespace kest {

enum TFillMode : uint8_t { ALTERNATE = 1, WINDING = 2 };
enum TRegionCombine : uint8_t { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
enum TRegionComplexity : uint8_t { NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };

// Regions never reach beyond this distance from the origin; shapes that do
// are cut there, so hostile coordinates cost bounded time and memory.
constexpr int32_t RegionCoordLimit = 1 << 18;

class TKestRegion {
public:
    TKestRegion() = default;
    // The pixels Left..Right-1 by Top..Bottom-1; empty when either side is.
    explicit TKestRegion(const TKestRect& rect);
    explicit TKestRegion(const QRegion& region)
        : region_(region)
    {
    }

    // Shapes computed only within the given rectangle (for a canvas, its
    // device), which bounds the work for shapes reaching far outside it.
    static constexpr TKestRect Everywhere {-RegionCoordLimit, -RegionCoordLimit, RegionCoordLimit, RegionCoordLimit};

    // Elliptic and rounded regions cover the pixels a figure of the same box
    // fills without an outline: the outline runs through the pixel centres of
    // columns Left and Right-1 (rows likewise), so the last column and row of
    // the box stay out, as the platform's elliptic regions do.
    static TKestRegion Ellipse(const TKestRect& box, const TKestRect& within = Everywhere);
    // cornerWidth and cornerHeight are the full sizes of the corner ellipse.
    static TKestRegion RoundRect(
        const TKestRect& box, int32_t cornerWidth, int32_t cornerHeight, const TKestRect& within = Everywhere);
    static TKestRegion Polygon(
        std::span<const TKestPoint> points, TFillMode mode, const TKestRect& within = Everywhere);
    // The figures of a path (open ones closed), flattened, under its fill rule.
    static TKestRegion FromPath(const QPainterPath& path, const TKestRect& within = Everywhere);
    // Re-creation from exported data; the rectangles may overlap.
    static TKestRegion FromRects(std::span<const TKestRect> rects);

    // Export: disjoint rectangles sorted top to bottom, left to right.
    std::vector<TKestRect> Rects() const;
    TKestRect Bounds() const;
    bool IsEmpty() const { return region_.isEmpty(); }
    TRegionComplexity Complexity() const;
    bool Contains(int32_t x, int32_t y) const;
    bool Intersects(const TKestRect& rect) const;
    void Offset(int32_t dx, int32_t dy);
    // this := this <mode> other; RGN_COPY takes other.
    TRegionComplexity Combine(const TKestRegion& other, TRegionCombine mode);

    // Same pixels, however the rectangles are arranged.
    bool operator==(const TKestRegion& other) const;

    const QRegion& ToQRegion() const { return region_; }

private:
    QRegion region_;
};

// The pixel rows of TKestRegion::RoundRect's region within the given
// rectangle, top to bottom: row(y, first, end) for the columns
// first..end-1, which may be empty. For callers that fill rows as they come
// instead of keeping the region.
void ForEachRoundRectRow(const TKestRect& box, int32_t cornerWidth, int32_t cornerHeight, const TKestRect& within,
    const std::function<void(int32_t y, int32_t first, int32_t end)>& row);

// Builds a region from pixel rows given top to bottom: each call adds rows
// top..bottom-1 covering the column spans [first, end), which may come in
// any order, overlap or touch. Rows given out of order still count, at the
// cost of a slower union.
class TRegionBuilder {
public:
    using TSpan = std::pair<int32_t, int32_t>;
    void AddRows(int32_t top, int32_t bottom, std::vector<TSpan>& spans);
    TKestRegion Finish();

private:
    std::vector<QRect> rects_;
    QRegion outOfOrder_;
    std::vector<TSpan> band_, merged_;
    size_t bandStart_ = 0;
    int32_t bandBottom_ = INT32_MIN;
};

} // namespace kest
