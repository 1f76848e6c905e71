// TKestPanel, what the window shows about the mouse: the control under it,
// hints and the cursor of each tool mode.
#include <QCursor>
#include <QHelpEvent>
#include <QToolTip>

#include "KestBasePanel.h"
#include "KestCursors.h"

namespace kest {

namespace {

constexpr int32_t crDefault = 0;
constexpr int32_t crSizeNESW = -6;
constexpr int32_t crSizeNS = -7;
constexpr int32_t crSizeNWSE = -8;
constexpr int32_t crSizeWE = -9;
constexpr int32_t crHandPoint = -21;
constexpr int32_t crSizeAll = -22;

// The library's cursors by number; the platform's own ones (negative
// numbers) by their Qt shapes.
QCursor PanelCursor(int32_t cursor)
{
    if (cursor >= 1 && cursor <= KestCursorCount) {
        LoadCursors();
        return KestCursor(cursor);
    }
    switch (cursor) {
    case -3:
        return Qt::CrossCursor;
    case -4:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case -10:
        return Qt::UpArrowCursor;
    case -11:
        return Qt::WaitCursor;
    case -12:
    case -13:
        return Qt::DragMoveCursor;
    case -14:
    case -15:
        return Qt::SplitVCursor;
    case -16:
        return Qt::SplitHCursor;
    case -18:
        return Qt::ForbiddenCursor;
    case -19:
        return Qt::BusyCursor;
    case -20:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    case -1:
        return Qt::BlankCursor;
    default:
        return Qt::ArrowCursor;
    }
}

int32_t ResizeCursor(int32_t handle)
{
    switch (handle) {
    case 1:
    case 8:
        return crSizeNWSE;
    case 2:
    case 7:
        return crSizeNS;
    case 3:
    case 6:
        return crSizeNESW;
    case 4:
    case 5:
        return crSizeWE;
    default:
        return crDefault;
    }
}

int32_t PointEditCursor(const TKestCursorQuery& query)
{
    if (!query.EditingPoints)
        return 1;
    switch (query.PointHit) {
    case phPoint:
        return 5;
    case phCurveControl:
        return 6;
    case phSegment:
        return 18;
    case phAddOnOutline:
        return 2;
    case phDeletePoint:
        return 3;
    case phClosePoint:
        return 4;
    default:
        return 1;
    }
}

} // namespace

int32_t TKestPanel::ToolModeCursor(const TKestCursorQuery& query) const
{
    switch (query.ToolMode) {
    case 0:
    case 8:
        if (query.CreatingClass)
            return query.CreatingClass->CreationCursor();
        return mouseControl_ && mouseControl_->Reference() ? crHandPoint : crDefault;
    case 2:
    case 3:
        return query.ZoomOut ? 14 : 13;
    case 4:
    case 5:
        return crSizeAll;
    case 6:
    case 7:
        return ResizeCursor(query.ResizeHandle);
    case 9:
        return PointEditCursor(query);
    case 10:
        return 1;
    case 11:
        if (query.ContinuingFigure)
            return 5;
        return query.CreatingClass ? query.CreatingClass->CreationCursor() : crDefault;
    case 12:
        return query.PointHit == phCurveControl ? 6 : 5;
    case 13:
        return 17;
    case 14:
        return 15;
    case 15:
        return 16;
    default:
        return crDefault;
    }
}

void TKestPanel::UpdateCursor(const TKestCursorQuery& query)
{
    int32_t cursor = ToolModeCursor(query);
    if (OnUpdateCursor)
        OnUpdateCursor(this, cursor);
    if (cursor == cursor_)
        return;
    cursor_ = cursor;
    viewport()->setCursor(PanelCursor(cursor));
}

void TKestPanel::SetMouseControl(TKestControl* control, TKestControl* subControl)
{
    if (!subControl)
        subControl = control;
    if (control == mouseControl_ && subControl == mouseSubControl_)
        return;
    mouseControl_ = control;
    mouseSubControl_ = subControl;
    std::string hint;
    if (subControl)
        subControl->GetHint(hint);
    bool isNeedHint = !hint.empty();
    if (OnNeedHint)
        OnNeedHint(this, isNeedHint);
    hintControl_ = isNeedHint ? subControl : nullptr;
    // The hint shown belongs to the control left; the next one is asked for
    // when the pointer rests again.
    QToolTip::hideText();
    if (OnMouseControlChange)
        OnMouseControlChange(this);
}

void TKestPanel::ForgetViewControl(TKestControl* control)
{
    if (mouseControl_ == control || mouseSubControl_ == control) {
        mouseControl_ = nullptr;
        mouseSubControl_ = nullptr;
    }
    if (hintControl_ == control)
        hintControl_ = nullptr;
}

bool TKestPanel::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        ShowHintAt(help->pos());
        return true;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

void TKestPanel::ShowHintAt(const QPoint& pos)
{
    bool isShowHint = showHint_;
    TKestHintInfo info;
    info.Pos = pos;
    info.HintStr = toolTip().toStdString();
    if (hintControl_) {
        info.HintStr.clear();
        hintControl_->GetHint(info.HintStr);
    }
    if (OnShowHint)
        OnShowHint(this, hintControl_, info, isShowHint);
    if (isShowHint && !info.HintStr.empty())
        QToolTip::showText(viewport()->mapToGlobal(info.Pos), QString::fromStdString(info.HintStr), viewport(), QRect(),
            info.HideTimeout);
    else
        QToolTip::hideText();
}

} // namespace kest
