// TKestPanel, the selection as the window shows it: the eight handles around
// the selection, the anchor squares of the selected controls, the own
// handles of a single selected control, the rubber band, and what
// invalidates them.
#include <QFocusEvent>
#include <algorithm>
#include <cstdlib>

#include "KestBasePanel.h"
#include "KestCanvas.h"
#include "KestColor.h"

namespace kest {

namespace {

// Pixels between the selection and the handle centres, and a handle's size.
constexpr int32_t kHandleMargin = 8;
constexpr int32_t kHandleSize = 6;
constexpr int32_t kAnchorSize = 5;
// Larger than both, and yellow, so that it reads as a handle of the shape.
constexpr int32_t kControlHandleSize = 7;

TKestRect GrownRect(const TKestRect& r, int32_t by)
{
    return {r.Left - by, r.Top - by, r.Right + by, r.Bottom + by};
}

QRect ToQRect(const TKestRect& r)
{
    return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

} // namespace

bool TKestPanel::SelectionShown() const
{
    return !selected_.empty() && (!hideSelection_ || hasFocus());
}

TKestRect TKestPanel::HandleRect(int handle) const
{
    if (handle < 1 || handle > 8 || !SelectionShown())
        return {};
    const TKestRect g = GrownRect(NormalizeRect(TransformRect(selectionRect_)), kHandleMargin);
    // Handles 1-3 on the top row, 4-5 in the middle, 6-8 at the bottom.
    static constexpr int kColumn[8] = {0, 1, 2, 0, 2, 0, 1, 2};
    static constexpr int kRow[8] = {0, 0, 0, 1, 1, 2, 2, 2};
    const int32_t xs[3] = {g.Left, g.Left + (g.Right - g.Left) / 2, g.Right};
    const int32_t ys[3] = {g.Top, g.Top + (g.Bottom - g.Top) / 2, g.Bottom};
    const int32_t x = xs[kColumn[handle - 1]], y = ys[kRow[handle - 1]];
    const int32_t half = kHandleSize / 2;
    return {x - half, y - half, x - half + kHandleSize, y - half + kHandleSize};
}

int TKestPanel::HandleAtPoint(TKestPoint pixel) const
{
    // The later handle wins where two overlap (a tiny selection).
    for (int handle = 8; handle >= 1; --handle) {
        const TKestRect r = HandleRect(handle);
        if (pixel.X >= r.Left && pixel.X < r.Right && pixel.Y >= r.Top && pixel.Y < r.Bottom)
            return handle;
    }
    return 0;
}

bool TKestPanel::ControlHandlesShown() const
{
    if (selected_.size() != 1 || !SelectionShown())
        return false;
    if (toolMode_ != tmMove && toolMode_ != tmResize && toolMode_ != tmControlResizing)
        return false;
    const TKestControl* control = selected_.front();
    return !(control->Layer() && control->Layer()->IsReadOnly()) && control->HandleCount() > 0;
}

TKestRect TKestPanel::ControlHandleRect(int index) const
{
    if (!ControlHandlesShown() || index < 0 || index >= selected_.front()->HandleCount())
        return {};
    const TKestPoint p = TransformPoint(selected_.front()->HandlePoint(index));
    const int32_t half = kControlHandleSize / 2;
    return {p.X - half, p.Y - half, p.X - half + kControlHandleSize, p.Y - half + kControlHandleSize};
}

int TKestPanel::ControlHandleAt(TKestPoint pixel) const
{
    if (!ControlHandlesShown())
        return -1;
    const TKestControl* control = selected_.front();
    int found = -1;
    int32_t best = kPickDistance + 1;
    for (int i = 0; i < control->HandleCount(); ++i) {
        const TKestPoint p = TransformPoint(control->HandlePoint(i));
        const int32_t d = std::max(std::abs(p.X - pixel.X), std::abs(p.Y - pixel.Y));
        // The later of two handles at one place wins: it was added last.
        if (d <= best) {
            best = d;
            found = i;
        }
    }
    return found;
}

void TKestPanel::InvalidateControlHandles()
{
    for (int i = 0; ControlHandlesShown() && i < selected_.front()->HandleCount(); ++i)
        viewport()->update(ToQRect(ControlHandleRect(i)));
}

void TKestPanel::PaintControlHandles(TKestCanvas& canvas)
{
    if (!ControlHandlesShown())
        return;
    canvas.SetPen(TKestPen(clBlack));
    canvas.SetBrush(TKestBrush(clYellow, bsSolid));
    for (int i = 0; i < selected_.front()->HandleCount(); ++i)
        canvas.Rectangle(ControlHandleRect(i));
}

void TKestPanel::InvalidateHandles(const TKestRect& selection)
{
    if (destroying_)
        return;
    // The handles and the anchors stick out of the grown rectangle by half a handle.
    const TKestRect r = GrownRect(NormalizeRect(TransformRect(selection)), kHandleMargin + kHandleSize);
    viewport()->update(ToQRect(r));
}

void TKestPanel::UpdateSelectionDisplay(const TKestRect& oldRect)
{
    if (oldRect != TKestRect {})
        InvalidateHandles(oldRect);
    if (!selected_.empty())
        InvalidateHandles(selectionRect_);
    StartPointEditing(selected_.size() == 1 ? selected_.front() : nullptr);
}

void TKestPanel::SetHideSelection(bool value)
{
    if (value == hideSelection_)
        return;
    hideSelection_ = value;
    if (!selected_.empty())
        InvalidateHandles(selectionRect_);
}

void TKestPanel::focusInEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusInEvent(event);
    if (!selected_.empty())
        InvalidateHandles(selectionRect_);
}

void TKestPanel::focusOutEvent(QFocusEvent* event)
{
    QAbstractScrollArea::focusOutEvent(event);
    // Keys held when the focus went cannot be seen released.
    zoomOut_ = addPointKey_ = shiftDown_ = false;
    if (!selected_.empty())
        InvalidateHandles(selectionRect_);
    UpdateCursor();
}

void TKestPanel::PaintSelection(TKestCanvas& canvas)
{
    canvas.SaveDC();
    if (toolMode_ == tmSelecting || toolMode_ == tmZooming || toolMode_ == tmSelectingPoints) {
        const TKestRect band = NormalizeRect(TransformRect(NormalizeRect(rubberRect_)));
        if (RectWidth(band) >= 2 && RectHeight(band) >= 2)
            canvas.DrawFocusRect(band);
    }
    if (SelectionShown()) {
        canvas.SetBrush(TKestBrush(clBlack, bsSolid));
        for (int handle = 1; handle <= 8; ++handle)
            canvas.FillRect(HandleRect(handle));
        canvas.SetPen(TKestPen(clBlack));
        canvas.SetBrush(TKestBrush(clWhite, bsSolid));
        const int32_t half = kAnchorSize / 2;
        for (TKestControl* control : selected_) {
            const TKestPoint a = control->AnchorPoint();
            canvas.Rectangle({a.X - half, a.Y - half, a.X - half + kAnchorSize, a.Y - half + kAnchorSize});
        }
        PaintControlHandles(canvas);
    }
    PaintEditPoints(canvas);
    PaintRubberLine(canvas);
    canvas.RestoreDC(-1);
}

} // namespace kest
