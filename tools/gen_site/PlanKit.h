// Drawing the plan through the library: schemes and layers, boxes, texts,
// ellipses and groups placed in whole pixels, walls with openings that fit
// the door art, doors that carry the passes of the site design, zone shapes
// with their captions, and buttons that lead to other pages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DoorCtrls.h"
#include "KestControls.h"
#include "SiteDesign.h"

namespace doravo::gensite {

// A rectangle in whole pixels.
struct TPx {
    int32_t X, Y, W, H;
    int32_t Right() const { return X + W; }
    int32_t Bottom() const { return Y + H; }
};

// Colours (0x00BBGGRR) the plan is drawn with.
namespace color {
constexpr kest::TColor WallFill = 0x686060; // the door art's wall
constexpr kest::TColor WallEdge = 0x201818;
constexpr kest::TColor Window = 0xF0D8A8;
constexpr kest::TColor Paper = 0xF6FAF6;
constexpr kest::TColor Yard = 0xE0FFE0; // zone fills: green 255, red = blue
constexpr kest::TColor Corridor = 0xEEFFEE;
constexpr kest::TColor Room = 0xD0FFD0;
constexpr kest::TColor Hall = 0xC4FFC4;
constexpr kest::TColor Wood = 0x8CB8D8;
constexpr kest::TColor Asphalt = 0xA8A8A8;
constexpr kest::TColor Caption = 0x204020;
} // namespace color

// The thickness of walls, fixed by the door art: a door's wall stubs are
// pixel columns 13 … 17 of its 31-pixel cell.
constexpr int32_t WallThickness = 5;
constexpr int32_t DoorSide = 31;
constexpr int32_t DoorWallOffset = 13;

class TPlanKit {
public:
    TPlanKit(kest::TKestPanel& panel, TSiteDesign& site);

    kest::TKestPanel& Panel() { return panel_; }
    TSiteDesign& Site() { return site_; }
    kest::TKestScheme* AddScheme(const std::string& name);
    kest::TKestScheme* Scheme(const std::string& name) const;

    // Bottom to top.
    kest::TKestLayer* Ground;
    kest::TKestLayer* Zones;
    kest::TKestLayer* Building;
    kest::TKestLayer* Doors;
    kest::TKestLayer* ZoneNames;
    kest::TKestLayer* Lamps;
    kest::TKestLayer* Links;
    kest::TKestLayer* Cards;

    // pen clNone: no outline.
    kest::TKestBox* Box(kest::TKestControl* parent, kest::TKestLayer* layer, TPx r, kest::TColor fill,
        kest::TColor pen = kest::clNone, int32_t penWidth = 1);
    kest::TKestEllipse* Ellipse(
        kest::TKestControl* parent, kest::TKestLayer* layer, TPx r, kest::TColor fill, kest::TColor pen = kest::clNone);
    kest::TKestText* Text(kest::TKestControl* parent, kest::TKestLayer* layer, TPx r, const std::string& text,
        int32_t pixels, kest::TColor color, bool bold = false, kest::TTextAlignment align = kest::taCenter);
    // An empty group at (0, 0); FitGroup after its members are made.
    kest::TKestGroup* Group(kest::TKestControl* parent, kest::TKestLayer* layer, const std::string& name);
    static void FitGroup(kest::TKestGroup* group);

    // A wall from `from` to `to` along its axis (x for a horizontal wall),
    // its near side at `at`, broken where doors stand (their first pixel
    // along the wall).
    void Wall(kest::TKestControl* scheme, bool horizontal, int32_t at, int32_t from, int32_t to,
        std::vector<int32_t> openings = {});
    // A door in such a wall at `along`, between zone `before` (left of a
    // vertical wall, above a horizontal one) and zone `after`; its passes
    // are added to the site (from `before` first unless afterFirst), the one
    // from `before` counting as Forward.
    TKestDoor* Door(kest::TKestControl* scheme, bool horizontal, int32_t at, int32_t along, int32_t before,
        int32_t after, const std::string& name, bool afterFirst = false);
    // A window pane over a wall.
    void Window(kest::TKestControl* scheme, bool horizontal, int32_t at, int32_t from, int32_t length);

    // The zone's shape with its user data, and its caption over captionRect.
    kest::TKestBox* ZoneShape(kest::TKestControl* scheme, int32_t zoneId, TPx r, kest::TColor fill);
    kest::TKestText* ZoneCaption(kest::TKestControl* scheme, int32_t zoneId, TPx r, int32_t pixels = 11);
    // A button leading to another scheme.
    kest::TKestGroup* LinkButton(kest::TKestControl* scheme, const std::string& name, TPx r, const std::string& caption,
        const std::string& target);

private:
    kest::TKestPanel& panel_;
    TSiteDesign& site_;
};

// Pixels to document units.
constexpr int32_t U(int32_t pixels)
{
    return pixels * kest::PixelScale;
}

} // namespace doravo::gensite
