#include "KestControlsText.h"

#include <QGuiApplication>
#include <algorithm>
#include <cmath>

namespace kest {

namespace {

// Pixels measured at a scale, as document units at 100 %.
constexpr int32_t MeasureScale = 100;

int32_t NormalizeAngle(int64_t angle)
{
    return int32_t(((angle % 360) + 360) % 360);
}

// Turned text is drawn as one run: line breaks become blanks.
std::string SingleLine(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

TKestRect SizeInUnits(int64_t width, int64_t height)
{
    auto clamp = [](int64_t v) { return int32_t(std::clamp<int64_t>(v * PixelScale, 0, INT32_MAX)); };
    return {0, 0, clamp(width), clamp(height)};
}

// Runs the guarded step with the flag set, restoring it even on exceptions.
struct TGuard {
    bool& flag;
    bool saved;
    explicit TGuard(bool& f)
        : flag(f)
        , saved(f)
    {
        flag = true;
    }
    ~TGuard() { flag = saved; }
};

} // namespace

KEST_CONTROL_CLASS_IMPL(TKestText, TKestBox)

int TKestText::CreationCursor()
{
    return 10;
}

void TKestText::CreateProperties()
{
    TKestBox::CreateProperties();
    Pen()->SetDefaultStyle(psClear);
    autoSizeProp_ = Props().Add<TBoolProp>("AutoSize");
    textProp_ = Props().Add<TStrListProp>("Text");
    fontProp_ = Props().Add<TFontProp>("Font");
    wordWrapProp_ = Props().Add<TBoolProp>("WordWrap");
    grayedProp_ = Props().Add<TBoolProp>("Grayed");
    angleProp_ = Props().Add<TIntProp>("Angle");
    static const auto kAlignmentNames
        = std::make_shared<const TStrings>(TStrings {"LeftJustify", "RightJustify", "Center"});
    alignmentProp_ = Props().Add<TEnumProp>("Alignment", kAlignmentNames);
    static const auto kLayoutNames = std::make_shared<const TStrings>(TStrings {"Top", "Center", "Bottom"});
    layoutProp_ = Props().Add<TEnumProp>("Layout", kLayoutNames);
    preciseProp_ = Props().Add<TBoolProp>("Precise");
    preciseJustifyProp_ = Props().Add<TBoolProp>("PreciseJustify");
    autoScaleFontSizeProp_ = Props().Add<TBoolProp>("AutoScaleFontSize");
    autoScaleFontSizeProp_->SetStyle(autoScaleFontSizeProp_->Style() | psScaled);
    maxFontSizeProp_ = Props().Add<TIntProp>("MaxFontSize");
}

void TKestText::ControlCreate()
{
    TKestBox::ControlCreate();
    SetText(Name());
    Pen()->SetStyle(psClear);
}

TTextAlignment TKestText::Alignment() const
{
    int32_t value = alignmentProp_->Value();
    return value >= taLeftJustify && value <= taCenter ? TTextAlignment(value) : taLeftJustify;
}

TTextLayout TKestText::Layout() const
{
    int32_t value = layoutProp_->Value();
    return value >= tlTop && value <= tlBottom ? TTextLayout(value) : tlTop;
}

void TKestText::ControlTranslate(const TTranslateInfo& info)
{
    SetAngle(NormalizeAngle(int64_t(Angle()) + info.Rotate));
    TKestBox::ControlTranslate(info);
}

void TKestText::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestBox::PropStored(sender, prop, subName, stored);
    if (!subName.empty())
        return;
    if (prop == textProp_)
        stored = textProp_->Count() > 0 && !Text().empty();
    else if (prop == angleProp_ || prop == maxFontSizeProp_)
        stored = static_cast<TIntProp*>(prop)->Value() != 0;
    else if (prop == autoSizeProp_ || prop == wordWrapProp_ || prop == grayedProp_ || prop == alignmentProp_
        || prop == layoutProp_ || prop == preciseProp_ || prop == preciseJustifyProp_ || prop == autoScaleFontSizeProp_)
        stored = static_cast<TEnumProp*>(prop)->Value() != 0;
}

void TKestText::PropChanged(TPropList* sender, TCustomProp* prop)
{
    TKestBox::PropChanged(sender, prop);
    if (changingSelf_ || HasState(csDestroying))
        return;
    overhangScale_ = 0;
    if (prop == autoScaleFontSizeProp_ ? AutoScaleFontSize()
                                       : prop == FontGoverningProp() && (AutoScaleFontSize() || ShiftResizing()))
        ScaleFontToBox();
    if (prop != LeftProp() && prop != TopProp())
        UpdateAutoSize();
}

TIntProp* TKestText::FontGoverningProp() const
{
    switch (NormalizeAngle(Angle())) {
    case 0:
    case 180:
        return HeightProp();
    case 90:
    case 270:
        return WidthProp();
    default:
        return nullptr;
    }
}

bool TKestText::ShiftResizing() const
{
    return HasState(csResizing) && Owner() && Owner()->EditMode()
        && (QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
}

void TKestText::ScaleFontToBox()
{
    TIntProp* governing = FontGoverningProp();
    if (!governing)
        return;
    int32_t height = governing->Value();
    if (MaxFontSize() > 0 && MaxFontSize() < height)
        height = MaxFontSize();
    TGuard guard(changingSelf_);
    fontProp_->SetHeight(height);
}

int32_t TKestText::PenWidth() const
{
    return Pen()->ActiveWidth();
}

void TKestText::UpdateSizeStyles()
{
    bool fixed = AutoSize() && Angle() == 0;
    auto apply = [](TIntProp* prop, bool readOnly) {
        prop->SetStyle(readOnly ? prop->Style() | psReadOnly : prop->Style() & ~psReadOnly);
    };
    apply(WidthProp(), fixed && !WordWrap());
    apply(HeightProp(), fixed && !AutoScaleFontSize());
}

void TKestText::UpdateAutoSize()
{
    TGuard guard(changingSelf_);
    // The text's own size changes must pass the read-only bits it sets.
    WidthProp()->SetStyle(WidthProp()->Style() & ~psReadOnly);
    HeightProp()->SetStyle(HeightProp()->Style() & ~psReadOnly);
    if (AutoSize() && Angle() == 0) {
        int32_t pen = PenWidth();
        TKestCanvas measure;
        int32_t available = std::max(0, (Width() - 2 * pen) / PixelScale);
        TKestRect size = PaintText(measure, {0, 0, available, 0}, true, MeasureScale);
        if (RectWidth(size) > 0 || RectHeight(size) > 0) {
            SetHeight(std::max(1, RectHeight(size) + 2 * pen));
            if (!WordWrap() && !(Owner() && Owner()->Loading()))
                SetWidth(std::max(1, RectWidth(size) + 2 * pen));
        }
    }
    UpdateSizeStyles();
}

std::optional<TKestRegion> TKestText::ClipToText(TKestCanvas& canvas, const TKestRect& rect, int32_t scale)
{
    if (Roundness() == 0)
        return IntersectClipRgn(canvas, TKestRegion(rect));
    int32_t corner = ScaleValue(Roundness() - PenWidth() * 3 / 2, scale);
    return IntersectClipRgn(canvas, TKestRegion::RoundRect(rect, corner, corner));
}

TKestRect TKestText::PaintText(TKestCanvas& canvas, const TKestRect& rect, bool calculateOnly, int32_t scale)
{
    return Precise() ? PaintPreciseText(canvas, rect, calculateOnly, scale)
                     : PaintPlatformText(canvas, rect, calculateOnly, scale);
}

TKestRect TKestText::PaintPlatformText(TKestCanvas& canvas, const TKestRect& rect, bool calculateOnly, int32_t scale)
{
    fontProp_->Setup(&canvas, scale);
    TKestFont font = canvas.Font();
    const std::string text = Text();
    const int32_t angle = NormalizeAngle(Angle());
    const bool trueType = canvas.GetTextMetrics().tmPitchAndFamily & TMPF_TRUETYPE;
    static constexpr uint32_t alignFlags[] = {DT_LEFT, DT_RIGHT, DT_CENTER};
    const uint32_t flags
        = alignFlags[Alignment()] | DT_EXPANDTABS | DT_NOPREFIX | (WordWrap() ? DT_WORDBREAK : uint32_t(0));
    if (calculateOnly) {
        if (font.Height == 0)
            return {};
        TKestRect measured = rect;
        canvas.DrawText(text, measured, flags | DT_CALCRECT);
        int32_t grow = Grayed() ? 1 : 0;
        return SizeInUnits(int64_t(RectWidth(measured)) + grow, int64_t(RectHeight(measured)) + grow);
    }
    canvas.SetBkMode(TRANSPARENT);
    // Greyed text is embossed: a light copy one pixel down and right under a shaded one.
    auto paint = [&](auto&& draw) {
        if (Grayed()) {
            font.Color = clBtnHighlight;
            canvas.SetFont(font);
            draw(1);
            font.Color = clBtnShadow;
            canvas.SetFont(font);
        }
        draw(0);
    };
    if (angle == 0 || !trueType) {
        TKestRect r = rect;
        if (Layout() != tlTop) {
            TKestRect measured = rect;
            canvas.DrawText(text, measured, flags | DT_CALCRECT);
            int32_t free = RectHeight(rect) - RectHeight(measured);
            r.Top += Layout() == tlBottom ? free : free / 2;
        }
        paint([&](int32_t d) {
            TKestRect shifted = RectOffset(r, d, d);
            canvas.DrawText(text, shifted, flags);
        });
        return {};
    }
    const double alpha = angle * std::acos(-1.0) / 180;
    const int32_t w = RectWidth(rect), h = RectHeight(rect);
    TKestPoint start;
    if (angle < 90)
        start = {rect.Left, rect.Top + int32_t(std::lround(h * std::sin(alpha)))};
    else if (angle < 180)
        start = {rect.Left + int32_t(std::lround(w * -std::cos(alpha))), rect.Bottom};
    else if (angle < 270)
        start = {rect.Right, rect.Bottom - int32_t(std::lround(h * -std::sin(alpha)))};
    else
        start = {rect.Right - int32_t(std::lround(w * std::cos(alpha))), rect.Top};
    font.Escapement = angle * 10;
    canvas.SetFont(font);
    const std::string run = SingleLine(text);
    auto saved = ClipToText(canvas, rect, scale);
    canvas.SetTextAlign(TA_LEFT | TA_TOP);
    paint([&](int32_t d) { canvas.TextOut(start.X + d, start.Y + d, run); });
    canvas.SelectClipRgn(saved);
    return {};
}

TKestRect TKestText::PaintPreciseText(TKestCanvas& canvas, const TKestRect& rect, bool calculateOnly, int32_t scale)
{
    fontProp_->Setup(&canvas, scale);
    TKestFont font = canvas.Font();
    if (!formator_)
        formator_ = std::make_unique<TTextFormator>();
    const double height = double(fontProp_->Height()) * scale / (100.0 * PixelScale);
    if (!formator_->Setup(canvas, height, calculateOnly))
        return {};
    if (calculateOnly) {
        if (formator_->ScaleFactor() <= 0)
            return {};
        TTextExtent extent
            = formator_->MeasureText(TextCodePoints(Text()), formator_->ToUnits(RectWidth(rect)), WordWrap());
        int32_t grow = Grayed() ? 1 : 0;
        return SizeInUnits(
            int64_t(formator_->ToPixels(extent.Width)) + grow, int64_t(formator_->ToPixels(extent.Height)) + grow);
    }
    const int32_t angle = NormalizeAngle(Angle());
    std::optional<std::optional<TKestRegion>> saved;
    if (angle != 0)
        saved = ClipToText(canvas, rect, scale);
    auto draw = [&](TColor color, int32_t d) {
        font.Color = color;
        canvas.SetFont(font);
        formator_->PaintText(
            canvas, RectOffset(rect, d, d), Text(), angle, PreciseJustify(), Layout(), Alignment(), WordWrap());
    };
    if (Grayed()) {
        draw(clBtnHighlight, 1);
        draw(clBtnShadow, 0);
    } else {
        draw(font.Color, 0);
    }
    if (saved)
        canvas.SelectClipRgn(*saved);
    return {};
}

void TKestText::Paint(TKestCanvas& canvas, const TKestRect& paintRect)
{
    TKestBox::Paint(canvas, paintRect);
    const int32_t scale = ShapeScale(*this);
    const TPenInfo pen = Pen()->GetPenInfo(scale);
    const int32_t inset = pen.Style == psClear ? 0 : std::max(1, pen.Width);
    TKestRect r = RectInflated(paintRect, -inset, -inset);
    if (inset == 0 && Roundness() == 0) {
        --r.Right;
        --r.Bottom;
    }
    PaintText(canvas, r, false, scale);
}

TKestRect TKestText::OverhangRect(int32_t scale)
{
    if (overhangScale_ == scale)
        return overhangRect_;
    TKestCanvas measure;
    fontProp_->Setup(&measure, scale);
    TKestRect natural {0, 0, 0, 0};
    measure.DrawText(Text(), natural, DT_EXPANDTABS | DT_NOPREFIX | DT_CALCRECT);
    auto toUnits = [scale](int32_t pixels) { return pixels > 0 ? UnscaleValue(pixels, scale) + PixelScale : 0; };
    int32_t minA = 0, minC = 0;
    std::array<TABC, 256> abc;
    if (measure.GetCharABCWidths(0, 255, abc))
        for (const TABC& widths : abc) {
            minA = std::min(minA, widths.abcA);
            minC = std::min(minC, widths.abcC);
        }
    overhangRect_ = {UnscaleValue(minA, scale), 0, toUnits(RectWidth(natural)) - UnscaleValue(minC, scale),
        toUnits(RectHeight(natural))};
    overhangScale_ = scale;
    return overhangRect_;
}

TKestRect TKestText::GetRefreshRect(int32_t paintX, int32_t paintY)
{
    TKestRect r = TKestBox::GetRefreshRect(paintX, paintY);
    const bool printing = Owner() && Owner()->Painting() && Owner()->PlainOutput();
    if (!AutoSize() || NormalizeAngle(Angle()) != 0 || Precise() || printing)
        return r;
    TKestRect overhang = RectOffset(OverhangRect(ShapeScale(*this)), paintX, paintY);
    return {std::min(r.Left, overhang.Left), std::min(r.Top, overhang.Top), std::max(r.Right, overhang.Right),
        std::max(r.Bottom, overhang.Bottom)};
}

} // namespace kest
