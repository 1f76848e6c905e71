#include "KestGraphicPropsPen.h"

#include <algorithm>

#include "KestGraphicPropsCommon.h"
#include "KestPropsPublished.h"

namespace kest {

bool GeometricPenSupported()
{
    static const bool supported = [] {
        constexpr int32_t width = 10, height = 5, row = 2;
        TKestCanvas canvas;
        if (!canvas.SetSize(width, height))
            return false;
        canvas.Image()->fill(Qt::white);
        TKestPen pen(clBlack, 3, psDot);
        pen.Geometric = true;
        pen.EndCap = pecSquare;
        pen.Join = pjBevel;
        canvas.SetPen(pen);
        canvas.MoveTo(-1, row);
        canvas.LineTo(width + 1, row);
        const TColor first = canvas.Pixel(0, row);
        for (int32_t x = 1; x < width; ++x)
            if (canvas.Pixel(x, row) != first)
                return true;
        return false;
    }();
    return supported;
}

KEST_CLASS_IMPL(TPenProp, TCustomProp)

TPenProp::TPenProp()
{
    SetPropType(ptComplex);
}

const TSubPropTable* TPenProp::SubProps() const
{
    using P = TPenProp;
    static const TSubPropTable table
        = TSubPropTableBuilder<P>()
              .Integer("Color", &P::Color, &P::SetColor)
              .Default(clBlack)
              .Enumeration("Style",
                  {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear", "psInsideFrame"}, &P::Style,
                  &P::SetStyle)
              .Stored([](const P& p) { return p.Style() != p.DefaultStyle(); })
              .Enumeration("Mode",
                  {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot", "pmMaskPenNot",
                      "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge", "pmMask", "pmNotMask", "pmXor",
                      "pmNotXor"},
                  &P::Mode, &P::SetMode)
              .Default(pmCopy)
              .Integer("Width", &P::Width, &P::SetWidth)
              .Default(1000)
              .Enumeration("EndCap", {"pecFlat", "pecSquare", "pecRound"}, &P::EndCap, &P::SetEndCap)
              .Default(pecRound)
              .Enumeration("Join", {"pjBevel", "pjMiter", "pjRound"}, &P::Join, &P::SetJoin)
              .Default(pjRound)
              .Boolean("SolidAsInside", &P::SolidAsInside, &P::SetSolidAsInside)
              .Default(true);
    return &table;
}

void TPenProp::SetColor(TColor value)
{
    ChangePropField(*this, color_, value);
}

void TPenProp::SetStyle(TPenStyle value)
{
    ChangePropField(*this, style_, value);
}

void TPenProp::SetMode(TPenMode value)
{
    ChangePropField(*this, mode_, value);
}

void TPenProp::SetWidth(int32_t value)
{
    ChangePropField(*this, width_, value);
}

void TPenProp::SetEndCap(TPenEndCap value)
{
    ChangePropField(*this, endCap_, value);
}

void TPenProp::SetJoin(TPenJoin value)
{
    ChangePropField(*this, join_, value);
}

void TPenProp::SetSolidAsInside(bool value)
{
    ChangePropField(*this, solidAsInside_, value);
}

TPenInfo TPenProp::GetPenInfo(int32_t scale) const
{
    TPenInfo info;
    if (width_ <= 0)
        return info;
    info.Width = std::max(MulDiv(width_, scale, 100000), 1);
    info.Style = style_;
    if (color_ == clNone)
        info.Style = psClear;
    else if (style_ == psSolid && info.Width >= 2 && solidAsInside_)
        info.Style = psInsideFrame;
    if (info.Style == psClear) {
        info.Width = 0;
        return info;
    }
    const bool plainRound = (info.Style == psSolid || info.Width < 2) && endCap_ == pecRound && join_ == pjRound;
    info.Geometric = !plainRound && GeometricPenSupported();
    if (!info.Geometric && style_ != psSolid)
        info.Width = 0;
    return info;
}

int32_t TPenProp::ActiveWidth() const
{
    const TPenInfo info = GetPenInfo(100);
    if (info.Style == psClear)
        return 0;
    return info.Geometric || info.Width > 1 ? width_ : PixelScale;
}

void TPenProp::Setup(TKestCanvas* canvas, int32_t scale)
{
    if (!canvas)
        return;
    const TPenInfo info = GetPenInfo(scale);
    TKestPen pen(color_, info.Width, info.Style);
    pen.Mode = mode_;
    pen.Geometric = info.Geometric;
    pen.EndCap = endCap_;
    pen.Join = join_;
    if (!(canvas->Pen() == pen))
        canvas->SetPen(pen);
}

} // namespace kest
