// TPictureProp: a picture embedded in the document or linked to a file —
// bitmap, JPEG image, icon or metafile — optionally cut into a grid of
// equal frames and pre-rendered into an alpha buffer for fast drawing.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "KestAlpha.h"
#include "KestGraphic.h"
#include "KestPropsBase.h"

namespace kest {

class TPictureProp;

// Fills graphic (none on entry) for a link name instead of the file lookup;
// installed for the whole program.
using TPictureLinkResolver
    = std::function<void(TPictureProp* prop, const std::string& name, std::unique_ptr<TKestGraphic>& graphic)>;
void SetPictureLinkResolver(TPictureLinkResolver resolver);

// Renders the graphic into the alpha buffer; clearing defaultDraw skips the
// picture's own drawing afterwards.
using TPaintBufferEvent = std::function<void(
    TPictureProp* sender, TAlphaBuffer& buffer, bool& defaultDraw, TKestGraphic& graphic, TKestCanvas& canvas)>;

class TPictureProp : public TCustomProp {
    KEST_CLASS(TPictureProp)
public:
    TPictureProp();
    ~TPictureProp() override;

    // The picture's graphic, or none. Changes made to it directly are
    // watched: the picture reads it again and notifies.
    TKestGraphic* Graphic() const { return graphic_.get(); }
    // Copies graphic (none removes the picture's own).
    void SetGraphic(const TKestGraphic* graphic);
    // The streamed form (class name, then the graphic's data); empty without
    // a graphic and while LinkName is set.
    TBytes GraphicData() const;
    // Ignored while LinkName is set; data that does not load leaves no graphic.
    void SetGraphicData(std::span<const uint8_t> data);

    // What was read from the graphic when it last changed.
    bool Empty() const { return empty_; }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    bool IsBitmap() const { return isBitmap_; }

    // Frames count for bitmaps and while FastBuffer is on; otherwise both
    // read 1. New values below 1 are ignored, and so are values for other
    // graphics, except while the list loads (FastBuffer and LinkName are
    // stored after them). A new graphic without frames resets both to 1.
    int32_t Columns() const { return FramesAllowed() ? columns_ : 1; }
    void SetColumns(int32_t value);
    int32_t Rows() const { return FramesAllowed() ? rows_ : 1; }
    void SetRows(int32_t value);
    int64_t FrameCount() const { return int64_t(Columns()) * Rows(); }
    // The graphic's transparency, or the value kept for the next graphic.
    bool Masked() const { return masked_; }
    void SetMasked(bool value);
    // A bitmap's transparent colour (24 bits), or the value kept.
    TColor MaskColor() const { return maskColor_; }
    void SetMaskColor(TColor value);
    const std::string& LinkName() const { return linkName_; }
    // Loads the graphic from the link (the resolver, else the file relative to
    // the program's folder, by its extension); an empty or unresolved name
    // leaves no graphic. A masked picture stays masked with its colour.
    void SetLinkName(const std::string& value);
    bool FastBuffer() const { return fastBuffer_; }
    void SetFastBuffer(bool value);

    // Set while the picture draws or renders itself.
    bool Painting() const { return painting_; }
    // The pre-rendered picture while FastBuffer is on.
    const TAlphaBuffer* Buffer() const { return buffer_.get(); }

    // The source rectangle of frame index: the cell at column index mod
    // Columns, row index div Columns; the whole picture for an index outside.
    TKestRect FrameRect(int32_t index) const;
    TKestSize FrameSize() const;
    // A new bitmap holding frame index of graphic with its transparency, or
    // none when graphic is not a bitmap.
    std::unique_ptr<TKestBitmap> GetFrameBitmap(const TKestGraphic& graphic, int32_t index) const;
    // Draws frame (or the whole picture for -1, or when there is one frame)
    // stretched into rect, clipped to it. With FastBuffer on and an alpha
    // target the frame is copied from the picture's buffer instead.
    void Draw(TKestCanvas& canvas, const TKestRect& rect, TAlphaBuffer* alphaTarget, bool useMaskRegion, int32_t frame);

    std::string GetDisplayValue() override { return "(Picture)"; }
    TPropType GetPropType(std::string_view subName) override;
    const TSubPropTable* SubProps() const override;

    TPaintBufferEvent OnPaintBuffer;

private:
    bool FramesAllowed() const { return isBitmap_ || fastBuffer_; }
    void SetFrames(int32_t& field, int32_t value);
    void ReplaceGraphic(std::unique_ptr<TKestGraphic> graphic);
    void Adopt(std::unique_ptr<TKestGraphic> graphic);
    bool Loading() const;
    // Reads the caches from the graphic and renders the buffer again; a
    // graphic that came or changed by itself resets the frames.
    void ReadGraphic(bool graphicReplaced);
    void RenderBuffer();
    void GraphicChanged();

    std::unique_ptr<TKestGraphic> graphic_;
    bool empty_ = true;
    bool isBitmap_ = false;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t columns_ = 1;
    int32_t rows_ = 1;
    bool masked_ = false;
    TColor maskColor_ = 0;
    std::string linkName_;
    bool fastBuffer_ = false;
    bool painting_ = false;
    bool applying_ = false; // our own changes to the graphic are not echoed
    std::unique_ptr<TAlphaBuffer> buffer_;
};

} // namespace kest
