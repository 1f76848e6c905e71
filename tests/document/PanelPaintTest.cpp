// The window's picture: background, document frame and shadow, space fill,
// stretched scheme background, clipping to the document, the paint events,
// the back buffer, invalidation by control and the frozen picture of panning.
#include <gtest/gtest.h>

#include <QScrollBar>

#include "support/DocTestSupport.h"
#include "support/PanelWindowSupport.h"

namespace kest::doctest {
namespace {

constexpr TColor kSchemeColor = 0x00E0FF; // the scheme's background, unlike any other colour here

// A 320 x 240 document centred in a 640 x 480 window: the document covers
// (160, 120)-(480, 360).
struct TWindowFixture : TPanelFixture {
    TWindowFixture()
    {
        static_cast<TKestScheme*>(Scheme())->Brush().SetColor(kSchemeColor);
        ShowClient(panel, 640, 480);
    }
    TColor Window() const { return ColorToRGB(clWindow) & 0xFFFFFF; }
};

TEST(PanelPaintTest, FrameAndShadowSurroundTheCentredDocument)
{
    TWindowFixture f;
    ASSERT_EQ(f.panel.OriginX(), -160);
    const QImage image = GrabClient(f.panel);
    EXPECT_EQ(PixelAt(image, 300, 200), kSchemeColor);
    EXPECT_EQ(PixelAt(image, 160, 120), kSchemeColor);
    EXPECT_EQ(PixelAt(image, 479, 359), kSchemeColor);
    // The frame is one pixel outside the document on every side.
    for (auto [x, y] : {std::pair {159, 200}, {480, 200}, {300, 119}, {300, 360}, {159, 119}, {480, 360}})
        EXPECT_EQ(PixelAt(image, x, y), clBlack) << x << "," << y;
    // The shadow: 5 pixels at the right and bottom, starting 5 pixels in.
    for (auto [x, y] : {std::pair {481, 125}, {485, 200}, {485, 365}, {165, 361}, {300, 365}})
        EXPECT_EQ(PixelAt(image, x, y), clGray) << x << "," << y;
    for (auto [x, y] : {std::pair {481, 124}, {486, 200}, {164, 361}, {300, 366}, {50, 50}, {158, 200}})
        EXPECT_EQ(PixelAt(image, x, y), f.Window()) << x << "," << y;

    // Without colours nothing is drawn.
    f.panel.SetDocFrameColor(clNone);
    f.panel.SetDocShadowColor(clNone);
    const QImage bare = GrabClient(f.panel);
    EXPECT_EQ(PixelAt(bare, 159, 200), f.Window());
    EXPECT_EQ(PixelAt(bare, 483, 200), f.Window());
}

TEST(PanelPaintTest, FrameShowsOnlyWhereTheDocumentDoesNotFillTheWindow)
{
    TWindowFixture f;
    f.panel.SetScale(400); // 1280 x 960 pixels, the window is filled
    ASSERT_GE(f.panel.OriginX(), 0);
    f.panel.horizontalScrollBar()->setValue(f.panel.horizontalScrollBar()->maximum());
    TBox* box = f.AddBox({310000, 100000, 320000, 110000});
    box->SetColor(clBlue);
    QImage image = GrabClient(f.panel);
    const int right = f.panel.ClientWidth() - 1;
    EXPECT_EQ(PixelAt(image, right, f.panel.TransformPoint({0, 105000}).Y), clBlue);

    // With extra space the frame shows beyond the document's right edge.
    f.panel.SetHorzExtraSpace(20);
    f.panel.horizontalScrollBar()->setValue(f.panel.horizontalScrollBar()->maximum());
    image = GrabClient(f.panel);
    const TKestPoint edge = f.panel.TransformPoint({320000, 20000});
    ASSERT_EQ(edge.X, f.panel.ClientWidth() - 20);
    EXPECT_EQ(PixelAt(image, edge.X, edge.Y), clBlack);
    EXPECT_EQ(PixelAt(image, edge.X + 2, edge.Y), clGray);
}

TEST(PanelPaintTest, PartOfTheWindowPaintsAsTheWholeDoes)
{
    TWindowFixture f;
    TBox* box = f.AddBox({300000, 100000, 320000, 140000});
    box->SetColor(clBlue);
    const QImage whole = GrabClient(f.panel);
    // A piece right of the document, below its top: its own top-left lies
    // inside the document's area, but the frame still belongs there.
    const QRect part(440, 150, 60, 100);
    QImage image(part.size(), QImage::Format_ARGB32);
    image.fill(Qt::magenta);
    f.panel.viewport()->render(&image, QPoint(), QRegion(part));
    for (int y = 0; y < part.height(); ++y)
        for (int x = 0; x < part.width(); ++x)
            ASSERT_EQ(PixelAt(image, x, y), PixelAt(whole, part.left() + x, part.top() + y)) << x << "," << y;
    EXPECT_EQ(PixelAt(image, 480 - part.left(), 10), clBlack);
    EXPECT_EQ(PixelAt(image, 470 - part.left(), 240 - part.top()), clBlue);
}

TEST(PanelPaintTest, SpaceFillLeavesFrameShadowAndDocument)
{
    TWindowFixture f;
    f.panel.SetDocSpaceBrush(TKestBrush(clRed, bsSolid));
    f.panel.SetDocSpaceFill(true);
    const QImage image = GrabClient(f.panel);
    for (auto [x, y] : {std::pair {50, 50}, {158, 200}, {300, 118}, {600, 400}, {300, 470}, {483, 122}, {162, 363}})
        EXPECT_EQ(PixelAt(image, x, y), clRed) << x << "," << y;
    EXPECT_EQ(PixelAt(image, 159, 200), clBlack);
    EXPECT_EQ(PixelAt(image, 483, 200), clGray);
    EXPECT_EQ(PixelAt(image, 300, 200), kSchemeColor);
    EXPECT_EQ(PixelAt(image, 160, 120), kSchemeColor);

    // The default brush hatches the space in the button colour.
    f.panel.SetDocSpaceBrush(TKestBrush(clBtnFace, bsBDiagonal));
    const QImage hatched = GrabClient(f.panel);
    int hatch = 0;
    for (int x = 0; x < 100; ++x)
        hatch += PixelAt(hatched, x, 50) == (ColorToRGB(clBtnFace) & 0xFFFFFF);
    EXPECT_GT(hatch, 5);
    EXPECT_LT(hatch, 95);
}

TEST(PanelPaintTest, StretchedSchemeBackgroundCoversTheWindowWithoutFrame)
{
    TWindowFixture f;
    f.panel.SetSchemeBkStretch(true);
    const QImage image = GrabClient(f.panel);
    for (auto [x, y] : {std::pair {0, 0}, {50, 50}, {159, 200}, {483, 200}, {639, 479}, {300, 200}})
        EXPECT_EQ(PixelAt(image, x, y), kSchemeColor) << x << "," << y;
}

// Where the scheme's own background hides the window background the panel
// leaves that fill out; the picture must stay what it is with the fill,
// also over a back buffer that still holds another picture.
TEST(PanelPaintTest, SchemeBackgroundOverTheWindowPaintsAsWithTheWindowFilled)
{
    TWindowFixture f;
    f.AddBox({100000, 100000, 200000, 200000})->SetColor(clBlue);
    auto& scheme = *static_cast<TKestScheme*>(f.Scheme());
    const auto compare = [&](const char* what) {
        SCOPED_TRACE(what);
        f.panel.OnPaintOver = [](TKestCanvas* canvas, TKestControl*, bool, bool) {
            canvas->SetBrush(TKestBrush(clFuchsia, bsSolid));
            canvas->FillRect({-5000, -5000, 5000, 5000});
        };
        GrabClient(f.panel);
        f.panel.OnPaintOver = nullptr;
        const QImage image = GrabClient(f.panel);
        // A scheme handler, even one doing nothing, keeps the fill.
        f.panel.OnPaintScheme = [](TKestCanvas*, TKestControl*, bool, bool) {};
        const QImage filled = GrabClient(f.panel);
        f.panel.OnPaintScheme = nullptr;
        EXPECT_EQ(image, filled);
        return image;
    };
    f.panel.SetSchemeBkStretch(true);
    QImage image = compare("stretched");
    EXPECT_EQ(PixelAt(image, 0, 0), kSchemeColor);
    EXPECT_EQ(PixelAt(image, 160 + 150, 120 + 150), clBlue);
    f.panel.SetDocClipping(true);
    image = compare("stretched, clipped to the document");
    EXPECT_EQ(PixelAt(image, 0, 0), f.Window());
    EXPECT_EQ(PixelAt(image, 160, 120), kSchemeColor);
    f.panel.SetDocClipping(false);

    scheme.Brush().SetStyle(bsCross);
    image = compare("hatched");
    EXPECT_EQ(PixelAt(image, 1, 1), f.Window());
    scheme.Brush().SetStyle(bsSolid);
    scheme.Brush().SetMethod(bmGradient);
    compare("gradient");
    scheme.Brush().SetMethod(bmHatch);
    scheme.Background().SetBrushEnabled(false);
    image = compare("without brush");
    EXPECT_EQ(PixelAt(image, 300, 200), f.Window());
    scheme.Background().SetBrushEnabled(true);
    f.panel.SetSchemeBkStretch(false);

    compare("document inside the window");
    f.panel.SetScale(400);
    image = compare("document over the window");
    EXPECT_EQ(PixelAt(image, 0, 0), kSchemeColor);
}

// Off screen the document's own area decides, to the pixel: a paint
// rectangle one pixel larger gets the window background there.
TEST(PanelPaintTest, PaintToFillsTheWindowBackgroundJustBeyondTheDocument)
{
    TWindowFixture f;
    f.panel.SetShowDocFrame(false);
    const TKestRect doc {5, 5, 325, 245}; // where the document is painted
    for (const TKestRect& paintRect : {doc, TKestRect {4, 5, 325, 245}, TKestRect {5, 4, 325, 245},
             TKestRect {5, 5, 326, 245}, TKestRect {5, 5, 325, 246}}) {
        QImage image(340, 260, QImage::Format_RGB32);
        image.fill(Qt::magenta);
        TKestCanvas canvas;
        ASSERT_TRUE(canvas.Attach(&image));
        f.panel.PaintTo(canvas, paintRect, true, false, false, false, false, nullptr, f.panel.Scale(),
            {paintRect.Left - doc.Left, paintRect.Top - doc.Top});
        canvas.Detach();
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const bool inDoc = x >= doc.Left && x < doc.Right && y >= doc.Top && y < doc.Bottom;
                const bool painted = x >= paintRect.Left && x < paintRect.Right && y >= paintRect.Top
                    && y < paintRect.Bottom;
                const TColor expected = inDoc ? kSchemeColor : painted ? f.Window() : TColor(clFuchsia);
                ASSERT_EQ(PixelAt(image, x, y), expected) << x << "," << y;
            }
    }
}

TEST(PanelPaintTest, DocClippingKeepsShapesInsideTheDocument)
{
    TWindowFixture f;
    TBox* box = f.AddBox({300000, 100000, 360000, 140000}); // 40 pixels past the right edge
    box->SetColor(clBlue);
    EXPECT_EQ(PixelAt(GrabClient(f.panel), 490, 240), clBlue);
    f.panel.SetDocClipping(true);
    const QImage image = GrabClient(f.panel);
    EXPECT_EQ(PixelAt(image, 490, 240), f.Window());
    EXPECT_EQ(PixelAt(image, 470, 240), clBlue);
    EXPECT_EQ(PixelAt(image, 480, 200), clBlack); // the frame stays
}

TEST(PanelPaintTest, PaintEventsAndOverlaysComeInOrder)
{
    TWindowFixture f;
    TBox* box = f.AddBox({100000, 100000, 200000, 200000});
    box->SetColor(clBlue);
    std::vector<std::string> order;
    f.panel.OnPaintScheme
        = [&](TKestCanvas*, TKestControl* control, bool, bool) { order.push_back(control ? "scheme-self" : "scheme"); };
    f.panel.OnPaintOver = [&](TKestCanvas* canvas, TKestControl*, bool, bool) {
        order.push_back("over");
        // Drawn over the shapes, in the paint's own coordinates.
        const TKestPoint at = f.panel.TransformPoint({150000, 150000});
        canvas->SetBrush(TKestBrush(clRed, bsSolid));
        canvas->FillRect({at.X, at.Y, at.X + 10, at.Y + 10});
    };
    const QImage image = GrabClient(f.panel);
    EXPECT_EQ(order, (std::vector<std::string> {"scheme", "scheme-self", "over"}));
    EXPECT_EQ(PixelAt(image, 160 + 152, 120 + 152), clRed);
    EXPECT_EQ(PixelAt(image, 160 + 140, 120 + 140), clBlue);
}

TEST(PanelPaintTest, BackBufferOnlyGrows)
{
    TWindowFixture f;
    GrabClient(f.panel);
    EXPECT_EQ(f.panel.BackBuffer().size(), QSize(640, 480));
    const uchar* bits = f.panel.BackBuffer().constBits();
    QImage target(640, 480, QImage::Format_ARGB32);
    f.panel.viewport()->render(&target, QPoint(), QRegion(10, 10, 100, 100));
    f.panel.viewport()->render(&target, QPoint(), QRegion(300, 10, 300, 50));
    EXPECT_EQ(f.panel.BackBuffer().constBits(), bits);

    ShowClient(f.panel, 800, 600);
    GrabClient(f.panel);
    EXPECT_EQ(f.panel.BackBuffer().size(), QSize(800, 600));
    bits = f.panel.BackBuffer().constBits();
    ShowClient(f.panel, 330, 700);
    GrabClient(f.panel);
    EXPECT_EQ(f.panel.BackBuffer().size(), QSize(800, 700));
    bits = f.panel.BackBuffer().constBits();
    ShowClient(f.panel, 200, 100);
    GrabClient(f.panel);
    EXPECT_EQ(f.panel.BackBuffer().size(), QSize(800, 700));
    EXPECT_EQ(f.panel.BackBuffer().constBits(), bits);
}

TEST(PanelPaintTest, ChangingOneControlRepaintsOnlyItsRefreshRectangle)
{
    TWindowFixture f;
    TBox* door = f.AddBox({100000, 50000, 140000, 110000}); // (260, 170)-(300, 230) in the window
    TBox* other = f.AddBox({200000, 150000, 260000, 200000});
    TPaintRecorder recorder(f.panel);
    recorder.Take();

    door->SetColor(clBlue);
    const QRegion painted = recorder.Take();
    ASSERT_FALSE(painted.isEmpty());
    const TKestRect doc = door->DocRect();
    const TKestRect expected = f.panel.TransformRect(door->GetRefreshRect(doc.Left, doc.Top));
    EXPECT_EQ(painted.boundingRect(), QRect(expected.Left, expected.Top, RectWidth(expected), RectHeight(expected)));
    EXPECT_TRUE(painted.contains(QPoint(280, 200)));
    EXPECT_FALSE(painted.intersects(QRect(360, 270, 60, 50))); // the other box
    EXPECT_EQ(PixelAt(GrabClient(f.panel), 280, 200), clBlue);

    // Moving it repaints where it was and where it goes.
    recorder.Take();
    door->SetLeft(160000);
    const QRegion moved = recorder.Take();
    EXPECT_TRUE(moved.contains(QPoint(262, 200)));
    EXPECT_TRUE(moved.contains(QPoint(338, 200)));
    EXPECT_FALSE(moved.contains(QPoint(50, 50)));

    // A control of a scheme not shown repaints nothing.
    auto* hidden = TKestControl::Create<TKestScheme>(&f.panel, f.panel.Schemes());
    TBox* elsewhere = f.AddBox({0, 0, 10000, 10000}, hidden);
    recorder.Take();
    elsewhere->SetColor(clRed);
    EXPECT_TRUE(recorder.Take().isEmpty());

    // Panel properties repaint the whole window.
    f.panel.SetDocShadowColor(clRed);
    EXPECT_TRUE(recorder.Take().contains(QRect(0, 0, 640, 480)));
    (void)other;
}

// While panning with a frozen picture the window shows the document as it
// was when panning started, moved with the scrolling.
TEST(PanelPaintTest, FrozenPanShowsThePictureOfThePanStart)
{
    for (const bool fullDoc : {false, true}) {
        SCOPED_TRACE(fullDoc ? "whole document" : "window");
        TPanelFixture f;
        ShowClient(f.panel, 200, 150);
        f.panel.horizontalScrollBar()->setValue(0);
        f.panel.verticalScrollBar()->setValue(0);
        TBox* near = f.AddBox({20000, 20000, 40000, 40000});
        TBox* far = f.AddBox({260000, 20000, 280000, 40000}); // off the window at first
        near->SetColor(clBlue);
        far->SetColor(clBlue);
        f.panel.SetFrostPan(true);
        f.panel.SetFrostPanFullDoc(fullDoc);
        f.panel.BeginPanning();
        f.panel.SetFrostPan(false); // ignored while panning
        EXPECT_TRUE(f.panel.FrostPan());
        near->SetColor(clRed);
        far->SetColor(clRed);

        f.panel.horizontalScrollBar()->setValue(100);
        QImage image = GrabClient(f.panel);
        const int nearX = f.panel.TransformPoint({30000, 0}).X, farX = f.panel.TransformPoint({270000, 0}).X;
        ASSERT_EQ(nearX, 30 - 100);
        ASSERT_EQ(farX, 270 - 100);
        EXPECT_EQ(PixelAt(image, farX, 30), fullDoc ? clBlue : ColorToRGB(clWindow) & 0xFFFFFF);
        f.panel.horizontalScrollBar()->setValue(10);
        image = GrabClient(f.panel);
        EXPECT_EQ(PixelAt(image, 30 - 10, 30), clBlue);

        f.panel.EndPanning();
        image = GrabClient(f.panel);
        EXPECT_EQ(PixelAt(image, 30 - 10, 30), clRed);
        f.panel.SetFrostPan(false);
        EXPECT_FALSE(f.panel.FrostPan());
    }
}

} // namespace
} // namespace kest::doctest
