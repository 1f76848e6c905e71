// How the main window marks objects of the plan: the hover highlight by
// colour swaps, and the crawling frame around the selected object.
#pragma once

#include <QImage>
#include <QRegion>

#include "KestColor.h"

namespace kest {
class TKestControl;
class TKestPanel;
} // namespace kest

namespace doravo {

// Highlight kinds: 1 building link on the main plan, 2 link on another page,
// 3 the current floor's button, 4 zone, 5 the credits object.
enum THoverKind : int { hkNone = 0, hkBuilding = 1, hkLink = 2, hkFloor = 3, hkZone = 4, hkCredits = 5 };

// The colour a highlight turns color (0x00BBGGRR) into (on), or back (off).
kest::TColor HighlightColor(int kind, kest::TColor color, bool on);
// Swaps the brush, pen and font colours of control and everything inside
// it; kind 5 also underlines the font while on.
void HighlightControl(kest::TKestControl* control, int kind, bool on);

// The 8 x 8 pattern of the selection frame: navy diagonal stripes four
// pixels wide on white.
QImage SelectionBrushBitmap();
// The outline of control in the panel's window pixels.
QRegion SelectionRegion(const kest::TKestPanel& panel, kest::TKestControl* control);
// The band of region frameWidth pixels wide inside its edge.
QRegion FrameOf(const QRegion& region, int frameWidth);

} // namespace doravo
