#include "KestPixelFill.h"

#include <algorithm>
#include <cstring>

namespace kest {

void TPixelFill::Target(QImage* image)
{
    bits_ = nullptr;
    if (!image || image->isNull())
        return;
    const QImage::Format format = image->format();
    if (format != QImage::Format_RGB32 && format != QImage::Format_ARGB32
        && format != QImage::Format_ARGB32_Premultiplied)
        return;
    bits_ = image->bits();
    stride_ = image->bytesPerLine();
    device_ = image->rect();
}

void TPixelFill::Prepare(QRgb color, const QRegion* clip)
{
    pixel_ = 0xFF000000u | color;
    if (clip) {
        bounds_ = device_ & clip->boundingRect();
        clipBegin_ = clip->begin();
        clipEnd_ = clip->end();
    } else {
        bounds_ = device_;
        clipBegin_ = clipEnd_ = nullptr;
    }
}

void TPixelFill::Fill(const QRect& r)
{
    const QRect inside = r & bounds_;
    if (inside.isEmpty())
        return;
    if (clipEnd_ - clipBegin_ <= 1) {
        FillInside(inside);
        return;
    }
    // A region's rectangles come in bands from top to bottom.
    const QRect* c = std::partition_point(
        clipBegin_, clipEnd_, [&](const QRect& band) { return band.bottom() < inside.top(); });
    for (; c != clipEnd_ && c->top() <= inside.bottom(); ++c) {
        const QRect part = inside & *c;
        if (!part.isEmpty())
            FillInside(part);
    }
}

void TPixelFill::FillInside(const QRect& r)
{
    // Wide rows are filled by doubling copies and further rows copied from
    // the first: memcpy writes at full width where a plain loop writes one
    // pixel at a time.
    constexpr int seed = 8;
    const int width = r.width();
    uchar* row = bits_ + qsizetype(r.top()) * stride_;
    auto* first = reinterpret_cast<uint32_t*>(row) + r.left();
    std::fill_n(first, std::min(width, seed), pixel_);
    for (int done = seed; done < width; done *= 2)
        std::memcpy(first + done, first, size_t(std::min(done, width - done)) * sizeof(uint32_t));
    for (int y = r.top() + 1; y <= r.bottom(); ++y) {
        row += stride_;
        std::memcpy(reinterpret_cast<uint32_t*>(row) + r.left(), first, size_t(width) * sizeof(uint32_t));
    }
}

} // namespace kest
