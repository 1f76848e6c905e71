#include "KestGraphicPropsFont.h"

#include <QApplication>
#include <QFontDialog>
#include <algorithm>

#include "KestGraphicPropsCommon.h"
#include "KestPropsPublished.h"

namespace kest {

namespace {

// -MulDiv(a, b, c) without overflowing at the end of the range.
int32_t NegatedMulDiv(int32_t a, int32_t b, int32_t c)
{
    return int32_t(std::clamp<int64_t>(-int64_t(MulDiv(a, b, c)), INT32_MIN, INT32_MAX));
}

QFont ToQFont(const TKestFont& font, int32_t size)
{
    QFont result(QString::fromStdString(font.Name));
    result.setPointSizeF(size / 1000.0);
    result.setBold(font.Style & fsBold);
    result.setItalic(font.Style & fsItalic);
    result.setUnderline(font.Style & fsUnderline);
    result.setStrikeOut(font.Style & fsStrikeOut);
    result.setFixedPitch(font.Pitch == fpFixed);
    return result;
}

} // namespace

KEST_CLASS_IMPL(TFontProp, TCustomProp)

TFontProp::TFontProp()
    : height_(font_.Height * PixelScale)
{
    SetPropType(ptComplex);
}

const TSubPropTable* TFontProp::SubProps() const
{
    using F = TFontProp;
    static const TSubPropTable table
        = TSubPropTableBuilder<F>()
              .Integer("PixelsPerInch", &F::PixelsPerInch, &F::SetPixelsPerInch)
              .Stored([](const F&) { return false; })
              .Integer("Charset", &F::Charset, &F::SetCharset)
              .Default(1)
              .Integer("Color", &F::Color, &F::SetColor)
              .Default(clBlack)
              .Integer("Height", &F::Height, &F::SetHeight)
              .Stored([](const F&) { return false; })
              .Text("Name", &F::Name, &F::SetName)
              .Enumeration("Pitch", {"fpDefault", "fpVariable", "fpFixed"}, &F::Pitch, &F::SetPitch)
              .Default(fpDefault)
              .Integer("Size", &F::Size, &F::SetSize)
              .Set("Style", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, &F::Style, &F::SetStyle)
              .Default(0);
    return &table;
}

void TFontProp::SetPixelsPerInch(int32_t value)
{
    if (value >= 1)
        ChangePropField(*this, pixelsPerInch_, value);
}

void TFontProp::SetCharset(int32_t value)
{
    if (value >= 0 && value <= 255)
        ChangePropField(*this, font_.Charset, uint8_t(value));
}

void TFontProp::SetColor(TColor value)
{
    ChangePropField(*this, font_.Color, value);
}

void TFontProp::SetHeight(int32_t value)
{
    if (value == height_ || IsReadOnly())
        return;
    DoBeforeChanged();
    height_ = value;
    font_.Height = value / PixelScale;
    DoChanged();
}

void TFontProp::SetName(const std::string& value)
{
    if (!value.empty())
        ChangePropField(*this, font_.Name, value);
}

void TFontProp::SetPitch(TFontPitch value)
{
    ChangePropField(*this, font_.Pitch, value);
}

int32_t TFontProp::Size() const
{
    return NegatedMulDiv(height_, 72, pixelsPerInch_);
}

void TFontProp::SetSize(int32_t value)
{
    SetHeight(NegatedMulDiv(value, pixelsPerInch_, 72));
}

void TFontProp::SetStyle(TFontStyles value)
{
    ChangePropField(*this, font_.Style, TFontStyles(value & (fsBold | fsItalic | fsUnderline | fsStrikeOut)));
}

void TFontProp::Setup(TKestCanvas* canvas, int32_t scale)
{
    if (!canvas)
        return;
    TKestFont font = font_;
    font.Height = MulDiv(height_, scale, 100000);
    // A height that rounds to 0 would ask for the default size instead of a
    // tiny one.
    if (font.Height == 0 && height_ != 0)
        font.Height = height_ < 0 ? -1 : 1;
    canvas->SetFont(font);
}

bool TFontProp::Edit()
{
    if (HasStyle(psEditForm) && EditFormClass())
        return TCustomProp::Edit();
    // A modal dialog on a platform without a screen would wait for ever.
    const QString platform = QGuiApplication::platformName();
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) || platform == "offscreen" || platform == "minimal")
        return false;
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, ToQFont(font_, Size()));
    if (!ok || IsReadOnly())
        return false;
    DoBeforeChanged();
    font_.Name = chosen.family().toStdString();
    font_.Style = (chosen.bold() ? fsBold : 0) | (chosen.italic() ? fsItalic : 0)
        | (chosen.underline() ? fsUnderline : 0) | (chosen.strikeOut() ? fsStrikeOut : 0);
    font_.Pitch = chosen.fixedPitch() ? fpFixed : fpDefault;
    height_ = int32_t(-chosen.pointSizeF() * ScreenPixelsPerInch * PixelScale / 72);
    font_.Height = height_ / PixelScale;
    DoChanged();
    return true;
}

} // namespace kest
