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

namespace {

// a := a and b for rectangles that are not empty; false when nothing is
// left. Inline, for the many one-pixel runs of outlines.
bool Intersect(QRect& a, const QRect& b)
{
    const int left = std::max(a.left(), b.left()), right = std::min(a.right(), b.right());
    const int top = std::max(a.top(), b.top()), bottom = std::min(a.bottom(), b.bottom());
    if (left > right || top > bottom)
        return false;
    a = QRect(QPoint(left, top), QPoint(right, bottom));
    return true;
}

} // namespace

void TPixelFill::Fill(const QRect& r)
{
    QRect inside = r;
    if (r.isEmpty() || !Intersect(inside, bounds_))
        return;
    if (clipEnd_ - clipBegin_ <= 1) {
        FillInside(inside);
        return;
    }
    // A region's rectangles come in bands from top to bottom.
    const QRect* c = std::partition_point(
        clipBegin_, clipEnd_, [&](const QRect& band) { return band.bottom() < inside.top(); });
    for (; c != clipEnd_ && c->top() <= inside.bottom(); ++c) {
        QRect part = inside;
        if (Intersect(part, *c))
            FillInside(part);
    }
}

void TPixelFill::FillInside(const QRect& r)
{
    // Four pixels a store: a fixed-size memcpy compiles to one vector move,
    // where a plain loop would write one pixel at a time.
    const uint32_t quad[4] = {pixel_, pixel_, pixel_, pixel_};
    const int width = r.width();
    uchar* row = bits_ + qsizetype(r.top()) * stride_;
    for (int y = r.top(); y <= r.bottom(); ++y, row += stride_) {
        uint32_t* p = reinterpret_cast<uint32_t*>(row) + r.left();
        int x = 0;
        for (; x + 4 <= width; x += 4)
            std::memcpy(p + x, quad, sizeof quad);
        for (; x < width; ++x)
            p[x] = pixel_;
    }
}

} // namespace kest
