#include <algorithm>

#include "KestControlsBasic.h"

namespace kest {

KEST_CONTROL_CLASS_IMPL(TKestBox, TKestControl)

int TKestBox::CreationCursor()
{
    return 8;
}

void TKestBox::CreateProperties()
{
    TKestControl::CreateProperties();
    brushProp_ = Props().Add<TBrushProp>("Brush");
    penProp_ = Props().Add<TPenProp>("Pen");
    roundnessProp_ = Props().Add<TIntProp>("Roundness");
    roundnessProp_->SetStyle(psVisible | psScaled);
}

void TKestBox::ControlCreate()
{
    SetWidth(1);
    SetHeight(1);
    TKestControl::ControlCreate();
    SetVisible(true);
}

void TKestBox::ControlTranslate(const TTranslateInfo& info)
{
    TKestControl::ControlTranslate(info);
    brushProp_->Translate(info.Rotate, info.Mirror);
}

void TKestBox::PropChanged(TPropList* sender, TCustomProp* prop)
{
    if (prop == roundnessProp_)
        DoNotify(knShape);
    TKestControl::PropChanged(sender, prop);
}

void TKestBox::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestControl::PropStored(sender, prop, subName, stored);
    if (prop == roundnessProp_ && subName.empty())
        stored = Roundness() != 0;
}

TKestRegion TKestBox::GetRegion(const TKestRect& screenRect, bool hitTest) const
{
    const TPenInfo pen = penProp_->GetPenInfo(ShapeScale(*this));
    int32_t w = pen.Width;
    TKestRect r = screenRect;
    int32_t grow = 0;
    if (hitTest) {
        grow = std::min(w, 2);
        if (pen.Style != psClear && pen.Style != psInsideFrame && w > 1)
            grow += w / 2;
        r = RectInflated(r, grow, grow);
    }
    const int32_t corner = ScaleValue(Roundness(), ShapeScale(*this));
    TKestRegion region;
    if (Roundness() != 0) {
        const TKestRect box = w >= 2 ? TKestRect {r.Left + 1, r.Top + 1, r.Right, r.Bottom}
                                     : TKestRect {r.Left, r.Top, r.Right + 1, r.Bottom + 1};
        region = TKestRegion::RoundRect(box, corner, corner);
    } else {
        region = TKestRegion(r);
    }
    if (hitTest && brushProp_->IsClear() && !HitInsideWhenClear() && !ShapeSelectAsFilled(*this)) {
        w = std::max(w, 3);
        const TKestRect inner = RectInflated(r, -(grow + w), -(grow + w));
        const TKestRegion hole = Roundness() != 0
            ? TKestRegion::RoundRect(inner, corner - w, corner - w)
            : TKestRegion(TKestRect {inner.Left, inner.Top, inner.Right - 1, inner.Bottom - 1});
        region.Combine(hole, RGN_XOR);
    }
    return region;
}

void TKestBox::Paint(TKestCanvas& canvas, const TKestRect& paintRect)
{
    const int32_t scale = ShapeScale(*this);
    penProp_->Setup(&canvas, scale);
    brushProp_->Setup(&canvas, scale);
    if (brushProp_->IsPaintAlternate()) {
        const auto saved = IntersectClipRgn(canvas, GetRegion(paintRect, false));
        brushProp_->PaintAlternate(canvas, paintRect, paintRect, false, scale);
        canvas.SelectClipRgn(saved);
        penProp_->Setup(&canvas, scale);
        brushProp_->Setup(&canvas, scale);
    }
    TKestRect r = paintRect;
    if (penProp_->GetPenInfo(scale).Style == psClear) {
        ++r.Right;
        ++r.Bottom;
    }
    if (Roundness() != 0) {
        const int32_t corner = ScaleValue(Roundness(), scale);
        canvas.RoundRect(r, corner, corner);
    } else {
        canvas.Rectangle(r);
    }
}

bool TKestBox::IsPointInside(int32_t x, int32_t y)
{
    const TKestRect doc = DocRect();
    if (Roundness() == 0 && !brushProp_->IsClear())
        return RectContains(ShapeScreenRect(*this, GetRefreshRect(doc.Left, doc.Top)), x, y);
    return GetRegion(ShapeScreenRect(*this, doc), true).Contains(x, y);
}

TKestRect TKestBox::GetRefreshRect(int32_t paintX, int32_t paintY)
{
    TKestRect r = TKestControl::GetRefreshRect(paintX, paintY);
    const TPenInfo pen = penProp_->GetPenInfo(ShapeScale(*this));
    if (pen.Style != psClear && pen.Style != psInsideFrame && pen.Width > 1) {
        const int32_t grow
            = pen.Geometric && penProp_->EndCap() == pecSquare ? penProp_->Width() : penProp_->Width() / 2;
        r = RectInflated(r, grow, grow);
    }
    return r;
}

TKestPoint TKestBox::AnchorPoint() const
{
    const TKestRect doc = DocRect();
    const TKestPoint point {std::min(Roundness(), Width()) / 2 + doc.Left, doc.Top};
    return Owner() ? Owner()->TransformPoint(point) : point;
}

int TKestBox::ConnectionPointCount() const
{
    return Roundness() == 0 ? 9 : 13;
}

TKestPoint TKestBox::ConnectionPoint(int index) const
{
    const int32_t w = Width();
    const int32_t h = Height();
    const int32_t roundness = Roundness();
    if (roundness == 0)
        return RectConnectionPoint({0, 0, w, h}, index);
    // Corners too round for the side fall back to the side's middle.
    if (roundness > w) {
        if (index == 0 || index == 2)
            index = 1;
        else if (index == 6 || index == 8)
            index = 7;
    }
    if (roundness > h) {
        if (index == 3 || index == 5)
            index = 4;
        else if (index == 9 || index == 11)
            index = 10;
    }
    const int32_t r = roundness / 2;
    switch (index) {
    case 0:
        return {r, 0};
    case 1:
        return {w / 2, 0};
    case 2:
        return {w - r, 0};
    case 3:
        return {w, r};
    case 4:
        return {w, h / 2};
    case 5:
        return {w, h - r};
    case 6:
        return {w - r, h};
    case 7:
        return {w / 2, h};
    case 8:
        return {r, h};
    case 9:
        return {0, h - r};
    case 10:
        return {0, h / 2};
    case 11:
        return {0, r};
    case 12:
        return {w / 2, h / 2};
    default:
        return {};
    }
}

int TKestBox::HandleCount() const
{
    return 1;
}

TKestPoint TKestBox::HandlePoint(int) const
{
    const TKestRect doc = DocRect();
    const int32_t half = std::min({Roundness(), Width(), Height()}) / 2;
    return {doc.Left + half, doc.Top + half};
}

void TKestBox::MoveHandle(int, TKestPoint point)
{
    // The handle's distance along the diagonal is half the corner's size.
    const TKestRect doc = DocRect();
    const int64_t along = int64_t(point.X - doc.Left) + (point.Y - doc.Top);
    SetRoundness(static_cast<int32_t>(std::clamp<int64_t>(along, 0, std::min(Width(), Height()))));
}

} // namespace kest
