// Opaque one-colour fills written straight into the pixels of a 32-bit
// image. Outlines and region fills come as many small rectangles, for which
// QPainter's per-call setup costs far more than the writing; the pixels come
// out as a QPainter fill of the same opaque colour leaves them.
#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <cstdint>

namespace kest {

class TPixelFill {
public:
    // The image whose pixels are written, or null. Only formats an opaque
    // colour fills as 0xFFRRGGBB are taken; the caller calls again when the
    // image's buffer may have changed.
    void Target(QImage* image);
    bool HasTarget() const { return bits_ != nullptr; }

    // The colour and clip of the following fills; clip null means the whole
    // image. The region must outlive those fills.
    void Prepare(QRgb color, const QRegion* clip);
    // Fills the pixels of r that lie in the image and the clip.
    void Fill(const QRect& r);

private:
    void FillInside(const QRect& r);

    uchar* bits_ = nullptr;
    qsizetype stride_ = 0;
    QRect device_;
    uint32_t pixel_ = 0;
    QRect bounds_; // the device and the clip's bounds
    const QRect* clipBegin_ = nullptr;
    const QRect* clipEnd_ = nullptr;
};

} // namespace kest
