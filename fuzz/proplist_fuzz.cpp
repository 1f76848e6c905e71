// Loads arbitrary lines into a property list with one property of each kind
// and a complex one. The first byte chooses the form: even for text lines,
// odd for a binary block (the rest follows a "kestbinary" line). Whatever
// was loaded must then save and load again to the same text, in both forms.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "KestError.h"
#include "KestFiler.h"
#include "KestProps.h"
#include "KestStream.h"

namespace kest {
namespace {

template <class V> void ChangeField(TCustomProp& prop, V& field, const V& value)
{
    if (field == value || prop.IsReadOnly())
        return;
    prop.DoBeforeChanged();
    field = value;
    prop.DoChanged();
}

class TFuzzCap : public TCustomProp {
    KEST_CLASS(TFuzzCap)
public:
    TFuzzCap() { SetPropType(ptComplex); }
    int32_t size = 8000;
    bool filled = false;
    const TSubPropTable* SubProps() const override
    {
        static const TSubPropTable table = TSubPropTableBuilder<TFuzzCap>()
                                               .Integer(
                                                   "Size", [](const TFuzzCap& c) { return c.size; },
                                                   [](TFuzzCap& c, int32_t v) { ChangeField(c, c.size, v); })
                                               .Default(8000)
                                               .Boolean(
                                                   "Filled", [](const TFuzzCap& c) { return c.filled; },
                                                   [](TFuzzCap& c, bool v) { ChangeField(c, c.filled, v); });
        return &table;
    }
};
KEST_CLASS_IMPL(TFuzzCap, TCustomProp)

class TFuzzPen : public TCustomProp {
    KEST_CLASS(TFuzzPen)
public:
    TFuzzPen()
    {
        SetPropType(ptComplex);
        cap.SetParentProp(this);
        level.SetParentProp(this);
    }
    int32_t color = 0, style = 0, width = 1, dash = 3;
    uint16_t options = 0;
    double scale = 0;
    std::string caption;
    int64_t big = 0;
    TFuzzCap cap;
    TIntProp level;

    const TSubPropTable* SubProps() const override
    {
        using P = TFuzzPen;
        static const TSubPropTable table
            = TSubPropTableBuilder<P>()
                  .Integer(
                      "Color", [](const P& p) { return p.color; }, [](P& p, int32_t v) { ChangeField(p, p.color, v); })
                  .Enumeration(
                      "Style", {"psSolid", "psDash", "psClear"}, [](const P& p) { return p.style; },
                      [](P& p, int32_t v) { ChangeField(p, p.style, v); })
                  .Default(0)
                  .Integer(
                      "Width", [](const P& p) { return p.width; }, [](P& p, int32_t v) { ChangeField(p, p.width, v); })
                  .Default(1)
                  .Set(
                      "Options", {"poA", "poB", "poC"}, [](const P& p) { return p.options; },
                      [](P& p, uint16_t v) { ChangeField(p, p.options, v); })
                  .Default(0)
                  .Float(
                      "Scale", [](const P& p) { return p.scale; }, [](P& p, double v) { ChangeField(p, p.scale, v); })
                  .Text(
                      "Caption", [](const P& p) { return p.caption; },
                      [](P& p, const std::string& v) { ChangeField(p, p.caption, v); })
                  .Int64(
                      "Big", [](const P& p) { return p.big; }, [](P& p, int64_t v) { ChangeField(p, p.big, v); })
                  .Integer(
                      "Dash", [](const P& p) { return p.dash; }, [](P& p, int32_t v) { ChangeField(p, p.dash, v); })
                  .Stored([](const P& p) { return p.style == 1; })
                  .Object("Cap", [](P& p) -> TCustomProp* { return &p.cap; })
                  .Object("Level", [](P& p) -> TCustomProp* { return &p.level; });
        return &table;
    }
};
KEST_CLASS_IMPL(TFuzzPen, TCustomProp)

struct TFuzzObject {
    TPropList list;
    TBytes data;

    TFuzzObject()
    {
        list.Add<TEnumProp>("Align", TStrings {"alNone", "alTop", "alClient"});
        list.Add<TBoolProp>("Visible");
        list.Add<TIntProp>("Left")->SetStyle(psVisible | psScaled);
        list.Add<TLongWordProp>("ID");
        list.Add<TStrProp>("Name");
        list.Add<TStrListProp>("Hint");
        list.Add<TUserDataProp>("UserData");
        list.Add<TFuzzPen>("Pen");
        auto* blob = list.Add<TDataProp>("Blob");
        blob->OnGetData = [this](TDataProp*, TPropValue& v) { v = data; };
        blob->OnSetData = [this](TDataProp*, const TPropValue& v) {
            const auto* bytes = std::get_if<TBytes>(&v);
            data = bytes ? *bytes : TBytes();
        };
    }
};

void LoadAll(TPropList& list, const std::string& text)
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

std::string Save(TPropList& list, bool force, bool binary)
{
    TKestMemoryStream stream;
    TKestFiler filer(stream);
    filer.SetBinary(binary);
    list.SaveToFiler(filer, "", force);
    filer.SetBinary(false);
    return stream.Text();
}

} // namespace
} // namespace kest

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace kest;
    if (size == 0)
        return 0;
    std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] & 1)
        input = "kestbinary\r\n" + input;

    TFuzzObject loaded;
    try {
        LoadAll(loaded.list, input);
    } catch (const EKestError&) {
        // A damaged document stops loading; what was loaded stays.
    }
    if (loaded.list.Mode() != pmNone)
        std::abort();

    for (bool force : {false, true}) {
        std::string text = Save(loaded.list, force, false);
        for (bool binary : {false, true}) {
            TFuzzObject again;
            LoadAll(again.list, Save(loaded.list, force, binary));
            if (Save(again.list, force, false) != text)
                std::abort();
        }
    }
    return 0;
}
