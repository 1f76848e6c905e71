// Arbitrary bytes as a picture's streamed graphic: a stream that loads is
// saved back byte for byte, and its graphic keeps the checks of its class.
#include "graphic_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::span<const uint8_t> bytes(data, size);
    const auto graphic = kest::LoadGraphicStream(bytes);
    if (graphic) {
        const kest::TBytes saved = kest::SaveGraphicStream(*graphic);
        Require(std::equal(saved.begin(), saved.end(), bytes.begin(), bytes.end()));
        CheckLoadedGraphic(*graphic, bytes.subspan(1 + bytes[0] + 4), true);
    }
    return 0;
}
