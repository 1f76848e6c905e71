// Model-based test of property undo: seeded random changes to several lists
// holding every kind, alone and in (nested) groups, with undo steps in
// between. Every state the history can return to is remembered as the lists'
// saved text; undoing everything must give back the start text and redoing
// everything the end text, byte for byte, and every step on the way must
// match what was remembered for it.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "KestProps.h"
#include "PropTestSupport.h"

namespace kest {
namespace {

using test::SaveText;
using test::TTestPen;

// One object's properties: one of each kind, an integer bound to an
// external variable, and a data property whose bytes the owner keeps.
struct TModelObject {
    TPropList list;
    int32_t externalWidth = 0;
    TBytes data;
    TEnumProp* align = list.Add<TEnumProp>("Align", TStrings {"alNone", "alTop", "alBottom", "alClient"});
    TBoolProp* visible = list.Add<TBoolProp>("Visible");
    TIntProp* left = list.Add<TIntProp>("Left");
    TIntProp* width = list.Add<TIntProp>("Width");
    TLongWordProp* id = list.Add<TLongWordProp>("ID");
    TStrProp* name = list.Add<TStrProp>("Name");
    TStrListProp* hint = list.Add<TStrListProp>("Hint");
    TUserDataProp* user = list.Add<TUserDataProp>("UserData");
    TDataProp* blob = list.Add<TDataProp>("Blob");
    TTestPen* pen = list.Add<TTestPen>("Pen");

    TModelObject()
    {
        left->SetStyle(psVisible | psScaled);
        width->SetPValue(&externalWidth);
        blob->OnGetData = [this](TDataProp*, TPropValue& v) { v = data; };
        blob->OnSetData = [this](TDataProp* p, const TPropValue& v) {
            const auto* bytes = std::get_if<TBytes>(&v);
            TBytes incoming = bytes ? *bytes : TBytes();
            if (incoming == data || p->IsReadOnly())
                return;
            p->DoBeforeChanged();
            data = std::move(incoming);
            p->DoChanged();
        };
    }

    std::string Text() { return SaveText(list, false) + "--\r\n" + SaveText(list, true); }
};

class TChanger {
public:
    explicit TChanger(uint32_t seed)
        : random_(seed)
    {
    }

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    bool Chance(int percent) { return Below(100) < percent; }

    std::string Word()
    {
        static const char* const words[] = {"", "a", "door", "Hall A", "it's", "(paren", "{brace", "x=y", " lead",
            "trail ", "end", "property", "'q'", "Zone", "ZONE"};
        return words[Below(sizeof words / sizeof *words)];
    }

    std::string MixCase(std::string text)
    {
        for (char& c : text)
            if (Chance(30))
                c = static_cast<char>(std::isupper(static_cast<unsigned char>(c)) ? std::tolower(c) : std::toupper(c));
        return text;
    }

    void Change(TModelObject& o)
    {
        switch (Below(10)) {
        case 0:
            if (Chance(50))
                o.align->SetPropValue({}, TPropValue(MixCase(o.align->EnumNames()[Below(4)])));
            else
                o.align->SetValue(Below(4));
            break;
        case 1:
            o.visible->SetBoolValue(Chance(50));
            break;
        case 2:
            if (Chance(50))
                o.left->SetValue(Below(2000001) - 1000000);
            else
                o.left->SetDisplayValue(std::to_string(Below(200) - 100));
            break;
        case 3:
            o.width->SetValue(Below(5) * 1000);
            break;
        case 4: {
            static const uint32_t highs[] = {0xFFFFFFFFu, 0xFFFFFFFEu, 0x80000000u, 0x7FFFFFFFu, 0, 12};
            o.id->SetValue(highs[Below(6)]);
            break;
        }
        case 5:
            o.name->SetValue(Word());
            break;
        case 6:
            ChangeStrings(*o.hint);
            break;
        case 7:
            if (Chance(60) || o.user->Count() == 0)
                o.user->SetValueByName(MixCase(Word()), Word());
            else
                o.user->SetValueByIndex(Below(o.user->Count()), Word());
            break;
        case 8: {
            TBytes bytes(static_cast<size_t>(Below(70)));
            for (uint8_t& b : bytes)
                b = static_cast<uint8_t>(Below(256));
            o.blob->SetPropValue({}, TPropValue(bytes));
            break;
        }
        default:
            ChangePen(*o.pen);
        }
    }

private:
    void ChangeStrings(TStrListProp& strings)
    {
        switch (Below(3)) {
        case 0: {
            std::string text;
            for (int i = Below(4); i > 0; --i)
                text += Word() + (Chance(50) ? "\r\n" : "\n");
            strings.SetText(text);
            break;
        }
        case 1: {
            TStrings lines(static_cast<size_t>(Below(4)));
            for (std::string& line : lines)
                line = Word();
            strings.SetPropValue({}, TPropValue(lines));
            break;
        }
        default:
            strings.SetPropValue({}, TPropValue());
        }
    }

    void ChangePen(TTestPen& pen)
    {
        switch (Below(10)) {
        case 0:
            pen.SetColor(Below(3) * 0x10101);
            break;
        case 1:
            pen.SetPropValue("style", TPropValue(MixCase(std::string(Chance(50) ? "tpsDash" : "tpsSolid"))));
            break;
        case 2:
            pen.SetWidth(Below(3));
            break;
        case 3:
            pen.SetPropValue("Options", TPropValue(int32_t(Below(8))));
            break;
        case 4:
            pen.SetScale(Below(17) / 8.0 - 1);
            break;
        case 5:
            pen.SetCaption(Word());
            break;
        case 6:
            pen.SetBig(Chance(50) ? 0 : int64_t(Below(1000)) * 10000000000);
            break;
        case 7:
            pen.SetDash(Below(3));
            break;
        case 8:
            pen.Cap().SetPropValue(
                Chance(50) ? "Size" : "Filled", TPropValue(Chance(50) ? std::string("8000") : std::string("True")));
            break;
        default:
            pen.Level().SetValue(Below(3));
        }
    }

    std::mt19937 random_;
};

class TUndoModel {
public:
    explicit TUndoModel(uint32_t seed)
        : changer_(seed)
    {
        for (int i = 0; i < 3; ++i) {
            objects_.push_back(std::make_unique<TModelObject>());
            rig_.Attach(objects_.back()->list, i + 1);
        }
        states_.push_back(Text());
    }

    std::string Text()
    {
        std::string text;
        for (auto& o : objects_)
            text += o->Text() + "==\r\n";
        return text;
    }

    // A top-level step: one change, a group of changes, or a few undos.
    void Step()
    {
        if (changer_.Chance(10) && rig_.history.ActionIndex() >= 0) {
            for (int n = changer_.Below(3) + 1; n > 0 && rig_.history.Undo(); --n)
                ASSERT_EQ(Text(), states_[rig_.history.ActionIndex() + 1]);
            return;
        }
        if (changer_.Chance(30))
            Group(0);
        else
            changer_.Change(RandomObject());
        Remember();
    }

    void UndoAllThenRedoAll()
    {
        std::string end = Text();
        ASSERT_EQ(end, states_[rig_.history.ActionIndex() + 1]);
        while (rig_.history.Undo())
            ASSERT_EQ(Text(), states_[rig_.history.ActionIndex() + 1]);
        ASSERT_EQ(rig_.history.ActionIndex(), -1);
        ASSERT_EQ(Text(), states_[0]);
        while (rig_.history.Redo())
            ASSERT_EQ(Text(), states_[rig_.history.ActionIndex() + 1]);
        ASSERT_EQ(rig_.history.ActionIndex(), rig_.history.Count() - 1);
        ASSERT_EQ(Text(), states_.back());
    }

    int Count() const { return rig_.history.Count(); }

private:
    TModelObject& RandomObject() { return *objects_[changer_.Below(int(objects_.size()))]; }

    void Group(int depth)
    {
        ASSERT_NE(rig_.history.BeginAction(TPropHistoryGroup::StaticClass(), nullptr, false), nullptr);
        for (int n = changer_.Below(5); n > 0; --n) {
            if (depth < 2 && changer_.Chance(15))
                Group(depth + 1);
            else
                changer_.Change(RandomObject());
        }
        ASSERT_TRUE(rig_.history.EndAction());
    }

    // The state after the last action done; a new action has dropped the
    // undone ones, a step that recorded nothing has kept them.
    void Remember()
    {
        states_.resize(static_cast<size_t>(rig_.history.Count()) + 1);
        states_[rig_.history.ActionIndex() + 1] = Text();
    }

    test::THistoryRig rig_;
    std::vector<std::unique_ptr<TModelObject>> objects_;
    TChanger changer_;
    std::vector<std::string> states_;
};

TEST(PropUndoModelTest, RandomChangesUndoAndRedoByteForByte)
{
    constexpr int kSteps = 80; // below the history's limit of 100 actions
    for (uint32_t seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        TUndoModel model(seed);
        for (int step = 0; step < kSteps; ++step) {
            model.Step();
            if (HasFatalFailure())
                return;
        }
        ASSERT_GT(model.Count(), kSteps / 5); // most steps record something
        model.UndoAllThenRedoAll();
        if (HasFatalFailure())
            return;
    }
}

} // namespace
} // namespace kest
