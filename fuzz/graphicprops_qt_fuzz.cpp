// Loads arbitrary lines into a list holding one property of each graphic
// kind, paints what was loaded, and checks that what it saves, in the text
// and the binary form, loads back to the same text. The first byte chooses the form of the input:
// even for text lines, odd for a binary block (the rest follows a
// "kestbinary" line). Links resolve to nothing, so no file is read.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "KestError.h"
#include "KestFiler.h"
#include "KestGraphicProps.h"
#include "KestProps.h"
#include "KestStream.h"

namespace kest {
namespace {

void Require(bool condition)
{
    if (!condition)
        std::abort();
}

struct TGraphicKinds {
    TPropList list;
    TBackgroundOptionsProp* background = list.Add<TBackgroundOptionsProp>("Background");
    TBrushProp* brush = list.Add<TBrushProp>("Brush");
    TLineCapProp* cap = list.Add<TLineCapProp>("Cap");
    TFontProp* font = list.Add<TFontProp>("Font");
    TPenProp* pen = list.Add<TPenProp>("Pen");
    TPictureProp* picture = list.Add<TPictureProp>("Picture");
};

void Load(TPropList& list, const std::string& text)
{
    TKestMemoryStream stream(text.data(), text.size());
    TKestFiler filer(stream);
    std::string line;
    for (bool more = true; more;) {
        more = filer.LoadStrCheck(line);
        if (!more && line.empty())
            break;
        list.LoadProperty(filer, line);
    }
}

std::string Save(TPropList& list, bool binary)
{
    TKestMemoryStream stream;
    {
        TKestFiler filer(stream);
        filer.SetBinary(binary);
        list.SaveToFiler(filer, "", false);
        filer.SetBinary(false);
    }
    return stream.Text();
}

void Paint(TGraphicKinds& kinds)
{
    TKestCanvas canvas;
    if (!canvas.SetSize(24, 16))
        return;
    const TKestRect rect {-3, 2, 20, 15};
    kinds.background->Paint(canvas, rect, true, 150, kinds.brush, kinds.picture);
    kinds.brush->PaintAlternate(canvas, rect, {0, 0, 24, 16}, false, 40);
    kinds.pen->Setup(&canvas, 150);
    kinds.font->Setup(&canvas, 150);
    for (int32_t frame : {-1, 0, 7})
        kinds.picture->Draw(canvas, rect, nullptr, false, frame);
}

} // namespace
} // namespace kest

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kest;
    static const bool resolversInstalled = [] {
        SetBrushLinkResolver([](TBrushProp*, const std::string&, TKestBitmap&) {});
        SetPictureLinkResolver([](TPictureProp*, const std::string&, std::unique_ptr<TKestGraphic>&) {});
        return true;
    }();
    (void)resolversInstalled;
    if (size == 0)
        return 0;
    std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        text = "kestbinary\r\n" + text;

    TGraphicKinds first;
    try {
        Load(first.list, text);
    } catch (const EKestError&) {
        // A malformed binary block stops loading; what was loaded stays.
    }
    Paint(first);
    // The resolution is never stored: documents hold sizes at 96 dpi.
    first.font->SetPixelsPerInch(ScreenPixelsPerInch);
    const std::string saved = Save(first.list, false);
    for (bool binary : {false, true}) {
        TGraphicKinds second;
        Load(second.list, binary ? Save(first.list, true) : saved);
        Require(Save(second.list, false) == saved);
    }
    return 0;
}
