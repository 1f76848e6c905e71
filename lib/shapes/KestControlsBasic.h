// The closed shapes defined by their rectangle: the box (optionally with
// rounded corners), the ellipse with its arcs and pies, the picture and the
// regular polygon. Each paints with the graphic properties of its list,
// tests hits in panel pixels and offers points for connectors to attach to.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KestBase.h"
#include "KestGraphicProps.h"
#include "KestPath.h"
#include "KestRegion.h"

namespace kest {

// Geometry helpers the shapes share.
int32_t ShapeScale(const TKestControl& control);
TKestRect ShapeScreenRect(const TKestControl& control, const TKestRect& docRect);
bool ShapeSelectAsFilled(const TKestControl& control);
TKestRect RectInflated(const TKestRect& r, int32_t dx, int32_t dy);
TKestRect RectOffset(const TKestRect& r, int32_t dx, int32_t dy);
bool RectContains(const TKestRect& r, int32_t x, int32_t y);
// The corners, side middles and centre of r: index 0 top-left, then
// clockwise, 8 the centre; (0, 0) for any other index.
TKestPoint RectConnectionPoint(const TKestRect& r, int index);
// The outlines the shapes convert into, as closed (or, for an arc without
// pie, open) figures within rect.
void RoundedRectPath(const TKestRect& rect, int32_t roundness, TPointArray& points, TPointTypeArray& types);
void EllipsePath(const TKestRect& rect, TPointArray& points, TPointTypeArray& types);
// Angles in thousandths of a degree, counter-clockwise with y up.
void ArcPath(
    const TKestRect& rect, int32_t beginAngle, int32_t endAngle, bool pie, TPointArray& points, TPointTypeArray& types);
// A new curve beside shape with its common properties and the given outline
// (relative to the shape's top-left corner).
TKestControl* ShapeToCurve(TKestControl& shape, const TPointArray& points, const TPointTypeArray& types);

class TKestBox : public TKestControl {
    KEST_CONTROL_CLASS(TKestBox)
public:
    static int CreationCursor();

    TBrushProp* Brush() const { return brushProp_; }
    TPenProp* Pen() const { return penProp_; }
    int32_t Roundness() const { return roundnessProp_->Value(); }
    void SetRoundness(int32_t value) { roundnessProp_->SetValue(value); }

    // The box's outline over a rectangle in panel pixels; for hit tests it
    // takes the pen's reach in, and an unfilled box is only its frame.
    TKestRegion GetRegion(const TKestRect& screenRect, bool hitTest) const;

    void Paint(TKestCanvas& canvas, const TKestRect& paintRect) override;
    bool IsPointInside(int32_t x, int32_t y) override;
    TKestRect GetRefreshRect(int32_t paintX, int32_t paintY) override;
    TKestPoint AnchorPoint() const override;
    int ConnectionPointCount() const override;
    TKestPoint ConnectionPoint(int index) const override;
    TKestControl* ConvertToCurve() override;
    // One handle: the centre of the top-left corner's rounding, dragged
    // along the diagonal to set "Roundness".
    int HandleCount() const override;
    TKestPoint HandlePoint(int index) const override;
    void MoveHandle(int index, TKestPoint point) override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void ControlTranslate(const TTranslateInfo& info) override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;
    // Kinds whose inside always counts (texts) are hit there even without a fill.
    virtual bool HitInsideWhenClear() const { return false; }

private:
    TBrushProp* brushProp_ = nullptr;
    TPenProp* penProp_ = nullptr;
    TIntProp* roundnessProp_ = nullptr;
};

class TArcAxesProp;

// An ellipse, or with different angles an elliptic arc (a pie when filled).
// While it shows an arc its rectangle is the arc's tight bounds and the full
// ellipse is kept apart as the axes rectangle.
class TKestEllipse : public TKestControl {
    KEST_CONTROL_CLASS(TKestEllipse)
public:
    static int CreationCursor();

    TBrushProp* Brush() const { return brushProp_; }
    TPenProp* Pen() const { return penProp_; }
    // Thousandths of a degree, counter-clockwise from the positive x axis.
    int32_t BeginAngle() const { return beginAngleProp_->Value(); }
    void SetBeginAngle(int32_t value) { beginAngleProp_->SetValue(value); }
    int32_t EndAngle() const { return endAngleProp_->Value(); }
    void SetEndAngle(int32_t value) { endAngleProp_->SetValue(value); }
    // "left;top;right;bottom;begin;end" of the full ellipse in document
    // coordinates; six fields set rectangle and angles at once.
    std::string ArcAxes() const;
    void SetArcAxes(const std::string& value);
    bool AxesSet() const { return axes_; }
    // The full ellipse, relative to the shape.
    TKestRect EllipseRect() const;

    void Paint(TKestCanvas& canvas, const TKestRect& paintRect) override;
    bool IsPointInside(int32_t x, int32_t y) override;
    TKestRect GetRefreshRect(int32_t paintX, int32_t paintY) override;
    TKestPoint AnchorPoint() const override;
    int ConnectionPointCount() const override;
    TKestPoint ConnectionPoint(int index) const override;
    TKestControl* ConvertToCurve() override;

    // The two arc end points, relative to the shape.
    int PointCount() const override;
    TKestPoint Point(int index) const override;
    void SetPoint(int index, TKestPoint point) override;
    TPointType PointType(int index) const override;
    void GetPathPoints(TPointArray& points, TPointTypeArray& types) const override;
    void SetPathPoints(const TPointArray& points, const TPointTypeArray& types) override;
    void DoNotify(TKestNotify notify) override;
    // The two arc ends: dragging one sets its angle.
    int HandleCount() const override;
    TKestPoint HandlePoint(int index) const override;
    void MoveHandle(int index, TKestPoint point) override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void ControlTranslate(const TTranslateInfo& info) override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;
    void PropHistoryAction(TPropList* sender, TCustomProp* prop, const THistoryActionClass*& actionClass) override;

private:
    friend class TArcAxesProp;

    bool ApplyArcAxes(const std::string& text);
    // The point of the full ellipse at an angle, relative to the shape.
    TKestPoint AnglePoint(int32_t angle) const;
    int32_t PointAngle(TKestPoint point) const;
    // Follows the angles: switches the axes on or off, places the end
    // points and fits the rectangle to the arc.
    void UpdateArcPoints();
    void FitArcRect();
    TKestRect ScreenEllipse(const TKestRect& shapeScreen) const;
    TKestPoint ScreenPoint(const TKestRect& shapeScreen, TKestPoint point) const;
    void FillSelf(TKestCanvas& canvas, const TKestRect& paintRect, const TKestRegion& region);

    TBrushProp* brushProp_ = nullptr;
    TPenProp* penProp_ = nullptr;
    TIntProp* beginAngleProp_ = nullptr;
    TIntProp* endAngleProp_ = nullptr;
    TArcAxesProp* arcAxesProp_ = nullptr;
    TPointArray points_ {TKestPoint {}, TKestPoint {}};
    bool axes_ = false;
    TKestRect axesRect_; // relative to the shape
    TKestSize fitSize_; // the size the axes rectangle was last fitted to
    int32_t updating_ = 0;
};

// The same shape under a class name of its own.
class TKestArc : public TKestEllipse {
    KEST_CONTROL_CLASS(TKestArc)
};

// An image drawn into the rectangle, optionally one frame of it.
class TKestPicture : public TKestControl {
    KEST_CONTROL_CLASS(TKestPicture)
public:
    static int CreationCursor();

    bool AutoSize() const { return autoSizeProp_->BoolValue(); }
    void SetAutoSize(bool value) { autoSizeProp_->SetBoolValue(value); }
    TPictureProp* Picture() const { return pictureProp_; }
    int32_t FrameIndex() const { return frameIndexProp_->Value(); }
    void SetFrameIndex(int32_t value) { frameIndexProp_->SetValue(value); }

    void Paint(TKestCanvas& canvas, const TKestRect& paintRect) override;
    bool IsPointInside(int32_t x, int32_t y) override;
    int ConnectionPointCount() const override;
    TKestPoint ConnectionPoint(int index) const override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;

private:
    void ApplyAutoSize();

    TBoolProp* autoSizeProp_ = nullptr;
    TPictureProp* pictureProp_ = nullptr;
    TIntProp* frameIndexProp_ = nullptr;
};

// A regular polygon inscribed in the rectangle.
class TKestRegularPolygon : public TKestControl {
    KEST_CONTROL_CLASS(TKestRegularPolygon)
public:
    // More sides than this are taken as this many.
    static constexpr int32_t kMaxSides = 1000;

    TBrushProp* Brush() const { return brushProp_; }
    TPenProp* Pen() const { return penProp_; }
    // Degrees.
    int32_t Angle() const { return angleProp_->Value(); }
    void SetAngle(int32_t value) { angleProp_->SetValue(value); }
    int32_t Sides() const { return sidesProp_->Value(); }
    void SetSides(int32_t value) { sidesProp_->SetValue(value); }
    // The vertices in rect, in order.
    TPointArray PolygonPoints(const TKestRect& rect) const;
    // The shape's own closed path, relative to its top-left.
    const TPointArray& Path() const { return path_; }
    const TPointTypeArray& PathTypes() const { return pathTypes_; }

    void Paint(TKestCanvas& canvas, const TKestRect& paintRect) override;
    bool IsPointInside(int32_t x, int32_t y) override;
    TKestRect GetRefreshRect(int32_t paintX, int32_t paintY) override;
    TKestPoint AnchorPoint() const override;
    int ConnectionPointCount() const override;
    TKestPoint ConnectionPoint(int index) const override;
    TKestControl* ConvertToCurve() override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void ControlTranslate(const TTranslateInfo& info) override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;

private:
    struct TVertex {
        double X, Y;
    };
    void UpdateUnitVertices();
    void UpdatePath();

    TBrushProp* brushProp_ = nullptr;
    TPenProp* penProp_ = nullptr;
    TIntProp* angleProp_ = nullptr;
    TIntProp* sidesProp_ = nullptr;
    std::vector<TVertex> unit_;
    double unitWidth_ = 0;
    double unitHeight_ = 0;
    TPointArray path_;
    TPointTypeArray pathTypes_;
    TPathInfo pathInfo_;
};

} // namespace kest
