// Page backgrounds: where the picture goes for each option, and the brush
// and picture painted over the page.
#include <gtest/gtest.h>

#include "GraphicPropsTestSupport.h"
#include "KestGraphicProps.h"
#include "foundation/qt/CanvasTestSupport.h"

namespace kest {
namespace {

using test::ColorAt;
using test::GridColor;
using test::MakeCanvas;

constexpr TColor kBackground = RGBColor(1, 99, 7);

TBackgroundPictureOptions Options(std::initializer_list<TBackgroundPictureOption> options)
{
    TBackgroundPictureOptions set = 0;
    for (TBackgroundPictureOption option : options)
        set |= BackgroundOption(option);
    return set;
}

TEST(BackgroundOptionsProp, PicturePlacementForEachOption)
{
    TPictureProp picture;
    TBackgroundOptionsProp background;
    const TKestRect paint {20, 5, 120, 65};
    EXPECT_EQ(background.GetPictureRect(paint, &picture, 100), TKestRect {});
    EXPECT_EQ(background.GetPictureRect(paint, nullptr, 100), TKestRect {});
    picture.SetGraphicData(test::GraphicStream("TBitmap", test::BmpFile(30, 15)));
    background.SetWidth(50000);
    background.SetHeight(20000);
    background.SetLeft(10000);
    background.SetTop(-5000);

    struct TCase {
        const char* What;
        TBackgroundPictureOptions Options;
        int32_t Scale;
        TKestRect Expected;
    };
    for (const TCase& c : {
             TCase {"stretched", background.PictureOptions(), 250, paint},
             TCase {"centred across", Options({bpCenterHoriz}), 100, {55, 5, 85, 20}},
             TCase {"centred both, odd", Options({bpCenterHoriz, bpCenterVert}), 100, {55, 27, 85, 42}},
             TCase {"own size scaled", Options({bpScaledSize}), 200, {20, 5, 80, 35}},
             TCase {"given size", Options({bpNewWidth, bpNewHeight}), 200, {20, 5, 120, 45}},
             TCase {"given size is not scaled twice", Options({bpNewWidth, bpNewHeight, bpScaledSize}), 200,
                 {20, 5, 120, 45}},
             TCase {"aligned far", Options({bpAlignRight, bpAlignBottom}), 100, {90, 50, 120, 65}},
             TCase {"centring wins over aligning", Options({bpCenterHoriz, bpAlignRight}), 100, {55, 5, 85, 20}},
             TCase {"offset", Options({bpOffsetLeft, bpOffsetTop}), 200, {40, -5, 70, 10}},
             TCase {"offsets need a free direction", Options({bpOffsetLeft, bpOffsetTop, bpStretchHoriz}), 100,
                 {20, 0, 120, 15}},
             TCase {"wider than the page", Options({bpCenterHoriz, bpScaledSize}), 500, {-5, 5, 145, 80}},
         }) {
        background.SetPictureOptions(c.Options);
        EXPECT_EQ(background.GetPictureRect(paint, &picture, c.Scale), c.Expected) << c.What;
    }
}

TEST(BackgroundOptionsProp, PaintsTheBrushClippedToThePageThenThePicture)
{
    TPropList list;
    auto* background = list.Add<TBackgroundOptionsProp>("Background");
    auto* brush = list.Add<TBrushProp>("Brush");
    auto* picture = list.Add<TPictureProp>("Picture");
    picture->SetGraphicData(test::GraphicStream("TBitmap", test::BmpFile(2, 2)));
    picture->SetColumns(2);
    background->SetPictureOptions(Options({bpAlignRight}));
    brush->SetColor(clYellow);

    TKestCanvas canvas;
    MakeCanvas(canvas, 12, 12, kBackground);
    canvas.SetPen(TKestPen(clRed, 1));
    background->Paint(canvas, {1, 1, 11, 11}, false, 100, brush, picture);
    EXPECT_EQ(test::InkBounds(*canvas.Image(), kBackground), (TKestRect {1, 1, 11, 11}));
    EXPECT_EQ(ColorAt(*canvas.Image(), 1, 1), clYellow);
    // Frame 0 of a picture with two columns, stretched over its own size at the right.
    EXPECT_EQ(ColorAt(*canvas.Image(), 9, 1), GridColor(0, 0));
    EXPECT_EQ(ColorAt(*canvas.Image(), 10, 1), GridColor(0, 0));
    EXPECT_EQ(ColorAt(*canvas.Image(), 10, 2), GridColor(0, 1));
    EXPECT_EQ(ColorAt(*canvas.Image(), 8, 1), clYellow);
    EXPECT_EQ(canvas.Pen().Style, psClear);
    EXPECT_EQ(canvas.Pen().Mode, pmCopy);

    // A gradient square reaches a pixel past its rectangle: the page clips it.
    brush->SetMethod(bmGradient);
    brush->SetGradStyle(gsSquare);
    brush->SetGradBeginColor(clBlack);
    brush->SetGradEndColor(clWhite);
    background->SetPictureEnabled(false);
    MakeCanvas(canvas, 12, 12, kBackground);
    background->Paint(canvas, {1, 1, 11, 11}, false, 100, brush, picture);
    EXPECT_EQ(test::InkBounds(*canvas.Image(), kBackground), (TKestRect {1, 1, 11, 11}));
    EXPECT_EQ(ColorAt(*canvas.Image(), 1, 1), clBlack);
    EXPECT_FALSE(canvas.ClipRegion());

    background->SetBrushEnabled(false);
    background->SetPictureEnabled(true);
    MakeCanvas(canvas, 12, 12, kBackground);
    background->Paint(canvas, {1, 1, 11, 11}, false, 100, brush, picture);
    EXPECT_EQ(test::InkBounds(*canvas.Image(), kBackground), (TKestRect {9, 1, 11, 3}));
    background->Paint(canvas, {1, 1, 11, 11}, false, 100, nullptr, nullptr);
}

} // namespace
} // namespace kest
