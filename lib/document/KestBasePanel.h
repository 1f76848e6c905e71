// TKestPanel: the window control that owns one document and shows and edits
// it. The document side (roots, identifiers, names, loading and saving, the
// clipboard, notifications), the model side of editing (selection, creating,
// deleting, moving, grouping, the undo history) and the view state the model
// needs (scale, document size, the document-to-pixel transform, painting
// into any canvas) work without the window ever being shown.
#pragma once

#include <QAbstractScrollArea>
#include <QCursor>
#include <QImage>
#include <QPoint>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "KestAlpha.h"
#include "KestBaseContainers.h"
#include "KestBaseControl.h"
#include "KestCanvas.h"
#include "KestColor.h"
#include "KestFiler.h"
#include "KestHistory.h"
#include "KestIdPool.h"

namespace kest {

class TKestDragObject;
class TKestPanel;

enum TKestLoadMode : uint8_t { lmDocument = 0, lmPaste = 1 };

// The clipboard format of document fragments.
extern const char* const KestControlsMimeType;

// The cursor of a cursor number: the library's own 1..18 from the cursor
// table, the platform's ones (negative numbers) by their Qt shapes, the
// arrow for 0 and anything else.
QCursor KestPanelCursor(int32_t cursor);

// The hint about to be shown; a handler may change any of it.
struct TKestHintInfo {
    std::string HintStr;
    QPoint Pos; // window pixels
    int HideTimeout = -1; // milliseconds; -1 lets the platform decide
};

// The panel's undo history: sources by identifier, captions, and what is
// not worth recording.
class TKestPanelHistory : public THistory {
    KEST_CLASS(TKestPanelHistory)
public:
    explicit TKestPanelHistory(TKestPanel& panel);

    TKestPanel& Panel() const { return panel_; }
    // Begins a group of that class with the panel as source, unless
    // recording is stopped; EndPanelGroup ends the current group when it is
    // of that class. Both return whether they did.
    bool BeginPanelGroup(const THistoryActionClass* cls);
    bool EndPanelGroup(const THistoryActionClass* cls);
    // Recording is possible: active, not disabled, idle or recording.
    bool Recording() const { return CanRecord() && DisableCount() <= 0; }

    void DoChange() override;
    TKestObject* GetActionSource(THistoryAction* action, bool& found) override;
    void SetActionSource(THistoryAction* action, TKestObject* source) override;
    std::string GetActionCaption(THistoryAction* action, TKestObject* source) override;
    bool IsRecordable(const THistoryActionClass*& cls, TKestObject*& source, THistoryGroup* parent) override;
    bool Undo() override;
    bool Redo() override;

private:
    TKestPanel& panel_;
};

class TKestPanel : public QAbstractScrollArea, public TKestObject {
    KEST_CLASS(TKestPanel)
public:
    explicit TKestPanel(QWidget* parent = nullptr);
    ~TKestPanel() override;
    TKestPanel(const TKestPanel&) = delete;
    TKestPanel& operator=(const TKestPanel&) = delete;

    // ---- document -------------------------------------------------------
    TKestGrid* Grid() const { return grid_; }
    TKestLayers* Layers() const { return layers_; }
    TKestSchemes* Schemes() const { return schemes_; }
    TKestLayer* ActiveLayer() const { return activeLayer_; }
    void SetActiveLayer(TKestLayer* layer);
    TKestCustomScheme* ActiveScheme() const { return activeScheme_; }
    void SetActiveScheme(TKestCustomScheme* scheme);
    TIdPool& IdPool() { return idPool_; }
    TKestPanelHistory& History() { return *history_; }
    TPropRefList& RefList() { return refList_; }
    const std::vector<TKestControl*>& Orphans() const { return orphans_; }
    bool Loading() const { return loadingCounter_ > 0; }
    TKestLoadMode LoadMode() const { return loadMode_; }
    TKestFilerProcess FilerProcess() const { return filerProcess_; }
    bool Modified() const { return modified_; }
    // Changes with every notification and property change of the document;
    // caches of document geometry compare it.
    uint64_t ChangeStamp() const { return changeStamp_; }
    void SetModified(bool value) { modified_ = value; }
    bool SaveAsBinary() const { return saveAsBinary_; }
    void SetSaveAsBinary(bool value) { saveAsBinary_ = value; }
    bool AutoNames() const { return autoNames_; }
    void SetAutoNames(bool value) { autoNames_ = value; }
    bool AutoNameNumbs() const { return autoNameNumbs_; }
    void SetAutoNameNumbs(bool value) { autoNameNumbs_ = value; }
    int32_t ConnectorsMinGap() const { return connectorsMinGap_; }
    void SetConnectorsMinGap(int32_t value);
    bool Destroying() const { return destroying_; }
    TNotifyLink* NotifyLink();
    // True for a control under the document root or the layer list.
    bool InDocument(const TKestControl* control) const;

    bool LoadFromFile(const std::string& fileName);
    bool LoadFromFiler(TKestFiler& filer, TKestLoadMode mode = lmDocument);
    // The whole document, the single-control variant (control given) or the
    // clipboard variant; false when the clipboard variant has nothing to write.
    bool SaveToFiler(TKestFiler& filer, bool clipboardVariant = false, TKestControl* control = nullptr);
    std::unique_ptr<TKestFiler> CreateFiler(TKestStream& stream, TKestFilerProcess process, bool binary);
    // Copies the whole document of source into this panel.
    void Assign(TKestPanel& source);
    // Writes the selection in the clipboard variant; false when nothing is selected.
    bool CopyToClipboard();
    // Pastes document fragments of the panel's own clipboard format; other
    // formats need the shape kinds that hold pictures and texts.
    void PasteFromClipboard(bool ownFormatOnly);
    bool CanPaste(bool ownFormatOnly) const;
    void EmptyDocument();
    // Creates and loads one object block; none when it was skipped. Object
    // blocks nest at most kMaxLoadDepth deep; deeper ones are skipped.
    TKestControl* LoadControl(
        TKestFiler& filer, TKestControl* parent, const std::string& line, bool allowParentless = false);
    static constexpr int32_t kMaxLoadDepth = 256;
    static constexpr int32_t kLayersId = 2147483646;
    static constexpr int32_t kGridId = 2147483645;
    void BeginLoading();
    // The outermost call resolves the references collected while loading,
    // or, with apply false, drops them.
    void EndLoading(bool apply = true);

    std::string GenerateName(TKestControl* control, TKestControl* scope, bool withNumber);
    void GenerateId(TKestControl* control);
    bool ChangeId(TKestControl* control, int32_t oldId);
    TKestControl* FindControlById(int32_t id, TKestControl* scope = nullptr);
    TKestControl* FindControlByName(std::string_view name, TKestControl* scope = nullptr);
    void AddOrphan(TKestControl* control);
    void RemoveOrphan(TKestControl* control);

    // The hooks through which controls report to the panel.
    void DoNotify(TKestControl* control, TKestNotify notify);
    void PropBeforeChanged(TKestControl* control, TCustomProp* prop);
    void PropChanged(TKestControl* control, TCustomProp* prop);

    TKestControlCreateEvent OnControlCreate;
    std::function<void(TKestControl* sender, TCustomProp* prop)> OnPropBeforeChanged;
    std::function<void(TKestControl* sender, TCustomProp* prop)> OnPropChanged;
    TKestNotifyEvent OnNotify;
    std::function<void(TKestPanel* sender, int progress, TKestFilerProcess process)> OnProgress;

    // ---- view -------------------------------------------------------------
    static constexpr int32_t kMinScale = 1;
    static constexpr int32_t kMaxScale = 50000;

    int32_t Scale() const { return scale_; }
    void SetScale(int32_t value);
    int32_t DocWidth() const { return docWidth_; }
    void SetDocWidth(int32_t value);
    int32_t DocHeight() const { return docHeight_; }
    void SetDocHeight(int32_t value);
    // Window pixel position of the document's (0, 0) is (-OriginX, -OriginY).
    int32_t OriginX() const { return originX_; }
    int32_t OriginY() const { return originY_; }
    void SetOrigin(int32_t x, int32_t y);
    bool SchemeBkStretch() const { return schemeBkStretch_; }
    void SetSchemeBkStretch(bool value);
    bool ShowDocFrame() const { return showDocFrame_; }
    void SetShowDocFrame(bool value);
    bool ShowGrid() const;
    void SetShowGrid(bool value);

    // Document units to panel pixels at the current scale and origin, and back.
    TKestPoint TransformPoint(TKestPoint point) const;
    TKestRect TransformRect(const TKestRect& rect) const;
    TKestPoint UnTransformPoint(TKestPoint point) const;

    // The state of the painting in progress.
    bool Painting() const { return !paintStack_.empty(); }
    const TKestRect& PaintRect() const { return paintRect_; }
    bool PlainOutput() const { return plainOutput_; }
    bool OnScreen() const { return onScreen_; }
    bool HighQuality() const { return highQuality_; }
    // The innermost alpha buffer in use while painting, or none.
    TAlphaBuffer* CurrentAlphaBuffer() const { return currentAlphaBuffer_; }
    // A buffer to paint a transparent control through: the panel's own when
    // idle, else a new one over the current one. Pair with EndAlphaBuffer.
    TAlphaBuffer* BeginAlphaBuffer(TKestCanvas& canvas);
    void EndAlphaBuffer(TAlphaBuffer* buffer, int32_t transparency);

    // Paints into any canvas at any scale and origin (window pixels of the
    // document's (0, 0) are -origin).
    void PaintTo(TKestCanvas& canvas, const TKestRect& paintRect, bool highQuality, bool plainOutput, bool childrenOnly,
        bool selectedOnly, bool clipToPaintRect, TKestControl* control, int32_t scale, TKestPoint origin);
    void PaintDocument(TKestCanvas& canvas, TKestControl* control, bool childrenOnly, bool selectedOnly);
    // Whether the control is shown; then its area is repainted.
    bool InvalidateControl(TKestControl* control);

    TKestPaintEvent OnPaintScheme;
    TKestPaintEvent OnPaintOver;

    // Scale follows the window size (the document fits the client area).
    bool AutoZoom() const { return autoZoom_; }
    void SetAutoZoom(bool value);
    // Margins in pixels on both sides of the document in the scroll range,
    // 0 ... kMaxExtraSpace.
    static constexpr int32_t kMaxExtraSpace = 32767;
    int32_t HorzExtraSpace() const { return horzExtraSpace_; }
    void SetHorzExtraSpace(int32_t value);
    int32_t VertExtraSpace() const { return vertExtraSpace_; }
    void SetVertExtraSpace(int32_t value);
    // The document area shown in the window, document units.
    const TKestRect& VisibleDocRect() const { return visibleDocRect_; }
    void UpdateScrollRanges();
    void UpdateOrigin();
    int32_t ClientWidth() const;
    int32_t ClientHeight() const;

    TColor DocFrameColor() const { return docFrameColor_; }
    void SetDocFrameColor(TColor value);
    TColor DocShadowColor() const { return docShadowColor_; }
    void SetDocShadowColor(TColor value);
    const TKestBrush& DocSpaceBrush() const { return docSpaceBrush_; }
    void SetDocSpaceBrush(const TKestBrush& value);
    bool DocSpaceFill() const { return docSpaceFill_; }
    void SetDocSpaceFill(bool value);
    bool DocClipping() const { return docClipping_; }
    void SetDocClipping(bool value);
    bool ShowPixGrid() const { return grid_->ShowPixGrid(); }
    void SetShowPixGrid(bool value) { grid_->SetShowPixGrid(value); }
    TKestGridStyle GridStyle() const { return grid_->GridStyle(); }
    void SetGridStyle(TKestGridStyle value) { grid_->SetGridStyle(value); }
    int32_t GridColor() const { return grid_->GridColor(); }
    void SetGridColor(int32_t value) { grid_->SetGridColor(value); }
    int32_t GridPixColor() const { return grid_->GridPixColor(); }
    void SetGridPixColor(int32_t value) { grid_->SetGridPixColor(value); }
    int32_t GridHorizSize() const { return grid_->GridHorizSize(); }
    void SetGridHorizSize(int32_t value) { grid_->SetGridHorizSize(value); }
    int32_t GridVertSize() const { return grid_->GridVertSize(); }
    void SetGridVertSize(int32_t value) { grid_->SetGridVertSize(value); }
    bool SnapToGrid() const { return grid_->SnapToGrid(); }
    void SetSnapToGrid(bool value) { grid_->SetSnapToGrid(value); }
    TKestSnaps SnapStyle() const { return grid_->SnapStyle(); }
    void SetSnapStyle(TKestSnaps value) { grid_->SetSnapStyle(value); }
    // Whether the panel's own hints are shown at all.
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool value) { showHint_ = value; }

    // Panning draws a picture of the document frozen when panning started
    // (of the whole document with FrostPanFullDoc, else of the window).
    bool FrostPan() const { return frostPan_; }
    void SetFrostPan(bool value);
    bool FrostPanFullDoc() const { return frostPanFullDoc_; }
    void SetFrostPanFullDoc(bool value);
    // The pan tool brackets a drag with these.
    void BeginPanning();
    void EndPanning();
    bool Panning() const { return panning_; }

    // The control whose hint the window shows, or none.
    TKestControl* HintControl() const { return hintControl_; }

    // The window's back buffer: it grows to the largest area painted.
    const QImage& BackBuffer() const { return backBuffer_; }

    std::function<void(TKestPanel* sender, bool& isNeedHint)> OnNeedHint;
    std::function<void(TKestPanel* sender, TKestControl* hintControl, TKestHintInfo& hintInfo, bool& isShowHint)>
        OnShowHint;

    // ---- editing ----------------------------------------------------------
    bool Select(TKestControl* control);
    bool Unselect(TKestControl* control);
    void UnselectAll();
    bool IsSelected(const TKestControl* control) const;
    int SelectedCount() const { return static_cast<int>(selected_.size()); }
    TKestControl* SelectedControl(int index) const { return selected_[static_cast<size_t>(index)]; }
    const TKestRect& SelectionRect() const { return selectionRect_; }
    // Brackets a batch of selection changes: with notifyControls the selected
    // controls are inside an update meanwhile; with a group class a panel
    // history group of that class is open.
    void BeginSelectionUpdate(bool notifyControls = false, const THistoryActionClass* historyGroupClass = nullptr);
    void EndSelectionUpdate(bool notifyControls = false, const THistoryActionClass* historyGroupClass = nullptr);
    bool InSelectionUpdate() const { return selectionUpdateCounter_ > 0; }

    // Throws EKestError "Scheme must exist", "Layer must exist" or "Can't
    // create control on invisible or disabled layer".
    TKestControl* CreateControl(const TKestControlClass* controlClass, int32_t left, int32_t top, bool snap = false,
        TKestLayer* layer = nullptr, TKestCustomScheme* scheme = nullptr, int32_t width = 0, int32_t height = 0);
    void DeleteSelected();
    void MoveSelected(int32_t dx, int32_t dy);
    void TranslateSelected(const TTranslateInfo& info);
    // Groups the selection into a new group of that class (TKestGroup by default).
    bool Group(const TKestControlClass* groupClass = nullptr);
    bool Ungroup();
    // The group made by the last successful Group, or none.
    TKestControl* LastGroup() const { return lastGroup_; }
    // Hit tests take unfilled figures by their inside as if they were filled.
    bool SelectAsFilled() const { return selectAsFilled_; }
    void SetSelectAsFilled(bool value) { selectAsFilled_ = value; }
    // The document is being edited: empty pictures are shown as placeholder
    // frames and can be hit.
    bool EditMode() const { return editMode_; }
    void SetEditMode(bool value) { editMode_ = value; }
    // The selection (or one control) as a drag object.
    std::unique_ptr<TKestDragObject> CreateDragObject(TKestControl* control = nullptr);

    std::function<void(TKestPanel* sender)> OnBeginSelectionUpdate;
    std::function<void(TKestPanel* sender)> OnEndSelectionUpdate;

    // Tool modes of the mouse.
    enum : uint8_t {
        tmNormal = 0,
        tmSelecting = 1,
        tmZoom = 2,
        tmZooming = 3,
        tmMove = 4,
        tmMoving = 5,
        tmResize = 6,
        tmResizing = 7,
        tmControlResizing = 8,
        tmEditPoints = 9,
        tmSelectingPoints = 10,
        tmCreating = 11,
        tmMovingPoint = 12,
        tmContinuing = 13,
        tmPan = 14,
        tmPanning = 15,
    };
    uint8_t ToolMode() const { return toolMode_; }
    void SetToolMode(uint8_t mode);
    uint8_t BaseToolMode() const { return baseToolMode_; }
    // The class a click creates; its creation cursor is shown meanwhile.
    const TKestControlClass* CreatingControlClass() const { return creatingControlClass_; }
    void SetCreatingControlClass(const TKestControlClass* cls);
    TKestControl* EditPointControl() const { return editPointControl_; }
    const TSelectedArray& EditPointSelection() const { return editPointSelection_; }
    void SetEditPointSelected(int index, bool selected);
    // Document units; the rectangle being dragged out in modes 1, 3 and 10.
    const TKestRect& RubberRect() const { return rubberRect_; }
    int ResizeHandle() const { return resizeHandle_; }
    bool SelectPartialOverlapped() const { return selectPartialOverlapped_; }
    void SetSelectPartialOverlapped(bool value) { selectPartialOverlapped_ = value; }
    bool HideSelection() const { return hideSelection_; }
    void SetHideSelection(bool value);
    bool AutoDragEnabled() const { return autoDragEnabled_; }
    void SetAutoDragEnabled(bool value) { autoDragEnabled_ = value; }
    bool ShowEditPointGuide() const { return showEditPointGuide_; }
    void SetShowEditPointGuide(bool value);
    // The zoom tool zooms out (the Ctrl key was held when last looked at).
    bool ZoomingOut() const { return zoomOut_; }

    // Window pixels of selection handle 1..8 (empty rectangle when none is shown).
    TKestRect HandleRect(int handle) const;
    // The handle 1..8 at a window pixel, 0 for none.
    int HandleAtPoint(TKestPoint pixel) const;
    // Handles and anchors are shown: a selection, and focus unless HideSelection.
    bool SelectionShown() const;
    // Pixels: how near the pointer must be to a point to pick it.
    static constexpr int32_t kPickDistance = 5;

    // The one selected control's own handles, shown and hit in the move and
    // resize modes; a drag on one is tool mode 8.
    bool ControlHandlesShown() const;
    // Window pixels of the control's own handle index.
    TKestRect ControlHandleRect(int index) const;
    // The own handle within the pick distance of a window pixel, or -1.
    int ControlHandleAt(TKestPoint pixel) const;
    // The own handle being dragged in mode 8, or -1.
    int ControlHandle() const { return controlHandle_; }

    // Drawing a figure point by point (tool mode 11). A figure class is one
    // whose controls are drawn so: curves, not connectors.
    static bool IsFigureClass(const TKestControlClass* cls);
    // Creates a figure of that class with its first point at a document
    // point, selects it and enters mode 11; raises CreateControl's errors,
    // and then nothing has changed.
    TKestControl* BeginFigure(const TKestControlClass* cls, TKestPoint point);
    // Ends mode 11; with keepPending the point the pointer drags becomes the
    // last one, unless it lies on the last one. A new figure left with fewer
    // than two points is removed without a trace in the history.
    void FinishFigure(bool keepPending);
    // The figure being drawn or continued, and the document point the
    // pointer drags after its last point.
    TKestControl* Figure() const { return figure_; }
    TKestPoint PendingPoint() const { return pendingPoint_; }
    // Draws the selection handles, the anchor squares, the edit points and
    // the edit-point guide over the painted document (window pixels).
    void PaintSelection(TKestCanvas& canvas);
    // The cursor number the current mode and the pointer call for.
    int ToolCursor() const;

    // The control under the mouse and the child under the mouse inside it.
    TKestControl* MouseControl() const { return mouseControl_; }
    TKestControl* MouseSubControl() const { return mouseSubControl_; }
    void SetMouseControl(TKestControl* control, TKestControl* subControl = nullptr);
    void UpdateCursor();
    // Sets the scale and brings the centre of rect (document units), or the
    // document point at the window centre, to the centre of the window.
    void Zoom(int32_t newScale, const TKestRect* rect = nullptr);

    std::function<void(TKestPanel* sender)> OnMouseControlChange;
    std::function<void(TKestPanel* sender, int& cursor)> OnUpdateCursor;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    friend class TKestControl;
    friend class TKestDragObject;
    friend class TKestPanelHistory;

    // One BeginSelectionUpdate: the controls it holds in an update, and
    // whether it opened a history group.
    struct TSelectionLevel {
        std::vector<TKestControl*> Controls;
        bool GroupOpened = false;
    };

    struct TPaintState {
        TKestCanvas* Canvas;
        int32_t OriginX, OriginY, Scale;
        TKestRect PaintRect;
        bool PlainOutput, OnScreen, HighQuality;
        TAlphaBuffer* AlphaBuffer;
    };

    void NewDocument();
    void RefreshSelection();
    void ForgetControl(TKestControl* control);
    void BuildIdIndex();
    void ReleaseActive(TKestControl* control);
    void PushPaintState();
    void PopPaintState();
    // Reads the document header and the root's properties and objects.
    void LoadDocumentBody(TKestFiler& filer, TKestLoadMode mode);
    void SaveDocumentHeader(TKestFiler& filer, int64_t objectCount);
    void FreeDocument();

    // document
    std::unique_ptr<TKestPanelHistory> history_;
    TIdPool idPool_;
    TPropRefList refList_;
    // While the references of a load resolve, identifiers are looked up in
    // an index built on first use, so a document full of links does not
    // walk the whole tree per link; a destroyed control or a changed
    // identifier drops it.
    bool idIndexEnabled_ = false;
    std::unordered_map<int32_t, TKestControl*> idIndex_;
    std::vector<TKestControl*> orphans_;
    TKestSchemes* schemes_ = nullptr;
    TKestLayers* layers_ = nullptr;
    TKestGrid* grid_ = nullptr;
    TKestLayer* activeLayer_ = nullptr;
    TKestCustomScheme* activeScheme_ = nullptr;
    TKestControl* assigningIdControl_ = nullptr;
    int32_t loadingCounter_ = 0;
    int32_t loadDepth_ = 0;
    TKestLoadMode loadMode_ = lmDocument;
    TKestFilerProcess filerProcess_ = ppUnknown;
    bool modified_ = false;
    uint64_t changeStamp_ = 0;
    bool saveAsBinary_ = false;
    bool autoNames_ = true;
    bool autoNameNumbs_ = false;
    int32_t connectorsMinGap_ = TKestSchemes::kDefaultConnectorsMinGap;
    bool destroying_ = false;
    std::unique_ptr<TNotifyLink> notifyLink_;

    // view
    int32_t scale_ = 100;
    int32_t docWidth_ = 320000;
    int32_t docHeight_ = 240000;
    int32_t originX_ = 0;
    int32_t originY_ = 0;
    bool schemeBkStretch_ = false;
    bool showDocFrame_ = true;
    TKestRect paintRect_;
    bool plainOutput_ = false;
    bool onScreen_ = false;
    bool highQuality_ = false;
    std::vector<TPaintState> paintStack_;
    TKestCanvas* paintCanvas_ = nullptr;
    TAlphaBuffer alphaBuffer_;
    TAlphaBuffer* currentAlphaBuffer_ = nullptr;

    // view (window)
    void InitWindow();
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* event) override;
    void ShowHintAt(const QPoint& pos);
    // The space fill around the document of the current paint.
    void PaintDocSpace(TKestCanvas& canvas, const TKestRect& doc, bool frameWanted);
    bool PaintFrozenPicture(TKestCanvas& canvas);
    // doc: the document's area in the paint's pixels.
    bool BackgroundHidden(const TKestRect& doc, TKestControl* control, bool childrenOnly, bool selectedOnly) const;
    // What PaintDocument paints without SelectedOnly: the control when it
    // is this panel's, else the active scheme, else the first; or none.
    TKestControl* PaintTarget(TKestControl* control) const;
    // The hint of the control under the mouse, asked for when it changes.
    void UpdateHintControl();
    bool autoZoom_ = false;
    int32_t horzExtraSpace_ = 0;
    int32_t vertExtraSpace_ = 0;
    TKestRect visibleDocRect_;
    TColor docFrameColor_ = clBlack;
    TColor docShadowColor_ = 0x808080;
    TKestBrush docSpaceBrush_ {clBtnFace, bsBDiagonal};
    bool docSpaceFill_ = false;
    bool docClipping_ = false;
    bool showHint_ = false;
    bool frostPan_ = false;
    bool frostPanFullDoc_ = false;
    bool panning_ = false;
    QImage frozenPicture_;
    bool frozenFullDoc_ = false;
    TKestPoint frozenOrigin_;
    // Changing a range can show or hide a scroll bar, which resizes the
    // client area and asks for the ranges again.
    bool updatingRanges_ = false;
    bool rangesPending_ = false;
    TKestControl* hintControl_ = nullptr;
    int32_t outerOriginX_ = 0;
    int32_t outerOriginY_ = 0;
    QImage backBuffer_;
    int backDepth_ = 0;
    TKestCanvas backCanvas_;

    // editing
    std::vector<TKestControl*> selected_;
    TKestRect selectionRect_;
    int32_t selectionUpdateCounter_ = 0;
    bool selectionChanged_ = false;
    std::vector<TSelectionLevel> selectionLevels_;
    TKestControl* lastGroup_ = nullptr;
    bool selectAsFilled_ = false;
    bool editMode_ = false;

    // editing (mouse)
    // A point of the edited control under the pointer: its index, or a
    // segment first..second; none when Index and First are both -1.
    struct TEditPointHit {
        int Index = -1;
        int First = -1;
        int Second = -1;
        bool OnOutline = false;
    };
    void UpdateSelectionDisplay(const TKestRect& oldRect);
    void InvalidateHandles(const TKestRect& selection);
    void LeaveToolMode(uint8_t mode);
    void EnterToolMode(uint8_t mode);
    void FinishRubberBand();
    void FinishZoomDrag();
    void MoveSelectionTo(TKestPoint pixel);
    void ResizeSelectionTo(TKestPoint pixel);
    void PanTo(TKestPoint pixel);
    void StartAutoDrag();
    void TrackMouse(TKestPoint pixel);
    void PointerMoved(TKestPoint pixel);
    void OpenSizeMoveGroup();
    void PressNormal(TKestPoint pixel, Qt::KeyboardModifiers modifiers);
    void CreateByClick(TKestPoint pixel);
    // A document point on the grid when the grid snaps.
    TKestPoint SnapPoint(TKestPoint point) const;
    void MoveControlHandleTo(TKestPoint pixel);
    void InvalidateControlHandles();
    void PaintControlHandles(TKestCanvas& canvas);
    // figures (mode 11)
    void BeginFigureByClick(TKestPoint pixel);
    void PressFigure(TKestPoint pixel);
    void ContinueFigure(TKestPoint pixel);
    void AddFigurePoint(TKestPoint point);
    void MovePendingPoint(TKestPoint pixel);
    bool ClosesFigure(TKestPoint pixel) const;
    bool OnLastFigurePoint(TKestPoint point) const;
    void EndFigure();
    void InvalidateRubberLine();
    void PaintRubberLine(TKestCanvas& canvas);
    // The dotted line of the edit-point guide.
    static TKestPen GuidePen();
    void ReturnFromDrag();
    int32_t PixelsToUnits(int32_t pixels) const;
    // point editing
    void StartPointEditing(TKestControl* control);
    TEditPointHit EditPointAt(TKestPoint pixel) const;
    void PressEditPoints(TKestPoint pixel, Qt::KeyboardModifiers modifiers);
    void DragEditPoints(TKestPoint pixel);
    void FinishPointRubberBand();
    void EndPointDrag();
    // B, C, J, L and V: break, close, join, to lines, to curves.
    bool EditPointsByKey(int key);
    bool DeleteSelectedPoints();
    void PaintEditPoints(TKestCanvas& canvas);
    int EditPointCursor() const;

    uint8_t toolMode_ = tmNormal;
    uint8_t baseToolMode_ = tmNormal;
    uint8_t returnMode_ = tmNormal;
    const TKestControlClass* creatingControlClass_ = nullptr;
    TKestControl* editPointControl_ = nullptr;
    TSelectedArray editPointSelection_;
    TKestPoint mouseDownPos_;
    TKestPoint mousePos_;
    TKestRect rubberRect_;
    uint8_t resizeHandle_ = 0;
    TKestPoint moveOffset_;
    bool sizeMoveGroup_ = false;
    bool pointsGroup_ = false;
    TKestRect resizeStartRect_;
    bool resizeMirrorX_ = false;
    bool resizeMirrorY_ = false;
    TKestPoint panStartOrigin_;
    bool zoomOut_ = false;
    bool shiftDown_ = false;
    bool addPointKey_ = false;
    bool selectPartialOverlapped_ = false;
    bool hideSelection_ = false;
    bool autoDragEnabled_ = false;
    bool showEditPointGuide_ = true;
    bool autoDragging_ = false;
    TEditPointHit pointHit_;
    TEditPointHit pointDrag_;
    TKestPoint pointDragLast_;
    TKestControl* mouseControl_ = nullptr;
    TKestControl* mouseSubControl_ = nullptr;
    int cursor_ = 0;
    int controlHandle_ = -1;
    TKestPoint controlHandleStart_;
    TKestControl* figure_ = nullptr;
    // The figure was made by this drawing (not continued).
    bool figureCreated_ = false;
    bool figureKeepPending_ = false;
    // The history group the drawing records into, none when it opened none.
    const THistoryActionClass* figureGroup_ = nullptr;
    TKestPoint pendingPoint_;
    // The drag object of a drag from another panel while it is over this one.
    TKestDragObject* dragOver_ = nullptr;
};

// The selection (or one control) copied into a group of its own that
// belongs to no scheme, to be dragged out of a panel and dropped elsewhere.
class TKestDragObject : public TKestObject {
public:
    // Builds the group from the selection (control none) or one control.
    TKestDragObject(TKestPanel& source, TKestControl* control);
    ~TKestDragObject() override;
    TKestDragObject(const TKestDragObject&) = delete;
    TKestDragObject& operator=(const TKestDragObject&) = delete;

    TKestGroup* Group() const { return group_; }
    TKestPanel& SourcePanel() const { return source_; }
    // The pointer's offset from the group's top-left, document units.
    TKestPoint Offset() const { return offset_; }
    void SetOffset(TKestPoint offset) { offset_ = offset; }
    // Puts the group into the target's active scheme, its top-left at the
    // pointer (document units of the target) minus the offset.
    void PlaceInto(TKestPanel& target, TKestPoint pointer);
    // Takes the group back out of the panel it was placed into.
    void TakeOut();
    bool Dropped() const;

private:
    TKestPanel& source_;
    TKestGroup* group_ = nullptr;
    TKestPoint offset_;
    // Tells when the group goes away with the document it was dropped into.
    TNotifyLink watch_ {this};
};

} // namespace kest
