// The panel as a scrolling window: transform and origin, scale and its
// automatic fit, scroll ranges with extra space, zoom, the control under
// the mouse with its hints, and the cursor of each tool mode.
#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QScrollBar>
#include <QToolTip>
#include <climits>

#include "KestCursors.h"
#include "support/DocTestSupport.h"
#include "support/PanelWindowSupport.h"

namespace kest::doctest {
namespace {

TEST(PanelViewTest, SmallDocumentIsCentredAndTransformsFollowTheOrigin)
{
    TPanelFixture f;
    ShowClient(f.panel, 640, 480);
    ASSERT_EQ(f.panel.ClientWidth(), 640);
    ASSERT_EQ(f.panel.ClientHeight(), 480);
    EXPECT_EQ(f.panel.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(f.panel.OriginX(), -160);
    EXPECT_EQ(f.panel.OriginY(), -120);
    EXPECT_EQ(f.panel.TransformPoint({10000, 20000}), (TKestPoint {170, 140}));
    EXPECT_EQ(f.panel.UnTransformPoint({170, 140}), (TKestPoint {10000, 20000}));
    EXPECT_EQ(f.panel.VisibleDocRect(), (TKestRect {-160000, -120000, 480000, 360000}));

    // An odd difference is rounded as the integer division does.
    f.panel.SetDocWidth(321000);
    EXPECT_EQ(f.panel.OriginX(), -159);
    EXPECT_EQ(f.panel.Schemes()->Width(), 321000);
}

TEST(PanelViewTest, ScaleIsClampedAndEachChangeIsReportedOnce)
{
    TPanelFixture f;
    ShowClient(f.panel, 300, 200);
    TNotifyLog log(f.panel);
    f.panel.SetScale(0);
    EXPECT_EQ(f.panel.Scale(), 1);
    f.panel.SetScale(60000);
    EXPECT_EQ(f.panel.Scale(), 50000);
    f.panel.SetScale(50000);
    EXPECT_EQ(log.Count(knScale), 2);
    // At the largest scale the range still fits and the bar ends at the document's right edge.
    QScrollBar* horz = f.panel.horizontalScrollBar();
    EXPECT_EQ(int64_t(horz->maximum()) + horz->pageStep(), ScaleValue(320000, 50000));
    horz->setValue(horz->maximum());
    EXPECT_EQ(f.panel.TransformPoint({320000, 0}).X, f.panel.ClientWidth());
}

TEST(PanelViewTest, AutoZoomFitsTheDocumentAndFollowsTheWindow)
{
    TPanelFixture f;
    f.panel.SetDocWidth(800000);
    f.panel.SetDocHeight(300000);
    ShowClient(f.panel, 400, 300);
    f.panel.SetAutoZoom(true);
    QCoreApplication::processEvents(); // the scroll bars go
    EXPECT_EQ(f.panel.Scale(), 50);
    EXPECT_EQ(f.panel.horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(f.panel.verticalScrollBar()->maximum(), 0);
    // Fitted by width, the document is centred in height.
    EXPECT_EQ(f.panel.OriginY(), (150 - 300) / 2);

    ShowClient(f.panel, 200, 300);
    EXPECT_EQ(f.panel.Scale(), 25);
    // While the fit is on, asking for a scale gives the fit again.
    f.panel.SetScale(400);
    EXPECT_EQ(f.panel.Scale(), 25);

    // A document under one pixel cannot be fitted: the scale stays.
    f.panel.SetDocWidth(999);
    ShowClient(f.panel, 250, 300);
    EXPECT_EQ(f.panel.Scale(), 25);
    f.panel.SetAutoZoom(false);
    f.panel.SetScale(400);
    EXPECT_EQ(f.panel.Scale(), 400);
}

TEST(PanelViewTest, ScrollRangesTakeTheExtraSpaceOnBothSides)
{
    TPanelFixture f;
    ShowClient(f.panel, 200, 150);
    f.panel.SetScale(200);
    f.panel.SetHorzExtraSpace(50);
    f.panel.SetVertExtraSpace(30);
    QScrollBar* horz = f.panel.horizontalScrollBar();
    QScrollBar* vert = f.panel.verticalScrollBar();
    const int clientWidth = f.panel.ClientWidth(), clientHeight = f.panel.ClientHeight();
    EXPECT_EQ(horz->maximum() + horz->pageStep(), 640 + 2 * 50);
    EXPECT_EQ(vert->maximum() + vert->pageStep(), 480 + 2 * 30);
    EXPECT_EQ(horz->pageStep(), clientWidth);
    EXPECT_EQ(horz->singleStep(), 10);
    EXPECT_EQ(vert->singleStep(), 10);

    // At the start of the ranges the margins show before the document.
    horz->setValue(0);
    vert->setValue(0);
    EXPECT_EQ(f.panel.TransformPoint({0, 0}), (TKestPoint {50, 30}));
    // At their ends, after it.
    TNotifyLog log(f.panel);
    horz->setValue(horz->maximum());
    vert->setValue(vert->maximum());
    EXPECT_EQ(f.panel.TransformPoint({320000, 240000}), (TKestPoint {clientWidth - 50, clientHeight - 30}));
    EXPECT_EQ(log.Count(knPan), 2);
    const TKestPoint topLeft = f.panel.UnTransformPoint({0, 0});
    EXPECT_EQ(f.panel.VisibleDocRect().Left, topLeft.X);
    EXPECT_EQ(f.panel.VisibleDocRect().Top, topLeft.Y);
    EXPECT_EQ(f.panel.VisibleDocRect().Right, topLeft.X + clientWidth * 500);
}

TEST(PanelViewTest, ZoomKeepsTheCentreOrBringsARectangleToIt)
{
    TPanelFixture f;
    ShowClient(f.panel, 200, 150);
    f.panel.horizontalScrollBar()->setValue(50);
    f.panel.verticalScrollBar()->setValue(40);
    const int cx = f.panel.ClientWidth() / 2, cy = f.panel.ClientHeight() / 2;
    const TKestPoint centre = f.panel.UnTransformPoint({cx, cy});

    f.panel.Zoom(200);
    EXPECT_EQ(f.panel.Scale(), 200);
    const int cx2 = f.panel.ClientWidth() / 2, cy2 = f.panel.ClientHeight() / 2;
    TKestPoint at = f.panel.TransformPoint(centre);
    EXPECT_NEAR(at.X, cx2, 1);
    EXPECT_NEAR(at.Y, cy2, 1);

    const TKestRect rect {150000, 100000, 170000, 120000};
    f.panel.Zoom(400, &rect);
    at = f.panel.TransformPoint({160000, 110000});
    EXPECT_NEAR(at.X, f.panel.ClientWidth() / 2, 1);
    EXPECT_NEAR(at.Y, f.panel.ClientHeight() / 2, 1);

    // Zooming out far enough centres the whole document again.
    f.panel.Zoom(25);
    EXPECT_EQ(f.panel.OriginX(), (80 - f.panel.ClientWidth()) / 2);
}

TEST(PanelViewTest, HostileSizesStayWithinTheirLimits)
{
    TPanelFixture f;
    ShowClient(f.panel, 200, 150);
    f.panel.SetHorzExtraSpace(INT_MAX);
    f.panel.SetVertExtraSpace(-40);
    EXPECT_EQ(f.panel.HorzExtraSpace(), TKestPanel::kMaxExtraSpace);
    EXPECT_EQ(f.panel.VertExtraSpace(), 0);
    f.panel.SetDocWidth(INT_MAX);
    f.panel.SetDocHeight(-5000);
    f.panel.Zoom(TKestPanel::kMaxScale);
    QScrollBar* horz = f.panel.horizontalScrollBar();
    EXPECT_EQ(int64_t(horz->maximum()) + horz->pageStep(),
        int64_t(ScaleValue(INT_MAX, TKestPanel::kMaxScale)) + 2 * TKestPanel::kMaxExtraSpace);
    EXPECT_EQ(f.panel.verticalScrollBar()->maximum(), 0);
    horz->setValue(horz->maximum());
    EXPECT_EQ(f.panel.TransformPoint({INT_MAX, 0}).X, f.panel.ClientWidth() - TKestPanel::kMaxExtraSpace);
    EXPECT_FALSE(GrabClient(f.panel).isNull());
    // A picture of the whole document that large is not made; the window's is.
    f.panel.SetFrostPan(true);
    f.panel.SetFrostPanFullDoc(true);
    f.panel.BeginPanning();
    EXPECT_FALSE(GrabClient(f.panel).isNull());
    f.panel.EndPanning();
    // Nothing to fit in a document of no height.
    const int32_t scale = f.panel.Scale();
    f.panel.SetAutoZoom(true);
    EXPECT_EQ(f.panel.Scale(), scale);
}

TEST(PanelViewTest, MouseControlAndHints)
{
    TPanelFixture f;
    ShowClient(f.panel, 320, 240);
    TBox* box = f.AddBox({10000, 10000, 50000, 60000});
    TBox* other = f.AddBox({100000, 10000, 150000, 60000});
    box->SetHint({"Door 1"});
    box->SetShowHint(true);
    int changes = 0;
    f.panel.OnMouseControlChange = [&](TKestPanel* sender) {
        EXPECT_EQ(sender, &f.panel);
        ++changes;
    };
    f.panel.SetMouseControl(box);
    f.panel.SetMouseControl(box, box);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(f.panel.MouseSubControl(), box);
    EXPECT_EQ(f.panel.HintControl(), box);

    TKestControl* shownFor = nullptr;
    std::string shownText;
    bool offered = true;
    f.panel.OnShowHint = [&](TKestPanel*, TKestControl* control, TKestHintInfo& info, bool& isShowHint) {
        shownFor = control;
        shownText = info.HintStr;
        offered = isShowHint;
    };
    QHelpEvent help(QEvent::ToolTip, QPoint(20, 20), f.panel.viewport()->mapToGlobal(QPoint(20, 20)));
    QCoreApplication::sendEvent(f.panel.viewport(), &help);
    EXPECT_EQ(shownFor, box);
    EXPECT_EQ(shownText, "Door 1");
    EXPECT_FALSE(offered); // the panel's own ShowHint is off
    EXPECT_FALSE(QToolTip::isVisible());

    f.panel.SetShowHint(true);
    f.panel.OnShowHint = [&](TKestPanel*, TKestControl*, TKestHintInfo& info, bool& isShowHint) {
        offered = isShowHint;
        info.HintStr += " (open)";
    };
    QCoreApplication::sendEvent(f.panel.viewport(), &help);
    EXPECT_TRUE(offered);
    EXPECT_EQ(QToolTip::text(), QString("Door 1 (open)"));

    // A control without a hint text needs none, unless the handler says so.
    f.panel.SetMouseControl(other);
    EXPECT_EQ(f.panel.HintControl(), nullptr);
    f.panel.OnNeedHint = [](TKestPanel*, bool& isNeedHint) { isNeedHint = true; };
    f.panel.SetMouseControl(nullptr);
    f.panel.SetMouseControl(other);
    EXPECT_EQ(f.panel.HintControl(), other);
    EXPECT_EQ(changes, 4);

    // A control that goes away is dropped from all of them.
    other->Free();
    EXPECT_EQ(f.panel.MouseControl(), nullptr);
    EXPECT_EQ(f.panel.MouseSubControl(), nullptr);
    EXPECT_EQ(f.panel.HintControl(), nullptr);
    QToolTip::hideText();
}

TEST(PanelViewTest, CursorsComeFromTheTableAndTheHandlerHasTheLastWord)
{
    TPanelFixture f;
    ShowClient(f.panel, 100, 100);
    EXPECT_EQ(KestPanelCursor(-8).shape(), Qt::SizeFDiagCursor);
    EXPECT_EQ(KestPanelCursor(-22).shape(), Qt::SizeAllCursor);
    EXPECT_EQ(KestPanelCursor(0).shape(), Qt::ArrowCursor);
    EXPECT_EQ(KestPanelCursor(19).shape(), Qt::ArrowCursor);
    // The library's own cursors are the pictures of the table.
    ASSERT_TRUE(LoadCursors());
    EXPECT_EQ(KestPanelCursor(15).shape(), Qt::BitmapCursor);
    EXPECT_EQ(KestPanelCursor(15).pixmap().toImage(), KestCursor(15).pixmap().toImage());

    f.panel.SetToolMode(TKestPanel::tmPan);
    EXPECT_EQ(f.panel.viewport()->cursor().shape(), Qt::BitmapCursor);
    EXPECT_EQ(f.panel.viewport()->cursor().pixmap().toImage(), KestCursor(15).pixmap().toImage());

    int offered = 0;
    f.panel.OnUpdateCursor = [&](TKestPanel*, int& cursor) {
        offered = cursor;
        cursor = -22;
    };
    f.panel.SetToolMode(TKestPanel::tmZoom);
    EXPECT_EQ(offered, 13);
    EXPECT_EQ(f.panel.viewport()->cursor().shape(), Qt::SizeAllCursor);
}

} // namespace
} // namespace kest::doctest
