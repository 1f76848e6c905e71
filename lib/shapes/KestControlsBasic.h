// The closed shapes defined by their rectangle: the box (optionally with
// rounded corners), the ellipse with its arcs and pies, the picture and the
// regular polygon. Each paints with the graphic properties of its list,
// tests hits in panel pixels and offers points for connectors to attach to.
#pragma once

#include <cstdint>
#include <string>

#include "KestBase.h"
#include "KestGraphicProps.h"
#include "KestRegion.h"

namespace kest {

// Geometry helpers the shapes share.
int32_t ShapeScale(const TKestControl& control);
TKestRect ShapeScreenRect(const TKestControl& control, const TKestRect& docRect);
bool ShapeSelectAsFilled(const TKestControl& control);
TKestRect RectInflated(const TKestRect& r, int32_t dx, int32_t dy);
TKestRect RectOffset(const TKestRect& r, int32_t dx, int32_t dy);
bool RectContains(const TKestRect& r, int32_t x, int32_t y);

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

} // namespace kest
