// TLineCapProp: the shape drawn at one end of an open line, its size and
// the colours it may fix instead of taking the pen's.
#pragma once

#include <string>

#include "KestColor.h"
#include "KestPropsBase.h"

namespace kest {

class TLineCapProp : public TCustomProp {
    KEST_CLASS(TLineCapProp)
public:
    TLineCapProp();

    // The code of the cap's shape; 0 draws no cap.
    int32_t CapStyle() const { return capStyle_; }
    void SetCapStyle(int32_t value);
    bool FixedSize() const { return fixedSize_; }
    void SetFixedSize(bool value);
    // Thousandths of a pixel at 100 %.
    int32_t Size() const { return size_; }
    void SetSize(int32_t value);
    bool FixedOutlineColor() const { return fixedOutlineColor_; }
    void SetFixedOutlineColor(bool value);
    TColor OutlineColor() const { return outlineColor_; }
    void SetOutlineColor(TColor value);
    bool FixedFillColor() const { return fixedFillColor_; }
    void SetFixedFillColor(bool value);
    TColor FillColor() const { return fillColor_; }
    void SetFillColor(TColor value);

    std::string GetDisplayValue() override { return "(LineCap)"; }
    const TSubPropTable* SubProps() const override;

private:
    int32_t capStyle_ = 0;
    bool fixedSize_ = false;
    int32_t size_ = 8000;
    bool fixedOutlineColor_ = false;
    TColor outlineColor_ = clBlack;
    bool fixedFillColor_ = false;
    TColor fillColor_ = clWhite;
};

} // namespace kest
