#include "KestPath.h"

namespace kest {

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

} // namespace kest
