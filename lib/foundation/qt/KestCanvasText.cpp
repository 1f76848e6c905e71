// Fonts, metrics and text output. Every width comes from one source, the
// glyph advances of the selected font rounded to whole pixels, so measured
// extents, per-character advances and drawn text agree exactly.
#include "KestCanvas.h"

#include <QFontInfo>
#include <QGlyphRun>
#include <algorithm>
#include <cmath>

namespace kest {

namespace {

constexpr int32_t DefaultFontPixels = 12;
// Glyphs larger than this are drawn at this size; nothing on a screen needs more.
constexpr int32_t MaxFontPixels = 16384;

std::u32string DecodeUtf8(std::string_view text)
{
    QList<uint> ucs4 = QString::fromUtf8(text.data(), qsizetype(text.size())).toUcs4();
    return std::u32string(ucs4.begin(), ucs4.end());
}

bool IsLineBreak(char32_t c)
{
    return c == U'\r' || c == U'\n';
}

// Index after the line break starting at i (CR, LF, CR LF or LF CR).
size_t SkipLineBreak(const std::u32string& text, size_t i)
{
    if (i + 1 < text.size() && IsLineBreak(text[i + 1]) && text[i + 1] != text[i])
        return i + 2;
    return i + 1;
}

} // namespace

void TKestCanvas::EnsureFont()
{
    if (fontValid_)
        return;
    const TKestFont& font = state_.font;
    QFont f(QString::fromUtf8(font.Name.data(), qsizetype(font.Name.size())));
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    f.setWeight((font.Style & fsBold) ? QFont::Bold : QFont::Normal);
    f.setItalic(font.Style & fsItalic);
    f.setUnderline(font.Style & fsUnderline);
    f.setStrikeOut(font.Style & fsStrikeOut);
    if (font.Pitch == fpFixed) {
        f.setStyleHint(QFont::TypeWriter);
        f.setFixedPitch(true);
    }
    int64_t pixels = font.Height == 0 ? DefaultFontPixels : -int64_t(font.Height);
    if (pixels < 0) {
        // A cell height: scale the em so that ascent + descent fill it.
        QFont probe = f;
        probe.setPixelSize(1000);
        QRawFont raw = QRawFont::fromFont(probe);
        double cell = raw.isValid() ? raw.ascent() + raw.descent() : 0;
        pixels = cell > 0 ? std::llround(-double(pixels) * 1000 / cell) : -pixels;
    }
    int32_t em = int32_t(std::clamp<int64_t>(pixels, 1, MaxFontPixels));
    f.setPixelSize(em);
    qtFont_ = f;
    rawFont_ = QRawFont::fromFont(f);
    glyphs_.clear();

    TTextMetric& tm = textMetric_;
    tm = TTextMetric();
    tm.tmWeight = (font.Style & fsBold) ? 700 : 400;
    tm.tmItalic = font.Style & fsItalic;
    tm.tmUnderlined = font.Style & fsUnderline;
    tm.tmStruckOut = font.Style & fsStrikeOut;
    tm.tmCharSet = font.Charset;
    if (rawFont_.isValid()) {
        tm.tmDescent = int32_t(std::lround(rawFont_.descent()));
        tm.tmAscent = int32_t(std::lround(rawFont_.ascent()));
        if (font.Height > 0 && font.Height <= MaxFontPixels)
            tm.tmAscent = font.Height - tm.tmDescent;
        tm.tmHeight = tm.tmAscent + tm.tmDescent;
        tm.tmInternalLeading = std::max(0, tm.tmHeight - em);
        tm.tmExternalLeading = std::max(0, int32_t(std::lround(rawFont_.leading())));
        tm.tmAveCharWidth = int32_t(std::lround(rawFont_.averageCharWidth()));
        tm.tmMaxCharWidth = int32_t(std::lround(rawFont_.maxCharWidth()));
        tm.tmPitchAndFamily = TMPF_TRUETYPE | TMPF_VECTOR;
        if (!QFontInfo(f).fixedPitch())
            tm.tmPitchAndFamily |= TMPF_FIXED_PITCH;
    }
    fontValid_ = true;
}

const QFont& TKestCanvas::QtFont()
{
    EnsureFont();
    return qtFont_;
}

const TKestCanvas::TGlyph& TKestCanvas::Glyph(char32_t code)
{
    auto it = glyphs_.find(code);
    if (it != glyphs_.end())
        return it->second;
    TGlyph glyph;
    if (rawFont_.isValid()) {
        QList<quint32> indexes = rawFont_.glyphIndexesForString(QString::fromUcs4(&code, 1));
        if (!indexes.isEmpty()) {
            QList<QPointF> advances
                = rawFont_.advancesForGlyphIndexes(indexes, QRawFont::SeparateAdvances | QRawFont::UseDesignMetrics);
            glyph.index = indexes[0];
            glyph.advance = int32_t(std::lround(advances.value(0).x()));
            glyph.ink = rawFont_.boundingRect(glyph.index);
        }
    }
    return glyphs_.emplace(code, glyph).first->second;
}

TKestSize TKestCanvas::TextExtent(std::string_view text)
{
    EnsureFont();
    int64_t width = 0;
    for (char32_t c : DecodeUtf8(text))
        width += Advance(c);
    return {int32_t(std::min<int64_t>(width, INT32_MAX)), textMetric_.tmHeight};
}

TTextMetric TKestCanvas::GetTextMetrics()
{
    EnsureFont();
    return textMetric_;
}

bool TKestCanvas::GetOutlineTextMetrics(TOutlineTextMetric& metrics)
{
    EnsureFont();
    if (!rawFont_.isValid())
        return false;
    metrics.otmTextMetrics = textMetric_;
    metrics.otmEMSquare = uint32_t(std::lround(rawFont_.unitsPerEm()));
    return true;
}

bool TKestCanvas::GetCharWidth(char32_t first, char32_t last, std::span<int32_t> widths)
{
    if (last < first || widths.size() < size_t(last - first) + 1)
        return false;
    EnsureFont();
    for (char32_t c = first; c <= last && c >= first; ++c)
        widths[c - first] = Advance(c);
    return true;
}

bool TKestCanvas::GetCharABCWidths(char32_t first, char32_t last, std::span<TABC> abc)
{
    if (last < first || abc.size() < size_t(last - first) + 1)
        return false;
    EnsureFont();
    if (!rawFont_.isValid())
        return false;
    for (char32_t c = first; c <= last && c >= first; ++c) {
        TABC& out = abc[c - first];
        const TGlyph& glyph = Glyph(c);
        int32_t advance = glyph.advance;
        QRectF box = rawFont_.boundingRect(glyph.index);
        out.abcA = int32_t(std::lround(box.left()));
        out.abcB = int32_t(std::lround(box.width()));
        out.abcC = advance - out.abcA - out.abcB;
    }
    return true;
}

void TKestCanvas::DrawRun(double x, double y, const std::u32string& text, std::span<const int32_t> positions,
    const std::vector<bool>* underlined)
{
    EnsureFont();
    if (!painter_.isActive() || !rawFont_.isValid())
        return;
    const TTextMetric& tm = textMetric_;
    double total = positions.empty() ? 0 : positions.back();
    uint32_t align = state_.textAlign;
    double dx = (align & TA_CENTER) == TA_CENTER ? -total / 2 : ((align & TA_CENTER) == TA_RIGHT ? -total : 0);
    double baseline
        = (align & TA_BASELINE) == TA_BASELINE ? 0 : ((align & TA_BASELINE) == TA_BOTTOM ? -tm.tmDescent : tm.tmAscent);
    QTransform transform;
    transform.translate(x, y);
    transform.rotate(-state_.font.Escapement / 10.0);
    painter_.setTransform(transform);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (state_.bkMode == OPAQUE)
        painter_.fillRect(QRectF(dx, baseline - tm.tmAscent, total, tm.tmHeight), ColorToQColor(state_.bkColor));

    QList<quint32> glyphs;
    QList<QPointF> points;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] < U' ')
            continue;
        glyphs.append(Glyph(text[i]).index);
        points.append(QPointF(dx + positions[i], baseline));
    }
    QColor color = ColorToQColor(state_.font.Color);
    if (!glyphs.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(rawFont_);
        run.setGlyphIndexes(glyphs);
        run.setPositions(points);
        run.setUnderline(state_.font.Style & fsUnderline);
        run.setStrikeOut(state_.font.Style & fsStrikeOut);
        painter_.setPen(color);
        painter_.drawGlyphRun(QPointF(0, 0), run);
    }
    if (underlined) {
        double thickness = std::max(1.0, std::round(rawFont_.pixelSize() / 14));
        for (size_t i = 0; i < text.size() && i < underlined->size(); ++i)
            if ((*underlined)[i])
                painter_.fillRect(
                    QRectF(dx + positions[i], baseline + 1, positions[i + 1] - positions[i], thickness), color);
    }
    painter_.resetTransform();
}

bool TKestCanvas::RunInside(const TKestRect& r, int64_t x, int64_t y, const std::u32string& text, size_t first,
    size_t last, std::span<const int32_t> positions)
{
    const TTextMetric& tm = textMetric_;
    QRectF ink;
    if (state_.bkMode == OPAQUE)
        ink = QRectF(double(x), double(y), positions.back(), tm.tmHeight);
    for (size_t i = first; i < last; ++i)
        if (text[i] >= U' ')
            ink |= Glyph(text[i]).ink.translated(double(x) + positions[i - first], double(y) + tm.tmAscent);
    // The pixel to spare takes in antialiasing and hinting at the edges.
    return ink.left() >= double(r.Left) + 1 && ink.top() >= double(r.Top) + 1 && ink.right() <= double(r.Right) - 1
        && ink.bottom() <= double(r.Bottom) - 1;
}

void TKestCanvas::TextOut(int32_t x, int32_t y, std::string_view text)
{
    ExtTextOut(x, y, 0, nullptr, text);
}

void TKestCanvas::ExtTextOut(int32_t x, int32_t y, uint32_t options, const TKestRect* rect, std::string_view text,
    std::span<const int32_t> advances)
{
    if (!painter_.isActive())
        return;
    EnsureFont();
    std::u32string chars = DecodeUtf8(text);
    std::vector<int32_t> positions(chars.size() + 1, 0);
    for (size_t i = 0; i < chars.size(); ++i) {
        int32_t advance = advances.empty() ? Advance(chars[i]) : advances[std::min(i, advances.size() - 1)];
        positions[i + 1] = int32_t(std::clamp<int64_t>(int64_t(positions[i]) + advance, INT32_MIN, INT32_MAX));
    }
    if (rect && (options & ETO_OPAQUE))
        FillRects(TKestRegion(*rect).ToQRegion(), QBrush(ColorToQColor(state_.bkColor)),
            QPainter::CompositionMode_SourceOver);
    bool clipped = rect && (options & ETO_CLIPPED);
    if (clipped)
        painter_.setClipRegion(TKestRegion(*rect).ToQRegion(), state_.clip ? Qt::IntersectClip : Qt::ReplaceClip);
    DrawRun(x, y, chars, positions, nullptr);
    if (clipped)
        ApplyClip();
}

int32_t TKestCanvas::DrawText(std::string_view source, TKestRect& rect, uint32_t format)
{
    EnsureFont();
    const TTextMetric& tm = textMetric_;
    std::u32string text;
    std::vector<bool> underlined;
    std::u32string decoded = DecodeUtf8(source);
    for (size_t i = 0; i < decoded.size(); ++i) {
        char32_t c = decoded[i];
        bool mark = false;
        if (!(format & DT_NOPREFIX) && c == U'&' && i + 1 < decoded.size()) {
            c = decoded[++i];
            mark = c != U'&';
        }
        if ((format & DT_SINGLELINE) && IsLineBreak(c))
            continue;
        text.push_back(c);
        underlined.push_back(mark);
    }

    int32_t tabStop = std::max(1, 8 * tm.tmAveCharWidth);
    // Positions of text[first..last) relative to the line's start; tabs jump
    // to the next stop when expanded.
    auto layout = [&](size_t first, size_t last, std::vector<int32_t>& positions) {
        positions.assign(last - first + 1, 0);
        int64_t x = 0;
        for (size_t i = first; i < last; ++i) {
            if (text[i] == U'\t' && (format & DT_EXPANDTABS))
                x = (x / tabStop + 1) * tabStop;
            else
                x += Advance(text[i]);
            positions[i - first + 1] = int32_t(std::min<int64_t>(x, INT32_MAX));
        }
        return positions.back();
    };

    // Lines as [first, last) ranges; word breaking never splits a word.
    std::vector<std::pair<size_t, size_t>> lines;
    std::vector<int32_t> scratch;
    int64_t maxWidth = int64_t(rect.Right) - rect.Left;
    for (size_t start = 0;;) {
        size_t end = start;
        while (end < text.size() && !IsLineBreak(text[end]))
            ++end;
        if (!(format & DT_WORDBREAK)) {
            lines.emplace_back(start, end);
        } else {
            size_t lineStart = start, lineEnd = start, i = start;
            bool first = true;
            while (i < end) {
                size_t wordStart = i;
                while (wordStart < end && text[wordStart] == U' ')
                    ++wordStart;
                size_t wordEnd = wordStart;
                while (wordEnd < end && text[wordEnd] != U' ')
                    ++wordEnd;
                if (wordStart == end)
                    break;
                if (!first && layout(lineStart, wordEnd, scratch) > maxWidth) {
                    lines.emplace_back(lineStart, lineEnd);
                    lineStart = wordStart;
                }
                lineEnd = wordEnd;
                first = false;
                i = wordEnd;
            }
            lines.emplace_back(lineStart, first ? end : lineEnd);
        }
        if (end >= text.size())
            break;
        start = SkipLineBreak(text, end);
    }

    int32_t lineHeight = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
    int64_t height = int64_t(lineHeight) * int64_t(lines.size());
    int64_t offset = 0;
    if (format & DT_SINGLELINE) {
        int64_t free = int64_t(rect.Bottom) - rect.Top - height;
        if (format & DT_BOTTOM)
            offset = free;
        else if (format & DT_VCENTER)
            offset = free / 2;
    }
    if (format & DT_CALCRECT) {
        int32_t widest = 0;
        for (const auto& [first, last] : lines)
            widest = std::max(widest, layout(first, last, scratch));
        rect.Right = int32_t(std::min<int64_t>(int64_t(rect.Left) + widest, INT32_MAX));
        rect.Bottom = int32_t(std::min<int64_t>(int64_t(rect.Top) + height, INT32_MAX));
    } else if (painter_.isActive()) {
        auto lineLeft = [&](int32_t width) {
            if (format & DT_RIGHT)
                return int64_t(rect.Right) - width;
            if (format & DT_CENTER)
                return rect.Left + (int64_t(rect.Right) - rect.Left - width) / 2;
            return int64_t(rect.Left);
        };
        auto lineTop = [&](size_t n) { return rect.Top + offset + int64_t(n) * lineHeight; };
        // A label well inside its rectangle needs no clip, and setting one
        // and putting the old one back costs more than drawing the label.
        bool clip = !(format & DT_NOCLIP);
        if (clip && state_.font.Escapement == 0 && !(state_.font.Style & (fsUnderline | fsStrikeOut))
            && std::find(underlined.begin(), underlined.end(), true) == underlined.end()) {
            clip = false;
            for (size_t n = 0; n < lines.size() && !clip; ++n) {
                auto [first, last] = lines[n];
                const int32_t width = layout(first, last, scratch);
                clip = !RunInside(rect, lineLeft(width), lineTop(n), text, first, last, scratch);
            }
        }
        if (clip)
            painter_.setClipRegion(TKestRegion(rect).ToQRegion(), state_.clip ? Qt::IntersectClip : Qt::ReplaceClip);
        uint32_t align = state_.textAlign;
        state_.textAlign = TA_LEFT | TA_TOP;
        for (size_t n = 0; n < lines.size(); ++n) {
            auto [first, last] = lines[n];
            const int32_t width = layout(first, last, scratch);
            std::u32string line = text.substr(first, last - first);
            std::vector<bool> marks(
                underlined.begin() + std::ptrdiff_t(first), underlined.begin() + std::ptrdiff_t(last));
            DrawRun(double(lineLeft(width)), double(lineTop(n)), line, scratch, &marks);
        }
        state_.textAlign = align;
        if (clip)
            ApplyClip();
    }
    return int32_t(std::clamp<int64_t>(height + offset, INT32_MIN, INT32_MAX));
}

} // namespace kest
