#include "KestGraphicPropsPicture.h"

#include <QFileInfo>
#include <algorithm>
#include <optional>
#include <utility>

#include "KestGraphicPropsCommon.h"
#include "KestPropsList.h"
#include "KestPropsPublished.h"
#include "KestUtils.h"

namespace kest {

namespace {

TPictureLinkResolver& LinkResolver()
{
    static TPictureLinkResolver resolver;
    return resolver;
}

std::unique_ptr<TKestGraphic> NonEmpty(std::unique_ptr<TKestGraphic> graphic)
{
    if (graphic && graphic->Empty())
        graphic.reset();
    return graphic;
}

// The graphic class a file is loaded as, by its extension.
const char* GraphicClassOfFile(std::string_view name)
{
    const QString suffix = QFileInfo(QString::fromUtf8(name.data(), qsizetype(name.size()))).suffix().toLower();
    if (suffix == "bmp")
        return "TBitmap";
    if (suffix == "jpg" || suffix == "jpeg")
        return "TJPEGImage";
    if (suffix == "ico")
        return "TIcon";
    if (suffix == "wmf" || suffix == "emf")
        return "TMetafile";
    return nullptr;
}

std::unique_ptr<TKestGraphic> LoadLinkedGraphic(std::string_view name)
{
    const char* className = GraphicClassOfFile(name);
    std::optional<TBytes> bytes = className ? ReadLinkFile(name) : std::nullopt;
    if (!bytes)
        return nullptr;
    std::unique_ptr<TKestGraphic> graphic = CreateGraphic(className);
    if (!graphic->LoadFromBytes(*bytes))
        return nullptr;
    return graphic;
}

TKestRect FrameRectOf(int32_t width, int32_t height, int32_t columns, int32_t rows, int32_t index)
{
    if (index < 0 || index / columns >= rows)
        return {0, 0, width, height};
    const int32_t w = width / columns, h = height / rows;
    const int32_t left = index % columns * w, top = index / columns * h;
    return {left, top, left + w, top + h};
}

TPropValue GraphicValue(const TPictureProp& picture)
{
    TBytes data = picture.GraphicData();
    return data.empty() ? TPropValue() : TPropValue(std::move(data));
}

void SetGraphicValue(TPictureProp& picture, const TPropValue& value)
{
    if (const auto* bytes = std::get_if<TBytes>(&value))
        picture.SetGraphicData(*bytes);
    else if (std::holds_alternative<std::monostate>(value))
        picture.SetGraphicData({});
}

class TPaintingScope {
public:
    explicit TPaintingScope(bool& flag)
        : flag_(flag)
    {
        flag_ = true;
    }
    ~TPaintingScope() { flag_ = false; }
    TPaintingScope(const TPaintingScope&) = delete;
    TPaintingScope& operator=(const TPaintingScope&) = delete;

private:
    bool& flag_;
};

} // namespace

void SetPictureLinkResolver(TPictureLinkResolver resolver)
{
    LinkResolver() = std::move(resolver);
}

KEST_CLASS_IMPL(TPictureProp, TCustomProp)

TPictureProp::TPictureProp()
{
    SetPropType(ptComplex);
}

TPictureProp::~TPictureProp() = default;

const TSubPropTable* TPictureProp::SubProps() const
{
    using P = TPictureProp;
    static const TSubPropTable table = TSubPropTableBuilder<P>()
                                           .Value("Graphic", skOther, GraphicValue, SetGraphicValue)
                                           .Stored([](const P& p) { return !p.Empty() && p.LinkName().empty(); })
                                           .Integer("Columns", &P::Columns, &P::SetColumns)
                                           .Default(1)
                                           .Integer("Rows", &P::Rows, &P::SetRows)
                                           .Default(1)
                                           .Boolean("Masked", &P::Masked, &P::SetMasked)
                                           .Default(false)
                                           // A loaded bitmap takes its bottom-left pixel as transparent
                                           // colour, so a bitmap's colour is written even when black.
                                           .Integer("MaskColor", &P::MaskColor, &P::SetMaskColor)
                                           .Stored([](const P& p) { return p.MaskColor() != 0 || p.IsBitmap(); })
                                           .Text("LinkName", &P::LinkName, &P::SetLinkName)
                                           .Boolean("FastBuffer", &P::FastBuffer, &P::SetFastBuffer)
                                           .Default(false);
    return &table;
}

TPropType TPictureProp::GetPropType(std::string_view subName)
{
    return SameNameCI(subName, "Graphic") ? ptHexData : TCustomProp::GetPropType(subName);
}

void TPictureProp::SetGraphic(const TKestGraphic* graphic)
{
    ReplaceGraphic(NonEmpty(graphic ? graphic->Clone() : nullptr));
}

TBytes TPictureProp::GraphicData() const
{
    if (empty_ || !linkName_.empty())
        return {};
    return SaveGraphicStream(*graphic_);
}

void TPictureProp::SetGraphicData(std::span<const uint8_t> data)
{
    if (!linkName_.empty())
        return;
    const TBytes current = GraphicData();
    if (std::equal(data.begin(), data.end(), current.begin(), current.end()))
        return;
    ReplaceGraphic(NonEmpty(data.empty() ? nullptr : LoadGraphicStream(data)));
}

bool TPictureProp::Loading() const
{
    return Owner() && Owner()->Mode() == pmLoading;
}

void TPictureProp::SetFrames(int32_t& field, int32_t value)
{
    if (value < 1 || (!FramesAllowed() && !Loading()))
        return;
    ChangePropField(*this, field, value);
}

void TPictureProp::SetColumns(int32_t value)
{
    SetFrames(columns_, value);
}

void TPictureProp::SetRows(int32_t value)
{
    SetFrames(rows_, value);
}

void TPictureProp::SetMasked(bool value)
{
    if (value == masked_ || IsReadOnly())
        return;
    DoBeforeChanged();
    masked_ = value;
    if (graphic_) {
        applying_ = true;
        graphic_->SetTransparent(value);
        applying_ = false;
        ReadGraphic(false);
    }
    DoChanged();
}

void TPictureProp::SetMaskColor(TColor value)
{
    if (value == maskColor_ || IsReadOnly())
        return;
    DoBeforeChanged();
    maskColor_ = value;
    if (isBitmap_) {
        applying_ = true;
        graphic_->SetTransparentColor(uint32_t(ColorToRGB(value)) & 0xFFFFFF);
        applying_ = false;
        ReadGraphic(false);
    }
    DoChanged();
}

void TPictureProp::SetLinkName(const std::string& value)
{
    if (value == linkName_ || IsReadOnly())
        return;
    DoBeforeChanged();
    linkName_ = value;
    std::unique_ptr<TKestGraphic> graphic;
    if (!value.empty()) {
        if (LinkResolver())
            LinkResolver()(this, value, graphic);
        else
            graphic = LoadLinkedGraphic(value);
    }
    if (graphic && masked_) {
        graphic->SetTransparent(true);
        if (graphic->InheritsFrom(TKestBitmap::StaticClass()))
            graphic->SetTransparentColor(uint32_t(ColorToRGB(maskColor_)) & 0xFFFFFF);
    }
    Adopt(NonEmpty(std::move(graphic)));
    DoChanged();
}

void TPictureProp::SetFastBuffer(bool value)
{
    if (value == fastBuffer_ || IsReadOnly())
        return;
    DoBeforeChanged();
    fastBuffer_ = value;
    RenderBuffer();
    DoChanged();
}

void TPictureProp::ReplaceGraphic(std::unique_ptr<TKestGraphic> graphic)
{
    if ((!graphic_ && !graphic) || IsReadOnly())
        return;
    DoBeforeChanged();
    Adopt(std::move(graphic));
    DoChanged();
}

void TPictureProp::Adopt(std::unique_ptr<TKestGraphic> graphic)
{
    graphic_ = std::move(graphic);
    if (graphic_)
        graphic_->OnChange = [this](TKestGraphic*) { GraphicChanged(); };
    ReadGraphic(true);
}

void TPictureProp::GraphicChanged()
{
    if (applying_ || painting_)
        return;
    ReadGraphic(true);
    DoChanged();
}

void TPictureProp::ReadGraphic(bool graphicReplaced)
{
    empty_ = !graphic_ || graphic_->Empty();
    isBitmap_ = graphic_ && graphic_->InheritsFrom(TKestBitmap::StaticClass());
    width_ = graphic_ ? graphic_->Width() : 0;
    height_ = graphic_ ? graphic_->Height() : 0;
    if (graphic_) {
        masked_ = graphic_->Transparent();
        if (isBitmap_)
            maskColor_ = TColor(graphic_->TransparentColor());
    }
    if (graphicReplaced && !FramesAllowed() && !Loading())
        columns_ = rows_ = 1;
    RenderBuffer();
}

void TPictureProp::RenderBuffer()
{
    if (painting_)
        return;
    if (!fastBuffer_ || empty_) {
        buffer_.reset();
        return;
    }
    if (!buffer_)
        buffer_ = std::make_unique<TAlphaBuffer>();
    TPaintingScope painting(painting_);
    const QImage image = graphic_->ToImage();
    buffer_->LoadPicture(&image, [this, &image](TAlphaBuffer& buffer, TKestCanvas& canvas) {
        bool defaultDraw = true;
        if (OnPaintBuffer)
            OnPaintBuffer(this, buffer, defaultDraw, *graphic_, canvas);
        if (defaultDraw)
            canvas.Draw(0, 0, image);
    });
}

TKestRect TPictureProp::FrameRect(int32_t index) const
{
    return FrameRectOf(width_, height_, Columns(), Rows(), index);
}

TKestSize TPictureProp::FrameSize() const
{
    return {width_ / Columns(), height_ / Rows()};
}

std::unique_ptr<TKestBitmap> TPictureProp::GetFrameBitmap(const TKestGraphic& graphic, int32_t index) const
{
    const auto* bitmap = dynamic_cast<const TKestBitmap*>(&graphic);
    if (!bitmap)
        return nullptr;
    const TKestRect r = FrameRectOf(bitmap->Width(), bitmap->Height(), Columns(), Rows(), index);
    auto frame = std::make_unique<TKestBitmap>();
    frame->SetImage(bitmap->Image().copy(r.Left, r.Top, RectWidth(r), RectHeight(r)));
    frame->SetTransparentColor(bitmap->TransparentColor());
    frame->SetTransparent(bitmap->Transparent());
    return frame;
}

void TPictureProp::Draw(
    TKestCanvas& canvas, const TKestRect& rect, TAlphaBuffer* alphaTarget, bool useMaskRegion, int32_t frame)
{
    if (empty_ || painting_)
        return;
    TPaintingScope painting(painting_);
    const bool framed = frame >= 0 && FrameCount() > 1;
    if (fastBuffer_ && alphaTarget && buffer_ && buffer_->Loaded()) {
        buffer_->PaintFrame(*alphaTarget, rect, framed ? FrameRect(frame) : TKestRect {0, 0, width_, height_});
        return;
    }
    std::unique_ptr<TKestBitmap> cut;
    if (framed) {
        cut = GetFrameBitmap(*graphic_, frame);
        if (!cut)
            return;
    }
    const TKestGraphic& shown = cut ? *cut : *graphic_;
    std::optional<TKestRegion> previous = IntersectClipRgn(canvas, TKestRegion(NormalizeRect(rect)));
    // A mirrored rectangle draws through the image's own transparency only.
    if (useMaskRegion && isBitmap_ && shown.Transparent() && rect.Right > rect.Left && rect.Bottom > rect.Top) {
        const auto& bitmap = static_cast<const TKestBitmap&>(shown);
        TKestRegion clip = *canvas.ClipRegion();
        IntersectTransparentRegion(bitmap.Image(), TColor(bitmap.TransparentColor()), rect, clip);
        canvas.SelectClipRgn(clip);
    }
    canvas.StretchDraw(rect, shown.ToImage());
    canvas.SelectClipRgn(previous);
}

} // namespace kest
