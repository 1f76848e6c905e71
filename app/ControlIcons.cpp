#include "ControlIcons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <functional>

namespace doravo {

namespace {

const QColor Skin(0xF3, 0xC9, 0x9B);
const QColor SkinLine(0x9A, 0x64, 0x3C);
const QColor Wood(0xC8, 0x86, 0x46);
const QColor WoodDark(0x6E, 0x41, 0x1C);
const QColor WallLine(0x45, 0x4B, 0x55);

QPixmap Paint(int width, int height, const std::function<void(QPainter&)>& draw)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    return QPixmap::fromImage(image);
}

// A head-and-shoulders figure filling box.
void DrawPerson(QPainter& p, const QRectF& box, const QColor& shirt, const QColor& shirtLine)
{
    const double w = box.width(), h = box.height();
    const double r = h * 0.2;
    QPainterPath body;
    const double shoulders = box.top() + 2 * r + h * 0.1;
    body.moveTo(box.left() + w * 0.06, box.bottom());
    body.lineTo(box.left() + w * 0.06, shoulders + h * 0.2);
    body.cubicTo(box.left() + w * 0.06, shoulders, box.left() + w * 0.3, shoulders - h * 0.02, box.center().x(),
        shoulders - h * 0.02);
    body.cubicTo(box.right() - w * 0.3, shoulders - h * 0.02, box.right() - w * 0.06, shoulders, box.right() - w * 0.06,
        shoulders + h * 0.2);
    body.lineTo(box.right() - w * 0.06, box.bottom());
    body.closeSubpath();
    p.setPen(QPen(shirtLine, 1));
    p.setBrush(shirt);
    p.drawPath(body);
    p.setPen(QPen(SkinLine, 1));
    p.setBrush(Skin);
    p.drawEllipse(QPointF(box.center().x(), box.top() + r + 0.5), r, r);
}

// A door frame with its leaf closed, in the left part of the image.
void DrawDoor(QPainter& p)
{
    p.setPen(QPen(WoodDark, 1));
    p.setBrush(Wood);
    p.drawRect(QRectF(2.5, 0.5, 9, 14));
    p.setPen(QPen(WoodDark.lighter(130), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(4.5, 2.5, 5, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xF5, 0xD2, 0x4A));
    p.drawEllipse(QPointF(10, 8), 1, 1);
}

// A bold arrow along y = 10.5, pointing right or left.
void DrawArrow(QPainter& p, bool right, const QColor& fill, const QColor& line)
{
    QPolygonF arrow;
    const double tip = right ? 15.5 : 0.5, back = right ? 5.5 : 10.5, neck = right ? 11.5 : 4.5;
    arrow << QPointF(back, 9) << QPointF(neck, 9) << QPointF(neck, 6.5) << QPointF(tip, 10.5) << QPointF(neck, 14.5)
          << QPointF(neck, 12) << QPointF(back, 12);
    p.setPen(QPen(line, 1));
    p.setBrush(fill);
    p.drawPolygon(arrow);
}

void DrawPersonnelPage(QPainter& p)
{
    DrawPerson(p, QRectF(5.5, 0.5, 10, 13), QColor(0x8A, 0xA8, 0x7C), QColor(0x4A, 0x62, 0x40));
    DrawPerson(p, QRectF(0.5, 3.5, 11, 11), QColor(0x3D, 0x73, 0xC9), QColor(0x1E, 0x3D, 0x7A));
}

void DrawPassesPage(QPainter& p)
{
    // An open door: the dark doorway with the leaf swung toward the viewer.
    p.setPen(QPen(WoodDark, 1));
    p.setBrush(QColor(0x3A, 0x2C, 0x22));
    p.drawRect(QRectF(4.5, 0.5, 9, 14));
    QPolygonF leaf;
    leaf << QPointF(4.5, 0.5) << QPointF(1.0, 2.5) << QPointF(1.0, 14.5) << QPointF(4.5, 14.5);
    p.setBrush(Wood);
    p.drawPolygon(leaf);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xE0, 0x80, 0xA0));
    p.drawRect(QRectF(5, 11, 8.5, 3.5));
}

void DrawZonesPage(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE6, 0xEE, 0xF8));
    p.drawRect(QRectF(1, 2, 14, 12));
    p.setBrush(QColor(0xB9, 0xDB, 0xA6));
    p.drawRect(QRectF(1, 2, 7, 6));
    p.setBrush(QColor(0xF5, 0xD6, 0x9B));
    p.drawRect(QRectF(8, 8, 7, 6));
    QPen wall(WallLine, 1.5);
    wall.setCapStyle(Qt::FlatCap);
    p.setPen(wall);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(1, 2, 14, 12));
    p.drawLine(QPointF(8, 2), QPointF(8, 5));
    p.drawLine(QPointF(1, 8), QPointF(4, 8));
    p.drawLine(QPointF(6.5, 8), QPointF(15, 8));
    p.drawLine(QPointF(8, 10.5), QPointF(8, 14));
}

void DrawEventsPage(QPainter& p)
{
    QPolygonF sheet;
    sheet << QPointF(2.5, 0.5) << QPointF(10.5, 0.5) << QPointF(13.5, 3.5) << QPointF(13.5, 14.5) << QPointF(2.5, 14.5);
    p.setPen(QPen(QColor(0x6B, 0x74, 0x80), 1));
    p.setBrush(Qt::white);
    p.drawPolygon(sheet);
    p.setBrush(QColor(0xD8, 0xDD, 0xE4));
    p.drawPolygon(QPolygonF({QPointF(10.5, 0.5), QPointF(10.5, 3.5), QPointF(13.5, 3.5)}));
    p.setPen(QPen(QColor(0x3D, 0x73, 0xC9), 1));
    for (double y : {5.5, 7.5, 9.5})
        p.drawLine(QPointF(4.5, y), QPointF(11.5, y));
    p.setPen(QPen(QColor(0xD0, 0x40, 0x30), 1));
    p.drawLine(QPointF(4.5, 11.5), QPointF(8.5, 11.5));
}

void DrawZone(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x8F, 0xD3, 0xC4));
    p.drawRect(QRectF(1.5, 1.5, 13, 12));
    // Floor tiles, so the room reads as an area rather than a button.
    p.setPen(QPen(QColor(0x6B, 0xB8, 0xA8), 1));
    p.drawLine(QPointF(1.5, 7.5), QPointF(14.5, 7.5));
    p.drawLine(QPointF(8, 1.5), QPointF(8, 13.5));
    QPen wall(QColor(0x22, 0x6B, 0x5E), 2);
    wall.setJoinStyle(Qt::MiterJoin);
    p.setPen(wall);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(
        QPolygonF({QPointF(5, 14), QPointF(1, 14), QPointF(1, 1), QPointF(15, 1), QPointF(15, 14), QPointF(11, 14)}));
}

void DrawEvent(QPainter& p)
{
    QPolygonF bolt;
    bolt << QPointF(9.5, 0.5) << QPointF(3.0, 8.5) << QPointF(7.5, 8.5) << QPointF(5.5, 14.5) << QPointF(13.0, 5.5)
         << QPointF(8.5, 5.5) << QPointF(11.5, 0.5);
    p.setPen(QPen(QColor(0xA8, 0x66, 0x00), 1));
    p.setBrush(QColor(0xFF, 0xC4, 0x1E));
    p.drawPolygon(bolt);
}

QPixmap MakeImage(int index)
{
    return Paint(ControlImageSize, ControlImageSize, [index](QPainter& p) {
        switch (index) {
        case ciPersonnelPage:
            DrawPersonnelPage(p);
            break;
        case ciPassesPage:
            DrawPassesPage(p);
            break;
        case ciZonesPage:
            DrawZonesPage(p);
            break;
        case ciEventsPage:
            DrawEventsPage(p);
            break;
        case ciPerson:
            DrawPerson(p, QRectF(1.5, 0.5, 13, 14), QColor(0x3D, 0x73, 0xC9), QColor(0x1E, 0x3D, 0x7A));
            break;
        case ciPassOdd:
            DrawDoor(p);
            DrawArrow(p, true, QColor(0x3C, 0xB0, 0x44), QColor(0x1C, 0x66, 0x22));
            break;
        case ciPassEven:
            DrawDoor(p);
            DrawArrow(p, false, QColor(0x3C, 0x8C, 0xE6), QColor(0x1A, 0x4C, 0x8C));
            break;
        case ciZone:
            DrawZone(p);
            break;
        case ciEvent:
            DrawEvent(p);
            break;
        }
    });
}

} // namespace

QPixmap ControlImage(int index)
{
    if (index < 0 || index >= ciCount)
        return {};
    static std::array<QPixmap, ciCount> images;
    if (images[size_t(index)].isNull())
        images[size_t(index)] = MakeImage(index);
    return images[size_t(index)];
}

QPixmap CardPersonPicture()
{
    static const QPixmap picture = Paint(22, 30, [](QPainter& p) {
        DrawPerson(p, QRectF(0.5, 4.5, 21, 25), QColor(0x3D, 0x73, 0xC9), QColor(0x1E, 0x3D, 0x7A));
    });
    return picture;
}

} // namespace doravo
