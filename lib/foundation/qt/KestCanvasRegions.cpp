// Paths, clipping, region painting and the clip and transparency helpers.
#include "KestCanvas.h"

#include <algorithm>

namespace kest {

namespace {

// Every figure closed, as stroke-and-fill wants them.
QPainterPath ClosedFigures(const QPainterPath& path)
{
    QPainterPath out;
    out.setFillRule(path.fillRule());
    for (int i = 0; i < path.elementCount(); ++i) {
        QPainterPath::Element e = path.elementAt(i);
        if (e.type == QPainterPath::MoveToElement) {
            if (i > 0)
                out.closeSubpath();
            out.moveTo(e);
        } else if (e.type == QPainterPath::LineToElement) {
            out.lineTo(e);
        } else if (e.type == QPainterPath::CurveToElement && i + 2 < path.elementCount()) {
            out.cubicTo(e, path.elementAt(i + 1), path.elementAt(i + 2));
            i += 2;
        }
    }
    if (!out.isEmpty())
        out.closeSubpath();
    return out;
}

// Pixels of r that lie at least dx columns and dy rows inside it: each step
// keeps what the region still holds after shifting both ways, and the
// reach grows geometrically, so wide frames cost few region operations.
QRegion Erode(const QRegion& r, int32_t dx, int32_t dy)
{
    QRegion inner = r;
    for (int32_t reach = 0; reach < dx && !inner.isEmpty();) {
        int32_t step = std::min(dx - reach, 2 * reach + 1);
        inner = inner & inner.translated(step, 0) & inner.translated(-step, 0);
        reach += step;
    }
    for (int32_t reach = 0; reach < dy && !inner.isEmpty();) {
        int32_t step = std::min(dy - reach, 2 * reach + 1);
        inner = inner & inner.translated(0, step) & inner.translated(0, -step);
        reach += step;
    }
    return inner;
}

} // namespace

void TKestCanvas::BeginPath()
{
    path_ = QPainterPath();
    pathState_ = TPathState::Recording;
    pathNeedsMove_ = true;
}

bool TKestCanvas::EndPath()
{
    if (pathState_ != TPathState::Recording)
        return false;
    pathState_ = TPathState::Ready;
    return true;
}

bool TKestCanvas::CloseFigure()
{
    if (pathState_ != TPathState::Recording || path_.isEmpty())
        return false;
    path_.closeSubpath();
    pathNeedsMove_ = true;
    return true;
}

void TKestCanvas::AbortPath()
{
    path_ = QPainterPath();
    pathState_ = TPathState::None;
}

bool TKestCanvas::StrokePath()
{
    if (pathState_ != TPathState::Ready)
        return false;
    StrokeShape(path_);
    AbortPath();
    return true;
}

bool TKestCanvas::FillPath()
{
    if (pathState_ != TPathState::Ready)
        return false;
    path_.setFillRule(state_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    FillShape(TKestRegion::FromPath(path_, DeviceRect()));
    AbortPath();
    return true;
}

bool TKestCanvas::StrokeAndFillPath()
{
    if (pathState_ != TPathState::Ready)
        return false;
    path_.setFillRule(state_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    QPainterPath closed = ClosedFigures(path_);
    FillShape(TKestRegion::FromPath(closed, DeviceRect()));
    StrokeShape(closed);
    AbortPath();
    return true;
}

bool TKestCanvas::SelectClipPath(TRegionCombine mode)
{
    std::optional<TKestRegion> region = PathToRegion();
    if (!region)
        return false;
    ExtSelectClipRgn(*region, mode);
    return true;
}

std::optional<TKestRegion> TKestCanvas::PathToRegion()
{
    if (pathState_ != TPathState::Ready)
        return std::nullopt;
    path_.setFillRule(state_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    TKestRegion region = TKestRegion::FromPath(path_);
    AbortPath();
    return region;
}

void TKestCanvas::SelectClipRgn(const std::optional<TKestRegion>& region)
{
    state_.clip = region;
    ApplyClip();
}

void TKestCanvas::ExtSelectClipRgn(const TKestRegion& region, TRegionCombine mode)
{
    TKestRegion clip = state_.clip ? *state_.clip : TKestRegion(TKestRect {0, 0, Width(), Height()});
    clip.Combine(region, mode);
    state_.clip = std::move(clip);
    ApplyClip();
}

void TKestCanvas::IntersectClipRect(const TKestRect& r)
{
    ExtSelectClipRgn(TKestRegion(r), RGN_AND);
}

void TKestCanvas::ExcludeClipRect(const TKestRect& r)
{
    ExtSelectClipRgn(TKestRegion(r), RGN_DIFF);
}

void TKestCanvas::FillRgn(const TKestRegion& region, const TKestBrush& brush)
{
    if (painter_.isActive() && BrushVisible(brush))
        FillRects(region.ToQRegion(), MakeQtBrush(brush, std::nullopt), QPainter::CompositionMode_SourceOver);
}

void TKestCanvas::FrameRgn(const TKestRegion& region, const TKestBrush& brush, int32_t width, int32_t height)
{
    if (!painter_.isActive() || !BrushVisible(brush) || region.IsEmpty() || width < 1 || height < 1)
        return;
    const QRegion& r = region.ToQRegion();
    QRect bounds = r.boundingRect();
    QRegion inner = Erode(r, std::min(width, bounds.width()), std::min(height, bounds.height()));
    FillRects(r - inner, MakeQtBrush(brush, std::nullopt), QPainter::CompositionMode_SourceOver);
}

void TKestCanvas::InvertRgn(const TKestRegion& region)
{
    if (painter_.isActive())
        FillRects(region.ToQRegion(), QBrush(Qt::black), QPainter::RasterOp_NotDestination);
}

void TKestCanvas::InvertRect(const TKestRect& r)
{
    InvertRgn(TKestRegion(r));
}

std::optional<TKestRegion> IntersectClipRgn(TKestCanvas& canvas, const TKestRegion& region)
{
    std::optional<TKestRegion> previous = canvas.ClipRegion();
    if (previous)
        canvas.ExtSelectClipRgn(region, RGN_AND);
    else
        canvas.SelectClipRgn(region);
    return previous;
}

std::optional<TKestRegion> IntersectClipPath(TKestCanvas& canvas)
{
    std::optional<TKestRegion> previous = canvas.ClipRegion();
    std::optional<TKestRegion> path = canvas.PathToRegion();
    if (path)
        IntersectClipRgn(canvas, *path);
    else if (!previous)
        canvas.SelectClipRgn(TKestRegion());
    return previous;
}

std::optional<TKestRegion> CreateTransparentRegion(
    const QImage& bitmap, int32_t width, int32_t height, TColor transparent, const TKestRect& dest)
{
    int32_t w = std::min(width, bitmap.width()), h = std::min(height, bitmap.height());
    int64_t dw64 = int64_t(dest.Right) - dest.Left, dh64 = int64_t(dest.Bottom) - dest.Top;
    if (w <= 0 || h <= 0 || dw64 <= 0 || dh64 <= 0 || dw64 > INT32_MAX || dh64 > INT32_MAX)
        return std::nullopt;
    int32_t dw = int32_t(dw64), dh = int32_t(dh64);
    auto at = [](int32_t base, int32_t offset) {
        return int32_t(std::clamp<int64_t>(int64_t(base) + offset, -RegionCoordLimit, RegionCoordLimit));
    };
    QImage converted;
    const QImage* image = &bitmap;
    if (bitmap.format() != QImage::Format_ARGB32 && bitmap.format() != QImage::Format_RGB32) {
        converted = bitmap.convertToFormat(QImage::Format_ARGB32);
        image = &converted;
    }
    bool scaled = dw != width || dh != height;
    uint32_t key = ColorToQRgb(transparent) & 0xFFFFFF;
    TRegionBuilder builder;
    std::vector<TRegionBuilder::TSpan> spans;
    for (int32_t y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const uint32_t*>(image->constScanLine(y));
        spans.clear();
        for (int32_t x = 0; x < w;) {
            if ((line[x] & 0xFFFFFF) == key) {
                ++x;
                continue;
            }
            int32_t start = x;
            while (x < w && (line[x] & 0xFFFFFF) != key)
                ++x;
            if (scaled)
                spans.emplace_back(at(dest.Left, MulDiv(start, dw, width)), at(dest.Left, MulDiv(x, dw, width)));
            else
                spans.emplace_back(at(dest.Left, start), at(dest.Left, x));
        }
        if (scaled)
            builder.AddRows(at(dest.Top, MulDiv(y, dh, height)), at(dest.Top, MulDiv(y + 1, dh, height)), spans);
        else
            builder.AddRows(at(dest.Top, y), at(dest.Top, y + 1), spans);
    }
    TKestRegion region = builder.Finish();
    if (region.IsEmpty())
        return std::nullopt;
    return region;
}

void IntersectTransparentRegion(const QImage& bitmap, TColor transparent, const TKestRect& dest, TKestRegion& region)
{
    std::optional<TKestRegion> opaque
        = CreateTransparentRegion(bitmap, bitmap.width(), bitmap.height(), transparent, dest);
    region.Combine(opaque ? *opaque : TKestRegion(), RGN_AND);
}

} // namespace kest
