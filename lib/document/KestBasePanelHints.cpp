// TKestPanel, what the window shows about the mouse: the hint of the
// control under it, and the cursors by their numbers.
#include <QCursor>
#include <QHelpEvent>
#include <QToolTip>

#include "KestBasePanel.h"
#include "KestCursors.h"

namespace kest {

namespace {

constexpr int32_t crSizeNESW = -6;
constexpr int32_t crSizeNS = -7;
constexpr int32_t crSizeNWSE = -8;
constexpr int32_t crSizeWE = -9;
constexpr int32_t crHandPoint = -21;
constexpr int32_t crSizeAll = -22;

} // namespace

QCursor KestPanelCursor(int32_t cursor)
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

void TKestPanel::UpdateHintControl()
{
    std::string hint;
    if (mouseSubControl_)
        mouseSubControl_->GetHint(hint);
    bool isNeedHint = !hint.empty();
    if (OnNeedHint)
        OnNeedHint(this, isNeedHint);
    hintControl_ = isNeedHint ? mouseSubControl_ : nullptr;
    // The hint shown belongs to the control left; the next one is asked for
    // when the pointer rests again.
    QToolTip::hideText();
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
