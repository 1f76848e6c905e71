#include "KestGraphicPropsBackground.h"

#include <algorithm>

#include "KestGraphicPropsBrush.h"
#include "KestGraphicPropsCommon.h"
#include "KestGraphicPropsPicture.h"
#include "KestPropsPublished.h"

namespace kest {

namespace {

int32_t Clamp32(int64_t value)
{
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

} // namespace

KEST_CLASS_IMPL(TBackgroundOptionsProp, TCustomProp)

TBackgroundOptionsProp::TBackgroundOptionsProp()
{
    SetPropType(ptComplex);
}

const TSubPropTable* TBackgroundOptionsProp::SubProps() const
{
    using B = TBackgroundOptionsProp;
    static const TSubPropTable table
        = TSubPropTableBuilder<B>()
              .Boolean("PictureEnabled", &B::PictureEnabled, &B::SetPictureEnabled)
              .Default(true)
              .Boolean("BrushEnabled", &B::BrushEnabled, &B::SetBrushEnabled)
              .Default(true)
              .Set("PictureOptions",
                  {"bpOffsetLeft", "bpOffsetTop", "bpNewWidth", "bpNewHeight", "bpStretchHoriz", "bpStretchVert",
                      "bpScaledSize", "bpCenterHoriz", "bpCenterVert", "bpAlignRight", "bpAlignBottom"},
                  &B::PictureOptions, &B::SetPictureOptions)
              .Default(
                  BackgroundOption(bpStretchHoriz) | BackgroundOption(bpStretchVert) | BackgroundOption(bpScaledSize))
              .Integer("Top", &B::Top, &B::SetTop)
              .Default(0)
              .Integer("Left", &B::Left, &B::SetLeft)
              .Default(0)
              .Integer("Width", &B::Width, &B::SetWidth)
              .Default(0)
              .Integer("Height", &B::Height, &B::SetHeight)
              .Default(0);
    return &table;
}

void TBackgroundOptionsProp::SetPictureEnabled(bool value)
{
    ChangePropField(*this, pictureEnabled_, value);
}

void TBackgroundOptionsProp::SetBrushEnabled(bool value)
{
    ChangePropField(*this, brushEnabled_, value);
}

void TBackgroundOptionsProp::SetPictureOptions(TBackgroundPictureOptions value)
{
    ChangePropField(*this, pictureOptions_, TBackgroundPictureOptions(value & ((1u << (bpAlignBottom + 1)) - 1)));
}

void TBackgroundOptionsProp::SetTop(int32_t value)
{
    ChangePropField(*this, top_, value);
}

void TBackgroundOptionsProp::SetLeft(int32_t value)
{
    ChangePropField(*this, left_, value);
}

void TBackgroundOptionsProp::SetWidth(int32_t value)
{
    ChangePropField(*this, width_, value);
}

void TBackgroundOptionsProp::SetHeight(int32_t value)
{
    ChangePropField(*this, height_, value);
}

TKestRect TBackgroundOptionsProp::GetPictureRect(
    const TKestRect& paintRect, const TPictureProp* picture, int32_t scale) const
{
    if (!picture || picture->Empty())
        return {};
    const int64_t paintWidth = int64_t(paintRect.Right) - paintRect.Left;
    const int64_t paintHeight = int64_t(paintRect.Bottom) - paintRect.Top;
    // A size given in document units is scaled already; only the picture's
    // own size follows bpScaledSize.
    auto size = [&](TBackgroundPictureOption stretch, TBackgroundPictureOption fixed, int64_t paint, int32_t given,
                    int32_t own) -> int64_t {
        if (HasOption(stretch))
            return paint;
        if (HasOption(fixed))
            return MulDiv(given, scale, 100000);
        return HasOption(bpScaledSize) ? MulDiv(own, scale, 100) : own;
    };
    const int64_t width = size(bpStretchHoriz, bpNewWidth, paintWidth, width_, picture->Width());
    const int64_t height = size(bpStretchVert, bpNewHeight, paintHeight, height_, picture->Height());
    int64_t x = paintRect.Left, y = paintRect.Top;
    if (HasOption(bpCenterHoriz))
        x += (paintWidth - width) / 2;
    else if (HasOption(bpAlignRight))
        x += paintWidth - width;
    if (HasOption(bpCenterVert))
        y += (paintHeight - height) / 2;
    else if (HasOption(bpAlignBottom))
        y += paintHeight - height;
    if (HasOption(bpOffsetLeft) && !HasOption(bpStretchHoriz))
        x += MulDiv(left_, scale, 100000);
    if (HasOption(bpOffsetTop) && !HasOption(bpStretchVert))
        y += MulDiv(top_, scale, 100000);
    return {Clamp32(x), Clamp32(y), Clamp32(x + width), Clamp32(y + height)};
}

void TBackgroundOptionsProp::Paint(TKestCanvas& canvas, const TKestRect& paintRect, bool useMaskRegion, int32_t scale,
    TBrushProp* brush, TPictureProp* picture)
{
    if (brushEnabled_ && brush) {
        brush->Setup(&canvas, scale);
        TKestPen pen = canvas.Pen();
        pen.Style = psClear;
        pen.Mode = pmCopy;
        canvas.SetPen(pen);
        if (brush->IsPaintAlternate()) {
            std::optional<TKestRegion> previous = IntersectClipRgn(canvas, TKestRegion(paintRect));
            brush->PaintAlternate(canvas, paintRect, paintRect, useMaskRegion, scale);
            canvas.SelectClipRgn(previous);
        } else {
            canvas.FillRect(paintRect);
        }
    }
    if (pictureEnabled_ && picture && !picture->Empty())
        picture->Draw(canvas, GetPictureRect(paintRect, picture, scale), nullptr, useMaskRegion, 0);
}

} // namespace kest
