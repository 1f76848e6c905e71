// TKestPanel, the view state the document model needs: the
// document-to-pixel transform, the paint state and the alpha buffers of
// transparent controls.
#include <QScrollBar>
#include <algorithm>
#include <climits>

#include "KestBasePanel.h"
#include "KestCanvas.h"
#include "KestColor.h"

namespace kest {

// A shown window scrolls there, as far as its scroll bars go; a panel
// that is not shown takes the origin as it is.
void TKestPanel::SetOrigin(int32_t x, int32_t y)
{
    if (Painting() || (x == originX_ && y == originY_))
        return;
    if (isVisible()) {
        horizontalScrollBar()->setValue(int32_t(std::clamp<int64_t>(int64_t(x) + horzExtraSpace_, 0, INT_MAX)));
        verticalScrollBar()->setValue(int32_t(std::clamp<int64_t>(int64_t(y) + vertExtraSpace_, 0, INT_MAX)));
        UpdateOrigin();
        return;
    }
    originX_ = x;
    originY_ = y;
    viewport()->update();
    DoNotify(nullptr, knPan);
}

void TKestPanel::SetSchemeBkStretch(bool value)
{
    if (value == schemeBkStretch_)
        return;
    schemeBkStretch_ = value;
    viewport()->update();
}

void TKestPanel::SetShowDocFrame(bool value)
{
    if (value == showDocFrame_)
        return;
    showDocFrame_ = value;
    viewport()->update();
}

bool TKestPanel::ShowGrid() const
{
    return grid_->Visible();
}

void TKestPanel::SetShowGrid(bool value)
{
    grid_->SetVisible(value);
    viewport()->update();
}

TKestPoint TKestPanel::TransformPoint(TKestPoint point) const
{
    return {MulDiv(point.X, scale_, 100000) - originX_, MulDiv(point.Y, scale_, 100000) - originY_};
}

TKestRect TKestPanel::TransformRect(const TKestRect& rect) const
{
    return {MulDiv(rect.Left, scale_, 100000) - originX_, MulDiv(rect.Top, scale_, 100000) - originY_,
        MulDiv(rect.Right, scale_, 100000) - originX_, MulDiv(rect.Bottom, scale_, 100000) - originY_};
}

TKestPoint TKestPanel::UnTransformPoint(TKestPoint point) const
{
    return {MulDiv(point.X + originX_, 100000, scale_), MulDiv(point.Y + originY_, 100000, scale_)};
}

void TKestPanel::PushPaintState()
{
    paintStack_.push_back({paintCanvas_, originX_, originY_, scale_, paintRect_, plainOutput_, onScreen_, highQuality_,
        currentAlphaBuffer_});
}

void TKestPanel::PopPaintState()
{
    const TPaintState& state = paintStack_.back();
    paintCanvas_ = state.Canvas;
    originX_ = state.OriginX;
    originY_ = state.OriginY;
    scale_ = state.Scale;
    paintRect_ = state.PaintRect;
    plainOutput_ = state.PlainOutput;
    onScreen_ = state.OnScreen;
    highQuality_ = state.HighQuality;
    currentAlphaBuffer_ = state.AlphaBuffer;
    paintStack_.pop_back();
}

TAlphaBuffer* TKestPanel::BeginAlphaBuffer(TKestCanvas& canvas)
{
    std::unique_ptr<TAlphaBuffer> created;
    TAlphaBuffer* buffer = &alphaBuffer_;
    if (currentAlphaBuffer_ || alphaBuffer_.Painting()) {
        created = std::make_unique<TAlphaBuffer>(currentAlphaBuffer_ ? currentAlphaBuffer_ : &alphaBuffer_);
        buffer = created.get();
    }
    if (!buffer->BeginPaint(&canvas, paintRect_))
        return nullptr;
    created.release();
    // The buffer's pixel (0, 0) is the paint rectangle's top-left.
    PushPaintState();
    originX_ += paintRect_.Left;
    originY_ += paintRect_.Top;
    paintRect_ = {0, 0, RectWidth(paintRect_), RectHeight(paintRect_)};
    paintCanvas_ = &buffer->Canvas();
    currentAlphaBuffer_ = buffer;
    buffer->Canvas().SetBrushOrigin({-originX_, -originY_});
    return buffer;
}

void TKestPanel::EndAlphaBuffer(TAlphaBuffer* buffer, int32_t transparency)
{
    PopPaintState();
    buffer->EndPaint(transparency);
    if (buffer != &alphaBuffer_)
        delete buffer;
}

} // namespace kest
