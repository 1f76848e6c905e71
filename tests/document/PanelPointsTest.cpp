// Editing points with the mouse and the keyboard: inserting, deleting,
// dragging, closing and breaking figures of a curve, the point rubber band,
// the edit points as drawn, a connector following a dragged box, and
// linked controls staying linked when pasted.
#include <gtest/gtest.h>

#include <QTest>

#include "KestBaseLinks.h"
#include "KestCanvas.h"
#include "KestColor.h"
#include "KestControlsCurve.h"
#include "support/DocTestSupport.h"

namespace kest::doctest {
namespace {

struct TPointsFixture : TPanelFixture {
    TKestCurve* curve = nullptr;
    TPointsFixture()
    {
        RegisterControlClasses({TKestCurve::StaticClass(), TKestConnector::StaticClass()});
        panel.resize(400, 300);
        panel.show();
        curve = TKestControl::Create<TKestCurve>(&panel, Scheme(), Layer());
        curve->SetPathPoints({{50000, 50000}, {90000, 50000}, {90000, 80000}}, {ptNode, ptNode, ptOpenEnd});
    }
    QWidget* View() { return panel.viewport(); }
    QPoint Px(TKestPoint doc) const
    {
        const TKestPoint p = panel.TransformPoint(doc);
        return {p.X, p.Y};
    }
    // Point i of a control in document units.
    static TKestPoint DocPoint(const TKestControl* c, int i)
    {
        const TKestPoint p = c->Point(i);
        return {c->DocRect().Left + p.X, c->DocRect().Top + p.Y};
    }
    TPointArray DocPoints(const TKestControl* c) const
    {
        TPointArray points;
        for (int i = 0; i < c->PointCount(); ++i)
            points.push_back(DocPoint(c, i));
        return points;
    }
    int Ends() const
    {
        int ends = 0;
        for (int i = 0; i < curve->PointCount(); ++i)
            ends += curve->PointType(i) == ptOpenEnd || curve->PointType(i) == ptClosedEnd;
        return ends;
    }
    void Click(TKestPoint doc, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mousePress(View(), Qt::LeftButton, modifiers, Px(doc));
        QTest::mouseRelease(View(), Qt::LeftButton, modifiers, Px(doc));
    }
    void Drag(TKestPoint from, TKestPoint to)
    {
        QTest::mousePress(View(), Qt::LeftButton, Qt::NoModifier, Px(from));
        QTest::mouseMove(View(), (Px(from) + Px(to)) / 2);
        QTest::mouseMove(View(), Px(to));
        QTest::mouseRelease(View(), Qt::LeftButton, Qt::NoModifier, Px(to));
    }
    void EditPoints()
    {
        panel.Select(curve);
        panel.SetToolMode(TKestPanel::tmEditPoints);
    }
};

TEST(PanelPointsTest, EditingStartsForTheOneSelectedControl)
{
    TPointsFixture f;
    f.EditPoints();
    EXPECT_EQ(f.panel.EditPointControl(), f.curve);
    EXPECT_EQ(f.panel.EditPointSelection(), TSelectedArray(3, false));
    TBox* box = f.AddBox({150000, 20000, 170000, 40000});
    f.Click({160000, 30000});
    // A box has no points to edit.
    EXPECT_TRUE(f.panel.IsSelected(box));
    EXPECT_EQ(f.panel.EditPointControl(), nullptr);
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmEditPoints);
    f.Click({70000, 50000});
    EXPECT_EQ(f.panel.EditPointControl(), f.curve);
}

TEST(PanelPointsTest, CtrlClickInsertsOnTheOutlineAndDeletesANode)
{
    TPointsFixture f;
    f.EditPoints();
    const TPointArray before = f.DocPoints(f.curve);
    QTest::mouseMove(f.View(), f.Px({70000, 50000}));
    QTest::keyPress(&f.panel, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(f.panel.ToolCursor(), 2);
    QTest::keyRelease(&f.panel, Qt::Key_Control);
    const int steps = f.panel.History().ActionIndex();
    f.Click({70000, 50000}, Qt::ControlModifier);
    ASSERT_EQ(f.curve->PointCount(), 4);
    EXPECT_EQ(f.DocPoint(f.curve, 1), (TKestPoint {70000, 50000}));
    EXPECT_EQ(f.panel.History().ActionIndex(), steps + 1);
    EXPECT_EQ(f.panel.EditPointSelection().size(), 4u);

    QTest::mouseMove(f.View(), f.Px({70000, 50000}));
    QTest::keyPress(&f.panel, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(f.panel.ToolCursor(), 3);
    QTest::keyRelease(&f.panel, Qt::Key_Control);
    f.Click({70000, 50000}, Qt::ControlModifier);
    EXPECT_EQ(f.DocPoints(f.curve), before);
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(f.curve->PointCount(), 4);
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(f.DocPoints(f.curve), before);
}

TEST(PanelPointsTest, DraggingANodeMovesItAloneInOneStep)
{
    TPointsFixture f;
    f.EditPoints();
    TPointArray expected = f.DocPoints(f.curve);
    const int steps = f.panel.History().ActionIndex();
    f.Drag({90000, 50000}, {100000, 45000});
    expected[1] = {100000, 45000};
    EXPECT_EQ(f.DocPoints(f.curve), expected);
    EXPECT_EQ(f.panel.EditPointSelection(), (TSelectedArray {false, true, false}));
    EXPECT_EQ(f.panel.History().ActionIndex(), steps + 1);
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmEditPoints);
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(f.DocPoint(f.curve, 1), (TKestPoint {90000, 50000}));
}

TEST(PanelPointsTest, CtrlClickOnAnOpenEndClosesTheFigure)
{
    TPointsFixture f;
    f.EditPoints();
    QTest::mouseMove(f.View(), f.Px({90000, 80000}));
    QTest::keyPress(&f.panel, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(f.panel.ToolCursor(), 4);
    QTest::keyRelease(&f.panel, Qt::Key_Control);
    f.Click({90000, 80000}, Qt::ControlModifier);
    ASSERT_GE(f.curve->PointCount(), 3);
    EXPECT_TRUE(f.curve->IsClosed());
    EXPECT_EQ(f.curve->PointType(f.curve->PointCount() - 1), ptClosedEnd);
}

TEST(PanelPointsTest, BreakingAtASelectedNodeSplitsTheFigure)
{
    TPointsFixture f;
    f.EditPoints();
    EXPECT_EQ(f.Ends(), 1);
    f.Click({90000, 50000});
    EXPECT_EQ(f.panel.EditPointSelection(), (TSelectedArray {false, true, false}));
    QTest::keyClick(&f.panel, Qt::Key_B);
    EXPECT_EQ(f.Ends(), 2);
    // Both halves keep the node they were broken at.
    int atBreak = 0;
    for (const TKestPoint& p : f.DocPoints(f.curve))
        atBreak += p == TKestPoint {90000, 50000};
    EXPECT_EQ(atBreak, 2);
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(f.Ends(), 1);
}

TEST(PanelPointsTest, RubberBandSelectsThePointsInside)
{
    TPointsFixture f;
    f.EditPoints();
    f.Drag({80000, 40000}, {120000, 90000});
    EXPECT_EQ(f.panel.EditPointSelection(), (TSelectedArray {false, true, true}));
    QTest::keyClick(&f.panel, Qt::Key_Delete);
    EXPECT_EQ(f.curve->PointCount(), 1);
}

TEST(PanelPointsTest, EditPointsAreDrawnFilledWhenSelected)
{
    TPointsFixture f;
    f.EditPoints();
    f.panel.SetEditPointSelected(1, true);
    TKestCanvas canvas;
    ASSERT_TRUE(canvas.SetSize(400, 300));
    canvas.SetBrush(TKestBrush(clWhite, bsSolid));
    canvas.FillRect({0, 0, 400, 300});
    f.panel.PaintSelection(canvas);
    auto at = [&](QPoint p) { return QRgbToColor(canvas.Image()->pixel(p)); };
    EXPECT_EQ(at(f.Px({90000, 50000})), clBlack);
    const QPoint open = f.Px({50000, 50000});
    EXPECT_EQ(at(open), clWhite);
    EXPECT_EQ(at(open + QPoint(-2, -2)), clBlack);
    EXPECT_EQ(at(open + QPoint(-4, -4)), clWhite);
}

TEST(PanelPointsTest, ConnectorFollowsADraggedBox)
{
    TPointsFixture f;
    TBox* a = f.AddBox({10000, 10000, 30000, 30000});
    TBox* b = f.AddBox({80000, 150000, 100000, 170000});
    auto* connector = TKestControl::Create<TKestConnector>(&f.panel, f.Scheme(), f.Layer());
    connector->SetPathPoints({{30000, 20000}, {80000, 160000}}, {ptNode, ptOpenEnd});
    connector->LinkA()->SetLinkedControl(a);
    connector->LinkB()->SetLinkedControl(b);
    f.panel.SetToolMode(TKestPanel::tmMove);
    f.Drag({20000, 20000}, {40000, 30000});
    EXPECT_EQ(a->DocRect(), (TKestRect {30000, 20000, 50000, 40000}));
    const TPointArray points = f.DocPoints(connector);
    ASSERT_GE(points.size(), 2u);
    EXPECT_EQ(points.front(), (TKestPoint {50000, 30000}));
    EXPECT_EQ(points.back(), (TKestPoint {80000, 160000}));
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(f.DocPoints(connector).front(), (TKestPoint {30000, 20000}));
}

TEST(PanelPointsTest, PastedLinkedControlsStayLinked)
{
    TPointsFixture f;
    TBox* a = f.AddBox({10000, 10000, 30000, 30000});
    TBox* b = f.AddBox({80000, 150000, 100000, 170000});
    auto* connector = TKestControl::Create<TKestConnector>(&f.panel, f.Scheme(), f.Layer());
    connector->SetPathPoints({{30000, 20000}, {80000, 160000}}, {ptNode, ptOpenEnd});
    connector->LinkA()->SetLinkedControl(a);
    connector->LinkB()->SetLinkedControl(b);
    f.panel.Select(a);
    f.panel.Select(b);
    f.panel.Select(connector);
    ASSERT_TRUE(f.panel.CopyToClipboard());
    const int before = f.Scheme()->Count();
    f.panel.PasteFromClipboard(true);
    ASSERT_EQ(f.Scheme()->Count(), before + 3);
    TKestConnector* pasted = nullptr;
    for (int i = before; i < f.Scheme()->Count(); ++i)
        if (auto* c = dynamic_cast<TKestConnector*>(f.Scheme()->Controls(i)))
            pasted = c;
    ASSERT_NE(pasted, nullptr);
    TKestControl* linkA = pasted->LinkA()->LinkedControl();
    TKestControl* linkB = pasted->LinkB()->LinkedControl();
    ASSERT_NE(linkA, nullptr);
    ASSERT_NE(linkB, nullptr);
    EXPECT_NE(linkA, a);
    EXPECT_NE(linkB, b);
    EXPECT_GE(f.Scheme()->IndexOf(linkA), before);
    EXPECT_GE(f.Scheme()->IndexOf(linkB), before);
    // And the pasted connector follows its own box when that moves.
    linkA->SetLeft(linkA->Left() + 5000);
    EXPECT_EQ(f.DocPoints(pasted).front(), pasted->LinkA()->LinkPoint());
    EXPECT_EQ(connector->LinkA()->LinkedControl(), a);
}

} // namespace
} // namespace kest::doctest
