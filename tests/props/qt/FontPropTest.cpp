// Fonts: sizes in points and heights in document units at 96 dpi, the
// height painted at each scale, and the font dialog kept out of headless runs.
#include <gtest/gtest.h>

#include "GraphicPropsTestSupport.h"
#include "KestGraphicProps.h"

namespace kest {
namespace {

TEST(FontProp, SizeAndDocumentHeightConvertAtTheResolution)
{
    TFontProp font;
    EXPECT_EQ(font.Name(), "Arial");
    EXPECT_EQ(font.Height(), font.Font().Height * 1000);
    font.SetSize(10000);
    EXPECT_EQ(font.Height(), -13333);
    EXPECT_EQ(font.Size(), 10000);
    EXPECT_EQ(font.Font().Height, -13);

    font.SetHeight(-20999);
    EXPECT_EQ(font.Font().Height, -20);
    EXPECT_EQ(font.Size(), 15749);
    font.SetPixelsPerInch(72);
    EXPECT_EQ(font.Size(), 20999);
    font.SetPixelsPerInch(0);
    EXPECT_EQ(font.PixelsPerInch(), 72);

    // The ends of the range do not overflow.
    font.SetPixelsPerInch(96);
    font.SetSize(-1610612736);
    EXPECT_EQ(font.Height(), INT32_MAX);
    font.SetHeight(INT32_MIN);
    EXPECT_EQ(font.Size(), 1610612736);
}

TEST(FontProp, SetupPaintsTheHeightAtTheScale)
{
    TFontProp font;
    font.SetSize(10000);
    font.SetName("Liberation Sans");
    font.SetStyle(fsItalic | fsUnderline);
    font.SetColor(clNavy);
    font.SetPitch(fpVariable);
    font.SetCharset(238);
    TKestCanvas canvas;
    font.Setup(&canvas, 200);
    TKestFont expected;
    expected.Name = "Liberation Sans";
    expected.Height = -27;
    expected.Style = fsItalic | fsUnderline;
    expected.Color = clNavy;
    expected.Pitch = fpVariable;
    expected.Charset = 238;
    EXPECT_EQ(canvas.Font(), expected);
    font.Setup(&canvas, 100);
    EXPECT_EQ(canvas.Font().Height, -13);
    // Far out, a tiny font stays tiny instead of falling back to the default size.
    font.Setup(&canvas, 3);
    EXPECT_EQ(canvas.Font().Height, -1);
    font.SetHeight(0);
    font.Setup(&canvas, 3);
    EXPECT_EQ(canvas.Font().Height, 0);
}

TEST(FontProp, SubPropertiesTakeOnlyWhatFits)
{
    TPropList list;
    auto* font = list.Add<TFontProp>("Font");
    int changes = 0;
    list.OnPropChanged = [&](TPropList*, TCustomProp*) { ++changes; };
    font->SetCharset(256);
    font->SetCharset(-1);
    EXPECT_EQ(font->Charset(), 1);
    font->SetName("");
    test::LoadList(list, "property Font\r\n  Name = \r\nend\r\n");
    EXPECT_EQ(font->Name(), "Arial");
    font->SetStyle(0xFF);
    EXPECT_EQ(font->Style(), fsBold | fsItalic | fsUnderline | fsStrikeOut);
    font->SetPropValue("Pitch", TPropValue(std::string("FPFIXED")));
    EXPECT_EQ(font->Pitch(), fpFixed);
    font->SetPropValue("Size", TPropValue(std::string("12000")));
    EXPECT_EQ(font->Height(), -16000);
    EXPECT_EQ(changes, 3);
    font->SetSize(12000);
    EXPECT_EQ(changes, 3);
}

TEST(FontProp, EditNeedsAProgramWithWidgetsOnAScreen)
{
    // The tests run offscreen: no dialog may open.
    TPropList list;
    auto* font = list.Add<TFontProp>("Font");
    EXPECT_FALSE(font->Edit());
    EXPECT_EQ(font->Name(), "Arial");
}

} // namespace
} // namespace kest
