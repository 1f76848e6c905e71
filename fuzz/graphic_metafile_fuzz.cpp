// Arbitrary bytes as the file image of a metafile: loaded, saved back and drawn.
#include "graphic_fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return FuzzGraphic<kest::TKestMetafile>(data, size);
}
