// A single selected control's own handles (tool mode 8): where they are
// shown and drawn, a drag that moves just the grabbed handle as one undo
// step — a line's end, a box's corner roundness, an arc's end — and the
// connector ends that are tied to other objects offering none.
#include <gtest/gtest.h>

#include <QTest>

#include "KestBaseLinks.h"
#include "KestCanvas.h"
#include "KestColor.h"
#include "KestControls.h"
#include "support/DocTestSupport.h"

namespace kest::doctest {
namespace {

struct THandlesFixture : TPanelFixture {
    THandlesFixture()
    {
        RegisterControlClasses({TKestCurve::StaticClass(), TKestConnector::StaticClass(), TKestBox::StaticClass()});
        panel.resize(400, 300);
        panel.show();
    }
    QWidget* View() { return panel.viewport(); }
    QPoint Px(TKestPoint doc) const
    {
        const TKestPoint p = panel.TransformPoint(doc);
        return {p.X, p.Y};
    }
    TKestCurve* AddLine(const TPointArray& points)
    {
        auto* curve = TKestControl::Create<TKestCurve>(&panel, Scheme(), Layer());
        TPointTypeArray types(points.size(), ptNode);
        types.back() = ptOpenEnd;
        curve->SetPathPoints(points, types);
        return curve;
    }
    TPointArray DocPoints(const TKestControl* c) const
    {
        TPointArray points;
        for (int i = 0; i < c->PointCount(); ++i) {
            const TKestPoint p = c->Point(i);
            points.push_back({c->DocRect().Left + p.X, c->DocRect().Top + p.Y});
        }
        return points;
    }
    void SelectOnly(TKestControl* control)
    {
        panel.BeginSelectionUpdate();
        panel.UnselectAll();
        panel.Select(control);
        panel.EndSelectionUpdate();
    }
    std::string LastCaption() { return panel.History().Item(panel.History().ActionIndex())->Caption(); }
};

TEST(PanelControlHandlesTest, ShownForOneSelectedControlInTheMoveAndResizeModes)
{
    THandlesFixture f;
    TKestCurve* line = f.AddLine({{50000, 50000}, {90000, 50000}, {90000, 80000}});
    TBox* box = f.AddBox({150000, 20000, 170000, 40000});
    f.SelectOnly(line);
    EXPECT_FALSE(f.panel.ControlHandlesShown()) << "the normal mode does not edit";
    f.panel.SetToolMode(TKestPanel::tmResize);
    ASSERT_TRUE(f.panel.ControlHandlesShown());
    // The ends of the open figure, not the middle point.
    EXPECT_EQ(line->HandleCount(), 2);
    EXPECT_EQ(f.panel.ControlHandleAt({f.Px({90000, 80000}).x() + 4, f.Px({90000, 80000}).y() - 4}), 1);
    EXPECT_EQ(f.panel.ControlHandleAt({f.Px({50000, 50000}).x() - 3, f.Px({50000, 50000}).y()}), 0);
    EXPECT_EQ(f.panel.ControlHandleAt({f.Px({90000, 50000}).x(), f.Px({90000, 50000}).y()}), -1);
    EXPECT_EQ(f.panel.ControlHandleAt({f.Px({50000, 50000}).x() + 8, f.Px({50000, 50000}).y()}), -1);

    TKestCanvas canvas;
    ASSERT_TRUE(canvas.SetSize(400, 300));
    canvas.SetBrush(TKestBrush(clWhite, bsSolid));
    canvas.FillRect({0, 0, 400, 300});
    f.panel.PaintSelection(canvas);
    const QPoint end = f.Px({90000, 80000});
    EXPECT_EQ(QRgbToColor(canvas.Image()->pixel(end)), clYellow);
    EXPECT_EQ(QRgbToColor(canvas.Image()->pixel(end + QPoint(3, 3))), clBlack);

    f.panel.Select(box);
    EXPECT_FALSE(f.panel.ControlHandlesShown()) << "two selected";
    f.SelectOnly(line);
    f.Layer()->SetReadOnly(true);
    EXPECT_FALSE(f.panel.ControlHandlesShown()) << "a read-only layer";
}

TEST(PanelControlHandlesTest, DraggingALineEndMovesThatPointAloneInOneStep)
{
    THandlesFixture f;
    f.panel.SetScale(200);
    TKestCurve* line = f.AddLine({{50000, 50000}, {90000, 50000}, {90000, 80000}});
    f.SelectOnly(line);
    f.panel.SetToolMode(TKestPanel::tmResize);
    const TPointArray before = f.DocPoints(line);
    const int steps = f.panel.History().ActionIndex();
    // Grabbed 2 pixels off the point: it keeps that offset.
    const QPoint grab = f.Px({90000, 80000}) + QPoint(2, 2);
    QTest::mousePress(f.View(), Qt::LeftButton, Qt::NoModifier, grab);
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmControlResizing);
    EXPECT_EQ(f.panel.ControlHandle(), 1);
    QTest::mouseMove(f.View(), grab + QPoint(10, 5));
    QTest::mouseMove(f.View(), grab + QPoint(20, 30));
    QTest::mouseRelease(f.View(), Qt::LeftButton, Qt::NoModifier, grab + QPoint(20, 30));
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmResize);
    EXPECT_EQ(f.panel.ControlHandle(), -1);

    TPointArray expected = before;
    expected[2] = {90000 + 10000, 80000 + 15000}; // 20 and 30 pixels at 200 %
    EXPECT_EQ(f.DocPoints(line), expected);
    EXPECT_EQ(f.panel.History().ActionIndex(), steps + 1);
    EXPECT_EQ(f.LastCaption(), "Size/move control(s)");
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(f.DocPoints(line), before);
    ASSERT_TRUE(f.panel.History().Redo());
    EXPECT_EQ(f.DocPoints(line), expected);
}

TEST(PanelControlHandlesTest, TheBoxCornerHandleSetsTheRoundness)
{
    THandlesFixture f;
    auto* box = TKestControl::Create<TKestBox>(&f.panel, f.Scheme(), f.Layer());
    box->SetDocRect({40000, 40000, 140000, 100000});
    f.SelectOnly(box);
    f.panel.SetToolMode(TKestPanel::tmMove);
    ASSERT_EQ(box->HandleCount(), 1);
    EXPECT_EQ(box->HandlePoint(0), (TKestPoint {40000, 40000}));
    const QPoint corner = f.Px({40000, 40000});
    QTest::mousePress(f.View(), Qt::LeftButton, Qt::NoModifier, corner);
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmControlResizing);
    QTest::mouseMove(f.View(), corner + QPoint(6, 6));
    QTest::mouseMove(f.View(), corner + QPoint(12, 8));
    QTest::mouseRelease(f.View(), Qt::LeftButton, Qt::NoModifier, corner + QPoint(12, 8));
    // Along the diagonal: 12 + 8 pixels make a corner of 20 pixels.
    EXPECT_EQ(box->Roundness(), 20000);
    EXPECT_EQ(box->DocRect(), (TKestRect {40000, 40000, 140000, 100000}));
    EXPECT_EQ(box->HandlePoint(0), (TKestPoint {50000, 50000}));

    // Never rounder than the shorter side.
    QTest::mousePress(f.View(), Qt::LeftButton, Qt::NoModifier, f.Px({50000, 50000}));
    QTest::mouseMove(f.View(), f.Px({50000, 50000}) + QPoint(100, 100));
    QTest::mouseRelease(f.View(), Qt::LeftButton, Qt::NoModifier, f.Px({50000, 50000}) + QPoint(100, 100));
    EXPECT_EQ(box->Roundness(), 60000);
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(box->Roundness(), 20000);
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(box->Roundness(), 0);
}

TEST(PanelControlHandlesTest, AnEllipseEndHandleTurnsItIntoAnArc)
{
    THandlesFixture f;
    RegisterControlClasses({TKestEllipse::StaticClass()});
    auto* ellipse = TKestControl::Create<TKestEllipse>(&f.panel, f.Scheme(), f.Layer());
    const TKestRect full {40000, 40000, 140000, 100000};
    ellipse->SetDocRect(full);
    f.SelectOnly(ellipse);
    f.panel.SetToolMode(TKestPanel::tmResize);
    // Both ends lie at 0 degrees; the later one, the end, is taken.
    const QPoint right = f.Px({140000, 70000});
    EXPECT_EQ(f.panel.ControlHandleAt({right.x(), right.y()}), 1);
    QTest::mousePress(f.View(), Qt::LeftButton, Qt::NoModifier, right);
    QTest::mouseMove(f.View(), (right + f.Px({90000, 40000})) / 2);
    QTest::mouseMove(f.View(), f.Px({90000, 40000}));
    QTest::mouseRelease(f.View(), Qt::LeftButton, Qt::NoModifier, f.Px({90000, 40000}));
    EXPECT_EQ(ellipse->BeginAngle(), 0);
    EXPECT_EQ(ellipse->EndAngle(), 90000);
    EXPECT_EQ(ellipse->HandlePoint(1), (TKestPoint {90000, 40000}));
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(ellipse->EndAngle(), 0);
    EXPECT_EQ(ellipse->DocRect(), full);
}

TEST(PanelControlHandlesTest, AConnectorEndTiedToABoxOffersNoHandle)
{
    THandlesFixture f;
    TBox* a = f.AddBox({10000, 10000, 30000, 30000});
    auto* connector = TKestControl::Create<TKestConnector>(&f.panel, f.Scheme(), f.Layer());
    connector->SetOrtogonal(false);
    connector->SetPathPoints({{30000, 20000}, {80000, 160000}}, {ptNode, ptOpenEnd});
    EXPECT_EQ(connector->HandleCount(), 2);
    connector->LinkA()->SetLinkedControl(a);
    ASSERT_EQ(connector->HandleCount(), 1);
    EXPECT_EQ(connector->HandlePoint(0), f.DocPoints(connector).back());

    f.SelectOnly(connector);
    f.panel.SetToolMode(TKestPanel::tmResize);
    const QPoint end = f.Px(f.DocPoints(connector).back());
    QTest::mousePress(f.View(), Qt::LeftButton, Qt::NoModifier, end);
    QTest::mouseMove(f.View(), end + QPoint(-10, 6));
    QTest::mouseMove(f.View(), end + QPoint(-20, 12));
    QTest::mouseRelease(f.View(), Qt::LeftButton, Qt::NoModifier, end + QPoint(-20, 12));
    EXPECT_EQ(f.DocPoints(connector).back(), (TKestPoint {60000, 172000}));
    EXPECT_EQ(connector->LinkA()->LinkedControl(), a);
    EXPECT_EQ(f.DocPoints(connector).front(), connector->LinkA()->LinkPoint());
}

} // namespace
} // namespace kest::doctest
