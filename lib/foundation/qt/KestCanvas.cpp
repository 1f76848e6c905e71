// Device, tools, saved states and the fill and stroke rules every figure
// goes through.
#include "KestCanvas.h"

#include <QPaintDevice>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace kest {

namespace {

// The platform's 8 x 8 hatch patterns, one byte per row, bit 7 = column 0.
constexpr std::array<std::array<uint8_t, 8>, 6> HatchPatterns = {{
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00}, // horizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08}, // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, // forward diagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}, // backward diagonal
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08}, // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81}, // diagonal cross
}};

// Dash patterns of one-pixel pens, in pixels: on, off, on, off...
std::span<const int> CosmeticPattern(TPenStyle style)
{
    static constexpr int dash[] = {18, 6}, dot[] = {3, 3}, dashDot[] = {9, 6, 3, 6}, dashDotDot[] = {9, 3, 3, 3, 3, 3};
    switch (style) {
    case psDash:
        return dash;
    case psDot:
        return dot;
    case psDashDot:
        return dashDot;
    case psDashDotDot:
        return dashDotDot;
    default:
        return {};
    }
}

// Pixels in the order a line visits them; neighbours along a row or a
// column go out as one rectangle, since filling a few spans costs far less
// than plotting every point. A pixel listed twice is filled twice, which
// the raster operations rely on.
template <class TFill> void ForEachRun(const std::vector<QPoint>& pixels, TFill fill)
{
    const size_t n = pixels.size();
    for (size_t i = 0; i < n;) {
        const QPoint first = pixels[i];
        size_t j = i + 1;
        if (j < n) {
            const QPoint step = pixels[j] - first;
            if (step.manhattanLength() == 1)
                while (j < n && pixels[j] - pixels[j - 1] == step)
                    ++j;
        }
        const QPoint last = pixels[j - 1];
        fill(QRect(QPoint(std::min(first.x(), last.x()), std::min(first.y(), last.y())),
            QPoint(std::max(first.x(), last.x()), std::max(first.y(), last.y()))));
        i = j;
    }
}

// Walks the pixels of one-pixel outlines with a dash pattern that runs on
// across the segments of a call, sorting them into the pixels the pen
// draws and those of the gaps.
class TCosmeticLine {
public:
    TCosmeticLine(std::span<const int> pattern, int32_t width, int32_t height, std::vector<QPoint>& on,
        std::vector<QPoint>& off)
        : on(on)
        , off(off)
        , pattern_(pattern)
        , width_(width)
        , height_(height)
    {
        for (int n : pattern)
            period_ += n;
        on.clear();
        off.clear();
    }

    std::vector<QPoint>& on;
    std::vector<QPoint>& off;

    // Pixels from a towards b, b itself excluded; only those on the device
    // are visited, so the work is bounded by the device's size.
    void Segment(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
    {
        int64_t dx = x1 - x0, dy = y1 - y0;
        int64_t len = std::max(std::llabs(dx), std::llabs(dy));
        if (len == 0)
            return;
        bool xMajor = std::llabs(dx) >= std::llabs(dy);
        int64_t major0 = xMajor ? x0 : y0, majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
        int64_t minor0 = xMajor ? y0 : x0, minorDelta = xMajor ? dy : dx;
        int64_t minorStep = minorDelta < 0 ? -1 : 1;
        int64_t limit = xMajor ? width_ : height_;
        // Steps i whose major coordinate major0 + i * majorStep is in 0..limit-1.
        int64_t lo = majorStep > 0 ? -major0 : major0 - (limit - 1);
        int64_t hi = majorStep > 0 ? limit - 1 - major0 : major0;
        lo = std::max<int64_t>(lo, 0);
        hi = std::min<int64_t>(hi, len - 1);
        if (lo <= hi) {
            // The minor offset at step i is (2 i |minorDelta| + len) div
            // (2 len), rounded to nearest; it grows by at most one a step, so
            // it is carried along as quotient and remainder. 128 bits since
            // far away endpoints make the first product overflow 64.
            const __int128 twoLen = 2 * __int128(len), twoDelta = 2 * __int128(std::llabs(minorDelta));
            const __int128 num = __int128(lo) * twoDelta + len;
            int64_t offset = int64_t(num / twoLen);
            __int128 rest = num % twoLen;
            for (int64_t i = lo; i <= hi; ++i) {
                int64_t minor = minor0 + minorStep * offset;
                int64_t major = major0 + i * majorStep;
                int64_t x = xMajor ? major : minor, y = xMajor ? minor : major;
                if (x >= 0 && y >= 0 && x < width_ && y < height_)
                    (IsOn(count_ + i) ? on : off).emplace_back(int(x), int(y));
                rest += twoDelta;
                if (rest >= twoLen) {
                    rest -= twoLen;
                    ++offset;
                }
            }
        }
        count_ += len;
    }

    void Dot(int64_t x, int64_t y)
    {
        if (x >= 0 && y >= 0 && x < width_ && y < height_)
            on.emplace_back(int(x), int(y));
    }

private:
    bool IsOn(int64_t n) const
    {
        if (period_ == 0)
            return true;
        int64_t k = n % period_;
        for (size_t i = 0; i < pattern_.size(); ++i) {
            if (k < pattern_[i])
                return i % 2 == 0;
            k -= pattern_[i];
        }
        return true;
    }

    std::span<const int> pattern_;
    int64_t period_ = 0, count_ = 0;
    int32_t width_, height_;
};

// Fonts that differ only in colour or rotation share glyphs and metrics.
bool SameFace(const TKestFont& a, const TKestFont& b)
{
    return a.Name == b.Name && a.Height == b.Height && a.Pitch == b.Pitch && a.Charset == b.Charset
        && a.Style == b.Style;
}

// Outlines come from 32-bit points; curves stay within their hull.
int64_t RoundCoord(double v)
{
    return std::llround(std::clamp(v, -4294967296.0, 4294967296.0));
}

// Wide outlines run a little above and left of the pixel centres, so edges
// that would fall exactly on centres resolve as fills do: left and top in,
// right and bottom out.
constexpr double WideOffset = 0.5 - 1.0 / 32;

} // namespace

TKestCanvas::TKestCanvas() = default;

TKestCanvas::~TKestCanvas()
{
    Detach();
}

bool TKestCanvas::SetSize(int32_t width, int32_t height)
{
    Detach();
    ownImage_ = QImage();
    if (width < 1 || height < 1 || width > MaxCanvasSide || height > MaxCanvasSide)
        return false;
    ownImage_ = QImage(width, height, QImage::Format_ARGB32);
    if (ownImage_.isNull())
        return false;
    ownImage_.fill(0);
    return Attach(&ownImage_);
}

bool TKestCanvas::Attach(QPaintDevice* device)
{
    Detach();
    if (device != &ownImage_)
        ownImage_ = QImage();
    if (!device)
        return false;
    bool isImage = device->devType() == QInternal::Image;
    if (isImage && static_cast<QImage*>(device)->isNull())
        return false;
    if (!painter_.begin(device))
        return false;
    device_ = device;
    image_ = isImage ? static_cast<QImage*>(device) : nullptr;
    // After begin(), which detached the image: the buffer QPainter writes to.
    pixelFill_.Target(image_);
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    ResetDeviceState();
    return true;
}

void TKestCanvas::Detach()
{
    if (painter_.isActive())
        painter_.end();
    device_ = nullptr;
    image_ = nullptr;
    pixelFill_.Target(nullptr);
    path_ = QPainterPath();
    pathState_ = TPathState::None;
}

int32_t TKestCanvas::Width() const
{
    return device_ ? device_->width() : 0;
}

int32_t TKestCanvas::Height() const
{
    return device_ ? device_->height() : 0;
}

TKestRect TKestCanvas::DeviceRect() const
{
    return {0, 0, Width(), Height()};
}

void TKestCanvas::ResetDeviceState()
{
    state_.clip.reset();
    state_.penPos = {};
    state_.brushOrigin = {};
    state_.textAlign = TA_LEFT | TA_TOP;
    state_.fillMode = ALTERNATE;
    savedStates_.clear();
    path_ = QPainterPath();
    pathState_ = TPathState::None;
    qtBrushValid_ = false;
    ApplyClip();
}

void TKestCanvas::ApplyClip()
{
    if (!painter_.isActive())
        return;
    if (state_.clip) {
        // QPainter ignores a region of several rectangles given while
        // clipping is off, unless clipping is switched on first.
        if (!painter_.hasClipping())
            painter_.setClipping(true);
        painter_.setClipRegion(state_.clip->ToQRegion());
    } else
        painter_.setClipping(false);
}

void TKestCanvas::SetPen(const TKestPen& pen)
{
    state_.pen = pen;
}

void TKestCanvas::SetBrush(const TKestBrush& brush)
{
    state_.brush = brush;
    if (brush.Style == bsSolid && brush.Bitmap.isNull()) {
        state_.bkColor = brush.Color;
        state_.bkMode = OPAQUE;
    } else {
        state_.bkColor = ~ColorToRGB(brush.Color) & 0xFFFFFF;
        state_.bkMode = TRANSPARENT;
    }
    qtBrushValid_ = false;
}

void TKestCanvas::SetFont(const TKestFont& font)
{
    if (!SameFace(font, state_.font))
        fontValid_ = false;
    state_.font = font;
}

void TKestCanvas::SetBrushOrigin(TKestPoint origin)
{
    state_.brushOrigin = origin;
}

void TKestCanvas::SetBkMode(TBkMode mode)
{
    state_.bkMode = mode;
    qtBrushValid_ = false;
}

void TKestCanvas::SetBkColor(TColor color)
{
    state_.bkColor = color;
    qtBrushValid_ = false;
}

int TKestCanvas::SaveDC()
{
    savedStates_.push_back(state_);
    return int(savedStates_.size());
}

bool TKestCanvas::RestoreDC(int level)
{
    int count = int(savedStates_.size());
    int index = level < 0 ? count + level : level - 1;
    if (level == 0 || index < 0 || index >= count)
        return false;
    if (!SameFace(savedStates_[size_t(index)].font, state_.font))
        fontValid_ = false;
    state_ = std::move(savedStates_[size_t(index)]);
    savedStates_.resize(size_t(index));
    qtBrushValid_ = false;
    ApplyClip();
    return true;
}

bool TKestCanvas::PenVisible() const
{
    const TKestPen& p = state_.pen;
    return p.Color != clNone && p.Style != psClear && p.Mode != pmNop;
}

bool TKestCanvas::BrushVisible(const TKestBrush& brush) const
{
    if (!brush.Bitmap.isNull())
        return true;
    return brush.Style != bsClear && brush.Color != clNone;
}

QBrush TKestCanvas::MakeQtBrush(const TKestBrush& brush, std::optional<QColor> forced) const
{
    if (!brush.Bitmap.isNull())
        return QBrush(brush.Bitmap);
    QColor color = forced.value_or(ColorToQColor(brush.Color));
    if (brush.Style == bsSolid || brush.Style > bsDiagCross)
        return QBrush(color);
    QImage pattern(8, 8, QImage::Format_ARGB32);
    uint32_t fg = color.rgb();
    uint32_t bg = state_.bkMode == OPAQUE ? ColorToQRgb(state_.bkColor) : 0;
    const auto& rows = HatchPatterns[brush.Style - bsHorizontal];
    for (int y = 0; y < 8; ++y) {
        auto* line = reinterpret_cast<uint32_t*>(pattern.scanLine(y));
        for (int x = 0; x < 8; ++x)
            line[x] = (rows[size_t(y)] & (0x80 >> x)) ? fg : bg;
    }
    return QBrush(pattern);
}

const QBrush& TKestCanvas::QtBrush()
{
    if (!qtBrushValid_) {
        qtBrush_ = MakeQtBrush(state_.brush, std::nullopt);
        qtBrushValid_ = true;
    }
    return qtBrush_;
}

bool TKestCanvas::RasterMode(QPainter::CompositionMode& mode, std::optional<QColor>& forced) const
{
    mode = QPainter::CompositionMode_SourceOver;
    switch (state_.pen.Mode) {
    case pmBlack:
        forced = QColor(Qt::black);
        break;
    case pmWhite:
        forced = QColor(Qt::white);
        break;
    case pmNop:
        return false;
    case pmNot:
        mode = QPainter::RasterOp_NotDestination;
        break;
    case pmNotCopy:
        mode = QPainter::RasterOp_NotSource;
        break;
    case pmMergePenNot:
        mode = QPainter::RasterOp_SourceOrNotDestination;
        break;
    case pmMaskPenNot:
        mode = QPainter::RasterOp_SourceAndNotDestination;
        break;
    case pmMergeNotPen:
        mode = QPainter::RasterOp_NotSourceOrDestination;
        break;
    case pmMaskNotPen:
        mode = QPainter::RasterOp_NotSourceAndDestination;
        break;
    case pmMerge:
        mode = QPainter::RasterOp_SourceOrDestination;
        break;
    case pmNotMerge:
        mode = QPainter::RasterOp_NotSourceAndNotDestination;
        break;
    case pmMask:
        mode = QPainter::RasterOp_SourceAndDestination;
        break;
    case pmNotMask:
        mode = QPainter::RasterOp_NotSourceOrNotDestination;
        break;
    case pmXor:
        mode = QPainter::RasterOp_SourceXorDestination;
        break;
    case pmNotXor:
        mode = QPainter::RasterOp_NotSourceXorDestination;
        break;
    default: // pmCopy and values from outside the enumeration
        break;
    }
    return true;
}

void TKestCanvas::FillShape(const TKestRegion& shape)
{
    QPainter::CompositionMode mode;
    std::optional<QColor> forced;
    if (!painter_.isActive() || !BrushVisible(state_.brush) || !RasterMode(mode, forced))
        return;
    FillRects(shape.ToQRegion(), forced ? MakeQtBrush(state_.brush, forced) : QtBrush(), mode);
}

void TKestCanvas::FillRoundRect(const TKestRect& box, int32_t cornerWidth, int32_t cornerHeight)
{
    QPainter::CompositionMode mode;
    std::optional<QColor> forced;
    if (!painter_.isActive() || !BrushVisible(state_.brush) || !RasterMode(mode, forced))
        return;
    const QBrush brush = forced ? MakeQtBrush(state_.brush, forced) : QtBrush();
    if (brush.style() != Qt::SolidPattern || !PrepareDirectFill(mode, brush.color())) {
        FillRects(TKestRegion::RoundRect(box, cornerWidth, cornerHeight, DeviceRect()).ToQRegion(), brush, mode);
        return;
    }
    painter_.setCompositionMode(mode);
    painter_.setBrushOrigin(state_.brushOrigin.X, state_.brushOrigin.Y);
    ForEachRoundRectRow(box, cornerWidth, cornerHeight, DeviceRect(), [this](int32_t y, int32_t first, int32_t end) {
        if (first < end)
            pixelFill_.Fill(QRect(first, y, end - first, 1));
    });
}

void TKestCanvas::StrokeShape(const QPainterPath& outline)
{
    QPainter::CompositionMode mode;
    std::optional<QColor> forced;
    if (!painter_.isActive() || !PenVisible() || !RasterMode(mode, forced))
        return;
    painter_.setCompositionMode(mode);
    QColor color = forced.value_or(ColorToQColor(state_.pen.Color));
    if (state_.pen.Width <= 1)
        StrokeCosmetic(outline, color, forced.has_value());
    else
        StrokeWide(outline.translated(WideOffset, WideOffset), color, false);
}

void TKestCanvas::StrokeCosmetic(const QPainterPath& outline, const QColor& color, bool forced)
{
    TCosmeticLine line(CosmeticPattern(state_.pen.Style), Width(), Height(), strokeOn_, strokeOff_);
    for (const QPolygonF& poly : outline.toSubpathPolygons()) {
        size_t before = line.on.size() + line.off.size();
        for (qsizetype i = 0; i + 1 < poly.size(); ++i)
            line.Segment(RoundCoord(poly[i].x()), RoundCoord(poly[i].y()), RoundCoord(poly[i + 1].x()),
                RoundCoord(poly[i + 1].y()));
        // A closed figure that shrank to one point still shows that pixel.
        if (before == line.on.size() + line.off.size() && poly.size() > 2 && poly.isClosed())
            line.Dot(RoundCoord(poly[0].x()), RoundCoord(poly[0].y()));
    }
    FillPixels(line.on, color);
    if (state_.bkMode == OPAQUE && !line.off.empty())
        FillPixels(line.off, forced ? color : ColorToQColor(state_.bkColor));
}

void TKestCanvas::FillPixels(const std::vector<QPoint>& pixels, const QColor& color)
{
    if (PrepareDirectFill(painter_.compositionMode(), color)) {
        ForEachRun(pixels, [this](const QRect& r) { pixelFill_.Fill(r); });
        return;
    }
    const QBrush brush(color);
    ForEachRun(pixels, [&](const QRect& r) { painter_.fillRect(r, brush); });
}

void TKestCanvas::StrokeWide(const QPainterPath& outline, const QColor& color, bool insideFrame)
{
    const TKestPen& p = state_.pen;
    QPen pen(color, p.Width);
    pen.setMiterLimit(10);
    if (p.Geometric) {
        static constexpr Qt::PenCapStyle caps[] = {Qt::FlatCap, Qt::SquareCap, Qt::RoundCap};
        static constexpr Qt::PenJoinStyle joins[] = {Qt::BevelJoin, Qt::MiterJoin, Qt::RoundJoin};
        pen.setCapStyle(caps[std::min<int>(p.EndCap, pecRound)]);
        pen.setJoinStyle(joins[std::min<int>(p.Join, pjRound)]);
        static constexpr Qt::PenStyle styles[]
            = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine, Qt::DashDotDotLine};
        if (p.Style <= psDashDotDot)
            pen.setStyle(styles[p.Style]);
    } else {
        pen.setCapStyle(Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
    }
    // An inside frame follows its box's corners with square joins.
    if (insideFrame)
        pen.setJoinStyle(Qt::MiterJoin);
    painter_.setBrush(Qt::NoBrush);
    painter_.setPen(pen);
    painter_.drawPath(outline);
}

void TKestCanvas::PathStartFigure()
{
    if (pathNeedsMove_) {
        path_.moveTo(state_.penPos.X, state_.penPos.Y);
        pathNeedsMove_ = false;
    }
}

void TKestCanvas::AddToPath(const QPainterPath& figure)
{
    path_.addPath(figure);
    pathNeedsMove_ = true;
}

void TKestCanvas::DrawPathFigure(const QPainterPath& figure, bool closed)
{
    if (pathState_ == TPathState::Recording) {
        AddToPath(figure);
        return;
    }
    if (closed) {
        QPainterPath shape = figure;
        shape.setFillRule(state_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        FillShape(TKestRegion::FromPath(shape, DeviceRect()));
    }
    StrokeShape(figure);
}

QPainterPath TKestCanvas::BoxPath(const TBoxFigure& figure, const QRectF& box, double inset)
{
    QPainterPath path;
    switch (figure.kind) {
    case bkRect:
        path.addRect(box);
        break;
    case bkRoundRect:
        path.addRoundedRect(
            box, std::max(0.0, figure.cornerWidth - inset) / 2, std::max(0.0, figure.cornerHeight - inset) / 2);
        break;
    case bkEllipse:
        path.addEllipse(box);
        break;
    case bkArc:
        path.arcMoveTo(box, figure.startAngle);
        path.arcTo(box, figure.startAngle, figure.sweep);
        break;
    case bkPie:
        path.moveTo(box.center());
        path.arcTo(box, figure.startAngle, figure.sweep);
        path.closeSubpath();
        break;
    case bkChord:
        path.arcMoveTo(box, figure.startAngle);
        path.arcTo(box, figure.startAngle, figure.sweep);
        path.closeSubpath();
        break;
    }
    return path;
}

void TKestCanvas::DrawBoxFigure(const TBoxFigure& figure)
{
    TKestRect r = NormalizeRect(figure.box);
    if (r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    // The outline through the pixels of the box's first and last columns
    // and rows; fills take the pixel centres inside it.
    QRectF outline(r.Left, r.Top, double(r.Right) - 1 - r.Left, double(r.Bottom) - 1 - r.Top);
    if (pathState_ == TPathState::Recording) {
        AddToPath(BoxPath(figure, outline, 0));
        return;
    }
    switch (figure.kind) {
    case bkRect:
        FillShape(TKestRegion(TKestRect {r.Left, r.Top, r.Right - 1, r.Bottom - 1}));
        break;
    case bkRoundRect:
        FillRoundRect(r, int32_t(figure.cornerWidth), int32_t(figure.cornerHeight));
        break;
    case bkEllipse:
        FillRoundRect(r, INT32_MAX, INT32_MAX);
        break;
    case bkArc:
        break;
    default:
        FillShape(TKestRegion::FromPath(BoxPath(figure, outline, 0), DeviceRect()));
        break;
    }
    QPainter::CompositionMode mode;
    std::optional<QColor> forced;
    if (!painter_.isActive() || !PenVisible() || !RasterMode(mode, forced))
        return;
    painter_.setCompositionMode(mode);
    QColor color = forced.value_or(ColorToQColor(state_.pen.Color));
    double w = state_.pen.Width;
    if (w <= 1) {
        if (figure.kind == bkRect && CosmeticPattern(state_.pen.Style).empty() && PrepareDirectFill(mode, color))
            FillFramePixels(r);
        else
            StrokeCosmetic(BoxPath(figure, outline, 0), color, forced.has_value());
        return;
    }
    bool inside = state_.pen.Style == psInsideFrame && figure.kind != bkArc;
    if (!inside) {
        StrokeWide(BoxPath(figure, outline.translated(WideOffset, WideOffset), 0), color, false);
        return;
    }
    double iw = std::max(0.0, double(r.Right) - r.Left - w), ih = std::max(0.0, double(r.Bottom) - r.Top - w);
    QRectF box(
        r.Left + std::min(w, double(r.Right) - r.Left) / 2, r.Top + std::min(w, double(r.Bottom) - r.Top) / 2, iw, ih);
    StrokeWide(BoxPath(figure, box, w), color, figure.kind == bkRect);
}

void TKestCanvas::FillFramePixels(const TKestRect& r)
{
    // The outline of a one-pixel box is an empty rectangle, which a path
    // does not take, so it strokes nothing.
    if (int64_t(r.Right) - r.Left == 1 && int64_t(r.Bottom) - r.Top == 1)
        return;
    // Sides beyond the device are moved to just outside it, where they
    // paint nothing, so that the sizes below cannot overflow.
    const int left = std::max(r.Left, -1), top = std::max(r.Top, -1);
    const int right = std::min(r.Right - 1, Width()), bottom = std::min(r.Bottom - 1, Height());
    const int width = right - left + 1;
    pixelFill_.Fill(QRect(left, top, width, 1));
    pixelFill_.Fill(QRect(left, bottom, width, 1));
    if (bottom - top < 2)
        return;
    pixelFill_.Fill(QRect(left, top + 1, 1, bottom - top - 1));
    pixelFill_.Fill(QRect(right, top + 1, 1, bottom - top - 1));
}

void TKestCanvas::MoveTo(int32_t x, int32_t y)
{
    state_.penPos = {x, y};
    if (pathState_ == TPathState::Recording) {
        path_.moveTo(x, y);
        pathNeedsMove_ = false;
    }
}

void TKestCanvas::LineTo(int32_t x, int32_t y)
{
    if (pathState_ == TPathState::Recording) {
        PathStartFigure();
        path_.lineTo(x, y);
    } else {
        QPainterPath line(QPointF(state_.penPos.X, state_.penPos.Y));
        line.lineTo(x, y);
        StrokeShape(line);
    }
    state_.penPos = {x, y};
}

void TKestCanvas::Rectangle(const TKestRect& r)
{
    DrawBoxFigure({bkRect, r});
}

void TKestCanvas::RoundRect(const TKestRect& r, int32_t cornerWidth, int32_t cornerHeight)
{
    DrawBoxFigure({bkRoundRect, r, double(std::max(cornerWidth, 0)), double(std::max(cornerHeight, 0))});
}

void TKestCanvas::Ellipse(const TKestRect& r)
{
    DrawBoxFigure({bkEllipse, r});
}

TKestCanvas::TBoxFigure TKestCanvas::ArcFigure(
    TBoxKind kind, const TKestRect& r, TKestPoint start, TKestPoint end) const
{
    TKestRect n = NormalizeRect(r);
    double a = (double(n.Right) - 1 - n.Left) / 2, b = (double(n.Bottom) - 1 - n.Top) / 2;
    double cx = n.Left + a, cy = n.Top + b;
    // The angle on the ellipse (as its parametric angle) where a radial
    // through p meets it.
    auto angle = [&](TKestPoint p) {
        double dx = p.X - cx, dy = cy - p.Y;
        if (a > 0)
            dx /= a;
        if (b > 0)
            dy /= b;
        return std::atan2(dy, dx) * 180 / std::numbers::pi;
    };
    TBoxFigure figure {kind, n};
    figure.startAngle = angle(start);
    figure.sweep = angle(end) - figure.startAngle;
    while (figure.sweep <= 1e-9)
        figure.sweep += 360;
    return figure;
}

void TKestCanvas::Arc(const TKestRect& r, TKestPoint start, TKestPoint end)
{
    DrawBoxFigure(ArcFigure(bkArc, r, start, end));
}

void TKestCanvas::Pie(const TKestRect& r, TKestPoint start, TKestPoint end)
{
    DrawBoxFigure(ArcFigure(bkPie, r, start, end));
}

void TKestCanvas::Chord(const TKestRect& r, TKestPoint start, TKestPoint end)
{
    DrawBoxFigure(ArcFigure(bkChord, r, start, end));
}

void TKestCanvas::ArcTo(const TKestRect& r, TKestPoint start, TKestPoint end)
{
    TBoxFigure figure = ArcFigure(bkArc, r, start, end);
    const TKestRect& n = figure.box;
    QRectF box(n.Left, n.Top, double(n.Right) - 1 - n.Left, double(n.Bottom) - 1 - n.Top);
    QPainterPath arc(QPointF(state_.penPos.X, state_.penPos.Y));
    arc.arcTo(box, figure.startAngle, figure.sweep);
    if (pathState_ == TPathState::Recording) {
        PathStartFigure();
        path_.arcTo(box, figure.startAngle, figure.sweep);
    } else {
        StrokeShape(arc);
    }
    QPointF last = arc.currentPosition();
    state_.penPos = {int32_t(RoundCoord(last.x())), int32_t(RoundCoord(last.y()))};
}

void TKestCanvas::Polygon(std::span<const TKestPoint> points)
{
    if (points.size() < 2)
        return;
    QPainterPath figure(QPointF(points[0].X, points[0].Y));
    for (size_t i = 1; i < points.size(); ++i)
        figure.lineTo(points[i].X, points[i].Y);
    figure.closeSubpath();
    DrawPathFigure(figure, true);
}

void TKestCanvas::Polyline(std::span<const TKestPoint> points)
{
    if (points.size() < 2)
        return;
    QPainterPath figure(QPointF(points[0].X, points[0].Y));
    for (size_t i = 1; i < points.size(); ++i)
        figure.lineTo(points[i].X, points[i].Y);
    DrawPathFigure(figure, false);
}

bool TKestCanvas::PolyBezier(std::span<const TKestPoint> points)
{
    if (points.size() < 4 || (points.size() - 1) % 3 != 0)
        return false;
    QPainterPath figure(QPointF(points[0].X, points[0].Y));
    for (size_t i = 1; i + 2 < points.size(); i += 3)
        figure.cubicTo(points[i].X, points[i].Y, points[i + 1].X, points[i + 1].Y, points[i + 2].X, points[i + 2].Y);
    DrawPathFigure(figure, false);
    return true;
}

bool TKestCanvas::PolyBezierTo(std::span<const TKestPoint> points)
{
    if (points.empty() || points.size() % 3 != 0)
        return false;
    QPainterPath figure(QPointF(state_.penPos.X, state_.penPos.Y));
    if (pathState_ == TPathState::Recording)
        PathStartFigure();
    for (size_t i = 0; i + 2 < points.size(); i += 3) {
        const TKestPoint &c1 = points[i], &c2 = points[i + 1], &p = points[i + 2];
        (pathState_ == TPathState::Recording ? path_ : figure).cubicTo(c1.X, c1.Y, c2.X, c2.Y, p.X, p.Y);
    }
    if (pathState_ != TPathState::Recording)
        StrokeShape(figure);
    state_.penPos = points.back();
    return true;
}

void TKestCanvas::FillRect(const TKestRect& r)
{
    if (!painter_.isActive() || r.Right <= r.Left || r.Bottom <= r.Top || !BrushVisible(state_.brush))
        return;
    FillRects(TKestRegion(r).ToQRegion(), QtBrush(), QPainter::CompositionMode_SourceOver);
}

void TKestCanvas::FrameRect(const TKestRect& r)
{
    if (!painter_.isActive() || r.Right <= r.Left || r.Bottom <= r.Top || !BrushVisible(state_.brush))
        return;
    TKestRegion frame(r);
    frame.Combine(TKestRegion(TKestRect {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1}), RGN_DIFF);
    FillRects(frame.ToQRegion(), QtBrush(), QPainter::CompositionMode_SourceOver);
}

void TKestCanvas::DrawFocusRect(const TKestRect& rect)
{
    TKestRect r = NormalizeRect(rect);
    if (!painter_.isActive() || r.Right <= r.Left || r.Bottom <= r.Top)
        return;
    int64_t w = Width(), h = Height();
    std::vector<QPoint> dots;
    auto dot = [&](int64_t x, int64_t y) {
        if (((x + y) & 1) == 0 && x >= 0 && y >= 0 && x < w && y < h)
            dots.emplace_back(int(x), int(y));
    };
    int64_t l = std::max<int64_t>(r.Left, -1), rt = std::min<int64_t>(r.Right, w + 1);
    int64_t t = std::max<int64_t>(r.Top, -1), b = std::min<int64_t>(r.Bottom, h + 1);
    for (int64_t x = l; x < rt; ++x) {
        dot(x, r.Top);
        if (int64_t(r.Bottom) - 1 > r.Top)
            dot(x, int64_t(r.Bottom) - 1);
    }
    for (int64_t y = std::max<int64_t>(t, int64_t(r.Top) + 1); y < std::min<int64_t>(b, int64_t(r.Bottom) - 1); ++y) {
        dot(r.Left, y);
        if (int64_t(r.Right) - 1 > r.Left)
            dot(int64_t(r.Right) - 1, y);
    }
    painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter_.setPen(QPen(QColor(Qt::white), 0));
    painter_.drawPoints(dots.data(), int(dots.size()));
}

void TKestCanvas::FillRects(const QRegion& region, const QBrush& brush, QPainter::CompositionMode mode)
{
    painter_.setCompositionMode(mode);
    painter_.setBrushOrigin(state_.brushOrigin.X, state_.brushOrigin.Y);
    if (brush.style() == Qt::SolidPattern && PrepareDirectFill(mode, brush.color())) {
        for (const QRect& r : region)
            pixelFill_.Fill(r);
        return;
    }
    for (const QRect& r : region)
        painter_.fillRect(r, brush);
}

bool TKestCanvas::PrepareDirectFill(QPainter::CompositionMode mode, const QColor& color)
{
    if (!pixelFill_.HasTarget() || (mode != QPainter::CompositionMode_SourceOver && mode != QPainter::CompositionMode_Source)
        || color.alpha() != 255 || painter_.opacity() != 1.0 || !painter_.deviceTransform().isIdentity()
        || painter_.hasClipping() != state_.clip.has_value())
        return false;
    pixelFill_.Prepare(color.rgb(), state_.clip ? &state_.clip->ToQRegion() : nullptr);
    return true;
}

} // namespace kest
