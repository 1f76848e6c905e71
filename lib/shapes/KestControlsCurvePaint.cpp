// TKestCurve on the screen: painting with brush, pen and line caps, the
// area a repaint must cover, and the hit test.
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <span>

#include "KestBasePanel.h"
#include "KestCanvas.h"
#include "KestControlsCurve.h"
#include "KestGraphicProps.h"
#include "KestRegion.h"

namespace kest {

namespace {

TKestPoint RoundPoint(double x, double y)
{
    return {static_cast<int32_t>(std::lround(x)), static_cast<int32_t>(std::lround(y))};
}

// Hands a path built by the path routines to the canvas as its current
// path; closed lists, per figure of the path in order, whether to close it.
void SetCanvasPath(TKestCanvas& canvas, const QPainterPath& path, const std::vector<bool>& closed)
{
    canvas.BeginPath();
    size_t figure = 0;
    bool open = false;
    auto closeFigure = [&] {
        if (open && figure < closed.size() && closed[figure])
            canvas.CloseFigure();
        if (open)
            ++figure;
        open = false;
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.isMoveTo()) {
            closeFigure();
            canvas.MoveTo(RoundPoint(e.x, e.y).X, RoundPoint(e.x, e.y).Y);
            open = true;
        } else if (e.isLineTo()) {
            canvas.LineTo(RoundPoint(e.x, e.y).X, RoundPoint(e.x, e.y).Y);
        } else if (e.isCurveTo() && i + 2 < path.elementCount()) {
            const QPainterPath::Element c2 = path.elementAt(i + 1), end = path.elementAt(i + 2);
            const TKestPoint points[3] = {RoundPoint(e.x, e.y), RoundPoint(c2.x, c2.y), RoundPoint(end.x, end.y)};
            canvas.PolyBezierTo(points);
            i += 2;
        }
    }
    closeFigure();
    canvas.EndPath();
}

// The closed flags of the figures a path build includes, in order.
std::vector<bool> IncludedFigures(const TPathInfo& info, bool includeOpen, bool includeClosed)
{
    std::vector<bool> closed;
    for (const TPathFigureInfo& figure : info.Figures)
        if (figure.IsClosed ? includeClosed : includeOpen)
            closed.push_back(figure.IsClosed);
    return closed;
}

// Builds the chosen figures as the canvas's path; false when none was built.
bool BuildCanvasPath(TKestCanvas& canvas, const TPointArray& points, const TPointTypeArray& types,
    const TPathInfo& info, bool includeOpen, bool includeClosed, bool& allIncluded)
{
    QPainterPath path;
    if (!PaintPath(path, points, types, &info, false, allIncluded, includeOpen, includeClosed))
        return false;
    SetCanvasPath(canvas, path, IncludedFigures(info, includeOpen, includeClosed));
    return true;
}

} // namespace

int32_t TKestCurve::HitTolerance() const
{
    return UnscaledPixels(4) + penProp_->ActiveWidth() / 2;
}

bool TKestCurve::IsPointInside(int32_t x, int32_t y)
{
    const TKestPoint p = OwnerToClient({x, y});
    const int32_t t = HitTolerance();
    if (p.X < -t || p.Y < -t || p.X >= Width() + t || p.Y >= Height() + t)
        return false;
    const bool fillTest = !brushProp_->IsClear();
    const bool strokeTest = penProp_->ActiveWidth() >= 1;
    return PointOnPath(points_, types_, p, &PathInfo(), nullptr, t, fillTest, strokeTest);
}

int32_t TKestCurve::CapSize(const TLineCapProp& cap) const
{
    return cap.FixedSize() ? cap.Size() : 8000 + 2 * (penProp_->Width() - 1000);
}

TKestRect TKestCurve::GetRefreshRect(int32_t paintX, int32_t paintY)
{
    const int32_t w = penProp_->ActiveWidth();
    int32_t e = 1000;
    if (w > 0)
        e = penProp_->GetPenInfo(PanelScale()).Geometric && penProp_->Join() == pjMiter ? 5 * w : w + 2000;
    int32_t capExtent = 0;
    for (const TLineCapProp* cap : {beginCapProp_, endCapProp_}) {
        TLineCapData data;
        if (cap->CapStyle() != 0 && GetLineCapMetrics(cap->CapStyle(), CapSize(*cap), data))
            capExtent = std::max({capExtent, data.BoxRight - data.BoxLeft, data.BoxBottom - data.BoxTop});
    }
    e += capExtent;
    return {paintX - e, paintY - e, paintX + Width() + e, paintY + Height() + e};
}

void TKestCurve::Paint(TKestCanvas& canvas, const TKestRect& paintRect)
{
    if (points_.empty())
        return;
    const int32_t scale = PanelScale();
    TPointArray screen(points_.size());
    for (size_t i = 0; i < points_.size(); ++i)
        screen[i] = ClientToOwner(points_[i]);
    penProp_->Setup(&canvas, scale);
    brushProp_->Setup(&canvas, scale);
    const TPathInfo& info = PathInfo();
    const bool selfFilling = brushProp_->IsPaintAlternate() && !brushProp_->IsClear();
    auto fillSelf = [&](const TKestRegion& region) {
        const int saved = canvas.SaveDC();
        canvas.ExtSelectClipRgn(region, RGN_AND);
        brushProp_->PaintAlternate(canvas, paintRect, paintRect, false, scale);
        canvas.RestoreDC(saved);
    };

    if (!info.IsCurve && info.Figures.size() <= 1) {
        if (info.Figures.empty())
            return;
        const TPathFigureInfo& figure = info.Figures.front();
        if (figure.LastNode < figure.FirstNode)
            return;
        const std::span<const TKestPoint> outline(
            screen.data() + figure.FirstNode, static_cast<size_t>(figure.LastNode - figure.FirstNode + 1));
        if (figure.IsClosed) {
            if (selfFilling)
                fillSelf(TKestRegion::Polygon(outline, ALTERNATE));
            canvas.Polygon(outline);
        } else {
            canvas.Polyline(outline);
        }
    } else if (brushProp_->IsClear()) {
        bool all = true;
        if (BuildCanvasPath(canvas, screen, types_, info, true, true, all))
            canvas.StrokePath();
    } else if (selfFilling) {
        QPainterPath closedPath;
        bool all = true;
        if (PaintPath(closedPath, screen, types_, &info, false, all, false, true))
            fillSelf(TKestRegion::FromPath(closedPath));
        if (BuildCanvasPath(canvas, screen, types_, info, true, true, all))
            canvas.StrokePath();
    } else {
        bool all = true;
        const bool built = BuildCanvasPath(canvas, screen, types_, info, false, true, all);
        if (built)
            canvas.StrokeAndFillPath();
        if (!built || !all) {
            bool openAll = true;
            if (BuildCanvasPath(canvas, screen, types_, info, true, false, openAll))
                canvas.StrokePath();
        }
    }
    PaintCaps(canvas, scale, screen);
}

void TKestCurve::PaintCaps(TKestCanvas& canvas, int32_t scale, const TPointArray& screen)
{
    if (beginCapProp_->CapStyle() == 0 && endCapProp_->CapStyle() == 0)
        return;
    for (const TPathFigureInfo& figure : PathInfo().Figures) {
        if (figure.IsClosed || figure.LastNode <= figure.FirstNode)
            continue;
        const auto first = static_cast<size_t>(figure.FirstNode), last = static_cast<size_t>(figure.LastNode);
        PaintCap(canvas, *beginCapProp_, scale, screen[first], screen[first + 1]);
        PaintCap(canvas, *endCapProp_, scale, screen[last], screen[last - 1]);
    }
}

void TKestCurve::PaintCap(TKestCanvas& canvas, TLineCapProp& cap, int32_t scale, TKestPoint end, TKestPoint from)
{
    const int32_t style = cap.CapStyle();
    if (style == 0)
        return;
    const TColor outline = cap.FixedOutlineColor() ? cap.OutlineColor() : penProp_->Color();
    const TColor fill = cap.FixedFillColor() ? cap.FillColor() : penProp_->Color();
    const int32_t size = ScaleValue(CapSize(cap), scale);
    canvas.SetPen(TKestPen(outline, std::max(1, penProp_->GetPenInfo(scale).Width)));
    canvas.SetBrush(TKestBrush(fill, bsSolid));
    if (style == -15 || style == -16) {
        const int32_t r = style == -15 ? size / 2 : size / 4;
        canvas.Ellipse({end.X - r, end.Y - r, end.X + r, end.Y + r});
        return;
    }
    TLineCapData data;
    if (!GetLineCapData(style, size, end, from, data))
        return;
    TPathInfo info;
    GetPathInfo(data.Points, data.Types, info);
    bool all = true;
    if (BuildCanvasPath(canvas, data.Points, data.Types, info, true, true, all))
        canvas.StrokeAndFillPath();
}

} // namespace kest
