#include "KestGraphic.h"
#include "KestGraphicBytes.h"

namespace kest {

KEST_CLASS_IMPL(TKestMetafile, TKestGraphic)

namespace {

constexpr uint32_t EmfHeaderType = 1;
constexpr uint32_t EmfSignature = 0x464D4520; // " EMF"
constexpr size_t EmfHeaderSize = 88;
constexpr uint32_t PlaceableKey = 0x9AC6CDD7;
constexpr size_t PlaceableHeaderSize = 22;
constexpr size_t WmfHeaderSize = 18;
constexpr int64_t ScreenPixelsPerInch = 96;
constexpr int64_t HundredthMMPerInch = 2540;

int64_t RoundedDiv(int64_t a, int64_t b)
{
    return (a + b / 2) / b;
}

// The header of a WMF (after the placeable header, if any): memory or disk
// metafile, nine words long, and all its words present.
bool CheckWmfHeader(std::span<const uint8_t> data, size_t offset, std::string& reason)
{
    const uint16_t type = ReadLE16(data, offset);
    if (data.size() < offset + WmfHeaderSize || (type != 1 && type != 2) || ReadLE16(data, offset + 2) != 9) {
        reason = "Not a metafile";
        return false;
    }
    if (offset + uint64_t(ReadLE32(data, offset + 6)) * 2 > data.size()) {
        reason = "Metafile is truncated";
        return false;
    }
    return true;
}

} // namespace

QImage TKestMetafile::ToImage() const
{
    if (width_ <= 0 || height_ <= 0)
        return QImage();
    QImage image(width_, height_, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

std::unique_ptr<TKestGraphic> TKestMetafile::Clone() const
{
    return std::unique_ptr<TKestGraphic>(new TKestMetafile(*this));
}

bool TKestMetafile::ReadData(std::span<const uint8_t> data, std::string& reason)
{
    int64_t width = 0, height = 0;
    if (ReadLE32(data, 0) == EmfHeaderType && ReadLE32(data, 40) == EmfSignature) {
        const uint32_t headerSize = ReadLE32(data, 4);
        const uint32_t fileSize = ReadLE32(data, 48);
        if (data.size() < EmfHeaderSize || headerSize < EmfHeaderSize || headerSize > fileSize) {
            reason = "Enhanced metafile header is not valid";
            return false;
        }
        if (fileSize > data.size()) {
            reason = "Enhanced metafile is truncated";
            return false;
        }
        // The frame is in hundredths of a millimetre, edges included.
        width = RoundedDiv(
            (int64_t(ReadLE32Signed(data, 32)) - ReadLE32Signed(data, 24)) * ScreenPixelsPerInch, HundredthMMPerInch);
        height = RoundedDiv(
            (int64_t(ReadLE32Signed(data, 36)) - ReadLE32Signed(data, 28)) * ScreenPixelsPerInch, HundredthMMPerInch);
    } else if (ReadLE32(data, 0) == PlaceableKey) {
        if (data.size() < PlaceableHeaderSize) {
            reason = "Metafile is truncated";
            return false;
        }
        uint16_t checksum = 0;
        for (size_t i = 0; i < 20; i += 2)
            checksum ^= ReadLE16(data, i);
        if (checksum != ReadLE16(data, 20)) {
            reason = "Placeable metafile header has a wrong checksum";
            return false;
        }
        const int64_t unitsPerInch = ReadLE16(data, 14);
        if (unitsPerInch == 0) {
            reason = "Placeable metafile declares 0 units per inch";
            return false;
        }
        if (!CheckWmfHeader(data, PlaceableHeaderSize, reason))
            return false;
        width = RoundedDiv(
            (int64_t(ReadLE16Signed(data, 10)) - ReadLE16Signed(data, 6)) * ScreenPixelsPerInch, unitsPerInch);
        height = RoundedDiv(
            (int64_t(ReadLE16Signed(data, 12)) - ReadLE16Signed(data, 8)) * ScreenPixelsPerInch, unitsPerInch);
    } else if (!CheckWmfHeader(data, 0, reason)) {
        return false;
    }
    if (width <= 0 || height <= 0) {
        width = 0; // the header declares no size
        height = 0;
    } else if (!CheckGraphicSize(width, height, "Metafile", &reason)) {
        return false;
    }
    data_.assign(data.begin(), data.end());
    width_ = int(width);
    height_ = int(height);
    return true;
}

void TKestMetafile::Clear()
{
    data_.clear();
    width_ = 0;
    height_ = 0;
}

} // namespace kest
