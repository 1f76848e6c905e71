// Pens: the device pen built for a scale, when it is geometric, the width
// it occupies, and how it draws.
#include <gtest/gtest.h>

#include "KestGraphicProps.h"
#include "KestPropsList.h"
#include "foundation/qt/CanvasTestSupport.h"

namespace kest {
namespace {

struct TPenCase {
    const char* What;
    int32_t Width;
    int32_t Scale;
    TPenStyle Style = psSolid;
    TColor Color = clBlack;
    bool SolidAsInside = true;
    TPenEndCap EndCap = pecRound;
    TPenJoin Join = pjRound;
};

TEST(PenProp, OurSurfaceDrawsStyledGeometricPens)
{
    EXPECT_TRUE(GeometricPenSupported());
}

TEST(PenProp, DevicePensForEachScale)
{
    struct TCase {
        TPenCase Pen;
        TPenInfo Expected;
        int32_t ActiveWidth;
    };
    for (const TCase& c : {
             TCase {{"one pixel", 1000, 100}, {1, psSolid, false}, 1000},
             TCase {{"2.5 pixels round to 3, inside", 1000, 250}, {3, psInsideFrame, true}, 1000},
             TCase {{"plain wide", 3000, 100, psSolid, clBlack, false}, {3, psSolid, false}, 3000},
             TCase {{"inside frame", 3000, 100}, {3, psInsideFrame, true}, 3000},
             TCase {{"thinner than a pixel", 400, 100}, {1, psSolid, false}, 1000},
             TCase {{"no width", 0, 100}, {0, psClear, false}, 0},
             TCase {{"negative width", -2000, 100}, {0, psClear, false}, 0},
             TCase {{"no colour", 3000, 100, psSolid, clNone}, {0, psClear, false}, 0},
             TCase {{"clear", 3000, 100, psClear}, {0, psClear, false}, 0},
             TCase {{"wide dashes", 3000, 100, psDash}, {3, psDash, true}, 3000},
             TCase {{"thin dashes", 1000, 100, psDash}, {0, psDash, false}, 1000},
             TCase {{"thin dashes, flat ends", 1000, 100, psDash, clBlack, true, pecFlat}, {1, psDash, true}, 1000},
             TCase {{"thin mitred", 500, 100, psSolid, clBlack, true, pecRound, pjMiter}, {1, psSolid, true}, 500},
             TCase {{"inside frame style", 2000, 200, psInsideFrame}, {4, psInsideFrame, true}, 2000},
         }) {
        TPenProp pen;
        pen.SetWidth(c.Pen.Width);
        pen.SetStyle(c.Pen.Style);
        pen.SetColor(c.Pen.Color);
        pen.SetSolidAsInside(c.Pen.SolidAsInside);
        pen.SetEndCap(c.Pen.EndCap);
        pen.SetJoin(c.Pen.Join);
        const TPenInfo info = pen.GetPenInfo(c.Pen.Scale);
        EXPECT_EQ(info.Width, c.Expected.Width) << c.Pen.What;
        EXPECT_EQ(info.Style, c.Expected.Style) << c.Pen.What;
        EXPECT_EQ(info.Geometric, c.Expected.Geometric) << c.Pen.What;
        EXPECT_EQ(pen.ActiveWidth(), c.ActiveWidth) << c.Pen.What;
    }
}

TEST(PenProp, SetupSelectsThePenWithItsRasterMode)
{
    TPropList list;
    auto* pen = list.Add<TPenProp>("Pen");
    pen->SetColor(clRed);
    pen->SetWidth(1500);
    pen->SetMode(pmNotXor);
    pen->SetEndCap(pecSquare);
    pen->SetJoin(pjBevel);
    TKestCanvas canvas;
    pen->Setup(&canvas, 200);
    const TKestPen& selected = canvas.Pen();
    EXPECT_EQ(selected.Color, clRed);
    EXPECT_EQ(selected.Width, 3);
    EXPECT_EQ(selected.Style, psInsideFrame);
    EXPECT_EQ(selected.Mode, pmNotXor);
    EXPECT_TRUE(selected.Geometric);
    EXPECT_EQ(selected.EndCap, pecSquare);
    EXPECT_EQ(selected.Join, pjBevel);
    pen->Setup(&canvas, 100);
    EXPECT_EQ(canvas.Pen().Width, 2);
}

TEST(PenProp, WideSolidPensDrawInsideTheOutlineUnlessToldOtherwise)
{
    for (bool inside : {true, false}) {
        TPenProp pen;
        pen.SetWidth(3000);
        pen.SetSolidAsInside(inside);
        TKestCanvas canvas;
        test::MakeCanvas(canvas, 20, 20, clWhite);
        pen.Setup(&canvas, 100);
        canvas.SetBrush(TKestBrush(clWhite, bsClear));
        canvas.Rectangle({5, 5, 15, 15});
        const TKestRect ink = test::InkBounds(*canvas.Image(), clWhite);
        if (inside) {
            EXPECT_EQ(ink, (TKestRect {5, 5, 15, 15}));
        } else {
            EXPECT_LT(ink.Left, 5);
            EXPECT_GT(ink.Right, 15);
        }
        EXPECT_EQ(test::ColorAt(*canvas.Image(), 6, 10), clBlack) << inside;
        EXPECT_EQ(test::ColorAt(*canvas.Image(), 10, 10), clWhite) << inside;
    }
}

} // namespace
} // namespace kest
