#include "KestControlsBasic.h"

namespace kest {

KEST_CONTROL_CLASS_IMPL(TKestPicture, TKestControl)

int TKestPicture::CreationCursor()
{
    return 11;
}

void TKestPicture::CreateProperties()
{
    TKestControl::CreateProperties();
    autoSizeProp_ = Props().Add<TBoolProp>("AutoSize");
    pictureProp_ = Props().Add<TPictureProp>("Picture");
    frameIndexProp_ = Props().Add<TIntProp>("FrameIndex");
}

void TKestPicture::ControlCreate()
{
    SetWidth(1);
    SetHeight(1);
    TKestControl::ControlCreate();
    SetVisible(true);
}

void TKestPicture::ApplyAutoSize()
{
    for (TIntProp* prop : {WidthProp(), HeightProp()})
        prop->SetStyle(prop->Style() & ~psReadOnly);
    if (!AutoSize())
        return;
    if (!pictureProp_->Empty()) {
        BeginUpdate();
        SetWidth(PixelToDoc(pictureProp_->Width()));
        SetHeight(PixelToDoc(pictureProp_->Height()));
        EndUpdate();
    }
    for (TIntProp* prop : {WidthProp(), HeightProp()})
        prop->SetStyle(prop->Style() | psReadOnly);
}

void TKestPicture::PropChanged(TPropList* sender, TCustomProp* prop)
{
    if (prop == autoSizeProp_ || prop == pictureProp_)
        ApplyAutoSize();
    TKestControl::PropChanged(sender, prop);
}

void TKestPicture::PropStored(TPropList* sender, TCustomProp* prop, const std::string& subName, bool& stored)
{
    TKestControl::PropStored(sender, prop, subName, stored);
    if (!subName.empty())
        return;
    if (prop == autoSizeProp_)
        stored = AutoSize();
    else if (prop == frameIndexProp_)
        stored = FrameIndex() != 0;
}

void TKestPicture::Paint(TKestCanvas& canvas, const TKestRect& paintRect)
{
    if (pictureProp_->Empty()) {
        if (Owner() && Owner()->EditMode() && !Owner()->PlainOutput()) {
            TKestPen pen(clGray, 1, psDot);
            canvas.SetPen(pen);
            canvas.SetBrush(TKestBrush(clWhite, bsClear));
            canvas.Rectangle(paintRect);
        }
        return;
    }
    const bool transparent = PaintAlphaBuffer() != nullptr || Transparency() > 0;
    pictureProp_->Draw(canvas, paintRect, transparent ? PaintAlphaBuffer() : nullptr, !transparent, FrameIndex());
}

bool TKestPicture::IsPointInside(int32_t x, int32_t y)
{
    if (pictureProp_->Empty() && !(Owner() && Owner()->EditMode()))
        return false;
    return TKestControl::IsPointInside(x, y);
}

int TKestPicture::ConnectionPointCount() const
{
    return 9;
}

TKestPoint TKestPicture::ConnectionPoint(int index) const
{
    return RectConnectionPoint({0, 0, Width() - PixelScale, Height() - PixelScale}, index);
}

} // namespace kest
