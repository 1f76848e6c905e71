#include "KestGraphic.h"

#include "KestGraphicBytes.h"

namespace kest {

KEST_CLASS_IMPL(TKestGraphic, TKestObject)

namespace {

void SetReason(std::string* reason, std::string text)
{
    if (reason)
        *reason = std::move(text);
}

} // namespace

bool CheckGraphicSize(int64_t width, int64_t height, const char* what, std::string* reason)
{
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width <= 0 || height <= 0) {
        SetReason(reason, std::string(what) + " has no pixels (" + size + ")");
        return false;
    }
    if (width > MaxGraphicSide || height > MaxGraphicSide) {
        SetReason(reason,
            std::string(what) + " of " + size + " pixels is over the limit of " + std::to_string(MaxGraphicSide)
                + " pixels a side");
        return false;
    }
    if (width * height * 4 > MaxGraphicPixelBytes) {
        SetReason(reason,
            std::string(what) + " of " + size + " pixels needs more than " + std::to_string(MaxGraphicPixelBytes >> 20)
                + " MB");
        return false;
    }
    return true;
}

TKestGraphic::TKestGraphic(const TKestGraphic& other)
    : TKestObject(other)
    , transparent_(other.transparent_)
    , transparentColorFixed_(other.transparentColorFixed_)
    , transparentColor_(other.transparentColor_)
{
}

void TKestGraphic::SetTransparent(bool value)
{
    if (transparent_ == value)
        return;
    transparent_ = value;
    Changed();
}

void TKestGraphic::SetTransparentColor(uint32_t color)
{
    color &= 0xFFFFFF;
    if (transparentColorFixed_ && transparentColor_ == color)
        return;
    transparentColorFixed_ = true;
    transparentColor_ = color;
    Changed();
}

bool TKestGraphic::LoadFromBytes(std::span<const uint8_t> data, std::string* reason)
{
    Clear();
    bool ok = true;
    if (int64_t(data.size()) > MaxGraphicDataBytes) {
        SetReason(reason,
            std::string(GraphicClassName()) + " data of " + std::to_string(data.size()) + " bytes is over the limit of "
                + std::to_string(MaxGraphicDataBytes >> 20) + " MB");
        ok = false;
    } else if (!data.empty()) {
        std::string why;
        ok = ReadData(data, why);
        if (!ok) {
            Clear();
            SetReason(reason, why);
        }
    }
    Changed();
    return ok;
}

void TKestGraphic::Changed()
{
    if (OnChange)
        OnChange(this);
}

std::unique_ptr<TKestGraphic> CreateGraphic(std::string_view className)
{
    if (className == "TBitmap")
        return std::make_unique<TKestBitmap>();
    if (className == "TJPEGImage")
        return std::make_unique<TKestJpegImage>();
    if (className == "TIcon")
        return std::make_unique<TKestIcon>();
    if (className == "TMetafile")
        return std::make_unique<TKestMetafile>();
    return nullptr;
}

TBytes SaveGraphicStream(const TKestGraphic& graphic)
{
    const std::string_view name = graphic.GraphicClassName();
    const TBytes data = graphic.SaveToBytes();
    const auto size = static_cast<uint32_t>(data.size()); // loading caps data far below 4 GB
    TBytes out;
    out.reserve(1 + name.size() + 4 + data.size());
    out.push_back(static_cast<uint8_t>(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(size >> shift));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::unique_ptr<TKestGraphic> LoadGraphicStream(std::span<const uint8_t> bytes, std::string* reason)
{
    if (bytes.empty()) {
        SetReason(reason, "No graphic data");
        return nullptr;
    }
    const size_t nameLength = bytes[0];
    if (bytes.size() < 1 + nameLength + 4) {
        SetReason(reason, "Graphic data of " + std::to_string(bytes.size()) + " bytes is too short for its header");
        return nullptr;
    }
    const std::string name(bytes.begin() + 1, bytes.begin() + 1 + nameLength);
    auto graphic = CreateGraphic(name);
    if (!graphic) {
        SetReason(reason, "Unknown graphic class \"" + name + "\"");
        return nullptr;
    }
    const uint64_t size = ReadLE32(bytes, 1 + nameLength);
    const std::span<const uint8_t> data = bytes.subspan(1 + nameLength + 4);
    if (size != data.size()) {
        SetReason(reason,
            name + " declares " + std::to_string(size) + " bytes of data but " + std::to_string(data.size())
                + " follow");
        return nullptr;
    }
    if (!graphic->LoadFromBytes(data, reason))
        return nullptr;
    return graphic;
}

} // namespace kest
