// Control kinds and helpers for the document tests: a filled box, a box
// with points, a connector-like line, a control with an anchored point, and
// document text in and out of a panel.
#pragma once

#include <string>
#include <vector>

#include "KestBase.h"
#include "KestColor.h"

namespace kest::doctest {

// A box filled with its colour.
class TBox : public TKestControl {
    KEST_CONTROL_CLASS(TBox)
public:
    TColor Color() const { return colorProp_->Value(); }
    void SetColor(TColor value) { colorProp_->SetValue(value); }
    void Paint(TKestCanvas& canvas, const TKestRect& paintRect) override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;

private:
    TIntProp* colorProp_ = nullptr;
};

// A box with a point list, kept as lines "x,y,type" of its "Points" property.
class TPolyBox : public TBox {
    KEST_CONTROL_CLASS(TPolyBox)
public:
    int PointCount() const override;
    TKestPoint Point(int index) const override;
    void SetPoint(int index, TKestPoint point) override;
    TPointType PointType(int index) const override;
    void GetPathPoints(TPointArray& points, TPointTypeArray& types) const override;
    void SetPathPoints(const TPointArray& points, const TPointTypeArray& types) override;

protected:
    void CreateProperties() override;

private:
    TStrListProp* pointsProp_ = nullptr;
};

// Counts as a connector: grouping leaves it where it is.
class TLine : public TBox {
    KEST_CONTROL_CLASS(TLine)
public:
    bool IsConnectorKind() const override { return true; }
};

// A box with a point anchored to another control ("Anchor"); the notices
// that reach the anchor are counted by code (and control notice).
class TAnchored : public TBox {
    KEST_CONTROL_CLASS(TAnchored)
public:
    TLinkPointProp* Anchor() const { return anchorProp_; }
    int Notices(int32_t code) const;
    int ControlNotices(TKestNotify notify) const;

protected:
    void CreateProperties() override;

private:
    TLinkPointProp* anchorProp_ = nullptr;
    std::vector<TNotifyLinkInfo> notices_;
};

void RegisterTestControls();

// The document as the panel saves it (text, or binary when asked).
std::string SaveText(TKestPanel& panel, bool binary = false);
// The clipboard variant of the selection; empty when nothing was written.
std::string SaveClipboardText(TKestPanel& panel);
void LoadText(TKestPanel& panel, const std::string& text, TKestLoadMode mode = lmDocument);
std::string ReadDataFile(const std::string& name);

// Records the notifications a panel raises.
struct TNotifyLog {
    struct TEntry {
        TKestControl* Control;
        TKestNotify Notify;
    };
    std::vector<TEntry> Entries;

    explicit TNotifyLog(TKestPanel& panel);
    int Count(TKestNotify notify, const TKestControl* control = nullptr) const;
    // Index of the first such notice, -1 when none.
    int IndexOf(TKestNotify notify, const TKestControl* control = nullptr) const;
};

// A panel holding Scheme1 and Layer1, with the test kinds registered.
struct TPanelFixture {
    TPanelFixture();
    TKestPanel panel;
    TKestCustomScheme* Scheme() const { return panel.ActiveScheme(); }
    TKestLayer* Layer() const { return panel.ActiveLayer(); }
    // A box created as the user would, at a document rectangle.
    TBox* AddBox(const TKestRect& rect, TKestControl* parent = nullptr);
};

} // namespace kest::doctest
