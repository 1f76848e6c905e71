// The drawing surface everything in the library paints on: a QPainter over
// a QImage (owned, or attached like any QPaintDevice) that keeps the pixel
// rules the document format was designed against.
//
// Coordinates are device pixels; a point (x, y) names the pixel whose
// top-left corner it is. Figures follow these rules:
// - An outline runs through the pixels it names: LineTo excludes its last
//   pixel, Rectangle(0, 0, 10, 10) outlines columns 0 and 9.
// - A fill covers the pixels whose centres lie inside the figure's outline,
//   so the right and bottom outline pixels stay out: without a pen,
//   Rectangle(0, 0, 10, 10) fills columns 0..8 and FillRect fills 0..9.
// - An inside-frame pen wider than one pixel draws rectangle, rounded
//   rectangle and ellipse outlines entirely inside the box.
// - Raster modes other than copy combine with the destination colour and
//   expect an opaque destination; not-xor drawn twice restores the pixels.
// The tools (pen, brush, font) and the device state (clip, brush origin,
// text alignment, fill mode) are kept here and applied per operation, so
// direct use of Painter() does not disturb them.
#pragma once

#include "KestColor.h"
#include "KestPixelFill.h"
#include "KestRegion.h"
#include "KestUtils.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class QPicture;

namespace kest {

struct TKestSize {
    int32_t cx = 0, cy = 0;
    bool operator==(const TKestSize&) const = default;
};

constexpr int ScreenPixelsPerInch = 96;

enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
// Numbered as the platform's binary raster operations minus one; pmCopy = 4.
enum TPenMode : uint8_t {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};
enum TPenEndCap : uint8_t { pecFlat, pecSquare, pecRound };
enum TPenJoin : uint8_t { pjBevel, pjMiter, pjRound };
enum TBrushStyle : uint8_t {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};
enum TFontPitch : uint8_t { fpDefault, fpVariable, fpFixed };
enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t; // a set of TFontStyle bits
enum TBkMode : uint8_t { TRANSPARENT = 1, OPAQUE = 2 };

struct TKestPen {
    TKestPen() = default;
    explicit TKestPen(TColor color, int32_t width = 1, TPenStyle style = psSolid)
        : Color(color)
        , Style(style)
        , Width(width)
    {
    }

    TColor Color = clBlack;
    TPenStyle Style = psSolid;
    TPenMode Mode = pmCopy;
    int32_t Width = 1; // device pixels; 0 and 1 draw one pixel
    // A geometric pen honours EndCap and Join and scales its dashes with the
    // width; a plain pen wider than one pixel is solid with round ends.
    bool Geometric = false;
    TPenEndCap EndCap = pecRound;
    TPenJoin Join = pjRound;
    bool operator==(const TKestPen&) const = default;
};

struct TKestBrush {
    TKestBrush() = default;
    TKestBrush(TColor color, TBrushStyle style)
        : Color(color)
        , Style(style)
    {
    }
    explicit TKestBrush(const QImage& bitmap)
        : Bitmap(bitmap)
    {
    }

    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
    QImage Bitmap; // when not null the brush tiles it, whatever Style says
};

struct TKestFont {
    std::string Name = "Arial";
    // Pixels: negative = character (em) height, positive = cell height
    // (ascent + descent), 0 = a default size.
    int32_t Height = -11;
    TFontPitch Pitch = fpDefault;
    uint8_t Charset = 1;
    TFontStyles Style = 0;
    int32_t Escapement = 0; // tenths of a degree, counter-clockwise
    TColor Color = clBlack;
    bool operator==(const TKestFont&) const = default;
};

struct TTextMetric {
    int32_t tmHeight = 0, tmAscent = 0, tmDescent = 0;
    int32_t tmInternalLeading = 0, tmExternalLeading = 0;
    int32_t tmAveCharWidth = 0, tmMaxCharWidth = 0;
    int32_t tmWeight = 0;
    bool tmItalic = false, tmUnderlined = false, tmStruckOut = false;
    uint8_t tmPitchAndFamily = 0; // TMPF_* bits
    uint8_t tmCharSet = 0;
};
constexpr uint8_t TMPF_FIXED_PITCH = 1; // set for variable pitch, as the platform has it
constexpr uint8_t TMPF_VECTOR = 2;
constexpr uint8_t TMPF_TRUETYPE = 4;

struct TOutlineTextMetric {
    TTextMetric otmTextMetrics;
    uint32_t otmEMSquare = 0; // design units per em
};

struct TABC {
    int32_t abcA = 0, abcB = 0, abcC = 0; // A + B + C = advance
};

// DrawText format bits.
constexpr uint32_t DT_TOP = 0, DT_LEFT = 0, DT_CENTER = 1, DT_RIGHT = 2, DT_VCENTER = 4, DT_BOTTOM = 8;
constexpr uint32_t DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_NOCLIP = 0x100;
constexpr uint32_t DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800;
// Text alignment of TextOut and ExtTextOut relative to the reference point.
constexpr uint32_t TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_TOP = 0, TA_BOTTOM = 8, TA_BASELINE = 24;
// ExtTextOut options.
constexpr uint32_t ETO_OPAQUE = 2, ETO_CLIPPED = 4;
// Block transfer operations.
constexpr uint32_t SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6, SRCINVERT = 0x00660046;
constexpr uint32_t NOTSRCCOPY = 0x00330008, DSTINVERT = 0x00550009, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062;
constexpr TColor CLR_INVALID = TColor(0xFFFFFFFFu);

// Largest side of an image the canvas creates.
constexpr int32_t MaxCanvasSide = 32767;

class TKestCanvas {
public:
    TKestCanvas();
    ~TKestCanvas();
    TKestCanvas(const TKestCanvas&) = delete;
    TKestCanvas& operator=(const TKestCanvas&) = delete;

    // --- device ---
    // Paints on an image of its own (Format_ARGB32, all pixels transparent
    // black); false for sides < 1 or > MaxCanvasSide or when memory fails,
    // leaving the canvas without a device.
    bool SetSize(int32_t width, int32_t height);
    // Paints on a device owned by the caller, which must outlive the
    // attachment. Device state (clip, path, saved states, pen position, brush
    // origin, text alignment, fill mode) starts afresh; pen, brush and font
    // are kept. False when the device cannot be painted on.
    bool Attach(QPaintDevice* device);
    void Detach();
    bool Active() const { return painter_.isActive(); }
    // The image painted on, or null (no device, or a device of another kind).
    QImage* Image() { return image_; }
    const QImage* Image() const { return image_; }
    int32_t Width() const;
    int32_t Height() const;
    // For drawing the canvas does not offer; the caller sets what it needs.
    QPainter& Painter() { return painter_; }

    // --- tools and state ---
    const TKestPen& Pen() const { return state_.pen; }
    void SetPen(const TKestPen& pen);
    const TKestBrush& Brush() const { return state_.brush; }
    // As the widget toolkit the format grew up with does: a solid brush
    // makes text and pen-gap backgrounds opaque in its colour, any other
    // brush makes them transparent.
    void SetBrush(const TKestBrush& brush);
    const TKestFont& Font() const { return state_.font; }
    void SetFont(const TKestFont& font);
    TKestPoint BrushOrigin() const { return state_.brushOrigin; }
    void SetBrushOrigin(TKestPoint origin);
    TBkMode BkMode() const { return state_.bkMode; }
    void SetBkMode(TBkMode mode);
    TColor BkColor() const { return state_.bkColor; }
    void SetBkColor(TColor color);
    uint32_t TextAlign() const { return state_.textAlign; }
    void SetTextAlign(uint32_t align) { state_.textAlign = align; }
    TFillMode PolyFillMode() const { return state_.fillMode; }
    void SetPolyFillMode(TFillMode mode) { state_.fillMode = mode; }
    // Pushes the whole state; returns the new depth (1 for the first save).
    int SaveDC();
    // level > 0: back to the state saved as that depth; level < 0: relative
    // (-1 = the last save). False for a level that was never saved.
    bool RestoreDC(int level);

    // --- figures ---
    TKestPoint PenPos() const { return state_.penPos; }
    void MoveTo(int32_t x, int32_t y);
    void LineTo(int32_t x, int32_t y);
    void Rectangle(const TKestRect& r);
    void RoundRect(const TKestRect& r, int32_t cornerWidth, int32_t cornerHeight);
    void Ellipse(const TKestRect& r);
    // Elliptic arcs run counter-clockwise from the radial through start to
    // the radial through end; equal radials give the whole ellipse.
    void Arc(const TKestRect& r, TKestPoint start, TKestPoint end);
    // A line from the pen position to the arc's start, then the arc; the pen
    // ends at the arc's end.
    void ArcTo(const TKestRect& r, TKestPoint start, TKestPoint end);
    void Pie(const TKestRect& r, TKestPoint start, TKestPoint end);
    void Chord(const TKestRect& r, TKestPoint start, TKestPoint end);
    void Polygon(std::span<const TKestPoint> points);
    void Polyline(std::span<const TKestPoint> points);
    // A start point and three points per cubic segment; false otherwise.
    bool PolyBezier(std::span<const TKestPoint> points);
    // Three points per segment from the pen position, which moves along.
    bool PolyBezierTo(std::span<const TKestPoint> points);
    // Fills Left..Right-1 by Top..Bottom-1 with the brush; no pen.
    void FillRect(const TKestRect& r);
    // A one-pixel frame inside r painted with the brush.
    void FrameRect(const TKestRect& r);
    // A dotted frame inverted into the pixels; drawing it again removes it.
    void DrawFocusRect(const TKestRect& r);

    // --- paths ---
    // Between BeginPath and EndPath figures are recorded instead of drawn.
    void BeginPath();
    bool EndPath();
    bool CloseFigure();
    void AbortPath();
    bool HasPath() const { return pathState_ == TPathState::Ready; }
    // The ended path in device pixels, as the figures' outlines run.
    const QPainterPath& Path() const { return path_; }
    // These use up the ended path; false without one.
    bool StrokePath();
    bool FillPath();
    bool StrokeAndFillPath();
    bool SelectClipPath(TRegionCombine mode);
    std::optional<TKestRegion> PathToRegion();

    // --- clipping and regions ---
    // The clip region selected by the caller, or none when not clipping.
    const std::optional<TKestRegion>& ClipRegion() const { return state_.clip; }
    void SelectClipRgn(const std::optional<TKestRegion>& region);
    // Without a clip region, the device's area stands for it.
    void ExtSelectClipRgn(const TKestRegion& region, TRegionCombine mode);
    void IntersectClipRect(const TKestRect& r);
    void ExcludeClipRect(const TKestRect& r);
    void FillRgn(const TKestRegion& region, const TKestBrush& brush);
    // A frame width pixels wide and height pixels high inside the region's
    // border.
    void FrameRgn(const TKestRegion& region, const TKestBrush& brush, int32_t width, int32_t height);
    void InvertRgn(const TKestRegion& region);
    void InvertRect(const TKestRect& r);

    // --- text (UTF-8; advances count one per code point) ---
    void TextOut(int32_t x, int32_t y, std::string_view text);
    // advances empty: the font's own; otherwise one per code point (missing
    // ones repeat the last). rect, when given, is filled with the
    // background colour for ETO_OPAQUE and clips for ETO_CLIPPED.
    void ExtTextOut(int32_t x, int32_t y, uint32_t options, const TKestRect* rect, std::string_view text,
        std::span<const int32_t> advances = {});
    // Lays out and draws text in rect; with DT_CALCRECT only measures and
    // sets rect's right and bottom. Returns the height of the text (plus the
    // offset from the top for DT_VCENTER and DT_BOTTOM).
    int32_t DrawText(std::string_view text, TKestRect& rect, uint32_t format);
    // Width = sum of the characters' advance widths, height = font height.
    TKestSize TextExtent(std::string_view text);
    int32_t TextWidth(std::string_view text) { return TextExtent(text).cx; }
    int32_t TextHeight(std::string_view text) { return TextExtent(text).cy; }
    TTextMetric GetTextMetrics();
    // False for a font without outlines.
    bool GetOutlineTextMetrics(TOutlineTextMetric& metrics);
    // Advance widths of the code points first..last, into widths[0..].
    bool GetCharWidth(char32_t first, char32_t last, std::span<int32_t> widths);
    bool GetCharABCWidths(char32_t first, char32_t last, std::span<TABC> abc);
    // The Qt font the canvas draws with.
    const QFont& QtFont();

    // --- images ---
    // 0x00BBGGRR, or CLR_INVALID outside the image or the clip region.
    TColor Pixel(int32_t x, int32_t y) const;
    // Writes an opaque pixel; returns the colour written or CLR_INVALID.
    TColor SetPixel(int32_t x, int32_t y, TColor color);
    // Copies w x h pixels of src from (sx, sy); SRCCOPY carries alpha.
    bool BitBlt(
        int32_t x, int32_t y, int32_t w, int32_t h, const QImage& src, int32_t sx, int32_t sy, uint32_t rop = SRCCOPY);
    // Nearest-neighbour scaling; a negative destination width or height
    // mirrors.
    bool StretchBlt(const TKestRect& dest, const QImage& src, const TKestRect& srcRect, uint32_t rop = SRCCOPY);
    // As StretchBlt, skipping source pixels of the key colour (24-bit
    // compare); the pixels copied become opaque.
    bool TransparentBlt(const TKestRect& dest, const QImage& src, const TKestRect& srcRect, TColor key);
    // Blends an image with its own alpha (a picture, an icon).
    void Draw(int32_t x, int32_t y, const QImage& image);
    void StretchDraw(const TKestRect& dest, const QImage& image);
    void StretchDraw(const TKestRect& dest, const QPicture& picture);

private:
    struct TState {
        TKestPen pen;
        TKestBrush brush;
        TKestFont font;
        TKestPoint penPos, brushOrigin;
        std::optional<TKestRegion> clip;
        TBkMode bkMode = OPAQUE;
        TColor bkColor = clWhite;
        uint32_t textAlign = TA_LEFT | TA_TOP;
        TFillMode fillMode = ALTERNATE;
    };
    enum class TPathState : uint8_t { None, Recording, Ready };
    enum TBoxKind : uint8_t { bkRect, bkRoundRect, bkEllipse, bkArc, bkPie, bkChord };
    struct TBoxFigure {
        TBoxKind kind = bkRect;
        TKestRect box;
        double cornerWidth = 0, cornerHeight = 0;
        double startAngle = 0, sweep = 0; // degrees, counter-clockwise
    };

    void ResetDeviceState();
    void ApplyClip();
    bool PenVisible() const;
    bool BrushVisible(const TKestBrush& brush) const;
    const QBrush& QtBrush();
    QBrush MakeQtBrush(const TKestBrush& brush, std::optional<QColor> forced) const;
    TKestRect DeviceRect() const;
    // The composition standing for the pen's raster mode and the colour it
    // imposes; false for pmNop.
    bool RasterMode(QPainter::CompositionMode& mode, std::optional<QColor>& forced) const;
    // Fills go through regions, so they paint exactly the pixels that hit
    // tests and clip regions of the same shapes hold.
    void FillShape(const TKestRegion& shape);
    // FillShape of TKestRegion::RoundRect, row by row into the pixels when
    // it can go there.
    void FillRoundRect(const TKestRect& box, int32_t cornerWidth, int32_t cornerHeight);
    void StrokeShape(const QPainterPath& outline);
    void StrokeCosmetic(const QPainterPath& outline, const QColor& color, bool forced);
    void FillPixels(const std::vector<QPoint>& pixels, const QColor& color);
    void StrokeWide(const QPainterPath& outline, const QColor& color, bool insideFrame);
    void DrawPathFigure(const QPainterPath& figure, bool closed);
    void DrawBoxFigure(const TBoxFigure& figure);
    // The one-pixel outline of the box r, as a solid pen's stroke of it
    // sets them, into the pixels readied by PrepareDirectFill.
    void FillFramePixels(const TKestRect& r);
    TBoxFigure ArcFigure(TBoxKind kind, const TKestRect& r, TKestPoint start, TKestPoint end) const;
    static QPainterPath BoxPath(const TBoxFigure& figure, const QRectF& box, double inset);
    void PathStartFigure();
    void AddToPath(const QPainterPath& figure);
    void FillRects(const QRegion& region, const QBrush& brush, QPainter::CompositionMode mode);
    // Readies pixelFill_ when a fill of color under mode may skip QPainter:
    // opaque, copying, untransformed, and clipped by the canvas' own clip.
    bool PrepareDirectFill(QPainter::CompositionMode mode, const QColor& color);

    struct TGlyph {
        quint32 index = 0; // 0: the font has no glyph for the code
        int32_t advance = 0;
        QRectF ink; // the outline's bounds, from the pen position on the baseline
    };
    void EnsureFont();
    const TGlyph& Glyph(char32_t code);
    int32_t Advance(char32_t code) { return Glyph(code).advance; }
    void DrawRun(double x, double y, const std::u32string& text, std::span<const int32_t> positions,
        const std::vector<bool>* underlined);
    // Whether a plain run of text[first, last) at (x, y) as DrawRun lays it
    // out, background included, stays inside r with a pixel to spare.
    bool RunInside(const TKestRect& r, int64_t x, int64_t y, const std::u32string& text, size_t first, size_t last,
        std::span<const int32_t> positions);

    QImage ownImage_;
    QPaintDevice* device_ = nullptr;
    QImage* image_ = nullptr;
    QPainter painter_;
    TPixelFill pixelFill_;
    TState state_;
    std::vector<TState> savedStates_;
    QBrush qtBrush_;
    bool qtBrushValid_ = false;
    std::vector<QPoint> strokeOn_, strokeOff_; // reused by every cosmetic stroke
    QPainterPath path_;
    TPathState pathState_ = TPathState::None;
    bool pathNeedsMove_ = true;
    QFont qtFont_;
    QRawFont rawFont_;
    TTextMetric textMetric_;
    bool fontValid_ = false;
    std::unordered_map<char32_t, TGlyph> glyphs_;
};

// Clip helpers: each narrows the canvas' clip and returns the clip region
// that was in force (none when the canvas did not clip), for the caller to
// put back with SelectClipRgn.
std::optional<TKestRegion> IntersectClipRgn(TKestCanvas& canvas, const TKestRegion& region);
// With the canvas' ended path; when the canvas did not clip and has no path
// to select, nothing will be drawn until the clip is restored.
std::optional<TKestRegion> IntersectClipPath(TKestCanvas& canvas);

// The pixels of the first width x height pixels of bitmap whose 24-bit colour
// differs from transparent, placed at dest's top-left, or scaled onto dest
// (each rectangle's coordinates rounded) when dest has another size. None
// when nothing is left.
std::optional<TKestRegion> CreateTransparentRegion(
    const QImage& bitmap, int32_t width, int32_t height, TColor transparent, const TKestRect& dest);
// region := region and the bitmap's opaque pixels mapped onto dest.
void IntersectTransparentRegion(const QImage& bitmap, TColor transparent, const TKestRect& dest, TKestRegion& region);

} // namespace kest
