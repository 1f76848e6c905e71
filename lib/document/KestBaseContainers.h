// The containers and service objects of a document: groups, clones, the
// layer list and its layers, the document root and its schemes (pages), the
// grid, and the paint order that fixes drawing, hit testing and copying.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KestBaseControl.h"
#include "KestBaseSchemeHitIndex.h"
#include "KestGraphicProps.h"

namespace kest {

class TLinkProp;
class TKestGroup;

// A control that keeps its rectangle equal to the union of its children's.
class TKestGroup : public TKestControl {
    KEST_CONTROL_CLASS(TKestGroup)
public:
    // Fits the group to its children (deferred during an operation, left
    // out while undoing or redoing).
    void Realign();
    // Fits the group to its children now.
    void FitToChildren();
    bool RealignPending() const { return realignPending_; }

    bool EndOperation() override;
    void Translate(const TTranslateInfo& info) override;
    TKestRect GetRefreshRect(int32_t paintX, int32_t paintY) override;
    bool IsPointInside(int32_t x, int32_t y) override;
    bool IsContainerGroup() const override { return true; }

protected:
    void ControlCreate() override;
    void ControlTranslate(const TTranslateInfo& info) override;
    void PropBeforeChanged(TPropList* sender, TCustomProp* prop) override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;

private:
    void ScaleChildren();
    void PushMoveToLinkedPoints();

    bool resizingByProp_ = false;
    bool moving_ = false;
    bool realigning_ = false;
    TKestRect moveRect_;
    bool realignPending_ = false;
};

// Repeats the picture of another control (its "Source").
class TKestClone : public TKestControl {
    KEST_CONTROL_CLASS(TKestClone)
public:
    TKestControl* Source() const;
    void SetSource(TKestControl* source);
    bool AutoSize() const;
    void SetAutoSize(bool value);
    TLinkProp* SourceProp() const { return sourceProp_; }
    bool SizeLocked() const { return sizeLocked_; }

    TKestRect GetRefreshRect(int32_t paintX, int32_t paintY) override;
    void Paint(TKestCanvas& canvas, const TKestRect& paintRect) override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;
    void PropReadOnly(TPropList* sender, TCustomProp* prop, bool& readOnly) override;

private:
    void UpdateAutoSize();
    void LockSize(bool locked);
    void SourceNotify(TNotifyLinkInfo& info);

    TLinkProp* sourceProp_ = nullptr;
    TBoolProp* autoSizeProp_ = nullptr;
    bool sizeLocked_ = false;
    bool autoSizing_ = false;
    bool visiting_ = false;
};

// Marks an object that is not a drawing.
class TKestServiceControl : public TKestControl {
    KEST_CONTROL_CLASS(TKestServiceControl)
};

class TKestLayer : public TKestServiceControl {
    KEST_CONTROL_CLASS(TKestLayer)
public:
    bool IsReadOnly() const;
    void SetReadOnly(bool value);
    bool IsMoveable() const;
    void SetMoveable(bool value);
    bool IsResizable() const;
    void SetResizable(bool value);

    void Invalidate() override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void BeforeDestruction() override;
    void PropBeforeChanged(TPropList* sender, TCustomProp* prop) override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;

private:
    TBoolProp* moveableProp_ = nullptr;
    TBoolProp* resizableProp_ = nullptr;
    TBoolProp* readOnlyProp_ = nullptr;
    std::string oldName_;
    bool hasOldName_ = false;
};

// The layer list: the root of the layers.
class TKestLayers : public TKestServiceControl {
    KEST_CONTROL_CLASS(TKestLayers)
public:
    TKestLayer* NewLayer();
    TKestLayer* ByName(std::string_view name) const;
    TKestLayer* Layers(int index) const;
    int IndexOfLayer(const TKestLayer* layer) const;

    int AddChild(TKestControl* control) override;
    void DeleteChild(int index) override;
    void ChangeOrder(int curIndex, int newIndex) override;

protected:
    void ControlCreate() override;
};

// A page of the document.
class TKestCustomScheme : public TKestServiceControl {
    KEST_CONTROL_CLASS(TKestCustomScheme)
public:
    bool IsDefault() const;
    void SetDefault(bool value);

    void PaintAll(TKestCanvas& canvas, int32_t paintX, int32_t paintY) override;
    // Where PaintAll at (paintX, paintY) has Paint put the background: the
    // document's area, widened to the window when stretched on screen.
    TKestRect BackgroundRect(int32_t paintX, int32_t paintY) const;
    // True when Paint leaves every pixel of its rectangle opaque in colours
    // of its own, so that nothing painted before shows through. A class
    // that paints its background otherwise answers for it anew.
    virtual bool OpaqueBackground() const { return false; }
    TKestControl* FindControlAtPoint(int32_t x, int32_t y) override;
    int AddChild(TKestControl* control) override;
    void DeleteChild(int index) override;
    void ChangeOrder(int curIndex, int newIndex) override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void BeforeDestruction() override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;

private:
    TBoolProp* defaultProp_ = nullptr;
    // Rebuilt when the document changed since; cleared whenever a child
    // comes or goes, so it never holds a control that is gone.
    TSchemeHitIndex hitIndex_;
};

// The page kind documents use: it paints a background of a brush and a picture.
class TKestScheme : public TKestCustomScheme {
    KEST_CONTROL_CLASS(TKestScheme)
public:
    TBrushProp& Brush() const { return *brushProp_; }
    TPictureProp& Picture() const { return *pictureProp_; }
    TBackgroundOptionsProp& Background() const { return *backgroundProp_; }

    TKestRect GetRefreshRect(int32_t paintX, int32_t paintY) override;
    void Paint(TKestCanvas& canvas, const TKestRect& paintRect) override;
    bool OpaqueBackground() const override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void PropBeforeChanged(TPropList* sender, TCustomProp* prop) override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;

private:
    TBrushProp* brushProp_ = nullptr;
    TPictureProp* pictureProp_ = nullptr;
    TBackgroundOptionsProp* backgroundProp_ = nullptr;
    std::string oldName_;
    bool hasOldName_ = false;
};

// The document root: its children are the schemes.
class TKestSchemes : public TKestServiceControl {
    KEST_CONTROL_CLASS(TKestSchemes)
public:
    static constexpr int32_t kVersion = 170;
    static constexpr int32_t kDefaultConnectorsMinGap = 8000;

    TKestCustomScheme* ByIndex(int index) const;
    int32_t ConnectorsMinGap() const;
    void SetConnectorsMinGap(int32_t value);
    bool ConnectorLinkToPoint() const;
    void SetConnectorLinkToPoint(bool value);

    int AddChild(TKestControl* control) override;
    void DeleteChild(int index) override;
    void ChangeOrder(int curIndex, int newIndex) override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;
    void PropChanged(TPropList* sender, TCustomProp* prop) override;
    void PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored) override;

private:
    TIntProp* versionProp_ = nullptr;
    TIntProp* connectorsMinGapProp_ = nullptr;
    TBoolProp* connectorLinkToPointProp_ = nullptr;
};

enum TKestSnap : uint8_t { snLeft, snTop, snRight, snBottom, snCenter, snAll };
// A set of TKestSnap, bit n = value n.
using TKestSnaps = uint8_t;
constexpr TKestSnaps SnapBit(TKestSnap snap)
{
    return static_cast<TKestSnaps>(1u << snap);
}

enum TKestGridStyle : uint8_t { gsLines, gsDots };

// Pixels between grid lines for a grid size (document units) at a scale:
// doubled until at least 4; 0 for a size below 1.
double GridStep(int32_t gridSize, int32_t scale);

class TKestGrid : public TKestServiceControl {
    KEST_CONTROL_CLASS(TKestGrid)
public:
    bool SnapToGrid() const { return snapToGrid_; }
    void SetSnapToGrid(bool value) { snapToGrid_ = value; }
    TKestSnaps SnapStyle() const { return snapStyle_; }
    void SetSnapStyle(TKestSnaps value) { snapStyle_ = value; }
    bool ShowPixGrid() const { return showPixGrid_; }
    void SetShowPixGrid(bool value);
    TKestGridStyle GridStyle() const { return gridStyle_; }
    void SetGridStyle(TKestGridStyle value);
    int32_t GridColor() const { return gridColor_; }
    void SetGridColor(int32_t value);
    int32_t GridPixColor() const { return gridPixColor_; }
    void SetGridPixColor(int32_t value);
    int32_t GridHorizSize() const { return gridHorizSize_; }
    void SetGridHorizSize(int32_t value);
    int32_t GridVertSize() const { return gridVertSize_; }
    void SetGridVertSize(int32_t value);

    // Grows delta so that the rectangle moved by it (or, for resize handle
    // 1..8, the edges that handle moves) lies on the grid.
    void DoSnap(const TKestRect& rect, TKestPoint& delta, int resizeHandle = 0) const;

    void Paint(TKestCanvas& canvas, const TKestRect& paintRect) override;

protected:
    void CreateProperties() override;
    void ControlCreate() override;

private:
    template <class T> void Store(T& field, T value, bool invalidate);

    bool snapToGrid_ = false;
    TKestSnaps snapStyle_ = 0;
    bool showPixGrid_ = false;
    TKestGridStyle gridStyle_ = gsDots;
    int32_t gridColor_ = 0;
    int32_t gridPixColor_ = 0;
    int32_t gridHorizSize_ = 0;
    int32_t gridVertSize_ = 0;
};

// Drawing, hit-testing and copying order of a scheme: for each layer a
// chain through the scheme's children on that layer, in child order.
struct TPaintOrderLayer {
    int32_t First = -1;
    int32_t Last = -1;
};

struct TPaintOrderItem {
    int32_t Next = -1;
    int32_t Prev = -1;
    TKestControl* Control = nullptr;
};

struct TPaintOrder {
    std::vector<TPaintOrderLayer> LayerRefs;
    std::vector<TPaintOrderItem> Controls;

    // Calls visit for each placed control, layer by layer, bottom first.
    template <class F> void ForEachBottomUp(F visit) const
    {
        for (const TPaintOrderLayer& layer : LayerRefs)
            for (int32_t i = layer.First; i >= 0; i = Controls[static_cast<size_t>(i)].Next)
                visit(Controls[static_cast<size_t>(i)].Control);
    }
};

// False when the scheme has no panel or no control has a place.
bool BuildPaintOrder(TKestCustomScheme* scheme, TPaintOrder& order);

} // namespace kest
