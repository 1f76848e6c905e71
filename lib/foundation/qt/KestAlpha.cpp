#include "KestAlpha.h"

#include <algorithm>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kest {

namespace {

// Per transparency: the scaled source opacity for each stored alpha, and the
// source weight over an opaque destination (combined opacity 255), also
// split into two halves that fit 16-bit lanes, indexed by stored alpha.
struct TBlendTable {
    uint8_t scaled[256];
    uint32_t opaqueWeight[256];
    uint32_t opaqueHalves[256];
    bool copiesOpaque;

    explicit TBlendTable(int32_t transparency)
        : copiesOpaque(transparency == 0)
    {
        for (uint32_t a = 0; a < 256; ++a) {
            scaled[a] = uint8_t(transparency > 0 ? (100 - uint32_t(transparency)) * a / 100 : a);
            opaqueWeight[a] = (a * 65536 + 127) / 255;
        }
        for (uint32_t a = 0; a < 256; ++a) {
            uint32_t w = opaqueWeight[scaled[a]];
            opaqueHalves[a] = (w >> 1) | (w - (w >> 1)) << 16; // fits while scaled[a] < 255
        }
    }
};

// Each channel becomes d + (((s - d) * w + 32768) >> 16), computed as
// (s * w + d * (65536 - w) + 32768) >> 16, which is the same number without
// negative terms, so blue and red share one 64-bit multiply.
inline uint32_t Mix(uint32_t s, uint32_t d, uint32_t w)
{
    uint64_t srb = (s & 0xFF) | (uint64_t(s & 0xFF0000) << 16);
    uint64_t drb = (d & 0xFF) | (uint64_t(d & 0xFF0000) << 16);
    uint64_t rb = (srb * w + drb * (65536 - w) + 0x0000800000008000ull) >> 16;
    uint32_t g = (((s >> 8) & 0xFF) * w + ((d >> 8) & 0xFF) * (65536 - w) + 32768) >> 16;
    return uint32_t(rb & 0xFF) | (uint32_t(rb >> 32) & 0xFF) << 16 | g << 8;
}

// The blend formula for one pixel. The stored alpha is the opacity 255 - t.
inline void BlendPixel(uint32_t s, uint32_t& dest, const TBlendTable& table)
{
    uint32_t a = table.scaled[s >> 24];
    // An untouched pixel, or one scaled to nothing (a faint pixel at a high
    // transparency), leaves the destination as it is.
    if (a == 0)
        return;
    // Full opacity gives combined opacity 255 and weight 65536: a copy.
    if (a == 255) {
        dest = s;
        return;
    }
    uint32_t d = dest, da = d >> 24, combined, w;
    if (da == 255) {
        combined = 255;
        w = table.opaqueWeight[a];
    } else if (da == 0) {
        // Over nothing the combined opacity is a and the weight 65536.
        dest = (s & 0xFFFFFF) | a << 24;
        return;
    } else {
        uint32_t x = (255 - a) * (255 - da) + 128;
        combined = 255 - (((x >> 8) + x) >> 8);
        w = (a * 65536 + combined / 2) / combined;
    }
    dest = Mix(s, d, w) | combined << 24;
}

#if defined(__SSE2__)
// Four pixels over opaque destinations, none of them copied whole: per
// channel (s - d) * w with w split in halves for a 16-bit multiply-add,
// rounded and shifted as the scalar formula does.
inline __m128i BlendOpaque4(__m128i s, __m128i d, const uint32_t halves[4])
{
    const __m128i zero = _mm_setzero_si128();
    __m128i dLo = _mm_unpacklo_epi8(d, zero), dHi = _mm_unpackhi_epi8(d, zero);
    __m128i kLo = _mm_sub_epi16(_mm_unpacklo_epi8(s, zero), dLo);
    __m128i kHi = _mm_sub_epi16(_mm_unpackhi_epi8(s, zero), dHi);
    const __m128i half = _mm_set1_epi32(32768);
    auto delta = [&](__m128i k, uint32_t w) {
        return _mm_srai_epi32(_mm_add_epi32(_mm_madd_epi16(k, _mm_set1_epi32(int(w))), half), 16);
    };
    __m128i r0 = delta(_mm_unpacklo_epi16(kLo, kLo), halves[0]);
    __m128i r1 = delta(_mm_unpackhi_epi16(kLo, kLo), halves[1]);
    __m128i r2 = delta(_mm_unpacklo_epi16(kHi, kHi), halves[2]);
    __m128i r3 = delta(_mm_unpackhi_epi16(kHi, kHi), halves[3]);
    __m128i lo = _mm_add_epi16(dLo, _mm_packs_epi32(r0, r1));
    __m128i hi = _mm_add_epi16(dHi, _mm_packs_epi32(r2, r3));
    return _mm_or_si128(_mm_packus_epi16(lo, hi), _mm_set1_epi32(int(0xFF000000u)));
}
#endif

void BlendRow(const uint32_t* source, uint32_t* dest, int32_t count, const TBlendTable& table)
{
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128(), full = _mm_set1_epi32(255);
    for (; i + 4 <= count; i += 4) {
        const uint32_t* s = source + i;
        uint32_t* d = dest + i;
        __m128i sv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        __m128i sAlpha = _mm_srli_epi32(sv, 24);
        if (_mm_movemask_epi8(_mm_cmpeq_epi32(sAlpha, zero)) == 0xFFFF)
            continue;
        bool anyFull = _mm_movemask_epi8(_mm_cmpeq_epi32(sAlpha, full)) != 0;
        if (table.copiesOpaque && anyFull && _mm_movemask_epi8(_mm_cmpeq_epi32(sAlpha, full)) == 0xFFFF) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d), sv);
            continue;
        }
        __m128i dv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(d));
        if (!(table.copiesOpaque && anyFull)
            && _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(dv, 24), full)) == 0xFFFF) {
            const uint32_t halves[4] = {table.opaqueHalves[s[0] >> 24], table.opaqueHalves[s[1] >> 24],
                table.opaqueHalves[s[2] >> 24], table.opaqueHalves[s[3] >> 24]};
            _mm_storeu_si128(reinterpret_cast<__m128i*>(d), BlendOpaque4(sv, dv, halves));
            continue;
        }
        for (int k = 0; k < 4; ++k)
            BlendPixel(s[k], d[k], table);
    }
#endif
    for (; i < count; ++i)
        BlendPixel(source[i], dest[i], table);
}

uint32_t* Row(QImage& image, int32_t y)
{
    return reinterpret_cast<uint32_t*>(image.scanLine(y));
}

const uint32_t* Row(const QImage& image, int32_t y)
{
    return reinterpret_cast<const uint32_t*>(image.constScanLine(y));
}

} // namespace

bool TAlphaBuffer::PreparePixels(int32_t width, int32_t height, bool recreate)
{
    if (width < 1 || height < 1 || width > MaxCanvasSide || height > MaxCanvasSide)
        return false;
    if (recreate || width > pixels_.width() || height > pixels_.height()) {
        canvas_.Detach();
        pixels_ = QImage();
        pixels_ = QImage(width, height, QImage::Format_ARGB32);
        if (pixels_.isNull())
            return false;
    }
    pixels_.fill(0);
    return true;
}

bool TAlphaBuffer::BeginPaint(TKestCanvas* target, const TKestRect& rect)
{
    if (target_ || !target || target == &canvas_ || !target->Active())
        return false;
    int64_t width = int64_t(rect.Right) - rect.Left, height = int64_t(rect.Bottom) - rect.Top;
    if (width <= 0 || height <= 0 || width > MaxCanvasSide || height > MaxCanvasSide)
        return false;
    loaded_ = false;
    if (!PreparePixels(int32_t(width), int32_t(height), false) || !canvas_.Attach(&pixels_))
        return false;
    target_ = target;
    paintRect_ = rect;
    return true;
}

void TAlphaBuffer::FinishPaint()
{
    canvas_.Detach();
    target_ = nullptr;
}

bool TAlphaBuffer::EndPaint(int32_t transparency)
{
    TKestCanvas* target = target_;
    FinishPaint();
    if (!target || !target->Active() || transparency < 0)
        return false;
    if (transparency >= 100)
        return true;
    TBlendTable table(transparency);
    int32_t width = RectWidth(paintRect_), height = RectHeight(paintRect_);

    // Nested over the same area: straight into the parent's own pixels, so
    // the transparencies combine when the parent ends.
    if (parent_ && target == &parent_->canvas_ && parent_->Painting() && paintRect_ == parent_->paintRect_) {
        for (int32_t y = 0; y < height; ++y)
            BlendRow(Row(pixels_, y), Row(parent_->pixels_, y), width, table);
        return true;
    }

    // An image the blend can work in: in place, within the target's clip, as
    // a copy of those pixels blended and copied back would end up. The
    // pixels keep their own opacity, so blending over a buffer's untouched
    // pixels does not darken them.
    QImage* image = target->Image();
    if (image && (image->format() == QImage::Format_ARGB32 || image->format() == QImage::Format_RGB32)) {
        TKestRegion area(paintRect_);
        area.Combine(TKestRegion(TKestRect {0, 0, image->width(), image->height()}), RGN_AND);
        if (target->ClipRegion())
            area.Combine(*target->ClipRegion(), RGN_AND);
        for (const QRect& r : area.ToQRegion())
            for (int32_t y = r.top(); y <= r.bottom(); ++y)
                BlendRow(Row(pixels_, y - paintRect_.Top) + (r.left() - paintRect_.Left), Row(*image, y) + r.left(),
                    r.width(), table);
        return true;
    }

    // Any other device: the blended pixels over nothing, composed by Qt.
    QImage layer(width, height, QImage::Format_ARGB32);
    if (layer.isNull())
        return false;
    layer.fill(0);
    for (int32_t y = 0; y < height; ++y)
        BlendRow(Row(pixels_, y), Row(layer, y), width, table);
    QPainter& painter = target->Painter();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QPoint(paintRect_.Left, paintRect_.Top), layer);
    return true;
}

bool TAlphaBuffer::LoadPicture(const QImage* graphic, const TAlphaPaintHandler& handler)
{
    if (target_)
        return false;
    loaded_ = false;
    if (!graphic || graphic->isNull()) {
        canvas_.Detach();
        pixels_ = QImage();
        return true;
    }
    if (!PreparePixels(graphic->width(), graphic->height(), true) || !canvas_.Attach(&pixels_))
        return false;
    if (handler)
        handler(*this, canvas_);
    else
        canvas_.Draw(0, 0, *graphic);
    canvas_.Detach();
    loaded_ = true;
    return true;
}

bool TAlphaBuffer::PaintFrame(TAlphaBuffer& dest, const TKestRect& destRect, const TKestRect& srcRect) const
{
    int32_t width = pixels_.width(), height = pixels_.height();
    if (!loaded_ || width < 1 || height < 1)
        return false;
    if (srcRect.Left < 0 || srcRect.Top < 0 || srcRect.Right > width || srcRect.Bottom > height)
        return false;
    int64_t left = std::max<int64_t>(destRect.Left, 0), top = std::max<int64_t>(destRect.Top, 0);
    int64_t right = std::min<int64_t>(destRect.Right, dest.pixels_.width());
    int64_t bottom = std::min<int64_t>(destRect.Bottom, dest.pixels_.height());
    if (left >= right || top >= bottom)
        return true;
    int64_t rw = int64_t(destRect.Right) - destRect.Left, rh = int64_t(destRect.Bottom) - destRect.Top;
    int64_t sw = int64_t(srcRect.Right) - srcRect.Left, sh = int64_t(srcRect.Bottom) - srcRect.Top;
    std::vector<int32_t> columns(size_t(right - left));
    for (int64_t x = left; x < right; ++x)
        columns[size_t(x - left)]
            = int32_t(std::clamp<int64_t>((x - destRect.Left) * sw / rw + srcRect.Left, 0, width - 1));
    // Copying a buffer onto itself must not read pixels it already wrote.
    QImage copy = &dest == this ? pixels_.copy() : QImage();
    const QImage& source = &dest == this ? copy : pixels_;
    for (int64_t y = top; y < bottom; ++y) {
        int32_t sy = int32_t(std::clamp<int64_t>((y - destRect.Top) * sh / rh + srcRect.Top, 0, height - 1));
        const uint32_t* s = Row(source, sy);
        uint32_t* d = Row(dest.pixels_, int32_t(y)) + left;
        for (size_t i = 0; i < columns.size(); ++i)
            d[i] = s[columns[i]];
    }
    return true;
}

} // namespace kest
