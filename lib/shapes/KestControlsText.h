// TKestText: a box that shows multi-line text, drawn either by the canvas'
// own text layout at screen resolution or, when precise, by the text
// formator whose layout does not change with the zoom.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "KestControlsBasic.h"
#include "KestTextFormator.h"

namespace kest {

class TKestText : public TKestBox {
    KEST_CONTROL_CLASS(TKestText)
public:
    static int CreationCursor();

    bool AutoSize() const { return autoSizeProp_->BoolValue(); }
    void SetAutoSize(bool value) { autoSizeProp_->SetBoolValue(value); }
    // The lines joined with CR LF.
    std::string Text() const { return textProp_->GetText(); }
    void SetText(const std::string& value) { textProp_->SetText(value); }
    TStrListProp* TextProp() const { return textProp_; }
    TFontProp* Font() const { return fontProp_; }
    bool WordWrap() const { return wordWrapProp_->BoolValue(); }
    void SetWordWrap(bool value) { wordWrapProp_->SetBoolValue(value); }
    bool Grayed() const { return grayedProp_->BoolValue(); }
    void SetGrayed(bool value) { grayedProp_->SetBoolValue(value); }
    // Degrees, counter-clockwise.
    int32_t Angle() const { return angleProp_->Value(); }
    void SetAngle(int32_t value) { angleProp_->SetValue(value); }
    TTextAlignment Alignment() const;
    void SetAlignment(TTextAlignment value) { alignmentProp_->SetValue(value); }
    TTextLayout Layout() const;
    void SetLayout(TTextLayout value) { layoutProp_->SetValue(value); }
    bool Precise() const { return preciseProp_->BoolValue(); }
    void SetPrecise(bool value) { preciseProp_->SetBoolValue(value); }
    bool PreciseJustify() const { return preciseJustifyProp_->BoolValue(); }
    void SetPreciseJustify(bool value) { preciseJustifyProp_->SetBoolValue(value); }
    bool AutoScaleFontSize() const { return autoScaleFontSizeProp_->BoolValue(); }
    void SetAutoScaleFontSize(bool value) { autoScaleFontSizeProp_->SetBoolValue(value); }
    // Document units; 0 for no limit.
    int32_t MaxFontSize() const { return maxFontSizeProp_->Value(); }
    void SetMaxFontSize(int32_t value) { maxFontSizeProp_->SetValue(value); }

    // Paints the text into rect (pixels) at scale percent; with calculateOnly
    // nothing is drawn and the size the text needs comes back in document
    // units as (0, 0, width, height), empty when it cannot be measured.
    virtual TKestRect PaintText(TKestCanvas& canvas, const TKestRect& rect, bool calculateOnly, int32_t scale);

    void Paint(TKestCanvas& canvas, const TKestRect& paintRect) override;
    TKestRect GetRefreshRect(int32_t paintX, int32_t paintY) override;
    // Texts have no curve form.
    TKestControl* ConvertToCurve() override { return nullptr; }

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void ControlTranslate(const TTranslateInfo& info) override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;
    bool HitInsideWhenClear() const override { return true; }

private:
    TKestRect PaintPlatformText(TKestCanvas& canvas, const TKestRect& rect, bool calculateOnly, int32_t scale);
    TKestRect PaintPreciseText(TKestCanvas& canvas, const TKestRect& rect, bool calculateOnly, int32_t scale);
    // Clips the canvas to the text rectangle for turned text; returns the clip to restore.
    std::optional<TKestRegion> ClipToText(TKestCanvas& canvas, const TKestRect& rect, int32_t scale);
    // The pen's width in document units, 0 when it draws nothing.
    int32_t PenWidth() const;
    void UpdateAutoSize();
    void UpdateSizeStyles();
    void ScaleFontToBox();
    // Width or Height, whichever follows the font at the current angle; none between.
    TIntProp* FontGoverningProp() const;
    bool ShiftResizing() const;
    TKestRect OverhangRect(int32_t scale);

    TBoolProp* autoSizeProp_ = nullptr;
    TStrListProp* textProp_ = nullptr;
    TFontProp* fontProp_ = nullptr;
    TBoolProp* wordWrapProp_ = nullptr;
    TBoolProp* grayedProp_ = nullptr;
    TIntProp* angleProp_ = nullptr;
    TEnumProp* alignmentProp_ = nullptr;
    TEnumProp* layoutProp_ = nullptr;
    TBoolProp* preciseProp_ = nullptr;
    TBoolProp* preciseJustifyProp_ = nullptr;
    TBoolProp* autoScaleFontSizeProp_ = nullptr;
    TIntProp* maxFontSizeProp_ = nullptr;

    std::unique_ptr<TTextFormator> formator_;
    bool changingSelf_ = false;
    TKestRect overhangRect_;
    int32_t overhangScale_ = 0; // 0: not computed
};

} // namespace kest
