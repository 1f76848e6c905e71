// TAlphaBuffer: an off-screen 32-bit buffer that paints a group of objects
// semi-transparently, or holds a pre-rendered picture for fast copying.
//
// Pixels are QImage::Format_ARGB32: bytes blue, green, red, alpha in memory.
// The format's transparency byte t is 255 - alpha, so pixels the canvas
// draws opaquely are "touched" (t = 0) and pixels left alone stay
// "untouched" (t = 255, transparent black).
//
//   TAlphaBuffer buffer;
//   if (buffer.BeginPaint(&canvas, rect)) {
//       buffer.Canvas().Rectangle(...);   // (0, 0) is rect's top-left
//       buffer.EndPaint(50);              // blended at 50 % transparency
//   }
#pragma once

#include "KestCanvas.h"

#include <QImage>
#include <functional>

namespace kest {

class TAlphaBuffer;

// Renders a picture into a buffer's canvas instead of the default drawing.
using TAlphaPaintHandler = std::function<void(TAlphaBuffer& buffer, TKestCanvas& canvas)>;

class TAlphaBuffer {
public:
    explicit TAlphaBuffer(TAlphaBuffer* parent = nullptr)
        : parent_(parent)
    {
    }
    TAlphaBuffer(const TAlphaBuffer&) = delete;
    TAlphaBuffer& operator=(const TAlphaBuffer&) = delete;

    // The buffer whose canvas this one may be painting on (not owned).
    TAlphaBuffer* Parent() const { return parent_; }
    TKestCanvas& Canvas() { return canvas_; }

    // Starts painting for target's area rect: false while painting, without
    // a target, for a rectangle without area or when the pixels cannot be
    // allocated. Marks the pixels untouched and attaches Canvas to them.
    bool BeginPaint(TKestCanvas* target, const TKestRect& rect);
    // Blends the touched pixels over the target at transparency percent
    // (0 opaque, 100 invisible) and ends painting, in every case. False
    // when nothing could be blended (not painting, the target lost its
    // device, transparency < 0).
    bool EndPaint(int32_t transparency);
    bool Painting() const { return target_ != nullptr; }
    const TKestRect& PaintRect() const { return paintRect_; }

    // Renders a picture at its own size into fresh pixels: the handler when
    // given, else the graphic drawn at (0, 0). A null or empty graphic
    // releases the pixels. False while painting or when memory fails.
    bool LoadPicture(const QImage* graphic, const TAlphaPaintHandler& handler = {});
    bool Loaded() const { return loaded_; }

    // Copies source rectangle srcRect of this loaded buffer, scaled to
    // destRect by nearest neighbour, into dest's pixels (all four bytes).
    bool PaintFrame(TAlphaBuffer& dest, const TKestRect& destRect, const TKestRect& srcRect) const;

    int32_t BufferWidth() const { return pixels_.width(); }
    int32_t BufferHeight() const { return pixels_.height(); }
    const QImage& Pixels() const { return pixels_; }

private:
    bool PreparePixels(int32_t width, int32_t height, bool recreate);
    void FinishPaint();

    TAlphaBuffer* parent_;
    TKestCanvas canvas_;
    TKestCanvas* target_ = nullptr;
    TKestRect paintRect_;
    QImage pixels_;
    bool loaded_ = false;
};

} // namespace kest
