// TKestCurve: the general outline object — open and closed figures of
// straight and Bezier segments kept as points relative to the curve's
// top-left corner, with a brush for the closed figures, a pen and a line cap
// at both ends of every open figure.
//
// TKestConnector: a curve whose two ends are tied to points of other
// objects; it reroutes itself, straight or as an orthogonal polyline that
// keeps a gap around the objects, whenever they move or change.
#pragma once

#include <cstdint>
#include <vector>

#include "KestBaseControl.h"
#include "KestBasePoints.h"
#include "KestPath.h"

namespace kest {

class TBrushProp;
class TDataProp;
class TLineCapProp;
class TLinkPointProp;
class TLinkProp;
class TPenProp;

class TKestCurve : public TKestControl {
    KEST_CONTROL_CLASS(TKestCurve)
public:
    static int CreationCursor();

    TBrushProp* Brush() const { return brushProp_; }
    TPenProp* Pen() const { return penProp_; }
    TLineCapProp* BeginCap() const { return beginCapProp_; }
    TLineCapProp* EndCap() const { return endCapProp_; }
    bool IsSolid() const;
    void SetIsSolid(bool value);

    // --- the point list; points relative to the curve's top-left corner
    int PointCount() const override;
    TKestPoint Point(int index) const override;
    void SetPoint(int index, TKestPoint point) override;
    TPointType PointType(int index) const override;
    virtual void SetPointType(int index, TPointType type);
    // The last figure is closed.
    bool IsClosed() const;
    // Rebuilt when stale or when the point count changed.
    const TPathInfo& PathInfo();
    void GetPathPoints(TPointArray& points, TPointTypeArray& types) const override;
    void SetPathPoints(const TPointArray& points, const TPointTypeArray& types) override;

    // --- editing; each returns the index of the new node or -1
    int InsertNode(int index, TKestPoint point);
    // The node followed by its two control points.
    int InsertCurveNode(int index, TKestPoint point, TKestPoint control1, TKestPoint control2);
    virtual bool DeletePoint(int index);
    // point in the curve's coordinates.
    virtual int InsertNearestPoint(TKestPoint point);
    TPathEditFuncs EditCaps(const TSelectedArray& selected) const;
    bool EditPoints(const TSelectedArray& selected, TPathEditFunc func, const TPathEditParams* params = nullptr);
    bool Flatten(float curveScale);
    // Nearest outline point to point (curve coordinates).
    bool FindNearestPoint(TKestPoint point, TNearestPointInfo& nearest);
    // The nearest segment; within tells whether its nearest point lies
    // within the hit tolerance of point.
    bool FindNearestSegment(
        TKestPoint point, bool allowOutside, int32_t& firstIndex, int32_t& secondIndex, bool& within);

    // The nodes, control points left out.
    TPointArray ConnectionPoints() const;
    // Document units: unscaled 4 pixels plus half the pen width.
    int32_t HitTolerance() const;

    // --- handles: the ends of the open figures
    int HandleCount() const override;
    TKestPoint HandlePoint(int index) const override;
    void MoveHandle(int index, TKestPoint point) override;

    // --- the control's operations
    TKestPoint AnchorPoint() const override;
    bool IsPointInside(int32_t x, int32_t y) override;
    TKestRect GetRefreshRect(int32_t paintX, int32_t paintY) override;
    void Paint(TKestCanvas& canvas, const TKestRect& paintRect) override;
    void StartResizing(TKestPoint origin) override;
    void FinishResizing() override;
    void MirrorResizePoints(bool mirrorX, bool mirrorY) override;
    void DoNotify(TKestNotify notify) override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void ControlTranslate(const TTranslateInfo& info) override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;

    // Records the points for undo before they change.
    virtual void BeginPointsChange();
    // Fits the rectangle to the points after they changed.
    virtual void PointsChanged();

    // Replaces the arrays between BeginPointsChange and PointsChanged; false
    // (and nothing changes) when a coordinate lies beyond the document's range.
    bool ReplacePoints(TPointArray points, TPointTypeArray types);
    TPointArray& Points() { return points_; }
    TPointTypeArray& Types() { return types_; }
    bool Editable() const;
    // The point index of each handle: both ends of every open figure.
    virtual std::vector<int> HandleIndexes() const;
    // The point index of a handle, or -1.
    int HandlePointIndex(int index) const;
    // Scale in percent of the owner (100 without one).
    int32_t PanelScale() const;
    // Document units of n pixels at the panel's scale.
    int32_t UnscaledPixels(int32_t n) const;

private:
    void PathPointsData(TPropValue& value) const;
    void SetPathPointsData(const TPropValue& value);
    void PointsData(TPropValue& value) const;
    void SetPointsData(const TPropValue& value);
    void FitToPoints();
    void ScalePoints();
    void PaintCaps(TKestCanvas& canvas, int32_t scale, const TPointArray& screen);
    void PaintCap(TKestCanvas& canvas, TLineCapProp& cap, int32_t scale, TKestPoint end, TKestPoint from);
    int32_t CapSize(const TLineCapProp& cap) const;

    TBrushProp* brushProp_ = nullptr;
    TPenProp* penProp_ = nullptr;
    TLineCapProp* beginCapProp_ = nullptr;
    TLineCapProp* endCapProp_ = nullptr;
    TBoolProp* isSolidProp_ = nullptr;
    TDataProp* pointsProp_ = nullptr;
    TDataProp* pathPointsProp_ = nullptr;
    TPointArray points_;
    TPointTypeArray types_;
    TPathInfo pathInfo_;
    bool pathInfoStale_ = true;
    TPointArray resizeCopy_;
    int32_t resizeWidth_ = 0;
    int32_t resizeHeight_ = 0;
    bool fitting_ = false;
    bool rectFromPoints_ = false;
    bool settingSolid_ = false;
};

class TKestConnector : public TKestCurve {
    KEST_CONTROL_CLASS(TKestConnector)
public:
    TLinkPointProp* LinkA() const { return linkAProp_; }
    TLinkPointProp* LinkB() const { return linkBProp_; }
    TRerouteMode RerouteMode() const;
    void SetRerouteMode(TRerouteMode value);
    bool Ortogonal() const;
    void SetOrtogonal(bool value);
    int32_t MinimalGap() const;
    void SetMinimalGap(int32_t value);
    // The geometry is locked to the linked objects.
    bool Locked() const;

    bool IsConnectorKind() const override;
    void Reroute() override;
    void SetDocRect(const TKestRect& rect) override;
    void MirrorResizePoints(bool mirrorX, bool mirrorY) override;
    bool EndUpdate() override;
    void DoNotify(TKestNotify notify) override;
    void SetPathPoints(const TPointArray& points, const TPointTypeArray& types) override;
    // A handle's drag keeps an orthogonal route axis-parallel.
    void MoveHandle(int index, TKestPoint point) override;

    // --- editing (points in the connector's coordinates)
    // An end whose link is free, or any point unless the mode is "Always".
    bool IsPointEditable(int index) const;
    // Drags point index to point, keeping an orthogonal route axis-parallel.
    void MovePoint(int index, TKestPoint point);
    // Drags the run first..last by offset; false when it may not move.
    bool MoveSegment(int first, int last, TKestPoint offset);
    // Ends an interactive drag: tidies coincident points and reroutes.
    void EndPointsDrag();
    int InsertNearestPoint(TKestPoint point) override;
    bool DeletePoint(int index) override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void BeforeDestruction() override;
    void ControlTranslate(const TTranslateInfo& info) override;
    void SaveUpdateRect() override;
    void PointsChanged() override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;
    void PropReadOnly(TPropList* sender, TCustomProp* prop, bool& readOnly) override;
    // Only the ends that are free to move.
    std::vector<int> HandleIndexes() const override;

private:
    void LinkNotify(TLinkProp* sender, TNotifyLinkInfo& info);
    void WriteLinkPoints();
    void RestoreLock();
    bool LinkToPoint() const;
    void UnlinkEnd(int index);
    void SetModeNever();
    bool SegmentHorizontal(int segmentEnd, bool& horizontal) const;
    void RemoveCoincidentPairs(int first, int last);

    TLinkPointProp* linkAProp_ = nullptr;
    TLinkPointProp* linkBProp_ = nullptr;
    TEnumProp* rerouteModeProp_ = nullptr;
    TBoolProp* ortogonalProp_ = nullptr;
    TIntProp* minimalGapProp_ = nullptr;
    int32_t lockSuspended_ = 0;
    bool writingLinkPoints_ = false;
    bool pointsDragged_ = false;
    int32_t dragFirst_ = -1;
    int32_t dragLast_ = -1;
    bool movingWithLinked_ = false;
};

} // namespace kest
