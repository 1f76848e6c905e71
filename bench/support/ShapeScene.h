// One generated drawing written three ways, so that the library and its
// peers measure the same shapes: as a Kest document, as SVG, and as items of
// a QGraphicsScene.
//
// A page of 1920 x 1080 pixels holds groups of ten shapes on a grid of
// 48 x 43 pixel cells: two boxes (one rounded), two ellipses, an open and a
// closed Bezier curve, two texts and two connectors from the boxes to the
// ellipses. A document has several such pages (schemes).
#pragma once

#include <QPainterPath>
#include <QRect>
#include <string>
#include <vector>

class QGraphicsScene;

namespace kestbench {

constexpr int kPageWidth = 1920;
constexpr int kPageHeight = 1080;
constexpr int kShapesPerGroup = 10;

enum class TShapeKind { Box, RoundBox, Ellipse, Curve, ClosedCurve, Text, Connector };

// One shape in page pixels; Points (page pixels) for curves and connectors,
// with Types as the document stores them (node, open end, closed end, control).
struct TBenchShape {
    TShapeKind Kind = TShapeKind::Box;
    QRect Rect;
    std::vector<QPoint> Points;
    std::vector<int> Types;
    unsigned Color = 0; // 0xBBGGRR
    std::string Text;
    int LinkA = -1, LinkB = -1; // indices of the connected shapes in the group
};

struct TBenchGroup {
    QRect Rect;
    std::vector<TBenchShape> Shapes; // rectangles and points relative to the page
};

// The groups of one page; the same page number always gives the same shapes.
std::vector<TBenchGroup> PageGroups(int page, int groupCount);

// The document text of pages x groupCount groups, in the text form.
std::string ShapeDocument(int pages, int groupCount);
// An SVG drawing of the same pages, each a <g> over the same area.
std::string ShapeSvg(int pages, int groupCount);
// The shapes of one page as scene items, top-level like the document's.
void FillScene(QGraphicsScene& scene, int page, int groupCount);
// The outline of a curve or connector as the SVG and the scene draw it.
QPainterPath ShapePath(const TBenchShape& shape);

} // namespace kestbench
