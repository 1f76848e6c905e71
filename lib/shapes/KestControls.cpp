#include "KestControls.h"

#include <algorithm>

namespace kest {

void RegisterShapeClasses()
{
    static const bool registered = [] {
        RegisterControlClasses({TKestBox::StaticClass()});
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

} // namespace kest
