#include "PlanKit.h"

#include <algorithm>
#include <stdexcept>

namespace doravo::gensite {

using namespace kest;

TPlanKit::TPlanKit(TKestPanel& panel, TSiteDesign& site)
    : panel_(panel)
    , site_(site)
{
    // A new panel holds one scheme and one layer; the plan names its own.
    panel.Schemes()->ClearChildren();
    panel.Layers()->ClearChildren();
    auto layer = [&panel](const char* name) {
        TKestLayer* l = panel.Layers()->NewLayer();
        l->SetName(name);
        return l;
    };
    Ground = layer("Ground");
    Zones = layer("Zones");
    Building = layer("Building");
    Doors = layer("Doors");
    ZoneNames = layer("ZoneNames");
    Lamps = layer("Lamps");
    Links = layer("Links");
    Cards = layer("Cards");
    panel.SetActiveLayer(Zones);
}

TKestScheme* TPlanKit::AddScheme(const std::string& name)
{
    auto* scheme = TKestControl::Create<TKestScheme>(&panel_, panel_.Schemes());
    scheme->SetName(name);
    scheme->Brush().SetMethod(bmHatch);
    scheme->Brush().SetStyle(bsSolid);
    scheme->Brush().SetColor(color::Paper);
    return scheme;
}

TKestScheme* TPlanKit::Scheme(const std::string& name) const
{
    for (int i = 0; i < panel_.Schemes()->Count(); ++i)
        if (panel_.Schemes()->Controls(i)->Name() == name)
            return static_cast<TKestScheme*>(panel_.Schemes()->Controls(i));
    throw std::runtime_error("no scheme " + name);
}

namespace {

template <class T> T* Place(TKestPanel& panel, TKestControl* parent, TKestLayer* layer, TPx r)
{
    T* c = TKestControl::Create<T>(&panel, parent, layer);
    // In document coordinates: a group refits itself around each member.
    c->SetDocRect({U(r.X), U(r.Y), U(r.Right()), U(r.Bottom())});
    return c;
}

template <class T> void Paint(T* shape, TColor fill, TColor pen, int32_t penWidth)
{
    shape->Brush()->SetMethod(bmHatch);
    shape->Brush()->SetStyle(fill == clNone ? bsClear : bsSolid);
    if (fill != clNone)
        shape->Brush()->SetColor(fill);
    shape->Pen()->SetStyle(pen == clNone ? psClear : psInsideFrame);
    if (pen != clNone) {
        shape->Pen()->SetColor(pen);
        shape->Pen()->SetWidth(U(penWidth));
    }
}

} // namespace

TKestBox* TPlanKit::Box(TKestControl* parent, TKestLayer* layer, TPx r, TColor fill, TColor pen, int32_t penWidth)
{
    auto* box = Place<TKestBox>(panel_, parent, layer, r);
    Paint(box, fill, pen, penWidth);
    return box;
}

TKestEllipse* TPlanKit::Ellipse(TKestControl* parent, TKestLayer* layer, TPx r, TColor fill, TColor pen)
{
    auto* ellipse = Place<TKestEllipse>(panel_, parent, layer, r);
    Paint(ellipse, fill, pen, 1);
    return ellipse;
}

TKestText* TPlanKit::Text(TKestControl* parent, TKestLayer* layer, TPx r, const std::string& text, int32_t pixels,
    TColor color, bool bold, TTextAlignment align)
{
    auto* t = Place<TKestText>(panel_, parent, layer, r);
    Paint(t, clNone, clNone, 0);
    t->SetText(text);
    t->Font()->SetName("Arial");
    t->Font()->SetHeight(-U(pixels));
    t->Font()->SetColor(color);
    t->Font()->SetStyle(bold ? fsBold : 0);
    t->SetAlignment(align);
    t->SetLayout(tlCenter);
    t->SetWordWrap(true);
    return t;
}

TKestGroup* TPlanKit::Group(TKestControl* parent, TKestLayer* layer, const std::string& name)
{
    auto* group = TKestControl::Create<TKestGroup>(&panel_, parent, layer);
    group->SetName(name);
    return group;
}

void TPlanKit::FitGroup(TKestGroup* group)
{
    group->FitToChildren();
}

void TPlanKit::Wall(
    TKestControl* scheme, bool horizontal, int32_t at, int32_t from, int32_t to, std::vector<int32_t> openings)
{
    std::sort(openings.begin(), openings.end());
    int32_t start = from;
    auto piece = [&](int32_t end) {
        if (end <= start)
            return;
        const TPx r
            = horizontal ? TPx {start, at, end - start, WallThickness} : TPx {at, start, WallThickness, end - start};
        Box(scheme, Building, r, color::WallFill, color::WallEdge);
    };
    for (int32_t opening : openings) {
        piece(opening);
        start = opening + DoorSide;
    }
    piece(to);
}

TKestDoor* TPlanKit::Door(TKestControl* scheme, bool horizontal, int32_t at, int32_t along, int32_t before,
    int32_t after, const std::string& name, bool afterFirst)
{
    const int32_t first
        = afterFirst ? site_.AddDoorPasses(after, before, name) : site_.AddDoorPasses(before, after, name);
    auto* door = TKestControl::Create<TKestDoor>(&panel_, scheme, Doors);
    door->SetLeft(U(horizontal ? along : at - DoorWallOffset));
    door->SetTop(U(horizontal ? at - DoorWallOffset : along));
    door->SetOrientation(horizontal ? doHorizontal : doVertical);
    door->SetPassA(afterFirst ? first + 1 : first);
    door->SetPassB(afterFirst ? first : first + 1);
    door->SetHint({name});
    return door;
}

void TPlanKit::Window(TKestControl* scheme, bool horizontal, int32_t at, int32_t from, int32_t length)
{
    const TPx r
        = horizontal ? TPx {from, at + 1, length, WallThickness - 2} : TPx {at + 1, from, WallThickness - 2, length};
    Box(scheme, Building, r, color::Window, 0x806040);
}

TKestBox* TPlanKit::ZoneShape(TKestControl* scheme, int32_t zoneId, TPx r, TColor fill)
{
    TKestBox* shape = Box(scheme, Zones, r, fill);
    shape->UserData().SetValueByName("ZoneID", std::to_string(zoneId));
    shape->UserData().SetValueByName("Level", std::to_string(site_.Level(zoneId)));
    shape->SetHint({site_.Zone(zoneId).Name});
    return shape;
}

TKestText* TPlanKit::ZoneCaption(TKestControl* scheme, int32_t zoneId, TPx r, int32_t pixels)
{
    TKestText* caption = Text(scheme, ZoneNames, r, site_.Zone(zoneId).Name, pixels, color::Caption);
    caption->SetName("ZoneName");
    caption->UserData().SetValueByName("ZoneID", std::to_string(zoneId));
    return caption;
}

TKestGroup* TPlanKit::LinkButton(
    TKestControl* scheme, const std::string& name, TPx r, const std::string& caption, const std::string& target)
{
    // White, navy and black: the colours the station swaps to mark the
    // button of the shown floor and the link under the mouse.
    TKestGroup* button = Group(scheme, Links, name);
    TKestBox* face = Box(button, Links, r, clWhite, clNavy);
    face->SetRoundness(U(6));
    Text(button, Links, {r.X + 2, r.Y + 2, r.W - 4, r.H - 4}, caption, 12, clBlack, true);
    FitGroup(button);
    button->SetReference(Scheme(target));
    return button;
}

} // namespace doravo::gensite
