// The point lists of shapes as the document model sees them: points in
// document units relative to the shape's top-left corner, with a parallel
// list of point types.
#pragma once

#include <cstdint>
#include <vector>

#include "KestUtils.h"

namespace kest {

enum TPointType : uint8_t { ptNode = 0, ptOpenEnd = 1, ptClosedEnd = 2, ptControl = 3 };

using TPointArray = std::vector<TKestPoint>;
using TPointTypeArray = std::vector<TPointType>;
using TSelectedArray = std::vector<bool>;

} // namespace kest
