// Arbitrary bytes as the file image of a bitmap: loaded, saved back, drawn
// with its transparent colour and masked.
#include "graphic_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    kest::TKestBitmap bitmap;
    const std::span<const uint8_t> bytes(data, size);
    const bool loaded = bitmap.LoadFromBytes(bytes);
    CheckLoadedGraphic(bitmap, bytes, loaded);
    if (loaded) {
        const QRect bounds = bitmap.MaskRegion().boundingRect();
        Require(bounds.isEmpty() || QRect(0, 0, bitmap.Width(), bitmap.Height()).contains(bounds));
    }
    return 0;
}
