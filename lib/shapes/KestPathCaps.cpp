// The geometry of the built-in line caps: metrics, and the outline placed
// at an end node along the direction of the segment that reaches it.
#include <cmath>

#include "KestPathInternal.h"

namespace kest {

using namespace pathimpl;

namespace {

// A figure in the cap frame: x along the line (positive beyond the end), y
// across it.
struct TFramePoint {
    double X, Y;
    TPointType Type;
};
using TFrameOutline = std::vector<TFramePoint>;

// Two strokes from the tip to the barbs at base +- width.
void OpenHead(TFrameOutline& out, double tip, double base, double width)
{
    out.insert(out.end(), {{tip, 0, ptNode}, {base, width, ptOpenEnd}, {tip, 0, ptNode}, {base, -width, ptOpenEnd}});
}

void ClosedHead(TFrameOutline& out, double tip, double base, double width)
{
    out.insert(out.end(), {{tip, 0, ptNode}, {base, width, ptNode}, {base, -width, ptClosedEnd}});
}

void Polygon(TFrameOutline& out, std::initializer_list<std::pair<double, double>> corners)
{
    for (const auto& [x, y] : corners)
        out.push_back({x, y, ptNode});
    out.back().Type = ptClosedEnd;
}

// Four quarter arcs; the last one closes the figure.
void Circle(TFrameOutline& out, double r)
{
    const double k = 0.5522847498 * r;
    out.insert(out.end(),
        {{r, 0, ptNode}, {r, k, ptControl}, {k, r, ptControl}, {0, r, ptNode}, {-k, r, ptControl}, {-r, k, ptControl},
            {-r, 0, ptNode}, {-r, -k, ptControl}, {-k, -r, ptControl}, {0, -r, ptClosedEnd}, {k, -r, ptControl},
            {r, -k, ptControl}});
}

// A narrow head whose barbs bow towards the axis, closed across its base.
void CurvedHead(TFrameOutline& out, double s, double h)
{
    const double len = std::hypot(s, h);
    const double nx = len == 0 ? 0 : -h / len, ny = len == 0 ? 0 : -s / len; // towards the axis
    const double d1 = 0.1144 * s, d2 = 0.0731 * s;
    const double c1x = -2 * s / 3 + nx * d1, c1y = 2 * h / 3 + ny * d1;
    const double c2x = -s / 3 + nx * d2, c2y = h / 3 + ny * d2;
    out.insert(out.end(),
        {{-s, h, ptNode}, {c1x, c1y, ptControl}, {c2x, c2y, ptControl}, {0, 0, ptNode}, {c2x, -c2y, ptControl},
            {c1x, -c1y, ptControl}, {-s, -h, ptClosedEnd}});
}

bool BuildOutline(int32_t style, double s, double h, double q, TFrameOutline& out)
{
    switch (style) {
    case -1:
        OpenHead(out, 0, -h, h);
        return true;
    case -2:
        OpenHead(out, 0, -h, h);
        OpenHead(out, h - s, -s, h);
        return true;
    case -3:
        OpenHead(out, h, 0, h);
        return true;
    case -4:
        OpenHead(out, h, 0, h);
        OpenHead(out, -h, 0, h);
        return true;
    case -5:
        OpenHead(out, 0, -s, h);
        return true;
    case -6:
        // The second head sits half a size back, so that both fit the box.
        OpenHead(out, 0, -s, h);
        OpenHead(out, -h, -h - s, h);
        return true;
    case -7:
        OpenHead(out, s, 0, h);
        return true;
    case -8:
        OpenHead(out, s, 0, h);
        OpenHead(out, s - h, -h, h);
        return true;
    case -9:
        CurvedHead(out, s, h);
        return true;
    case -10:
    case -12:
        ClosedHead(out, 0, -s, h);
        return true;
    case -11:
    case -13:
        ClosedHead(out, 0, -h, h);
        ClosedHead(out, -h, -s, h);
        return true;
    case -14:
        Polygon(out, {{-h, -h}, {h, -h}, {h, h}, {-h, h}});
        return true;
    case -15:
        Circle(out, h);
        return true;
    case -16:
        Circle(out, q);
        return true;
    case -17:
        Polygon(out, {{h, 0}, {0, h}, {-h, 0}, {0, -h}});
        return true;
    case -18:
        for (const auto& [x, y] : {std::pair {-h, h}, {-s / 3, h / 3}, {-h, -h / 3}, {-s / 3, -h}})
            out.push_back({x, y, ptNode});
        out.back().Type = ptOpenEnd;
        return true;
    default:
        return false;
    }
}

} // namespace

bool GetLineCapMetrics(int32_t style, int32_t size, TLineCapData& data)
{
    data = TLineCapData {};
    const int32_t s = size, h = s / 2, q = s / 4;
    const auto set = [&](int32_t inset, int32_t left, int32_t top, int32_t right, int32_t bottom) {
        data.Size = s;
        data.LineInset = inset;
        data.BoxLeft = left;
        data.BoxTop = top;
        data.BoxRight = right;
        data.BoxBottom = bottom;
        return true;
    };
    switch (style) {
    case -1:
        return set(0, -h, -h, 0, h);
    case -2:
    case -5:
        return set(0, -s, -h, 0, h);
    case -3:
        return set(0, 0, -h, h, h);
    case -4:
        return set(0, -h, -h, h, h);
    case -6:
        return set(0, -h - s, -h, 0, h);
    case -7:
        return set(0, 0, -h, s, h);
    case -8:
        return set(0, -h, -h, s, h);
    case -9:
    case -10:
    case -11:
    case -12:
    case -13:
    case -18:
        return set(s, -s, -h, 0, h);
    case -14:
    case -15:
    case -17:
        return set(h, -h, -h, h, h);
    case -16:
        return set(q, -q, -q, q, q);
    default:
        return false;
    }
}

bool GetLineCapData(int32_t style, int32_t size, TKestPoint end, TKestPoint from, TLineCapData& data)
{
    if (!GetLineCapMetrics(style, size, data))
        return false;
    const double s = data.Size, h = data.Size / 2, q = data.Size / 4;
    TFrameOutline outline;
    BuildOutline(style, s, h, q, outline);
    // Unit vectors along and across the line; both zero when the segment has
    // no length, so that the cap collapses onto its end.
    const long double dx = (long double)end.X - from.X, dy = (long double)end.Y - from.Y;
    const long double len = std::sqrt(dx * dx + dy * dy);
    const long double ux = len == 0 ? 0 : dx / len, uy = len == 0 ? 0 : dy / len;
    const auto place = [&](long double x, long double y) {
        return TKestPoint {RoundCoord(end.X + x * ux - y * uy), RoundCoord(end.Y + x * uy + y * ux)};
    };
    data.EndPoint = end;
    data.LinePoint = place(-data.LineInset, 0);
    data.Points.reserve(outline.size());
    data.Types.reserve(outline.size());
    for (const TFramePoint& p : outline) {
        data.Points.push_back(place(p.X, p.Y));
        data.Types.push_back(p.Type);
    }
    return true;
}

} // namespace kest
