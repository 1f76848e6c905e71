#include "MainGlyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

namespace doravo {

namespace {

constexpr int GlyphSize = 32;

QImage Blank()
{
    QImage image(GlyphSize, GlyphSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

void Begin(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
}

} // namespace

QImage GlyphControl()
{
    QImage image = Blank();
    QPainter p(&image);
    Begin(p);
    // A console: a screen with list rows above a desk.
    p.setPen(QPen(QColor(40, 40, 60), 1.5));
    p.setBrush(QColor(210, 225, 245));
    p.drawRoundedRect(QRectF(4, 3, 24, 19), 2, 2);
    p.setPen(QPen(QColor(30, 90, 160), 2));
    for (int row = 0; row < 3; ++row)
        p.drawLine(QPointF(8, 8 + row * 5), QPointF(24 - row * 3, 8 + row * 5));
    p.setPen(QPen(QColor(40, 40, 60), 1.5));
    p.setBrush(QColor(120, 120, 130));
    p.drawRect(QRectF(13, 22, 6, 3));
    p.drawRoundedRect(QRectF(6, 25, 20, 4), 1, 1);
    return image;
}

QImage GlyphZoom(bool in)
{
    QImage image = Blank();
    QPainter p(&image);
    Begin(p);
    p.setPen(QPen(QColor(90, 60, 30), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 20), QPointF(28, 28));
    p.setPen(QPen(QColor(40, 40, 60), 2));
    p.setBrush(QColor(225, 240, 255));
    p.drawEllipse(QPointF(13, 13), 10, 10);
    p.setPen(QPen(QColor(20, 110, 40), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 13), QPointF(18, 13));
    if (in)
        p.drawLine(QPointF(13, 8), QPointF(13, 18));
    return image;
}

QImage GlyphOptions()
{
    QImage image = Blank();
    QPainter p(&image);
    Begin(p);
    // A cog: teeth around a ring.
    QPainterPath cog;
    const QPointF c(16, 16);
    for (int i = 0; i < 16; ++i) {
        const double a = i * M_PI / 8;
        const double r = i % 2 ? 10 : 14;
        const QPointF point(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
        i ? cog.lineTo(point) : cog.moveTo(point);
    }
    cog.closeSubpath();
    cog.addEllipse(c, 4.5, 4.5);
    p.setPen(QPen(QColor(50, 50, 60), 1.2));
    p.setBrush(QColor(150, 160, 175));
    p.drawPath(cog);
    return image;
}

QImage GlyphAbout()
{
    QImage image = Blank();
    QPainter p(&image);
    Begin(p);
    p.setPen(QPen(QColor(20, 50, 120), 1.5));
    p.setBrush(QColor(60, 110, 200));
    p.drawEllipse(QPointF(16, 16), 13, 13);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(16, 9.5), 2.2, 2.2);
    p.drawRoundedRect(QRectF(14, 13.5, 4, 11), 1.5, 1.5);
    return image;
}

QImage GlyphExit()
{
    QImage image = Blank();
    QPainter p(&image);
    Begin(p);
    // An open door with an arrow leaving through it.
    p.setPen(QPen(QColor(60, 40, 20), 1.5));
    p.setBrush(QColor(190, 140, 80));
    p.drawRect(QRectF(5, 3, 14, 26));
    p.setBrush(QColor(120, 80, 40));
    p.drawPolygon(QPolygonF({QPointF(5, 3), QPointF(13, 6), QPointF(13, 31), QPointF(5, 29)}));
    p.setPen(QPen(QColor(200, 30, 30), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawLine(QPointF(17, 16), QPointF(29, 16));
    p.drawPolyline(QPolygonF({QPointF(24, 11), QPointF(29, 16), QPointF(24, 21)}));
    return image;
}

} // namespace doravo
