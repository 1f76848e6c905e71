// TTextFormator: lays out and draws multi-line text with glyph metrics taken
// in font design units, so that line breaks, alignment and justification stay
// the same at every zoom; only the final placement is scaled to pixels.
//
// Text is UTF-8 in the model; the formator works on code points. Widths are
// design units (of the font's em square) unless a name says pixels.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <QRawFont>

#include "KestCanvas.h"

namespace kest {

enum TTextAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };

struct TTextWordInfo {
    int32_t StartIndex = 0; // first code point of the word
    int32_t EndIndex = 0; // one past its last
    int32_t Width = 0;
};
using TTextWordInfoArray = std::vector<TTextWordInfo>;

// The code points of a UTF-8 text.
std::u32string TextCodePoints(std::string_view text);

// The size a text needs.
struct TTextExtent {
    int64_t Width = 0; // the widest line
    int64_t Height = 0; // the sum of the line steps
    int32_t Lines = 0;
};

// A line of a text as a range of code points.
struct TTextLine {
    size_t First = 0, Last = 0;
    bool EndsParagraph = false; // followed by a line break or the end of the text
};

class TTextFormator {
public:
    TTextFormator() = default;
    TTextFormator(const TTextFormator&) = delete;
    TTextFormator& operator=(const TTextFormator&) = delete;

    // Takes the canvas' current font at heightPixels (the font height at the
    // paint scale, fractions allowed; negative for the character height,
    // positive for the cell height, 0 for the canvas font's own size). The
    // design-unit metrics are read once per face and style. roundLines rounds
    // the line height and step up to whole pixels, for measuring sizes that
    // are stored. False (nothing can be drawn) for a font without outlines.
    bool Setup(TKestCanvas& canvas, double heightPixels, bool roundLines);
    bool Valid() const { return valid_; }

    int32_t EmSquare() const { return emSquare_; }
    // Pixels per design unit.
    double ScaleFactor() const { return scaleFactor_; }
    int32_t LineHeight() const { return lineHeight_; }
    int32_t LineStep() const { return lineStep_; }
    int32_t CharWidth(char32_t code);
    TABC CharABC(char32_t code);
    // Widths of the last measured run.
    int64_t RunWidth() const { return runWidth_; }
    int64_t RunHeight() const { return runHeight_; }
    int32_t RunFirstA() const { return runFirstA_; }
    int32_t RunLastC() const { return runLastC_; }

    // Index after the word (characters above the blank) starting at pos.
    static size_t SkipWord(std::u32string_view text, size_t pos);
    // Index after the blanks at pos and after one line break (CR, LF, CR LF or
    // LF CR) following them; lineBreak tells whether one was passed.
    static size_t SkipBlanks(std::u32string_view text, size_t pos, bool& lineBreak);
    // Width of text[first, last): the advances of the characters from the
    // blank up, tabs jumping to the next stop counted from first, plus the C
    // width of the last character.
    int64_t MeasureRun(std::u32string_view text, size_t first, size_t last);
    // The line starting at pos; pos moves to the next line's start. Without
    // word wrap a line runs to the next line break; with it words are added
    // while the line fits maxWidth, a line is cut at a blank or after a
    // hyphen, and a word wider than maxWidth keeps a line of its own. False
    // when the text has no more lines (an empty text has one empty line).
    bool NextLine(std::u32string_view text, size_t& pos, int64_t maxWidth, bool wordWrap, TTextLine& line);
    std::vector<TTextLine> Lines(std::u32string_view text, int64_t maxWidth, bool wordWrap);
    TTextExtent MeasureText(std::u32string_view text, int64_t maxWidth, bool wordWrap);
    // Design units to pixels at the current scale, rounded.
    int32_t ToPixels(int64_t units) const;
    // Pixels to design units, rounded; 0 before Setup.
    int64_t ToUnits(double pixels) const;
    void SplitWords(std::u32string_view text, size_t first, size_t last, TTextWordInfoArray& words);

    // Draws text[first, last) with its left edge at x and its cell top at y
    // (pixels, in the painter's current coordinates); the characters stand
    // at the rounded scaled positions of their design-unit offsets.
    void DrawRun(TKestCanvas& canvas, double x, double y, std::u32string_view text, size_t first, size_t last);
    // Paints the text into rect (pixels) in the canvas' font colour. A
    // non-zero angle (degrees, counter-clockwise) turns the text block about
    // the rectangle's centre; the block is the largest that fits turned.
    // With justify every line but the last is spread over the full width.
    void PaintText(TKestCanvas& canvas, const TKestRect& rect, std::string_view text, int32_t angle, bool justify,
        TTextLayout layout, TTextAlignment alignment, bool wordWrap);

private:
    void DrawLine(TKestCanvas& canvas, double x, double y, std::u32string_view text, const TTextLine& line,
        int64_t maxWidth, bool justify, TTextAlignment alignment);
    void DrawGlyphs(TKestCanvas& canvas, double x, double y, std::u32string_view text, size_t first,
        const std::vector<int64_t>& offsets);

    TKestFont font_; // the face the metrics were read for (height, escapement and colour left out)
    bool valid_ = false;
    std::array<int32_t, 256> widths_ {};
    std::array<TABC, 256> abc_ {};
    int32_t emSquare_ = 0;
    double scaleFactor_ = 0;
    int32_t lineHeight_ = 0, lineStep_ = 0;
    int32_t cellHeight_ = 0, cellStep_ = 0, ascent_ = 0, tabStop_ = 1;
    TKestCanvas measure_; // the font at the em size: its pixels are design units
    QRawFont drawFont_;
    double drawPixels_ = 0;
    int64_t runWidth_ = 0;
    int64_t runHeight_ = 0;
    int32_t runFirstA_ = 0, runLastC_ = 0;
};

} // namespace kest
