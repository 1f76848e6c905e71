#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "KestControlsBasic.h"
#include "KestPropsHistory.h"

namespace kest {

namespace {

constexpr int32_t kFullTurn = 360000;

int32_t NormalAngle(int32_t angle)
{
    const int32_t a = angle % kFullTurn;
    return a < 0 ? a + kFullTurn : a;
}

int32_t RoundToInt(double value)
{
    const double limit = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::lround(std::clamp(value, -limit, limit)));
}

void Include(TKestRect& box, TKestPoint p)
{
    box.Left = std::min(box.Left, p.X);
    box.Top = std::min(box.Top, p.Y);
    box.Right = std::max(box.Right, p.X);
    box.Bottom = std::max(box.Bottom, p.Y);
}

// Half the width of the ellipse inscribed in r at the vertical offset dy
// from its centre.
double HalfWidthAt(const TKestRect& r, double dy)
{
    const double a = RectWidth(r) / 2.0;
    const double b = RectHeight(r) / 2.0;
    if (a <= 0 || b <= 0 || std::abs(dy) >= b)
        return 0;
    return a / b * std::sqrt(b * b - dy * dy);
}

} // namespace

// "ArcAxes": reads as the full ellipse and the angles; an assigned text is
// handed to the shape, which applies it and keeps nothing of it.
class TArcAxesProp : public TStrProp {
public:
    explicit TArcAxesProp(TKestEllipse& shape)
        : shape_(shape)
    {
    }
    std::string GetValue() override { return shape_.ArcAxes(); }
    void SetValue(const std::string& value) override
    {
        if (value.empty() || shape_.updating_ > 0 || IsReadOnly())
            return;
        DoBeforeChanged();
        assigned_ = value;
        DoChanged();
        assigned_.clear();
    }
    const std::string& Assigned() const { return assigned_; }

private:
    TKestEllipse& shape_;
    std::string assigned_;
};

KEST_CONTROL_CLASS_IMPL(TKestEllipse, TKestControl)
KEST_CONTROL_CLASS_IMPL(TKestArc, TKestEllipse)

int TKestEllipse::CreationCursor()
{
    return 9;
}

void TKestEllipse::CreateProperties()
{
    TKestControl::CreateProperties();
    brushProp_ = Props().Add<TBrushProp>("Brush");
    penProp_ = Props().Add<TPenProp>("Pen");
    beginAngleProp_ = Props().Add<TIntProp>("BeginAngle");
    beginAngleProp_->SetStyle(psVisible | psScaled);
    endAngleProp_ = Props().Add<TIntProp>("EndAngle");
    endAngleProp_->SetStyle(psVisible | psScaled);
    arcAxesProp_ = Props().Add<TArcAxesProp>("ArcAxes", *this);
}

void TKestEllipse::ControlCreate()
{
    SetWidth(1);
    SetHeight(1);
    TKestControl::ControlCreate();
    SetVisible(true);
}

TKestRect TKestEllipse::EllipseRect() const
{
    return axes_ ? axesRect_ : TKestRect {0, 0, Width(), Height()};
}

std::string TKestEllipse::ArcAxes() const
{
    const TKestRect doc = DocRect();
    const TKestRect full = RectOffset(EllipseRect(), doc.Left, doc.Top);
    char text[96];
    std::snprintf(
        text, sizeof text, "%d;%d;%d;%d;%d;%d", full.Left, full.Top, full.Right, full.Bottom, BeginAngle(), EndAngle());
    return text;
}

void TKestEllipse::SetArcAxes(const std::string& value)
{
    arcAxesProp_->SetValue(value);
}

bool TKestEllipse::ApplyArcAxes(const std::string& text)
{
    int32_t v[6];
    size_t count = 0;
    for (size_t pos = 0; pos <= text.size();) {
        size_t end = text.find(';', pos);
        if (end == std::string::npos)
            end = text.size();
        if (count == 6)
            return false;
        const char* first = text.data() + pos;
        const char* last = text.data() + end;
        const auto result = std::from_chars(first, last, v[count]);
        if (result.ec != std::errc() || result.ptr != last)
            return false;
        ++count;
        pos = end + 1;
    }
    if (count != 6)
        return false;
    // The rectangle's size must fit the coordinates it is kept in.
    const int64_t width = int64_t(v[2]) - v[0];
    const int64_t height = int64_t(v[3]) - v[1];
    if (width > std::numeric_limits<int32_t>::max() || height > std::numeric_limits<int32_t>::max())
        return false;
    BeginUpdate();
    ++updating_;
    SetDocRect({v[0], v[1], v[2], v[3]});
    axes_ = false;
    SetBeginAngle(v[4]);
    SetEndAngle(v[5]);
    --updating_;
    UpdateArcPoints();
    EndUpdate();
    return true;
}

TKestPoint TKestEllipse::AnglePoint(int32_t angle) const
{
    const TKestRect r = EllipseRect();
    const int32_t a0 = NormalAngle(angle);
    if (a0 == 0)
        return {r.Right, (r.Top + r.Bottom) / 2};
    if (a0 == 180000)
        return {r.Left, (r.Top + r.Bottom) / 2};
    const double a = RectWidth(r) / 2.0;
    const double b = RectHeight(r) / 2.0;
    const double theta = a0 * M_PI / 180000.0;
    return {r.Left + RoundToInt(a + a * std::cos(theta)), r.Top + RoundToInt(b - b * std::sin(theta))};
}

int32_t TKestEllipse::PointAngle(TKestPoint point) const
{
    const TKestRect r = EllipseRect();
    const double cx = (r.Left + r.Right) / 2.0;
    const double cy = (r.Top + r.Bottom) / 2.0;
    const double a = RectWidth(r) / 2.0;
    const double b = RectHeight(r) / 2.0;
    if (point.X == cx || a <= 0 || b <= 0)
        return cy - point.Y > 0 ? 90000 : 270000;
    double degrees = std::atan2((cy - point.Y) * a / b, point.X - cx) * 180.0 / M_PI;
    if (degrees < 0)
        degrees += 360;
    return NormalAngle(RoundToInt(degrees * 1000));
}

void TKestEllipse::UpdateArcPoints()
{
    if (updating_ > 0)
        return;
    ++updating_;
    const bool arc = BeginAngle() != EndAngle();
    if (arc && !axes_) {
        axes_ = true;
        axesRect_ = {0, 0, Width(), Height()};
    } else if (!arc && axes_) {
        axes_ = false;
        const TKestRect doc = DocRect();
        SetDocRect(RectOffset(axesRect_, doc.Left, doc.Top));
    }
    points_[0] = AnglePoint(BeginAngle());
    points_[1] = AnglePoint(EndAngle());
    if (axes_)
        FitArcRect();
    fitSize_ = {Width(), Height()};
    --updating_;
    DoNotify(knPoints);
}

void TKestEllipse::FitArcRect()
{
    const TKestRect full = axesRect_;
    const int32_t begin = NormalAngle(BeginAngle());
    const int32_t end = NormalAngle(EndAngle());
    const int32_t beginQuarter = begin / 90000;
    const int32_t endQuarter = end / 90000;
    TKestRect box {points_[0].X, points_[0].Y, points_[0].X, points_[0].Y};
    Include(box, points_[1]);
    if (beginQuarter == endQuarter && begin > end) {
        box = full;
    } else {
        const int32_t cx = (full.Left + full.Right) / 2;
        const int32_t cy = (full.Top + full.Bottom) / 2;
        const TKestPoint extremes[4] = {{full.Right, cy}, {cx, full.Top}, {full.Left, cy}, {cx, full.Bottom}};
        for (int32_t q = beginQuarter; q != endQuarter;) {
            q = (q + 1) % 4;
            Include(box, extremes[q]);
        }
    }
    if (!brushProp_->IsClear())
        Include(box, {(full.Left + full.Right) / 2, (full.Top + full.Bottom) / 2});
    if (box == TKestRect {0, 0, Width(), Height()})
        return;
    const TKestRect doc = DocRect();
    SetDocRect(RectOffset(box, doc.Left, doc.Top));
    axesRect_ = RectOffset(axesRect_, -box.Left, -box.Top);
    for (TKestPoint& p : points_)
        p = {p.X - box.Left, p.Y - box.Top};
}

void TKestEllipse::DoNotify(TKestNotify notify)
{
    TKestControl::DoNotify(notify);
    if (notify != knRect || updating_ > 0 || UpdateCounter() > 0 || IsHistorySource())
        return;
    // A resized arc takes its full ellipse along in proportion.
    if (axes_ && fitSize_.cx > 0 && fitSize_.cy > 0 && (fitSize_.cx != Width() || fitSize_.cy != Height())) {
        axesRect_ = {MulDiv(axesRect_.Left, Width(), fitSize_.cx), MulDiv(axesRect_.Top, Height(), fitSize_.cy),
            MulDiv(axesRect_.Right, Width(), fitSize_.cx), MulDiv(axesRect_.Bottom, Height(), fitSize_.cy)};
    }
    UpdateArcPoints();
}

void TKestEllipse::PropChanged(TPropList* sender, TCustomProp* prop)
{
    // A filled pie's bounds take in the centre.
    if (prop == beginAngleProp_ || prop == endAngleProp_ || (prop == brushProp_ && axes_))
        UpdateArcPoints();
    else if (prop == arcAxesProp_ && updating_ == 0)
        ApplyArcAxes(arcAxesProp_->Assigned());
    TKestControl::PropChanged(sender, prop);
}

void TKestEllipse::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestControl::PropStored(sender, prop, subName, stored);
    if (!subName.empty())
        return;
    if (prop == beginAngleProp_)
        stored = BeginAngle() != 0;
    else if (prop == endAngleProp_)
        stored = EndAngle() != 0;
    else if (prop == arcAxesProp_)
        stored = axes_;
}

void TKestEllipse::PropHistoryAction(TPropList* sender, TCustomProp* prop, const THistoryActionClass*& actionClass)
{
    // Angles and the size of an arc go back together with the full ellipse.
    const bool arcShape
        = prop == beginAngleProp_ || prop == endAngleProp_ || (axes_ && (prop == WidthProp() || prop == HeightProp()));
    if (!arcShape)
        return;
    actionClass = nullptr;
    if (updating_ == 0 && sender->History() && !arcAxesProp_->NotHistory())
        sender->History()->RecordAction(TPropHistoryAction::StaticClass(), arcAxesProp_);
}

void TKestEllipse::ControlTranslate(const TTranslateInfo& info)
{
    auto turn = [&info](int32_t angle) {
        if (info.Mirror)
            angle = 180000 - angle;
        return NormalAngle(NormalAngle(angle) + NormalAngle(int32_t(int64_t(info.Rotate) * 1000 % kFullTurn)));
    };
    int32_t begin = turn(BeginAngle());
    int32_t end = turn(EndAngle());
    if (info.Mirror)
        std::swap(begin, end);
    const TKestRect doc = DocRect();
    const TKestRect full = TranslateRect(info, RectOffset(axesRect_, doc.Left, doc.Top));
    ++updating_;
    TKestControl::ControlTranslate(info);
    brushProp_->Translate(info.Rotate, info.Mirror);
    SetBeginAngle(begin);
    SetEndAngle(end);
    if (axes_) {
        const TKestRect moved = DocRect();
        axesRect_ = RectOffset(full, -moved.Left, -moved.Top);
    }
    --updating_;
    UpdateArcPoints();
}

int TKestEllipse::PointCount() const
{
    return 2;
}

TKestPoint TKestEllipse::Point(int index) const
{
    return index >= 0 && index < 2 ? points_[size_t(index)] : TKestPoint {};
}

TPointType TKestEllipse::PointType(int index) const
{
    return index == 1 ? ptOpenEnd : ptNode;
}

void TKestEllipse::SetPoint(int index, TKestPoint point)
{
    if (index < 0 || index >= 2)
        return;
    points_[size_t(index)] = point;
    const int32_t angle = PointAngle(point);
    if (index == 0)
        SetBeginAngle(angle);
    else
        SetEndAngle(angle);
    DoNotify(knPoints);
}

int TKestEllipse::HandleCount() const
{
    return 2;
}

TKestPoint TKestEllipse::HandlePoint(int index) const
{
    const TKestRect doc = DocRect();
    const TKestPoint p = Point(index);
    return {doc.Left + p.X, doc.Top + p.Y};
}

void TKestEllipse::MoveHandle(int index, TKestPoint point)
{
    const TKestRect doc = DocRect();
    SetPoint(index, {point.X - doc.Left, point.Y - doc.Top});
}

void TKestEllipse::GetPathPoints(TPointArray& points, TPointTypeArray& types) const
{
    points = points_;
    types = {ptNode, ptOpenEnd};
}

void TKestEllipse::SetPathPoints(const TPointArray& points, const TPointTypeArray&)
{
    // Undo and redo restore the angles through "ArcAxes", exactly.
    if (points.size() != 2 || IsHistorySource())
        return;
    const int32_t begin = PointAngle(points[0]);
    const int32_t end = PointAngle(points[1]);
    ++updating_;
    SetBeginAngle(begin);
    SetEndAngle(end);
    --updating_;
    UpdateArcPoints();
}

TKestRect TKestEllipse::ScreenEllipse(const TKestRect& shapeScreen) const
{
    const int32_t scale = ShapeScale(*this);
    const TKestRect full = EllipseRect();
    return {shapeScreen.Left + ScaleValue(full.Left, scale), shapeScreen.Top + ScaleValue(full.Top, scale),
        shapeScreen.Left + ScaleValue(full.Right, scale), shapeScreen.Top + ScaleValue(full.Bottom, scale)};
}

TKestPoint TKestEllipse::ScreenPoint(const TKestRect& shapeScreen, TKestPoint point) const
{
    const int32_t scale = ShapeScale(*this);
    return {shapeScreen.Left + ScaleValue(point.X, scale), shapeScreen.Top + ScaleValue(point.Y, scale)};
}

void TKestEllipse::FillSelf(TKestCanvas& canvas, const TKestRect& paintRect, const TKestRegion& region)
{
    const int32_t scale = ShapeScale(*this);
    const auto saved = IntersectClipRgn(canvas, region);
    brushProp_->PaintAlternate(canvas, paintRect, paintRect, false, scale);
    canvas.SelectClipRgn(saved);
    penProp_->Setup(&canvas, scale);
    brushProp_->Setup(&canvas, scale);
}

void TKestEllipse::Paint(TKestCanvas& canvas, const TKestRect& paintRect)
{
    const int32_t scale = ShapeScale(*this);
    const TPenInfo pen = penProp_->GetPenInfo(scale);
    penProp_->Setup(&canvas, scale);
    brushProp_->Setup(&canvas, scale);
    TKestRect full = ScreenEllipse(paintRect);
    if (BeginAngle() == EndAngle()) {
        if (brushProp_->IsPaintAlternate()) {
            const TKestRect fill = pen.Width <= 1 ? TKestRect {full.Left, full.Top, full.Right + 1, full.Bottom + 1}
                                                  : TKestRect {full.Left + 1, full.Top + 1, full.Right, full.Bottom};
            FillSelf(canvas, full, TKestRegion::Ellipse(fill));
        }
        if (pen.Style == psClear) {
            ++full.Right;
            ++full.Bottom;
        }
        canvas.Ellipse(full);
        return;
    }
    TKestPoint start = ScreenPoint(paintRect, points_[0]);
    TKestPoint end = ScreenPoint(paintRect, points_[1]);
    // Ends that meet on screen would make the platform draw the whole ellipse.
    if (std::abs(start.X - end.X) <= 1 && std::abs(start.Y - end.Y) <= 1 && points_[0] != points_[1]) {
        const double dx = points_[1].X - points_[0].X;
        const double dy = points_[1].Y - points_[0].Y;
        const double length = std::hypot(dx, dy);
        end = {start.X + 2 * RoundToInt(dx / length), start.Y + 2 * RoundToInt(dy / length)};
    }
    if (brushProp_->IsClear()) {
        canvas.Arc(full, start, end);
        return;
    }
    if (brushProp_->IsPaintAlternate()) {
        canvas.BeginPath();
        canvas.Pie(full, start, end);
        canvas.EndPath();
        if (const auto region = canvas.PathToRegion())
            FillSelf(canvas, full, *region);
    }
    canvas.Pie(full, start, end);
}

bool TKestEllipse::IsPointInside(int32_t x, int32_t y)
{
    const int32_t scale = ShapeScale(*this);
    const TPenInfo pen = penProp_->GetPenInfo(scale);
    const TKestRect shape = ShapeScreenRect(*this, DocRect());
    int32_t grow = 4;
    if (pen.Style != psClear && pen.Style != psInsideFrame && pen.Width > 1)
        grow += pen.Width / 2;
    const TKestRect outer = RectInflated(ScreenEllipse(shape), grow, grow);
    if (!RectContains(outer, x, y))
        return false;
    if (BeginAngle() != EndAngle() && !RectContains(RectInflated(shape, 4, 4), x, y))
        return false;
    const double cx = (outer.Left + outer.Right) / 2.0;
    const double cy = (outer.Top + outer.Bottom) / 2.0;
    const double dx = std::abs(x - cx);
    const double dy = y - cy;
    const bool filled = !brushProp_->IsClear() || ShapeSelectAsFilled(*this);
    const int32_t band = pen.Width + 8;
    const double inner = filled ? 0 : HalfWidthAt(RectInflated(outer, -band, -band), dy);
    return dx <= HalfWidthAt(outer, dy) && dx >= inner;
}

TKestRect TKestEllipse::GetRefreshRect(int32_t paintX, int32_t paintY)
{
    TKestRect r = TKestControl::GetRefreshRect(paintX, paintY);
    const int32_t width = penProp_->ActiveWidth();
    if (axes_)
        return RectInflated(r, width + 2000, width + 2000);
    const TPenInfo pen = penProp_->GetPenInfo(ShapeScale(*this));
    if (pen.Style != psClear && pen.Width > 1)
        r = RectInflated(r, width / 2 + 1000, width / 2 + 1000);
    return r;
}

TKestPoint TKestEllipse::AnchorPoint() const
{
    const TKestRect doc = DocRect();
    const TKestPoint point = BeginAngle() != EndAngle() ? TKestPoint {doc.Left + points_[0].X, doc.Top + points_[0].Y}
                                                        : TKestPoint {doc.Left + Width() / 2, doc.Top};
    return Owner() ? Owner()->TransformPoint(point) : point;
}

int TKestEllipse::ConnectionPointCount() const
{
    return 5;
}

TKestPoint TKestEllipse::ConnectionPoint(int index) const
{
    const int32_t w = Width();
    const int32_t h = Height();
    switch (index) {
    case 0:
        return {w / 2, 0};
    case 1:
        return {w, h / 2};
    case 2:
        return {w / 2, h};
    case 3:
        return {0, h / 2};
    case 4:
        return {w / 2, h / 2};
    default:
        return {};
    }
}

} // namespace kest
