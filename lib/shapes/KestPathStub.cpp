#include "KestPath.h"

namespace kest {

int32_t InsertPathPoint(TPointArray&, TPointTypeArray&, int32_t, const TPathInfo*, int32_t, TKestPoint, int32_t)
{
    return -1;
}
bool FindNearestPathSegment(const TPointArray&, const TPointTypeArray&, TKestPoint, bool, const TPathInfo*,
    TNearestPointInfo*, int32_t&, int32_t&)
{
    return false;
}
int32_t InsertNearestPathPoint(TPointArray&, TPointTypeArray&, TKestPoint, const TPathInfo*, int32_t)
{
    return -1;
}
TPathEditFuncs GetEditPathCaps(const TPointArray&, const TPointTypeArray&, const TSelectedArray&)
{
    return 0;
}
bool EditPath(TPointArray&, TPointTypeArray&, const TSelectedArray&, TPathEditFunc, const TPathEditParams*)
{
    return false;
}
bool RouteConnector(TPointArray&, TPointTypeArray&, const TConnectorRouteInput&)
{
    return false;
}
bool GetRouteSegmentHorizontal(const TPointArray&, int32_t, bool&)
{
    return false;
}
bool GetLineCapMetrics(int32_t, int32_t, TLineCapData&)
{
    return false;
}
bool GetLineCapData(int32_t, int32_t, TKestPoint, TKestPoint, TLineCapData&)
{
    return false;
}
void GetPathInfo(const TPointArray&, const TPointTypeArray&, TPathInfo& info)
{
    info = {};
}
int32_t FindPathFigure(const TPathInfo&, int32_t)
{
    return -1;
}
bool InsertPathPoints(TPointArray&, TPointTypeArray&, int32_t, int32_t)
{
    return false;
}
TPointList::TPointList(int32_t) { }
void TPointList::Add(TKestPoint, TPointType) { }
void TPointList::Delete() { }
bool WalkPath(const TPointArray&, const TPointTypeArray&, TPathWalkContext&)
{
    return false;
}
bool GetPathBounds(const TPointArray&, const TPointTypeArray&, TKestRect&, const TPathInfo*)
{
    return false;
}
bool PaintPath(
    QPainterPath&, const TPointArray&, const TPointTypeArray&, const TPathInfo*, bool, bool& allIncluded, bool, bool)
{
    allIncluded = false;
    return false;
}
bool PointOnPath(
    const TPointArray&, const TPointTypeArray&, TKestPoint, const TPathInfo*, TNearestPointInfo*, int32_t, bool, bool)
{
    return false;
}
bool FlattenPath(TPointArray&, TPointTypeArray&, const TPathInfo*, float)
{
    return false;
}

} // namespace kest
