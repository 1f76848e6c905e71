// TKestPanel, drawing a figure point by point (tool mode 11): a click
// creates the figure, each further click adds a point, the pointer drags a
// pending point at the end of a rubber line, and a double click, Enter, Esc
// or a click on the figure's first point ends the drawing. Continuing an
// open figure (mode 13) goes on the same way from its open end.
#include <QApplication>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "KestActions.h"
#include "KestBasePanel.h"
#include "KestCanvas.h"
#include "KestControlsCurve.h"
#include "KestError.h"

namespace kest {

namespace {

bool Near(TKestPoint a, TKestPoint b, int32_t distance)
{
    return std::abs(a.X - b.X) <= distance && std::abs(a.Y - b.Y) <= distance;
}

TKestPoint DocPoint(const TKestControl& control, int index)
{
    const TKestRect r = control.DocRect();
    const TKestPoint p = control.Point(index);
    return {r.Left + p.X, r.Top + p.Y};
}

bool CanAddPoints(const TKestControl& control)
{
    const TKestLayer* layer = control.Layer();
    return !layer || (!layer->IsReadOnly() && layer->IsResizable());
}

} // namespace

bool TKestPanel::IsFigureClass(const TKestControlClass* cls)
{
    return cls && cls->InheritsFrom(TKestCurve::StaticClass()) && !cls->InheritsFrom(TKestConnector::StaticClass());
}

TKestControl* TKestPanel::BeginFigure(const TKestControlClass* cls, TKestPoint point)
{
    if (!IsFigureClass(cls))
        return nullptr;
    if (figure_)
        FinishFigure(false);
    point = SnapPoint(point);
    const bool outerGroup = history_->CurrentGroup() != nullptr;
    const THistoryAction* last = history_->ActionIndex() >= 0 ? history_->Item(history_->ActionIndex()) : nullptr;
    TKestControl* control = CreateControl(cls, point.X, point.Y);
    // The creation's own group is reopened, so that the creation and every
    // point drawn afterwards are undone as one step.
    const int index = history_->ActionIndex();
    const bool created = !outerGroup && index >= 0 && history_->Item(index) != last
        && history_->Item(index)->ClassType() == TPanelCreateControlsHistoryGroup::StaticClass();
    const bool reopened = created && history_->ContinueGroup();

    BeginSelectionUpdate();
    UnselectAll();
    Select(control);
    EndSelectionUpdate();
    figure_ = control;
    figureCreated_ = true;
    figureKeepPending_ = false;
    figureGroup_ = reopened ? TPanelCreateControlsHistoryGroup::StaticClass() : nullptr;
    const TKestRect r = control->DocRect();
    control->SetPathPoints({{point.X - r.Left, point.Y - r.Top}}, {ptOpenEnd});
    pendingPoint_ = point;
    SetToolMode(tmCreating);
    return control;
}

void TKestPanel::BeginFigureByClick(TKestPoint pixel)
{
    const TKestControlClass* cls = creatingControlClass_;
    creatingControlClass_ = nullptr;
    try {
        BeginFigure(cls, UnTransformPoint(pixel));
    } catch (const EKestError&) {
        // No layer to draw on: the click creates nothing.
        QApplication::beep();
        if (toolMode_ == tmCreating)
            SetToolMode(baseToolMode_);
    }
}

void TKestPanel::FinishFigure(bool keepPending)
{
    if (toolMode_ != tmCreating)
        return;
    figureKeepPending_ = keepPending;
    SetToolMode(baseToolMode_);
}

void TKestPanel::PressFigure(TKestPoint pixel)
{
    if (!figure_) {
        if (toolMode_ == tmCreating && IsFigureClass(creatingControlClass_))
            BeginFigureByClick(pixel);
        else if (toolMode_ == tmContinuing)
            ContinueFigure(pixel);
        else
            SetToolMode(baseToolMode_);
        return;
    }
    if (ClosesFigure(pixel)) {
        InvalidateRubberLine();
        static_cast<TKestCurve*>(figure_)->SetPointType(figure_->PointCount() - 1, ptClosedEnd);
        FinishFigure(false);
        return;
    }
    const TKestPoint at = SnapPoint(UnTransformPoint(pixel));
    InvalidateRubberLine();
    if (!OnLastFigurePoint(at))
        AddFigurePoint(at);
    pendingPoint_ = at;
    InvalidateRubberLine();
}

void TKestPanel::ContinueFigure(TKestPoint pixel)
{
    // Only after the open end of the last figure.
    auto* curve = dynamic_cast<TKestCurve*>(editPointControl_);
    const int count = curve ? curve->PointCount() : 0;
    if (!curve || count == 0 || curve->PointType(count - 1) != ptOpenEnd || !CanAddPoints(*curve)) {
        SetToolMode(baseToolMode_);
        return;
    }
    figure_ = curve;
    figureCreated_ = false;
    figureKeepPending_ = false;
    SetToolMode(tmCreating);
    const TKestPoint at = SnapPoint(UnTransformPoint(pixel));
    if (!OnLastFigurePoint(at))
        AddFigurePoint(at);
    pendingPoint_ = at;
    InvalidateRubberLine();
}

void TKestPanel::AddFigurePoint(TKestPoint point)
{
    const TKestRect r = figure_->DocRect();
    TPointArray points;
    TPointTypeArray types;
    figure_->GetPathPoints(points, types);
    if (!types.empty())
        types.back() = ptNode;
    points.push_back({point.X - r.Left, point.Y - r.Top});
    types.push_back(ptOpenEnd);
    figure_->SetPathPoints(points, types);
}

void TKestPanel::MovePendingPoint(TKestPoint pixel)
{
    const TKestPoint at = SnapPoint(UnTransformPoint(pixel));
    if (!figure_ || at == pendingPoint_)
        return;
    InvalidateRubberLine();
    pendingPoint_ = at;
    InvalidateRubberLine();
}

bool TKestPanel::OnLastFigurePoint(TKestPoint point) const
{
    const int count = figure_ ? figure_->PointCount() : 0;
    return count > 0 && Near(TransformPoint(point), TransformPoint(DocPoint(*figure_, count - 1)), kPickDistance - 1);
}

bool TKestPanel::ClosesFigure(TKestPoint pixel) const
{
    if (figure_->IsConnectorKind())
        return false;
    TPointArray points;
    TPointTypeArray types;
    figure_->GetPathPoints(points, types);
    TPathInfo info;
    GetPathInfo(points, types, info);
    if (info.Figures.empty())
        return false;
    const TPathFigureInfo& last = info.Figures.back();
    // A closed figure needs three nodes besides the one clicked.
    const auto nodes = std::count_if(types.begin() + last.FirstNode, types.begin() + last.LastNode + 1,
        [](TPointType type) { return type != ptControl; });
    return nodes >= 3 && Near(pixel, TransformPoint(DocPoint(*figure_, last.FirstNode)), kPickDistance);
}

void TKestPanel::EndFigure()
{
    InvalidateRubberLine();
    if (figure_ && figureKeepPending_ && !OnLastFigurePoint(pendingPoint_))
        AddFigurePoint(pendingPoint_);
    TKestControl* figure = std::exchange(figure_, nullptr);
    const THistoryActionClass* group = std::exchange(figureGroup_, nullptr);
    figureKeepPending_ = false;
    // A figure that is going away already is left to that.
    const bool removable = figure && figureCreated_ && figure->PointCount() < 2 && !figure->HasState(csDestroying)
        && figure->Parent() && !figure->Parent()->HasState(csRemovingChild);
    figureCreated_ = false;
    if (removable && group) {
        // Nothing was drawn: the figure goes without a trace in the history.
        history_->DisableRecording();
        figure->Free();
        history_->EnableRecording();
        // Emptied, the group is dropped when it ends.
        if (THistoryGroup* current = history_->CurrentGroup(); current && current->ClassType() == group)
            while (current->Count() > 0)
                current->Delete(current->Count() - 1);
    } else if (removable) {
        figure->Free();
    }
    if (group)
        history_->EndPanelGroup(group);
}

void TKestPanel::InvalidateRubberLine()
{
    const int count = figure_ ? figure_->PointCount() : 0;
    if (count == 0)
        return;
    const TKestPoint a = TransformPoint(DocPoint(*figure_, count - 1)), b = TransformPoint(pendingPoint_);
    const int32_t grow = kPickDistance;
    viewport()->update(QRect(QPoint(std::min(a.X, b.X) - grow, std::min(a.Y, b.Y) - grow),
        QPoint(std::max(a.X, b.X) + grow, std::max(a.Y, b.Y) + grow)));
}

void TKestPanel::PaintRubberLine(TKestCanvas& canvas)
{
    const int count = figure_ ? figure_->PointCount() : 0;
    if (toolMode_ != tmCreating || count == 0)
        return;
    const TKestPoint a = TransformPoint(DocPoint(*figure_, count - 1)), b = TransformPoint(pendingPoint_);
    canvas.SetPen(GuidePen());
    canvas.MoveTo(a.X, a.Y);
    canvas.LineTo(b.X, b.Y);
}

} // namespace kest
