#include <QBuffer>
#include <QImageReader>
#include <cstdlib>
#include <vector>

#include "KestGraphic.h"
#include "KestGraphicBytes.h"

namespace kest {

KEST_CLASS_IMPL(TKestBitmap, TKestGraphic)

namespace {

constexpr size_t FileHeaderSize = 14;
constexpr uint32_t CoreHeaderSize = 12;
constexpr uint32_t InfoHeaderSize = 40;
constexpr uint32_t V4HeaderSize = 108;
constexpr uint32_t MaxInfoHeaderSize = 124;

enum : uint32_t { biRgb = 0, biRle8 = 1, biRle4 = 2, biBitfields = 3, biAlphaBitfields = 6 };

// Checks what Qt's reader takes on trust: the declared size against the
// limits, and that uncompressed pixel rows are all present (Qt decodes a
// truncated file into a partly black image without complaint).
bool CheckBmpHeader(std::span<const uint8_t> data, std::string& reason)
{
    if (data.size() < FileHeaderSize + CoreHeaderSize || data[0] != 'B' || data[1] != 'M') {
        reason = "Not a BMP file";
        return false;
    }
    const uint32_t headerSize = ReadLE32(data, FileHeaderSize);
    if (headerSize != CoreHeaderSize && (headerSize < InfoHeaderSize || headerSize > MaxInfoHeaderSize)) {
        reason = "BMP header of " + std::to_string(headerSize) + " bytes is not supported";
        return false;
    }
    if (data.size() < FileHeaderSize + headerSize) {
        reason = "BMP file is truncated in its header";
        return false;
    }
    int64_t width, height;
    uint32_t bitCount, compression = biRgb;
    if (headerSize == CoreHeaderSize) {
        width = ReadLE16(data, FileHeaderSize + 4);
        height = ReadLE16(data, FileHeaderSize + 6);
        bitCount = ReadLE16(data, FileHeaderSize + 10);
    } else {
        width = ReadLE32Signed(data, FileHeaderSize + 4);
        height = ReadLE32Signed(data, FileHeaderSize + 8);
        bitCount = ReadLE16(data, FileHeaderSize + 14);
        compression = ReadLE32(data, FileHeaderSize + 16);
    }
    height = height < 0 ? -height : height; // negative: rows stored top-down
    if (!CheckGraphicSize(width, height, "BMP image", &reason))
        return false;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32) {
        reason = "BMP image with " + std::to_string(bitCount) + " bits a pixel is not supported";
        return false;
    }
    const uint64_t pixelOffset = ReadLE32(data, 10);
    if (pixelOffset < FileHeaderSize + headerSize || pixelOffset >= data.size()) {
        reason = "BMP pixel data offset " + std::to_string(pixelOffset) + " is outside the file";
        return false;
    }
    if (compression == biRle8 || compression == biRle4)
        return true;
    if (compression != biRgb && compression != biBitfields && compression != biAlphaBitfields) {
        reason = "BMP compression " + std::to_string(compression) + " is not supported";
        return false;
    }
    const uint64_t stride = (uint64_t(width) * bitCount + 31) / 32 * 4;
    if (pixelOffset + stride * uint64_t(height) > data.size()) {
        reason = "BMP file is truncated in its pixel data";
        return false;
    }
    return true;
}

void PutLE16(TBytes& out, uint32_t value)
{
    out.push_back(uint8_t(value));
    out.push_back(uint8_t(value >> 8));
}

void PutLE32(TBytes& out, uint32_t value)
{
    PutLE16(out, value);
    PutLE16(out, value >> 16);
}

// 24 bits a pixel with the plain header; with alpha, 32 bits and the V4
// header whose channel masks tell readers (Qt's among them) to keep alpha.
TBytes EncodeBmp(const QImage& image)
{
    const bool alpha = image.hasAlphaChannel();
    const uint32_t headerSize = alpha ? V4HeaderSize : InfoHeaderSize;
    const uint32_t bytesPerPixel = alpha ? 4 : 3;
    const uint32_t stride = (uint32_t(image.width()) * bytesPerPixel + 3) & ~3u;
    const uint32_t pixelBytes = stride * uint32_t(image.height());
    const uint32_t pixelOffset = uint32_t(FileHeaderSize) + headerSize;
    TBytes out;
    out.reserve(pixelOffset + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    PutLE32(out, pixelOffset + pixelBytes);
    PutLE32(out, 0);
    PutLE32(out, pixelOffset);
    PutLE32(out, headerSize);
    PutLE32(out, uint32_t(image.width()));
    PutLE32(out, uint32_t(image.height()));
    PutLE16(out, 1);
    PutLE16(out, bytesPerPixel * 8);
    PutLE32(out, alpha ? biBitfields : biRgb);
    PutLE32(out, pixelBytes);
    PutLE32(out, 0); // pixels per metre, horizontally and vertically: unspecified
    PutLE32(out, 0);
    PutLE32(out, 0); // colours used and important
    PutLE32(out, 0);
    if (alpha) {
        for (uint32_t mask : {0x00FF0000u, 0x0000FF00u, 0x000000FFu, 0xFF000000u})
            PutLE32(out, mask);
        PutLE32(out, 0x73524742); // colour space "sRGB"
        out.resize(pixelOffset, 0); // end points and gamma, unused with sRGB
    }
    const QImage source = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = source.height() - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        const size_t rowStart = out.size();
        for (int x = 0; x < source.width(); ++x) {
            out.push_back(uint8_t(qBlue(line[x])));
            out.push_back(uint8_t(qGreen(line[x])));
            out.push_back(uint8_t(qRed(line[x])));
            if (alpha)
                out.push_back(uint8_t(qAlpha(line[x])));
        }
        out.resize(rowStart + stride, 0);
    }
    return out;
}

QImage ToWorkingFormat(const QImage& image)
{
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

} // namespace

uint32_t TKestBitmap::TransparentColor() const
{
    if (TransparentColorFixed() || image_.isNull())
        return TKestGraphic::TransparentColor();
    return RgbToColor(image_.pixel(0, image_.height() - 1));
}

TBytes TKestBitmap::SaveToBytes() const
{
    if (!data_.empty() || image_.isNull())
        return data_;
    return EncodeBmp(image_);
}

// The transparent colour in Qt's 0x00RRGGBB order, to compare with masked pixels.
QRgb TKestBitmap::TransparentKey() const
{
    const uint32_t color = TransparentColor();
    return (color & 0xFF) << 16 | (color & 0xFF00) | (color >> 16 & 0xFF);
}

QImage TKestBitmap::ToImage() const
{
    if (!Transparent() || image_.isNull())
        return image_;
    if (keyed_.isNull()) {
        const QRgb key = TransparentKey();
        keyed_ = image_.convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < keyed_.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(keyed_.scanLine(y));
            for (int x = 0; x < keyed_.width(); ++x)
                if ((line[x] & 0xFFFFFF) == key)
                    line[x] = 0;
        }
    }
    return keyed_;
}

std::unique_ptr<TKestGraphic> TKestBitmap::Clone() const
{
    return std::unique_ptr<TKestGraphic>(new TKestBitmap(*this));
}

bool TKestBitmap::SetImage(const QImage& image)
{
    if (!image.isNull() && !CheckGraphicSize(image.width(), image.height(), "Bitmap", nullptr))
        return false;
    data_.clear();
    image_ = image.isNull() ? QImage() : ToWorkingFormat(image);
    Changed();
    return true;
}

QRegion TKestBitmap::MaskRegion() const
{
    if (!Transparent() || image_.isNull())
        return QRegion(image_.rect());
    const QRgb key = TransparentKey();
    // Runs of drawn pixels, row by row; a row whose runs repeat the previous
    // row's stretches that band, which keeps the region small for
    // ordinary pictures.
    std::vector<QRect> rects;
    size_t bandStart = 0;
    std::vector<std::pair<int, int>> runs, previous;
    for (int y = 0; y < image_.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
        runs.clear();
        for (int x = 0; x < image_.width();) {
            if ((line[x] & 0xFFFFFF) == key) {
                ++x;
                continue;
            }
            const int start = x;
            while (x < image_.width() && (line[x] & 0xFFFFFF) != key)
                ++x;
            runs.emplace_back(start, x - start);
        }
        if (y > 0 && runs == previous && !runs.empty()) {
            for (size_t i = bandStart; i < rects.size(); ++i)
                rects[i].setBottom(y);
            continue;
        }
        bandStart = rects.size();
        for (const auto& [start, length] : runs)
            rects.emplace_back(start, y, length, 1);
        previous.swap(runs);
    }
    QRegion region;
    region.setRects(rects.data(), int(rects.size()));
    return region;
}

bool TKestBitmap::ReadData(std::span<const uint8_t> data, std::string& reason)
{
    if (!CheckBmpHeader(data, reason))
        return false;
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    // Run-length data may skip pixels, which Qt leaves holding whatever the
    // allocation held. Qt decodes into an image it is given when the size
    // and format match, so a cleared one makes skipped pixels the first
    // palette colour instead. Qt reports the height of a top-down file as
    // negative.
    const QSize size = reader.size();
    QImage image(size.width(), std::abs(size.height()), reader.imageFormat());
    if (!image.isNull())
        image.fill(0);
    if (!reader.read(&image)) {
        reason = "BMP file could not be decoded: " + reader.errorString().toStdString();
        return false;
    }
    image_ = ToWorkingFormat(image);
    data_.assign(data.begin(), data.end());
    return true;
}

void TKestBitmap::Clear()
{
    image_ = QImage();
    data_.clear();
}

void TKestBitmap::Changed()
{
    keyed_ = QImage();
    TKestGraphic::Changed();
}

} // namespace kest
