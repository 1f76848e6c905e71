#include "KestRegion.h"

#include <algorithm>
#include <cmath>

namespace kest {

namespace {

using TSpan = TRegionBuilder::TSpan;

int32_t ClampCoord(double v)
{
    return int32_t(std::clamp(v, double(-RegionCoordLimit), double(RegionCoordLimit)));
}

// First column (or row) whose centre is at or after x.
int32_t ColumnAt(double x)
{
    return ClampCoord(std::ceil(x - 0.5));
}

// The rows and columns a rasterisation may produce.
struct TWindow {
    int32_t left, top, right, bottom;

    explicit TWindow(const TKestRect& within)
    {
        TKestRect r = NormalizeRect(within);
        left = std::clamp(r.Left, -RegionCoordLimit, RegionCoordLimit);
        top = std::clamp(r.Top, -RegionCoordLimit, RegionCoordLimit);
        right = std::clamp(r.Right, -RegionCoordLimit, RegionCoordLimit);
        bottom = std::clamp(r.Bottom, -RegionCoordLimit, RegionCoordLimit);
    }

    // Spans between the column of centre x0 and that of x1, within the window.
    TSpan Span(double x0, double x1) const
    {
        return {std::clamp(ColumnAt(x0), left, right), std::clamp(ColumnAt(x1), left, right)};
    }
};

struct TEdge {
    double x0, y0, x1, y1;
    int dir;
};

TKestRegion RasterizePolygons(const QList<QPolygonF>& polygons, TFillMode mode, const TWindow& window)
{
    std::vector<TEdge> edges;
    double minY = 0, maxY = 0;
    for (const QPolygonF& poly : polygons) {
        for (qsizetype i = 0; i < poly.size(); ++i) {
            QPointF a = poly[i], b = poly[(i + 1) % poly.size()];
            if (!std::isfinite(a.x()) || !std::isfinite(a.y()) || !std::isfinite(b.x()) || !std::isfinite(b.y()))
                return TKestRegion();
            if (a.y() == b.y())
                continue;
            int dir = b.y() > a.y() ? 1 : -1;
            if (dir < 0)
                std::swap(a, b);
            if (edges.empty()) {
                minY = a.y();
                maxY = b.y();
            }
            minY = std::min(minY, a.y());
            maxY = std::max(maxY, b.y());
            edges.push_back({a.x(), a.y(), b.x(), b.y(), dir});
        }
    }
    if (edges.empty())
        return TKestRegion();
    std::sort(edges.begin(), edges.end(), [](const TEdge& a, const TEdge& b) { return a.y0 < b.y0; });

    TRegionBuilder bands;
    std::vector<const TEdge*> active;
    std::vector<std::pair<double, int>> crossings;
    std::vector<TSpan> spans;
    size_t next = 0;
    int32_t firstRow = std::max(ColumnAt(minY), window.top), endRow = std::min(ColumnAt(maxY), window.bottom);
    for (int32_t y = firstRow; y < endRow; ++y) {
        double cy = y + 0.5;
        while (next < edges.size() && edges[next].y0 <= cy)
            active.push_back(&edges[next++]);
        std::erase_if(active, [cy](const TEdge* e) { return e->y1 <= cy; });
        crossings.clear();
        for (const TEdge* e : active)
            if (e->y0 <= cy)
                crossings.emplace_back(e->x0 + (cy - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0), e->dir);
        std::sort(crossings.begin(), crossings.end());
        spans.clear();
        int winding = 0;
        for (size_t i = 0; i + 1 < crossings.size(); ++i) {
            winding += mode == WINDING ? crossings[i].second : 1;
            bool inside = mode == WINDING ? winding != 0 : (winding & 1) != 0;
            if (inside)
                spans.push_back(window.Span(crossings[i].first, crossings[i + 1].first));
        }
        bands.AddRows(y, y + 1, spans);
    }
    return bands.Finish();
}

} // namespace

TKestRegion::TKestRegion(const TKestRect& rect)
{
    TKestRect r = NormalizeRect(rect);
    int32_t l = ClampCoord(r.Left), t = ClampCoord(r.Top), rt = ClampCoord(r.Right), b = ClampCoord(r.Bottom);
    if (l < rt && t < b)
        region_ = QRegion(QRect(QPoint(l, t), QPoint(rt - 1, b - 1)));
}

TKestRegion TKestRegion::Ellipse(const TKestRect& box, const TKestRect& within)
{
    TKestRect r = NormalizeRect(box);
    return RoundRect(r, INT32_MAX, INT32_MAX, within);
}

TKestRegion TKestRegion::RoundRect(
    const TKestRect& box, int32_t cornerWidth, int32_t cornerHeight, const TKestRect& within)
{
    TRegionBuilder bands;
    std::vector<TSpan> spans;
    ForEachRoundRectRow(box, cornerWidth, cornerHeight, within, [&](int32_t y, int32_t first, int32_t end) {
        spans.assign(1, {first, end});
        bands.AddRows(y, y + 1, spans);
    });
    return bands.Finish();
}

void ForEachRoundRectRow(const TKestRect& box, int32_t cornerWidth, int32_t cornerHeight, const TKestRect& within,
    const std::function<void(int32_t y, int32_t first, int32_t end)>& row)
{
    TWindow window(within);
    TKestRect r = NormalizeRect(box);
    double left = r.Left, top = r.Top, right = double(r.Right) - 1, bottom = double(r.Bottom) - 1;
    if (right <= left || bottom <= top)
        return;
    double rx = std::clamp(double(cornerWidth), 0.0, right - left) / 2;
    double ry = std::clamp(double(cornerHeight), 0.0, bottom - top) / 2;
    int32_t firstRow = std::max(ColumnAt(top), window.top), endRow = std::min(ColumnAt(bottom), window.bottom);
    for (int32_t y = firstRow; y < endRow; ++y) {
        double cy = y + 0.5;
        double dy = cy < top + ry ? top + ry - cy : (cy > bottom - ry ? cy - (bottom - ry) : 0);
        double inset = dy > 0 && ry > 0 ? rx * (1 - std::sqrt(std::max(0.0, 1 - (dy / ry) * (dy / ry)))) : 0;
        const TSpan span = window.Span(left + inset, right - inset);
        row(y, span.first, span.second);
    }
}

TKestRegion TKestRegion::Polygon(std::span<const TKestPoint> points, TFillMode mode, const TKestRect& within)
{
    QPolygonF poly;
    poly.reserve(qsizetype(points.size()));
    for (const TKestPoint& p : points)
        poly.append(QPointF(p.X, p.Y));
    return RasterizePolygons({poly}, mode, TWindow(within));
}

TKestRegion TKestRegion::FromPath(const QPainterPath& path, const TKestRect& within)
{
    return RasterizePolygons(
        path.toSubpathPolygons(), path.fillRule() == Qt::WindingFill ? WINDING : ALTERNATE, TWindow(within));
}

TKestRegion TKestRegion::FromRects(std::span<const TKestRect> rects)
{
    TKestRegion result;
    for (const TKestRect& r : rects)
        result.region_ += TKestRegion(r).region_;
    return result;
}

std::vector<TKestRect> TKestRegion::Rects() const
{
    std::vector<TKestRect> out;
    out.reserve(size_t(region_.rectCount()));
    for (const QRect& r : region_)
        out.push_back({r.left(), r.top(), r.right() + 1, r.bottom() + 1});
    return out;
}

TKestRect TKestRegion::Bounds() const
{
    if (region_.isEmpty())
        return {};
    QRect r = region_.boundingRect();
    return {r.left(), r.top(), r.right() + 1, r.bottom() + 1};
}

TRegionComplexity TKestRegion::Complexity() const
{
    if (region_.isEmpty())
        return NULLREGION;
    return region_.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool TKestRegion::Contains(int32_t x, int32_t y) const
{
    return region_.contains(QPoint(x, y));
}

bool TKestRegion::Intersects(const TKestRect& rect) const
{
    TKestRegion r(rect);
    return !r.IsEmpty() && region_.intersects(r.region_);
}

void TKestRegion::Offset(int32_t dx, int32_t dy)
{
    if (region_.isEmpty())
        return;
    // Cut what would leave the coordinate range instead of wrapping it around.
    QRect b = region_.boundingRect();
    int64_t l = std::max<int64_t>(b.left(), int64_t(-RegionCoordLimit) - dx);
    int64_t t = std::max<int64_t>(b.top(), int64_t(-RegionCoordLimit) - dy);
    int64_t r = std::min<int64_t>(int64_t(b.right()) + 1, int64_t(RegionCoordLimit) - dx);
    int64_t bt = std::min<int64_t>(int64_t(b.bottom()) + 1, int64_t(RegionCoordLimit) - dy);
    if (l >= r || t >= bt) {
        region_ = QRegion();
        return;
    }
    if (l != b.left() || t != b.top() || r != int64_t(b.right()) + 1 || bt != int64_t(b.bottom()) + 1)
        region_ &= QRect(QPoint(int(l), int(t)), QPoint(int(r - 1), int(bt - 1)));
    region_.translate(dx, dy);
}

TRegionComplexity TKestRegion::Combine(const TKestRegion& other, TRegionCombine mode)
{
    switch (mode) {
    case RGN_AND:
        region_ &= other.region_;
        break;
    case RGN_OR:
        region_ |= other.region_;
        break;
    case RGN_XOR:
        region_ ^= other.region_;
        break;
    case RGN_DIFF:
        region_ -= other.region_;
        break;
    case RGN_COPY:
        region_ = other.region_;
        break;
    }
    return Complexity();
}

void TRegionBuilder::AddRows(int32_t top, int32_t bottom, std::vector<TSpan>& spans)
{
    top = std::clamp(top, -RegionCoordLimit, RegionCoordLimit);
    bottom = std::clamp(bottom, -RegionCoordLimit, RegionCoordLimit);
    if (top >= bottom)
        return;
    std::sort(spans.begin(), spans.end());
    merged_.clear();
    for (TSpan s : spans) {
        s.first = std::clamp(s.first, -RegionCoordLimit, RegionCoordLimit);
        s.second = std::clamp(s.second, -RegionCoordLimit, RegionCoordLimit);
        if (s.first >= s.second)
            continue;
        if (!merged_.empty() && s.first <= merged_.back().second)
            merged_.back().second = std::max(merged_.back().second, s.second);
        else
            merged_.push_back(s);
    }
    if (merged_.empty())
        return;
    if (bandBottom_ != INT32_MIN && top < bandBottom_) {
        for (const TSpan& s : merged_)
            outOfOrder_ += QRect(QPoint(s.first, top), QPoint(s.second - 1, bottom - 1));
        return;
    }
    // Equal neighbouring rows share one band, the form QRegion keeps.
    if (bandBottom_ == top && merged_ == band_) {
        for (size_t i = bandStart_; i < rects_.size(); ++i)
            rects_[i].setBottom(bottom - 1);
        bandBottom_ = bottom;
        return;
    }
    band_ = merged_;
    bandStart_ = rects_.size();
    bandBottom_ = bottom;
    for (const TSpan& s : band_)
        rects_.emplace_back(QPoint(s.first, top), QPoint(s.second - 1, bottom - 1));
}

TKestRegion TRegionBuilder::Finish()
{
    QRegion region;
    if (!rects_.empty())
        region.setRects(rects_.data(), int(rects_.size()));
    region += outOfOrder_;
    rects_.clear();
    outOfOrder_ = QRegion();
    band_.clear();
    bandBottom_ = INT32_MIN;
    return TKestRegion(region);
}

bool TKestRegion::operator==(const TKestRegion& other) const
{
    return (region_ ^ other.region_).isEmpty();
}

} // namespace kest
