// TFontProp: the font of a text, with its height kept in document units so
// that text scales with the view.
#pragma once

#include <string>

#include "KestCanvas.h"
#include "KestPropsBase.h"

namespace kest {

class TFontProp : public TCustomProp {
    KEST_CLASS(TFontProp)
public:
    TFontProp();

    // The font object: face, style and colour, height in pixels.
    const TKestFont& Font() const { return font_; }
    // Resolution of the point size; documents use 96.
    int32_t PixelsPerInch() const { return pixelsPerInch_; }
    // Values below 1 are ignored.
    void SetPixelsPerInch(int32_t value);
    int32_t Charset() const { return font_.Charset; }
    // Values outside 0..255 are ignored.
    void SetCharset(int32_t value);
    TColor Color() const { return font_.Color; }
    void SetColor(TColor value);
    // Thousandths of a pixel, negative for the character height; the font
    // object gets it in whole pixels.
    int32_t Height() const { return height_; }
    void SetHeight(int32_t value);
    const std::string& Name() const { return font_.Name; }
    // A font keeps a face: an empty name is ignored.
    void SetName(const std::string& value);
    TFontPitch Pitch() const { return font_.Pitch; }
    void SetPitch(TFontPitch value);
    // Thousandths of a point.
    int32_t Size() const;
    void SetSize(int32_t value);
    TFontStyles Style() const { return font_.Style; }
    void SetStyle(TFontStyles value);

    std::string GetDisplayValue() override { return "(Font)"; }
    // The canvas font takes every attribute and the height at scale percent.
    void Setup(TKestCanvas* canvas, int32_t scale) override;
    // With a registered dialog that one; else the platform's font dialog,
    // when the program runs with widgets on a screen. True when the font was
    // chosen.
    bool Edit() override;
    const TSubPropTable* SubProps() const override;

private:
    TKestFont font_;
    int32_t height_;
    int32_t pixelsPerInch_ = ScreenPixelsPerInch;
};

} // namespace kest
