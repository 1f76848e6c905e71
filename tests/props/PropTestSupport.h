// Shared pieces of the property tests: a complex test property with
// published sub-properties of every kind, and helpers that save a list to
// text and load text back.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "KestFiler.h"
#include "KestProps.h"

namespace kest::test {

enum TTestPenStyle : int32_t { tpsSolid, tpsDash, tpsDot, tpsClear };

enum TTestPenOption : uint16_t { tpoRound = 1, tpoShadow = 2, tpoDashed = 4 };

// Changes a field through the change protocol of prop.
template <class V> void ChangeField(TCustomProp& prop, V& field, const V& value)
{
    if (field == value || prop.IsReadOnly())
        return;
    prop.DoBeforeChanged();
    field = value;
    prop.DoChanged();
}

// A complex property used as an object sub-property of TTestPen.
class TTestCap : public TCustomProp {
    KEST_CLASS(TTestCap)
public:
    TTestCap() { SetPropType(ptComplex); }
    int32_t Size() const { return size_; }
    void SetSize(int32_t v) { ChangeField(*this, size_, v); }
    bool Filled() const { return filled_; }
    void SetFilled(bool v) { ChangeField(*this, filled_, v); }
    const TSubPropTable* SubProps() const override;

private:
    int32_t size_ = 8000;
    bool filled_ = false;
};

// A pen-like complex property: Color (no declared default, always stored),
// Style (enumeration, default solid), Width (default 1), Options (set,
// default empty), Scale (float), Caption (text), Big (64-bit), Dash (stored
// only while the style is dashed), Cap (complex object), Level (a simple
// integer property object) and Spare (an object sub-property that is absent).
class TTestPen : public TCustomProp {
    KEST_CLASS(TTestPen)
public:
    TTestPen();

    int32_t Color() const { return color_; }
    void SetColor(int32_t v) { ChangeField(*this, color_, v); }
    TTestPenStyle PenStyle() const { return style_; }
    void SetPenStyle(TTestPenStyle v) { ChangeField(*this, style_, v); }
    int32_t Width() const { return width_; }
    void SetWidth(int32_t v) { ChangeField(*this, width_, v); }
    uint16_t Options() const { return options_; }
    void SetOptions(uint16_t v) { ChangeField(*this, options_, v); }
    double Scale() const { return scale_; }
    void SetScale(double v) { ChangeField(*this, scale_, v); }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { ChangeField(*this, caption_, v); }
    int64_t Big() const { return big_; }
    void SetBig(int64_t v) { ChangeField(*this, big_, v); }
    int32_t Dash() const { return dash_; }
    void SetDash(int32_t v) { ChangeField(*this, dash_, v); }
    TTestCap& Cap() { return cap_; }
    TIntProp& Level() { return level_; }

    std::string GetDisplayValue() override { return "(TestPen)"; }
    const TSubPropTable* SubProps() const override;

private:
    int32_t color_ = 0;
    TTestPenStyle style_ = tpsSolid;
    int32_t width_ = 1;
    uint16_t options_ = 0;
    double scale_ = 0;
    std::string caption_;
    int64_t big_ = 0;
    int32_t dash_ = 3;
    TTestCap cap_;
    TIntProp level_;
};

// A recording history that finds a property action's source again by the
// owner identifier given to each attached list, as a document panel would.
struct THistoryRig {
    THistory history;
    std::map<int32_t, TPropList*> lists;

    THistoryRig();
    void Attach(TPropList& list, int32_t ownerId);
};

// The list saved through a filer over a memory stream.
std::string SaveText(TPropList& list, bool force = false, bool binary = false);
// Every line of text handed to LoadProperty, as a document loader would.
void LoadText(TPropList& list, const std::string& text);

} // namespace kest::test
