// Properties every graphic class keeps for any input: loading never leaves
// half a picture, loaded data is saved back byte for byte, and the image
// drawn has the graphic's size.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "KestGraphic.h"

inline void Require(bool condition)
{
    if (!condition)
        std::abort();
}

inline void CheckLoadedGraphic(kest::TKestGraphic& graphic, std::span<const uint8_t> data, bool loaded)
{
    if (!loaded) {
        Require(graphic.Empty() && graphic.Width() == 0 && graphic.Height() == 0 && graphic.SaveToBytes().empty());
        return;
    }
    const kest::TBytes saved = graphic.SaveToBytes();
    Require(std::equal(saved.begin(), saved.end(), data.begin(), data.end()));
    Require(graphic.Width() >= 0 && graphic.Width() <= kest::MaxGraphicSide);
    Require(graphic.Height() >= 0 && graphic.Height() <= kest::MaxGraphicSide);
    graphic.SetTransparent(true);
    const QImage image = graphic.ToImage();
    Require(image.width() == graphic.Width() && image.height() == graphic.Height());
}

template <class TGraphic> int FuzzGraphic(const uint8_t* data, size_t size)
{
    TGraphic graphic;
    const std::span<const uint8_t> bytes(data, size);
    CheckLoadedGraphic(graphic, bytes, graphic.LoadFromBytes(bytes));
    return 0;
}
