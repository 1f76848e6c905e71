#include "PlanMarks.h"

#include <QPainterPath>
#include <QPolygon>

#include "KestBasePanel.h"
#include "KestControls.h"
#include "KestGraphicProps.h"

namespace doravo {

using kest::TColor;
using kest::TKestControl;

namespace {

struct TColorPair {
    TColor Normal, Highlighted;
};

const TColorPair SwapTable[6][3] = {
    {},
    {{0x808080, 0x008000}, {0xC0C0C0, 0x00FF00}, {0x000000, 0x000000}},
    {{0x800000, 0xFF0000}, {0xFFFFFF, 0xF0FFC0}, {0x000000, 0x800000}},
    {{0x800000, 0x00FFFF}, {0xFFFFFF, 0xC0FFFF}, {0x000000, 0x008080}},
    {},
    {{0x000000, 0x0000FF}, {0xFFFFFF, 0xFFFFFF}, {0xFFFFFF, 0xFFFFFF}},
};

// Zones: only colours with full green take part; full red is the
// highlighted form, red equal to blue the normal one.
TColor ZoneColor(TColor color, bool on)
{
    const int r = color & 0xFF, g = (color >> 8) & 0xFF, b = (color >> 16) & 0xFF;
    if (g != 255)
        return color;
    if (r == 255)
        return on ? color : TColor(b | 0xFF00 | (b << 16));
    if (r == b)
        return on ? TColor(0xFF | 0xFF00 | (b << 16)) : color;
    return color;
}

template <class T> T* PropOf(TKestControl* control, const char* name)
{
    return dynamic_cast<T*>(control->Props().PropByName(name));
}

} // namespace

TColor HighlightColor(int kind, TColor color, bool on)
{
    const TColor rgb = kest::ColorToRGB(color);
    // Special values such as "none" are no colours and never swap.
    if (rgb > 0xFFFFFF)
        return color;
    if (kind == hkZone)
        return ZoneColor(rgb, on);
    if (kind < hkBuilding || kind > hkCredits)
        return color;
    for (const TColorPair& pair : SwapTable[kind])
        if (rgb == (on ? pair.Normal : pair.Highlighted))
            return on ? pair.Highlighted : pair.Normal;
    return color;
}

void HighlightControl(TKestControl* control, int kind, bool on)
{
    if (!control)
        return;
    control->ForEach([kind, on](TKestControl* c) {
        if (auto* brush = PropOf<kest::TBrushProp>(c, "Brush")) {
            if (brush->Method() == kest::bmHatch)
                brush->SetColor(HighlightColor(kind, brush->Color(), on));
            else if (brush->Method() == kest::bmGradient) {
                brush->SetGradBeginColor(HighlightColor(kind, brush->GradBeginColor(), on));
                brush->SetGradEndColor(HighlightColor(kind, brush->GradEndColor(), on));
            }
        }
        if (auto* pen = PropOf<kest::TPenProp>(c, "Pen"))
            pen->SetColor(HighlightColor(kind, pen->Color(), on));
        if (auto* font = PropOf<kest::TFontProp>(c, "Font")) {
            font->SetColor(HighlightColor(kind, font->Color(), on));
            if (kind == hkCredits) {
                const auto style = on ? font->Style() | kest::fsUnderline : font->Style() & ~kest::fsUnderline;
                font->SetStyle(kest::TFontStyles(style));
            }
        }
        return true;
    });
}

QImage SelectionBrushBitmap()
{
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::white);
    for (int y = 0; y < 8; ++y)
        for (int k = 0; k < 4; ++k)
            image.setPixelColor((8 - y + k) % 8, y, kest::ColorToQColor(0x800000));
    return image;
}

QRegion SelectionRegion(const kest::TKestPanel& panel, TKestControl* control)
{
    if (!control)
        return {};
    if (control->IsContainerGroup()) {
        QRegion region;
        for (int i = 0; i < control->Count(); ++i)
            region += SelectionRegion(panel, control->Controls(i));
        return region;
    }
    const kest::TKestRect r = panel.TransformRect(control->DocRect());
    const QRect rect(QPoint(r.Left, r.Top), QPoint(r.Right - 1, r.Bottom - 1));
    // An ellipse's points are the ends of its arc, not an outline.
    if (dynamic_cast<kest::TKestEllipse*>(control))
        return QRegion(rect, QRegion::Ellipse);
    if (control->PointCount() >= 1) {
        // Points are relative to the control's own top-left.
        const kest::TKestRect doc = control->DocRect();
        QPolygon polygon;
        for (int i = 0; i < control->PointCount(); ++i) {
            const kest::TKestPoint p = control->Point(i);
            const kest::TKestPoint s = panel.TransformPoint({doc.Left + p.X, doc.Top + p.Y});
            polygon << QPoint(s.X, s.Y);
        }
        return QRegion(polygon, Qt::OddEvenFill);
    }
    if (auto* box = dynamic_cast<kest::TKestBox*>(control); box && box->Roundness() >= 1) {
        const double radius = kest::ScaleValue(box->Roundness(), panel.Scale()) / 2.0;
        QPainterPath path;
        path.addRoundedRect(QRectF(rect.adjusted(0, 0, 1, 1)), radius, radius);
        return QRegion(path.toFillPolygon().toPolygon());
    }
    return QRegion(rect);
}

QRegion FrameOf(const QRegion& region, int frameWidth)
{
    const int w = std::max(frameWidth, 1);
    const QRegion inner = region & region.translated(w, 0) & region.translated(-w, 0) & region.translated(0, w)
        & region.translated(0, -w);
    return region - inner;
}

} // namespace doravo
