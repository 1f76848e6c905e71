// Pixels, block transfers and image drawing.
#include "KestCanvas.h"

#include <QPicture>
#include <algorithm>

namespace kest {

namespace {

// The composition standing for a block transfer, or false for one the
// canvas does not know. Operations that ignore the source say so.
bool BlitMode(uint32_t rop, QPainter::CompositionMode& mode, bool& sourceless, QColor& fill)
{
    sourceless = false;
    switch (rop) {
    case SRCCOPY:
        mode = QPainter::CompositionMode_Source;
        return true;
    case SRCPAINT:
        mode = QPainter::RasterOp_SourceOrDestination;
        return true;
    case SRCAND:
        mode = QPainter::RasterOp_SourceAndDestination;
        return true;
    case SRCINVERT:
        mode = QPainter::RasterOp_SourceXorDestination;
        return true;
    case NOTSRCCOPY:
        mode = QPainter::RasterOp_NotSource;
        return true;
    case DSTINVERT:
        mode = QPainter::RasterOp_NotDestination;
        break;
    case BLACKNESS:
        mode = QPainter::CompositionMode_Source;
        fill = Qt::black;
        break;
    case WHITENESS:
        mode = QPainter::CompositionMode_Source;
        fill = Qt::white;
        break;
    default:
        return false;
    }
    sourceless = true;
    return true;
}

// The part of srcRect inside the image and the matching part of dest
// (scaled as dest is to srcRect); false when nothing is left. dest may be
// mirrored (negative width or height); the result keeps its direction.
bool ClipSource(const QImage& src, const TKestRect& srcRect, const TKestRect& dest, QRect& source, QRectF& target)
{
    TKestRect s = NormalizeRect(srcRect);
    double sw = double(s.Right) - s.Left, sh = double(s.Bottom) - s.Top;
    if (sw <= 0 || sh <= 0 || dest.Right == dest.Left || dest.Bottom == dest.Top)
        return false;
    int32_t l = std::max(s.Left, 0), t = std::max(s.Top, 0);
    int32_t r = std::min<int32_t>(s.Right, src.width()), b = std::min<int32_t>(s.Bottom, src.height());
    if (l >= r || t >= b)
        return false;
    double kx = (double(dest.Right) - dest.Left) / sw, ky = (double(dest.Bottom) - dest.Top) / sh;
    source = QRect(QPoint(l, t), QPoint(r - 1, b - 1));
    target = QRectF(QPointF(dest.Left + (l - s.Left) * kx, dest.Top + (t - s.Top) * ky),
        QPointF(dest.Left + (r - s.Left) * kx, dest.Top + (b - s.Top) * ky));
    return true;
}

// image drawn into target, mirrored where target runs backwards.
void DrawMirrored(QPainter& painter, const QRectF& target, const QImage& image, const QRect& source)
{
    bool flipX = target.width() < 0, flipY = target.height() < 0;
    if (!flipX && !flipY) {
        painter.drawImage(target, image, source);
        return;
    }
    painter.drawImage(target.normalized(), image.copy(source).mirrored(flipX, flipY));
}

} // namespace

TColor TKestCanvas::Pixel(int32_t x, int32_t y) const
{
    if (!image_ || x < 0 || y < 0 || x >= image_->width() || y >= image_->height())
        return CLR_INVALID;
    if (state_.clip && !state_.clip->Contains(x, y))
        return CLR_INVALID;
    return QRgbToColor(image_->pixel(x, y));
}

TColor TKestCanvas::SetPixel(int32_t x, int32_t y, TColor color)
{
    if (!painter_.isActive() || x < 0 || y < 0 || x >= Width() || y >= Height())
        return CLR_INVALID;
    if (state_.clip && !state_.clip->Contains(x, y))
        return CLR_INVALID;
    painter_.setCompositionMode(QPainter::CompositionMode_Source);
    painter_.fillRect(QRect(x, y, 1, 1), QColor::fromRgb(ColorToQRgb(color)));
    return ColorToRGB(color) & 0xFFFFFF;
}

bool TKestCanvas::BitBlt(
    int32_t x, int32_t y, int32_t w, int32_t h, const QImage& src, int32_t sx, int32_t sy, uint32_t rop)
{
    TKestRect dest {x, y, int32_t(std::clamp<int64_t>(int64_t(x) + w, INT32_MIN, INT32_MAX)),
        int32_t(std::clamp<int64_t>(int64_t(y) + h, INT32_MIN, INT32_MAX))};
    TKestRect source {sx, sy, int32_t(std::clamp<int64_t>(int64_t(sx) + w, INT32_MIN, INT32_MAX)),
        int32_t(std::clamp<int64_t>(int64_t(sy) + h, INT32_MIN, INT32_MAX))};
    return StretchBlt(dest, src, source, rop);
}

bool TKestCanvas::StretchBlt(const TKestRect& dest, const QImage& src, const TKestRect& srcRect, uint32_t rop)
{
    QPainter::CompositionMode mode;
    bool sourceless;
    QColor fill;
    if (!painter_.isActive() || !BlitMode(rop, mode, sourceless, fill))
        return false;
    painter_.setCompositionMode(mode);
    if (sourceless) {
        painter_.fillRect(QRectF(QPointF(dest.Left, dest.Top), QPointF(dest.Right, dest.Bottom)).normalized(), fill);
        return true;
    }
    QRect source;
    QRectF target;
    if (src.isNull() || !ClipSource(src, srcRect, dest, source, target))
        return false;
    // Copying within one image must read the pixels before they change.
    if (&src == image_)
        DrawMirrored(painter_, target, src.copy(source), QRect(QPoint(0, 0), source.size()));
    else
        DrawMirrored(painter_, target, src, source);
    return true;
}

bool TKestCanvas::TransparentBlt(const TKestRect& dest, const QImage& src, const TKestRect& srcRect, TColor key)
{
    QRect source;
    QRectF target;
    if (!painter_.isActive() || src.isNull() || !ClipSource(src, srcRect, dest, source, target))
        return false;
    QImage piece = src.copy(source).convertToFormat(QImage::Format_ARGB32);
    uint32_t keyRgb = ColorToQRgb(key) & 0xFFFFFF;
    for (int y = 0; y < piece.height(); ++y) {
        auto* line = reinterpret_cast<uint32_t*>(piece.scanLine(y));
        for (int x = 0; x < piece.width(); ++x)
            line[x] = (line[x] & 0xFFFFFF) == keyRgb ? 0 : line[x] | 0xFF000000;
    }
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    DrawMirrored(painter_, target, piece, piece.rect());
    return true;
}

void TKestCanvas::Draw(int32_t x, int32_t y, const QImage& image)
{
    if (!painter_.isActive() || image.isNull())
        return;
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.drawImage(QPointF(x, y), &image == image_ ? image.copy() : image);
}

void TKestCanvas::StretchDraw(const TKestRect& dest, const QImage& image)
{
    if (!painter_.isActive() || image.isNull())
        return;
    QRectF target = QRectF(QPointF(dest.Left, dest.Top), QPointF(dest.Right, dest.Bottom)).normalized();
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.drawImage(target, &image == image_ ? image.copy() : image);
}

void TKestCanvas::StretchDraw(const TKestRect& dest, const QPicture& picture)
{
    QRect bounds = picture.boundingRect();
    if (!painter_.isActive() || bounds.isEmpty())
        return;
    QRectF target = QRectF(QPointF(dest.Left, dest.Top), QPointF(dest.Right, dest.Bottom)).normalized();
    QTransform transform;
    transform.translate(target.left(), target.top());
    transform.scale(target.width() / bounds.width(), target.height() / bounds.height());
    transform.translate(-bounds.left(), -bounds.top());
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.setTransform(transform);
    painter_.drawPicture(0, 0, picture);
    painter_.resetTransform();
}

} // namespace kest
