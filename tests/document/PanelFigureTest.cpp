// Drawing a figure point by point with the mouse and the keyboard: the
// points land where they were clicked at any scale, the whole drawing is one
// undo step, Esc, Enter, a double click and a click on the first point end
// it, the cursors on the way, continuing an open figure, and a layer that
// refuses new controls.
#include <gtest/gtest.h>

#include <QTest>

#include "KestActions.h"
#include "KestCanvas.h"
#include "KestColor.h"
#include "KestControls.h"
#include "KestError.h"
#include "support/DocTestSupport.h"

namespace kest::doctest {
namespace {

struct TFigureFixture : TPanelFixture {
    TFigureFixture()
    {
        RegisterControlClasses({TKestCurve::StaticClass()});
        panel.resize(400, 300);
        panel.show();
    }
    QWidget* View() { return panel.viewport(); }
    void Click(QPoint at)
    {
        QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, at);
    }
    void Key(Qt::Key key) { QTest::keyClick(&panel, key); }
    TKestCurve* OnlyCurve() const
    {
        return Scheme()->Count() == 1 ? dynamic_cast<TKestCurve*>(Scheme()->Controls(0)) : nullptr;
    }
    // The points of a control in window pixels.
    std::vector<QPoint> Pixels(const TKestControl* c) const
    {
        std::vector<QPoint> pixels;
        for (int i = 0; i < c->PointCount(); ++i) {
            const TKestPoint p = c->Point(i);
            const TKestPoint s = panel.TransformPoint({c->DocRect().Left + p.X, c->DocRect().Top + p.Y});
            pixels.push_back({s.X, s.Y});
        }
        return pixels;
    }
    std::vector<TKestPoint> DocPoints(const TKestControl* c) const
    {
        std::vector<TKestPoint> points;
        for (int i = 0; i < c->PointCount(); ++i) {
            const TKestPoint p = c->Point(i);
            points.push_back({c->DocRect().Left + p.X, c->DocRect().Top + p.Y});
        }
        return points;
    }
    std::vector<TKestPoint> DocPointsOf(const std::vector<QPoint>& pixels) const
    {
        std::vector<TKestPoint> points;
        for (const QPoint& p : pixels)
            points.push_back(panel.UnTransformPoint({p.x(), p.y()}));
        return points;
    }
    std::string LastCaption() { return panel.History().Item(panel.History().ActionIndex())->Caption(); }
};

TEST(PanelFigureTest, ClickedPointsMakeTheCurveAndOneUndoStepTakesItAway)
{
    TFigureFixture f;
    f.panel.SetScale(150);
    f.panel.SetCreatingControlClass(TKestCurve::StaticClass());
    const std::vector<QPoint> clicks {{40, 50}, {130, 60}, {150, 170}, {70, 200}, {210, 90}};
    const int steps = f.panel.History().ActionIndex();
    for (size_t i = 0; i + 1 < clicks.size(); ++i) {
        f.Click(clicks[i]);
        EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmCreating);
    }
    QTest::mouseDClick(f.View(), Qt::LeftButton, Qt::NoModifier, clicks.back());
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmNormal);

    TKestCurve* curve = f.OnlyCurve();
    ASSERT_NE(curve, nullptr);
    // At 150 % a pixel is 666.67 units: the points are the clicked pixels,
    // in document units, not rounded to whole pixels of 100 %.
    EXPECT_EQ(f.Pixels(curve), clicks);
    const std::vector<TKestPoint> expected = f.DocPointsOf(clicks);
    EXPECT_EQ(f.DocPoints(curve), expected);
    EXPECT_NE(expected[0].X % 1000, 0);
    for (int i = 0; i < curve->PointCount(); ++i)
        EXPECT_EQ(curve->PointType(i), i + 1 < curve->PointCount() ? ptNode : ptOpenEnd);
    EXPECT_FALSE(curve->IsClosed());
    EXPECT_TRUE(f.panel.IsSelected(curve));

    EXPECT_EQ(f.panel.History().ActionIndex(), steps + 1);
    EXPECT_EQ(f.LastCaption(), "Create control(s)");
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(f.Scheme()->Count(), 0);
    ASSERT_TRUE(f.panel.History().Redo());
    curve = f.OnlyCurve();
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(f.DocPoints(curve), expected);
}

TEST(PanelFigureTest, TheFirstClickOfADoubleClickAddsTheLastPointOnce)
{
    TFigureFixture f;
    f.panel.SetCreatingControlClass(TKestCurve::StaticClass());
    const std::vector<QPoint> clicks {{40, 50}, {130, 60}, {150, 170}};
    f.Click(clicks[0]);
    f.Click(clicks[1]);
    // As the platform delivers one: press, release, double click, release.
    f.Click(clicks[2]);
    QTest::mouseDClick(f.View(), Qt::LeftButton, Qt::NoModifier, clicks[2] + QPoint(1, 1));
    ASSERT_NE(f.OnlyCurve(), nullptr);
    EXPECT_EQ(f.Pixels(f.OnlyCurve()), clicks);
}

TEST(PanelFigureTest, EscapeDropsThePendingPointAndEnterKeepsIt)
{
    TFigureFixture f;
    f.panel.SetCreatingControlClass(TKestCurve::StaticClass());
    f.Click({40, 50});
    f.Click({130, 60});
    QTest::mouseMove(f.View(), {150, 170});
    EXPECT_EQ(f.panel.PendingPoint(), f.panel.UnTransformPoint({150, 170}));
    f.Key(Qt::Key_Escape);
    ASSERT_NE(f.OnlyCurve(), nullptr);
    EXPECT_EQ(f.Pixels(f.OnlyCurve()), (std::vector<QPoint> {{40, 50}, {130, 60}}));
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmNormal);
    f.OnlyCurve()->Free();

    f.panel.SetCreatingControlClass(TKestCurve::StaticClass());
    f.Click({40, 50});
    QTest::mouseMove(f.View(), {90, 120});
    f.Key(Qt::Key_Return);
    ASSERT_NE(f.OnlyCurve(), nullptr);
    EXPECT_EQ(f.Pixels(f.OnlyCurve()), (std::vector<QPoint> {{40, 50}, {90, 120}}));
}

TEST(PanelFigureTest, ASingleClickThenEscapeLeavesNoControlAndNoHistory)
{
    TFigureFixture f;
    f.AddBox({10000, 10000, 20000, 20000});
    const int count = f.panel.History().Count(), index = f.panel.History().ActionIndex();
    f.panel.SetCreatingControlClass(TKestCurve::StaticClass());
    f.Click({60, 60});
    EXPECT_EQ(f.Scheme()->Count(), 2);
    f.Key(Qt::Key_Escape);
    EXPECT_EQ(f.Scheme()->Count(), 1);
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmNormal);
    EXPECT_EQ(f.panel.SelectedCount(), 0);
    EXPECT_EQ(f.panel.History().ActionIndex(), index);
    EXPECT_EQ(f.panel.History().Count(), count);
    // The step before is the box's creation.
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(f.Scheme()->Count(), 0);
}

TEST(PanelFigureTest, ClickingTheFirstPointClosesTheFigure)
{
    TFigureFixture f;
    f.panel.SetCreatingControlClass(TKestCurve::StaticClass());
    const std::vector<QPoint> clicks {{40, 50}, {130, 60}, {150, 170}};
    for (const QPoint& at : clicks)
        f.Click(at);
    f.Click(clicks[0] + QPoint(2, -2));
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmNormal);
    TKestCurve* curve = f.OnlyCurve();
    ASSERT_NE(curve, nullptr);
    EXPECT_EQ(f.Pixels(curve), clicks);
    EXPECT_TRUE(curve->IsClosed());
    EXPECT_EQ(curve->PointType(2), ptClosedEnd);
}

TEST(PanelFigureTest, CursorShowsTheClassUntilTheFirstPointThenContinuing)
{
    TFigureFixture f;
    f.panel.SetCreatingControlClass(TKestCurve::StaticClass());
    f.panel.SetToolMode(TKestPanel::tmCreating);
    EXPECT_EQ(f.panel.ToolCursor(), 12);
    EXPECT_EQ(f.panel.Figure(), nullptr);
    f.Click({40, 50});
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmCreating);
    ASSERT_NE(f.panel.Figure(), nullptr);
    EXPECT_EQ(f.panel.Figure(), f.OnlyCurve());
    EXPECT_EQ(f.panel.ToolCursor(), 5);
    f.Click({100, 50});
    QTest::mouseMove(f.View(), {120, 90});
    EXPECT_EQ(f.panel.ToolCursor(), 5);
    f.Key(Qt::Key_Escape);
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmNormal);
    EXPECT_EQ(f.panel.Figure(), nullptr);
    EXPECT_EQ(f.panel.ToolCursor(), 0);
}

TEST(PanelFigureTest, TheRubberLineRunsFromTheLastPointToThePointer)
{
    TFigureFixture f;
    f.panel.SetCreatingControlClass(TKestCurve::StaticClass());
    f.Click({40, 50});
    QTest::mouseMove(f.View(), {240, 50});
    TKestCanvas canvas;
    ASSERT_TRUE(canvas.SetSize(400, 300));
    canvas.SetBrush(TKestBrush(clWhite, bsSolid));
    canvas.FillRect({0, 0, 400, 300});
    f.panel.PaintSelection(canvas);
    int marked = 0, beyond = 0;
    for (int x = 60; x < 230; ++x)
        marked += QRgbToColor(canvas.Image()->pixel(x, 50)) != clWhite;
    for (int x = 250; x < 400; ++x)
        beyond += QRgbToColor(canvas.Image()->pixel(x, 50)) != clWhite;
    // Dotted: about every other pixel.
    EXPECT_GT(marked, 60);
    EXPECT_EQ(beyond, 0);
}

TEST(PanelFigureTest, ContinuingAnOpenFigureAddsClickedPointsInOneStep)
{
    TFigureFixture f;
    auto* curve = TKestControl::Create<TKestCurve>(&f.panel, f.Scheme(), f.Layer());
    curve->SetPathPoints({{50000, 50000}, {90000, 50000}}, {ptNode, ptOpenEnd});
    f.panel.Select(curve);
    const std::vector<TKestPoint> before = f.DocPoints(curve);
    const int steps = f.panel.History().ActionIndex();
    f.panel.SetToolMode(TKestPanel::tmContinuing);
    EXPECT_EQ(f.panel.ToolCursor(), 17);
    f.Click({150, 120});
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmCreating);
    f.Click({200, 40});
    f.Key(Qt::Key_Escape);
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmNormal);
    std::vector<TKestPoint> expected = before;
    for (const TKestPoint& p : f.DocPointsOf({{150, 120}, {200, 40}}))
        expected.push_back(p);
    EXPECT_EQ(f.DocPoints(curve), expected);
    EXPECT_EQ(f.panel.History().ActionIndex(), steps + 1);
    EXPECT_EQ(f.LastCaption(), "Change control(s) points");
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(f.DocPoints(curve), before);
}

TEST(PanelFigureTest, AFigureOnAReadOnlyLayerIsNotContinued)
{
    TFigureFixture f;
    auto* curve = TKestControl::Create<TKestCurve>(&f.panel, f.Scheme(), f.Layer());
    curve->SetPathPoints({{50000, 50000}, {90000, 50000}}, {ptNode, ptOpenEnd});
    f.panel.Select(curve);
    f.Layer()->SetReadOnly(true);
    const int count = f.panel.History().Count();
    f.panel.SetToolMode(TKestPanel::tmContinuing);
    f.Click({150, 120});
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmNormal);
    EXPECT_EQ(curve->PointCount(), 2);
    EXPECT_EQ(f.panel.History().Count(), count);
}

TEST(PanelFigureTest, ALayerThatRefusesControlsRaisesAndLeavesNothing)
{
    TFigureFixture f;
    f.Layer()->SetReadOnly(true);
    const int count = f.panel.History().Count();
    try {
        f.panel.BeginFigure(TKestCurve::StaticClass(), {50000, 50000});
        ADD_FAILURE() << "no error raised";
    } catch (const EKestError& e) {
        EXPECT_STREQ(e.what(), "Can't create control on invisible or disabled layer");
    }
    EXPECT_EQ(f.Scheme()->Count(), 0);
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmNormal);
    EXPECT_EQ(f.panel.History().Count(), count);

    // The same by the mouse: the click creates nothing and ends the tool.
    f.panel.SetCreatingControlClass(TKestCurve::StaticClass());
    f.panel.SetToolMode(TKestPanel::tmCreating);
    f.Click({60, 60});
    EXPECT_EQ(f.Scheme()->Count(), 0);
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmNormal);
    EXPECT_EQ(f.panel.History().Count(), count);
}

} // namespace
} // namespace kest::doctest
