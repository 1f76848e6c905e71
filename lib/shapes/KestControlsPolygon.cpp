#include <algorithm>
#include <cmath>

#include "KestControlsBasic.h"
#include "KestPath.h"

namespace kest {

KEST_CONTROL_CLASS_IMPL(TKestRegularPolygon, TKestControl)

void TKestRegularPolygon::CreateProperties()
{
    TKestControl::CreateProperties();
    brushProp_ = Props().Add<TBrushProp>("Brush");
    penProp_ = Props().Add<TPenProp>("Pen");
    angleProp_ = Props().Add<TIntProp>("Angle");
    sidesProp_ = Props().Add<TIntProp>("Sides");
}

void TKestRegularPolygon::ControlCreate()
{
    SetWidth(1);
    SetHeight(1);
    brushProp_->SetColor(clNone);
    brushProp_->SetStyle(bsSolid);
    SetSides(4);
    TKestControl::ControlCreate();
    SetVisible(true);
}

void TKestRegularPolygon::UpdateUnitVertices()
{
    const int32_t sides = std::clamp(Sides(), 3, kMaxSides);
    unit_.assign(size_t(sides), {});
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
    for (int32_t i = 0; i < sides; ++i) {
        const double angle = (Angle() % 360 + 90) * M_PI / 180 + i * 2 * M_PI / sides;
        unit_[size_t(i)] = {std::cos(angle), -std::sin(angle)};
        minX = std::min(minX, unit_[size_t(i)].X);
        minY = std::min(minY, unit_[size_t(i)].Y);
        maxX = std::max(maxX, unit_[size_t(i)].X);
        maxY = std::max(maxY, unit_[size_t(i)].Y);
    }
    for (TVertex& v : unit_)
        v = {v.X - minX, v.Y - minY};
    unitWidth_ = maxX - minX;
    unitHeight_ = maxY - minY;
}

TPointArray TKestRegularPolygon::PolygonPoints(const TKestRect& rect) const
{
    const double sx = unitWidth_ > 0 ? RectWidth(rect) / unitWidth_ : 0;
    const double sy = unitHeight_ > 0 ? RectHeight(rect) / unitHeight_ : 0;
    TPointArray points;
    points.reserve(unit_.size());
    for (const TVertex& v : unit_)
        points.push_back({rect.Left + int32_t(std::lround(sx * v.X)), rect.Top + int32_t(std::lround(sy * v.Y))});
    return points;
}

void TKestRegularPolygon::UpdatePath()
{
    path_ = PolygonPoints({0, 0, Width(), Height()});
    pathTypes_.assign(path_.size(), ptNode);
    if (!pathTypes_.empty())
        pathTypes_.back() = ptClosedEnd;
    GetPathInfo(path_, pathTypes_, pathInfo_);
}

void TKestRegularPolygon::PropChanged(TPropList* sender, TCustomProp* prop)
{
    if (prop == sidesProp_ && (Sides() < 3 || Sides() > kMaxSides)) {
        SetSides(std::clamp(Sides(), 3, kMaxSides));
        return;
    }
    if (prop == sidesProp_ || prop == angleProp_) {
        const double oldWidth = unitWidth_;
        const double oldHeight = unitHeight_;
        UpdateUnitVertices();
        // Keep the ratio of the horizontal and vertical scale; undo and redo
        // bring the height back by themselves.
        if (prop == sidesProp_ && oldWidth > 0 && oldHeight > 0 && unitWidth_ > 0 && unitHeight_ > 0
            && !IsHistorySource()) {
            const double height = Height() * (oldWidth / oldHeight) * (unitHeight_ / unitWidth_);
            SetHeight(int32_t(std::lround(std::min(height, 2147483647.0))));
        }
    }
    if (prop == sidesProp_ || prop == angleProp_ || IsGeometryProp(prop))
        UpdatePath();
    TKestControl::PropChanged(sender, prop);
}

void TKestRegularPolygon::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestControl::PropStored(sender, prop, subName, stored);
    if (!subName.empty())
        return;
    if (prop == angleProp_)
        stored = Angle() != 0;
    else if (prop == sidesProp_)
        stored = Sides() != 4;
}

void TKestRegularPolygon::ControlTranslate(const TTranslateInfo& info)
{
    TKestControl::ControlTranslate(info);
    brushProp_->Translate(info.Rotate, info.Mirror);
    int32_t angle = Angle() % 360;
    if (angle < 0)
        angle += 360;
    if (info.Mirror)
        angle = -angle;
    angle = (angle + info.Rotate % 360) % 360;
    if (angle < 0)
        angle += 360;
    if (angle != Angle())
        SetAngle(angle);
}

void TKestRegularPolygon::Paint(TKestCanvas& canvas, const TKestRect& paintRect)
{
    const int32_t scale = ShapeScale(*this);
    penProp_->Setup(&canvas, scale);
    brushProp_->Setup(&canvas, scale);
    const TPointArray points = PolygonPoints(paintRect);
    if (brushProp_->IsPaintAlternate()) {
        const auto saved = IntersectClipRgn(canvas, TKestRegion::Polygon(points, WINDING));
        brushProp_->PaintAlternate(canvas, paintRect, paintRect, false, scale);
        canvas.SelectClipRgn(saved);
        penProp_->Setup(&canvas, scale);
        brushProp_->Setup(&canvas, scale);
    }
    const TFillMode mode = canvas.PolyFillMode();
    canvas.SetPolyFillMode(WINDING);
    canvas.Polygon(points);
    canvas.SetPolyFillMode(mode);
}

bool TKestRegularPolygon::IsPointInside(int32_t x, int32_t y)
{
    const TKestPoint p = OwnerToClient({x, y});
    const int32_t tolerance = UnscaleValue(4, ShapeScale(*this)) + penProp_->Width() / 2;
    if (!RectContains({-tolerance, -tolerance, Width() + tolerance + 1, Height() + tolerance + 1}, p.X, p.Y))
        return false;
    const bool fillTest = !brushProp_->IsClear() || ShapeSelectAsFilled(*this);
    const bool strokeTest = penProp_->ActiveWidth() >= 1;
    return PointOnPath(path_, pathTypes_, p, &pathInfo_, nullptr, tolerance, fillTest, strokeTest);
}

TKestRect TKestRegularPolygon::GetRefreshRect(int32_t paintX, int32_t paintY)
{
    const TKestRect r = TKestControl::GetRefreshRect(paintX, paintY);
    if (penProp_->ActiveWidth() == 0)
        return r;
    const int32_t grow = penProp_->Width() / 2 + 2000;
    return RectInflated(r, grow, grow);
}

TKestPoint TKestRegularPolygon::AnchorPoint() const
{
    const TKestRect doc = DocRect();
    const TKestPoint first = path_.empty() ? TKestPoint {} : path_.front();
    const TKestPoint point {doc.Left + first.X, doc.Top + first.Y};
    return Owner() ? Owner()->TransformPoint(point) : point;
}

int TKestRegularPolygon::ConnectionPointCount() const
{
    return int(path_.size());
}

TKestPoint TKestRegularPolygon::ConnectionPoint(int index) const
{
    return index >= 0 && index < int(path_.size()) ? path_[size_t(index)] : TKestPoint {};
}

} // namespace kest
