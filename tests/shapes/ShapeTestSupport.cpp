#include "ShapeTestSupport.h"

#include <cstdlib>

namespace kest::shapetest {

TShapeFixture::TShapeFixture()
{
    RegisterShapeClasses();
}

TPainted::TPainted(TKestPanel& panel, int32_t width, int32_t height)
{
    canvas.SetSize(width, height);
    canvas.SetBrush(TKestBrush(clWhite, bsSolid));
    canvas.FillRect({0, 0, width, height});
    panel.PaintTo(canvas, {0, 0, width, height}, false, true, false, false, true, nullptr, panel.Scale(), {0, 0});
}

TColor TPainted::At(int32_t x, int32_t y) const
{
    return QRgbToColor(canvas.Image()->pixel(x, y));
}

void TPainted::Save(const std::string& fileName) const
{
    canvas.Image()->save(QString::fromStdString(fileName));
}

bool Near(TColor a, TColor b, int tolerance)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance
        && std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

std::string Resaved(const std::string& text)
{
    TShapeFixture other;
    doctest::LoadText(other.panel, text);
    return doctest::SaveText(other.panel);
}

} // namespace kest::shapetest
