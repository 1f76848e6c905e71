// The library's own mouse cursors, numbered 1 to 18 as the panel and the
// control classes ask for them (1 "SHAPE_CUR" ... 18 "SHAPE_MOVE_LINE_CUR").
// The images are resources of the library, ":/cursors/<name>.png", each with
// its hotspot in the text keys "HotspotX" and "HotspotY".
#pragma once

#include <QCursor>

namespace kest {

constexpr int KestCursorCount = 18;

// The resource name of cursor index (1..18), or null for any other index.
const char* KestCursorName(int index);
// Fills the cursor table once per process; later calls do nothing. Needs a
// QGuiApplication (without one nothing is loaded). False when an image is
// missing; its index then gives the arrow.
bool LoadCursors();
// The loaded cursor; the arrow for an unknown index or before LoadCursors.
QCursor KestCursor(int index);

} // namespace kest
