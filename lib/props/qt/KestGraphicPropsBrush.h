// TBrushProp: how an object is filled — a colour with a hatch style, a
// gradient, or a bitmap tiled, centred or stretched.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "KestGraphic.h"
#include "KestPaintRoutines.h"
#include "KestPropsBase.h"

namespace kest {

enum TBrushMethod : uint8_t { bmHatch, bmGradient, bmBitmap };

class TBrushProp;

// Fills bitmap for a link name instead of the file lookup; installed for the
// whole program.
using TBrushLinkResolver = std::function<void(TBrushProp* prop, const std::string& name, TKestBitmap& bitmap)>;
void SetBrushLinkResolver(TBrushLinkResolver resolver);

class TBrushProp : public TCustomProp {
    KEST_CLASS(TBrushProp)
public:
    TBrushProp();
    ~TBrushProp() override;

    TBrushMethod Method() const { return method_; }
    void SetMethod(TBrushMethod value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle value);

    // The brush's own bitmap, or none. Changes made to it directly are
    // watched: the brush reads its transparency back and notifies.
    TKestBitmap* Bitmap() const { return bitmap_.get(); }
    // Copies bitmap (none frees the brush's own).
    void SetBitmap(const TKestBitmap* bitmap);
    // The bitmap's BMP file image; empty without a bitmap.
    TBytes BitmapData() const;
    // Bytes that do not decode leave the brush without a bitmap.
    void SetBitmapData(const TBytes& data);
    const std::string& BitmapLinkName() const { return bitmapLinkName_; }
    // Loads the bitmap from the link (the resolver, else the file relative to
    // the program's folder); an empty or unresolved name leaves no bitmap.
    void SetBitmapLinkName(const std::string& value);
    bool BitmapMasked() const { return bitmapMasked_; }
    void SetBitmapMasked(bool value);
    TColor BitmapMaskColor() const { return bitmapMaskColor_; }
    void SetBitmapMaskColor(TColor value);
    bool BitmapCache() const { return bitmapCache_; }
    void SetBitmapCache(bool value);
    TBitmapDisplay BitmapDisplay() const { return bitmapDisplay_; }
    void SetBitmapDisplay(TBitmapDisplay value);
    TGradientStyle GradStyle() const { return gradStyle_; }
    void SetGradStyle(TGradientStyle value);
    TColor GradBeginColor() const { return gradBeginColor_; }
    void SetGradBeginColor(TColor value);
    TColor GradEndColor() const { return gradEndColor_; }
    void SetGradEndColor(TColor value);

    const TPatternCache& PatternCache() const { return patternCache_; }

    std::string GetDisplayValue() override { return "(Brush)"; }
    TPropType GetPropType(std::string_view subName) override;
    // The canvas brush takes colour and style; a brush that paints itself
    // (gradient, bitmap) or has no colour leaves it clear.
    void Setup(TKestCanvas* canvas, int32_t scale) override;
    const TSubPropTable* SubProps() const override;

    // True for the kinds PaintAlternate fills.
    bool IsPaintAlternate() const { return method_ != bmHatch; }
    bool IsClear() const;
    // The gradient or bitmap fill of rect; tiling paints only within clipRect.
    void PaintAlternate(
        TKestCanvas& canvas, const TKestRect& rect, const TKestRect& clipRect, bool useMaskRegion, int32_t scale);
    // Turns a gradient with its owner rotated by angle degrees, after
    // mirroring it when mirrored.
    void Translate(int32_t angle, bool mirrored);

private:
    // Installs bitmap as the brush's own with mask colour and transparency
    // applied, within one change.
    void ReplaceBitmap(std::unique_ptr<TKestBitmap> bitmap);
    void Adopt(std::unique_ptr<TKestBitmap> bitmap);
    void BitmapChanged();

    TBrushMethod method_ = bmHatch;
    TColor color_ = clNone;
    TBrushStyle style_ = bsSolid;
    std::unique_ptr<TKestBitmap> bitmap_;
    std::string bitmapLinkName_;
    bool bitmapMasked_ = false;
    TColor bitmapMaskColor_ = 0;
    bool bitmapCache_ = true;
    TBitmapDisplay bitmapDisplay_ = bdTile;
    TGradientStyle gradStyle_ = gsHorizontal;
    TColor gradBeginColor_ = 0;
    TColor gradEndColor_ = 0;
    TPatternCache patternCache_;
    bool applying_ = false; // our own changes to the bitmap are not echoed
};

} // namespace kest
