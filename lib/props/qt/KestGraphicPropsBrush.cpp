#include "KestGraphicPropsBrush.h"

#include <cmath>
#include <utility>

#include "KestGraphicPropsCommon.h"
#include "KestPropsPublished.h"
#include "KestUtils.h"

namespace kest {

namespace {

TBrushLinkResolver& LinkResolver()
{
    static TBrushLinkResolver resolver;
    return resolver;
}

std::unique_ptr<TKestBitmap> NonEmpty(std::unique_ptr<TKestBitmap> bitmap)
{
    if (bitmap && bitmap->Empty())
        bitmap.reset();
    return bitmap;
}

} // namespace

void SetBrushLinkResolver(TBrushLinkResolver resolver)
{
    LinkResolver() = std::move(resolver);
}

KEST_CLASS_IMPL(TBrushProp, TCustomProp)

TBrushProp::TBrushProp()
{
    SetPropType(ptComplex);
}

TBrushProp::~TBrushProp() = default;

const TSubPropTable* TBrushProp::SubProps() const
{
    using B = TBrushProp;
    static const TSubPropTable table
        = TSubPropTableBuilder<B>()
              .Enumeration("Method", {"bmHatch", "bmGradient", "bmBitmap"}, &B::Method, &B::SetMethod)
              .Default(bmHatch)
              .Integer("Color", &B::Color, &B::SetColor)
              .Default(clNone)
              .Enumeration("Style",
                  {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal", "bsBDiagonal", "bsCross",
                      "bsDiagCross"},
                  &B::Style, &B::SetStyle)
              .Default(bsSolid)
              .Value(
                  "Bitmap", skOther, [](const B& b) { return b.bitmap_ ? TPropValue(b.BitmapData()) : TPropValue(); },
                  [](B& b, const TPropValue& v) {
                      if (const auto* bytes = std::get_if<TBytes>(&v))
                          b.SetBitmapData(*bytes);
                      else if (std::holds_alternative<std::monostate>(v))
                          b.SetBitmapData({});
                  })
              .Stored([](const B& b) { return b.bitmap_ && b.bitmapLinkName_.empty(); })
              .Text("BitmapLinkName", &B::BitmapLinkName, &B::SetBitmapLinkName)
              .Boolean("BitmapMasked", &B::BitmapMasked, &B::SetBitmapMasked)
              .Default(false)
              .Integer("BitmapMaskColor", &B::BitmapMaskColor, &B::SetBitmapMaskColor)
              .Default(0)
              // Declared without a default: the brush starts with the cache
              // on, so "off" must be written to survive loading.
              .Boolean("BitmapCache", &B::BitmapCache, &B::SetBitmapCache)
              .Enumeration(
                  "BitmapDisplay", {"bdCenter", "bdTile", "bdStretch"}, &B::BitmapDisplay, &B::SetBitmapDisplay)
              .Default(bdTile)
              .Enumeration("GradStyle",
                  {"gsHorizontal", "gsVertical", "gsSquare", "gsElliptic", "gsTopLeft", "gsTopRight", "gsBottomLeft",
                      "gsBottomRight"},
                  &B::GradStyle, &B::SetGradStyle)
              .Default(gsHorizontal)
              .Integer("GradBeginColor", &B::GradBeginColor, &B::SetGradBeginColor)
              .Default(0)
              .Integer("GradEndColor", &B::GradEndColor, &B::SetGradEndColor)
              .Default(0);
    return &table;
}

TPropType TBrushProp::GetPropType(std::string_view subName)
{
    return SameNameCI(subName, "Bitmap") ? ptHexData : TCustomProp::GetPropType(subName);
}

void TBrushProp::SetMethod(TBrushMethod value)
{
    ChangePropField(*this, method_, value);
}

void TBrushProp::SetColor(TColor value)
{
    ChangePropField(*this, color_, value);
}

void TBrushProp::SetStyle(TBrushStyle value)
{
    ChangePropField(*this, style_, value);
}

void TBrushProp::SetBitmap(const TKestBitmap* bitmap)
{
    std::unique_ptr<TKestBitmap> copy;
    if (bitmap)
        copy.reset(static_cast<TKestBitmap*>(bitmap->Clone().release()));
    ReplaceBitmap(NonEmpty(std::move(copy)));
}

TBytes TBrushProp::BitmapData() const
{
    return bitmap_ ? bitmap_->SaveToBytes() : TBytes();
}

void TBrushProp::SetBitmapData(const TBytes& data)
{
    if (data == BitmapData())
        return;
    std::unique_ptr<TKestBitmap> bitmap;
    if (!data.empty()) {
        bitmap = std::make_unique<TKestBitmap>();
        if (!bitmap->LoadFromBytes(data))
            bitmap.reset();
    }
    ReplaceBitmap(NonEmpty(std::move(bitmap)));
}

void TBrushProp::SetBitmapLinkName(const std::string& value)
{
    if (value == bitmapLinkName_ || IsReadOnly())
        return;
    DoBeforeChanged();
    bitmapLinkName_ = value;
    std::unique_ptr<TKestBitmap> bitmap;
    if (!value.empty()) {
        bitmap = std::make_unique<TKestBitmap>();
        if (LinkResolver()) {
            LinkResolver()(this, value, *bitmap);
        } else if (std::optional<TBytes> bytes = ReadLinkFile(value)) {
            bitmap->LoadFromBytes(*bytes);
        }
    }
    Adopt(NonEmpty(std::move(bitmap)));
    DoChanged();
}

void TBrushProp::SetBitmapMasked(bool value)
{
    if (value == bitmapMasked_ || IsReadOnly())
        return;
    DoBeforeChanged();
    bitmapMasked_ = value;
    if (bitmap_) {
        applying_ = true;
        bitmap_->SetTransparent(value);
        applying_ = false;
    }
    patternCache_.Clear();
    DoChanged();
}

void TBrushProp::SetBitmapMaskColor(TColor value)
{
    if (value == bitmapMaskColor_ || IsReadOnly())
        return;
    DoBeforeChanged();
    bitmapMaskColor_ = value;
    if (bitmap_) {
        applying_ = true;
        bitmap_->SetTransparentColor(uint32_t(ColorToRGB(value)) & 0xFFFFFF);
        applying_ = false;
    }
    patternCache_.Clear();
    DoChanged();
}

void TBrushProp::SetBitmapCache(bool value)
{
    if (ChangePropField(*this, bitmapCache_, value))
        patternCache_.Clear();
}

void TBrushProp::SetBitmapDisplay(TBitmapDisplay value)
{
    ChangePropField(*this, bitmapDisplay_, value);
}

void TBrushProp::SetGradStyle(TGradientStyle value)
{
    ChangePropField(*this, gradStyle_, value);
}

void TBrushProp::SetGradBeginColor(TColor value)
{
    ChangePropField(*this, gradBeginColor_, value);
}

void TBrushProp::SetGradEndColor(TColor value)
{
    ChangePropField(*this, gradEndColor_, value);
}

void TBrushProp::ReplaceBitmap(std::unique_ptr<TKestBitmap> bitmap)
{
    if ((!bitmap_ && !bitmap) || IsReadOnly())
        return;
    DoBeforeChanged();
    Adopt(std::move(bitmap));
    DoChanged();
}

void TBrushProp::Adopt(std::unique_ptr<TKestBitmap> bitmap)
{
    bitmap_ = std::move(bitmap);
    if (bitmap_) {
        bitmap_->SetTransparentColor(uint32_t(ColorToRGB(bitmapMaskColor_)) & 0xFFFFFF);
        bitmap_->SetTransparent(bitmapMasked_);
        bitmap_->OnChange = [this](TKestGraphic*) { BitmapChanged(); };
    }
    patternCache_.Clear();
}

void TBrushProp::BitmapChanged()
{
    if (applying_)
        return;
    bitmapMasked_ = bitmap_->Transparent();
    bitmapMaskColor_ = TColor(bitmap_->TransparentColor());
    patternCache_.Clear();
    DoChanged();
}

void TBrushProp::Setup(TKestCanvas* canvas, int32_t)
{
    if (!canvas)
        return;
    const bool clear = method_ != bmHatch || color_ == clNone;
    canvas->SetBrush(TKestBrush(color_, clear ? bsClear : style_));
}

bool TBrushProp::IsClear() const
{
    switch (method_) {
    case bmHatch:
        return color_ == clNone || style_ == bsClear;
    case bmGradient:
        return false;
    default:
        return !bitmap_ || bitmap_->Empty();
    }
}

void TBrushProp::PaintAlternate(
    TKestCanvas& canvas, const TKestRect& rect, const TKestRect& clipRect, bool useMaskRegion, int32_t scale)
{
    if (method_ == bmGradient)
        PaintGradient(canvas, rect, gradStyle_, gradBeginColor_, gradEndColor_);
    else if (method_ == bmBitmap)
        PaintBitmap(canvas, rect, clipRect, useMaskRegion, scale, bitmapCache_ ? &patternCache_ : nullptr,
            bitmapDisplay_, bitmap_.get());
}

void TBrushProp::Translate(int32_t angle, bool mirrored)
{
    if (method_ != bmGradient)
        return;
    int quarters = int(std::nearbyint((angle % 360) / 90.0));
    if (quarters < 0)
        quarters += 4;
    TGradientStyle style = gradStyle_;
    bool exchange = false;
    auto toggle = [&style] { style = style == gsHorizontal ? gsVertical : gsHorizontal; };
    switch (gradStyle_) {
    case gsHorizontal:
        exchange = mirrored;
        if (quarters == 1) {
            toggle();
            exchange = !exchange;
        } else if (quarters == 2) {
            exchange = !exchange;
        } else if (quarters == 3) {
            toggle();
        }
        break;
    case gsVertical:
        if (quarters == 1) {
            toggle();
        } else if (quarters == 2) {
            exchange = true;
        } else if (quarters == 3) {
            toggle();
            exchange = true;
        }
        break;
    case gsSquare:
    case gsElliptic:
        return;
    default: {
        static constexpr TGradientStyle cycle[4] = {gsTopLeft, gsBottomLeft, gsBottomRight, gsTopRight};
        int k = 0;
        while (k < 4 && cycle[k] != gradStyle_)
            ++k;
        if (k == 4)
            return;
        if (mirrored)
            k = 3 - k;
        style = cycle[(k + quarters) % 4];
        break;
    }
    }
    const TColor begin = exchange ? gradEndColor_ : gradBeginColor_;
    const TColor end = exchange ? gradBeginColor_ : gradEndColor_;
    if ((style == gradStyle_ && begin == gradBeginColor_ && end == gradEndColor_) || IsReadOnly())
        return;
    DoBeforeChanged();
    gradStyle_ = style;
    gradBeginColor_ = begin;
    gradEndColor_ = end;
    DoChanged();
}

} // namespace kest
