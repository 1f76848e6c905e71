// Containers and service objects: layers and the active layer, groups
// fitting their children, schemes and the document root, paint order and
// hit testing by layer, transparency, clones and the grid.
#include <gtest/gtest.h>

#include "KestCanvas.h"
#include "support/DocTestSupport.h"

namespace kest::doctest {
namespace {

// The document painted as the window would, into an image of its own.
struct TPainted {
    TKestCanvas canvas;
    explicit TPainted(TKestPanel& panel, int32_t width = 320, int32_t height = 240, bool plain = false)
    {
        canvas.SetSize(width, height);
        panel.PaintTo(canvas, {0, 0, width, height}, false, plain, false, false, true, nullptr, panel.Scale(), {0, 0});
    }
    TColor At(int32_t x, int32_t y) const { return QRgbToColor(canvas.Image()->pixel(x, y)); }
};

bool Near(TColor a, TColor b, int tolerance = 2)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance
        && std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

TEST(ContainersTest, DeletingTheActiveLayerActivatesItsNeighbour)
{
    TPanelFixture f;
    TKestLayers* layers = f.panel.Layers();
    TKestLayer* first = f.Layer();
    TKestLayer* second = layers->NewLayer();
    TKestLayer* third = layers->NewLayer();
    EXPECT_EQ(f.panel.ActiveLayer(), first);
    TNotifyLog log(f.panel);

    f.panel.SetActiveLayer(third);
    third->Free();
    EXPECT_EQ(f.panel.ActiveLayer(), second);
    f.panel.SetActiveLayer(first);
    first->Free();
    EXPECT_EQ(f.panel.ActiveLayer(), second);
    second->Free();
    EXPECT_EQ(f.panel.ActiveLayer(), nullptr);
    EXPECT_GE(log.Count(knLayers), 3);
    // A new layer in an empty list becomes active.
    TKestLayer* fresh = layers->NewLayer();
    EXPECT_EQ(f.panel.ActiveLayer(), fresh);
    EXPECT_EQ(fresh->Name(), "Layer1");
}

TEST(ContainersTest, RootsTakeOnlyTheirOwnKind)
{
    TPanelFixture f;
    TBox* box = f.AddBox({0, 0, 10, 10});
    EXPECT_EQ(f.panel.Layers()->AddChild(box), -1);
    EXPECT_EQ(f.panel.Schemes()->AddChild(box), -1);
    EXPECT_EQ(box->Parent(), f.Scheme());
    EXPECT_EQ(f.panel.Schemes()->AddChild(f.Layer()), -1);
}

TEST(ContainersTest, DeletingALayerDeletesWhatLiesOnIt)
{
    TPanelFixture f;
    TKestLayer* second = f.panel.Layers()->NewLayer();
    TKestScheme* other = TKestControl::Create<TKestScheme>(&f.panel, f.panel.Schemes());
    TBox* keep = f.AddBox({0, 0, 10, 10});
    TBox* gone1 = TKestControl::Create<TBox>(&f.panel, f.Scheme(), second);
    TBox* gone2 = TKestControl::Create<TBox>(&f.panel, other, second);
    const int32_t id1 = gone1->ID(), id2 = gone2->ID();
    second->Free();
    EXPECT_EQ(f.Scheme()->Count(), 1);
    EXPECT_EQ(f.Scheme()->Controls(0), keep);
    EXPECT_EQ(other->Count(), 0);
    EXPECT_EQ(f.panel.FindControlById(id1), nullptr);
    EXPECT_EQ(f.panel.FindControlById(id2), nullptr);
}

TEST(ContainersTest, GroupFitsItsChildren)
{
    TPanelFixture f;
    auto* group = TKestControl::Create<TKestGroup>(&f.panel, f.Scheme(), f.Layer());
    group->BeginOperation();
    TBox* a = f.AddBox({10000, 20000, 30000, 40000}, group);
    TBox* b = f.AddBox({30000, 40000, 50000, 60000}, group);
    EXPECT_TRUE(group->RealignPending());
    group->EndOperation();

    EXPECT_EQ(group->DocRect(), (TKestRect {10000, 20000, 50000, 60000}));
    EXPECT_EQ(a->Left(), 0);
    EXPECT_EQ(a->Top(), 0);
    EXPECT_EQ(b->Left(), 20000);
    EXPECT_EQ(b->Top(), 20000);
    EXPECT_EQ(a->DocRect(), (TKestRect {10000, 20000, 30000, 40000}));

    // A moved child makes the group fit again, children keep their places.
    b->SetDocRect({60000, 40000, 70000, 50000});
    EXPECT_EQ(group->DocRect(), (TKestRect {10000, 20000, 70000, 50000}));
    EXPECT_EQ(b->DocRect(), (TKestRect {60000, 40000, 70000, 50000}));

    // Moving the group moves its children; resizing it scales them.
    group->SetLeft(0);
    EXPECT_EQ(a->DocRect(), (TKestRect {0, 20000, 20000, 40000}));
    group->SetWidth(120000);
    EXPECT_EQ(a->DocRect(), (TKestRect {0, 20000, 40000, 40000}));
    EXPECT_EQ(b->DocRect(), (TKestRect {100000, 40000, 120000, 50000}));
    EXPECT_FALSE(group->HasState(csResizing));

    // Hit testing asks the children.
    EXPECT_TRUE(group->IsPointInside(10, 30));
    EXPECT_FALSE(group->IsPointInside(60, 45));
}

TEST(ContainersTest, SchemePaintsAndHitsLayerByLayer)
{
    TPanelFixture f;
    TKestLayer* layer1 = f.Layer();
    TKestLayer* layer2 = f.panel.Layers()->NewLayer();
    TBox* top = TKestControl::Create<TBox>(&f.panel, f.Scheme(), layer2);
    top->SetDocRect({10000, 10000, 50000, 50000});
    TBox* bottom = TKestControl::Create<TBox>(&f.panel, f.Scheme(), layer1);
    bottom->SetDocRect({30000, 30000, 70000, 70000});
    bottom->SetColor(clBlue);

    TPaintOrder order;
    ASSERT_TRUE(BuildPaintOrder(f.Scheme(), order));
    std::vector<TKestControl*> painted;
    order.ForEachBottomUp([&](TKestControl* c) { painted.push_back(c); });
    EXPECT_EQ(painted, (std::vector<TKestControl*> {bottom, top}));
    EXPECT_EQ(order.LayerRefs[0].First, 1);
    EXPECT_EQ(order.LayerRefs[1].Last, 0);

    TPainted image(f.panel);
    EXPECT_EQ(image.At(40, 40), clRed);
    EXPECT_EQ(image.At(60, 60), clBlue);
    EXPECT_EQ(image.At(5, 5), clWhite);
    EXPECT_EQ(f.Scheme()->FindControlAtPoint(40, 40), top);
    EXPECT_EQ(f.Scheme()->FindControlAtPoint(60, 60), bottom);

    // A hidden layer is neither drawn nor hit; an unselectable one is not hit.
    layer2->SetVisible(false);
    TPainted hidden(f.panel);
    EXPECT_EQ(hidden.At(40, 40), clBlue);
    EXPECT_EQ(hidden.At(20, 20), clWhite);
    EXPECT_EQ(f.Scheme()->FindControlAtPoint(40, 40), bottom);
    layer2->SetVisible(true);
    layer2->SetSelectable(false);
    EXPECT_EQ(f.Scheme()->FindControlAtPoint(40, 40), bottom);
    // A control without a layer has no place.
    top->SetLayer(nullptr);
    ASSERT_TRUE(BuildPaintOrder(f.Scheme(), order));
    EXPECT_EQ(order.LayerRefs[1].First, -1);
}

TEST(ContainersTest, TransparencyOfControlAndLayerCombine)
{
    TPanelFixture f;
    TBox* box = f.AddBox({10000, 10000, 50000, 50000});
    box->SetTransparency(50);
    f.Layer()->SetTransparency(50);
    // (100 - 50) * 50 / 100 + 50 = 75: a quarter of the red over white.
    TPainted image(f.panel);
    EXPECT_TRUE(Near(image.At(30, 30), RGBColor(255, 192, 192), 3)) << std::hex << image.At(30, 30);
    // Plain output paints opaquely.
    TPainted plain(f.panel, 320, 240, true);
    EXPECT_EQ(plain.At(30, 30), clRed);
    // Transparency 0 on the control leaves the layer's own.
    box->SetTransparency(0);
    TPainted layerOnly(f.panel);
    EXPECT_TRUE(Near(layerOnly.At(30, 30), RGBColor(255, 128, 128), 3)) << std::hex << layerOnly.At(30, 30);
}

TEST(ContainersTest, NestedTransparentControlsBlendInTurn)
{
    TPanelFixture f;
    TBox* outer = f.AddBox({10000, 10000, 90000, 90000});
    outer->SetColor(clBlue);
    outer->SetTransparency(50);
    TBox* inner = TKestControl::Create<TBox>(&f.panel, outer, f.Layer());
    inner->SetDocRect({20000, 20000, 40000, 40000});
    inner->SetTransparency(50);
    TPainted image(f.panel);
    // The inner red at half over the blue, the two at half over white.
    EXPECT_TRUE(Near(image.At(30, 30), RGBColor(191, 128, 191), 4)) << std::hex << image.At(30, 30);
    EXPECT_TRUE(Near(image.At(60, 60), RGBColor(128, 128, 255), 3)) << std::hex << image.At(60, 60);
}

TEST(ContainersTest, CloneFollowsItsSource)
{
    TPanelFixture f;
    TBox* source = f.AddBox({0, 0, 30000, 20000});
    source->SetColor(clGreen);
    auto* clone = TKestControl::Create<TKestClone>(&f.panel, f.Scheme(), f.Layer());
    clone->SetDocRect({100000, 100000, 100001, 100001});
    clone->SetSource(source);
    EXPECT_EQ(clone->Width(), 30000);
    EXPECT_EQ(clone->Height(), 20000);
    EXPECT_TRUE(clone->SizeLocked());
    clone->SetWidth(5000);
    EXPECT_EQ(clone->Width(), 30000);
    source->SetWidth(40000);
    EXPECT_EQ(clone->Width(), 40000);

    TPainted image(f.panel);
    EXPECT_EQ(image.At(120, 110), clGreen);
    EXPECT_EQ(image.At(145, 110), clWhite);

    // Without AutoSize the size is free and the source is stretched into it.
    clone->SetAutoSize(false);
    EXPECT_FALSE(clone->SizeLocked());
    clone->SetWidth(80000);
    TPainted stretched(f.panel);
    EXPECT_EQ(stretched.At(175, 110), clGreen);
    EXPECT_EQ(stretched.At(185, 110), clWhite);

    // A clone does not repeat another clone.
    auto* second = TKestControl::Create<TKestClone>(&f.panel, f.Scheme(), f.Layer());
    second->SetSource(clone);
    EXPECT_EQ(second->Source(), nullptr);

    // What it saves: the source, and AutoSize only when off.
    const std::string text = SaveText(f.panel);
    EXPECT_NE(text.find("Source = \\" + std::to_string(source->ID()) + ":Box\r\n"), std::string::npos);
    EXPECT_NE(text.find("AutoSize = False"), std::string::npos);

    // The size follows the source even on a layer that allows no resizing.
    clone->SetAutoSize(true);
    source->SetLayer(f.panel.Layers()->NewLayer());
    f.Layer()->SetResizable(false);
    source->SetWidth(25000);
    EXPECT_EQ(clone->Width(), 25000);
    clone->SetAutoSize(false);
    clone->SetWidth(5000);
    EXPECT_EQ(clone->Width(), 25000);
}

TEST(ContainersTest, CloneInsideItsOwnSourceStopsPainting)
{
    TPanelFixture f;
    auto* group = TKestControl::Create<TKestGroup>(&f.panel, f.Scheme(), f.Layer());
    TBox* box = f.AddBox({0, 0, 20000, 20000}, group);
    auto* clone = TKestControl::Create<TKestClone>(&f.panel, group, f.Layer());
    clone->SetSource(group);
    clone->SetDocRect({30000, 0, 50000, 20000});
    EXPECT_NO_THROW(clone->GetRefreshRect(0, 0));
    TPainted image(f.panel);
    EXPECT_EQ(image.At(10, 10), clRed);
    (void)box;
}

TEST(ContainersTest, GridStepDoublesUntilFourPixels)
{
    EXPECT_DOUBLE_EQ(GridStep(1000, 100), 4.0);
    EXPECT_DOUBLE_EQ(GridStep(10000, 100), 10.0);
    EXPECT_DOUBLE_EQ(GridStep(10000, 10), 4.0);
    EXPECT_DOUBLE_EQ(GridStep(3000, 100), 6.0);
    EXPECT_DOUBLE_EQ(GridStep(0, 100), 0.0);

    TPanelFixture f;
    TKestGrid* grid = f.panel.Grid();
    grid->SetGridColor(0x1FFFFFFF);
    grid->SetShowPixGrid(true);
    f.panel.SetShowGrid(true);
    f.panel.SetScale(400);
    TPainted image(f.panel, 40, 40);
    EXPECT_EQ(image.At(0, 20), grid->GridPixColor());
    EXPECT_EQ(image.At(4, 21), grid->GridPixColor());
    EXPECT_EQ(image.At(2, 22), clWhite);
    // Below 400 % there are no pixel lines; the dots follow the grid.
    f.panel.SetScale(300);
    grid->SetGridColor(clBlack);
    grid->SetGridHorizSize(1000);
    grid->SetGridVertSize(1000);
    TPainted dots(f.panel, 40, 40);
    EXPECT_EQ(dots.At(0, 0), clBlack);
    EXPECT_EQ(dots.At(6, 6), clBlack);
    EXPECT_EQ(dots.At(3, 3), clWhite);
    EXPECT_EQ(dots.At(6, 5), clWhite);
}

TEST(ContainersTest, SnappingCorrectsTheNearestEdge)
{
    TPanelFixture f;
    TKestGrid* grid = f.panel.Grid();
    ASSERT_EQ(grid->GridHorizSize(), 10000);
    TKestPoint delta {1000, 1000};
    // Left and top 3000 + 1000 snap to 0; the right edge is not considered.
    grid->DoSnap({3000, 3000, 19500, 9000}, delta);
    EXPECT_EQ(delta, (TKestPoint {-3000, -3000}));

    // With every edge the nearest wins: the right one at 20500, the bottom at 10000.
    delta = {1000, 1000};
    grid->SetSnapStyle(SnapBit(snAll));
    grid->DoSnap({3000, 3000, 19500, 9000}, delta);
    EXPECT_EQ(delta, (TKestPoint {500, 1000}));

    // Resizing by the right handle moves and tries the right edge only.
    delta = {200, 0};
    grid->SetSnapStyle(SnapBit(snLeft) | SnapBit(snRight));
    grid->DoSnap({3000, 4000, 19500, 9000}, delta, 5);
    EXPECT_EQ(delta, (TKestPoint {500, 0}));

    // A centre on the grid.
    delta = {0, 0};
    grid->SetSnapStyle(SnapBit(snCenter));
    grid->DoSnap({4000, 0, 12000, 20000}, delta);
    EXPECT_EQ(delta, (TKestPoint {2000, 0}));
}

TEST(ContainersTest, SchemesKeepOneDefaultAndUniqueNames)
{
    TPanelFixture f;
    auto* first = static_cast<TKestScheme*>(f.Scheme());
    EXPECT_TRUE(first->IsDefault());
    auto* second = TKestControl::Create<TKestScheme>(&f.panel, f.panel.Schemes());
    EXPECT_EQ(second->Name(), "Scheme2");
    EXPECT_FALSE(second->IsDefault());
    second->SetDefault(true);
    EXPECT_FALSE(first->IsDefault());
    second->SetDefault(false);
    EXPECT_TRUE(second->IsDefault());

    second->SetName("Scheme1");
    EXPECT_EQ(second->Name(), "Scheme2");
    second->SetName("");
    EXPECT_EQ(second->Name(), "Scheme2");
    second->SetName("Hall");
    EXPECT_EQ(second->Name(), "Hall");

    TKestLayer* layer2 = f.panel.Layers()->NewLayer();
    layer2->SetName("Layer1");
    EXPECT_EQ(layer2->Name(), "Layer2");

    // Deleting a scheme clears the references to it.
    TBox* box = f.AddBox({0, 0, 10, 10});
    box->SetReference(second);
    f.panel.SetActiveScheme(second);
    second->Free();
    EXPECT_EQ(box->Reference(), nullptr);
    EXPECT_EQ(f.panel.ActiveScheme(), first);
}

TEST(ContainersTest, SchemePaintsItsBackgroundBrush)
{
    TPanelFixture f;
    auto* scheme = static_cast<TKestScheme*>(f.Scheme());
    EXPECT_EQ(TPainted(f.panel).At(100, 100), clWhite);
    EXPECT_EQ(SaveText(f.panel).find("Color ="), std::string::npos);
    scheme->Brush().SetColor(clYellow);
    TPainted image(f.panel, 330, 250);
    EXPECT_EQ(image.At(100, 100), clYellow);
    EXPECT_EQ(image.At(319, 239), clYellow);
    // The frame around the document, the window background beyond it.
    EXPECT_EQ(image.At(320, 100), clBlack);
    EXPECT_EQ(image.At(322, 2), ColorToRGB(clWindow));
    EXPECT_NE(SaveText(f.panel).find("    property Brush\r\n      Color = " + std::to_string(clYellow) + "\r\n"),
        std::string::npos);
    // In plain output only the document is painted: no frame, no window.
    TPainted plain(f.panel, 330, 250, true);
    EXPECT_EQ(plain.At(100, 100), clYellow);
    EXPECT_EQ(plain.canvas.Image()->pixel(320, 100), 0u);
}

TEST(ContainersTest, DocumentRootMirrorsThePanel)
{
    TPanelFixture f;
    TKestSchemes* root = f.panel.Schemes();
    EXPECT_EQ(root->Name(), "Document");
    EXPECT_EQ(root->ID(), 1);
    root->SetWidth(500000);
    EXPECT_EQ(f.panel.DocWidth(), 500000);
    f.panel.SetDocHeight(123000);
    EXPECT_EQ(root->Height(), 123000);
    EXPECT_EQ(f.Scheme()->Width(), 500000);

    root->SetConnectorsMinGap(0);
    EXPECT_EQ(root->ConnectorsMinGap(), 1);
    EXPECT_EQ(f.panel.ConnectorsMinGap(), 1);
    f.panel.SetConnectorsMinGap(-4);
    EXPECT_EQ(f.panel.ConnectorsMinGap(), 1);
    f.panel.SetConnectorsMinGap(9000);
    EXPECT_EQ(root->ConnectorsMinGap(), 9000);
}

} // namespace
} // namespace kest::doctest
