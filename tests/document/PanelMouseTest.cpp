// The panel under the mouse and the keyboard: rubber band, zoom and pan
// tools, moving with snapping, resizing by every handle, one undo step per
// drag, the handles as drawn, the cursor per mode and following references.
#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>

#include "KestActions.h"
#include "KestCanvas.h"
#include "KestColor.h"
#include "KestCursors.h"
#include "support/DocTestSupport.h"

namespace kest::doctest {
namespace {

struct TMouseFixture : TPanelFixture {
    TMouseFixture()
    {
        panel.resize(400, 300);
        panel.show();
    }
    QWidget* View() { return panel.viewport(); }
    // The window pixel of a document point.
    QPoint Px(TKestPoint doc) const
    {
        const TKestPoint p = panel.TransformPoint(doc);
        return {p.X, p.Y};
    }
    void Press(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mousePress(View(), Qt::LeftButton, modifiers, at);
    }
    void Move(QPoint to) { QTest::mouseMove(View(), to); }
    void Release(QPoint at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseRelease(View(), Qt::LeftButton, modifiers, at);
    }
    // Press, a few steps of movement, release.
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        Press(from, modifiers);
        for (int step = 1; step <= 4; ++step)
            Move(from + (to - from) * step / 4);
        Release(to, modifiers);
    }
    std::string LastCaption() { return panel.History().Item(panel.History().ActionIndex())->Caption(); }
};

TEST(PanelMouseTest, RubberBandTogglesWhatLiesInside)
{
    TMouseFixture f;
    TBox* selected = f.AddBox({20000, 20000, 40000, 40000});
    TBox* unselected = f.AddBox({60000, 20000, 80000, 40000});
    TBox* outside = f.AddBox({150000, 20000, 170000, 40000});
    TBox* partly = f.AddBox({90000, 30000, 120000, 60000});
    f.panel.Select(selected);
    f.panel.Select(outside);
    f.Drag(f.Px({10000, 10000}), f.Px({100000, 50000}));
    EXPECT_FALSE(f.panel.IsSelected(selected));
    EXPECT_TRUE(f.panel.IsSelected(unselected));
    EXPECT_TRUE(f.panel.IsSelected(outside));
    EXPECT_FALSE(f.panel.IsSelected(partly));
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmNormal);

    // Only overlapping is enough when asked for.
    f.panel.SetSelectPartialOverlapped(true);
    f.Drag(f.Px({130000, 70000}), f.Px({100000, 50000}));
    EXPECT_TRUE(f.panel.IsSelected(partly));
    EXPECT_TRUE(f.panel.IsSelected(unselected));
}

TEST(PanelMouseTest, ClicksSelectToggleAndClear)
{
    TMouseFixture f;
    TBox* a = f.AddBox({20000, 20000, 40000, 40000});
    TBox* b = f.AddBox({60000, 20000, 80000, 40000});
    f.Press(f.Px({30000, 30000}));
    f.Release(f.Px({30000, 30000}));
    EXPECT_TRUE(f.panel.IsSelected(a));
    f.Press(f.Px({70000, 30000}));
    f.Release(f.Px({70000, 30000}));
    EXPECT_FALSE(f.panel.IsSelected(a));
    EXPECT_TRUE(f.panel.IsSelected(b));
    f.Press(f.Px({30000, 30000}), Qt::ShiftModifier);
    f.Release(f.Px({30000, 30000}), Qt::ShiftModifier);
    EXPECT_EQ(f.panel.SelectedCount(), 2);
    f.Press(f.Px({70000, 30000}), Qt::ShiftModifier);
    f.Release(f.Px({70000, 30000}), Qt::ShiftModifier);
    EXPECT_EQ(f.panel.SelectedCount(), 1);
    EXPECT_TRUE(f.panel.IsSelected(a));
    // Mode 0 selects but does not move.
    f.Drag(f.Px({30000, 30000}), f.Px({50000, 60000}));
    EXPECT_EQ(a->DocRect(), (TKestRect {20000, 20000, 40000, 40000}));
    f.Press(f.Px({200000, 200000}));
    f.Release(f.Px({200000, 200000}));
    EXPECT_EQ(f.panel.SelectedCount(), 0);
}

TEST(PanelMouseTest, ZoomToolClickDoublesCtrlClickHalvesDragFits)
{
    TMouseFixture f;
    f.panel.SetToolMode(TKestPanel::tmZoom);
    const TKestPoint spot {100000, 80000};
    f.Press(f.Px(spot));
    f.Release(f.Px(spot));
    EXPECT_EQ(f.panel.Scale(), 200);
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmZoom);
    // The clicked point comes to the window centre.
    const QPoint centre(f.View()->width() / 2, f.View()->height() / 2);
    EXPECT_LE((f.Px(spot) - centre).manhattanLength(), 2);

    f.Press(f.Px(spot), Qt::ControlModifier);
    f.Release(f.Px(spot), Qt::ControlModifier);
    EXPECT_EQ(f.panel.Scale(), 100);
    f.Press(f.Px(spot), Qt::ControlModifier);
    f.Release(f.Px(spot), Qt::ControlModifier);
    EXPECT_EQ(f.panel.Scale(), 50);

    // A drag of 40 x 30 pixels at 50 % fits the window.
    f.panel.SetScale(100);
    const TKestPoint from {50000, 50000}, to {90000, 80000};
    f.Drag(f.Px(from), f.Px(to));
    const double fit = std::min(f.View()->width() / 40.0, f.View()->height() / 30.0);
    EXPECT_EQ(f.panel.Scale(), static_cast<int32_t>(std::round(100 * fit)));
    EXPECT_LE((f.Px({70000, 65000}) - centre).manhattanLength(), 2);
}

TEST(PanelMouseTest, PanToolMovesTheViewWithThePointer)
{
    TMouseFixture f;
    // Larger than the window, so that there is room to pan.
    f.panel.SetScale(300);
    f.panel.horizontalScrollBar()->setValue(200);
    f.panel.verticalScrollBar()->setValue(200);
    f.panel.SetToolMode(TKestPanel::tmPan);
    EXPECT_EQ(f.panel.ToolCursor(), 15);
    const TKestPoint doc {100000, 100000};
    const QPoint before = f.Px(doc);
    f.Press({200, 150});
    EXPECT_EQ(f.panel.ToolCursor(), 16);
    f.Move({170, 130});
    f.Release({170, 130});
    EXPECT_EQ(f.Px(doc), before + QPoint(-30, -20));
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmPan);
}

TEST(PanelMouseTest, MoveSnapsTheTopLeftOnlyToTheGrid)
{
    TMouseFixture f;
    TBox* box = f.AddBox({12000, 13000, 37000, 29000});
    f.panel.Grid()->SetSnapToGrid(true);
    f.panel.Grid()->SetSnapStyle(SnapBit(snLeft) | SnapBit(snTop));
    f.panel.SetToolMode(TKestPanel::tmMove);
    // Pointer moves by 7 and 4 pixels: the top-left goes to (19000, 17000)
    // and snaps to (20000, 20000); the right edge (45000) is not considered.
    f.Drag(f.Px({20000, 20000}), f.Px({27000, 24000}));
    EXPECT_EQ(box->DocRect(), (TKestRect {20000, 20000, 45000, 36000}));
    EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmMove);
}

TEST(PanelMouseTest, DragIsOneUndoStepCaptionedSizeMove)
{
    TMouseFixture f;
    TBox* a = f.AddBox({20000, 20000, 40000, 40000});
    TBox* b = f.AddBox({60000, 20000, 80000, 40000});
    f.panel.Select(a);
    f.panel.Select(b);
    f.panel.SetToolMode(TKestPanel::tmMove);
    const int count = f.panel.History().Count();
    f.Drag(f.Px({30000, 30000}), f.Px({55000, 70000}));
    EXPECT_EQ(a->DocRect(), (TKestRect {45000, 60000, 65000, 80000}));
    EXPECT_EQ(b->DocRect(), (TKestRect {85000, 60000, 105000, 80000}));
    EXPECT_EQ(f.panel.History().Count(), count + 1);
    EXPECT_EQ(f.LastCaption(), "Size/move control(s)");
    ASSERT_TRUE(f.panel.History().Undo());
    EXPECT_EQ(a->DocRect(), (TKestRect {20000, 20000, 40000, 40000}));
    EXPECT_EQ(b->DocRect(), (TKestRect {60000, 20000, 80000, 40000}));
    // A click without movement records nothing and keeps the redo.
    f.Press(f.Px({30000, 30000}));
    f.Release(f.Px({30000, 30000}));
    EXPECT_EQ(f.panel.History().Count(), count + 1);
    ASSERT_TRUE(f.panel.History().Redo());
    EXPECT_EQ(b->DocRect(), (TKestRect {85000, 60000, 105000, 80000}));
}

TEST(PanelMouseTest, ResizeByEachHandleMovesItsEdges)
{
    const TKestRect start {40000, 40000, 100000, 80000};
    for (int handle = 1; handle <= 8; ++handle) {
        SCOPED_TRACE(handle);
        TMouseFixture f;
        TBox* box = f.AddBox(start);
        TBox* inner = f.AddBox({70000, 60000, 100000, 80000});
        f.panel.Select(box);
        f.panel.Select(inner);
        f.panel.SetToolMode(TKestPanel::tmResize);
        const TKestRect h = f.panel.HandleRect(handle);
        const QPoint at((h.Left + h.Right) / 2, (h.Top + h.Bottom) / 2);
        f.Press(at);
        EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmResizing);
        EXPECT_EQ(f.panel.ResizeHandle(), handle);
        f.Move(at + QPoint(10, 6));
        f.Release(at + QPoint(20, 12));
        TKestRect expected = start;
        if (handle == 1 || handle == 4 || handle == 6)
            expected.Left += 20000;
        if (handle == 3 || handle == 5 || handle == 8)
            expected.Right += 20000;
        if (handle <= 3)
            expected.Top += 12000;
        if (handle >= 6)
            expected.Bottom += 12000;
        EXPECT_EQ(box->DocRect(), expected);
        // The inner box keeps its place in the selection: its right and
        // bottom edges stay on the selection's.
        EXPECT_EQ(inner->DocRect().Right, expected.Right);
        EXPECT_EQ(inner->DocRect().Bottom, expected.Bottom);
        EXPECT_EQ(f.panel.ToolMode(), TKestPanel::tmResize);
        EXPECT_EQ(f.LastCaption(), "Size/move control(s)");
        ASSERT_TRUE(f.panel.History().Undo());
        EXPECT_EQ(box->DocRect(), start);
    }
}

TEST(PanelMouseTest, ResizingOverTheOppositeEdgeTurnsTheSelectionOver)
{
    TMouseFixture f;
    TBox* left = f.AddBox({40000, 40000, 60000, 80000});
    TBox* right = f.AddBox({80000, 40000, 100000, 80000});
    f.panel.Select(left);
    f.panel.Select(right);
    f.panel.SetToolMode(TKestPanel::tmResize);
    const TKestRect h = f.panel.HandleRect(5);
    const QPoint at((h.Left + h.Right) / 2, (h.Top + h.Bottom) / 2);
    f.Press(at);
    // The right edge at 100000 goes to 20000: the selection spans
    // 20000..40000, a third of its width, turned over, so the right box
    // (the last third) comes first.
    f.Move(at + QPoint(-40, 0));
    f.Release(at + QPoint(-80, 0));
    EXPECT_EQ(right->DocRect(), (TKestRect {20000, 40000, 26667, 80000}));
    EXPECT_EQ(left->DocRect(), (TKestRect {33333, 40000, 40000, 80000}));
}

TEST(PanelMouseTest, HandlesAndAnchorsAreDrawnAroundTheSelection)
{
    TMouseFixture f;
    TBox* box = f.AddBox({50000, 40000, 110000, 90000});
    TKestCanvas canvas;
    ASSERT_TRUE(canvas.SetSize(400, 300));
    auto paint = [&] {
        canvas.SetBrush(TKestBrush(clWhite, bsSolid));
        canvas.FillRect({0, 0, 400, 300});
        f.panel.PaintSelection(canvas);
    };
    auto at = [&](int32_t x, int32_t y) { return QRgbToColor(canvas.Image()->pixel(x, y)); };
    paint();
    EXPECT_EQ(at(f.Px({50000, 40000}).x() - 8, f.Px({50000, 40000}).y() - 8), clWhite);

    f.panel.Select(box);
    paint();
    const TKestRect px = f.panel.TransformRect(box->DocRect());
    const int32_t xs[3] = {px.Left - 8, (px.Left + px.Right) / 2, px.Right + 8};
    const int32_t ys[3] = {px.Top - 8, (px.Top + px.Bottom) / 2, px.Bottom + 8};
    int handle = 0;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            if (row == 1 && column == 1)
                continue;
            ++handle;
            SCOPED_TRACE(handle);
            const TKestRect r = f.panel.HandleRect(handle);
            EXPECT_EQ(RectWidth(r), 6);
            EXPECT_EQ(RectHeight(r), 6);
            const int32_t x = xs[column], y = ys[row];
            EXPECT_EQ(at(x, y), clBlack);
            EXPECT_EQ(at(r.Left, r.Top), clBlack);
            EXPECT_EQ(at(r.Right - 1, r.Bottom - 1), clBlack);
            EXPECT_EQ(at(r.Left - 1, r.Top - 1), clWhite);
            EXPECT_EQ(at(r.Right, r.Bottom), clWhite);
            EXPECT_EQ(f.panel.HandleAtPoint({x, y}), handle);
        }
    // The anchor: a 5 x 5 frame centred on the top-left corner, white inside.
    EXPECT_EQ(at(px.Left - 2, px.Top - 2), clBlack);
    EXPECT_EQ(at(px.Left + 2, px.Top + 2), clBlack);
    EXPECT_EQ(at(px.Left, px.Top), clWhite);
    EXPECT_EQ(at(px.Left + 3, px.Top + 3), clWhite);

    // Hidden while the panel has no focus.
    f.panel.SetHideSelection(true);
    f.panel.clearFocus();
    paint();
    EXPECT_EQ(at(xs[0], ys[0]), clWhite);
    EXPECT_EQ(f.panel.HandleAtPoint({xs[0], ys[0]}), 0);
}

TEST(PanelMouseTest, CursorFollowsModeHandleAndCtrl)
{
    TMouseFixture f;
    TBox* box = f.AddBox({50000, 40000, 110000, 90000});
    f.panel.Select(box);
    f.panel.SetToolMode(TKestPanel::tmResize);
    const int32_t expected[9] = {0, -8, -7, -6, -9, -9, -6, -7, -8};
    for (int handle = 1; handle <= 8; ++handle) {
        const TKestRect r = f.panel.HandleRect(handle);
        f.Move({r.Left + 2, r.Top + 2});
        EXPECT_EQ(f.panel.ToolCursor(), expected[handle]) << handle;
    }
    f.panel.SetToolMode(TKestPanel::tmMove);
    EXPECT_EQ(f.panel.ToolCursor(), -22);
    f.panel.SetToolMode(TKestPanel::tmZoom);
    EXPECT_EQ(f.panel.ToolCursor(), 13);
    QTest::keyPress(&f.panel, Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(f.panel.ToolCursor(), 14);
    QTest::keyRelease(&f.panel, Qt::Key_Control);
    EXPECT_EQ(f.panel.ToolCursor(), 13);
    int asked = 0;
    f.panel.OnUpdateCursor = [&](TKestPanel*, int& cursor) {
        ++asked;
        cursor = 12;
    };
    f.panel.SetToolMode(TKestPanel::tmNormal);
    EXPECT_GT(asked, 0);
    // The library's cursors are the pictures of its cursor table.
    EXPECT_EQ(f.View()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(f.View()->cursor().pixmap().toImage(), KestCursor(12).pixmap().toImage());
}

TEST(PanelMouseTest, ClickOnAReferenceActivatesItsScheme)
{
    TMouseFixture f;
    auto* second = TKestControl::Create<TKestScheme>(&f.panel, f.panel.Schemes());
    TBox* link = f.AddBox({50000, 40000, 110000, 90000});
    link->SetReference(second);
    TKestControl* seen = nullptr;
    f.panel.OnMouseControlChange = [&](TKestPanel* sender) { seen = sender->MouseControl(); };
    f.Move(f.Px({60000, 50000}));
    EXPECT_EQ(seen, link);
    EXPECT_EQ(f.panel.ToolCursor(), -21);
    f.Press(f.Px({60000, 50000}));
    f.Release(f.Px({60000, 50000}));
    EXPECT_EQ(f.panel.ActiveScheme(), second);
    // A control that goes away is let go of.
    link->Free();
    EXPECT_EQ(f.panel.MouseControl(), nullptr);
}

TEST(PanelMouseTest, CreatingClassMakesAControlAtTheClick)
{
    TMouseFixture f;
    f.panel.Grid()->SetSnapToGrid(true);
    f.panel.Grid()->SetSnapStyle(SnapBit(snAll));
    f.panel.SetCreatingControlClass(TBox::StaticClass());
    f.Press(f.Px({41000, 58000}));
    f.Release(f.Px({41000, 58000}));
    ASSERT_EQ(f.panel.SelectedCount(), 1);
    TKestControl* created = f.panel.SelectedControl(0);
    EXPECT_EQ(created->ClassType(), TBox::StaticClass());
    EXPECT_EQ(created->Left() % 10000, 0);
    EXPECT_EQ(created->Top() % 10000, 0);
    EXPECT_EQ(f.panel.CreatingControlClass(), nullptr);
}

} // namespace
} // namespace kest::doctest
