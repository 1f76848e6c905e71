// Conversion of the closed shapes into curves of the same outline.
#include <algorithm>
#include <cmath>

#include "KestControlsBasic.h"
#include "KestControlsCurve.h"
#include "KestFiler.h"
#include "KestStream.h"

namespace kest {

namespace {

// 1 - 0.55228474983: how far a quarter arc's cubic control point lies from
// the corner of the arc's box, in radii.
constexpr double kCornerControl = 0.44771525017;

int32_t RoundHalfEven(double value)
{
    return int32_t(std::nearbyint(value));
}

// Copies the properties the curve shares with the shape. The identifier
// stays the curve's own so that identifiers remain unique while both exist;
// the layer is already the shape's.
void CopyCommonProps(TKestControl& shape, TKestControl& curve)
{
    TPropList& source = shape.Props();
    TPropList& target = curve.Props();
    TKestMemoryStream stream;
    {
        TKestFiler filer(stream);
        source.BeginSaving();
        try {
            for (int i = 0; i < source.Count(); ++i) {
                TCustomProp* from = source.Prop(i);
                if (from == shape.IdProp() || from == shape.LayerProp())
                    continue;
                const TCustomProp* to = target.PropByName(source.Name(i));
                if (to && to->ClassType() == from->ClassType())
                    source.SaveProperty(filer, from, true, source.Name(i), "");
            }
        } catch (...) {
            source.EndMode();
            throw;
        }
        source.EndMode();
    }
    stream.Seek(0);
    TKestFiler filer(stream);
    // The new curve's first values are no step to undo; recording them
    // would also need the list saved in the middle of loading it.
    THistory* history = target.History();
    target.SetHistory(nullptr);
    try {
        std::string line;
        while (filer.LoadStrCheck(line))
            target.LoadProperty(filer, line);
    } catch (...) {
        target.SetHistory(history);
        throw;
    }
    target.SetHistory(history);
}

void AddPoint(TPointArray& points, TPointTypeArray& types, double x, double y, TPointType type)
{
    points.push_back({RoundHalfEven(x), RoundHalfEven(y)});
    types.push_back(type);
}

// Appends one piece of an elliptic arc from angle `from` to `to` (radians,
// counter-clockwise, y up) as a cubic: its two controls and its end node.
void AddArcPiece(
    TPointArray& points, TPointTypeArray& types, double cx, double cy, double a, double b, double from, double to)
{
    const double half = (to - from) / 2;
    const double middle = (from + to) / 2;
    const double c = std::cos(half);
    const double s = std::sin(half);
    const double controlX = (4 - c) / 3;
    const double controlY = s != 0 ? (1 - c) * (3 - c) / (3 * s) : 0;
    const auto place = [&](double x, double y, TPointType type) {
        const double rx = x * std::cos(middle) - y * std::sin(middle);
        const double ry = x * std::sin(middle) + y * std::cos(middle);
        AddPoint(points, types, cx + a * rx, cy - b * ry, type);
    };
    place(controlX, -controlY, ptControl);
    place(controlX, controlY, ptControl);
    place(c, s, ptNode);
}

} // namespace

TKestControl* ShapeToCurve(TKestControl& shape, const TPointArray& points, const TPointTypeArray& types)
{
    auto* curve = TKestControl::Create<TKestCurve>(shape.Owner(), shape.Parent(), shape.Layer());
    try {
        curve->BeginUpdate();
        CopyCommonProps(shape, *curve);
        curve->EndUpdate();
        // Outside the update, so that the curve fits its rectangle to the
        // outline instead of stretching the points to the copied rectangle.
        curve->SetPathPoints(points, types);
    } catch (...) {
        curve->Free();
        throw;
    }
    return curve;
}

void RoundedRectPath(const TKestRect& rect, int32_t roundness, TPointArray& points, TPointTypeArray& types)
{
    points.clear();
    types.clear();
    const int32_t l = rect.Left, t = rect.Top, r = rect.Right, b = rect.Bottom;
    if (roundness == 0) {
        points = {{l, t}, {r, t}, {r, b}, {l, b}};
        types = {ptNode, ptNode, ptNode, ptClosedEnd};
        return;
    }
    const int32_t rx = roundness / 2;
    const int32_t ry = roundness / 2;
    const int32_t cx = RoundHalfEven(roundness * kCornerControl / 2);
    const int32_t cy = cx;
    points = {{l + rx, t}, {r - rx, t}, {r - cx, t}, {r, t + cy}, {r, t + ry}, {r, b - ry}, {r, b - cy}, {r - cx, b},
        {r - rx, b}, {l + rx, b}, {l + cx, b}, {l, b - cy}, {l, b - ry}, {l, t + ry}, {l, t + cy}, {l + cx, t}};
    types = {ptNode, ptNode, ptControl, ptControl, ptNode, ptNode, ptControl, ptControl, ptNode, ptNode, ptControl,
        ptControl, ptNode, ptClosedEnd, ptControl, ptControl};
}

void EllipsePath(const TKestRect& rect, TPointArray& points, TPointTypeArray& types)
{
    const int32_t l = rect.Left, t = rect.Top, r = rect.Right, b = rect.Bottom;
    const int32_t mx = l + (r - l) / 2;
    const int32_t my = t + (b - t) / 2;
    const int32_t cx = RoundHalfEven((r - l) / 2.0 * kCornerControl);
    const int32_t cy = RoundHalfEven((b - t) / 2.0 * kCornerControl);
    points = {{mx, t}, {r - cx, t}, {r, t + cy}, {r, my}, {r, b - cy}, {r - cx, b}, {mx, b}, {l + cx, b}, {l, b - cy},
        {l, my}, {l, t + cy}, {l + cx, t}};
    types = {ptNode, ptControl, ptControl, ptNode, ptControl, ptControl, ptNode, ptControl, ptControl, ptClosedEnd,
        ptControl, ptControl};
}

void ArcPath(
    const TKestRect& rect, int32_t beginAngle, int32_t endAngle, bool pie, TPointArray& points, TPointTypeArray& types)
{
    points.clear();
    types.clear();
    const double a = (double(rect.Right) - rect.Left) / 2;
    const double b = (double(rect.Bottom) - rect.Top) / 2;
    const double cx = rect.Left + a;
    const double cy = rect.Top + b;
    int64_t from = beginAngle;
    int64_t sweep = ((int64_t(endAngle) - beginAngle) % 360000 + 360000) % 360000;
    const int64_t to = from + (sweep == 0 ? 360000 : sweep);
    const auto radians = [](int64_t angle) { return double(angle) * M_PI / 180000; };
    AddPoint(points, types, cx + a * std::cos(radians(from)), cy - b * std::sin(radians(from)), ptNode);
    while (from < to) {
        // The next multiple of a quarter turn beyond `from`, or the end.
        int64_t next = (from >= 0 ? from / 90000 + 1 : -((-from) / 90000)) * 90000;
        if (next <= from)
            next += 90000;
        next = std::min(next, to);
        AddArcPiece(points, types, cx, cy, a, b, radians(from), radians(next));
        from = next;
    }
    if (pie)
        AddPoint(points, types, cx, cy, ptClosedEnd);
    else
        types.back() = ptOpenEnd;
}

TKestControl* TKestBox::ConvertToCurve()
{
    TPointArray points;
    TPointTypeArray types;
    RoundedRectPath({0, 0, Width(), Height()}, Roundness(), points, types);
    return ShapeToCurve(*this, points, types);
}

TKestControl* TKestEllipse::ConvertToCurve()
{
    TPointArray points;
    TPointTypeArray types;
    const TKestRect full = EllipseRect();
    if (BeginAngle() == EndAngle())
        EllipsePath(full, points, types);
    else
        ArcPath(full, BeginAngle(), EndAngle(), !brushProp_->IsClear(), points, types);
    return ShapeToCurve(*this, points, types);
}

TKestControl* TKestRegularPolygon::ConvertToCurve()
{
    return ShapeToCurve(*this, path_, pathTypes_);
}

} // namespace kest
