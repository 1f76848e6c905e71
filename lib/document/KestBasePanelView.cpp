// TKestPanel, the view state the document model needs: scale, document
// size, the document-to-pixel transform, painting into any canvas and the
// alpha buffers of transparent controls.
#include <algorithm>

#include "KestBasePanel.h"
#include "KestCanvas.h"
#include "KestColor.h"

namespace kest {

void TKestPanel::SetScale(int32_t value)
{
    if (Painting())
        return;
    value = std::clamp(value, kMinScale, kMaxScale);
    if (value == scale_)
        return;
    scale_ = value;
    RefreshSelection();
    viewport()->update();
    DoNotify(nullptr, knScale);
}

void TKestPanel::SetDocWidth(int32_t value)
{
    if (Painting() || value == docWidth_)
        return;
    docWidth_ = value;
    schemes_->SetWidth(value);
    viewport()->update();
}

void TKestPanel::SetDocHeight(int32_t value)
{
    if (Painting() || value == docHeight_)
        return;
    docHeight_ = value;
    schemes_->SetHeight(value);
    viewport()->update();
}

void TKestPanel::SetOrigin(int32_t x, int32_t y)
{
    if (Painting() || (x == originX_ && y == originY_))
        return;
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

void TKestPanel::PaintTo(TKestCanvas& canvas, const TKestRect& paintRect, bool highQuality, bool plainOutput,
    bool childrenOnly, bool selectedOnly, bool clipToPaintRect, TKestControl* control, int32_t scale, TKestPoint origin)
{
    if (destroying_)
        return;
    PushPaintState();
    paintCanvas_ = &canvas;
    paintRect_ = paintRect;
    plainOutput_ = plainOutput;
    highQuality_ = highQuality;
    originX_ = origin.X - paintRect.Left;
    originY_ = origin.Y - paintRect.Top;
    scale_ = std::clamp(scale, kMinScale, kMaxScale);
    const TKestPoint savedBrushOrigin = canvas.BrushOrigin();
    canvas.SetBrushOrigin({-originX_, -originY_});
    const std::optional<TKestRegion> savedClip = canvas.ClipRegion();
    struct TRestore {
        TKestPanel& panel;
        TKestCanvas& canvas;
        TKestPoint brushOrigin;
        const std::optional<TKestRegion>& clip;
        ~TRestore()
        {
            canvas.SelectClipRgn(clip);
            canvas.SetBrushOrigin(brushOrigin);
            panel.PopPaintState();
        }
    } restore {*this, canvas, savedBrushOrigin, savedClip};

    const int32_t width = ScaleValue(docWidth_, scale_), height = ScaleValue(docHeight_, scale_);
    if (!plainOutput) {
        TKestBrush background;
        background.Color = clWindow;
        canvas.SetBrush(background);
        canvas.FillRect(paintRect);
    }
    if (clipToPaintRect)
        canvas.IntersectClipRect(paintRect);
    const bool frameWanted = !schemeBkStretch_ && showDocFrame_
        && (!onScreen_ || originX_ + paintRect.Left < 0 || originY_ + paintRect.Top < 0);
    if (!plainOutput && frameWanted) {
        const int32_t x = -originX_, y = -originY_;
        TKestBrush shadow;
        shadow.Color = clGray;
        canvas.SetBrush(shadow);
        canvas.FillRect({x + 5, y + height + 1, x + width + 6, y + height + 6});
        canvas.FillRect({x + width + 1, y + 5, x + width + 6, y + height + 6});
        TKestPen pen;
        pen.Color = clBlack;
        canvas.SetPen(pen);
        TKestBrush hollow;
        hollow.Style = bsClear;
        canvas.SetBrush(hollow);
        canvas.Rectangle({x - 1, y - 1, x + width + 1, y + height + 1});
    }
    PaintDocument(canvas, control, childrenOnly, selectedOnly);
}

void TKestPanel::PaintDocument(TKestCanvas& canvas, TKestControl* control, bool childrenOnly, bool selectedOnly)
{
    if (OnPaintScheme)
        OnPaintScheme(&canvas, control, childrenOnly, selectedOnly);
    auto* controlScheme = dynamic_cast<TKestCustomScheme*>(control);
    if (selectedOnly) {
        TKestCustomScheme* scheme = controlScheme ? controlScheme : control ? control->ParentScheme() : activeScheme_;
        TPaintOrder order;
        if (BuildPaintOrder(scheme, order))
            order.ForEachBottomUp([&](TKestControl* c) {
                if (IsSelected(c)) {
                    const TKestRect r = c->DocRect();
                    c->PaintAll(canvas, r.Left, r.Top);
                }
            });
    } else {
        TKestControl* target = control && control->Owner() == this ? control : activeScheme_;
        if (!target)
            target = schemes_->ByIndex(0);
        auto* targetScheme = dynamic_cast<TKestCustomScheme*>(target);
        if (target && !childrenOnly) {
            const TKestRect r = target->DocRect();
            target->PaintAll(canvas, r.Left, r.Top);
        } else if (targetScheme) {
            TPaintOrder order;
            if (BuildPaintOrder(targetScheme, order))
                order.ForEachBottomUp([&](TKestControl* c) { c->PaintAll(canvas, c->Left(), c->Top()); });
        } else if (target) {
            for (int i = 0; i < target->Count(); ++i) {
                TKestControl* c = target->Controls(i);
                const TKestRect r = c->DocRect();
                c->PaintAll(canvas, r.Left, r.Top);
            }
        }
    }
    if (OnPaintOver)
        OnPaintOver(&canvas, control, childrenOnly, selectedOnly);
}

bool TKestPanel::InvalidateControl(TKestControl* control)
{
    if (destroying_ || !control || !isVisible() || control->UpdateCounter() > 0)
        return false;
    const bool isScheme = dynamic_cast<TKestCustomScheme*>(control) != nullptr;
    if (!isScheme && (!activeScheme_ || control->ParentScheme() != activeScheme_))
        return false;
    if (!control->SkipSelfPaint()) {
        const TKestRect doc = control->DocRect();
        const TKestRect r = TransformRect(control->GetRefreshRect(doc.Left, doc.Top));
        viewport()->update(QRect(r.Left, r.Top, RectWidth(r), RectHeight(r)));
    }
    return true;
}

} // namespace kest
