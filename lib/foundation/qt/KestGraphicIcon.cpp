#include <QBuffer>
#include <QImageReader>

#include "KestGraphic.h"
#include "KestGraphicBytes.h"

namespace kest {

KEST_CLASS_IMPL(TKestIcon, TKestGraphic)

namespace {

constexpr size_t DirHeaderSize = 6;
constexpr size_t DirEntrySize = 16;
// Icon files hold a handful of sizes and depths; this only bounds the work
// a hostile directory can cause.
constexpr uint16_t MaxIconImages = 256;
constexpr uint8_t PngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t ReadBE32(std::span<const uint8_t> data, size_t offset)
{
    return uint32_t(data[offset]) << 24 | uint32_t(data[offset + 1]) << 16 | uint32_t(data[offset + 2]) << 8
        | uint32_t(data[offset + 3]);
}

struct TIconEntry {
    int64_t Width = 0;
    int64_t Height = 0;
    uint32_t BitCount = 0;
};

// Reads the size of one image (a PNG, or a DIB whose height counts colour
// and mask rows) and checks that its pixel rows lie inside the entry.
bool CheckIconImage(std::span<const uint8_t> image, TIconEntry& entry, std::string& reason)
{
    if (image.size() >= 24 && std::equal(std::begin(PngSignature), std::end(PngSignature), image.begin())) {
        entry.Width = ReadBE32(image, 16);
        entry.Height = ReadBE32(image, 20);
        entry.BitCount = 32;
        return CheckGraphicSize(entry.Width, entry.Height, "Icon image", &reason);
    }
    const uint32_t headerSize = ReadLE32(image, 0);
    if (image.size() < 40 || headerSize < 40 || headerSize > image.size()) {
        reason = "Icon image has no valid bitmap header";
        return false;
    }
    entry.Width = ReadLE32Signed(image, 4);
    entry.Height = ReadLE32Signed(image, 8) / 2;
    entry.BitCount = ReadLE16(image, 14);
    if (!CheckGraphicSize(entry.Width, entry.Height, "Icon image", &reason))
        return false;
    if (entry.BitCount != 1 && entry.BitCount != 4 && entry.BitCount != 8 && entry.BitCount != 24
        && entry.BitCount != 32) {
        reason = "Icon image with " + std::to_string(entry.BitCount) + " bits a pixel is not supported";
        return false;
    }
    const uint32_t usedColors = ReadLE32(image, 32);
    const uint64_t colors = entry.BitCount > 8 ? 0 : usedColors ? usedColors : 1u << entry.BitCount;
    const uint64_t stride = (uint64_t(entry.Width) * entry.BitCount + 31) / 32 * 4;
    // The transparency mask after the colour rows is left out by some writers.
    if (headerSize + colors * 4 + stride * uint64_t(entry.Height) > image.size()) {
        reason = "Icon image is truncated";
        return false;
    }
    return true;
}

} // namespace

std::unique_ptr<TKestGraphic> TKestIcon::Clone() const
{
    return std::unique_ptr<TKestGraphic>(new TKestIcon(*this));
}

bool TKestIcon::ReadData(std::span<const uint8_t> data, std::string& reason)
{
    const uint16_t type = ReadLE16(data, 2); // 1: icon, 2: cursor
    if (data.size() < DirHeaderSize || ReadLE16(data, 0) != 0 || (type != 1 && type != 2)) {
        reason = "Not an icon file";
        return false;
    }
    const uint16_t count = ReadLE16(data, 4);
    if (count == 0 || count > MaxIconImages) {
        reason = "Icon file with " + std::to_string(count) + " images is not supported";
        return false;
    }
    if (DirHeaderSize + DirEntrySize * count > data.size()) {
        reason = "Icon file is truncated in its directory";
        return false;
    }
    int chosen = -1;
    TIconEntry best;
    for (int i = 0; i < count; ++i) {
        const size_t dirEntry = DirHeaderSize + DirEntrySize * size_t(i);
        const uint64_t size = ReadLE32(data, dirEntry + 8);
        const uint64_t offset = ReadLE32(data, dirEntry + 12);
        if (offset + size > data.size()) {
            reason = "Icon image " + std::to_string(i) + " lies outside the file";
            return false;
        }
        TIconEntry entry;
        if (!CheckIconImage(data.subspan(offset, size), entry, reason))
            return false;
        const int64_t area = entry.Width * entry.Height;
        const int64_t bestArea = best.Width * best.Height;
        if (chosen < 0 || area > bestArea || (area == bestArea && entry.BitCount > best.BitCount)) {
            chosen = i;
            best = entry;
        }
    }
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    QImage image;
    if (!reader.jumpToImage(chosen) || !reader.read(&image) || image.isNull()) {
        reason = "Icon image could not be decoded: " + reader.errorString().toStdString();
        return false;
    }
    image_ = image.convertToFormat(QImage::Format_ARGB32);
    data_.assign(data.begin(), data.end());
    return true;
}

void TKestIcon::Clear()
{
    data_.clear();
    image_ = QImage();
}

} // namespace kest
