#include "KestControls.h"

#include <algorithm>

namespace kest {

void RegisterShapeClasses()
{
    static const bool registered = [] {
        RegisterControlClasses({TKestBox::StaticClass(), TKestEllipse::StaticClass(), TKestArc::StaticClass(),
            TKestPicture::StaticClass(), TKestText::StaticClass(), TKestCurve::StaticClass(),
            TKestConnector::StaticClass(), TKestRegularPolygon::StaticClass()});
        return true;
    }();
    (void)registered;
}

int32_t ShapeScale(const TKestControl& control)
{
    return control.Owner() ? control.Owner()->Scale() : 100;
}

TKestRect ShapeScreenRect(const TKestControl& control, const TKestRect& docRect)
{
    return control.Owner() ? control.Owner()->TransformRect(docRect) : docRect;
}

bool ShapeSelectAsFilled(const TKestControl& control)
{
    return control.Owner() && control.Owner()->SelectAsFilled();
}

TKestRect RectInflated(const TKestRect& r, int32_t dx, int32_t dy)
{
    return {r.Left - dx, r.Top - dy, r.Right + dx, r.Bottom + dy};
}

TKestRect RectOffset(const TKestRect& r, int32_t dx, int32_t dy)
{
    return {r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy};
}

bool RectContains(const TKestRect& r, int32_t x, int32_t y)
{
    return x >= r.Left && x < r.Right && y >= r.Top && y < r.Bottom;
}

TKestPoint RectConnectionPoint(const TKestRect& r, int index)
{
    static constexpr int kX[9] = {0, 1, 2, 2, 2, 1, 0, 0, 1};
    static constexpr int kY[9] = {0, 0, 0, 1, 2, 2, 2, 1, 1};
    if (index < 0 || index >= 9)
        return {};
    const int32_t xs[3] = {r.Left, r.Left + RectWidth(r) / 2, r.Right};
    const int32_t ys[3] = {r.Top, r.Top + RectHeight(r) / 2, r.Bottom};
    return {xs[kX[index]], ys[kY[index]]};
}

} // namespace kest
