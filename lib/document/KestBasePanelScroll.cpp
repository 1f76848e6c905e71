// TKestPanel, the scrolling window: scale and its automatic fit, document
// size, scroll ranges, origin, zoom and panning.
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>

#include "KestBasePanel.h"

namespace kest {

namespace {

// Pictures larger than this fall back to the window's size.
constexpr int64_t kMaxFrozenPixels = int64_t(16) << 20;

int32_t ClampToInt(int64_t value)
{
    return int32_t(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

} // namespace

int32_t TKestPanel::ClientWidth() const
{
    return viewport()->width();
}

int32_t TKestPanel::ClientHeight() const
{
    return viewport()->height();
}

void TKestPanel::SetScale(int32_t value)
{
    if (Painting())
        return;
    if (autoZoom_) {
        // A document under one pixel cannot be fitted; the scale stays.
        const int32_t docPixelsX = docWidth_ / 1000, docPixelsY = docHeight_ / 1000;
        value = docPixelsX > 0 && docPixelsY > 0
            ? std::min(ClientWidth() * 100 / docPixelsX, ClientHeight() * 100 / docPixelsY)
            : scale_;
    }
    value = std::clamp(value, kMinScale, kMaxScale);
    if (value == scale_)
        return;
    scale_ = value;
    UpdateScrollRanges();
    RefreshSelection();
    viewport()->update();
    DoNotify(nullptr, knScale);
}

void TKestPanel::SetAutoZoom(bool value)
{
    if (value == autoZoom_)
        return;
    autoZoom_ = value;
    if (value)
        SetScale(scale_ - 1);
}

void TKestPanel::SetDocWidth(int32_t value)
{
    if (Painting() || value == docWidth_)
        return;
    docWidth_ = value;
    UpdateScrollRanges();
    schemes_->SetWidth(value);
    viewport()->update();
}

void TKestPanel::SetDocHeight(int32_t value)
{
    if (Painting() || value == docHeight_)
        return;
    docHeight_ = value;
    UpdateScrollRanges();
    schemes_->SetHeight(value);
    viewport()->update();
}

void TKestPanel::SetHorzExtraSpace(int32_t value)
{
    value = std::clamp(value, 0, kMaxExtraSpace);
    if (value == horzExtraSpace_)
        return;
    horzExtraSpace_ = value;
    UpdateScrollRanges();
    viewport()->update();
}

void TKestPanel::SetVertExtraSpace(int32_t value)
{
    value = std::clamp(value, 0, kMaxExtraSpace);
    if (value == vertExtraSpace_)
        return;
    vertExtraSpace_ = value;
    UpdateScrollRanges();
    viewport()->update();
}

void TKestPanel::UpdateScrollRanges()
{
    if (Painting() || destroying_)
        return;
    if (updatingRanges_) {
        rangesPending_ = true;
        return;
    }
    updatingRanges_ = true;
    // A few rounds settle the bars: each one can only change which bars show.
    for (int round = 0; round < 4; ++round) {
        rangesPending_ = false;
        const int64_t width = int64_t(ScaleValue(docWidth_, scale_)) + 2 * int64_t(horzExtraSpace_);
        const int64_t height = int64_t(ScaleValue(docHeight_, scale_)) + 2 * int64_t(vertExtraSpace_);
        QScrollBar* horz = horizontalScrollBar();
        QScrollBar* vert = verticalScrollBar();
        horz->setSingleStep(10);
        vert->setSingleStep(10);
        horz->setPageStep(std::max(ClientWidth(), 1));
        vert->setPageStep(std::max(ClientHeight(), 1));
        horz->setRange(0, ClampToInt(std::max<int64_t>(width - ClientWidth(), 0)));
        vert->setRange(0, ClampToInt(std::max<int64_t>(height - ClientHeight(), 0)));
        if (!rangesPending_)
            break;
    }
    updatingRanges_ = false;
    UpdateOrigin();
}

void TKestPanel::UpdateOrigin()
{
    if (Painting() || destroying_)
        return;
    const QScrollBar* horz = horizontalScrollBar();
    const QScrollBar* vert = verticalScrollBar();
    const int32_t x = horz->maximum() > 0 ? ClampToInt(int64_t(horz->value()) - horzExtraSpace_)
                                          : ClampToInt((int64_t(ScaleValue(docWidth_, scale_)) - ClientWidth()) / 2);
    const int32_t y = vert->maximum() > 0 ? ClampToInt(int64_t(vert->value()) - vertExtraSpace_)
                                          : ClampToInt((int64_t(ScaleValue(docHeight_, scale_)) - ClientHeight()) / 2);
    if (x != originX_ || y != originY_) {
        originX_ = x;
        originY_ = y;
        viewport()->update();
    }
    TKestRect visible;
    visible.Left = MulDiv(originX_, 100000, scale_);
    visible.Top = MulDiv(originY_, 100000, scale_);
    visible.Right = visible.Left + MulDiv(ClientWidth(), 100000, scale_);
    visible.Bottom = visible.Top + MulDiv(ClientHeight(), 100000, scale_);
    if (visible != visibleDocRect_) {
        visibleDocRect_ = visible;
        DoNotify(nullptr, knPan);
    }
}

void TKestPanel::Zoom(int32_t newScale, const TKestRect* rect)
{
    if (Painting())
        return;
    const TKestPoint centre = rect ? TKestPoint {ClampToInt((int64_t(rect->Left) + rect->Right) / 2),
                                  ClampToInt((int64_t(rect->Top) + rect->Bottom) / 2)}
                                   : UnTransformPoint({ClientWidth() / 2, ClientHeight() / 2});
    SetScale(newScale);
    horizontalScrollBar()->setValue(
        ClampToInt(int64_t(horzExtraSpace_) + MulDiv(centre.X, scale_, 100000) - ClientWidth() / 2));
    verticalScrollBar()->setValue(
        ClampToInt(int64_t(vertExtraSpace_) + MulDiv(centre.Y, scale_, 100000) - ClientHeight() / 2));
    UpdateOrigin();
    RefreshSelection();
    viewport()->update();
}

void TKestPanel::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    if (autoZoom_)
        SetScale(scale_);
    UpdateScrollRanges();
}

// The whole window is painted again: what it shows depends on the origin
// (the frame, a stretched scheme background), so nothing is shifted.
void TKestPanel::scrollContentsBy(int, int)
{
    UpdateOrigin();
    viewport()->update();
}

void TKestPanel::SetFrostPan(bool value)
{
    if (!panning_)
        frostPan_ = value;
}

void TKestPanel::SetFrostPanFullDoc(bool value)
{
    frostPanFullDoc_ = value;
}

void TKestPanel::BeginPanning()
{
    if (panning_)
        return;
    panning_ = true;
    frozenOrigin_ = {originX_, originY_};
    if (!frostPan_)
        return;
    const int64_t docWidth = int64_t(ScaleValue(docWidth_, scale_)) + 2 * int64_t(horzExtraSpace_);
    const int64_t docHeight = int64_t(ScaleValue(docHeight_, scale_)) + 2 * int64_t(vertExtraSpace_);
    frozenFullDoc_ = frostPanFullDoc_ && docWidth > 0 && docHeight > 0 && docWidth <= MaxCanvasSide
        && docHeight <= MaxCanvasSide && docWidth * docHeight <= kMaxFrozenPixels;
    const int32_t width = frozenFullDoc_ ? int32_t(docWidth) : ClientWidth();
    const int32_t height = frozenFullDoc_ ? int32_t(docHeight) : ClientHeight();
    const TKestPoint origin
        = frozenFullDoc_ ? TKestPoint {-horzExtraSpace_, -vertExtraSpace_} : TKestPoint {originX_, originY_};
    QImage picture(std::max(width, 1), std::max(height, 1), QImage::Format_ARGB32);
    TKestCanvas canvas;
    if (picture.isNull() || !canvas.Attach(&picture))
        return;
    PaintTo(canvas, {0, 0, width, height}, true, false, false, false, true, nullptr, scale_, origin);
    canvas.Detach();
    frozenPicture_ = std::move(picture);
}

void TKestPanel::EndPanning()
{
    if (!panning_)
        return;
    panning_ = false;
    frozenPicture_ = QImage();
    viewport()->update();
}

bool TKestPanel::PaintFrozenPicture(TKestCanvas& canvas)
{
    if (!panning_ || frozenPicture_.isNull() || plainOutput_)
        return false;
    TKestBrush background;
    background.Color = clWindow;
    canvas.SetBrush(background);
    canvas.FillRect(paintRect_);
    const TKestPoint at = frozenFullDoc_ ? TKestPoint {-originX_ - horzExtraSpace_, -originY_ - vertExtraSpace_}
                                         : TKestPoint {frozenOrigin_.X - originX_, frozenOrigin_.Y - originY_};
    canvas.Draw(at.X, at.Y, frozenPicture_);
    return true;
}

} // namespace kest
