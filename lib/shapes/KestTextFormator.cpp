#include "KestTextFormator.h"

#include <QGlyphRun>
#include <QString>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "KestColor.h"

namespace kest {

namespace {

// Glyphs are drawn at most this large; the canvas draws no larger either.
constexpr double MaxEmPixels = 16384;

bool IsLineBreak(char32_t c)
{
    return c == U'\r' || c == U'\n';
}

bool IsBlank(char32_t c)
{
    return c <= U' ' && !IsLineBreak(c);
}

int32_t ClampToInt(int64_t value)
{
    return int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// The largest rectangle turned by angle degrees that fits into w x h:
// its side along the turned x axis and the one along the turned y axis.
std::pair<double, double> LargestTurnedBlock(double w, double h, int32_t angle)
{
    if (w <= 0 || h <= 0)
        return {0, 0};
    double a = angle * std::numbers::pi / 180;
    double s = std::abs(std::sin(a)), c = std::abs(std::cos(a));
    if (s < 1e-9)
        return {w, h};
    if (c < 1e-9)
        return {h, w};
    bool wide = w >= h;
    double longSide = wide ? w : h, shortSide = wide ? h : w;
    if (shortSide <= 2 * s * c * longSide || std::abs(s - c) < 1e-9) {
        // Only a block touching two opposite sides fits: its half diagonal
        // meets the short side.
        double x = shortSide / 2;
        return wide ? std::pair {x / s, x / c} : std::pair {x / c, x / s};
    }
    double cos2 = c * c - s * s;
    return {(w * c - h * s) / cos2, (h * c - w * s) / cos2};
}

} // namespace

std::u32string TextCodePoints(std::string_view text)
{
    QList<uint> ucs4 = QString::fromUtf8(text.data(), qsizetype(text.size())).toUcs4();
    return std::u32string(ucs4.begin(), ucs4.end());
}

bool TTextFormator::Setup(TKestCanvas& canvas, double heightPixels, bool roundLines)
{
    TKestFont face = canvas.Font();
    face.Height = 0;
    face.Escapement = 0;
    face.Color = clBlack;
    if (!valid_ || !(face == font_)) {
        valid_ = false;
        font_ = face;
        TKestFont probe = face;
        probe.Height = -1000;
        measure_.SetFont(probe);
        TOutlineTextMetric outline;
        if (!measure_.GetOutlineTextMetrics(outline) || outline.otmEMSquare == 0)
            return false;
        emSquare_ = int32_t(std::clamp<uint32_t>(outline.otmEMSquare, 16, uint32_t(MaxEmPixels)));
        probe.Height = -emSquare_;
        measure_.SetFont(probe);
        if (!measure_.GetCharWidth(0, 255, widths_) || !measure_.GetCharABCWidths(0, 255, abc_))
            return false;
        TTextMetric tm = measure_.GetTextMetrics();
        cellHeight_ = std::max(1, tm.tmHeight);
        cellStep_ = cellHeight_ + tm.tmExternalLeading;
        ascent_ = tm.tmAscent;
        tabStop_ = std::max(1, 8 * tm.tmAveCharWidth);
        drawFont_ = QRawFont::fromFont(measure_.QtFont());
        drawPixels_ = 0;
        if (!drawFont_.isValid())
            return false;
        valid_ = true;
    }

    double em = -heightPixels;
    if (heightPixels > 0)
        em = heightPixels * emSquare_ / cellHeight_;
    else if (heightPixels == 0)
        em = canvas.QtFont().pixelSize();
    if (!std::isfinite(em))
        em = 0;
    em = std::clamp(em, 0.0, MaxEmPixels);
    scaleFactor_ = em / emSquare_;
    if (em > 0 && em != drawPixels_) {
        drawFont_.setPixelSize(em);
        drawPixels_ = em;
    }
    lineHeight_ = cellHeight_;
    lineStep_ = cellStep_;
    if (roundLines && scaleFactor_ > 0) {
        auto round = [this](int32_t units) {
            return int32_t(std::lround((std::trunc(units * scaleFactor_) + 1) / scaleFactor_));
        };
        lineHeight_ = round(cellHeight_);
        lineStep_ = round(cellStep_);
    }
    return true;
}

int32_t TTextFormator::CharWidth(char32_t code)
{
    if (code < 256)
        return widths_[code];
    int32_t width = 0;
    measure_.GetCharWidth(code, code, std::span(&width, 1));
    return width;
}

TABC TTextFormator::CharABC(char32_t code)
{
    if (code < 256)
        return abc_[code];
    TABC abc;
    measure_.GetCharABCWidths(code, code, std::span(&abc, 1));
    return abc;
}

size_t TTextFormator::SkipWord(std::u32string_view text, size_t pos)
{
    while (pos < text.size() && text[pos] > U' ')
        ++pos;
    return pos;
}

size_t TTextFormator::SkipBlanks(std::u32string_view text, size_t pos, bool& lineBreak)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    lineBreak = pos < text.size() && IsLineBreak(text[pos]);
    if (lineBreak) {
        if (pos + 1 < text.size() && IsLineBreak(text[pos + 1]) && text[pos + 1] != text[pos])
            pos += 2;
        else
            ++pos;
    }
    return pos;
}

int64_t TTextFormator::MeasureRun(std::u32string_view text, size_t first, size_t last)
{
    last = std::min(last, text.size());
    int64_t x = 0;
    for (size_t i = first; i < last; ++i) {
        char32_t c = text[i];
        if (c == U'\t')
            x = (x / tabStop_ + 1) * tabStop_;
        else if (c >= U' ')
            x += CharWidth(c);
    }
    runFirstA_ = first < last ? CharABC(text[first]).abcA : 0;
    runLastC_ = first < last && text[last - 1] >= U' ' ? CharABC(text[last - 1]).abcC : 0;
    runWidth_ = x + runLastC_;
    runHeight_ = lineHeight_;
    return runWidth_;
}

bool TTextFormator::NextLine(std::u32string_view text, size_t& pos, int64_t maxWidth, bool wordWrap, TTextLine& line)
{
    size_t n = text.size();
    if (pos > n)
        return false;
    size_t start = pos;
    size_t end = start;
    while (end < n && !IsLineBreak(text[end]))
        ++end;
    size_t last = end;
    if (wordWrap) {
        // Break candidates: the end of every word and the place after every
        // hyphen; the line takes the last one that fits.
        last = start;
        bool fitted = false;
        int64_t x = 0;
        for (size_t i = start; i < end; ++i) {
            char32_t c = text[i];
            if (c == U'\t')
                x = (x / tabStop_ + 1) * tabStop_;
            else if (c >= U' ')
                x += CharWidth(c);
            if (c <= U' ' || !(i + 1 == end || text[i + 1] <= U' ' || c == U'-'))
                continue;
            if (x + CharABC(c).abcC <= maxWidth) {
                last = i + 1;
                fitted = true;
                continue;
            }
            if (!fitted) {
                size_t word = start;
                while (word < end && IsBlank(text[word]))
                    ++word;
                last = SkipWord(text, word);
            }
            break;
        }
        bool lineBreak = false;
        size_t next = SkipBlanks(text, last, lineBreak);
        line = {start, last, lineBreak || next >= n};
        pos = !lineBreak && next >= n ? n + 1 : next;
        return true;
    }
    line = {start, last, true};
    if (end < n) {
        bool lineBreak = false;
        pos = SkipBlanks(text, end, lineBreak);
    } else {
        pos = n + 1;
    }
    return true;
}

std::vector<TTextLine> TTextFormator::Lines(std::u32string_view text, int64_t maxWidth, bool wordWrap)
{
    std::vector<TTextLine> lines;
    TTextLine line;
    for (size_t pos = 0; NextLine(text, pos, maxWidth, wordWrap, line);)
        lines.push_back(line);
    return lines;
}

TTextExtent TTextFormator::MeasureText(std::u32string_view text, int64_t maxWidth, bool wordWrap)
{
    TTextExtent extent;
    for (const TTextLine& line : Lines(text, maxWidth, wordWrap)) {
        extent.Width = std::max(extent.Width, MeasureRun(text, line.First, line.Last));
        ++extent.Lines;
    }
    extent.Height = int64_t(extent.Lines) * lineStep_;
    return extent;
}

int32_t TTextFormator::ToPixels(int64_t units) const
{
    return ClampToInt(std::llround(double(units) * scaleFactor_));
}

int64_t TTextFormator::ToUnits(double pixels) const
{
    if (scaleFactor_ <= 0 || !std::isfinite(pixels))
        return 0;
    return std::llround(std::clamp(pixels / scaleFactor_, -9e15, 9e15));
}

void TTextFormator::SplitWords(std::u32string_view text, size_t first, size_t last, TTextWordInfoArray& words)
{
    words.clear();
    last = std::min(last, text.size());
    for (size_t i = first; i < last;) {
        if (text[i] <= U' ') {
            ++i;
            continue;
        }
        size_t end = std::min(SkipWord(text, i), last);
        words.push_back({int32_t(i), int32_t(end), ClampToInt(MeasureRun(text, i, end))});
        i = end;
    }
}

void TTextFormator::DrawGlyphs(TKestCanvas& canvas, double x, double y, std::u32string_view text, size_t first,
    const std::vector<int64_t>& offsets)
{
    QPainter& painter = canvas.Painter();
    if (!valid_ || drawPixels_ <= 0 || !painter.isActive())
        return;
    QList<quint32> glyphs;
    QList<QPointF> points;
    double baseline = y + ascent_ * scaleFactor_;
    for (size_t i = 0; i < offsets.size(); ++i) {
        char32_t c = text[first + i];
        if (c <= U' ' || offsets[i] < 0)
            continue;
        QList<quint32> index = drawFont_.glyphIndexesForString(QString::fromUcs4(&c, 1));
        if (index.isEmpty())
            continue;
        glyphs.append(index[0]);
        points.append(QPointF(x + std::round(double(offsets[i]) * scaleFactor_), baseline));
    }
    if (glyphs.isEmpty())
        return;
    QGlyphRun run;
    run.setRawFont(drawFont_);
    run.setGlyphIndexes(glyphs);
    run.setPositions(points);
    run.setUnderline(font_.Style & fsUnderline);
    run.setStrikeOut(font_.Style & fsStrikeOut);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setPen(ColorToQColor(canvas.Font().Color));
    painter.drawGlyphRun(QPointF(0, 0), run);
}

void TTextFormator::DrawRun(
    TKestCanvas& canvas, double x, double y, std::u32string_view text, size_t first, size_t last)
{
    last = std::min(last, text.size());
    if (first >= last)
        return;
    std::vector<int64_t> offsets(last - first);
    int64_t advance = 0;
    for (size_t i = first; i < last; ++i) {
        offsets[i - first] = advance;
        char32_t c = text[i];
        if (c == U'\t')
            advance = (advance / tabStop_ + 1) * tabStop_;
        else if (c >= U' ')
            advance += CharWidth(c);
    }
    DrawGlyphs(canvas, x, y, text, first, offsets);
}

void TTextFormator::DrawLine(TKestCanvas& canvas, double x, double y, std::u32string_view text, const TTextLine& line,
    int64_t maxWidth, bool justify, TTextAlignment alignment)
{
    if (justify) {
        TTextWordInfoArray words;
        SplitWords(text, line.First, line.Last, words);
        if (words.size() > 1) {
            // The free room goes evenly between the words; the last word
            // ends at the right edge, so rounding never leaves it ragged.
            int64_t used = 0;
            for (const TTextWordInfo& word : words)
                used += word.Width;
            double gap = double(maxWidth - used) / double(words.size() - 1);
            std::vector<int64_t> offsets(line.Last - line.First, -1);
            int64_t before = 0;
            for (size_t k = 0; k < words.size(); ++k) {
                const TTextWordInfo& word = words[k];
                int64_t start = k + 1 == words.size() ? maxWidth - word.Width : before + std::llround(gap * double(k));
                int64_t advance = 0;
                for (int32_t i = word.StartIndex; i < word.EndIndex; ++i) {
                    offsets[size_t(i) - line.First] = start + advance;
                    advance += CharWidth(text[size_t(i)]);
                }
                before += word.Width;
            }
            DrawGlyphs(canvas, x, y, text, line.First, offsets);
            return;
        }
    }
    int64_t shift = 0;
    if (alignment != taLeftJustify) {
        int64_t free = maxWidth - MeasureRun(text, line.First, line.Last);
        shift = alignment == taRightJustify ? free : free / 2;
    }
    DrawRun(canvas, x + std::round(double(shift) * scaleFactor_), y, text, line.First, line.Last);
}

void TTextFormator::PaintText(TKestCanvas& canvas, const TKestRect& rect, std::string_view text, int32_t angle,
    bool justify, TTextLayout layout, TTextAlignment alignment, bool wordWrap)
{
    QPainter& painter = canvas.Painter();
    if (!valid_ || scaleFactor_ <= 0 || !painter.isActive())
        return;
    std::u32string chars = TextCodePoints(text);
    angle = ((angle % 360) + 360) % 360;
    double width = double(rect.Right) - rect.Left, height = double(rect.Bottom) - rect.Top;
    auto [blockWidth, blockHeight] = LargestTurnedBlock(width, height, angle);
    int64_t maxWidth = ToUnits(blockWidth);
    std::vector<TTextLine> lines = Lines(chars, maxWidth, wordWrap);

    double offset = 0;
    if (layout != tlTop) {
        double free = blockHeight - double(lines.size()) * lineStep_ * scaleFactor_;
        offset = layout == tlBottom ? free : free / 2;
    }
    QTransform transform;
    if (angle == 0) {
        transform.translate(rect.Left, rect.Top);
        offset = std::round(offset);
    } else {
        transform.translate(rect.Left + width / 2, rect.Top + height / 2);
        transform.rotate(-angle); // counter-clockwise on a screen whose y points down
        transform.translate(-blockWidth / 2, -blockHeight / 2);
    }
    painter.save();
    painter.setWorldTransform(transform);
    for (size_t n = 0; n < lines.size(); ++n) {
        double y = offset + double(int64_t(n) * lineStep_) * scaleFactor_;
        if (angle == 0)
            y = std::round(y);
        DrawLine(canvas, 0, y, chars, lines[n], maxWidth, justify && n + 1 < lines.size(), alignment);
    }
    painter.restore();
}

} // namespace kest
