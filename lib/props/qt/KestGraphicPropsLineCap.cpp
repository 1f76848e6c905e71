#include "KestGraphicPropsLineCap.h"

#include "KestGraphicPropsCommon.h"
#include "KestPropsPublished.h"

namespace kest {

KEST_CLASS_IMPL(TLineCapProp, TCustomProp)

TLineCapProp::TLineCapProp()
{
    SetPropType(ptComplex);
}

const TSubPropTable* TLineCapProp::SubProps() const
{
    using C = TLineCapProp;
    static const TSubPropTable table
        = TSubPropTableBuilder<C>()
              .Integer("CapStyle", &C::CapStyle, &C::SetCapStyle)
              .Default(0)
              .Boolean("FixedSize", &C::FixedSize, &C::SetFixedSize)
              .Default(false)
              .Integer("Size", &C::Size, &C::SetSize)
              .Default(8000)
              .Boolean("FixedOutlineColor", &C::FixedOutlineColor, &C::SetFixedOutlineColor)
              .Default(false)
              .Integer("OutlineColor", &C::OutlineColor, &C::SetOutlineColor)
              .Default(clBlack)
              .Boolean("FixedFillColor", &C::FixedFillColor, &C::SetFixedFillColor)
              .Default(false)
              .Integer("FillColor", &C::FillColor, &C::SetFillColor)
              .Default(clWhite);
    return &table;
}

void TLineCapProp::SetCapStyle(int32_t value)
{
    ChangePropField(*this, capStyle_, value);
}

void TLineCapProp::SetFixedSize(bool value)
{
    ChangePropField(*this, fixedSize_, value);
}

void TLineCapProp::SetSize(int32_t value)
{
    ChangePropField(*this, size_, value);
}

void TLineCapProp::SetFixedOutlineColor(bool value)
{
    ChangePropField(*this, fixedOutlineColor_, value);
}

void TLineCapProp::SetOutlineColor(TColor value)
{
    ChangePropField(*this, outlineColor_, value);
}

void TLineCapProp::SetFixedFillColor(bool value)
{
    ChangePropField(*this, fixedFillColor_, value);
}

void TLineCapProp::SetFillColor(TColor value)
{
    ChangePropField(*this, fillColor_, value);
}

} // namespace kest
