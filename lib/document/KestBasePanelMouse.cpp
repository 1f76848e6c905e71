// TKestPanel, the mouse and the keyboard: the tool modes, the rubber band,
// moving and resizing the selection with snapping, dragging a control's own
// handles, the zoom and pan tools,
// the control under the pointer and its cursor, and dragging the selection
// out of the panel into another one.
#include <QApplication>
#include <QDrag>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "KestActions.h"
#include "KestBasePanel.h"
#include "KestError.h"

namespace kest {

namespace {

// A press and release closer than this many pixels in both directions is a click.
constexpr int32_t kClickDistance = 3;

// The drag of controls in progress in this process; the platform's drag
// data only says that there is one.
TKestDragObject* currentDrag = nullptr;
const char* const kDragMimeType = "application/x-kest-drag";

TKestPoint PixelOf(const QPointF& point)
{
    return {static_cast<int32_t>(std::floor(point.x())), static_cast<int32_t>(std::floor(point.y()))};
}

bool IsDrag(TKestPoint from, TKestPoint to)
{
    return std::abs(to.X - from.X) >= kClickDistance || std::abs(to.Y - from.Y) >= kClickDistance;
}

} // namespace

int32_t TKestPanel::PixelsToUnits(int32_t pixels) const
{
    return MulDiv(pixels, 100000, scale_);
}

// ---------------------------------------------------------------------------
// Tool modes

void TKestPanel::SetToolMode(uint8_t mode)
{
    if (mode == toolMode_ || mode > tmPanning)
        return;
    if (mode == tmMovingPoint && pointHit_.Index < 0 && !pointHit_.OnOutline)
        return;
    const bool handlesShown = ControlHandlesShown();
    LeaveToolMode(toolMode_);
    toolMode_ = mode;
    EnterToolMode(mode);
    if (handlesShown != ControlHandlesShown())
        InvalidateHandles(selectionRect_);
    UpdateCursor();
}

void TKestPanel::LeaveToolMode(uint8_t mode)
{
    switch (mode) {
    case tmSelecting:
        FinishRubberBand();
        break;
    case tmZooming:
        FinishZoomDrag();
        break;
    case tmResizing:
    case tmControlResizing:
        for (TKestControl* control : std::vector<TKestControl*>(selected_))
            control->FinishResizing();
        controlHandle_ = -1;
        [[fallthrough]];
    case tmMoving:
        if (sizeMoveGroup_)
            history_->EndPanelGroup(TPanelSizeMoveHistoryGroup::StaticClass());
        sizeMoveGroup_ = false;
        break;
    case tmSelectingPoints:
        FinishPointRubberBand();
        break;
    case tmMovingPoint:
        EndPointDrag();
        if (pointsGroup_)
            history_->EndPanelGroup(TPanelPointsHistoryGroup::StaticClass());
        pointsGroup_ = false;
        break;
    case tmCreating:
        EndFigure();
        break;
    case tmPanning:
        EndPanning();
        break;
    default:
        break;
    }
    if (mode == tmSelecting || mode == tmZooming || mode == tmSelectingPoints)
        viewport()->update();
}

void TKestPanel::EnterToolMode(uint8_t mode)
{
    const TKestPoint pointer = UnTransformPoint(mousePos_);
    switch (mode) {
    case tmNormal:
        rubberRect_ = {};
        baseToolMode_ = tmNormal;
        viewport()->update();
        break;
    case tmZoom:
        rubberRect_ = {};
        break;
    case tmMoving:
        moveOffset_ = {pointer.X - selectionRect_.Left, pointer.Y - selectionRect_.Top};
        [[fallthrough]];
    case tmSelecting:
    case tmSelectingPoints:
        rubberRect_ = {pointer.X, pointer.Y, pointer.X, pointer.Y};
        break;
    case tmZooming:
        rubberRect_ = {pointer.X, pointer.Y, pointer.X, pointer.Y};
        mouseDownPos_ = mousePos_;
        break;
    case tmResizing:
        resizeStartRect_ = selectionRect_;
        resizeMirrorX_ = resizeMirrorY_ = false;
        for (TKestControl* control : std::vector<TKestControl*>(selected_))
            control->StartResizing({selectionRect_.Left, selectionRect_.Top});
        break;
    case tmControlResizing:
        // Entered on a grabbed handle of the one selected control.
        controlHandleStart_ = selected_.size() == 1 ? selected_.front()->HandlePoint(controlHandle_) : pointer;
        for (TKestControl* control : std::vector<TKestControl*>(selected_))
            control->StartResizing(controlHandleStart_);
        break;
    case tmEditPoints:
        baseToolMode_ = tmEditPoints;
        if (selected_.size() == 1)
            StartPointEditing(selected_.front());
        else
            UnselectAll();
        viewport()->update();
        break;
    case tmMovingPoint:
        pointDragLast_ = pointer;
        pointsGroup_ = history_->BeginPanelGroup(TPanelPointsHistoryGroup::StaticClass());
        break;
    case tmCreating:
        // A new figure's drawing records into the group that created it.
        if (figure_ && !figureGroup_ && history_->BeginPanelGroup(TPanelPointsHistoryGroup::StaticClass()))
            figureGroup_ = TPanelPointsHistoryGroup::StaticClass();
        break;
    case tmPanning:
        panStartOrigin_ = {originX_, originY_};
        BeginPanning();
        break;
    default:
        break;
    }
}

void TKestPanel::SetCreatingControlClass(const TKestControlClass* cls)
{
    creatingControlClass_ = cls;
    UpdateCursor();
}

// ---------------------------------------------------------------------------
// Rubber band, zoom and pan

void TKestPanel::FinishRubberBand()
{
    if (!activeScheme_)
        return;
    const TKestRect band = NormalizeRect(rubberRect_);
    BeginSelectionUpdate();
    for (int i = 0; i < activeScheme_->Count(); ++i) {
        TKestControl* control = activeScheme_->Controls(i);
        const TKestRect r = NormalizeRect(control->DocRect());
        const bool inside
            = r.Left >= band.Left && r.Right <= band.Right && r.Top >= band.Top && r.Bottom <= band.Bottom;
        const bool overlaps = r.Left < band.Right && r.Right > band.Left && r.Top < band.Bottom && r.Bottom > band.Top;
        if (selectPartialOverlapped_ ? overlaps || inside : inside) {
            if (!Unselect(control))
                Select(control);
        }
    }
    EndSelectionUpdate();
}

void TKestPanel::FinishZoomDrag()
{
    const TKestRect band = NormalizeRect(rubberRect_);
    double newScale = zoomOut_ ? scale_ / 2 : scale_ * 2.0;
    if (IsDrag(mouseDownPos_, mousePos_) && !zoomOut_) {
        // The band's extent in pixels at the current scale against the window.
        const double width = double(RectWidth(band)) * scale_ / 100000.0;
        const double height = double(RectHeight(band)) * scale_ / 100000.0;
        const double fx = width > 0 ? viewport()->width() / width : 1.0;
        const double fy = height > 0 ? viewport()->height() / height : 1.0;
        newScale = std::round(scale_ * std::min(fx, fy));
    }
    newScale = std::clamp(newScale, double(kMinScale), double(kMaxScale));
    Zoom(static_cast<int32_t>(newScale), &band);
}

void TKestPanel::PanTo(TKestPoint pixel)
{
    SetOrigin(panStartOrigin_.X - (pixel.X - mouseDownPos_.X), panStartOrigin_.Y - (pixel.Y - mouseDownPos_.Y));
}

// ---------------------------------------------------------------------------
// Moving and resizing

// The group of one drag opens with its first change, so that a click
// records nothing and leaves what can be redone.
void TKestPanel::OpenSizeMoveGroup()
{
    if (!sizeMoveGroup_ && !history_->CurrentGroup())
        sizeMoveGroup_ = history_->BeginPanelGroup(TPanelSizeMoveHistoryGroup::StaticClass());
}

void TKestPanel::MoveSelectionTo(TKestPoint pixel)
{
    if (selected_.empty())
        return;
    const TKestPoint pointer = UnTransformPoint(pixel);
    TKestPoint delta {pointer.X - moveOffset_.X - selectionRect_.Left, pointer.Y - moveOffset_.Y - selectionRect_.Top};
    if (grid_->SnapToGrid())
        grid_->DoSnap(selectionRect_, delta);
    if (delta.X == 0 && delta.Y == 0)
        return;
    OpenSizeMoveGroup();
    MoveSelected(delta.X, delta.Y);
}

void TKestPanel::ResizeSelectionTo(TKestPoint pixel)
{
    const int h = resizeHandle_;
    if (selected_.empty() || h < 1 || h > 8)
        return;
    const TKestRect& start = resizeStartRect_;
    const TKestPoint down = UnTransformPoint(mouseDownPos_), pointer = UnTransformPoint(pixel);
    TKestPoint delta {pointer.X - down.X, pointer.Y - down.Y};
    if (grid_->SnapToGrid())
        grid_->DoSnap(start, delta, h);
    TKestRect r = start;
    if (h == 1 || h == 4 || h == 6)
        r.Left += delta.X;
    if (h == 3 || h == 5 || h == 8)
        r.Right += delta.X;
    if (h == 1 || h == 2 || h == 3)
        r.Top += delta.Y;
    if (h == 6 || h == 7 || h == 8)
        r.Bottom += delta.Y;
    // Dragged over the opposite edge: the selection turns over.
    const bool mirrorX = r.Right < r.Left, mirrorY = r.Bottom < r.Top;
    r = NormalizeRect(r);
    if (mirrorX != resizeMirrorX_ || mirrorY != resizeMirrorY_) {
        for (TKestControl* control : selected_)
            control->MirrorResizePoints(mirrorX != resizeMirrorX_, mirrorY != resizeMirrorY_);
        resizeMirrorX_ = mirrorX;
        resizeMirrorY_ = mirrorY;
    }
    if (r == selectionRect_ && !sizeMoveGroup_)
        return;
    OpenSizeMoveGroup();
    const int32_t oldWidth = RectWidth(start), oldHeight = RectHeight(start);
    const int32_t newWidth = RectWidth(r), newHeight = RectHeight(r);
    // One coordinate of a control's start rectangle (relative to the
    // selection's start) placed into the new selection.
    auto place = [](int32_t v, int32_t oldSize, int32_t newSize, int32_t newStart) {
        return newStart + (oldSize != 0 ? MulDiv(v, newSize, oldSize) : v);
    };
    BeginSelectionUpdate();
    for (TKestControl* control : std::vector<TKestControl*>(selected_)) {
        const TKestRect& rr = control->ResizeRect();
        const int32_t x1 = mirrorX ? oldWidth - rr.Right : rr.Left, x2 = mirrorX ? oldWidth - rr.Left : rr.Right;
        const int32_t y1 = mirrorY ? oldHeight - rr.Bottom : rr.Top, y2 = mirrorY ? oldHeight - rr.Top : rr.Bottom;
        control->SetDocRect({place(x1, oldWidth, newWidth, r.Left), place(y1, oldHeight, newHeight, r.Top),
            place(x2, oldWidth, newWidth, r.Left), place(y2, oldHeight, newHeight, r.Top)});
    }
    EndSelectionUpdate();
}

TKestPoint TKestPanel::SnapPoint(TKestPoint point) const
{
    if (!grid_->SnapToGrid())
        return point;
    TKestPoint delta;
    grid_->DoSnap({point.X, point.Y, point.X, point.Y}, delta);
    return {point.X + delta.X, point.Y + delta.Y};
}

void TKestPanel::MoveControlHandleTo(TKestPoint pixel)
{
    if (selected_.size() != 1 || controlHandle_ < 0)
        return;
    TKestControl* control = selected_.front();
    // The handle keeps its offset from the pointer where it was grabbed.
    const TKestPoint down = UnTransformPoint(mouseDownPos_), pointer = UnTransformPoint(pixel);
    const TKestPoint to
        = SnapPoint({controlHandleStart_.X + pointer.X - down.X, controlHandleStart_.Y + pointer.Y - down.Y});
    if (to == control->HandlePoint(controlHandle_))
        return;
    OpenSizeMoveGroup();
    InvalidateControlHandles();
    control->MoveHandle(controlHandle_, to);
    InvalidateControlHandles();
}

// ---------------------------------------------------------------------------
// The control under the pointer and the cursor

void TKestPanel::SetMouseControl(TKestControl* control, TKestControl* subControl)
{
    if (!subControl)
        subControl = control;
    if (control == mouseControl_ && subControl == mouseSubControl_)
        return;
    mouseControl_ = control;
    mouseSubControl_ = subControl;
    UpdateHintControl();
    if (OnMouseControlChange)
        OnMouseControlChange(this);
}

void TKestPanel::TrackMouse(TKestPoint pixel)
{
    TKestControl* top = activeScheme_ ? activeScheme_->FindControlAtPoint(pixel.X, pixel.Y) : nullptr;
    TKestControl* sub = top && top->IsContainerGroup() ? top->FindControlAtPoint(pixel.X, pixel.Y) : nullptr;
    SetMouseControl(top, sub);
    const bool editing = toolMode_ == tmEditPoints || toolMode_ == tmContinuing;
    pointHit_ = editing ? EditPointAt(pixel) : TEditPointHit {};
}

int TKestPanel::ToolCursor() const
{
    switch (toolMode_) {
    case tmNormal:
    case tmControlResizing:
        if (creatingControlClass_)
            return creatingControlClass_->CreationCursor();
        return mouseControl_ && mouseControl_->Reference() ? -21 : 0;
    case tmZoom:
    case tmZooming:
        return zoomOut_ ? 14 : 13;
    case tmMove:
    case tmMoving:
        return -22;
    case tmResize:
    case tmResizing: {
        const int handle = toolMode_ == tmResizing ? resizeHandle_ : HandleAtPoint(mousePos_);
        static constexpr int kHandleCursor[9] = {0, -8, -7, -6, -9, -9, -6, -7, -8};
        return kHandleCursor[std::clamp(handle, 0, 8)];
    }
    case tmEditPoints:
        return EditPointCursor();
    case tmSelectingPoints:
        return 1;
    case tmCreating:
        return creatingControlClass_ ? creatingControlClass_->CreationCursor() : 5;
    case tmMovingPoint:
        return pointDrag_.Index >= 0 && editPointControl_ && editPointControl_->PointType(pointDrag_.Index) == ptControl
            ? 6
            : 5;
    case tmContinuing:
        return 17;
    case tmPan:
        return 15;
    case tmPanning:
        return 16;
    default:
        return 0;
    }
}

void TKestPanel::UpdateCursor()
{
    int cursor = ToolCursor();
    if (OnUpdateCursor)
        OnUpdateCursor(this, cursor);
    if (cursor == cursor_)
        return;
    cursor_ = cursor;
    viewport()->setCursor(KestPanelCursor(cursor));
}

// ---------------------------------------------------------------------------
// Mouse

void TKestPanel::PressNormal(TKestPoint pixel, Qt::KeyboardModifiers modifiers)
{
    if (IsFigureClass(creatingControlClass_)) {
        BeginFigureByClick(pixel);
        return;
    }
    if (creatingControlClass_) {
        CreateByClick(pixel);
        return;
    }
    const uint8_t tool = toolMode_;
    if (tool == tmResize) {
        if (const int handle = HandleAtPoint(pixel)) {
            resizeHandle_ = static_cast<uint8_t>(handle);
            SetToolMode(tmResizing);
            return;
        }
    }
    if (const int handle = ControlHandleAt(pixel); handle >= 0) {
        controlHandle_ = handle;
        SetToolMode(tmControlResizing);
        return;
    }
    TKestControl* hit = mouseControl_;
    if (!hit) {
        SetToolMode(tmSelecting);
        return;
    }
    if (modifiers & Qt::ShiftModifier) {
        if (!Unselect(hit))
            Select(hit);
        return;
    }
    if (!IsSelected(hit)) {
        BeginSelectionUpdate();
        UnselectAll();
        Select(hit);
        EndSelectionUpdate();
    }
    if (tool != tmNormal && IsSelected(hit))
        SetToolMode(tmMoving);
}

void TKestPanel::CreateByClick(TKestPoint pixel)
{
    const TKestControlClass* cls = creatingControlClass_;
    creatingControlClass_ = nullptr;
    const TKestPoint at = UnTransformPoint(pixel);
    try {
        TKestControl* control = CreateControl(cls, at.X, at.Y, true);
        BeginSelectionUpdate();
        UnselectAll();
        Select(control);
        EndSelectionUpdate();
    } catch (const EKestError&) {
        // No layer to create on: the click creates nothing.
        QApplication::beep();
    }
}

void TKestPanel::ReturnFromDrag()
{
    SetToolMode(returnMode_ == toolMode_ ? baseToolMode_ : returnMode_);
}

void TKestPanel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const TKestPoint pixel = PixelOf(event->position());
    mouseDownPos_ = mousePos_ = pixel;
    shiftDown_ = event->modifiers() & Qt::ShiftModifier;
    addPointKey_ = event->modifiers() & Qt::ControlModifier;
    returnMode_ = toolMode_;
    TrackMouse(pixel);
    switch (toolMode_) {
    case tmNormal:
    case tmMove:
    case tmResize:
        PressNormal(pixel, event->modifiers());
        break;
    case tmZoom:
        zoomOut_ = event->modifiers() & Qt::ControlModifier;
        SetToolMode(tmZooming);
        break;
    case tmPan:
        SetToolMode(tmPanning);
        break;
    case tmEditPoints:
        PressEditPoints(pixel, event->modifiers());
        break;
    case tmCreating:
    case tmContinuing:
        PressFigure(pixel);
        break;
    default:
        break;
    }
    UpdateCursor();
}

void TKestPanel::mouseMoveEvent(QMouseEvent* event)
{
    PointerMoved(PixelOf(event->position()));
}

void TKestPanel::PointerMoved(TKestPoint pixel)
{
    mousePos_ = pixel;
    switch (toolMode_) {
    case tmSelecting:
    case tmZooming:
    case tmSelectingPoints: {
        const TKestPoint pointer = UnTransformPoint(pixel);
        rubberRect_.Right = pointer.X;
        rubberRect_.Bottom = pointer.Y;
        viewport()->update();
        break;
    }
    case tmMoving:
        if (autoDragEnabled_
            && (pixel.X < 0 || pixel.Y < 0 || pixel.X >= viewport()->width() || pixel.Y >= viewport()->height()))
            StartAutoDrag();
        else
            MoveSelectionTo(pixel);
        break;
    case tmResizing:
        ResizeSelectionTo(pixel);
        break;
    case tmControlResizing:
        MoveControlHandleTo(pixel);
        break;
    case tmCreating:
        TrackMouse(pixel);
        MovePendingPoint(pixel);
        break;
    case tmMovingPoint:
        DragEditPoints(pixel);
        break;
    case tmPanning:
        PanTo(pixel);
        break;
    default:
        TrackMouse(pixel);
        break;
    }
    UpdateCursor();
}

void TKestPanel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    const TKestPoint pixel = PixelOf(event->position());
    if (pixel != mousePos_)
        PointerMoved(pixel);
    const bool click = !IsDrag(mouseDownPos_, pixel);
    switch (toolMode_) {
    case tmSelecting:
        // A click on empty space clears the selection; a drag toggles.
        if (click && !(event->modifiers() & Qt::ShiftModifier))
            UnselectAll();
        ReturnFromDrag();
        break;
    case tmZooming:
        SetToolMode(tmZoom);
        break;
    case tmMoving:
    case tmResizing:
    case tmControlResizing:
        ReturnFromDrag();
        break;
    case tmSelectingPoints:
    case tmMovingPoint:
        SetToolMode(tmEditPoints);
        break;
    case tmPanning:
        SetToolMode(tmPan);
        break;
    case tmNormal:
        // A click on a reference to a scheme follows it.
        if (click && mouseControl_ && mouseControl_->Reference())
            SetActiveScheme(mouseControl_->Reference());
        break;
    default:
        break;
    }
    TrackMouse(pixel);
    UpdateCursor();
}

void TKestPanel::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (toolMode_ == tmCreating && event->button() == Qt::LeftButton) {
        // The first click of the pair has added its point already; the
        // pending point then lies on it and is dropped.
        MovePendingPoint(PixelOf(event->position()));
        FinishFigure(true);
    } else if (toolMode_ == tmContinuing) {
        SetToolMode(baseToolMode_);
    } else {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
    }
    UpdateCursor();
}

// ---------------------------------------------------------------------------
// Keyboard

void TKestPanel::keyPressEvent(QKeyEvent* event)
{
    shiftDown_ = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Control:
        zoomOut_ = toolMode_ == tmZoom ? true : zoomOut_;
        addPointKey_ = true;
        break;
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (toolMode_ == tmCreating)
            FinishFigure(event->key() != Qt::Key_Escape);
        else if (toolMode_ == tmContinuing)
            SetToolMode(baseToolMode_);
        else
            event->ignore();
        break;
    case Qt::Key_Delete:
        if (!(toolMode_ == tmEditPoints && DeleteSelectedPoints()))
            event->ignore();
        break;
    case Qt::Key_B:
    case Qt::Key_C:
    case Qt::Key_J:
    case Qt::Key_L:
    case Qt::Key_V:
        if (!(toolMode_ == tmEditPoints && EditPointsByKey(event->key())))
            event->ignore();
        break;
    default:
        event->ignore();
        break;
    }
    UpdateCursor();
}

void TKestPanel::keyReleaseEvent(QKeyEvent* event)
{
    shiftDown_ = event->modifiers() & Qt::ShiftModifier;
    if (event->key() == Qt::Key_Control) {
        if (toolMode_ == tmZoom)
            zoomOut_ = false;
        addPointKey_ = false;
    } else {
        event->ignore();
    }
    UpdateCursor();
}

// ---------------------------------------------------------------------------
// Dragging the selection out of the panel

void TKestPanel::StartAutoDrag()
{
    if (autoDragging_ || selected_.empty())
        return;
    autoDragging_ = true;
    std::unique_ptr<TKestDragObject> drag = CreateDragObject();
    drag->Group()->SetName("DragGroup");
    drag->SetOffset(moveOffset_);
    ReturnFromDrag();
    DeleteSelected();
    currentDrag = drag.get();
    auto* qdrag = new QDrag(this);
    auto* data = new QMimeData;
    data->setData(kDragMimeType, QByteArray());
    qdrag->setMimeData(data);
    qdrag->exec(Qt::MoveAction);
    currentDrag = nullptr;
    // Dropped nowhere: the controls come back rather than being lost.
    if (!drag->Dropped())
        history_->Undo();
    autoDragging_ = false;
}

void TKestPanel::dragEnterEvent(QDragEnterEvent* event)
{
    if (!currentDrag || !event->mimeData()->hasFormat(kDragMimeType) || !activeScheme_ || !activeLayer_) {
        event->ignore();
        return;
    }
    dragOver_ = currentDrag;
    dragOver_->PlaceInto(*this, UnTransformPoint(PixelOf(event->position())));
    event->acceptProposedAction();
}

void TKestPanel::dragMoveEvent(QDragMoveEvent* event)
{
    if (!dragOver_ || dragOver_ != currentDrag) {
        event->ignore();
        return;
    }
    dragOver_->PlaceInto(*this, UnTransformPoint(PixelOf(event->position())));
    event->acceptProposedAction();
}

void TKestPanel::dragLeaveEvent(QDragLeaveEvent*)
{
    if (dragOver_ && dragOver_ == currentDrag)
        dragOver_->TakeOut();
    dragOver_ = nullptr;
}

void TKestPanel::dropEvent(QDropEvent* event)
{
    if (!dragOver_ || dragOver_ != currentDrag) {
        event->ignore();
        return;
    }
    dragOver_->PlaceInto(*this, UnTransformPoint(PixelOf(event->position())));
    TKestGroup* group = dragOver_->Group();
    dragOver_ = nullptr;
    // The group becomes an ordinary member of this document.
    group->IdProp()->SetStyle(group->IdProp()->Style() & ~psReadOnly);
    GenerateId(group);
    event->acceptProposedAction();
    BeginSelectionUpdate();
    UnselectAll();
    Select(group);
    EndSelectionUpdate();
}

} // namespace kest
