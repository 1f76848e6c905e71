#include "ShapeScene.h"

#include <QBrush>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QPen>
#include <cstdio>

namespace kestbench {

namespace {

constexpr int kColumns = 40;
constexpr int kCellWidth = kPageWidth / kColumns;
constexpr int kCellHeight = 43;
constexpr int kMaxGroups = kColumns * (kPageHeight / kCellHeight);
constexpr int kUnits = 1000; // document units per pixel
constexpr int kNode = 0, kOpenEnd = 1, kClosedEnd = 2, kControl = 3;
constexpr int kRoundness = 3; // pixels, the corner ellipse's width and height
constexpr int kFontPixels = 13; // Arial at 10 points and 96 dpi

QRect Bounds(const std::vector<QPoint>& points)
{
    int left = points[0].x(), top = points[0].y(), right = left, bottom = top;
    for (const QPoint& p : points) {
        left = std::min(left, p.x());
        top = std::min(top, p.y());
        right = std::max(right, p.x());
        bottom = std::max(bottom, p.y());
    }
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

TBenchShape Solid(TShapeKind kind, QRect rect)
{
    TBenchShape shape;
    shape.Kind = kind;
    shape.Rect = rect;
    return shape;
}

TBenchShape Outline(TShapeKind kind, QPoint origin, std::vector<QPoint> points, std::vector<int> types)
{
    TBenchShape shape;
    shape.Kind = kind;
    shape.Points = std::move(points);
    shape.Types = std::move(types);
    for (QPoint& p : shape.Points)
        p += origin;
    shape.Rect = Bounds(shape.Points);
    return shape;
}

unsigned ColorOf(int page, int group, int shape)
{
    unsigned v = static_cast<unsigned>(page * 7919 + group * 104729 + shape * 31337) * 2654435761u;
    return (v >> 8) & 0xFFFFFF;
}

QColor QtColor(unsigned bgr)
{
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

std::string Hex(unsigned bgr)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return text;
}

const char* ClassName(TShapeKind kind)
{
    switch (kind) {
    case TShapeKind::Box:
    case TShapeKind::RoundBox:
        return "TKestBox";
    case TShapeKind::Ellipse:
        return "TKestEllipse";
    case TShapeKind::Curve:
    case TShapeKind::ClosedCurve:
        return "TKestCurve";
    case TShapeKind::Text:
        return "TKestText";
    case TShapeKind::Connector:
        return "TKestConnector";
    }
    return "";
}

// Writes object blocks the way the library saves them: properties sorted
// by name, sub-property blocks among them, children last.
class TDocWriter {
public:
    std::string Text;

    void Line(int depth, const std::string& line) { Text.append(size_t(depth) * 2, ' ').append(line).append("\r\n"); }
    void Value(int depth, const char* name, long long value)
    {
        Line(depth, std::string(name) + " = " + std::to_string(value));
    }
    void Rect(int depth, const QRect& rect, QPoint parent, int id, const char* layer, const char* between = nullptr)
    {
        Value(depth, "Height", (rect.height()) * kUnits);
        Value(depth, "ID", id);
        Line(depth, std::string("Layer = ") + layer);
        Value(depth, "Left", (rect.left() - parent.x()) * kUnits);
        if (between)
            Text += between;
        Value(depth, "Top", (rect.top() - parent.y()) * kUnits);
        Value(depth, "Width", rect.width() * kUnits);
    }
    void Brush(int depth, unsigned color)
    {
        Line(depth, "property Brush");
        Value(depth + 1, "Color", color);
        Line(depth, "end");
    }
    // The points relative to the shape, as count, points and type bytes.
    std::string PathPoints(int depth, const TBenchShape& shape)
    {
        std::vector<unsigned char> bytes;
        auto put = [&](int32_t v) {
            for (int i = 0; i < 4; ++i)
                bytes.push_back(static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * i)));
        };
        put(static_cast<int32_t>(shape.Points.size()));
        for (const QPoint& p : shape.Points) {
            put((p.x() - shape.Rect.left()) * kUnits);
            put((p.y() - shape.Rect.top()) * kUnits);
        }
        for (int type : shape.Types)
            bytes.push_back(static_cast<unsigned char>(type));
        static const char digits[] = "0123456789ABCDEF";
        std::string text = std::string(size_t(depth) * 2, ' ') + "PathPoints = {";
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i % 32 == 0)
                text += "\r\n" + std::string(size_t(depth + 1) * 2, ' ');
            text += digits[bytes[i] >> 4];
            text += digits[bytes[i] & 15];
        }
        return text + " }\r\n";
    }
};

void WriteShape(
    TDocWriter& w, const TBenchShape& shape, const TBenchGroup& group, const std::vector<int>& ids, int index)
{
    const int id = ids[size_t(index)];
    const QPoint origin = group.Rect.topLeft();
    w.Line(3,
        "object " + std::string(ClassName(shape.Kind)).substr(5) + std::to_string(id) + ": " + ClassName(shape.Kind));
    const bool filled
        = shape.Kind != TShapeKind::Curve && shape.Kind != TShapeKind::Connector && shape.Kind != TShapeKind::Text;
    if (filled)
        w.Brush(4, shape.Color);
    std::string between;
    if (shape.Kind == TShapeKind::Connector) {
        w.Value(4, "Height", shape.Rect.height() * kUnits);
        w.Value(4, "ID", id);
        w.Line(4, "Layer = Shapes");
        w.Value(4, "Left", (shape.Rect.left() - origin.x()) * kUnits);
        for (const auto& [name, target] : {std::pair {"LinkA", shape.LinkA}, std::pair {"LinkB", shape.LinkB}}) {
            const int targetId = ids[size_t(target)];
            w.Line(4,
                std::string(name) + " = \\" + std::to_string(targetId) + ":"
                    + std::string(ClassName(group.Shapes[size_t(target)].Kind)).substr(5) + std::to_string(targetId));
        }
        w.Text += w.PathPoints(4, shape);
        w.Value(4, "Top", (shape.Rect.top() - origin.y()) * kUnits);
        w.Value(4, "Width", shape.Rect.width() * kUnits);
    } else {
        if (shape.Kind == TShapeKind::Curve || shape.Kind == TShapeKind::ClosedCurve) {
            between = w.PathPoints(4, shape);
            if (shape.Kind == TShapeKind::ClosedCurve)
                between = std::string(8, ' ') + "IsSolid = True\r\n" + between;
        }
        if (shape.Kind == TShapeKind::RoundBox)
            between += std::string(8, ' ') + "Roundness = " + std::to_string(kRoundness * kUnits) + "\r\n";
        if (shape.Kind == TShapeKind::Text)
            between += std::string(8, ' ') + "Text = (\r\n" + std::string(10, ' ') + "'" + shape.Text + "' )\r\n";
        w.Rect(4, shape.Rect, origin, id, "Shapes", between.empty() ? nullptr : between.c_str());
    }
    w.Line(3, "end");
}

} // namespace

std::vector<TBenchGroup> PageGroups(int page, int groupCount)
{
    std::vector<TBenchGroup> groups;
    for (int g = 0; g < std::min(groupCount, kMaxGroups); ++g) {
        const QPoint o((g % kColumns) * kCellWidth + 2, (g / kColumns) * kCellHeight + 2);
        TBenchGroup group {QRect(o, QSize(44, 39)), {}};
        auto& s = group.Shapes;
        s.push_back(Solid(TShapeKind::Box, QRect(o + QPoint(0, 0), QSize(12, 8))));
        s.push_back(Solid(TShapeKind::RoundBox, QRect(o + QPoint(30, 0), QSize(14, 8))));
        s.push_back(Solid(TShapeKind::Ellipse, QRect(o + QPoint(0, 26), QSize(12, 12))));
        s.push_back(Solid(TShapeKind::Ellipse, QRect(o + QPoint(32, 26), QSize(12, 12))));
        s.push_back(Outline(
            TShapeKind::Curve, o, {{14, 10}, {18, 4}, {24, 16}, {28, 10}}, {kNode, kControl, kControl, kOpenEnd}));
        s.push_back(Outline(TShapeKind::ClosedCurve, o, {{16, 26}, {16, 20}, {28, 20}, {28, 26}, {24, 30}, {20, 30}},
            {kNode, kControl, kControl, kClosedEnd, kControl, kControl}));
        s.push_back(Solid(TShapeKind::Text, QRect(o + QPoint(0, 10), QSize(14, 14))));
        s.push_back(Solid(TShapeKind::Text, QRect(o + QPoint(30, 10), QSize(14, 14))));
        s.push_back(Outline(TShapeKind::Connector, o, {{6, 8}, {6, 17}, {6, 26}}, {kNode, kNode, kOpenEnd}));
        s.push_back(Outline(
            TShapeKind::Connector, o, {{37, 8}, {37, 17}, {38, 17}, {38, 26}}, {kNode, kNode, kNode, kOpenEnd}));
        s[8].LinkA = 0, s[8].LinkB = 2;
        s[9].LinkA = 1, s[9].LinkB = 3;
        for (size_t i = 0; i < s.size(); ++i) {
            s[i].Color = ColorOf(page, g, int(i));
            if (s[i].Kind == TShapeKind::Text)
                s[i].Text = "T" + std::to_string(g % 100);
        }
        groups.push_back(std::move(group));
    }
    return groups;
}

QPainterPath ShapePath(const TBenchShape& shape)
{
    QPainterPath path;
    const std::vector<QPoint>& p = shape.Points;
    if (p.empty())
        return path;
    path.moveTo(p[0]);
    bool closed = false;
    for (size_t i = 1; i < p.size();) {
        closed = closed || shape.Types[i] == kClosedEnd;
        if (shape.Types[i] == kControl) {
            path.cubicTo(p[i], p[i + 1], i + 2 < p.size() ? p[i + 2] : p[0]);
            closed = closed || (i + 2 < p.size() && shape.Types[i + 2] == kClosedEnd);
            i += 3;
        } else {
            path.lineTo(p[i]);
            ++i;
        }
    }
    if (closed)
        path.closeSubpath();
    return path;
}

std::string ShapeDocument(int pages, int groupCount)
{
    TDocWriter w;
    w.Line(0, "document Shapes");
    w.Value(1, "Height", kPageHeight * kUnits);
    w.Value(1, "ID", 1);
    w.Value(1, "Version", 170);
    w.Value(1, "Width", kPageWidth * kUnits);
    w.Text += "  object Shapes: TKestLayer\r\n    ID = 2\r\n    Visible = True\r\n  end\r\n";
    int id = 3;
    for (int page = 0; page < pages; ++page) {
        w.Line(1, "object Page" + std::to_string(page + 1) + ": TKestScheme");
        if (page == 0)
            w.Line(2, "Default = True");
        w.Value(2, "ID", id++);
        for (const TBenchGroup& group : PageGroups(page, groupCount)) {
            const int groupId = id++;
            w.Line(2, "object Group" + std::to_string(groupId) + ": TKestGroup");
            w.Rect(3, group.Rect, {0, 0}, groupId, "Shapes");
            std::vector<int> ids;
            for (size_t i = 0; i < group.Shapes.size(); ++i)
                ids.push_back(id++);
            for (size_t i = 0; i < group.Shapes.size(); ++i)
                WriteShape(w, group.Shapes[i], group, ids, int(i));
            w.Line(2, "end");
        }
        w.Line(1, "end");
    }
    w.Line(0, "end");
    return w.Text;
}

std::string ShapeSvg(int pages, int groupCount)
{
    std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\""
        + std::to_string(kPageWidth) + "\" height=\"" + std::to_string(kPageHeight) + "\" viewBox=\"0 0 "
        + std::to_string(kPageWidth) + " " + std::to_string(kPageHeight) + "\">\n";
    auto n = [](int v) { return std::to_string(v); };
    for (int page = 0; page < pages; ++page) {
        svg += "<g id=\"page" + n(page + 1) + "\" stroke=\"#000000\" stroke-width=\"1\">\n";
        for (const TBenchGroup& group : PageGroups(page, groupCount)) {
            svg += "<g>\n";
            for (const TBenchShape& s : group.Shapes) {
                const QRect& r = s.Rect;
                switch (s.Kind) {
                case TShapeKind::Box:
                case TShapeKind::RoundBox:
                    svg += "<rect x=\"" + n(r.x()) + "\" y=\"" + n(r.y()) + "\" width=\"" + n(r.width())
                        + "\" height=\"" + n(r.height()) + "\" fill=\"" + Hex(s.Color) + "\""
                        + (s.Kind == TShapeKind::RoundBox ? " rx=\"1.5\"" : "") + "/>\n";
                    break;
                case TShapeKind::Ellipse:
                    svg += "<ellipse cx=\"" + n(r.x() + r.width() / 2) + "\" cy=\"" + n(r.y() + r.height() / 2)
                        + "\" rx=\"" + n(r.width() / 2) + "\" ry=\"" + n(r.height() / 2) + "\" fill=\"" + Hex(s.Color)
                        + "\"/>\n";
                    break;
                case TShapeKind::Text:
                    svg += "<text x=\"" + n(r.x()) + "\" y=\"" + n(r.y() + kFontPixels)
                        + "\" stroke=\"none\" font-family=\"Arial\" font-size=\"" + n(kFontPixels) + "\">" + s.Text
                        + "</text>\n";
                    break;
                case TShapeKind::Curve:
                case TShapeKind::ClosedCurve:
                case TShapeKind::Connector: {
                    const QPainterPath path = ShapePath(s);
                    std::string d;
                    for (int i = 0; i < path.elementCount(); ++i) {
                        const QPainterPath::Element e = path.elementAt(i);
                        d += e.isMoveTo()                            ? "M"
                            : e.isLineTo()                           ? "L"
                            : e.type == QPainterPath::CurveToElement ? "C"
                                                                     : " ";
                        d += n(int(e.x)) + " " + n(int(e.y));
                    }
                    const bool closed = s.Kind == TShapeKind::ClosedCurve;
                    svg += "<path d=\"" + d + (closed ? "Z" : "") + "\" fill=\"" + (closed ? Hex(s.Color) : "none")
                        + "\"/>\n";
                    break;
                }
                }
            }
            svg += "</g>\n";
        }
        svg += "</g>\n";
    }
    return svg + "</svg>\n";
}

void FillScene(QGraphicsScene& scene, int page, int groupCount)
{
    scene.setSceneRect(0, 0, kPageWidth, kPageHeight);
    const QPen pen(Qt::black, 1);
    QFont font("Arial");
    font.setPixelSize(kFontPixels);
    for (const TBenchGroup& group : PageGroups(page, groupCount)) {
        for (const TBenchShape& s : group.Shapes) {
            const QBrush brush(QtColor(s.Color));
            switch (s.Kind) {
            case TShapeKind::Box:
                scene.addRect(s.Rect, pen, brush);
                break;
            case TShapeKind::RoundBox: {
                QPainterPath rounded;
                rounded.addRoundedRect(s.Rect, kRoundness / 2.0, kRoundness / 2.0);
                scene.addPath(rounded, pen, brush);
                break;
            }
            case TShapeKind::Ellipse:
                scene.addEllipse(s.Rect, pen, brush);
                break;
            case TShapeKind::Text:
                scene.addSimpleText(QString::fromStdString(s.Text), font)->setPos(s.Rect.topLeft());
                break;
            case TShapeKind::Curve:
            case TShapeKind::Connector:
                scene.addPath(ShapePath(s), pen);
                break;
            case TShapeKind::ClosedCurve:
                scene.addPath(ShapePath(s), pen, brush);
                break;
            }
        }
    }
}

} // namespace kestbench
