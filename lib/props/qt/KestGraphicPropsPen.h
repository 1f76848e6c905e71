// TPenProp: how an object's outline is drawn, with its width in document
// units and the choice between plain and geometric (capped, joined) pens.
#pragma once

#include <string>

#include "KestCanvas.h"
#include "KestPropsBase.h"

namespace kest {

// The pen as it is drawn at one scale.
struct TPenInfo {
    int32_t Width = 0; // device pixels; 0 draws one pixel
    TPenStyle Style = psClear;
    bool Geometric = false;
    bool operator==(const TPenInfo&) const = default;
};

// Whether the drawing surface draws styled geometric pens faithfully: a
// dotted pen three pixels wide must leave gaps. Probed once per run.
bool GeometricPenSupported();

class TPenProp : public TCustomProp {
    KEST_CLASS(TPenProp)
public:
    TPenProp();

    TColor Color() const { return color_; }
    void SetColor(TColor value);
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle value);
    // The style a document leaves unnamed: solid, unless the owning kind
    // starts its pens otherwise (texts start without a frame).
    TPenStyle DefaultStyle() const { return defaultStyle_; }
    void SetDefaultStyle(TPenStyle value) { defaultStyle_ = value; }
    TPenMode Mode() const { return mode_; }
    void SetMode(TPenMode value);
    // Thousandths of a pixel at 100 %.
    int32_t Width() const { return width_; }
    void SetWidth(int32_t value);
    TPenEndCap EndCap() const { return endCap_; }
    void SetEndCap(TPenEndCap value);
    TPenJoin Join() const { return join_; }
    void SetJoin(TPenJoin value);
    bool SolidAsInside() const { return solidAsInside_; }
    void SetSolidAsInside(bool value);

    // scale in percent.
    TPenInfo GetPenInfo(int32_t scale) const;
    // The pen's width at 100 % in document units: 0 when it draws nothing,
    // Width when it is drawn wider than one pixel or as a geometric pen,
    // else 1000.
    int32_t ActiveWidth() const;

    std::string GetDisplayValue() override { return "(Pen)"; }
    void Setup(TKestCanvas* canvas, int32_t scale) override;
    const TSubPropTable* SubProps() const override;

private:
    TColor color_ = clBlack;
    TPenStyle style_ = psSolid;
    TPenStyle defaultStyle_ = psSolid;
    TPenMode mode_ = pmCopy;
    int32_t width_ = 1000;
    TPenEndCap endCap_ = pecRound;
    TPenJoin join_ = pjRound;
    bool solidAsInside_ = true;
};

} // namespace kest
