// Paths: integer points with a parallel list of point types, and the free
// routines over them. A path is a sequence of figures of straight and cubic
// Bezier segments; the routines analyse it, walk it segment by segment,
// measure, paint, hit-test and flatten it, and edit it. The orthogonal
// connector router and the geometry of line caps live here too, since they
// produce paths.
//
// No routine throws on bad input: mismatched array lengths, a stale path
// info, an index out of range or a control point where a node belongs make
// it return false, -1 or an empty result and leave the path unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KestBasePoints.h"
#include "KestUtils.h"

class QPainterPath;

namespace kest {

// ---------------------------------------------------------------- analysis

struct TPathFigureInfo {
    int32_t FirstNode = 0;
    int32_t LastNode = -1; // the ptOpenEnd/ptClosedEnd node
    int32_t LastPoint = -1; // LastNode, or LastNode + 2 with a curved closing segment
    bool IsClosed = false;
    bool IsCurve = false;
};
using TPathFigureInfos = std::vector<TPathFigureInfo>;

struct TPathInfo {
    int32_t PointCount = 0;
    bool IsCurve = false;
    TPathFigureInfos Figures;
};

void GetPathInfo(const TPointArray& points, const TPointTypeArray& types, TPathInfo& info);
// Index of the first figure with FirstNode <= pointIndex <= LastPoint, or -1.
int32_t FindPathFigure(const TPathInfo& info, int32_t pointIndex);
// Delta > 0 opens Delta slots at index (copies of the old contents), Delta < 0
// removes -Delta points from index on. False unless the lengths agree and
// 0 <= index <= count (and the removed range lies inside the path).
bool InsertPathPoints(TPointArray& points, TPointTypeArray& types, int32_t index, int32_t delta);

// ---------------------------------------------------------------- traversal

// The growable output of flattening: points with their types.
class TPointList {
public:
#pragma pack(push, 1)
    struct TRecord {
        TKestPoint Point;
        TPointType Type;
    };
#pragma pack(pop)
    static_assert(sizeof(TRecord) == 9);

    explicit TPointList(int32_t capacity);
    TPointList(const TPointList&) = delete;
    TPointList& operator=(const TPointList&) = delete;

    void Add(TKestPoint point, TPointType type);
    void Delete(); // drops the last record
    int32_t Count() const
    {
        return count_;
    }
    int32_t Capacity() const
    {
        return capacity_;
    }
    int32_t Delta() const
    {
        return delta_;
    }
    TRecord& operator[](int32_t index)
    {
        return data_[index];
    }
    const TRecord& operator[](int32_t index) const
    {
        return data_[index];
    }

private:
    std::unique_ptr<TRecord[]> data_;
    int32_t count_ = 0;
    int32_t capacity_ = 0;
    int32_t delta_ = 0;
};

// Filled by hit testing. Callers start from a value-initialised record (Index
// -1); PointOnPath does that itself.
struct TNearestPointInfo {
    TKestPoint Point;
    int32_t SegmentStart = 0;
    int32_t SegmentEnd = 0;
    int32_t Index = -1; // node the nearest point is attributed to
    float Distance = 0; // squared
    float Parameter = 0; // curve parameter of the nearest point on a curve segment
    bool Updated = false;
};

enum TPathWalkMode : uint8_t { pwFlatten = 0, pwHitTest = 1, pwBounds = 2, pwPaint = 3 };

// The state of one walk over a path; the mode fields that do not belong to
// Mode are ignored.
struct TPathWalkContext {
    bool IncludeClosed = true;
    bool IncludeOpen = true;
    bool AllIncluded = true; // cleared when a figure is skipped
    bool NativeCurves = false; // paint: curves go to the path as cubics
    bool FigureClosed = false;
    TKestPoint PreviousPoint;
    TKestPoint CurrentPoint;
    float CurveScale = 1.0f; // a control point within 1/CurveScale of the chord counts as flat
    const TPathInfo* Info = nullptr;
    int32_t FigureCount = 0;
    TPathWalkMode Mode = pwBounds;
    // flatten
    TPointList* Output = nullptr;
    // hit test
    TKestPoint TestPoint;
    int32_t Tolerance = 0;
    std::vector<int32_t>* Crossings = nullptr;
    TNearestPointInfo* Nearest = nullptr;
    bool Hit = false;
    // bounds
    TKestRect Bounds;
    // paint
    QPainterPath* Painter = nullptr;
};

// Walks the figures and segments of the path in the context's mode. False on
// inconsistent input (the output may then be partly written).
bool WalkPath(const TPointArray& points, const TPointTypeArray& types, TPathWalkContext& context);

// ---------------------------------------------------------------- measuring

// The bounding rectangle of the outline (curves flattened to one unit).
bool GetPathBounds(
    const TPointArray& points, const TPointTypeArray& types, TKestRect& rect, const TPathInfo* info = nullptr);
// Replaces path with the chosen figures (flattened to one unit unless
// nativeCurves). True when at least one figure was built; otherwise path is
// left empty. allIncluded: success and no figure skipped.
bool PaintPath(QPainterPath& path, const TPointArray& points, const TPointTypeArray& types, const TPathInfo* info,
    bool nativeCurves, bool& allIncluded, bool includeOpen = true, bool includeClosed = true);
// Stroke test within tolerance (open and closed figures) and even-odd fill
// test (closed figures); nearest, when given, receives the nearest outline
// point whatever the result.
bool PointOnPath(const TPointArray& points, const TPointTypeArray& types, TKestPoint point, const TPathInfo* info,
    TNearestPointInfo* nearest, int32_t tolerance, bool fillTest, bool strokeTest);
// Replaces curves by polylines (control points within 1/curveScale).
bool FlattenPath(TPointArray& points, TPointTypeArray& types, const TPathInfo* info, float curveScale);

// ---------------------------------------------------------------- inserting

// Inserts a node into the segment firstIndex..secondIndex (either order), or
// before the first / after the last node of an open figure (secondIndex one
// beyond). Returns the new node's index or -1.
int32_t InsertPathPoint(TPointArray& points, TPointTypeArray& types, int32_t firstIndex, const TPathInfo* info,
    int32_t tolerance, TKestPoint point, int32_t secondIndex);
bool FindNearestPathSegment(const TPointArray& points, const TPointTypeArray& types, TKestPoint point,
    bool allowOutside, const TPathInfo* info, TNearestPointInfo* nearest, int32_t& secondIndex, int32_t& firstIndex);
int32_t InsertNearestPathPoint(
    TPointArray& points, TPointTypeArray& types, TKestPoint point, const TPathInfo* info, int32_t tolerance);

// ---------------------------------------------------------------- editing

enum TPathEditFunc : uint8_t { pfOffset = 0, pfJoin = 1, pfBreak = 2, pfClose = 3, pfToLine = 4, pfToCurve = 5 };
using TPathEditFuncs = uint8_t; // bit n = TPathEditFunc n

constexpr TPathEditFuncs PathEditFuncBit(TPathEditFunc func)
{
    return TPathEditFuncs(1u << func);
}
constexpr bool HasPathEditFunc(TPathEditFuncs funcs, TPathEditFunc func)
{
    return funcs & PathEditFuncBit(func);
}

struct TPathEditParams {
    TKestPoint Offset;
    bool MoveControls = false;
};

TPathEditFuncs GetEditPathCaps(const TPointArray& points, const TPointTypeArray& types, const TSelectedArray& selected);
// True when the path changed.
bool EditPath(TPointArray& points, TPointTypeArray& types, const TSelectedArray& selected, TPathEditFunc func,
    const TPathEditParams* params = nullptr);

// ---------------------------------------------------------------- connector routes

enum TRerouteMode : uint8_t { rmAlways = 0, rmAsNeeded = 1, rmNever = 2 };

struct TConnectorRouteInput {
    int32_t Gap = 0;
    TRerouteMode Mode = rmAlways;
    bool Ortogonal = true;
    bool SameObject = false; // both ends linked to one object
    TKestPoint PointA, PointB;
    TKestRect RectA, RectB; // the linked objects, or empty rectangles at the points
};

// Rewrites the connector's points (all ptNode but the last ptOpenEnd) as the
// route from PointA to PointB. False when the arrays are not a single open
// polyline.
bool RouteConnector(TPointArray& points, TPointTypeArray& types, const TConnectorRouteInput& input);
// Whether the segment ending at point segmentEnd (>= 1) of an orthogonal
// polyline is horizontal, judged from the first segment of distinct points
// since segments alternate. False when all points up to the end coincide
// or the index is out of range.
bool GetRouteSegmentHorizontal(const TPointArray& points, int32_t segmentEnd, bool& horizontal);

// ---------------------------------------------------------------- line caps

// The geometry of a line cap at end point E reached from point P. The frame
// of the box: x along P -> E (positive beyond E), y across it.
struct TLineCapData {
    int32_t Size = 0;
    int32_t LineInset = 0; // how far before E the drawn line stops
    int32_t BoxLeft = 0, BoxTop = 0, BoxRight = 0, BoxBottom = 0;
    TKestPoint LinePoint; // where the drawn line ends
    TKestPoint EndPoint; // E
    TPointArray Points; // the outline
    TPointTypeArray Types;
};

// Size, inset and box of a built-in style (-1 ... -18); false and all zero
// for any other style.
bool GetLineCapMetrics(int32_t style, int32_t size, TLineCapData& data);
// Metrics plus attachment points and outline at end, oriented from from.
bool GetLineCapData(int32_t style, int32_t size, TKestPoint end, TKestPoint from, TLineCapData& data);

} // namespace kest
