// TKestControl: painting with transparency, invalidation, and saving and
// loading of a control with its subtree.
#include <algorithm>

#include "KestAlpha.h"
#include "KestBaseContainers.h"
#include "KestBaseControl.h"
#include "KestBasePanel.h"
#include "KestCanvas.h"
#include "KestFiler.h"

namespace kest {

namespace {

bool Intersects(const TKestRect& a, const TKestRect& b)
{
    return a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
}

// Lines of a document cannot hold line breaks: an object line with one
// would read back as two lines.
std::string OneLine(std::string text)
{
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

bool StartsWith(std::string_view line, std::string_view keyword)
{
    return line.substr(0, keyword.size()) == keyword;
}

} // namespace

TKestRect TKestControl::GetRefreshRect(int32_t paintX, int32_t paintY)
{
    return {paintX, paintY, paintX + Width(), paintY + Height()};
}

void TKestControl::Paint(TKestCanvas&, const TKestRect&) { }

void TKestControl::PaintAll(TKestCanvas& canvas, int32_t paintX, int32_t paintY)
{
    if (!Visible() || (layer_ && !layer_->Visible()) || !owner_)
        return;
    if (!alwaysPaint_ && !Intersects(owner_->TransformRect(GetRefreshRect(paintX, paintY)), owner_->PaintRect()))
        return;
    int32_t transparency = Transparency();
    const int32_t layerTransparency = layer_ ? layer_->Transparency() : 0;
    if (layerTransparency > 0)
        transparency = (100 - layerTransparency) * transparency / 100 + layerTransparency;

    TKestCanvas* target = &canvas;
    TAlphaBuffer* buffer = nullptr;
    if (forceAlpha_ || (transparency >= 1 && !owner_->PlainOutput())) {
        buffer = owner_->BeginAlphaBuffer(canvas);
        if (buffer)
            target = &buffer->Canvas();
    }
    paintAlphaBuffer_ = buffer;
    if (!skipSelfPaint_)
        Paint(*target, owner_->TransformRect(TKestRect {paintX, paintY, paintX + Width(), paintY + Height()}));
    for (size_t i = 0; i < children_.size(); ++i) {
        TKestControl* child = children_[i];
        child->PaintAll(*target, paintX + child->Left(), paintY + child->Top());
    }
    paintAlphaBuffer_ = nullptr;
    if (buffer)
        owner_->EndAlphaBuffer(buffer, transparency);
}

void TKestControl::Invalidate()
{
    if (!owner_ || !owner_->InvalidateControl(this))
        return;
    for (TKestControl* child : children_)
        child->Invalidate();
}

void TKestControl::SaveToFiler(TKestFiler& filer, const std::string& indent)
{
    filer.SaveStr(indent + "object " + OneLine(Name()) + ": " + ClassName());
    const std::string inner = indent + "  ";
    props_->SaveToFiler(filer, inner, false);
    for (TKestControl* child : children_)
        child->SaveToFiler(filer, inner);
    filer.SaveStr(indent + "end");
    filer.SetSaved(filer.Saved() + 1);
}

void TKestControl::LoadFromFiler(TKestFiler& filer)
{
    TKestPanel* owner = owner_;
    if (owner)
        owner->BeginLoading();
    IncludeState(csLoading);
    struct TLoadingScope {
        TKestControl& control;
        TKestPanel* owner;
        ~TLoadingScope()
        {
            control.ExcludeState(csLoading);
            if (owner)
                owner->EndLoading();
        }
    };
    {
        TLoadingScope scope {*this, owner};
        std::string line;
        bool more = true;
        while (more) {
            more = filer.LoadStrCheck(line);
            if (!more && line.empty())
                break;
            if (StartsWith(line, "end"))
                break;
            if (StartsWith(line, "object")) {
                if (owner)
                    owner->LoadControl(filer, this, line);
                else
                    filer.LoadSkipToEnd();
            } else if (!line.empty()) {
                props_->LoadPropertyDeferred(filer, line, owner ? &owner->RefList() : nullptr);
            }
        }
    }
    DoNotify(knLoaded);
}

} // namespace kest
