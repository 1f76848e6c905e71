#include "PlanSite.h"

#include <QImage>

namespace doravo::gensite {

using namespace kest;

namespace {

// The pages, in the order of the station's tabs and floors; the last holds
// the person card the station copies.
const char* const SchemeNames[] = {"MainPlan", "ControlPost", "AdmGrandFloor", "AdmFloor1", "AdmFloor2",
    "ProdGrandFloor", "ProdFloor1", "ProdFloor2", "TechGrandFloor", "TechFloor1", "Templates"};

// Silver with a gray outline and black writing: the colours the station
// turns green while the mouse is over a building of the site plan.
TKestGroup* BuildingLink(TPlanKit& kit, TKestControl* scheme, const std::string& name, TPx r,
    const std::string& caption, const std::string& target)
{
    TKestGroup* group = kit.Group(scheme, kit.Links, name);
    kit.Box(group, kit.Links, r, clSilver, clGray, 2);
    kit.Box(group, kit.Links, {r.X + 6, r.Y + 6, r.W - 12, r.H - 12}, clNone, clGray); // the roof's edge
    kit.Text(
        group, kit.Links, {r.X + 10, r.Y + r.H / 2 - 20, r.W - 20, 40}, caption, r.W > 120 ? 15 : 11, clBlack, true);
    TPlanKit::FitGroup(group);
    group->SetReference(kit.Scheme(target));
    group->SetHint({caption});
    return group;
}

void Tree(TPlanKit& kit, TKestControl* scheme, int32_t x, int32_t y, int32_t size)
{
    kit.Ellipse(scheme, kit.Building, {x, y, size, size}, 0x40A040, 0x206020);
    kit.Ellipse(scheme, kit.Building, {x + size / 4, y + size / 4, size / 3, size / 3}, 0x60C060);
}

} // namespace

void DrawControlPost(TPlanKit& kit)
{
    using namespace zone;
    TKestScheme* s = kit.Scheme("ControlPost");
    const int32_t t = WallThickness;
    const int32_t fence = 273;

    kit.ZoneShape(s, Territory, {0, 0, PageWidth, fence}, color::Yard);
    kit.ZoneCaption(s, Territory, {40, 120, 160, 22}, 13);
    kit.Box(s, kit.Ground, {0, fence + t, PageWidth, 130}, 0xD8D8D8); // pavement
    kit.Box(s, kit.Ground, {0, 410, PageWidth, 150}, color::Asphalt);
    for (int32_t x = 10; x < PageWidth; x += 60)
        kit.Box(s, kit.Ground, {x, 483, 30, 4}, clWhite);
    kit.Text(s, kit.Ground, {620, 430, 160, 22}, "Street", 14, 0x404040, true);
    kit.Text(s, kit.Building, {40, 14, 400, 30}, "Control post", 20, 0x303030, true, taLeftJustify);
    kit.LinkButton(s, "BtnSitePlan", {650, 56, 100, 28}, "Site plan", "MainPlan");

    // Rooms: guard room, checkpoint over the pass office, the walkway with
    // the turnstile on the fence line.
    kit.ZoneShape(s, GuardRoom, {225, 175, 120, 200}, color::Room);
    kit.ZoneCaption(s, GuardRoom, {230, 250, 110, 22}, 12);
    kit.ZoneShape(s, Checkpoint, {350, 175, 120, fence - 175}, color::Hall);
    kit.ZoneCaption(s, Checkpoint, {355, 222, 85, 22}, 12);
    kit.ZoneShape(s, PassOffice, {350, fence + t, 120, 375 - fence - t}, color::Room);
    kit.ZoneCaption(s, PassOffice, {355, 300, 110, 22}, 12);

    // The turnstile's passes come first: walkers enter the site through it.
    kit.Door(s, true, fence, 509, Territory, Outside, "Turnstile", true);
    kit.Door(s, true, 170, 395, Territory, Checkpoint, "Checkpoint, yard door");
    kit.Door(s, false, 345, 205, GuardRoom, Checkpoint, "Guard room", true);
    kit.Door(s, true, fence, 395, Checkpoint, PassOffice, "Office Passes");

    kit.Wall(s, true, 170, 220, 475, {395});
    kit.Wall(s, true, 375, 220, 475);
    kit.Wall(s, false, 220, 175, 375);
    kit.Wall(s, false, 345, 175, 375, {205});
    kit.Wall(s, false, 470, 175, 375);
    kit.Wall(s, false, 575, 170, 380);
    kit.Wall(s, true, fence, 350, 470, {395});
    kit.Wall(s, true, fence, 475, 575, {509});
    kit.Wall(s, true, fence, 0, 220);
    kit.Wall(s, true, fence, 580, PageWidth);
    kit.Window(s, false, 470, 200, 50);
    kit.Window(s, false, 470, 300, 50);
    kit.Window(s, true, 375, 380, 60);
    kit.Window(s, false, 220, 210, 60);

    // Desks, monitors, bunks, the counter.
    kit.Box(s, kit.Building, {235, 185, 70, 24}, color::Wood, 0x405880);
    for (int32_t x = 240; x < 300; x += 20)
        kit.Box(s, kit.Building, {x, 188, 14, 8}, 0x303030);
    kit.Ellipse(s, kit.Building, {262, 213, 14, 12}, 0x707070, 0x303030);
    kit.Box(s, kit.Building, {232, 300, 40, 68}, 0xC0D8E8, 0x406080);
    kit.Box(s, kit.Building, {290, 300, 40, 68}, 0xC0D8E8, 0x406080);
    kit.Box(s, kit.Building, {446, 190, 18, 70}, color::Wood, 0x405880);
    kit.Box(s, kit.Building, {360, 340, 100, 24}, color::Wood, 0x405880);
    kit.Box(s, kit.Building, {482, 240, 10, 70}, 0xB0B0B0, 0x505050);
    kit.Box(s, kit.Building, {558, 240, 10, 70}, 0xB0B0B0, 0x505050);
}

void DrawMainPlan(TPlanKit& kit)
{
    using namespace zone;
    TKestScheme* s = kit.Scheme("MainPlan");
    const int32_t fenceTop = 30, fenceLeft = 30, fenceRight = 765, fenceBottom = 485;

    kit.Text(s, kit.Building, {30, 4, 300, 24}, "Site plan", 18, 0x303030, true, taLeftJustify);
    TKestText* credits = kit.Text(
        s, kit.Links, {500, 6, 265, 20}, "\xc2\xa9 doravo access control demo", 12, clBlack, false, taRightJustify);
    credits->SetName("Copyright");

    kit.ZoneShape(s, Territory, {fenceLeft, fenceTop, fenceRight - fenceLeft, fenceBottom - fenceTop}, color::Yard);
    kit.ZoneCaption(s, Territory, {330, 45, 140, 20}, 13);

    // The street outside the fence.
    kit.Box(s, kit.Ground, {0, fenceBottom + 5, PageWidth, 20}, 0xD8D8D8);
    kit.Box(s, kit.Ground, {0, fenceBottom + 25, PageWidth, PageHeight - fenceBottom - 25}, color::Asphalt);
    for (int32_t x = 10; x < PageWidth; x += 60)
        kit.Box(s, kit.Ground, {x, 533, 30, 3}, clWhite);

    // Roads and paths inside.
    const TColor road = 0xC8C8C8;
    kit.Box(s, kit.Building, {55, 240, 695, 40}, road);
    kit.Box(s, kit.Building, {468, 280, 45, fenceBottom - 280}, road);
    kit.Box(s, kit.Building, {388, 280, 16, 185}, road);
    kit.Box(s, kit.Building, {180, 220, 20, 20}, road);
    kit.Box(s, kit.Building, {580, 220, 20, 20}, road);
    kit.Box(s, kit.Building, {170, 280, 20, 30}, road);

    // The parking lot with its cars.
    kit.Box(s, kit.Building, {545, 310, 200, 120}, 0xB8B8B8, 0x808080);
    for (int32_t x = 545; x <= 745; x += 25) {
        kit.Box(s, kit.Building, {x, 310, 1, 40}, clWhite);
        kit.Box(s, kit.Building, {x, 390, 1, 40}, clWhite);
    }
    const TColor cars[] = {0x3030C0, 0xC06030, 0x30A0E0, 0x505050, 0xE0E0E0, 0x308030};
    const int32_t stalls[] = {0, 4, 7, 1, 3, 6};
    for (int i = 0; i < 6; ++i)
        kit.Box(s, kit.Building, {550 + stalls[i] * 25, i < 3 ? 314 : 394, 16, 32}, cars[i], 0x202020);

    // Trees along the fence and in the yard.
    for (int32_t x = 60; x < 420; x += 60)
        Tree(kit, s, x, 445, 24);
    for (int32_t y = 300; y < 430; y += 40)
        Tree(kit, s, 320, y, 22);
    Tree(kit, s, 350, 90, 34);
    Tree(kit, s, 380, 150, 26);

    // The buildings lead to their plans.
    BuildingLink(kit, s, "Administrate", {70, 70, 250, 150}, "Administrative building", "AdmGrandFloor");
    BuildingLink(kit, s, "Production", {440, 70, 300, 150}, "Production building", "ProdGrandFloor");
    BuildingLink(kit, s, "Tech center", {70, 310, 220, 120}, "Technical center", "TechGrandFloor");
    BuildingLink(kit, s, "Control Post", {355, fenceBottom - 22, 84, 44}, "Control post", "ControlPost");

    // The fence with the vehicle gate; the control post stands in it.
    const int32_t gate = 475;
    kit.Door(s, true, fenceBottom, gate, Territory, Outside, "Vehicle gate", true);
    kit.Wall(s, true, fenceTop, fenceLeft, fenceRight + 5);
    kit.Wall(s, false, fenceLeft, fenceTop + 5, fenceBottom);
    kit.Wall(s, false, fenceRight, fenceTop + 5, fenceBottom);
    kit.Wall(s, true, fenceBottom, fenceLeft, 355);
    kit.Wall(s, true, fenceBottom, 439, fenceRight + 5, {gate});

    // Lamps along the fence, numbered clockwise so the running light goes round.
    int32_t tag = 0;
    auto lamp = [&](int32_t x, int32_t y) {
        TKestEllipse* l = kit.Ellipse(s, kit.Lamps, {x - 5, y - 5, 10, 10}, clYellow, 0x004060);
        l->SetName("Lamp");
        l->SetTag(++tag);
    };
    const int32_t inset = 12;
    for (int32_t x = fenceLeft + inset; x <= fenceRight - inset; x += 42)
        lamp(x, fenceTop + inset);
    for (int32_t y = fenceTop + inset + 42; y <= fenceBottom - inset; y += 42)
        lamp(fenceRight - inset + 5, y);
    for (int32_t x = fenceRight - inset - 42; x >= fenceLeft + inset; x -= 42)
        if (x < 350 || x > 520)
            lamp(x, fenceBottom - inset + 3);
    for (int32_t y = fenceBottom - inset - 42; y > fenceTop + inset + 21; y -= 42)
        lamp(fenceLeft + inset, y);
}

void DrawCardTemplate(TPlanKit& kit)
{
    // The card the station copies next to a door: 124 x 55 pixels in the
    // normal (green) colours.
    TKestScheme* s = kit.Scheme("Templates");
    kit.Text(s, kit.Building, {20, 10, 400, 24}, "Person card template", 14, 0x303030, true, taLeftJustify);
    const int32_t x = 20, y = 40;
    TKestGroup* card = kit.Group(s, kit.Cards, "Card");
    card->UserData().SetValueByName("Type", "Card");

    auto* background = TKestControl::Create<TKestPicture>(&kit.Panel(), card, kit.Cards);
    background->SetName("Background");
    QImage tile(1, 2, QImage::Format_RGB32);
    tile.setPixel(0, 0, qRgb(0xA7, 0xD4, 0x92));
    tile.setPixel(0, 1, qRgb(0x60, 0xB8, 0x65));
    TKestBitmap bitmap;
    bitmap.SetImage(tile);
    background->Picture()->SetGraphic(&bitmap);
    background->SetDocRect({U(x), U(y), U(x + 124), U(y + 55)});

    kit.Box(card, kit.Cards, {x + 2, y + 2, 120, 14}, 0x65B860)->SetName("Title");
    kit.Box(card, kit.Cards, {x, y, 124, 55}, clNone, 0x3A853F)->SetName("Frame");
    kit.Ellipse(card, kit.Cards, {x + 9, y + 21, 10, 10}, 0xE0E0F0, 0x404040);
    kit.Box(card, kit.Cards, {x + 6, y + 32, 16, 16}, 0x806040, 0x404040)->SetRoundness(U(6));
    auto text = [&](const char* name, TPx r, const char* value, bool bold, TColor color, TTextAlignment align) {
        TKestText* t = kit.Text(card, kit.Cards, r, value, 11, color, bold, align);
        t->Font()->SetName("Tahoma");
        t->SetWordWrap(false);
        t->SetName(name);
    };
    text("Caption", {x + 4, y + 2, 100, 13}, "Pass", true, clWhite, taLeftJustify);
    text("Id", {x + 80, y + 20, 40, 14}, "0", true, clBlack, taRightJustify);
    text("FirstName", {x + 30, y + 20, 56, 14}, "First name", false, clBlack, taLeftJustify);
    text("LastName", {x + 30, y + 36, 91, 14}, "Last name", false, clBlack, taLeftJustify);
    TPlanKit::FitGroup(card);
}

void BuildPlan(TKestPanel& panel, TSiteDesign& site)
{
    TPlanKit kit(panel, site);
    for (const char* name : SchemeNames)
        kit.AddScheme(name);
    kit.Scheme("MainPlan")->SetDefault(true);
    panel.SetDocWidth(U(PageWidth));
    panel.SetDocHeight(U(PageHeight));
    DrawControlPost(kit);
    DrawMainPlan(kit);
    DrawBuildings(kit);
    DrawCardTemplate(kit);
    panel.SetActiveScheme(kit.Scheme("MainPlan"));
}

} // namespace doravo::gensite
