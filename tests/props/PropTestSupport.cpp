#include "PropTestSupport.h"

#include "KestStream.h"

namespace kest::test {

KEST_CLASS_IMPL(TTestCap, TCustomProp)

const TSubPropTable* TTestCap::SubProps() const
{
    static const TSubPropTable table = TSubPropTableBuilder<TTestCap>()
                                           .Integer("Size", &TTestCap::Size, &TTestCap::SetSize)
                                           .Default(8000)
                                           .Boolean("Filled", &TTestCap::Filled, &TTestCap::SetFilled)
                                           .Default(false);
    return &table;
}

KEST_CLASS_IMPL(TTestPen, TCustomProp)

TTestPen::TTestPen()
{
    SetPropType(ptComplex);
    cap_.SetParentProp(this);
    level_.SetParentProp(this);
}

const TSubPropTable* TTestPen::SubProps() const
{
    static const TSubPropTable table
        = TSubPropTableBuilder<TTestPen>()
              .Integer("Color", &TTestPen::Color, &TTestPen::SetColor)
              .Enumeration(
                  "Style", {"tpsSolid", "tpsDash", "tpsDot", "tpsClear"}, &TTestPen::PenStyle, &TTestPen::SetPenStyle)
              .Default(tpsSolid)
              .Integer("Width", &TTestPen::Width, &TTestPen::SetWidth)
              .Default(1)
              .Set("Options", {"tpoRound", "tpoShadow", "tpoDashed"}, &TTestPen::Options, &TTestPen::SetOptions)
              .Default(0)
              .Float("Scale", &TTestPen::Scale, &TTestPen::SetScale)
              .Text("Caption", &TTestPen::Caption, &TTestPen::SetCaption)
              .Int64("Big", &TTestPen::Big, &TTestPen::SetBig)
              .Integer("Dash", &TTestPen::Dash, &TTestPen::SetDash)
              .Stored([](const TTestPen& pen) { return pen.PenStyle() == tpsDash; })
              .Object("Cap", [](TTestPen& pen) -> TCustomProp* { return &pen.Cap(); })
              .Object("Level", [](TTestPen& pen) -> TCustomProp* { return &pen.Level(); })
              .Object("Spare", [](TTestPen&) -> TCustomProp* { return nullptr; });
    return &table;
}

THistoryRig::THistoryRig()
{
    history.SetActive(true);
    history.OnGetActionSource = [this](THistory*, THistoryAction* action, bool& found, TKestObject*& source) {
        auto* idAction = dynamic_cast<TIdHistoryAction*>(action);
        if (!idAction)
            return; // a group: found, and it has no source of its own
        auto it = lists.find(idAction->SourceId());
        source = it == lists.end() ? nullptr : it->second->PropByName(idAction->SourceName());
        found = source != nullptr;
    };
}

void THistoryRig::Attach(TPropList& list, int32_t ownerId)
{
    lists[ownerId] = &list;
    list.SetHistory(&history);
    list.OnGetOwnerId = [ownerId](TPropList*) { return ownerId; };
}

std::string SaveText(TPropList& list, bool force, bool binary)
{
    TKestMemoryStream stream;
    {
        TKestFiler filer(stream);
        filer.SetBinary(binary);
        list.SaveToFiler(filer, "", force);
        filer.SetBinary(false);
    }
    return stream.Text();
}

void LoadText(TPropList& list, const std::string& text)
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

} // namespace kest::test
