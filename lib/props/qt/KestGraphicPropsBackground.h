// TBackgroundOptionsProp: how a page paints its background — its brush,
// then its picture stretched, scaled, sized, aligned or offset.
#pragma once

#include <string>

#include "KestCanvas.h"
#include "KestPropsBase.h"

namespace kest {

class TBrushProp;
class TPictureProp;

enum TBackgroundPictureOption : uint8_t {
    bpOffsetLeft,
    bpOffsetTop,
    bpNewWidth,
    bpNewHeight,
    bpStretchHoriz,
    bpStretchVert,
    bpScaledSize,
    bpCenterHoriz,
    bpCenterVert,
    bpAlignRight,
    bpAlignBottom
};
// A set of TBackgroundPictureOption: bit n for option n.
using TBackgroundPictureOptions = uint16_t;

constexpr TBackgroundPictureOptions BackgroundOption(TBackgroundPictureOption option)
{
    return TBackgroundPictureOptions(1u << option);
}

class TBackgroundOptionsProp : public TCustomProp {
    KEST_CLASS(TBackgroundOptionsProp)
public:
    TBackgroundOptionsProp();

    bool PictureEnabled() const { return pictureEnabled_; }
    void SetPictureEnabled(bool value);
    bool BrushEnabled() const { return brushEnabled_; }
    void SetBrushEnabled(bool value);
    TBackgroundPictureOptions PictureOptions() const { return pictureOptions_; }
    void SetPictureOptions(TBackgroundPictureOptions value);
    bool HasOption(TBackgroundPictureOption option) const { return pictureOptions_ & BackgroundOption(option); }
    // Offsets and size of the picture, thousandths of a pixel at 100 %.
    int32_t Top() const { return top_; }
    void SetTop(int32_t value);
    int32_t Left() const { return left_; }
    void SetLeft(int32_t value);
    int32_t Width() const { return width_; }
    void SetWidth(int32_t value);
    int32_t Height() const { return height_; }
    void SetHeight(int32_t value);

    // Where the picture goes in paintRect at scale percent; empty without a
    // graphic.
    TKestRect GetPictureRect(const TKestRect& paintRect, const TPictureProp* picture, int32_t scale) const;
    // The brush over paintRect, then the picture's first frame; either may
    // be none.
    void Paint(TKestCanvas& canvas, const TKestRect& paintRect, bool useMaskRegion, int32_t scale, TBrushProp* brush,
        TPictureProp* picture);

    std::string GetDisplayValue() override { return "(BackgroundOptions)"; }
    const TSubPropTable* SubProps() const override;

private:
    bool pictureEnabled_ = true;
    bool brushEnabled_ = true;
    TBackgroundPictureOptions pictureOptions_
        = BackgroundOption(bpStretchHoriz) | BackgroundOption(bpStretchVert) | BackgroundOption(bpScaledSize);
    int32_t top_ = 0;
    int32_t left_ = 0;
    int32_t width_ = 0;
    int32_t height_ = 0;
};

} // namespace kest
