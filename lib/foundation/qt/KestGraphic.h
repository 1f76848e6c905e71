// The graphics that picture and brush properties hold: bitmap, JPEG image,
// icon and metafile. Each keeps its own file image (the bytes a document
// stores) and hands out a QImage for drawing.
//
// Streamed form of a graphic, as a picture property stores it:
//
//   offset 0      1 byte          n, length of the class name
//   offset 1      n bytes         class name in ASCII: "TBitmap", "TJPEGImage", "TIcon" or "TMetafile"
//   offset 1+n    4 bytes         size s of the data, unsigned, little-endian
//   offset 5+n    s bytes         the graphic's own data (SaveToBytes): BMP file, JPEG file, ICO file, metafile
//
// Nothing follows the data. An empty graphic has s = 0. Loading a stream and
// saving the result gives the same bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include <QImage>
#include <QRegion>

#include "KestClass.h"
#include "KestValue.h"

namespace kest {

// Limits against hostile data, checked on the declared sizes before any
// pixel memory is allocated.
constexpr int32_t MaxGraphicSide = 16384;
constexpr int64_t MaxGraphicPixelBytes = int64_t(256) << 20; // decoded at 4 bytes a pixel
constexpr int64_t MaxGraphicDataBytes = int64_t(256) << 20;

// False, with reason naming what (a "JPEG image" ...), when a declared size
// is not positive or over the limits.
bool CheckGraphicSize(int64_t width, int64_t height, const char* what, std::string* reason);

class TKestGraphic : public TKestObject {
    KEST_CLASS(TKestGraphic)
public:
    TKestGraphic& operator=(const TKestGraphic&) = delete;

    // The name the streamed form carries.
    virtual const char* GraphicClassName() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual bool Empty() const = 0;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    // 24-bit 0x00BBGGRR.
    virtual uint32_t TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(uint32_t color);

    // Replaces the content with a file image; no bytes give an empty graphic.
    // Bad data leaves the graphic empty and returns false with the reason.
    bool LoadFromBytes(std::span<const uint8_t> data, std::string* reason = nullptr);
    virtual TBytes SaveToBytes() const = 0;
    // The picture as it is drawn (a null image when empty).
    virtual QImage ToImage() const = 0;
    // A copy of content and transparency, without the OnChange handler.
    virtual std::unique_ptr<TKestGraphic> Clone() const = 0;

    std::function<void(TKestGraphic* sender)> OnChange;

protected:
    explicit TKestGraphic(bool transparent = false)
        : transparent_(transparent)
    {
    }
    TKestGraphic(const TKestGraphic& other);

    // Decodes data (never empty) into the content; false with the reason on bad data.
    virtual bool ReadData(std::span<const uint8_t> data, std::string& reason) = 0;
    virtual void Clear() = 0;
    // Drops what was derived from content and transparency, then tells OnChange.
    virtual void Changed();
    bool TransparentColorFixed() const { return transparentColorFixed_; }

private:
    bool transparent_;
    bool transparentColorFixed_ = false;
    uint32_t transparentColor_ = 0;
};

// A BMP file image, decoded by Qt. The loaded bytes are saved back unchanged;
// a bitmap made from an image saves as a 24-bit BMP, or 32-bit when the image
// has an alpha channel.
class TKestBitmap : public TKestGraphic {
    KEST_CLASS(TKestBitmap)
public:
    TKestBitmap() = default;
    const char* GraphicClassName() const override { return "TBitmap"; }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    bool Empty() const override { return image_.isNull(); }
    // The fixed colour once set, else the bottom-left pixel's colour (0 when empty).
    uint32_t TransparentColor() const override;

    TBytes SaveToBytes() const override;
    // With Transparent on, the pixels of the transparent colour are cleared.
    QImage ToImage() const override;
    std::unique_ptr<TKestGraphic> Clone() const override;

    // The pixels as loaded (RGB32 or ARGB32), transparency not applied.
    const QImage& Image() const { return image_; }
    // Images over the size limits are refused (false, content unchanged).
    bool SetImage(const QImage& image);
    // The pixels that are drawn: all but those of the transparent colour when
    // Transparent is on, else the whole bitmap.
    QRegion MaskRegion() const;

protected:
    TKestBitmap(const TKestBitmap&) = default;
    bool ReadData(std::span<const uint8_t> data, std::string& reason) override;
    void Clear() override;
    void Changed() override;

private:
    QRgb TransparentKey() const;

    QImage image_;
    TBytes data_; // the loaded file image; empty once the pixels came from SetImage
    mutable QImage keyed_; // ToImage's cached result while Transparent is on
};

// A JPEG file, kept byte for byte and decoded with libjpeg (grayscale, RGB,
// CMYK and YCCK).
class TKestJpegImage : public TKestGraphic {
    KEST_CLASS(TKestJpegImage)
public:
    TKestJpegImage() = default;
    const char* GraphicClassName() const override { return "TJPEGImage"; }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    bool Empty() const override { return data_.empty(); }
    TBytes SaveToBytes() const override { return data_; }
    QImage ToImage() const override { return image_; }
    std::unique_ptr<TKestGraphic> Clone() const override;

protected:
    TKestJpegImage(const TKestJpegImage&) = default;
    bool ReadData(std::span<const uint8_t> data, std::string& reason) override;
    void Clear() override;

private:
    TBytes data_;
    QImage image_;
};

// Decodes a JPEG file into an RGB32 image; a null image, with the reason, for
// data that is corrupt, truncated or over the size limits.
QImage DecodeJpeg(std::span<const uint8_t> data, std::string& reason);

// An ICO (or CUR) file, kept byte for byte; the largest of its images is drawn.
class TKestIcon : public TKestGraphic {
    KEST_CLASS(TKestIcon)
public:
    TKestIcon()
        : TKestGraphic(true)
    {
    }
    const char* GraphicClassName() const override { return "TIcon"; }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    bool Empty() const override { return data_.empty(); }
    TBytes SaveToBytes() const override { return data_; }
    QImage ToImage() const override { return image_; }
    std::unique_ptr<TKestGraphic> Clone() const override;

protected:
    TKestIcon(const TKestIcon&) = default;
    bool ReadData(std::span<const uint8_t> data, std::string& reason) override;
    void Clear() override;

private:
    TBytes data_;
    QImage image_;
};

// A Windows metafile (EMF, or WMF with or without the placeable header),
// kept byte for byte and not drawn: its image is transparent, of the size
// the header declares at 96 dpi (0 x 0 when it declares none).
class TKestMetafile : public TKestGraphic {
    KEST_CLASS(TKestMetafile)
public:
    TKestMetafile()
        : TKestGraphic(true)
    {
    }
    const char* GraphicClassName() const override { return "TMetafile"; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Empty() const override { return data_.empty(); }
    TBytes SaveToBytes() const override { return data_; }
    QImage ToImage() const override;
    std::unique_ptr<TKestGraphic> Clone() const override;

protected:
    TKestMetafile(const TKestMetafile&) = default;
    bool ReadData(std::span<const uint8_t> data, std::string& reason) override;
    void Clear() override;

private:
    TBytes data_;
    int width_ = 0;
    int height_ = 0;
};

// A new empty graphic of the streamed class name (exact case); null for an
// unknown name.
std::unique_ptr<TKestGraphic> CreateGraphic(std::string_view className);

TBytes SaveGraphicStream(const TKestGraphic& graphic);
// Null, with the reason, for an unknown class, a size that does not match the
// bytes, or data the class refuses.
std::unique_ptr<TKestGraphic> LoadGraphicStream(std::span<const uint8_t> bytes, std::string* reason = nullptr);

} // namespace kest
