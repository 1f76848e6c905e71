// The graphic kinds as documents store them: sub-properties in declaration
// order with their initial values, what each stores by default, text and
// binary round trips, and undo of whole properties.
#include <gtest/gtest.h>

#include <string>

#include "GraphicPropsTestSupport.h"
#include "KestGraphicProps.h"
#include "KestHistory.h"

namespace kest {
namespace {

using test::LoadList;
using test::SaveList;

struct TAllKinds {
    TPropList list;
    TBackgroundOptionsProp* background = list.Add<TBackgroundOptionsProp>("Background");
    TBrushProp* brush = list.Add<TBrushProp>("Brush");
    TLineCapProp* cap = list.Add<TLineCapProp>("Cap");
    TFontProp* font = list.Add<TFontProp>("Font");
    TPenProp* pen = list.Add<TPenProp>("Pen");
    TPictureProp* picture = list.Add<TPictureProp>("Picture");
};

TEST(GraphicPropsSave, InitialValuesInDeclarationOrderAndWhatIsStoredByDefault)
{
    TAllKinds all;
    EXPECT_EQ(SaveList(all.list),
        "property Brush\r\n"
        "  BitmapCache = True\r\n"
        "end\r\n"
        "property Font\r\n"
        "  Name = Arial\r\n"
        "  Size = 8250\r\n"
        "end\r\n");
    EXPECT_EQ(SaveList(all.list, true),
        "property Background\r\n"
        "  PictureEnabled = True\r\n"
        "  BrushEnabled = True\r\n"
        "  PictureOptions = [bpStretchHoriz,bpStretchVert,bpScaledSize]\r\n"
        "  Top = 0\r\n"
        "  Left = 0\r\n"
        "  Width = 0\r\n"
        "  Height = 0\r\n"
        "end\r\n"
        "property Brush\r\n"
        "  Method = bmHatch\r\n"
        "  Color = 536870911\r\n"
        "  Style = bsSolid\r\n"
        "  Bitmap = { }\r\n"
        "  BitmapLinkName = \r\n"
        "  BitmapMasked = False\r\n"
        "  BitmapMaskColor = 0\r\n"
        "  BitmapCache = True\r\n"
        "  BitmapDisplay = bdTile\r\n"
        "  GradStyle = gsHorizontal\r\n"
        "  GradBeginColor = 0\r\n"
        "  GradEndColor = 0\r\n"
        "end\r\n"
        "property Cap\r\n"
        "  CapStyle = 0\r\n"
        "  FixedSize = False\r\n"
        "  Size = 8000\r\n"
        "  FixedOutlineColor = False\r\n"
        "  OutlineColor = 0\r\n"
        "  FixedFillColor = False\r\n"
        "  FillColor = 16777215\r\n"
        "end\r\n"
        "property Font\r\n"
        "  PixelsPerInch = 96\r\n"
        "  Charset = 1\r\n"
        "  Color = 0\r\n"
        "  Height = -11000\r\n"
        "  Name = Arial\r\n"
        "  Pitch = fpDefault\r\n"
        "  Size = 8250\r\n"
        "  Style = []\r\n"
        "end\r\n"
        "property Pen\r\n"
        "  Color = 0\r\n"
        "  Style = psSolid\r\n"
        "  Mode = pmCopy\r\n"
        "  Width = 1000\r\n"
        "  EndCap = pecRound\r\n"
        "  Join = pjRound\r\n"
        "  SolidAsInside = True\r\n"
        "end\r\n"
        "property Picture\r\n"
        "  Graphic = { }\r\n"
        "  Columns = 1\r\n"
        "  Rows = 1\r\n"
        "  Masked = False\r\n"
        "  MaskColor = 0\r\n"
        "  LinkName = \r\n"
        "  FastBuffer = False\r\n"
        "end\r\n");
    for (TCustomProp* prop : {static_cast<TCustomProp*>(all.background), static_cast<TCustomProp*>(all.brush),
             static_cast<TCustomProp*>(all.cap), static_cast<TCustomProp*>(all.font),
             static_cast<TCustomProp*>(all.pen), static_cast<TCustomProp*>(all.picture)})
        EXPECT_EQ(prop->PropType(), ptComplex) << prop->ClassName();
    EXPECT_EQ(all.brush->GetDisplayValue(), "(Brush)");
    EXPECT_EQ(all.pen->GetDisplayValue(), "(Pen)");
    EXPECT_EQ(all.cap->GetDisplayValue(), "(LineCap)");
    EXPECT_EQ(all.font->GetDisplayValue(), "(Font)");
    EXPECT_EQ(all.picture->GetDisplayValue(), "(Picture)");
    EXPECT_EQ(all.background->GetDisplayValue(), "(BackgroundOptions)");
}

TEST(GraphicPropsSave, ChangedKindsRoundTripInBothForms)
{
    TAllKinds all;
    all.background->SetPictureOptions(BackgroundOption(bpCenterHoriz) | BackgroundOption(bpOffsetTop));
    all.background->SetTop(-2500);
    all.background->SetBrushEnabled(false);
    all.brush->SetMethod(bmGradient);
    all.brush->SetColor(clBtnFace);
    all.brush->SetStyle(bsDiagCross);
    all.brush->SetGradStyle(gsBottomRight);
    all.brush->SetGradBeginColor(clRed);
    all.brush->SetGradEndColor(clYellow);
    all.brush->SetBitmapCache(false);
    all.brush->SetBitmapDisplay(bdStretch);
    all.brush->SetBitmapData(test::BmpFile(3, 2));
    all.brush->SetBitmapMasked(true);
    all.brush->SetBitmapMaskColor(RGBColor(16, 0, 200));
    all.cap->SetCapStyle(-15);
    all.cap->SetFixedFillColor(true);
    all.cap->SetFillColor(clNone);
    all.font->SetName("Liberation Serif");
    all.font->SetSize(10000);
    all.font->SetStyle(fsBold | fsStrikeOut);
    all.font->SetPitch(fpFixed);
    all.font->SetCharset(204);
    all.pen->SetStyle(psDashDot);
    all.pen->SetMode(pmNotXor);
    all.pen->SetWidth(2500);
    all.pen->SetEndCap(pecSquare);
    all.pen->SetSolidAsInside(false);
    all.picture->SetGraphicData(test::GraphicStream("TBitmap", test::BmpFile(8, 4)));
    all.picture->SetColumns(4);
    all.picture->SetMasked(true);
    const std::string saved = SaveList(all.list);
    EXPECT_NE(saved.find("  Style = [fsBold,fsStrikeOut]\r\nend"), std::string::npos) << saved;
    EXPECT_NE(saved.find("  Size = 10000\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("  Color = -2147483633\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("  Bitmap = {\r\n    424D"), std::string::npos) << saved;
    for (bool binary : {false, true}) {
        TAllKinds copy;
        LoadList(copy.list, SaveList(all.list, false, binary));
        EXPECT_EQ(SaveList(copy.list), saved) << binary;
        EXPECT_EQ(copy.brush->BitmapData(), all.brush->BitmapData());
        EXPECT_TRUE(copy.brush->Bitmap()->Transparent());
        EXPECT_EQ(copy.picture->Columns(), 4);
        EXPECT_EQ(copy.font->Height(), -13333);
        TAllKinds forced;
        LoadList(forced.list, SaveList(all.list, true, binary));
        EXPECT_EQ(SaveList(forced.list, true), SaveList(all.list, true)) << binary;
    }
}

TEST(GraphicPropsSave, HexSubPropertiesFollowTheirStoredRules)
{
    TAllKinds all;
    all.brush->SetBitmapData(test::BmpFile(2, 2));
    all.picture->SetGraphicData(test::GraphicStream("TMetafile", test::WmfFile()));
    std::string saved = SaveList(all.list);
    EXPECT_NE(saved.find("  Bitmap = {"), std::string::npos);
    EXPECT_NE(saved.find("  Graphic = {"), std::string::npos);
    // Font sizes are stored, heights and resolutions never.
    all.font->SetPixelsPerInch(120);
    all.font->SetHeight(-20000);
    saved = SaveList(all.list);
    EXPECT_EQ(saved.find("PixelsPerInch"), std::string::npos);
    EXPECT_EQ(saved.find("Height"), std::string::npos);

    // A linked bitmap or picture stores the link, not the pixels.
    const std::string missing = "no-such-folder/missing.bmp";
    all.brush->SetBitmapLinkName(missing);
    all.picture->SetLinkName(missing);
    saved = SaveList(all.list);
    EXPECT_EQ(saved.find("  Bitmap = "), std::string::npos) << saved;
    EXPECT_EQ(saved.find("  Graphic = "), std::string::npos) << saved;
    EXPECT_NE(saved.find("  BitmapLinkName = no-such-folder/missing.bmp\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("  LinkName = no-such-folder/missing.bmp\r\n"), std::string::npos) << saved;
}

TEST(GraphicPropsSave, UndoRestoresWholePropertiesIncludingAbsentPictures)
{
    THistory history;
    history.SetActive(true);
    TAllKinds all;
    all.list.SetHistory(&history);
    all.list.OnGetOwnerId = [](TPropList*) { return 1; };
    history.OnGetActionSource = [&](THistory*, THistoryAction* action, bool& found, TKestObject*& source) {
        auto* idAction = dynamic_cast<TIdHistoryAction*>(action);
        source = idAction ? all.list.PropByName(idAction->SourceName()) : nullptr;
        found = source != nullptr;
    };
    const TBytes stream = test::GraphicStream("TBitmap", test::BmpFile(4, 3));
    all.picture->SetGraphicData(stream);
    all.brush->SetBitmapData(test::BmpFile(2, 5));
    all.pen->SetWidth(3000);
    ASSERT_EQ(history.Count(), 3);

    EXPECT_TRUE(history.Undo());
    EXPECT_EQ(all.pen->Width(), 1000);
    EXPECT_TRUE(history.Undo());
    EXPECT_EQ(all.brush->Bitmap(), nullptr);
    EXPECT_TRUE(history.Undo());
    EXPECT_EQ(all.picture->Graphic(), nullptr);
    EXPECT_TRUE(all.picture->Empty());

    EXPECT_TRUE(history.Redo());
    EXPECT_EQ(all.picture->GraphicData(), stream);
    EXPECT_TRUE(history.Redo());
    EXPECT_EQ(all.brush->BitmapData(), test::BmpFile(2, 5));
}

TEST(GraphicPropsSave, ValuesAKindCannotTakeAreIgnored)
{
    TAllKinds all;
    TAllKinds reference;
    LoadList(all.list,
        "property Pen\r\n"
        "  Style = psWavy\r\n"
        "  Width = wide\r\n"
        "end\r\n"
        "property Font\r\n"
        "  Charset = 300\r\n"
        "  PixelsPerInch = 0\r\n"
        "  Style = [fsBold,fsShadow]\r\n"
        "end\r\n"
        "property Picture\r\n"
        "  Columns = 0\r\n"
        "  Rows = -3\r\n"
        "  Graphic = 'text'\r\n"
        "end\r\n"
        "property Background\r\n"
        "  PictureOptions = [bpEverywhere]\r\n"
        "end\r\n");
    EXPECT_EQ(SaveList(all.list, true), SaveList(reference.list, true));
}

} // namespace
} // namespace kest
