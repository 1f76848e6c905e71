// Draws the library's 18 cursors as 32 x 32 PNG images: black glyphs with a
// white outline, so they read on dark and light plans alike. The hotspot is
// stored in each file as the text keys "HotspotX" and "HotspotY".
//
// usage: gen_cursors OUTPUT_FOLDER
#include <QDir>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int CursorSize = 32;

// One stroke or fill of a glyph. Coordinates are pixel centres (x + 0.5), so
// one-pixel lines stay sharp.
struct TPart {
    QPainterPath Path;
    bool Filled = false;
    bool WhiteFill = false; // filled white inside the black outline
};

using TGlyph = std::vector<TPart>;

QPainterPath Polyline(std::initializer_list<QPointF> points, bool closed)
{
    QPainterPath path;
    bool first = true;
    for (QPointF p : points) {
        p += QPointF(0.5, 0.5);
        if (first)
            path.moveTo(p);
        else
            path.lineTo(p);
        first = false;
    }
    if (closed)
        path.closeSubpath();
    return path;
}

QPainterPath Rect(qreal x, qreal y, qreal w, qreal h)
{
    QPainterPath path;
    path.addRect(x + 0.5, y + 0.5, w, h);
    return path;
}

QPainterPath Ellipse(qreal x, qreal y, qreal w, qreal h)
{
    QPainterPath path;
    path.addEllipse(x + 0.5, y + 0.5, w, h);
    return path;
}

QPainterPath RoundedBar(qreal x, qreal y, qreal w, qreal h)
{
    QPainterPath path;
    path.addRoundedRect(x, y, w, h, w / 2, w / 2);
    return path;
}

// The pointer, tip at (1, 1).
TGlyph Arrow()
{
    return {{Polyline({{1, 1}, {1, 16}, {5, 12}, {8, 19}, {10, 18}, {7, 11}, {12, 11}}, true), true}};
}

// Crosshair centred on (8, 8), with a gap where the hotspot is.
TGlyph Crosshair()
{
    return {{Polyline({{1, 8}, {6, 8}}, false)}, {Polyline({{10, 8}, {15, 8}}, false)},
        {Polyline({{8, 1}, {8, 6}}, false)}, {Polyline({{8, 10}, {8, 15}}, false)}};
}

TGlyph With(TGlyph glyph, const TGlyph& badge)
{
    glyph.insert(glyph.end(), badge.begin(), badge.end());
    return glyph;
}

TPart Node(qreal x, qreal y)
{
    return {Rect(x - 1.5, y - 1.5, 3, 3), true};
}

TGlyph Plus(qreal cx, qreal cy, qreal r)
{
    return {{Rect(cx - r, cy - 1, 2 * r, 2), true}, {Rect(cx - 1, cy - r, 2, 2 * r), true}};
}

TGlyph Minus(qreal cx, qreal cy, qreal r)
{
    return {{Rect(cx - r, cy - 1, 2 * r, 2), true}};
}

TGlyph MoveCross()
{
    const qreal c = 23;
    TGlyph glyph = {{Polyline({{c - 6, c}, {c + 6, c}}, false)}, {Polyline({{c, c - 6}, {c, c + 6}}, false)}};
    for (const auto& tip : std::vector<std::vector<QPointF>> {{{c - 7, c}, {c - 4, c - 3}, {c - 4, c + 3}},
             {{c + 7, c}, {c + 4, c - 3}, {c + 4, c + 3}}, {{c, c - 7}, {c - 3, c - 4}, {c + 3, c - 4}},
             {{c, c + 7}, {c - 3, c + 4}, {c + 3, c + 4}}})
        glyph.push_back({Polyline({tip[0], tip[1], tip[2]}, true), true});
    return glyph;
}

TGlyph CurveBadge()
{
    QPainterPath curve;
    curve.moveTo(16.5, 29.5);
    curve.cubicTo(17.5, 19.5, 26.5, 27.5, 29.5, 17.5);
    return {{curve}, {Polyline({{16, 29}, {18, 20}}, false)}, Node(16, 29), Node(18, 20), Node(29, 17)};
}

QPainterPath Outline(const QPainterPath& path, qreal width, Qt::PenCapStyle cap)
{
    return QPainterPathStroker(QPen(Qt::black, width, Qt::SolidLine, cap)).createStroke(path);
}

// A lens centred on (12, 12) over its handle, the sign inside the lens.
TGlyph Magnifier(bool plus)
{
    QPainterPath handle;
    handle.moveTo(18.5, 18.5);
    handle.lineTo(27.5, 27.5);
    QPainterPath lens;
    lens.addEllipse(QPointF(12.5, 12.5), 8, 8);
    TGlyph glyph
        = {{Outline(handle, 4, Qt::RoundCap), true}, {lens, true, true}, {Outline(lens, 2, Qt::FlatCap), true}};
    const TGlyph sign = plus ? Plus(12.5, 12.5, 4) : Minus(12.5, 12.5, 4);
    glyph.insert(glyph.end(), sign.begin(), sign.end());
    return glyph;
}

// Hands are white with black outlines, finger by finger, so the fingers stay
// apart at this size.
TGlyph Hand(bool closed)
{
    TGlyph glyph;
    auto finger = [&](qreal x, qreal top, qreal bottom) {
        glyph.push_back({RoundedBar(x, top, 4, bottom - top), true, true});
    };
    if (closed) {
        finger(9, 10, 18);
        finger(13, 9, 18);
        finger(17, 9, 18);
        finger(21, 10, 18);
    } else {
        finger(9, 6, 18);
        finger(13, 3, 18);
        finger(17, 4, 18);
        finger(21, 7, 18);
    }
    QPainterPath palm;
    palm.addRoundedRect(9, 14, 16, 14, 4, 4);
    QPainterPath thumb;
    if (closed) {
        thumb.addRoundedRect(6, 15, 9, 4, 2, 2);
    } else {
        QTransform turn;
        turn.translate(9, 21);
        turn.rotate(-135);
        QPainterPath bar;
        bar.addRoundedRect(0, -2, 10, 4, 2, 2);
        thumb = turn.map(bar);
    }
    glyph.push_back({thumb, true, true});
    glyph.push_back({palm, true, true});
    return glyph;
}

void Render(QPainter& painter, const TGlyph& glyph)
{
    painter.setRenderHint(QPainter::Antialiasing);
    const QPen halo(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    const QPen line(Qt::black, 1, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    // All halos first, so no halo covers a black part of the same glyph;
    // white-filled parts are drawn whole, one after the other, instead.
    for (const TPart& part : glyph)
        if (!part.WhiteFill)
            painter.strokePath(part.Path, halo);
    for (const TPart& part : glyph) {
        if (part.WhiteFill) {
            painter.fillPath(part.Path, Qt::white);
            painter.strokePath(part.Path, QPen(Qt::black, 1.2));
        } else if (part.Filled) {
            painter.fillPath(part.Path, Qt::black);
        } else {
            painter.strokePath(part.Path, line);
        }
    }
}

struct TCursorImage {
    const char* Name;
    QPoint Hotspot;
    std::function<TGlyph()> Glyph;
};

std::vector<TCursorImage> CursorImages()
{
    const QPoint tip(1, 1), cross(8, 8), lens(12, 12), palm(16, 16);
    return {
        {"SHAPE_CUR", tip, [] { return With(Arrow(), {Node(21, 21)}); }},
        {"SHAPE_ADD_CUR", tip, [] { return With(Arrow(), Plus(23, 23, 5)); }},
        {"SHAPE_DEL_CUR", tip, [] { return With(Arrow(), Minus(23, 23, 5)); }},
        {"SHAPE_CLOSE_CUR", tip,
            [] {
                return With(Arrow(), {{Ellipse(17, 17, 10, 10)}, Node(22, 17)});
            }},
        {"SHAPE_MOVE_CUR", tip, [] { return With(Arrow(), MoveCross()); }},
        {"SHAPE_MOVE_CURVE_CUR", tip, [] { return With(Arrow(), CurveBadge()); }},
        {"CREATE_CTRL_CUR", cross,
            [] {
                return With(
                    Crosshair(), {{Rect(15, 15, 12, 12)}, Node(15, 15), Node(27, 15), Node(15, 27), Node(27, 27)});
            }},
        {"CREATE_RECT_CUR", cross, [] { return With(Crosshair(), {{Rect(15, 17, 14, 10)}}); }},
        {"CREATE_ELLIPSE_CUR", cross, [] { return With(Crosshair(), {{Ellipse(15, 17, 14, 10)}}); }},
        {"CREATE_TEXT_CUR", cross,
            [] {
                return With(Crosshair(), {{Rect(16, 15, 12, 3), true}, {Rect(20.5, 15, 3, 13), true}});
            }},
        {"CREATE_PIC_CUR", cross,
            [] {
                return With(Crosshair(),
                    {{Rect(15, 16, 14, 12)}, {Polyline({{16, 27}, {20, 21}, {23, 24}, {25, 22}, {28, 27}}, true), true},
                        {Ellipse(24, 18, 2, 2), true}});
            }},
        {"CREATE_POLY_CUR", cross, [] { return With(Crosshair(), CurveBadge()); }},
        {"ZOOM_IN_CUR", lens, [] { return Magnifier(true); }},
        {"ZOOM_OUT_CUR", lens, [] { return Magnifier(false); }},
        {"PAN_CUR", palm, [] { return Hand(false); }},
        {"PANNING_CUR", palm, [] { return Hand(true); }},
        {"CONT_POLY_CUR", cross,
            [] {
                return With(Crosshair(),
                    {{Polyline({{15, 28}, {19, 18}, {24, 25}, {29, 16}}, false)}, Node(15, 28), Node(19, 18),
                        Node(24, 25), Node(29, 16)});
            }},
        {"SHAPE_MOVE_LINE_CUR", tip,
            [] {
                return With(Arrow(), {{Polyline({{16, 28}, {28, 18}}, false)}, Node(16, 28), Node(28, 18)});
            }},
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    if (!folder.exists()) {
        std::fprintf(stderr, "%s: no such folder\n", argv[1]);
        return 2;
    }
    for (const TCursorImage& cursor : CursorImages()) {
        QImage image(CursorSize, CursorSize, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            Render(painter, cursor.Glyph());
        }
        image.setText("HotspotX", QString::number(cursor.Hotspot.x()));
        image.setText("HotspotY", QString::number(cursor.Hotspot.y()));
        const QString path = folder.filePath(QString::fromLatin1(cursor.Name) + ".png");
        QImageWriter writer(path, "png");
        if (!writer.write(image)) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
            return 1;
        }
    }
    return 0;
}
