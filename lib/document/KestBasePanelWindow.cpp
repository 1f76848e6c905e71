// TKestPanel, the window picture: painting into any canvas (window
// background, document frame and shadow, space fill, the document, the
// overlays), the back buffer of the window and invalidation.
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

#include "KestBasePanel.h"

namespace kest {

void TKestPanel::InitWindow()
{
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    // Every pixel of the window comes from the back buffer.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, ColorToQColor(clWindow));
    viewport()->setPalette(palette);
}

void TKestPanel::paintEvent(QPaintEvent* event)
{
    const QRect update = event->rect() & viewport()->rect();
    if (update.isEmpty() || destroying_)
        return;
    // The buffer only grows, so that repeated paints allocate nothing.
    const int depth = viewport()->depth();
    if (backBuffer_.width() < update.width() || backBuffer_.height() < update.height() || depth != backDepth_) {
        backCanvas_.Detach();
        backBuffer_ = QImage(std::max(backBuffer_.width(), update.width()),
            std::max(backBuffer_.height(), update.height()), QImage::Format_RGB32);
        backDepth_ = depth;
        if (backBuffer_.isNull())
            return;
    }
    if (!backCanvas_.Attach(&backBuffer_))
        return;
    const TKestRect target {0, 0, update.width(), update.height()};
    backCanvas_.IntersectClipRect(target);
    const bool savedOnScreen = onScreen_;
    onScreen_ = true;
    PaintTo(backCanvas_, target, true, false, false, false, false, nullptr, scale_,
        {originX_ + update.left(), originY_ + update.top()});
    onScreen_ = savedOnScreen;
    backCanvas_.Detach();
    QPainter painter(viewport());
    painter.drawImage(update.topLeft(), backBuffer_, QRect(0, 0, update.width(), update.height()));
}

void TKestPanel::PaintTo(TKestCanvas& canvas, const TKestRect& paintRect, bool highQuality, bool plainOutput,
    bool childrenOnly, bool selectedOnly, bool clipToPaintRect, TKestControl* control, int32_t scale, TKestPoint origin)
{
    if (destroying_)
        return;
    if (!Painting()) {
        outerOriginX_ = originX_;
        outerOriginY_ = originY_;
    }
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

    if (PaintFrozenPicture(canvas))
        return;
    const int32_t width = ScaleValue(docWidth_, scale_), height = ScaleValue(docHeight_, scale_);
    const TKestRect doc {-originX_, -originY_, width - originX_, height - originY_};
    if (!plainOutput && !BackgroundHidden(doc, control, childrenOnly, selectedOnly)) {
        TKestBrush background;
        background.Color = clWindow;
        canvas.SetBrush(background);
        canvas.FillRect(paintRect);
    }
    if (clipToPaintRect)
        canvas.IntersectClipRect(paintRect);
    // On screen the frame shows only where the document does not fill the
    // window; the window's own origin decides, not that of the buffer.
    const bool frameWanted = !plainOutput && !schemeBkStretch_ && showDocFrame_
        && (!onScreen_ || horzExtraSpace_ != 0 || vertExtraSpace_ != 0 || outerOriginX_ < 0 || outerOriginY_ < 0);
    if (frameWanted) {
        if (docShadowColor_ != clNone) {
            canvas.SetBrush(TKestBrush(docShadowColor_, bsSolid));
            canvas.FillRect({doc.Left + 5, doc.Bottom + 1, doc.Right + 6, doc.Bottom + 6});
            canvas.FillRect({doc.Right + 1, doc.Top + 5, doc.Right + 6, doc.Bottom + 6});
        }
        if (docFrameColor_ != clNone) {
            canvas.SetPen(TKestPen(docFrameColor_));
            canvas.SetBrush(TKestBrush(clWhite, bsClear));
            canvas.Rectangle({doc.Left - 1, doc.Top - 1, doc.Right + 1, doc.Bottom + 1});
        }
    }
    const std::optional<TKestRegion> outsideClip = canvas.ClipRegion();
    if (docClipping_)
        canvas.IntersectClipRect(doc);
    PaintDocument(canvas, control, childrenOnly, selectedOnly);
    canvas.SelectClipRgn(outsideClip);
    if (!plainOutput && docSpaceFill_)
        PaintDocSpace(canvas, doc, frameWanted);
    if (!plainOutput && onScreen_)
        PaintSelection(canvas);
}

// True when the scheme painted next fills all of the paint rectangle
// opaquely, clipping to the document included, and nothing painted in
// between can see the window background. Painting it first would only cost.
bool TKestPanel::BackgroundHidden(const TKestRect& doc, TKestControl* control, bool childrenOnly, bool selectedOnly) const
{
    if (childrenOnly || selectedOnly || OnPaintScheme)
        return false;
    auto* scheme = dynamic_cast<TKestCustomScheme*>(PaintTarget(control));
    if (!scheme || !scheme->Visible() || scheme->SkipSelfPaint() || !scheme->OpaqueBackground())
        return false;
    const TKestRect at = scheme->DocRect();
    TKestRect cover = scheme->BackgroundRect(at.Left, at.Top);
    if (docClipping_)
        cover = {std::max(cover.Left, doc.Left), std::max(cover.Top, doc.Top), std::min(cover.Right, doc.Right),
            std::min(cover.Bottom, doc.Bottom)};
    const TKestRect& p = paintRect_;
    return p.Left < p.Right && p.Top < p.Bottom && cover.Left <= p.Left && cover.Top <= p.Top
        && cover.Right >= p.Right && cover.Bottom >= p.Bottom;
}

// The strips of the paint rectangle outside the document; a frame and
// shadow drawn before are left as they are.
void TKestPanel::PaintDocSpace(TKestCanvas& canvas, const TKestRect& doc, bool frameWanted)
{
    const std::optional<TKestRegion> savedClip = canvas.ClipRegion();
    if (frameWanted) {
        if (docFrameColor_ != clNone)
            canvas.ExcludeClipRect({doc.Left - 1, doc.Top - 1, doc.Right + 1, doc.Bottom + 1});
        if (docShadowColor_ != clNone) {
            canvas.ExcludeClipRect({doc.Left + 5, doc.Bottom + 1, doc.Right + 6, doc.Bottom + 6});
            canvas.ExcludeClipRect({doc.Right + 1, doc.Top + 5, doc.Right + 6, doc.Bottom + 6});
        }
    }
    canvas.SetBrush(docSpaceBrush_);
    const TKestRect& p = paintRect_;
    const int32_t top = std::clamp(doc.Top, p.Top, p.Bottom), bottom = std::clamp(doc.Bottom, p.Top, p.Bottom);
    canvas.FillRect({p.Left, p.Top, std::min(doc.Left, p.Right), p.Bottom});
    canvas.FillRect({std::max(doc.Right, p.Left), p.Top, p.Right, p.Bottom});
    canvas.FillRect({std::max(doc.Left, p.Left), p.Top, std::min(doc.Right, p.Right), top});
    canvas.FillRect({std::max(doc.Left, p.Left), bottom, std::min(doc.Right, p.Right), p.Bottom});
    canvas.SelectClipRgn(savedClip);
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
        TKestControl* target = PaintTarget(control);
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

TKestControl* TKestPanel::PaintTarget(TKestControl* control) const
{
    if (control && control->Owner() == this)
        return control;
    return activeScheme_ ? activeScheme_ : schemes_->ByIndex(0);
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

// Panel properties change the whole picture.
template <class T> static bool StoreValue(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

void TKestPanel::SetDocFrameColor(TColor value)
{
    if (StoreValue(docFrameColor_, value))
        viewport()->update();
}

void TKestPanel::SetDocShadowColor(TColor value)
{
    if (StoreValue(docShadowColor_, value))
        viewport()->update();
}

void TKestPanel::SetDocSpaceBrush(const TKestBrush& value)
{
    docSpaceBrush_ = value;
    viewport()->update();
}

void TKestPanel::SetDocSpaceFill(bool value)
{
    if (StoreValue(docSpaceFill_, value))
        viewport()->update();
}

void TKestPanel::SetDocClipping(bool value)
{
    if (StoreValue(docClipping_, value))
        viewport()->update();
}

} // namespace kest
