// Helpers shared by the files of the path unit; not part of its interface.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

#include "KestPath.h"

namespace kest::pathimpl {

// Stores a computed coordinate: nearest integer, ties to even, clamped to the
// 32-bit range (NaN becomes 0).
inline int32_t RoundCoord(long double value)
{
    if (std::isnan(value))
        return 0;
    if (value <= std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    if (value >= std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return int32_t(std::nearbyintl(value));
}

// A 64-bit sum or difference brought back into the coordinate range.
inline int32_t ClampCoord(int64_t value)
{
    if (value < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    if (value > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    return int32_t(value);
}

inline bool IsEndType(TPointType type)
{
    return type == ptOpenEnd || type == ptClosedEnd;
}

// The info to use for a path: the caller's when it matches the point count,
// else a fresh one in local. Null when the caller's info is stale.
const TPathInfo* UsableInfo(
    const TPointArray& points, const TPointTypeArray& types, const TPathInfo* info, TPathInfo& local);

// The segment test of hit testing: point against a -> b with the context's
// tolerance, nearest record and crossing list.
void TestSegment(TPathWalkContext& context, TKestPoint a, TKestPoint b);

} // namespace kest::pathimpl
