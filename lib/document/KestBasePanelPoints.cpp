// TKestPanel, editing the points of the one selected control: picking,
// selecting and dragging points and segments, inserting, deleting, closing
// and breaking figures, the point rubber band, and the edit points with
// their guide drawn over the document.
#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <utility>

#include "KestActions.h"
#include "KestBasePanel.h"
#include "KestCanvas.h"
#include "KestColor.h"
#include "KestControlsCurve.h"

namespace kest {

namespace {

constexpr int32_t kPointSize = 5;

// The other end of the open figure that point index begins or ends, or -1.
int OpenFigurePartner(const TKestControl& control, int index)
{
    const int count = control.PointCount();
    int start = index;
    while (start > 0 && control.PointType(start - 1) != ptOpenEnd && control.PointType(start - 1) != ptClosedEnd)
        --start;
    int end = index;
    while (end < count - 1 && control.PointType(end) != ptOpenEnd && control.PointType(end) != ptClosedEnd)
        ++end;
    if (control.PointType(end) != ptOpenEnd || start == end)
        return -1;
    if (index == start)
        return end;
    return index == end ? start : -1;
}

} // namespace

void TKestPanel::StartPointEditing(TKestControl* control)
{
    if (control && control->PointCount() <= 0)
        control = nullptr;
    const size_t count = control ? static_cast<size_t>(control->PointCount()) : 0;
    if (control == editPointControl_ && editPointSelection_.size() == count)
        return;
    editPointControl_ = control;
    editPointSelection_.assign(count, false);
    pointHit_ = pointDrag_ = {};
    viewport()->update();
    DoNotify(control, knEditPointSelection);
}

void TKestPanel::SetEditPointSelected(int index, bool selected)
{
    if (index < 0 || static_cast<size_t>(index) >= editPointSelection_.size()
        || editPointSelection_[static_cast<size_t>(index)] == selected)
        return;
    editPointSelection_[static_cast<size_t>(index)] = selected;
    viewport()->update();
    DoNotify(editPointControl_, knEditPointSelection);
}

TKestPanel::TEditPointHit TKestPanel::EditPointAt(TKestPoint pixel) const
{
    TEditPointHit hit;
    TKestControl* control = editPointControl_;
    if (!control)
        return hit;
    const TKestRect r = control->DocRect();
    int32_t best = kPickDistance + 1;
    for (int i = 0; i < control->PointCount(); ++i) {
        const TKestPoint p = control->Point(i);
        const TKestPoint s = TransformPoint({r.Left + p.X, r.Top + p.Y});
        const int32_t d = std::max(std::abs(s.X - pixel.X), std::abs(s.Y - pixel.Y));
        if (d < best) {
            best = d;
            hit.Index = i;
        }
    }
    if (hit.Index >= 0)
        return hit;
    if (auto* curve = dynamic_cast<TKestCurve*>(control)) {
        const TKestPoint at = UnTransformPoint(pixel);
        int32_t first = -1, second = -1;
        bool within = false;
        if (curve->FindNearestSegment({at.X - r.Left, at.Y - r.Top}, false, first, second, within) && within) {
            hit.First = std::min(first, second);
            hit.Second = std::max(first, second);
            hit.OnOutline = true;
        }
    }
    return hit;
}

int TKestPanel::EditPointCursor() const
{
    TKestControl* control = editPointControl_;
    if (!control || (pointHit_.Index < 0 && !pointHit_.OnOutline))
        return 1;
    if (addPointKey_) {
        if (pointHit_.Index < 0)
            return 2;
        return OpenFigurePartner(*control, pointHit_.Index) >= 0 ? 4 : 3;
    }
    if (pointHit_.Index >= 0) {
        auto* connector = dynamic_cast<TKestConnector*>(control);
        if (connector && !connector->IsPointEditable(pointHit_.Index))
            return 1;
        return control->PointType(pointHit_.Index) == ptControl ? 6 : 5;
    }
    return 18;
}

void TKestPanel::PressEditPoints(TKestPoint pixel, Qt::KeyboardModifiers modifiers)
{
    TKestControl* control = editPointControl_;
    pointHit_ = EditPointAt(pixel);
    auto* curve = dynamic_cast<TKestCurve*>(control);
    if ((modifiers & Qt::ControlModifier) && curve && (pointHit_.Index >= 0 || pointHit_.OnOutline)) {
        const TKestRect r = curve->DocRect();
        const TKestPoint at = UnTransformPoint(pixel);
        history_->BeginPanelGroup(TPanelPointsHistoryGroup::StaticClass());
        if (pointHit_.Index < 0) {
            curve->InsertNearestPoint({at.X - r.Left, at.Y - r.Top});
        } else if (const int partner = OpenFigurePartner(*curve, pointHit_.Index); partner >= 0) {
            TSelectedArray ends(static_cast<size_t>(curve->PointCount()), false);
            ends[static_cast<size_t>(pointHit_.Index)] = ends[static_cast<size_t>(partner)] = true;
            if (!curve->EditPoints(ends, pfClose))
                curve->DeletePoint(pointHit_.Index);
        } else {
            curve->DeletePoint(pointHit_.Index);
        }
        history_->EndPanelGroup(TPanelPointsHistoryGroup::StaticClass());
        pointHit_ = EditPointAt(pixel);
        return;
    }
    if (pointHit_.Index >= 0) {
        const size_t i = static_cast<size_t>(pointHit_.Index);
        if (modifiers & Qt::ShiftModifier) {
            SetEditPointSelected(pointHit_.Index, !editPointSelection_[i]);
            if (!editPointSelection_[i])
                return;
        } else if (!editPointSelection_[i]) {
            for (size_t k = 0; k < editPointSelection_.size(); ++k)
                editPointSelection_[k] = k == i;
            DoNotify(control, knEditPointSelection);
        }
        pointDrag_ = pointHit_;
        SetToolMode(tmMovingPoint);
        return;
    }
    if (pointHit_.OnOutline) {
        pointDrag_ = pointHit_;
        SetToolMode(tmMovingPoint);
        return;
    }
    if (mouseControl_ && mouseControl_ != control) {
        BeginSelectionUpdate();
        UnselectAll();
        Select(mouseControl_);
        EndSelectionUpdate();
        return;
    }
    SetToolMode(tmSelectingPoints);
}

void TKestPanel::DragEditPoints(TKestPoint pixel)
{
    TKestControl* control = editPointControl_;
    if (!control)
        return;
    const TKestPoint pointer = UnTransformPoint(pixel);
    const TKestPoint offset {pointer.X - pointDragLast_.X, pointer.Y - pointDragLast_.Y};
    if (offset.X == 0 && offset.Y == 0)
        return;
    pointDragLast_ = pointer;
    if (auto* connector = dynamic_cast<TKestConnector*>(control)) {
        if (pointDrag_.Index >= 0) {
            const TKestPoint p = connector->Point(pointDrag_.Index);
            connector->MovePoint(pointDrag_.Index, {p.X + offset.X, p.Y + offset.Y});
        } else {
            connector->MoveSegment(pointDrag_.First, pointDrag_.Second, offset);
        }
        return;
    }
    TSelectedArray moved = editPointSelection_;
    if (pointDrag_.Index < 0)
        for (int i = pointDrag_.First; i <= pointDrag_.Second && i < control->PointCount(); ++i)
            if (i == pointDrag_.First || i == pointDrag_.Second)
                moved[static_cast<size_t>(i)] = true;
    if (auto* curve = dynamic_cast<TKestCurve*>(control)) {
        const TPathEditParams params {offset, true};
        curve->EditPoints(moved, pfOffset, &params);
        return;
    }
    for (int i = 0; i < control->PointCount() && static_cast<size_t>(i) < moved.size(); ++i)
        if (moved[static_cast<size_t>(i)]) {
            const TKestPoint p = control->Point(i);
            control->SetPoint(i, {p.X + offset.X, p.Y + offset.Y});
        }
}

void TKestPanel::EndPointDrag()
{
    if (auto* connector = dynamic_cast<TKestConnector*>(editPointControl_))
        connector->EndPointsDrag();
    pointDrag_ = {};
}

void TKestPanel::FinishPointRubberBand()
{
    TKestControl* control = editPointControl_;
    if (std::abs(mousePos_.X - mouseDownPos_.X) < kPickDistance
        && std::abs(mousePos_.Y - mouseDownPos_.Y) < kPickDistance) {
        // A click: the control under the pointer is selected instead.
        if (mouseControl_ != control) {
            BeginSelectionUpdate();
            UnselectAll();
            Select(mouseControl_);
            EndSelectionUpdate();
        } else if (!shiftDown_ && control) {
            editPointSelection_.assign(editPointSelection_.size(), false);
            DoNotify(control, knEditPointSelection);
        }
        return;
    }
    if (!control)
        return;
    const TKestRect band = NormalizeRect(rubberRect_);
    const TKestRect r = control->DocRect();
    for (int i = 0; i < control->PointCount() && static_cast<size_t>(i) < editPointSelection_.size(); ++i) {
        const TKestPoint p = control->Point(i);
        const int32_t x = r.Left + p.X, y = r.Top + p.Y;
        const bool inside = x >= band.Left && x <= band.Right && y >= band.Top && y <= band.Bottom;
        editPointSelection_[static_cast<size_t>(i)]
            = inside || (shiftDown_ && editPointSelection_[static_cast<size_t>(i)]);
    }
    DoNotify(control, knEditPointSelection);
    viewport()->update();
}

bool TKestPanel::EditPointsByKey(int key)
{
    static constexpr std::pair<int, TPathEditFunc> kFuncs[] = {
        {Qt::Key_B, pfBreak}, {Qt::Key_C, pfClose}, {Qt::Key_J, pfJoin}, {Qt::Key_L, pfToLine}, {Qt::Key_V, pfToCurve}};
    auto found = std::find_if(std::begin(kFuncs), std::end(kFuncs), [key](const auto& f) { return f.first == key; });
    auto* curve = dynamic_cast<TKestCurve*>(editPointControl_);
    if (found == std::end(kFuncs) || !curve || !HasPathEditFunc(curve->EditCaps(editPointSelection_), found->second))
        return false;
    history_->BeginPanelGroup(TPanelPointsHistoryGroup::StaticClass());
    const bool done = curve->EditPoints(editPointSelection_, found->second);
    history_->EndPanelGroup(TPanelPointsHistoryGroup::StaticClass());
    return done;
}

bool TKestPanel::DeleteSelectedPoints()
{
    auto* curve = dynamic_cast<TKestCurve*>(editPointControl_);
    if (!curve)
        return false;
    const TSelectedArray chosen = editPointSelection_;
    bool done = false;
    history_->BeginPanelGroup(TPanelPointsHistoryGroup::StaticClass());
    // From the last, so that the indexes of the others hold.
    for (int i = static_cast<int>(chosen.size()) - 1; i >= 0; --i)
        if (chosen[static_cast<size_t>(i)] && i < curve->PointCount() && curve->PointType(i) != ptControl)
            done = curve->DeletePoint(i) || done;
    history_->EndPanelGroup(TPanelPointsHistoryGroup::StaticClass());
    return done;
}

TKestPen TKestPanel::GuidePen()
{
    // Not-xor shows on any background.
    TKestPen guide(clBlack, 1, psDot);
    guide.Mode = pmNotXor;
    return guide;
}

void TKestPanel::PaintEditPoints(TKestCanvas& canvas)
{
    TKestControl* control = editPointControl_;
    if (!control || toolMode_ < tmEditPoints || toolMode_ > tmContinuing)
        return;
    const TKestRect r = control->DocRect();
    const int count = control->PointCount();
    auto screen = [&](int i) {
        const TKestPoint p = control->Point(i);
        return TransformPoint({r.Left + p.X, r.Top + p.Y});
    };
    // The guide: each curve control point tied to its node.
    if (showEditPointGuide_) {
        canvas.SetPen(GuidePen());
        for (int i = 0; i < count; ++i) {
            if (control->PointType(i) != ptControl)
                continue;
            const bool first = i > 0 && control->PointType(i - 1) != ptControl;
            const int node = first ? i - 1 : i + 1;
            if (node < 0 || node >= count)
                continue;
            const TKestPoint a = screen(i), b = screen(node);
            canvas.MoveTo(a.X, a.Y);
            canvas.LineTo(b.X, b.Y);
        }
    }
    canvas.SetPen(TKestPen(clBlack));
    const int32_t half = kPointSize / 2;
    for (int i = 0; i < count; ++i) {
        const TKestPoint s = screen(i);
        const bool selected
            = static_cast<size_t>(i) < editPointSelection_.size() && editPointSelection_[static_cast<size_t>(i)];
        canvas.SetBrush(TKestBrush(selected ? clBlack : clWhite, bsSolid));
        const TKestRect box {s.X - half, s.Y - half, s.X - half + kPointSize, s.Y - half + kPointSize};
        if (control->PointType(i) == ptControl)
            canvas.Ellipse(box);
        else
            canvas.Rectangle(box);
    }
}

void TKestPanel::SetShowEditPointGuide(bool value)
{
    if (value == showEditPointGuide_)
        return;
    showEditPointGuide_ = value;
    if (editPointControl_)
        viewport()->update();
}

} // namespace kest
